// CPlaybackEngine's decoding: the decoders, the payload decode per codec, the
// picture handed to the video windows, the catch-up from the last key frame
// and the still decode.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "codecs/mvia_dec.h"
#include "codecs/vfw/vfw.h"
#include "playback/format/backup_constants.h"
#include "playback/format/codec_table.h"
#include "playback/platform/le_bytes.h"
#include "playback/engine/planar_picture.h"
#include "playback/engine/playback_controller.h"
#include "playback/engine/playback_engine.h"

namespace bv {
namespace {

// How far back the catch-up looks for a key frame.
constexpr uint32_t kCatchUpSearchDepth = 99;

}  // namespace

void CPlaybackEngine::FreeDeleter::operator()(uint8_t* p) const { std::free(p); }

void CPlaybackEngine::CreateDecoders() {
  if (!workBlock_) workBlock_.reset(static_cast<uint8_t*>(std::calloc(kWaveletWorkBlockSize, 1)));
  if (!mpeg4Decoder_) mpeg4Decoder_.reset(new (std::nothrow) CZRMP4Decoder());
  CreateAudioDecoder();
}

void CPlaybackEngine::SetPictureSize(int width, int height) {
  width_ = width;
  height_ = height;
  inputHeader_.biSize = BITMAPINFOHEADER::kSize;
  inputHeader_.biWidth = width;
  inputHeader_.biHeight = height;
  inputHeader_.biPlanes = 1;
  inputHeader_.biBitCount = 24;
  outputHeader_.biSize = BITMAPINFOHEADER::kSize;
  outputHeader_.biWidth = width;
  outputHeader_.biHeight = height;
  outputHeader_.biPlanes = 1;
}

// The picture buffers hold pictures up to 704 x 576 and nothing larger.
bool CPlaybackEngine::PictureFitsBuffers() const {
  return width_ > 0 && height_ > 0 && width_ <= kMaxPictureWidth && height_ <= kMaxPictureHeight;
}

bool CPlaybackEngine::DecodePayload(int codec, bool rgb) {
  // Whatever this decodes, the decoder no longer stands where it stood.
  kept_.DecoderMoved(codec);
  if (!PictureFitsBuffers()) return false;
  switch (codec) {
    case kCodecMJPG:
      return DecodeMjpg(rgb);
    case kCodecWavelet:
      return DecodeWavelet(rgb);
    case kCodecMPEG4:
      return DecodeMpeg4(rgb);
    default:
      return false;
  }
}

bool CPlaybackEngine::DecodeMjpg(bool rgb) {
  outputHeader_.biWidth = width_;
  outputHeader_.biHeight = height_;
  outputHeader_.biBitCount = rgb ? 24 : 16;
  outputHeader_.biCompression = rgb ? BI_RGB : kFourCC_UYVY;
  outputHeader_.biSizeImage = static_cast<uint32_t>(width_ * height_ * (rgb ? 3 : 2));
  inputHeader_.biCompression = kFourCC_MJPG;
  inputHeader_.biSizeImage = payloadSize_;
  // A frame that is not Motion-JPEG leaves the previous picture.
  if (ReadU32LE(readBuffer_.get() + 16) != kFourCC_MJPG) {
    display_ = presentation_.get();
    return true;
  }

  HIC hic = ICLocate(MakeFourCC('V', 'I', 'D', 'C'), kFourCC_MJPG, &inputHeader_, &outputHeader_, ICMODE_DECOMPRESS);
  if (!hic) return false;
  ICSendMessage(hic, ICM_DECOMPRESS_BEGIN, reinterpret_cast<intptr_t>(&inputHeader_),
                reinterpret_cast<intptr_t>(&outputHeader_));
  // Decoded into the buffer that is not on show, so that a frame the driver
  // gives up on halfway leaves the previous picture whole.
  uint8_t* target = decoded_.pixels == decoderOutput_.get() ? presentation_.get() : decoderOutput_.get();
  const intptr_t result = ICDecompress(hic, ICDECOMPRESS_HURRYUP, &inputHeader_, readBuffer_.get(),
                                       &outputHeader_, target);
  // The driver decodes what libjpeg can of a damaged frame and says how
  // many faults it worked around.
  const intptr_t faults = result == ICERR_OK ? ICSendMessage(hic, ICM_BV_DAMAGE_OF_LAST_FRAME, 0, 0) : 0;
  ICSendMessage(hic, ICM_DECOMPRESS_END, 0, 0);
  ICClose(hic);
  if (result != ICERR_OK) return false;
  if (target == decoderOutput_.get()) std::swap(presentation_, decoderOutput_);
  display_ = presentation_.get();
  KeepDecodedPicture(display_, rgb ? PixelLayout::kBgr24BottomUp : PixelLayout::kUyvy);
  lastDecodeConcealed_ = faults > 0;
  return true;
}

// The Wavelet decoder into the decoder output buffer.
int CPlaybackEngine::CallWaveletDecoder(bool rgb) {
  if (!workBlock_) return -1;
  uint8_t* block = workBlock_.get();
  // The decoder object lives in the block's first bytes; the viewer never
  // constructs it (it has no state of its own).
  auto* decoder = reinterpret_cast<CMVIADec*>(block);
  uint8_t* plane[7];
  for (int i = 0; i < 7; ++i) plane[i] = block + kWaveletPlaneOffsets[i];
  return decoder->MVIADecDll(plane[0], plane[1], plane[2], plane[3], plane[4], plane[5], plane[6],
                             readBuffer_.get(), decoderOutput_.get(), 0, rgb ? 1 : 0, 0, 2, payloadSize_);
}

bool CPlaybackEngine::DecodeWavelet(bool rgb) {
  // A refused payload leaves the output as it was: nothing new to show.
  if (CallWaveletDecoder(rgb) < 0) return false;
  PresentDecoderOutput(rgb);
  ++decodedPictures_;
  // Wavelet payloads carry a checksum: a damaged one gives no picture.
  lastDecodeConcealed_ = false;
  return true;
}

int CPlaybackEngine::CallMpeg4Decoder(uint8_t* output, bool rgb) {
  if (!mpeg4Decoder_) return -1;
  return mpeg4Decoder_->Decode(readBuffer_.get(), output, rgb ? 1 : 0, 0, nullptr, payloadSize_);
}

// A 24-bit picture goes straight into the presentation buffer, bottom row
// first, where the module writes it so; otherwise it is flipped there.
bool CPlaybackEngine::DecodeMpeg4(bool rgb) {
  const bool direct = rgb && Mpeg4WritesBottomUp();
  const int result = direct ? mpeg4Decoder_->DecodeBottomUp(readBuffer_.get(), presentation_.get(), payloadSize_)
                            : CallMpeg4Decoder(decoderOutput_.get(), rgb);
  if (result < 0) return false;
  if (direct) {
    ShowPresentationBuffer();
  } else {
    PresentDecoderOutput(rgb);
  }
  ++decodedPictures_;
  lastDecodeConcealed_ = result == kMpeg4Concealed;
  return true;
}

bool CPlaybackEngine::Mpeg4WritesBottomUp() const { return mpeg4Decoder_ && mpeg4Decoder_->WritesBottomUp(); }

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
  if (result < 0 || !PlanarToBottomUpBgr(room, width_, height_, presentation_.get())) return false;
  kept_.Cache().Commit(result == kMpeg4Concealed);
  ShowPresentationBuffer();
  ++decodedPictures_;
  lastDecodeConcealed_ = result == kMpeg4Concealed;
  return true;
}

// The Wavelet or MPEG-4 picture in the decoder output buffer (top row
// first) becomes the picture on show: flipped into the presentation buffer
// for the DIB presentation, YUY2 where it is for the overlay.
void CPlaybackEngine::PresentDecoderOutput(bool rgb) {
  if (rgb) {
    FlipRows(decoderOutput_.get(), presentation_.get());
    ShowPresentationBuffer();
    return;
  }
  display_ = decoderOutput_.get();
  ShowDecoded(DecodedPicture{display_, PixelLayout::kYuy2, width_, height_});
}

// The 24-bit picture in the presentation buffer is the one on show.
void CPlaybackEngine::ShowPresentationBuffer() {
  display_ = presentation_.get();
  ShowDecoded(DecodedPicture{display_, PixelLayout::kBgr24BottomUp, width_, height_});
}

void CPlaybackEngine::ShowDecoded(const DecodedPicture& picture) {
  decoded_ = picture;
  // A kept picture on show stays untouched until another takes its place.
  kept_.Cache().ShowNothing();
}

// The decoders write rows top row first; the DIB presentation is bottom-up.
// The rows the decoder wrote last are copied first, while they are still in
// the cache.
void CPlaybackEngine::FlipRows(const uint8_t* topDown, uint8_t* bottomUp) const {
  const size_t rowBytes = static_cast<size_t>(width_) * 3;
  for (int row = height_ - 1; row >= 0; --row) {
    std::memcpy(bottomUp + (height_ - 1 - row) * rowBytes, topDown + row * rowBytes, rowBytes);
  }
}

void CPlaybackEngine::KeepDecodedPicture(const uint8_t* pixels, PixelLayout layout) {
  ShowDecoded(DecodedPicture{pixels, layout, width_, height_});
  ++decodedPictures_;
}

void CPlaybackEngine::RewriteInputHeaderForDisplay() {
  inputHeader_.biCompression = BI_RGB;
  // The sizes come from the payload and may be anything; the product wraps
  // as the 32-bit field does.
  inputHeader_.biSizeImage = static_cast<uint32_t>(width_) * static_cast<uint32_t>(height_) * 3u;
}

// The window gets the picture just decoded or, when the frame was refused,
// the previous one again (with the new texts). Nothing is shown before the
// first picture the current presentation can show.
void CPlaybackEngine::ShowDecodedPicture() {
  IVideoWindow* window = owner_->Host().VideoWindow(overlay_);
  if (!window || !decoded_.pixels) return;
  const bool dibPicture = decoded_.layout == PixelLayout::kBgr24BottomUp;
  if (dibPicture == overlay_) return;
  VideoFrame frame;
  frame.pixels = decoded_.pixels;
  frame.layout = decoded_.layout;
  frame.width = decoded_.width;
  frame.height = decoded_.height;
  if (dibPicture) {
    frame.header = inputHeader_;
    frame.header.biWidth = decoded_.width;
    frame.header.biHeight = decoded_.height;
    frame.header.biSizeImage = static_cast<uint32_t>(decoded_.width * decoded_.height * 3);
  }
  window->ShowFrame(frame, FrameTexts{cameraTitle_, sizeText_, dateText_, dimensionText_});
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
    result = CallMpeg4Decoder(decoderOutput_.get(), true);
    if (result >= 0) FlipRows(decoderOutput_.get(), room);
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
    FlipRows(output, room);
  } else {
    std::memcpy(room, output, format.Bytes());
  }
  kept_.Cache().Commit(concealed);
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
      PlanarToBottomUpBgr(kept, width_, height_, presentation_.get());
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

bool CPlaybackEngine::StillDecode() {
  const int codec = GetCodecType();
  if (codec == kCodecMJPG) {
    // The DIB presentation's picture is already 24-bit; the overlay's is
    // "UYVY" and is decoded again for the still.
    if (!overlay_ && decoded_.pixels && decoded_.layout == PixelLayout::kBgr24BottomUp) return true;
    const uint64_t before = decodedPictures_;
    return DecodePayload(codec, true) && decodedPictures_ > before;
  }
  if (!IsKeyFrame() && owner_->CurrentIndex() != 0) {
    if (!CatchUpFromKeyFrame(true)) return false;
  } else if (!BringDecoderUpToShownFrame(codec)) {
    return false;
  }
  return DecodePayload(codec, true);
}

std::optional<CPlaybackEngine::StillBgrPicture> CPlaybackEngine::DecodeStillBgr() {
  if (!StillDecode() || !decoded_.pixels || decoded_.layout != PixelLayout::kBgr24BottomUp) return std::nullopt;
  return StillBgrPicture{decoded_.pixels, decoded_.width, decoded_.height};
}

}  // namespace bv
