#include "codecs/zr_sound/gsm610_decoder.h"

#include <gsm.h>

namespace zr_sound {

CGsm610Decoder::~CGsm610Decoder() { Destroy(); }

bool CGsm610Decoder::Create(unsigned short channels, unsigned long samplesPerSecond, unsigned short bitsPerSample,
                            unsigned short formatTag) {
  Destroy();
  if (channels != 1 || samplesPerSecond == 0 || formatTag != kFormatTag) return false;
  if (bitsPerSample != 8 && bitsPerSample != 16) return false;
  gsm_ = gsm_create();
  if (!gsm_) return false;
  int wav49 = 1;
  gsm_option(gsm_, GSM_OPT_WAV49, &wav49);
  bitsPerSample_ = bitsPerSample;
  return true;
}

void CGsm610Decoder::Destroy() {
  if (gsm_) gsm_destroy(gsm_);
  gsm_ = nullptr;
}

unsigned long CGsm610Decoder::Decode(const unsigned char* input, unsigned long inputLength, unsigned char* output,
                                     unsigned long outputCapacity) {
  if (!gsm_ || !input || !output) return 0;
  const unsigned long blockOutput = kSamplesPerBlock * (bitsPerSample_ / 8);
  unsigned long written = 0;
  gsm_signal pcm[kSamplesPerBlock];
  for (unsigned long read = 0; inputLength - read >= kBlockBytes && outputCapacity - written >= blockOutput;
       read += kBlockBytes) {
    // The library reads but does not write its input; its interface is not
    // const-qualified.
    gsm_byte* block = const_cast<gsm_byte*>(input + read);
    // The first frame ends in the low half of byte 32; the second starts in
    // its high half, which the library carries over between the two calls.
    if (gsm_decode(gsm_, block, pcm) != 0 || gsm_decode(gsm_, block + 33, pcm + 160) != 0) break;
    unsigned char* out = output + written;
    for (unsigned long i = 0; i < kSamplesPerBlock; ++i) {
      const uint16_t sample = static_cast<uint16_t>(pcm[i]);
      if (bitsPerSample_ == 8) {
        out[i] = static_cast<unsigned char>((sample >> 8) ^ 0x80);
      } else {
        out[2 * i] = static_cast<unsigned char>(sample & 0xFF);
        out[2 * i + 1] = static_cast<unsigned char>(sample >> 8);
      }
    }
    written += blockOutput;
  }
  return written;
}

}  // namespace zr_sound
