#pragma once
// GSM 6.10 in the WAV49 framing of wave format 0x31: each 65-byte block holds
// two 160-sample frames (32.5 bytes each), 320 samples in all. Decodes whole
// blocks into mono PCM of 8 bits (unsigned) or 16 bits (signed,
// little-endian) at the rate the stream declares.
#include <cstdint>

struct gsm_state;

namespace zr_sound {

class CGsm610Decoder {
 public:
  static constexpr unsigned short kFormatTag = 0x31;
  static constexpr unsigned long kBlockBytes = 65;
  static constexpr unsigned long kSamplesPerBlock = 320;

  CGsm610Decoder() = default;
  ~CGsm610Decoder();
  CGsm610Decoder(const CGsm610Decoder&) = delete;
  CGsm610Decoder& operator=(const CGsm610Decoder&) = delete;

  // Starts a fresh decoder. Refuses anything but one channel, a rate above
  // zero, 8 or 16 bits and format tag 0x31.
  bool Create(unsigned short channels, unsigned long samplesPerSecond, unsigned short bitsPerSample,
              unsigned short formatTag);
  // Decodes the whole blocks of input that fit into outputCapacity; a
  // trailing partial block is left alone. Returns the bytes written.
  unsigned long Decode(const unsigned char* input, unsigned long inputLength, unsigned char* output,
                       unsigned long outputCapacity);
  void Destroy();

 private:
  gsm_state* gsm_ = nullptr;
  unsigned short bitsPerSample_ = 16;
};

}  // namespace zr_sound
