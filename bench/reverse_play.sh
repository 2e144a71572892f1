#!/bin/sh
# Backward play and a drag of the position slider against forward play, and
# a step back against a step forward, with the engine's kept pictures
# (backward play also without them), on MPEG-4 and Wavelet backups with key
# frames every 12 and 30 frames, all in one run, every pass cold (a process of
# its own). Each figure is the median of RUNS runs of
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

# Every pass runs on the same processor (BV_BENCH_CPU, 0 unless set): a
# single-threaded pass the scheduler moves between processors finds its
# caches cold after each move, which on this machine's two virtual
# processors made forward play alone swing between 1,900 and 2,650 frames a
# second from one pass to the next.
pin=
if command -v taskset >/dev/null 2>&1; then pin="taskset -c ${BV_BENCH_CPU:-0}"; fi
bench() { $pin "$zrvtool" bench "$@"; }

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
field() { sed -n "s/.*\"$1\":\([0-9.e+-]*\).*/\1/p"; }

printf '%-8s %3s %9s %9s %6s %9s %6s %7s %8s %8s %7s %11s %9s\n' codec key fwd_fps back_fps ratio drag_fps ratio \
  nocache step_fwd step_bck s_ratio cache_bytes rss_kib
for key in 12 30; do
  if [ "$size" != footage ]; then
    "$zrvtool" make-sample "$work/k$key" --key-interval "$key" --frames "$frames" --size "$size" >/dev/null
  fi
  for codec in mpeg4 wavelet; do
    if [ "$size" = footage ]; then backup="$footage/$codec-k$key.zrv"; else backup="$work/k$key/demo-$codec.zrv"; fi
    for f in fwd back plain drag sf sb sr peak rss; do : >"$work/$f"; done
    i=0
    while [ "$i" -lt "$runs" ]; do
      # Every pass is cold: a process of its own, nothing played before it.
      bench "$backup" --forward | field fps | head -1 >>"$work/fwd"
      out=$(bench "$backup" --backward)
      echo "$out" | field fps | head -1 >>"$work/back"
      echo "$out" | field cache_peak_bytes >>"$work/peak"
      echo "$out" | field peak_resident_kib >>"$work/rss"
      bench "$backup" --drag | field fps | head -1 >>"$work/drag"
      bench "$backup" --backward --no-cache | field fps | head -1 >>"$work/plain"
      out=$(bench "$backup" --steps)
      echo "$out" | field forward_median_ms >>"$work/sf"
      echo "$out" | field backward_median_ms >>"$work/sb"
      echo "$out" | field ratio >>"$work/sr"
      i=$((i + 1))
    done
    fwd=$(median <"$work/fwd")
    back=$(median <"$work/back")
    drag=$(median <"$work/drag")
    plain=$(median <"$work/plain")
    printf '%-8s %3s %9.1f %9.1f %6.2f %9.1f %6.2f %7.2f %8.3f %8.3f %7.3f %11s %9s\n' "$codec" "$key" "$fwd" "$back" \
      "$(awk "BEGIN { print $back / $fwd }")" "$drag" "$(awk "BEGIN { print $drag / $fwd }")" \
      "$(awk "BEGIN { print $plain / $fwd }")" "$(median <"$work/sf")" "$(median <"$work/sb")" "$(median <"$work/sr")" \
      "$(sort -g "$work/peak" | tail -1)" "$(sort -g "$work/rss" | tail -1)"
  done
done
