// Still pictures: the first input byte picks a BMP or a JPEG file opened as
// the viewer opens a still (the recorder trailer's texts included), or the
// JPEG reader on its own under a small size limit with the trailer read from
// the same file.
#include <cstddef>
#include <cstdint>

#include "export/jpeg_file.h"
#include "export/recorder_trailer.h"
#include "fuzz/fuzz_support.h"

using namespace bv;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseBuildEnvironment();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const uint8_t form = input.U8() % 3;
  const std::string& dir = fuzz::ProcessTempDir();
  const std::string path = dir + (form == 0 ? "still.bmp" : "still.jpg");
  fuzz::WriteWholeFile(path, input.Rest());
  CPlaybackEngine& engine = fuzz::SharedViewer().controller.Engine();
  if (form == 0) {
    engine.LoadBmpStill(path);
  } else if (form == 1) {
    engine.LoadJpegStill(path);
  } else {
    int width = 0;
    int height = 0;
    ReadJpegFile(path, &width, &height, [](const PictureMessage&) {}, 64 * 64 * 3);
    CDataFile file;
    RecorderTrailer trailer;
    if (file.Open(path)) ReadRecorderTrailer(file, &trailer);
  }
  return 0;
}
