// The real program as a desktop starts and ends it: every argument is a
// document, a later start hands its documents to the program that runs, and
// a logout's burst of signals still quits in order.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "framework/session_channel.h"
#include "framework/window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"
#include "tests/support/png_reader.h"
#include "tests/support/program_process.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;
using Clock = std::chrono::steady_clock;

// A runtime folder of one "session", private as the desktop makes it.
using Session = testsupport::PrivateSession;

void WriteMap(const std::string& path, int side, int images) {
  testsupport::MapSpec spec;
  spec.width = spec.height = side;
  for (int k = 0; k < images; ++k) spec.species.push_back(k ? "C1" : "O1");
  spec.sample = [](int k, int x, int y) { return float(std::sin(x * 0.01 + k) * 100.0 + y * 0.5); };
  testsupport::WriteMapFile(path, spec);
}

// Leaves an ended process to be waited for.
bool Running(pid_t pid) {
  siginfo_t info{};
  return ::waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

bool HasPngOf(const fs::path& dir, const std::string& stem) {
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(stem + " ", 0) == 0 && e.path().extension() == ".png") return true;
  }
  return false;
}

bool WaitForPngs(const fs::path& dir, const std::vector<std::string>& stems, pid_t program) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < deadline) {
    bool all = true;
    for (const auto& s : stems) all = all && HasPngOf(dir, s);
    if (all) return true;
    if (!Running(program)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}


// What a crashed program leaves: a socket file nobody listens on.
void LeaveStaleSocket(const fs::path& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  path.string().copy(addr.sun_path, sizeof addr.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::close(fd);
  ASSERT_TRUE(fs::exists(path));
}

void ExpectQuitInOrder(pid_t pid) {
  const testsupport::Ending end = testsupport::WaitForEnd(pid);
  EXPECT_TRUE(end.ended) << "still running long after the signal";
  EXPECT_EQ(end.signal, 0) << "ended by a signal, not by an orderly quit";
  EXPECT_EQ(end.exitStatus, 0);
}

}  // namespace

TEST(ProgramProcess, DocumentsReachTheOneRunningProgram) {
  struct Row {
    const char* name;
    bool staleSocket;
    std::vector<std::string> first;   // the documents of the first start
    bool secondStart;
    std::vector<std::string> second;  // of a start while the first runs
    std::vector<std::string> converted;
  };
  const Row rows[] = {
      {"every argument after the name is a document, dashes or not", false,
       {"-style=a.map", "-stylesheet=b.map", "plain.map"}, false, {}, {"-style_a", "-stylesheet_b", "plain"}},
      {"a second start hands its file to the first and ends", false, {"a.map"}, true, {"b.map"}, {"a", "b"}},
      {"a socket left by a crashed program does not stop a start", true, {"a.map"}, true, {"b.map"}, {"a", "b"}},
      {"a second start without a document just ends", false, {"a.map"}, true, {}, {"a"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir docs;
    Session session;
    for (const auto* list : {&row.first, &row.second})
      for (const auto& name : *list) WriteMap(docs.File(name), 16, 1);
    if (row.staleSocket) LeaveStaleSocket(session.dir.path() / "orvistella.socket");

    const pid_t first = testsupport::StartProgram(row.first, docs.path(), session.Env());
    ASSERT_GT(first, 0);
    const std::vector<std::string> firstStems(row.converted.begin(), row.converted.begin() + row.first.size());
    EXPECT_TRUE(WaitForPngs(docs.path(), firstStems, first)) << "the first start converted not all of its documents";
    if (row.secondStart) {
      const pid_t second = testsupport::StartProgram(row.second, docs.path(), session.Env());
      const testsupport::Ending end = testsupport::WaitForEnd(second, std::chrono::seconds(20));
      EXPECT_TRUE(end.ended) << "the second start kept running";
      EXPECT_EQ(end.exitStatus, 0);
    }
    EXPECT_TRUE(WaitForPngs(docs.path(), row.converted, first)) << "a handed-over document was not converted";
    ASSERT_TRUE(Running(first)) << "the first program ended";
    ::kill(first, SIGTERM);
    ExpectQuitInOrder(first);
  }
}

TEST(ProgramProcess, ABurstOfQuitSignalsWhileAPngIsWrittenQuitsInOrder) {
  struct Row {
    const char* name;
    std::vector<int> burst;
  };
  const Row rows[] = {
      {"TERM then HUP, as a desktop logout sends them", {SIGTERM, SIGHUP}},
      {"INT, TERM and HUP", {SIGINT, SIGTERM, SIGHUP}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const fs::path input = dir.path() / "large.map";
    WriteMap(input.string(), 2048, 2);
    const pid_t pid = testsupport::StartProgram({input.string()}, dir.path());
    ASSERT_GT(pid, 0);
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    while (!testsupport::WritesIn(pid, dir.path(), input) && Running(pid) && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    const bool writing = testsupport::WritesIn(pid, dir.path(), input);
    for (int sig : row.burst) ::kill(pid, sig);
    ExpectQuitInOrder(pid);
    ASSERT_TRUE(writing) << "the program never started writing a PNG";
    // Only the input and complete pictures are left.
    for (const auto& e : fs::directory_iterator(dir.path())) {
      if (e.path() == input) continue;
      const auto png = ReadPng(e.path().string());
      EXPECT_TRUE(png.has_value() && e.path().extension() == ".png") << "left behind: " << e.path().filename();
    }
  }
}

// The running program is this test's own; the later start is the real program.
TEST(ProgramProcess, AStartWithoutDocumentsBringsTheMainWindowForward) {
  testsupport::ProgramHarness h;
  Session session;
  const std::string testRuntime = std::getenv("XDG_RUNTIME_DIR");  // set by the test entry
  ::setenv("XDG_RUNTIME_DIR", session.dir.path().c_str(), 1);
  char name[] = "orvistella";
  char* argv[] = {name, nullptr};
  ASSERT_FALSE(fw::HandOverToRunningProgram("orvistella", 1, argv)) << "another program holds this session";
  fw::ListenForLaterStarts(QCoreApplication::instance());
  testsupport::ProgramHarness::ChooseMenu("ToolsAddImages");
  ASSERT_EQ(fw::FrontWindow()->ClassName(), "AddImages.AddImages");

  const pid_t later = testsupport::StartProgram({}, session.dir.path());
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (Running(later) && Clock::now() < deadline) testsupport::ProgramHarness::Settle();
  const testsupport::Ending end = testsupport::WaitForEnd(later, std::chrono::seconds(1));
  fw::CloseSessionChannel();
  ::setenv("XDG_RUNTIME_DIR", testRuntime.c_str(), 1);
  EXPECT_TRUE(end.ended && end.exitStatus == 0) << "the later start did not hand over and end";
  EXPECT_EQ(fw::FrontWindow()->ClassName(), "Main.Main");
}
