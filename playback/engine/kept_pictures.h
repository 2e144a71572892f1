#pragma once
// CKeptPictures: the pictures kept from catch-ups, and where each codec's
// decoder stands, so that a frame shown out of sequence (a step back, a
// drag, backward play) costs no more decodes than playing forward would.
//
// The contract the engine's decode keeps with it:
// - Enabled(): whether pictures are kept and looked for at all. Off, every
//   catch-up starts at its key frame and no picture is found.
// - DecoderAt(codec): the record the codec's decoder stands at, having
//   decoded every frame from its key frame on, as a catch-up to that record
//   does; unknown after any other decode (DecoderMoved).
// - DecoderBehind (ShownFromCache, TakeDecoderBehind): the record whose
//   picture came from the cache last while the decoder stayed elsewhere. The
//   engine without kept pictures would have its decoder there, so a decode
//   that builds on the decoder's state first brings it there; a key frame
//   starts the decoder afresh and needs nothing (DecoderRestarted).
// - Forget(): nothing kept or found, every position unknown (another backup,
//   presentation or picture size). A kept picture still on show stays
//   untouched until another picture is shown.
// Codecs outside the codec table have no position: asked, they answer
// unknown; told, nothing changes.
#include <array>
#include <cstdint>
#include <optional>

#include "base/format/codec_table.h"
#include "playback/engine/decoded_picture_cache.h"

namespace bv {

class CKeptPictures {
 public:
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  CDecodedPictureCache& Cache() { return cache_; }
  const CDecodedPictureCache& Cache() const { return cache_; }

  std::optional<uint32_t> DecoderAt(int codec) const;
  void DecoderNowAt(int codec, uint32_t record);
  void DecoderMoved(int codec);

  // A kept picture of record is shown; the decoder stays where it is.
  void ShownFromCache(int codec, uint32_t record);
  // Where the decoder should be before building on its state, once.
  std::optional<uint32_t> TakeDecoderBehind(int codec);
  void DecoderRestarted(int codec);
  // Pictures shown from the cache since the engine was made.
  uint64_t ShownCount() const { return shown_; }

  // Where a catch-up from the key frame at key to the record before end
  // starts: after the record the decoder stands at when that lies in
  // between (a step forward continues from the frame shown), else at the
  // key frame; always at the key frame while disabled.
  uint32_t CatchUpStart(int codec, uint32_t key, uint32_t end) const;

  void Forget();

 private:
  static bool Known(int codec) { return codec >= 0 && codec < kCodecCount; }

  CDecodedPictureCache cache_;
  bool enabled_ = true;
  uint64_t shown_ = 0;
  std::array<std::optional<uint32_t>, kCodecCount> decoderAt_;
  std::array<std::optional<uint32_t>, kCodecCount> decoderBehind_;
};

}  // namespace bv
