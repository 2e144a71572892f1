// Sound: the first input byte picks either the GSM 6.10 decoder of the
// Zr_Sound module on its own (rate u32 and bits u16 for the decoder, then
// chunks as length u16 + bytes), or a backup in the records format
// (fuzz_support.h) played forward so the engine gathers each second's audio
// and decodes it through the module.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/base_acm.h"
#include "fuzz/fuzz_support.h"
#include "playback/sound/audio_path_state.h"

using namespace bv;

namespace {

void DecodeChunks(fuzz::InputReader& input) {
  kvr_base_acm::CBase_ACM acm;
  const uint32_t rate = input.U32();
  const uint16_t bits = input.U16();
  if (!acm.ACM_Create(1, rate, bits, kvr_base_acm::kGsm610FormatTag)) return;
  std::vector<uint8_t> output(AudioPathState::kOutputBufferSize);
  for (int i = 0; i < 16 && !input.AtEnd(); ++i) {
    const std::span<const uint8_t> chunk = input.Bytes(input.U16());
    // The decoder gets exactly the chunk; a copy so that reading past it is caught.
    std::vector<uint8_t> samples(chunk.begin(), chunk.end());
    acm.ACM_Decode(samples.data(), samples.size(), output.data(), output.size());
  }
  acm.ACM_Destroy();
}

void PlayBackup(fuzz::InputReader& input) {
  const CBackupWriter backup = fuzz::BuildBackup(input);
  if (backup.Count() == 0) return;
  const std::string path = fuzz::ProcessTempDir() + "sound.zrv";
  fuzz::WriteWholeFile(path, backup.ContainerBytes());
  fuzz::HeadlessViewer& viewer = fuzz::SharedViewer();
  viewer.controller.SetSelfContained(false);
  if (viewer.controller.OpenBackup(path, false)) fuzz::StepThroughBackup(viewer, fuzz::kMaxBuiltRecords);
  viewer.controller.ResetViewer();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseBuildEnvironment();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  if (input.U8() & 1) {
    PlayBackup(input);
  } else {
    DecodeChunks(input);
  }
  return 0;
}
