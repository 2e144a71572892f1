// The shipped viewer program: padded to the program length, so that a
// backup appended to it is played in self-contained mode.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "base/format/backup_constants.h"
#include "base/platform/data_file.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace bv {
namespace {

// Runs program for at most limit; its exit code, or -1 when it was still
// running and had to be stopped.
int RunFor(const std::string& program, std::chrono::milliseconds limit) {
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return -2;
  const auto end = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (std::chrono::steady_clock::now() < end) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -3;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

std::string Concatenate(const test::TempDir& dir, const std::string& name, const std::vector<uint8_t>& tail) {
  std::vector<uint8_t> bytes = test::ReadFileBytes(VIEWER_PROGRAM_PATH);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  const std::string path = dir.File(name);
  test::WriteFileBytes(path, bytes);
  chmod(path.c_str(), 0755);
  return path;
}

TEST(ViewerProgram, IsExactlyTheProgramLength) { EXPECT_EQ(FileLength(VIEWER_PROGRAM_PATH), kProgramFileLength); }

// (A broken appended backup shows "File Error #1" and then ends the program
// with exit code 1: the dialog tests cover that in-process, where the message
// box can be answered.)
TEST(ViewerProgram, AppendedBackupIsPlayedInSelfContainedMode) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  test::TempDir dir;
  const std::string good = Concatenate(dir, "good", test::MakeSmallBackup(7, 5).ContainerBytes());
  EXPECT_EQ(RunFor(good, std::chrono::milliseconds(1500)), -1) << "the self-contained viewer should keep running";
}

}  // namespace
}  // namespace bv
