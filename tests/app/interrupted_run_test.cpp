// The real program, started on a large file and ended by a signal while it
// writes a PNG. SIGKILL leaves no file behind, partial or unnamed; SIGTERM,
// SIGINT and SIGHUP quit in order: exit status 0, no temporary file, and the
// second image never begun.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/file_being_written.h"
#include "tests/support/map_file_generator.h"
#include "tests/support/png_reader.h"
#include "tests/support/program_files.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSide = 2048;

// The program of the same build: <build>/app/orvistella beside <build>/tests/.
std::string ProgramPath() {
  return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "app" / "orvistella").string();
}

pid_t Start(const std::string& program, const std::string& document) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (FILE* null = std::fopen("/dev/null", "w")) {
      ::dup2(fileno(null), 1);
      ::dup2(fileno(null), 2);
    }
    ::execl(program.c_str(), program.c_str(), document.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

// Polls until the program has a PNG under way (unnamed, or under a hidden
// name); false when it ended first or the time ran out.
bool WaitForFileBeingWritten(pid_t pid, const fs::path& dir) {
  const auto deadline = Clock::now() + std::chrono::seconds(120);
  while (Clock::now() < deadline) {
    if (testsupport::FileBeingWrittenIn(dir, pid)) return true;
    int status;
    if (::waitpid(pid, &status, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return false;
}

// The program's end, within a minute; else it is killed and false comes back.
bool WaitForExit(pid_t pid, int& status) {
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (Clock::now() < deadline) {
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    if (ended != 0) return ended == pid;  // -1: already reaped
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return false;
}

}  // namespace

TEST(InterruptedRun, ASignalWhileAPngIsWrittenLeavesOnlyWholeFiles) {
  const std::string program = ProgramPath();
  ASSERT_TRUE(fs::exists(program)) << program;
  for (const int sig : {SIGKILL, SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    testsupport::TempDir dir;
    testsupport::MapSpec spec;
    spec.width = spec.height = kSide;
    spec.species = {"O1", "C1"};
    spec.sample = [](int k, int x, int y) { return float(std::sin(x * 0.01 + k) * 100.0 + y * 0.5); };
    testsupport::WriteMapFile(dir.File("large.map"), spec);

    const pid_t pid = Start(program, dir.File("large.map"));
    ASSERT_GT(pid, 0);
    const bool writing = WaitForFileBeingWritten(pid, dir.path());
    int status = 0;
    ::kill(pid, writing ? sig : SIGKILL);
    const bool ended = WaitForExit(pid, status);
    ASSERT_TRUE(writing) << "the program never started writing a PNG";
    ASSERT_TRUE(ended) << "the program did not end";
    EXPECT_FALSE(testsupport::HoldsHiddenFile(dir.path())) << "temporary file left behind";
    if (sig == SIGKILL) {
      EXPECT_TRUE(WIFSIGNALED(status));
    } else {
      ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal, not by an orderly quit";
      EXPECT_EQ(WEXITSTATUS(status), 0);
      EXPECT_FALSE(fs::exists(dir.path() / "large C1 (20.5µm).png")) << "the second image was begun";
    }
    // The first image's file is complete or absent.
    for (const std::string& name : dir.Names()) {
      if (name[0] == '.' || fs::path(name).extension() != ".png") continue;
      const auto png = ReadPng(dir.File(name));
      ASSERT_TRUE(png.has_value()) << "partial file under a final name: " << name;
      EXPECT_EQ(png->width, kSide) << name;
    }
  }
}
