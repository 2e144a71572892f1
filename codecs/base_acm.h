#pragma once
// kvr_base_acm::CBase_ACM: the viewer's handle on the audio compression
// decoder of the "Zr_Sound.dll" module (GSM 6.10, wave format tag 0x31). The
// module is loaded from the system directory at the first call; while it is
// missing every call fails cleanly (false or 0 bytes) and the next call looks
// for it again.
#include <string>

#include "codecs/module_abi.h"

namespace kvr_base_acm {

inline constexpr const char* kZrSoundModule = "Zr_Sound.dll";
inline constexpr unsigned short kGsm610FormatTag = 0x31;

class CBase_ACM {
 public:
  explicit CBase_ACM(std::string moduleFile = kZrSoundModule);
  ~CBase_ACM();
  CBase_ACM(const CBase_ACM&) = delete;
  CBase_ACM& operator=(const CBase_ACM&) = delete;

  // Prepares decoding of compressed sound (formatTag) into PCM of the given
  // rate and bits, one channel.
  bool ACM_Create(unsigned short channels, unsigned long samplesPerSecond, unsigned short bitsPerSample,
                  unsigned short formatTag);
  // Decodes input into at most outputCapacity bytes of PCM; returns the bytes
  // written (0 before a successful ACM_Create or without the module).
  unsigned long ACM_Decode(unsigned char* input, unsigned long inputLength, unsigned char* output,
                           unsigned long outputCapacity);
  // Ends decoding; ACM_Create may follow again.
  void ACM_Destroy();

  // Whether the module was found and its decoder object made.
  bool IsBound() const { return object_ != nullptr; }

 private:
  bool Bind();

  std::string moduleFile_;
  void* object_ = nullptr;
  AcmDestroyObjectFn deleteObject_ = nullptr;
  AcmCreateFn create_ = nullptr;
  AcmDecodeFn decode_ = nullptr;
  AcmDestroyFn destroy_ = nullptr;
};

}  // namespace kvr_base_acm
