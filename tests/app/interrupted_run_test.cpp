// The real program, started on a large file, ended while it writes a PNG:
// by SIGKILL, after which no file is left behind, partial or unnamed; and by
// SIGTERM, SIGINT or SIGHUP, which quit in order: exit status 0, no temporary
// file, no partial PNG.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/file_being_written.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"
#include "tests/support/png_reader.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;
using Clock = std::chrono::steady_clock;

constexpr int kSide = 2048;

// The program binary of the same build: <build>/app/orvistella beside <build>/tests/.
std::string ProgramPath() {
  return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "app" / "orvistella").string();
}

void WriteLargeMap(const std::string& path) {
  testsupport::MapSpec spec;
  spec.width = spec.height = kSide;
  spec.species = {"O1", "C1"};
  spec.sample = [](int k, int x, int y) { return float(std::sin(x * 0.01 + k) * 100.0 + y * 0.5); };
  testsupport::WriteMapFile(path, spec);
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

bool HoldsTemporaryFile(const fs::path& dir) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (e.path().filename().string()[0] == '.') return true;
  return false;
}

// Waits until the program has a PNG under way.
bool WaitForTemporaryFile(const fs::path& dir, pid_t pid) {
  const auto deadline = Clock::now() + std::chrono::seconds(120);
  while (Clock::now() < deadline) {
    if (testsupport::FileBeingWrittenIn(dir, pid)) return true;
    int status;
    if (::waitpid(pid, &status, WNOHANG) == pid) return false;  // ended early
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return false;
}

// The exit status, or -1 when the process did not end in time (it is killed then).
int WaitForExit(pid_t pid, int& termSignal) {
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  int status = 0;
  while (Clock::now() < deadline) {
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      termSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  termSignal = -1;
  return -1;
}

// Every file under a final ".png" name decodes completely, at full size.
void ExpectOnlyWholePngs(const fs::path& dir) {
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name[0] == '.' || e.path().extension() != ".png") continue;
    const auto png = ReadPng(e.path().string());
    ASSERT_TRUE(png.has_value()) << "partial file under a final name: " << name;
    EXPECT_EQ(png->width, kSide) << name;
    EXPECT_EQ(png->height, kSide) << name;
  }
}

}  // namespace

TEST(InterruptedRun, KilledWhileWritingAPngLeavesNoPartialFileUnderAFinalName) {
  const std::string program = ProgramPath();
  ASSERT_TRUE(fs::exists(program)) << program;
  TempDir dir;
  const std::string input = dir.File("large.map");
  WriteLargeMap(input);

  const pid_t pid = Start(program, input);
  ASSERT_GT(pid, 0);
  const bool writing = WaitForTemporaryFile(dir.path(), pid);
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(writing) << "the program never started writing a PNG";
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_FALSE(HoldsTemporaryFile(dir.path())) << "temporary file left behind";
  ExpectOnlyWholePngs(dir.path());
}

TEST(InterruptedRun, TermIntAndHupQuitInOrderWhileAPngIsWritten) {
  const std::string program = ProgramPath();
  ASSERT_TRUE(fs::exists(program)) << program;
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    TempDir dir;
    const std::string input = dir.File("large.map");
    WriteLargeMap(input);

    const pid_t pid = Start(program, input);
    ASSERT_GT(pid, 0);
    const bool writing = WaitForTemporaryFile(dir.path(), pid);
    ::kill(pid, sig);
    int termSignal = 0;
    const int code = WaitForExit(pid, termSignal);
    ASSERT_TRUE(writing) << "the program never started writing a PNG";
    EXPECT_EQ(termSignal, 0) << "ended by a signal, not by an orderly quit";
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(HoldsTemporaryFile(dir.path())) << "temporary file left behind";
    ExpectOnlyWholePngs(dir.path());
    // The quit came during the first image: its file is complete or absent,
    // and the second image was never started.
    EXPECT_FALSE(fs::exists(dir.path() / "large C1 (20.5µm).png"));
  }
}
