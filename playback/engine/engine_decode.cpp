// CPlaybackEngine's decoding: the decoders, the payload decode per codec, the
// picture handed to the video windows and the still decode. The catch-up of
// frames shown out of sequence is in engine_catch_up.cpp.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "base/format/backup_constants.h"
#include "base/format/codec_table.h"
#include "base/platform/le_bytes.h"
#include "codecs/mvia_dec.h"
#include "codecs/vfw/vfw.h"
#include "playback/engine/playback_controller.h"
#include "playback/engine/playback_engine.h"

namespace bv {
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
  uint8_t* target = decoded_.pixels == decoderOutput_.get() ? PresentationForWriting() : DecoderOutputForWriting();
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
                             readBuffer_.get(), DecoderOutputForWriting(), 0, rgb ? 1 : 0, 0, 2, payloadSize_);
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
  const int result = direct ? mpeg4Decoder_->DecodeBottomUp(readBuffer_.get(), PresentationForWriting(), payloadSize_)
                            : CallMpeg4Decoder(DecoderOutputForWriting(), rgb);
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

// The Wavelet or MPEG-4 picture in the decoder output buffer (top row
// first) becomes the picture on show: flipped into the presentation buffer
// for the DIB presentation, YUY2 where it is for the overlay.
void CPlaybackEngine::PresentDecoderOutput(bool rgb) {
  if (rgb) {
    FlipRows(decoderOutput_.get(), PresentationForWriting());
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
  // The engine's own two buffers are lent to the DIB window (every write to
  // them releases them first); a kept picture is not, as the cache reuses
  // its room without asking.
  frame.lent = dibPicture && (decoded_.pixels == presentation_.get() || decoded_.pixels == decoderOutput_.get());
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

uint8_t* CPlaybackEngine::PresentationForWriting() {
  ReleaseFromWindow(presentation_.get());
  return presentation_.get();
}

uint8_t* CPlaybackEngine::DecoderOutputForWriting() {
  ReleaseFromWindow(decoderOutput_.get());
  return decoderOutput_.get();
}

void CPlaybackEngine::ReleaseFromWindow(const uint8_t* pixels) {
  if (IVideoWindow* window = owner_ ? owner_->Host().VideoWindow(false) : nullptr) window->ReleasePixels(pixels);
}

void CPlaybackEngine::ReclaimLentPictures() {
  ReleaseFromWindow(presentation_.get());
  ReleaseFromWindow(decoderOutput_.get());
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
