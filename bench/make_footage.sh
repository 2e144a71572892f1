#!/bin/sh
# The benchmark footage: the scene of bench/scene.sh, FRAMES pictures of
# 704 x 576 at 25 frames a second, as the codecs a recorder writes:
#   mpeg4-k30.m4v, mpeg4-k12.m4v  ffmpeg's MPEG-4 Part 2 at 2 Mbit/s, no
#                                 B-frames, a key frame every 30 / 12, VOL
#                                 headers before each key frame
#   mpeg4-k30.zrv, mpeg4-k12.zrv  those streams wrapped one VOP per record
#   mjpg.zrv                      libjpeg-turbo baseline 4:2:0, quality 85
#   wavelet-k30.zrv, wavelet-k12.zrv  the Wavelet encoder, its own quality
# The containers are written by `zrvtool wrap` (ZRVTOOL, or the build in
# ./build). Nothing is made again when OUT_DIR already holds a complete set
# of FRAMES frames; the summary is printed either way.
#   bench/make_footage.sh OUT_DIR [FRAMES]
set -eu
out=${1:?usage: make_footage.sh OUT_DIR [FRAMES]}
frames=${2:-300}
here=$(cd "$(dirname "$0")" && pwd)
zrvtool=${ZRVTOOL:-$here/../build/tools/zrvtool}
. "$here/scene.sh"
size="${SCENE_WIDTH}x$SCENE_HEIGHT"
stamp="$out/complete-$frames.txt"
files="mpeg4-k30.m4v mpeg4-k30.zrv mpeg4-k12.m4v mpeg4-k12.zrv mjpg.zrv wavelet-k30.zrv wavelet-k12.zrv"

complete() {
  [ -f "$stamp" ] || return 1
  for f in $files; do [ -s "$out/$f" ] || return 1; done
}
if complete; then
  cat "$stamp"
  exit 0
fi
[ -x "$zrvtool" ] || { echo "make_footage.sh: no zrvtool at $zrvtool (set ZRVTOOL)" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/complete-*.txt

field() { sed -n "s/.*\"$1\":\([0-9.e+-]*\).*/\1/p"; }
fail() { echo "make_footage.sh: $*" >&2; exit 1; }
summary="$out/.summary"
printf '%-16s %6s %6s %12s %10s\n' file frames keys bytes/frame kbit/s >"$summary"
# One line of the summary from a file's size, or from zrvtool wrap's JSON.
line() {
  printf '%-16s %6s %6s %12.0f %10.0f\n' "$1" "$2" "$3" "$4" "$(awk "BEGIN { print $4 * 8 * $SCENE_FPS / 1000 }")" \
    >>"$summary"
}

# MPEG-4: both key intervals from one pass over the scene.
scene_rgb "$frames" | ffmpeg -v error -nostdin -y -f rawvideo -pix_fmt rgb24 -s "$size" -r "$SCENE_FPS" -i - \
  -c:v mpeg4 -threads 1 -b:v 2M -g 30 -bf 0 -pix_fmt yuv420p -f m4v "$out/mpeg4-k30.m4v" \
  -c:v mpeg4 -threads 1 -b:v 2M -g 12 -bf 0 -pix_fmt yuv420p -f m4v "$out/mpeg4-k12.m4v"
for key in 30 12; do
  json=$("$zrvtool" wrap "$out/mpeg4-k$key.zrv" --size "$size" --fps "$SCENE_FPS" --mpeg4 "$out/mpeg4-k$key.m4v")
  records=$(echo "$json" | field records)
  keys=$(echo "$json" | field key_frames)
  [ "$records" = "$frames" ] || fail "mpeg4-k$key.m4v holds $records VOPs, not $frames"
  # The backups need the VOL with every key VOP: ffmpeg's m4v output repeats it.
  [ "$(echo "$json" | field keys_without_vol)" = 0 ] || fail "mpeg4-k$key.m4v: key frames without a VOL: $json"
  [ "$keys" = $(((frames + key - 1) / key)) ] || fail "mpeg4-k$key.m4v: $keys key frames"
  line "mpeg4-k$key.m4v" "$records" "$keys" "$(wc -c <"$out/mpeg4-k$key.m4v" | awk -v n="$records" '{ print $1 / n }')"
  line "mpeg4-k$key.zrv" "$records" "$keys" "$(echo "$json" | field mean_payload_bytes)"
done

wrap_raw() {
  name=$1
  shift
  json=$(scene_rgb "$frames" | "$zrvtool" wrap "$out/$name" --size "$size" --fps "$SCENE_FPS" "$@")
  [ "$(echo "$json" | field records)" = "$frames" ] || fail "$name: $json"
  line "$name" "$frames" "$(echo "$json" | field key_frames)" "$(echo "$json" | field mean_payload_bytes)"
}
wrap_raw mjpg.zrv --mjpg - --quality 85
wrap_raw wavelet-k30.zrv --wavelet - --key-interval 30
wrap_raw wavelet-k12.zrv --wavelet - --key-interval 12

mv "$summary" "$stamp"
cat "$stamp"
