#pragma once
// CAacSoundEncoder: one continuous stream of sound (32-bit float samples,
// channels interleaved) as AAC through libavcodec's own encoder, in frames
// of the encoder's size, timed by their first sample.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;

namespace bv {

class CAacSoundEncoder {
 public:
  // Receives each packet, timed in samples; false stops the encoding.
  using PacketSink = std::function<bool(AVPacket* packet)>;

  CAacSoundEncoder() = default;
  ~CAacSoundEncoder();
  CAacSoundEncoder(const CAacSoundEncoder&) = delete;
  CAacSoundEncoder& operator=(const CAacSoundEncoder&) = delete;

  // samplesPerSecond must be one of AacSampleRate's; 1 or 2 channels.
  bool Open(uint32_t samplesPerSecond, int channels, bool globalHeader);
  const AVCodecParameters* Parameters() const { return parameters_; }

  // Appends frames sample frames (frames * channels floats) to the stream.
  bool Push(const float* interleaved, size_t frames, const PacketSink& sink);
  // Encodes what is left and ends the stream.
  bool Flush(const PacketSink& sink);
  // Sample frames pushed so far.
  int64_t Pushed() const { return pushed_; }

  const std::string& Error() const { return error_; }

  // The rate AAC carries sound of samplesPerSecond at: that rate when AAC
  // has it, else the next higher one AAC has (96 kHz at most).
  static uint32_t AacSampleRate(uint32_t samplesPerSecond);

 private:
  bool Fail(const char* what, int code);
  bool EncodeFrame(int samples, const PacketSink& sink);
  bool Drain(const PacketSink& sink);

  AVCodecContext* context_ = nullptr;
  AVCodecParameters* parameters_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  int channels_ = 0;
  int frameSize_ = 0;
  std::vector<float> waiting_;  // interleaved, less than one frame
  int64_t pushed_ = 0;
  int64_t encoded_ = 0;
  std::string error_;
};

}  // namespace bv
