// The open routine over arbitrary bytes, in each of its three forms: the
// first input byte picks a container (".zrv"), an old pair (".idx" + ".sav",
// the idx length in the next two bytes) or a self-contained backup (the
// bytes after the program's length). An opened backup is stepped through.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "base/format/backup_constants.h"
#include "fuzz/fuzz_support.h"

using namespace bv;

namespace {

// The program part of a self-contained file is a hole: the reader never
// looks into it, and the file stays cheap to write.
void WriteSelfContained(const std::string& path, std::span<const uint8_t> backup) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return;
  if (!backup.empty() && pwrite(fd, backup.data(), backup.size(), kProgramFileLength) < 0) {
    // A short file is an input like any other.
  }
  if (backup.empty() && ftruncate(fd, kProgramFileLength) != 0) {
  }
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseBuildEnvironment();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const uint8_t form = input.U8() % 3;
  fuzz::HeadlessViewer& viewer = fuzz::SharedViewer();
  const std::string& dir = fuzz::ProcessTempDir();
  bool opened = false;
  if (form == 0) {
    fuzz::WriteWholeFile(dir + "backup.zrv", input.Rest());
    viewer.controller.SetSelfContained(false);
    opened = viewer.controller.OpenBackup(dir + "backup.zrv", false);
  } else if (form == 1) {
    const uint16_t idxLength = input.U16();
    fuzz::WriteWholeFile(dir + "backup.idx", input.Bytes(idxLength));
    fuzz::WriteWholeFile(dir + "backup.sav", input.Rest());
    viewer.controller.SetSelfContained(false);
    opened = viewer.controller.OpenBackup(dir + "backup.idx", true);
  } else {
    WriteSelfContained(dir + "backup.exe", input.Rest());
    viewer.controller.SetSelfContained(true);
    opened = viewer.controller.OpenBackup(dir + "backup.exe", false);
  }
  if (opened) fuzz::StepThroughBackup(viewer, 16);
  viewer.controller.ResetViewer();
  return 0;
}
