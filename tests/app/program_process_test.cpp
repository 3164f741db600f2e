// The real program as a desktop starts and ends it: every argument is a
// document, a later start hands its documents to the program that runs, and
// signals end it in order while it writes a PNG.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "framework/session_channel.h"
#include "framework/window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/png_reader.h"
#include "tests/support/program_files.h"
#include "tests/support/program_process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testsupport;
using Clock = std::chrono::steady_clock;

// Whether the program wrote the picture of every stem, "<stem> O1 (<size>).png".
bool WaitForPngs(const TempDir& dir, const std::vector<std::string>& stems, pid_t program) {
  const auto written = [&] {
    return std::all_of(stems.begin(), stems.end(),
                       [&](const std::string& stem) { return CountPngs(dir, stem + " O1") == 1; });
  };
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (!written() && Running(program) && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return written();
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
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir docs;
    PrivateSession session;
    for (const auto* list : {&row.first, &row.second})
      for (const auto& name : *list) WriteSmallMap(docs, name, 16, 16, {"O1"});
    if (row.staleSocket) {  // a socket file that nobody listens on
      sockaddr_un addr{AF_UNIX, {}};
      (session.dir.path() / "orvistella.socket").string().copy(addr.sun_path, sizeof addr.sun_path - 1);
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
      ::close(fd);
    }

    const pid_t first = StartProgram(row.first, docs.path(), session.Env());
    ASSERT_GT(first, 0);
    const std::vector<std::string> firstStems(row.converted.begin(), row.converted.begin() + row.first.size());
    EXPECT_TRUE(WaitForPngs(docs, firstStems, first)) << "the first start converted not all of its documents";
    if (row.secondStart) {
      const pid_t second = StartProgram(row.second, docs.path(), session.Env());
      EXPECT_EQ(WaitForEnd(second, std::chrono::seconds(20)).exitStatus, 0) << "the second start did not end in order";
    }
    EXPECT_TRUE(WaitForPngs(docs, row.converted, first)) << "a handed-over document was not converted";
    ASSERT_TRUE(Running(first)) << "the first program ended";
    EXPECT_EQ(StopProgram(first).exitStatus, 0);
  }
}

// SIGKILL leaves no file, partial, hidden or unnamed; the quit signals, alone
// or in the burst of a desktop logout (the first of a burst is the one acted
// on), quit in order. They come once the first picture is in place, while the
// second is made (or after it: either way only whole pictures may stay).
TEST(ProgramProcess, SignalsWhileAPngIsWrittenLeaveOnlyWholePictures) {
  struct Row {
    const char* name;
    std::vector<int> burst;
  };
  const Row rows[] = {
      {"KILL", {SIGKILL}},
      {"HUP", {SIGHUP}},
      {"TERM then HUP, as a desktop logout sends them", {SIGTERM, SIGHUP}},
      {"INT, TERM and HUP", {SIGINT, SIGTERM, SIGHUP}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string input = WriteSmallMap(dir, "large.map", 2048, 2048, {"O1", "C1"});
    const pid_t pid = StartProgram({input}, dir.path());
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(WaitForPngs(dir, {"large"}, pid)) << "the first picture was not written";
    for (int sig : row.burst) ::kill(pid, sig);
    const Ending end = WaitForEnd(pid);
    if (row.burst[0] == SIGKILL)
      EXPECT_EQ(end.signal, SIGKILL);
    else
      EXPECT_EQ(end.exitStatus, 0) << "no orderly quit";
    for (const std::string& left : dir.Names()) {
      if (left == "large.map") continue;
      const auto png = ReadPng(dir.File(left));
      EXPECT_TRUE(left[0] != '.' && png && png->width == 2048) << "left behind: " << left;
    }
  }
}

// The running program is this test's own; the later start is the real program.
TEST(ProgramProcess, AStartWithoutDocumentsBringsTheMainWindowForward) {
  ProgramHarness h;
  PrivateSession session;
  const std::string testRuntime = std::getenv("XDG_RUNTIME_DIR");  // set by the test entry
  ::setenv("XDG_RUNTIME_DIR", session.dir.path().c_str(), 1);
  char name[] = "orvistella";
  char* argv[] = {name, nullptr};
  ASSERT_FALSE(fw::HandOverToRunningProgram("orvistella", 1, argv)) << "another program holds this session";
  fw::ListenForLaterStarts(QCoreApplication::instance());
  ProgramHarness::ChooseMenu("ToolsAddImages");
  ASSERT_EQ(fw::FrontWindow()->ClassName(), "AddImages.AddImages");

  const pid_t later = StartProgram({}, session.dir.path());
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (Running(later) && Clock::now() < deadline) ProgramHarness::Settle();
  const Ending end = WaitForEnd(later, std::chrono::seconds(1));
  fw::CloseSessionChannel();
  ::setenv("XDG_RUNTIME_DIR", testRuntime.c_str(), 1);
  EXPECT_EQ(end.exitStatus, 0) << "the later start did not hand over and end";
  EXPECT_EQ(fw::FrontWindow()->ClassName(), "Main.Main");
}
