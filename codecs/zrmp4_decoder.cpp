#include "codecs/zrmp4_decoder.h"

#include "codecs/codec_module.h"

namespace bv {

namespace {
constexpr const char* kModuleFile = "ZRMP4.dll";
}  // namespace

CZRMP4Decoder::~CZRMP4Decoder() {
  if (instance_ && destroy_) destroy_(instance_);
}

bool CZRMP4Decoder::EnsureInstance() {
  if (instance_) return true;
  // Looked for again at every call until it is there: the module may be
  // deployed after the decoder object was created.
  CCodecModule* module = CCodecModule::Load(kModuleFile);
  if (!module) return false;
  const auto create = module->Function<Mpeg4CreateFn>(kMpeg4CreateSymbol);
  const auto decode = module->Function<Mpeg4DecodeFn>(kMpeg4DecodeSymbol);
  const auto destroy = module->Function<Mpeg4DestroyFn>(kMpeg4DestroySymbol);
  if (!create || !decode || !destroy) return false;
  instance_ = create();
  if (!instance_) return false;
  decode_ = decode;
  decodeBottomUp_ = module->Function<Mpeg4DecodeFn>(kMpeg4DecodeBottomUpSymbol);
  decodePlanar_ = module->Function<Mpeg4DecodeFn>(kMpeg4DecodePlanarSymbol);
  destroy_ = destroy;
  return true;
}

int CZRMP4Decoder::Decode(uint8_t* payload, uint8_t* out, int rgb, int arg4, void* arg5, uint32_t payloadSize) {
  if (!EnsureInstance()) return -1;
  return decode_(instance_, payload, out, rgb, arg4, arg5, payloadSize);
}

bool CZRMP4Decoder::WritesBottomUp() { return EnsureInstance() && decodeBottomUp_; }

int CZRMP4Decoder::DecodeBottomUp(uint8_t* payload, uint8_t* out, uint32_t payloadSize) {
  if (!WritesBottomUp()) return -1;
  return decodeBottomUp_(instance_, payload, out, 1, 0, nullptr, payloadSize);
}

bool CZRMP4Decoder::WritesPlanes() { return EnsureInstance() && decodePlanar_; }

int CZRMP4Decoder::DecodePlanar(uint8_t* payload, uint8_t* out, uint32_t payloadSize) {
  if (!WritesPlanes()) return -1;
  return decodePlanar_(instance_, payload, out, 1, 0, nullptr, payloadSize);
}

}  // namespace bv
