#pragma once
// CSoundOutput: the playback engine's sound output. Opens the wave-out stream
// primed with silence, feeds it the samples of each second, and closes it.
// Runs on the playback thread.
#include <cstdint>
#include <memory>

#include "playback/wave_out_stream.h"

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

  // Already open: empties the ring. Otherwise opens the stream, empties the
  // ring, queues eight blocks of silence and starts buffering; when the
  // stream cannot be opened, shows "Cannot Open Sound Device!" and stays
  // closed.
  void Open(uint32_t samplesPerSecond, uint16_t bitsPerSample);
  void Close();
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
  std::unique_ptr<CWaveOutStream> stream_;
  bool opened_ = false;
};

}  // namespace bv
