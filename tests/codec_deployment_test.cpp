// Writing out the codec modules and installing the MJPEG driver, into
// temporary system and Windows folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/platform/ini_file.h"
#include "codecs/codec_module.h"
#include "deploy/codec_deployment.h"
#include "deploy/inf_installer.h"
#include "deploy/module_resources.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;

class DeploymentTest : public ::testing::Test {
 protected:
  TempDir root;
  std::string system = root.File("system");
  std::string windows = root.File("windows");
  int installs = 0;
  std::vector<uint8_t> infSeen;
  DeploymentObserver observer;

  void SetUp() override {
    setenv("BACKUP_VIEWER_SYSTEM_DIR", system.c_str(), 1);
    setenv("BACKUP_VIEWER_WINDOWS_DIR", windows.c_str(), 1);
    observer.infWritten = [this](const std::string& inf) { infSeen = ReadFileBytes(inf); };
    observer.installed = [this](int result) {
      ++installs;
      EXPECT_EQ(result, kInfInstalled);
    };
  }
  void TearDown() override {
    unsetenv("BACKUP_VIEWER_SYSTEM_DIR");
    unsetenv("BACKUP_VIEWER_WINDOWS_DIR");
  }
  std::vector<uint8_t> Resource(int id) {
    const auto bytes = FindDllResource(id);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }
};

TEST_F(DeploymentTest, FirstStartWritesAllModulesAndRegistersTheDriver) {
  DeployCodecModules(observer);
  EXPECT_EQ(ReadFileBytes(system + "/decoderdll.dll"), Resource(kResourceWaveletModule));
  EXPECT_EQ(ReadFileBytes(system + "/ZRMP4.dll"), Resource(kResourceMpeg4Module));
  EXPECT_EQ(ReadFileBytes(system + "/ZR_Sound.dll"), Resource(kResourceAudioModule));
  EXPECT_EQ(ReadFileBytes(system + "/Mjpg32_g.dll"), Resource(kResourceMjpegDriver));
  EXPECT_GT(Resource(kResourceMjpegDriver).size(), 1000u);
  EXPECT_EQ(installs, 1);
  EXPECT_FALSE(fs::exists(windows + "/MjpegSetup.inf"));
  EXPECT_EQ(GetPrivateProfileString("drivers32", "vidc.MJPG", "", 64, windows + "/system.ini"), "mjpg32_G.dll");
  EXPECT_EQ(GetPrivateProfileString("Decompress", "FancyUpsampling", "", 8, windows + "/m3jpeg.ini"), "0");
  EXPECT_EQ(GetPrivateProfileString("Codec", "SysFourCC", "", 8, windows + "/m3jpeg.ini"), "mjpg");
  EXPECT_EQ(GetPrivateProfileString("HKLM\\SYSTEM\\CurrentControlSet\\Control\\MediaResources\\icm\\vidc.MJPG",
                                    "Description", "", 100, windows + "/" + kRegistryFileName),
            "(MJPG) Morgan Multimedia MJPEG 32-bits codec");
  // No stray temporary files.
  for (const auto& entry : fs::directory_iterator(system)) {
    EXPECT_EQ(entry.path().filename().string().find("partial"), std::string::npos);
  }
}

TEST_F(DeploymentTest, InfTextIsTheFiftyThreeLinesByteForByte) {
  DeployCodecModules(observer);
  const std::string text(infSeen.begin(), infSeen.end());
  EXPECT_EQ(text, MjpegInfText());
  int crlf = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) crlf += text[i] == '\r' && text[i + 1] == '\n';
  EXPECT_EQ(crlf, 52);
  EXPECT_NE(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(text.substr(0, 11), "[Version]\r\n");
  EXPECT_NE(text.find("Class     = MEDIA\r\n"), std::string::npos);
  EXPECT_NE(text.find("DefaultDestDir = 11\t; LDID_SYS\r\n"), std::string::npos);
  const std::string last = "\r\n*MJPG.DD=\"(MJPG) Morgan Multimedia MJPEG 32-bits codec\"";
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST_F(DeploymentTest, SecondStartRewritesTheThreeAndInstallsNothing) {
  DeployCodecModules(observer);
  test::WriteFileBytes(system + "/ZRMP4.dll", {1, 2, 3});
  fs::remove(windows + "/system.ini");
  DeployCodecModules(observer);
  EXPECT_EQ(installs, 1);
  EXPECT_EQ(ReadFileBytes(system + "/ZRMP4.dll"), Resource(kResourceMpeg4Module));
  EXPECT_FALSE(fs::exists(windows + "/system.ini"));
}

TEST_F(DeploymentTest, DeletedDriverIsWrittenAndInstalledAgain) {
  DeployCodecModules(observer);
  fs::remove(system + "/Mjpg32_g.dll");
  DeployCodecModules(observer);
  EXPECT_EQ(installs, 2);
  EXPECT_TRUE(fs::exists(system + "/Mjpg32_g.dll"));
  // Installing again keeps one entry, not two.
  const auto lines = GetPrivateProfileSection("drivers32", 10000, windows + "/system.ini");
  EXPECT_EQ(lines.size(), 1u);
}

TEST_F(DeploymentTest, ModuleSpelledInAnotherCaseIsReplaced) {
  fs::create_directories(system);
  test::WriteFileBytes(system + "/zrmp4.DLL", {9});
  DeployCodecModules(observer);
  EXPECT_FALSE(fs::exists(system + "/zrmp4.DLL"));
  EXPECT_EQ(FindFileIgnoringCase(system, "ZRMP4.dll"), system + "/ZRMP4.dll");
}

TEST_F(DeploymentTest, UnwritableSystemFolderIsSilentAndFailsAtFirstUse) {
  test::WriteFileBytes(root.File("file"), {0});
  setenv("BACKUP_VIEWER_SYSTEM_DIR", root.File("file").c_str(), 1);
  DeployCodecModules(observer);  // no crash, no message
  EXPECT_EQ(CCodecModule::Load("Mjpg32_g-missing.dll"), nullptr);
  test::RecordingHost host;
  CPlaybackController controller(host);
  controller.Engine().CreateDecoders();
  samples::MjpgBackupOptions options;
  options.frames = 2;
  ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(root.File("b.zrv")));
  ASSERT_TRUE(controller.OpenBackup(root.File("b.zrv"), false));
  EXPECT_EQ(host.DibWindow().FrameCount(), 0);
}

TEST_F(DeploymentTest, MjpgFramesDecodeThroughTheDeployedRegisteredDriver) {
  DeployCodecModules(observer);
  test::RecordingHost host;
  CPlaybackController controller(host);
  controller.Engine().CreateDecoders();
  samples::MjpgBackupOptions options;
  options.frames = 3;
  ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(root.File("b.zrv")));
  ASSERT_TRUE(controller.OpenBackup(root.File("b.zrv"), false));
  EXPECT_EQ(host.DibWindow().FrameCount(), 1);
  EXPECT_EQ(host.DibWindow().LastShown().width, 352);
}

TEST(InfInstaller, ResultCodesOfBrokenInstallations) {
  TempDir dir;
  setenv("BACKUP_VIEWER_WINDOWS_DIR", dir.path().c_str(), 1);
  EXPECT_EQ(InstallMjpegInf(dir.File("missing.inf")), kInfCannotOpen);
  test::WriteFileBytes(dir.File("garbage.inf"), std::vector<uint8_t>(5000, 0xEE));
  EXPECT_EQ(InstallMjpegInf(dir.File("garbage.inf")), kInfCannotOpen);
  auto write = [&](const std::string& text) {
    test::WriteFileBytes(dir.File("x.inf"), std::vector<uint8_t>(text.begin(), text.end()));
    return InstallMjpegInf(dir.File("x.inf"));
  };
  EXPECT_EQ(write("[Version]\nSignature=\"$CHICAGO$\"\n"), kInfFileSectionFailed);
  EXPECT_EQ(write("[Version]\nSignature=\"$CHICAGO$\"\n[DefaultInstall]\nAddReg=Nowhere\n"), kInfIniOrRegistryFailed);
  EXPECT_EQ(write("[Version]\nSignature=\"$CHICAGO$\"\n[DefaultInstall]\nAddReg=R\n[R]\nHKXX,a,b,,c\n"),
            kInfIniOrRegistryFailed);
  EXPECT_EQ(write("[Version]\nSignature=\"$CHICAGO$\"\n[DefaultInstall]\nUpdateInis=U\n[U]\nx.ini,S,,\"k=%s%\"\n"
                  "[Strings]\ns=\"value; not a comment\"\n"),
            kInfInstalled);
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", 64, dir.File("x.ini")), "value; not a comment");
  unsetenv("BACKUP_VIEWER_WINDOWS_DIR");
}

TEST(InfInstaller, ProfileEntriesReplaceInPlaceAndKeepOtherLines) {
  TempDir dir;
  const std::string path = dir.File("system.ini");
  const std::string before = "[boot]\nshell=x\n[drivers32]\nmsacm.x=y.acm\nVIDC.MJPG=old.dll\n[other]\nz=1\n";
  test::WriteFileBytes(path, std::vector<uint8_t>(before.begin(), before.end()));
  ASSERT_TRUE(WriteProfileEntry(path, "Drivers32", "vidc.MJPG", "mjpg32_G.dll"));
  ASSERT_TRUE(WriteProfileEntry(path, "new", "a", "b"));
  EXPECT_EQ(GetPrivateProfileString("drivers32", "vidc.mjpg", "", 64, path), "mjpg32_G.dll");
  EXPECT_EQ(GetPrivateProfileString("drivers32", "msacm.x", "", 64, path), "y.acm");
  EXPECT_EQ(GetPrivateProfileString("boot", "shell", "", 64, path), "x");
  EXPECT_EQ(GetPrivateProfileString("other", "z", "", 64, path), "1");
  EXPECT_EQ(GetPrivateProfileString("new", "a", "", 64, path), "b");
  EXPECT_EQ(GetPrivateProfileSection("drivers32", 1000, path).size(), 2u);
}

}  // namespace
}  // namespace bv
