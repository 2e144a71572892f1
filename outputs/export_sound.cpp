#include "outputs/export_sound.h"

#include "base/platform/string_printf.h"
#include "base/platform/system_dirs.h"
#include "codecs/base_acm.h"
#include "playback/engine/playback_engine.h"
#include "playback/sound/audio_path_state.h"

namespace bv {
namespace {

constexpr uint32_t kGsmBlockBytes = 65;
constexpr uint32_t kGsmBlockSamples = 320;
// Blocks decoded per call: their PCM (16 bits) stays within the decoder's
// output buffer, so no chunk loses its end however long it is.
constexpr uint32_t kBlocksPerCall = AudioPathState::kOutputBufferSize / (kGsmBlockSamples * 2);

bool SameOutputFormat(const AUDIO_HEADER& a, const AUDIO_HEADER& b) {
  return a.bitsPerSample == b.bitsPerSample && a.channels == b.channels &&
         uint32_t{a.samplesPerSecond} == uint32_t{b.samplesPerSecond};
}

}  // namespace

bool CExportSound::Decode(uint32_t recordNumber, const INDEX_RECORD& record, std::vector<uint8_t>* pcm,
                          std::string* error) {
  AUDIO_HEADER header;
  samples_.resize(record.size);
  if (!engine_.ReadAudioHeader(record, &header) || !engine_.ReadAudioSamples(record, samples_.data(), record.size)) {
    *error = StringPrintf("record %u (sound) cannot be read", recordNumber);
    return false;
  }
  const uint8_t prior = outputFormat_.compression;
  bool reopened = false;
  if (!SameOutputFormat(header, outputFormat_)) {
    outputFormat_ = header;
    reopened = true;
  }
  if (header.compression == 0) {
    const uint32_t frameBytes = uint32_t{header.bitsPerSample} / 8 * header.channels;
    pcm->assign(samples_.begin(), samples_.begin() + record.size / frameBytes * frameBytes);
    return true;
  }
  if (header.compression != prior || reopened) {
    engine_.RecreateAudioDecoder(header.channels, header.samplesPerSecond, header.bitsPerSample,
                                 header.compression);
  }
  return DecodeGsm(recordNumber, pcm, error);
}

bool CExportSound::DecodeGsm(uint32_t recordNumber, std::vector<uint8_t>* pcm, std::string* error) {
  const uint32_t blocks = static_cast<uint32_t>(samples_.size()) / kGsmBlockBytes;
  const uint32_t sampleBytes = outputFormat_.bitsPerSample / 8;
  pcm->clear();
  for (uint32_t done = 0; done < blocks;) {
    const uint32_t take = std::min(kBlocksPerCall, blocks - done);
    const uint32_t made = engine_.DecodeAudioChunk(samples_.data() + done * kGsmBlockBytes, take * kGsmBlockBytes);
    if (made != take * kGsmBlockSamples * sampleBytes) {
      const kvr_base_acm::CBase_ACM* acm = engine_.AudioState().acm.get();
      *error = acm && acm->IsBound()
                   ? StringPrintf("record %u: its GSM 6.10 sound cannot be decoded", recordNumber)
                   : StringPrintf("record %u holds GSM 6.10 sound, but %s is not in %s", recordNumber,
                                  kvr_base_acm::kZrSoundModule, SystemDirectory().c_str());
      return false;
    }
    pcm->insert(pcm->end(), engine_.AudioOutputBuffer(), engine_.AudioOutputBuffer() + made);
    done += take;
  }
  return true;
}

}  // namespace bv
