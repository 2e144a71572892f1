#include "playback/engine/kept_pictures.h"

namespace bv {

void CKeptPictures::SetEnabled(bool enabled) {
  enabled_ = enabled;
  cache_.Clear();
}

std::optional<uint32_t> CKeptPictures::DecoderAt(int codec) const {
  return Known(codec) ? decoderAt_[codec] : std::nullopt;
}

void CKeptPictures::DecoderNowAt(int codec, uint32_t record) {
  if (Known(codec)) decoderAt_[codec] = record;
}

void CKeptPictures::DecoderMoved(int codec) {
  if (Known(codec)) decoderAt_[codec].reset();
}

void CKeptPictures::ShownFromCache(int codec, uint32_t record) {
  ++shown_;
  if (Known(codec)) decoderBehind_[codec] = record;
}

std::optional<uint32_t> CKeptPictures::TakeDecoderBehind(int codec) {
  if (!Known(codec)) return std::nullopt;
  const std::optional<uint32_t> behind = decoderBehind_[codec];
  decoderBehind_[codec].reset();
  return behind;
}

void CKeptPictures::DecoderRestarted(int codec) {
  if (Known(codec)) decoderBehind_[codec].reset();
}

uint32_t CKeptPictures::CatchUpStart(int codec, uint32_t key, uint32_t end) const {
  const std::optional<uint32_t> at = DecoderAt(codec);
  return enabled_ && at && *at >= key && *at < end ? *at + 1 : key;
}

void CKeptPictures::Forget() {
  cache_.Clear();
  for (auto& at : decoderAt_) at.reset();
  for (auto& behind : decoderBehind_) behind.reset();
}

}  // namespace bv
