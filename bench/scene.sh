# The benchmark scene, sourced by the scripts in bench/: 704 x 576 at 25
# frames a second, as a recorder's camera sees it. A still, detailed
# background (a fractal's fine texture, a test card's sharp edges and text,
# a grid of window frames), a textured object crossing it, a busy corner (a
# cellular automaton and a small playing test card, like a screen in view),
# and temporal sensor noise. Every source has a fixed seed, so each run
# gives the same pictures.
#
#   scene_rgb FRAMES    writes FRAMES raw 24-bit R, G, B pictures to stdout
#   SCENE_GRAPH         the lavfi graph itself, for `ffmpeg -f lavfi -i`

SCENE_WIDTH=704
SCENE_HEIGHT=576
SCENE_FPS=25
SCENE_GRAPH="\
mandelbrot=s=704x576:r=25:start_scale=0.3:end_scale=0.3:start_x=-0.7436:start_y=0.1318:outer=normalized_iteration_count,\
trim=end_frame=1,loop=loop=-1:size=1,setpts=N/25/TB,format=rgb24[fractal];\
testsrc2=s=352x288:r=25,trim=end_frame=1,loop=loop=-1:size=1,setpts=N/25/TB,format=rgb24[card];\
[fractal][card]overlay=x=24:y=260,drawgrid=x=400:y=20:w=64:h=52:t=2:c=0xd8d8d0@0.9,hue=s=0.5,\
noise=alls=3:allf=u:all_seed=7[still];\
testsrc=s=112x168:r=25,hue=s=0.6[walker];\
life=s=200x150:r=25:seed=11:ratio=0.25:mold=12:life_color=0xe0e0d0:death_color=0x303838:mold_color=0x605048[busy];\
testsrc2=s=160x120:r=25[screen];\
[still][walker]overlay=x='mod(t*96\,880)-140':y=330:eof_action=endall[a];\
[a][busy]overlay=x=480:y=400[b];\
[b][screen]overlay=x=40:y=40,noise=alls=3:allf=t:all_seed=3,format=rgb24"

scene_rgb() {
  ffmpeg -v error -nostdin -f lavfi -i "$SCENE_GRAPH" -frames:v "$1" -f rawvideo -pix_fmt rgb24 -
}
