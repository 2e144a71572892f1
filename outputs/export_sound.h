#pragma once
// CExportSound: an audio record as the PCM the viewer hands its sound output:
// PCM samples as stored, GSM 6.10 through the engine's audio decoder (the
// "Zr_Sound.dll" module), restarted where the viewer's audio path restarts
// it, so the exported sound is the sound the viewer plays.
#include <cstdint>
#include <string>
#include <vector>

#include "base/format/audio_header.h"
#include "base/format/index_record.h"

namespace bv {

class CPlaybackEngine;

class CExportSound {
 public:
  explicit CExportSound(CPlaybackEngine& engine) : engine_(engine) {}

  // Whole sample frames only (GSM: whole 65-byte blocks). False, with the
  // reason, when the record cannot be read or its GSM data not decoded.
  bool Decode(uint32_t recordNumber, const INDEX_RECORD& record, std::vector<uint8_t>* pcm, std::string* error);

 private:
  bool DecodeGsm(uint32_t recordNumber, std::vector<uint8_t>* pcm, std::string* error);

  CPlaybackEngine& engine_;
  // The format the viewer's sound output would have been opened with: the
  // decoder restarts when it changes, or when the chunk's compression
  // differs from the one of the chunk that opened the output.
  AUDIO_HEADER outputFormat_{};
  std::vector<uint8_t> samples_;
};

}  // namespace bv
