#include "codecs/base_acm.h"

#include "codecs/codec_module.h"

namespace kvr_base_acm {

CBase_ACM::CBase_ACM(std::string moduleFile) : moduleFile_(std::move(moduleFile)) {}

CBase_ACM::~CBase_ACM() {
  if (object_) deleteObject_(object_);
}

bool CBase_ACM::Bind() {
  if (object_) return true;
  const bv::CCodecModule* module = bv::CCodecModule::Load(moduleFile_);
  if (!module) return false;
  const auto newObject = module->Function<AcmCreateObjectFn>(kAcmCreateObjectSymbol);
  deleteObject_ = module->Function<AcmDestroyObjectFn>(kAcmDestroyObjectSymbol);
  create_ = module->Function<AcmCreateFn>(kAcmCreateSymbol);
  decode_ = module->Function<AcmDecodeFn>(kAcmDecodeSymbol);
  destroy_ = module->Function<AcmDestroyFn>(kAcmDestroySymbol);
  if (!newObject || !deleteObject_ || !create_ || !decode_ || !destroy_) return false;
  object_ = newObject();
  return object_ != nullptr;
}

bool CBase_ACM::ACM_Create(unsigned short channels, unsigned long samplesPerSecond, unsigned short bitsPerSample,
                           unsigned short formatTag) {
  if (!Bind()) return false;
  return create_(object_, channels, samplesPerSecond, bitsPerSample, formatTag) != 0;
}

unsigned long CBase_ACM::ACM_Decode(unsigned char* input, unsigned long inputLength, unsigned char* output,
                                    unsigned long outputCapacity) {
  if (!object_ || !input || !output) return 0;
  return decode_(object_, input, inputLength, output, outputCapacity);
}

void CBase_ACM::ACM_Destroy() {
  if (object_) destroy_(object_);
}

}  // namespace kvr_base_acm
