// Finding codec modules in the system directory.
#include <gtest/gtest.h>

#include <cstdlib>

#include "codecs/codec_module.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

TEST(CodecModule, FileNamesMatchWithoutRegardToCase) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("zr_sound.DLL"), {1});
  test::WriteFileBytes(dir.File("ZRMP4.dll"), {1});
  EXPECT_EQ(FindFileIgnoringCase(dir.path(), "ZR_Sound.dll"), dir.File("zr_sound.DLL"));
  EXPECT_EQ(FindFileIgnoringCase(dir.path(), "ZRMP4.dll"), dir.File("ZRMP4.dll"));
  EXPECT_EQ(FindFileIgnoringCase(dir.path(), "decoderdll.dll"), "");
  EXPECT_EQ(FindFileIgnoringCase(dir.File("missing"), "ZRMP4.dll"), "");
}

TEST(CodecModule, MissingOrBrokenModulesDoNotLoadAndAreRetried) {
  test::TempDir dir;
  setenv("BACKUP_VIEWER_SYSTEM_DIR", dir.path().c_str(), 1);
  EXPECT_EQ(CCodecModule::Load("nomodule-test.dll"), nullptr);
  test::WriteFileBytes(dir.File("nomodule-test.dll"), {'n', 'o', 't', ' ', 'E', 'L', 'F'});
  EXPECT_EQ(CCodecModule::Load("nomodule-test.dll"), nullptr);
  unsetenv("BACKUP_VIEWER_SYSTEM_DIR");
}

}  // namespace
}  // namespace bv
