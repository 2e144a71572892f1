// CPlaybackEngine's catch-up: a frame shown out of sequence (stepped to,
// dragged to, played backward) is decoded from the nearest earlier key
// frame, the pictures on the way kept (CKeptPictures) so that stepping back
// through the group shows them without decoding it again.
#include <algorithm>
#include <optional>

#include "base/format/codec_table.h"
#include "base/platform/streaming_copy.h"
#include "playback/engine/planar_picture.h"
#include "playback/engine/playback_controller.h"
#include "playback/engine/playback_engine.h"

namespace bv {
namespace {

// How far back the catch-up looks for a key frame.
constexpr uint32_t kCatchUpSearchDepth = 99;

}  // namespace

// The 24-bit MPEG-4 pictures a catch-up keeps are kept as the decoder's
// 4:2:0 planes where the module writes them: half the bytes of the 24-bit
// picture, so that the kept pictures stay in the processor's cache, and the
// picture is converted once, when it is shown.
CachedPictureFormat CPlaybackEngine::KeptFormat(int codec, int width, int height, bool rgb) const {
  CachedPictureFormat format{width, height, rgb};
  format.planar = rgb && codec == kCodecMPEG4 && width % 2 == 0 && height % 2 == 0 && mpeg4Decoder_ &&
                  mpeg4Decoder_->WritesPlanes();
  return format;
}

// DecodePayload of an MPEG-4 frame for the DIB presentation, its planes kept
// in the cache on the way.
bool CPlaybackEngine::DecodeMpeg4Kept(uint32_t record, const CachedPictureFormat& format) {
  kept_.DecoderMoved(kCodecMPEG4);
  if (!PictureFitsBuffers()) return false;
  uint8_t* room = kept_.Cache().Reserve(record, format);
  if (!room) return DecodeMpeg4(true);
  const int result = mpeg4Decoder_->DecodePlanar(readBuffer_.get(), room, payloadSize_);
  if (result < 0 || !PlanarToBottomUpBgr(room, width_, height_, PresentationForWriting())) return false;
  kept_.Cache().Commit(result == kMpeg4Concealed);
  ShowPresentationBuffer();
  ++decodedPictures_;
  lastDecodeConcealed_ = result == kMpeg4Concealed;
  return true;
}

// Stopped, paused or playing backward a Wavelet or MPEG-4 frame need not
// follow the frame the decoder decoded last.
bool CPlaybackEngine::ShownOutOfSequence(int codec) const {
  if (codec == kCodecMJPG || owner_->CurrentIndex() == 0) return false;
  const uint8_t state = owner_->GetPlayState();
  return state == kStoppedOrPaused || state == kPlayingBackward;
}

bool CPlaybackEngine::NeedsCatchUp(int codec) const { return ShownOutOfSequence(codec) && !IsKeyFrame(); }

// The nearest key frame among the 99 records before record. Audio records
// carry no kind byte (their bytes there are samples) and are passed over.
// The last answer is remembered with how far the records after its key
// frame are known to hold none: a drag or a step forward through a group
// reads one kind byte per record instead of all of them back to the key.
std::optional<uint32_t> CPlaybackEngine::FindKeyFrameBefore(uint32_t record) const {
  const IndexArray& index = owner_->Index();
  const std::optional<KeyFrameMemo> memo = keyFrameMemo_;
  const bool memoHolds = memo && memo->key < record && record - memo->key <= kCatchUpSearchDepth;
  for (uint32_t back = 1; back <= kCatchUpSearchDepth && back <= record; ++back) {
    const uint32_t earlier = record - back;
    if (memoHolds && earlier <= memo->through) {
      keyFrameMemo_ = KeyFrameMemo{memo->key, std::max(memo->through, record - 1)};
      return memo->key;
    }
    if (index[earlier].IsAudio()) continue;
    uint8_t kind = 0;
    if (ReadKindByte(index[earlier], &kind) && IsKeyFrameKind(kind)) {
      keyFrameMemo_ = KeyFrameMemo{earlier, record - 1};
      return earlier;
    }
  }
  return std::nullopt;
}

bool CPlaybackEngine::CatchUpFromKeyFrame(bool rgb) { return CatchUp(rgb, false) != PictureSource::kRefused; }

// Without a key frame nothing is decoded: the frames in between would only
// build on the same unknown state, and the current frame decoded on the
// decoder's state is right at least when it follows the frame shown last.
CPlaybackEngine::PictureSource CPlaybackEngine::CatchUp(bool rgb, bool keepPictures) {
  const IndexArray& index = owner_->Index();
  const uint32_t current = owner_->CurrentIndex();
  if (current >= index.size()) return PictureSource::kRefused;
  const int codec = GetCodecType();

  const std::optional<uint32_t> start = FindKeyFrameBefore(current);
  if (start) {
    // The key frame starts the decoder afresh.
    kept_.DecoderRestarted(codec);
  } else if (!BringDecoderUpToShownFrame(codec)) {
    return PictureSource::kRefused;
  }
  const uint32_t first = start ? kept_.CatchUpStart(codec, *start, current) : current;
  AdvanceDecoderThrough(first, current, codec, rgb, keepPictures && start);

  if (!ReadPayloadDirect(index[current])) return PictureSource::kRefused;
  int width = 0;
  int height = 0;
  GetPictureSize(&width, &height);
  SetPictureSize(width, height);
  return start ? PictureSource::kCatchUpFromKeyFrame : PictureSource::kCatchUp;
}

// Decodes the records first..end-1 for the decoder's state. With
// keepPictures the pictures of the frames of the current codec are kept, as
// far as the cache holds them: the ones nearest end, which are shown first
// when stepping back.
void CPlaybackEngine::AdvanceDecoderThrough(uint32_t first, uint32_t end, int codec, bool rgb, bool keepPictures) {
  const IndexArray& index = owner_->Index();
  for (uint32_t i = first; i < end; ++i) {
    if (index[i].IsAudio() || !ReadPayloadDirect(index[i])) continue;
    int width = 0;
    int height = 0;
    GetPictureSize(&width, &height);
    SetPictureSize(width, height);
    const CachedPictureFormat format = KeptFormat(codec, width, height, rgb);
    // One place stays for the target and one for a kept picture on show.
    const bool keep = keepPictures && end - i + 1 < kept_.Cache().CapacityFor(format) && PictureFitsBuffers() &&
                      GetCodecType() == codec;
    if (keep) {
      DecodeAndKeep(i, codec, format);
    } else {
      AdvanceDecoder(codec, rgb);
    }
  }
  if (first < end) kept_.DecoderNowAt(codec, end - 1);
}

// Decodes an earlier frame for the decoder's state alone: its picture is
// not flipped or shown, since the current frame's decode replaces it. The
// MPEG-4 module skips the conversion too; the Wavelet module always writes
// its picture (into the decoder output buffer).
bool CPlaybackEngine::AdvanceDecoder(int codec, bool rgb) {
  if (codec == kCodecMJPG) return DecodePayload(codec, rgb);
  if (!PictureFitsBuffers()) return false;
  int result = -1;
  if (codec == kCodecWavelet) {
    result = CallWaveletDecoder(rgb);
  } else {
    result = CallMpeg4Decoder(nullptr, rgb);
  }
  if (result < 0) return false;
  ++decodedPictures_;
  return true;
}

// AdvanceDecoder, with the picture kept in the cache as it is shown. The
// decoder's state ends as AdvanceDecoder leaves it, and so does the decoder
// output buffer where the overlay shows it: the Wavelet picture is written
// there as before and copied out; the MPEG-4 picture is converted straight
// into the cache (through the decoder output buffer, which is not on show in
// the DIB presentation, where the module cannot write rows bottom row first),
// or kept as its 4:2:0 planes where the module writes them.
void CPlaybackEngine::DecodeAndKeep(uint32_t record, int codec, const CachedPictureFormat& format) {
  if (codec == kCodecWavelet) {
    if (AdvanceDecoder(codec, format.rgb)) KeepPicture(record, format, decoderOutput_.get(), false);
    return;
  }
  // The MPEG-4 module refuses YUY2 of an odd width before decoding; such
  // frames only advance the decoder.
  const bool convertible = format.rgb || format.width % 2 == 0;
  uint8_t* room = convertible && mpeg4Decoder_ ? kept_.Cache().Reserve(record, format) : nullptr;
  if (!room) {
    AdvanceDecoder(codec, format.rgb);
    return;
  }
  int result = -1;
  if (format.planar) {
    result = mpeg4Decoder_->DecodePlanar(readBuffer_.get(), room, payloadSize_);
  } else if (format.rgb && !Mpeg4WritesBottomUp()) {
    result = CallMpeg4Decoder(DecoderOutputForWriting(), true);
    if (result >= 0) KeepFlipped(decoderOutput_.get(), room);
  } else {
    result = format.rgb ? mpeg4Decoder_->DecodeBottomUp(readBuffer_.get(), room, payloadSize_)
                        : CallMpeg4Decoder(room, false);
  }
  if (result < 0) return;
  kept_.Cache().Commit(result == kMpeg4Concealed);
  ++decodedPictures_;
}

// Keeps a picture as the decoder wrote it (top row first), flipped when it
// is shown bottom-up.
void CPlaybackEngine::KeepPicture(uint32_t record, const CachedPictureFormat& format, const uint8_t* output,
                                  bool concealed) {
  uint8_t* room = kept_.Cache().Reserve(record, format);
  if (!room) return;
  if (format.rgb) {
    KeepFlipped(output, room);
  } else {
    StreamBytes(output, room, format.Bytes());
    StreamFence();
  }
  kept_.Cache().Commit(concealed);
}

// FlipRows into a kept picture's room, streamed past the processor's
// caches: the picture is shown later, while the decoder output buffer is
// written again at once.
void CPlaybackEngine::KeepFlipped(const uint8_t* topDown, uint8_t* room) const {
  const ptrdiff_t rowBytes = static_cast<ptrdiff_t>(width_) * 3;
  StreamRows(topDown + (height_ - 1) * rowBytes, -rowBytes, room, rowBytes, rowBytes, height_);
}

// A picture served from the cache leaves the decoder where its last decode
// left it, where the uncached catch-up would have left it at the record
// shown. Before a decode that builds on the decoder's state the decoder is
// brought there; a key frame starts afresh and needs nothing. The current
// record's payload is read again afterwards.
bool CPlaybackEngine::BringDecoderUpToShownFrame(int codec) {
  const std::optional<uint32_t> behind = kept_.TakeDecoderBehind(codec);
  if (!behind) return true;
  const uint32_t shown = *behind;
  if (IsKeyFrame()) return true;
  const IndexArray& index = owner_->Index();
  const uint32_t current = owner_->CurrentIndex();
  if (shown >= index.size() || current >= index.size()) return true;
  uint8_t kind = 0;
  const bool shownKey = ReadKindByte(index[shown], &kind) && IsKeyFrameKind(kind);
  const uint32_t key = shownKey ? shown : FindKeyFrameBefore(shown).value_or(shown);
  AdvanceDecoderThrough(kept_.CatchUpStart(codec, key, shown + 1), shown + 1, codec, !overlay_, false);
  if (!ReadPayloadDirect(index[current])) return false;
  int width = 0;
  int height = 0;
  GetPictureSize(&width, &height);
  SetPictureSize(width, height);
  return true;
}

// A frame shown out of sequence may have its picture kept from an earlier
// catch-up (a key frame's too: it is the same picture however it is
// reached). Otherwise a delta frame needs the frames before it, by a
// catch-up that keeps their pictures; any other frame is decoded on the
// decoder's state, once that is where the uncached engine's would be.
CPlaybackEngine::PictureSource CPlaybackEngine::PrepareShownPicture(int codec) {
  if (kept_.Enabled() && ShownOutOfSequence(codec)) {
    int width = 0;
    int height = 0;
    GetPictureSize(&width, &height);
    if (kept_.Cache().Find(owner_->CurrentIndex(), KeptFormat(codec, width, height, !overlay_))) {
      return PictureSource::kCache;
    }
  }
  if (!NeedsCatchUp(codec)) {
    return BringDecoderUpToShownFrame(codec) ? PictureSource::kDecoderState : PictureSource::kRefused;
  }
  return CatchUp(!overlay_, kept_.Enabled());
}

void CPlaybackEngine::DecodeShownPicture(int codec, bool rgb, PictureSource source) {
  const uint32_t current = owner_->CurrentIndex();
  const CachedPictureFormat format = KeptFormat(codec, width_, height_, rgb);
  if (source == PictureSource::kCache) {
    const uint8_t* kept = kept_.Cache().Find(current, format);
    if (format.planar) {
      // Kept planes are shown converted, as the decoder shows them (the
      // format has even sizes, which always convert).
      PlanarToBottomUpBgr(kept, width_, height_, PresentationForWriting());
      ShowPresentationBuffer();
    } else {
      // The window is handed the kept picture itself, which stays as it is
      // while on show.
      display_ = kept;
      ShowDecoded(DecodedPicture{display_, rgb ? PixelLayout::kBgr24BottomUp : PixelLayout::kYuy2, width_, height_});
      kept_.Cache().MarkOnShow(current, format);
    }
    lastDecodeConcealed_ = kept_.Cache().IsConcealed(current);
    kept_.ShownFromCache(codec, current);
    return;
  }
  const std::optional<uint32_t> at = kept_.DecoderAt(codec);
  const uint64_t before = decodedPictures_;
  const bool keep = source == PictureSource::kCatchUpFromKeyFrame && kept_.Enabled();
  if (keep && format.planar) {
    DecodeMpeg4Kept(current, format);
  } else {
    DecodePayload(codec, rgb);
  }
  if (decodedPictures_ == before || codec == kCodecMJPG) return;
  // Where the decoder now stands: at this record when the frames it decoded
  // are those a catch-up to it would decode.
  const bool followsAt = at && OnlyAudioBetween(*at, current);
  const bool inSequence = source == PictureSource::kCatchUpFromKeyFrame ||
                          (source == PictureSource::kDecoderState && (IsKeyFrame() || followsAt));
  if (inSequence) kept_.DecoderNowAt(codec, current);
  // The picture just decoded is kept as it is shown.
  if (keep && !format.planar) kept_.Cache().Store(current, format, display_, lastDecodeConcealed_);
}

bool CPlaybackEngine::OnlyAudioBetween(uint32_t earlier, uint32_t later) const {
  const IndexArray& index = owner_->Index();
  if (earlier >= later || later > index.size()) return false;
  for (uint32_t i = earlier + 1; i < later; ++i) {
    if (!index[i].IsAudio()) return false;
  }
  return true;
}

// A kept picture still on show stays untouched (no longer found) until
// another picture is shown.
void CPlaybackEngine::ForgetKeptPictures() {
  kept_.Forget();
  keyFrameMemo_.reset();
}

void CPlaybackEngine::SetPictureCacheEnabled(bool enabled) {
  kept_.SetEnabled(enabled);
}

}  // namespace bv
