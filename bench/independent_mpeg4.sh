#!/bin/sh
# zrvtool bench on a 704 x 576 MPEG-4 backup that the project did not write:
# ffmpeg encodes the benchmark scene (bench/scene.sh, the one the benchmark
# footage is made of) at 2 Mbit/s with a key frame every 30,
# the independent fixture writer wraps the stream into a container, and in
# the same run ffmpeg decodes the same stream single-threaded into 24-bit
# B, G, R as the reference. Each figure is the median of RUNS runs, the two
# decoders taking turns.
#   bench/independent_mpeg4.sh BUILD_DIR [FRAMES] [RUNS]
set -eu
build=${1:?usage: independent_mpeg4.sh BUILD_DIR [FRAMES] [RUNS]}
frames=${2:-600}
runs=${3:-3}
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

: >"$work/ours"; : >"$work/ref"
i=0
while [ "$i" -lt "$runs" ]; do
  out=$("$zrvtool" bench "$work/same.zrv")
  decoded=$(echo "$out" | field frames)
  refused=$(echo "$out" | field refused)
  [ "$decoded" = "$frames" ] && [ "$refused" = "0" ] || { echo "zrvtool bench: $out" >&2; exit 1; }
  echo "$out" | field fps | head -1 >>"$work/ours"
  start=$(date +%s.%N)
  ffmpeg -v error -threads 1 -i "$work/same.m4v" -pix_fmt bgr24 -f null -
  end=$(date +%s.%N)
  echo "$frames $start $end" | awk '{ printf "%.2f\n", $1 / ($3 - $2) }' >>"$work/ref"
  i=$((i + 1))
done
ours=$(median <"$work/ours")
ref=$(median <"$work/ref")
kbits=$(wc -c <"$work/same.m4v" | awk -v f="$frames" '{ printf "%.0f", $1 * 8 * 25 / f / 1000 }')
printf '704x576 %s kbit/s  frames %s  zrvtool bench %s fps  ffmpeg -threads 1 %s fps  ratio %s\n' "$kbits" "$frames" "$ours" "$ref" \
  "$(echo "$ours $ref" | awk '{ printf "%.2f", $1 / $2 }')"
