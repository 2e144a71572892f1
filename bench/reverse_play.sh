#!/bin/sh
# Backward against forward play and stepping, with and without the engine's
# kept pictures, on MPEG-4 and Wavelet backups with key frames every 12 and
# 30 frames, all in one run. Each figure is the median of RUNS runs of
# `zrvtool bench`, the modes taking turns so that load on the machine falls
# on all of them alike.
#   bench/reverse_play.sh BUILD_DIR [footage | WxH] [FRAMES] [RUNS]
# "footage" (the default) plays the benchmark footage of make_footage.sh,
# kept in BV_BENCH_FOOTAGE or else BUILD_DIR/bench-footage and made there
# when missing; a size WxH plays demo backups of that size instead.
set -eu
build=${1:?usage: reverse_play.sh BUILD_DIR [footage | WxH] [FRAMES] [RUNS]}
size=${2:-footage}
frames=${3:-300}
runs=${4:-5}
here=$(cd "$(dirname "$0")" && pwd)
zrvtool="$build/tools/zrvtool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "$size" = footage ]; then
  footage=${BV_BENCH_FOOTAGE:-$build/bench-footage}
  ZRVTOOL="$zrvtool" "$here/make_footage.sh" "$footage" "$frames" >&2
fi

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
field() { sed -n "s/.*\"$1\":\([0-9.e+-]*\).*/\1/p"; }

printf '%-8s %3s %10s %10s %10s %7s %7s %9s %9s %7s %9s %12s\n' codec key fwd_fps back_fps nocache_fps ratio before \
  step_fwd step_back s_ratio s_nocache peak_bytes
for key in 12 30; do
  if [ "$size" != footage ]; then
    "$zrvtool" make-sample "$work/k$key" --key-interval "$key" --frames "$frames" --size "$size" >/dev/null
  fi
  for codec in mpeg4 wavelet; do
    if [ "$size" = footage ]; then backup="$footage/$codec-k$key.zrv"; else backup="$work/k$key/demo-$codec.zrv"; fi
    : >"$work/fwd"; : >"$work/back"; : >"$work/plain"; : >"$work/sf"; : >"$work/sb"; : >"$work/sr"; : >"$work/snr"
    : >"$work/peak"
    i=0
    while [ "$i" -lt "$runs" ]; do
      "$zrvtool" bench "$backup" --forward --warm | field fps | head -1 >>"$work/fwd"
      out=$("$zrvtool" bench "$backup" --backward --warm)
      echo "$out" | field fps | head -1 >>"$work/back"
      echo "$out" | field cache_peak_bytes >>"$work/peak"
      "$zrvtool" bench "$backup" --backward --warm --no-cache | field fps | head -1 >>"$work/plain"
      out=$("$zrvtool" bench "$backup" --steps --warm)
      echo "$out" | field forward_median_ms >>"$work/sf"
      echo "$out" | field backward_median_ms >>"$work/sb"
      echo "$out" | field ratio >>"$work/sr"
      "$zrvtool" bench "$backup" --steps --warm --no-cache | field ratio >>"$work/snr"
      i=$((i + 1))
    done
    fwd=$(median <"$work/fwd")
    back=$(median <"$work/back")
    plain=$(median <"$work/plain")
    printf '%-8s %3s %10.1f %10.1f %10.1f %7.2f %7.2f %9.3f %9.3f %7.3f %9.3f %12s\n' "$codec" "$key" "$fwd" "$back" \
      "$plain" "$(awk "BEGIN { print $back / $fwd }")" "$(awk "BEGIN { print $plain / $fwd }")" "$(median <"$work/sf")" \
      "$(median <"$work/sb")" "$(median <"$work/sr")" "$(median <"$work/snr")" "$(sort -g "$work/peak" | tail -1)"
  done
done
