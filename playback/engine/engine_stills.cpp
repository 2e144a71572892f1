// CPlaybackEngine: still pictures, BMP and JPEG files the user opens.
#include <cstring>

#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "base/platform/string_printf.h"
#include "export/dib_picture.h"
#include "export/jpeg_file.h"
#include "export/recording_time.h"
#include "playback/engine/playback_controller.h"
#include "playback/engine/playback_engine.h"

namespace bv {

void CPlaybackEngine::PostPictureMessage(const PictureMessage& message) {
  if (pictureMessages_) {
    pictureMessages_(message);
    return;
  }
  owner_->Host().ShowMessage(message.text);
}

int CPlaybackEngine::LoadBmpStill(const std::string& fileName) {
  mode_ = kModeBmpStill;
  CDataFile file;
  uint8_t headers[kBmpBitsOffset];
  if (!file.Open(fileName) || !file.ReadExactAt(0, headers, sizeof headers)) {
    PostPictureMessage({kApplicationTitle, "File Error #1", MessageIcon::kError});
    return 0;
  }
  const BITMAPINFOHEADER header = BITMAPINFOHEADER::FromBytes(headers + BITMAPFILEHEADER::kSize);
  const uint64_t bitsOffset = BmpBitsOffset(BITMAPFILEHEADER::FromBytes(headers), header);
  // Refused (the user is told, the previous picture stays): fewer than 16
  // bits per pixel, rows that do not fit the buffer or are not all in the
  // file.
  if (!BmpStillHeaderAcceptable(header, file.Length(), kStillPixelBufferSize, bitsOffset)) {
    PostPictureMessage({kApplicationTitle, "File Error #1", MessageIcon::kError});
    return 0;
  }
  // The rows follow the two headers. A size of 0 (allowed for uncompressed
  // pictures) means the rows the width, height and bit count describe.
  const uint32_t imageBytes = BmpStillImageBytes(header);
  std::memset(stillPixels_.get(), 0, kStillPixelBufferSize);
  if (!file.ReadExactAt(bitsOffset, stillPixels_.get(), imageBytes)) {
    PostPictureMessage({kApplicationTitle, "File Error #1", MessageIcon::kError});
    return 0;
  }
  still_.header = header;
  still_.header.biSizeImage = imageBytes;
  ShowLoadedStill(file, stillPixels_.get());
  return 1;
}

int CPlaybackEngine::LoadJpegStill(const std::string& fileName) {
  mode_ = kModeJpegStill;
  const PictureMessageSink sink = [this](const PictureMessage& message) { PostPictureMessage(message); };
  int width = 0;
  int height = 0;
  // An absurdly large picture is refused before decoding.
  const std::unique_ptr<uint8_t[]> rgb = ReadJpegFile(fileName, &width, &height, sink, kMaxStillBytes);
  if (!rgb) return 0;
  BITMAPINFOHEADER header;
  size_t bytes = 0;
  std::unique_ptr<uint8_t[]> dib = RgbTopDownToDib(rgb.get(), width, height, &header, &bytes);
  if (!dib) {
    PostPictureMessage({kApplicationTitle, "JpegFile :\nOut of memory", MessageIcon::kError});
    return 0;
  }
  CDataFile file;
  if (!file.Open(fileName)) return 0;
  still_.header = header;
  still_.jpegBits = std::move(dib);
  still_.jpegBytes = bytes;
  ShowLoadedStill(file, still_.jpegBits.get());
  return 1;
}

void CPlaybackEngine::ShowLoadedStill(const CDataFile& file, const uint8_t* pixels) {
  still_.trailerPresent = ReadRecorderTrailer(file, &still_.trailer);
  const RecorderTrailer& trailer = still_.trailer;
  const SYSTEMTIME time = trailer.time;
  still_.caption = still_.trailerPresent
                       ? FormatRecordingTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                                             time.wSecond)
                       : std::string();

  // Stills are shown in the DIB presentation. Switching resets the viewer,
  // which empties the camera and information fields: they are written
  // after it.
  SetDisplayMode(false);
  IViewerHost& host = owner_->Host();
  if (still_.trailerPresent) {
    host.SetEditText(IDC_CAMERA_TITLE,
                     StringPrintf("%s (%d)", trailer.cameraName.c_str(), trailer.cameraIndex + 1));
    host.SetEditText(IDC_LOCATION, trailer.information);
  } else {
    host.SetEditText(IDC_CAMERA_TITLE, std::string());
    host.SetEditText(IDC_LOCATION, std::string());
  }
  host.VideoWindow(false)->ShowStill(pixels, still_.header, still_.caption);
}

}  // namespace bv
