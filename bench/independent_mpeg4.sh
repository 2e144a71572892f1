#!/bin/sh
# zrvtool bench on a 704 x 576 MPEG-4 backup that the project did not write:
# ffmpeg encodes the benchmark scene (bench/scene.sh, the one the benchmark
# footage is made of) at 2 Mbit/s with a key frame every 30,
# the independent fixture writer wraps the stream into a container, and in
# the same run ffmpeg decodes the same stream single-threaded into 24-bit
# B, G, R as the reference, and without any conversion as the floor (the
# library's own decode). ffmpeg's times are its own -benchmark real time, the
# decode without the process's start-up, which favours the reference. Each
# figure is the median of RUNS runs, the decoders taking turns.
#   bench/independent_mpeg4.sh BUILD_DIR [FRAMES] [RUNS]
set -eu
build=${1:?usage: independent_mpeg4.sh BUILD_DIR [FRAMES] [RUNS]}
frames=${2:-600}
runs=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
zrvtool="$build/tools/zrvtool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
field() { sed -n "s/.*\"$1\":\([0-9.e+-]*\).*/\1/p"; }

. "$here/scene.sh"
ffmpeg -v error -nostdin -y -f lavfi -i "$SCENE_GRAPH" -frames:v "$frames" \
  -c:v mpeg4 -threads 1 -b:v 2M -g 30 -bf 0 -pix_fmt yuv420p -f m4v "$work/same.m4v"
python3 "$here/../tests/fixtures/make_fixtures.py" --wrap-mpeg4 "$work/same.m4v" 704 576 "$work/same.zrv" >/dev/null

: >"$work/ours"; : >"$work/ref"; : >"$work/floor"
# ffmpeg's "bench: ... rtime=S" as frames a second.
ffmpeg_fps() {
  ffmpeg -nostdin -benchmark -threads 1 -i "$work/same.m4v" "$@" -f null - 2>&1 |
    sed -n 's/.*rtime=\([0-9.]*\)s.*/\1/p' | awk -v f="$frames" '{ printf "%.2f\n", f / $1 }'
}
i=0
while [ "$i" -lt "$runs" ]; do
  out=$("$zrvtool" bench "$work/same.zrv")
  decoded=$(echo "$out" | field frames)
  refused=$(echo "$out" | field refused)
  [ "$decoded" = "$frames" ] && [ "$refused" = "0" ] || { echo "zrvtool bench: $out" >&2; exit 1; }
  echo "$out" | field fps | head -1 >>"$work/ours"
  ffmpeg_fps -pix_fmt bgr24 >>"$work/ref"
  ffmpeg_fps >>"$work/floor"
  i=$((i + 1))
done
ours=$(median <"$work/ours")
ref=$(median <"$work/ref")
floor=$(median <"$work/floor")
kbits=$(wc -c <"$work/same.m4v" | awk -v f="$frames" '{ printf "%.0f", $1 * 8 * 25 / f / 1000 }')
printf '704x576 %s kbit/s  frames %s  zrvtool bench %s fps  ffmpeg -threads 1 -pix_fmt bgr24 %s fps  ratio %s' \
  "$kbits" "$frames" "$ours" "$ref" "$(echo "$ours $ref" | awk '{ printf "%.2f", $1 / $2 }')"
printf '  (floor, no conversion: %s fps, %s of it)\n' "$floor" "$(echo "$ours $floor" | awk '{ printf "%.2f", $1 / $2 }')"
