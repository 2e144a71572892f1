#pragma once
// CH264PictureEncoder: composed pictures (32-bit B, G, R, padding rows, as a
// QImage of Format_RGB32 holds them) as H.264 through libavcodec's libx264,
// in 4:2:0 with the BT.601 matrix that standard-definition video uses. Each
// picture carries its own time and duration in milliseconds, so the stream
// plays at the pace the pictures were recorded at, not at a fixed rate.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace bv {

class CH264PictureEncoder {
 public:
  // Receives each packet, timed in milliseconds; false stops the encoding.
  using PacketSink = std::function<bool(AVPacket* packet)>;

  CH264PictureEncoder() = default;
  ~CH264PictureEncoder();
  CH264PictureEncoder(const CH264PictureEncoder&) = delete;
  CH264PictureEncoder& operator=(const CH264PictureEncoder&) = delete;

  // width and height even. framesPerSecond is the average rate, which the
  // encoder's rate control and key-frame spacing (about every two seconds)
  // go by. globalHeader: the configuration goes into the stream parameters
  // (as MP4 needs).
  bool Open(int width, int height, double framesPerSecond, bool globalHeader);
  const AVCodecParameters* Parameters() const { return parameters_; }

  // One picture of width x height; rows stride bytes apart.
  bool Encode(const uint8_t* bgrx, int stride, int64_t ptsMs, int64_t durationMs, const PacketSink& sink);
  // The pictures the encoder still holds.
  bool Flush(const PacketSink& sink);

  const std::string& Error() const { return error_; }

  // The quality the presentation is encoded at (x264's constant rate
  // factor) and the speed preset.
  static constexpr const char* kRateFactor = "18";
  static constexpr const char* kPreset = "veryfast";

 private:
  bool Fail(const char* what, int code);
  bool Drain(const PacketSink& sink);

  AVCodecContext* context_ = nullptr;
  AVCodecParameters* parameters_ = nullptr;
  AVFrame* picture_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* scaler_ = nullptr;
  // Durations by pts, given to the packets as they come out (possibly in
  // another order).
  std::map<int64_t, int64_t> durations_;
  std::string error_;
};

}  // namespace bv
