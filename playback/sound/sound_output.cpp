#include "playback/sound/sound_output.h"

#include "base/host/control_ids.h"
#include "base/host/viewer_host.h"
#include "base/platform/tick_clock.h"

namespace bv {

CSoundOutput::CSoundOutput(IViewerHost& host, ITickClock& clock)
    : host_(host), clock_(clock), stream_(std::make_unique<CWaveOutStream>()) {}

CSoundOutput::~CSoundOutput() {
  Close();
  FinishClosing();
}

void CSoundOutput::FinishClosing() {
  if (closing_.joinable()) closing_.join();
}

bool CSoundOutput::WaitForClosing(const std::function<bool()>& interrupted) {
  while (!closed_) {
    if (interrupted()) return false;
    clock_.Sleep(1);
  }
  FinishClosing();
  return true;
}

void CSoundOutput::Open(uint32_t samplesPerSecond, uint16_t bitsPerSample) {
  if (opened_ && samplesPerSecond == samplesPerSecond_ && bitsPerSample == bitsPerSample_) {
    stream_->ResetRing();
    return;
  }
  Close();
  FinishClosing();
  if (!stream_->Open(samplesPerSecond, bitsPerSample)) {
    host_.ShowMessage(kSoundDeviceError);
    return;
  }
  stream_->ResetRing();
  stream_->Prime();
  stream_->Start();
  opened_ = true;
  samplesPerSecond_ = samplesPerSecond;
  bitsPerSample_ = bitsPerSample;
}

void CSoundOutput::Close() {
  if (!opened_) return;
  // Blocks queued from now on are silence.
  stream_->Stop();
  FinishClosing();
  closed_ = false;
  closing_ = std::thread([this, stream = std::move(stream_)] {
    stream->Close();
    closed_ = true;
  });
  stream_ = std::make_unique<CWaveOutStream>();
  opened_ = false;
}

bool CSoundOutput::Push(const uint8_t* data, uint32_t length) {
  if (!opened_) return true;
  if (!stream_->Write(data, length)) return false;
  // Gives the device thread a moment between the chunks of a second.
  clock_.Sleep(1);
  return true;
}

}  // namespace bv
