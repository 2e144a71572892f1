#pragma once
// CSoundOutput: the playback engine's sound output. Opens the wave-out stream
// primed with silence, feeds it the samples of each second, and closes it.
// Runs on the playback thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "playback/sound/wave_out_stream.h"

namespace bv {

class IViewerHost;
class ITickClock;

class CSoundOutput {
 public:
  // Messages go to host; the pause after each push sleeps on clock.
  CSoundOutput(IViewerHost& host, ITickClock& clock);
  ~CSoundOutput();
  CSoundOutput(const CSoundOutput&) = delete;
  CSoundOutput& operator=(const CSoundOutput&) = delete;

  // Already open in this format: empties the ring. Otherwise (closing an
  // output open in another format first) opens the stream, empties the
  // ring, queues eight blocks of silence and starts buffering; when the
  // stream cannot be opened, shows "Cannot Open Sound Device!" and stays
  // closed.
  void Open(uint32_t samplesPerSecond, uint16_t bitsPerSample);
  // Silences the output at once. The device itself is closed on a thread
  // of its own: closing waits for the device's buffers to drain (over
  // 100 ms), which a stop command must not wait for. The next Open waits
  // for that close, so that two devices are never open at once.
  void Close();
  // Waits for a device that Close let go to be closed, unless interrupted()
  // says to give up first: false then.
  bool WaitForClosing(const std::function<bool()>& interrupted);
  // Writes the bytes into the ring. Returns false when the ring has no room
  // for them (they are dropped); true when written, and also when the output
  // is closed (nothing happens then).
  bool Push(const uint8_t* data, uint32_t length);

  bool IsOpen() const { return opened_; }
  CWaveOutStream& Stream() { return *stream_; }
  const CWaveOutStream& Stream() const { return *stream_; }

 private:
  IViewerHost& host_;
  ITickClock& clock_;
  void FinishClosing();

  std::unique_ptr<CWaveOutStream> stream_;
  std::thread closing_;  // closes the stream Close let go
  std::atomic<bool> closed_{true};  // that stream is closed
  bool opened_ = false;
  uint32_t samplesPerSecond_ = 0;
  uint16_t bitsPerSample_ = 0;
};

}  // namespace bv
