// The real program as a desktop starts and ends it: every argument is a
// document, a later start hands its documents to the program that runs, and
// signals end it in order while it writes a PNG.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "framework/recorder.h"
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
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (!written() && Running(program) && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return written();
}

// A socket at `path`: bound there, as a crashed program leaves it, or a
// client that connects and sends nothing; -1 when it cannot.
int SocketAt(const std::filesystem::path& path, bool bind) {
  sockaddr_un addr{AF_UNIX, {}};
  path.string().copy(addr.sun_path, sizeof addr.sun_path - 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  const auto* a = reinterpret_cast<sockaddr*>(&addr);
  if ((bind ? ::bind(fd, a, sizeof addr) : ::connect(fd, a, sizeof addr)) == 0) return fd;
  ::close(fd);
  return -1;
}

// A limit on the program's descriptors that leaves it about `spare` new ones.
// Only the soft limit moves: raising the hard one needs a privilege that a
// container's root may lack.
void LeaveDescriptors(pid_t pid, int spare) {
  const std::filesystem::directory_iterator open("/proc/" + std::to_string(pid) + "/fd");
  rlimit limit{};
  ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, nullptr, &limit), 0);
  limit.rlim_cur = static_cast<rlim_t>(std::distance(begin(open), end(open)) + spare);
  ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, &limit, nullptr), 0);
}

}  // namespace

// Names beginning with "/" are in the documents' folder; those beginning with
// "missing" name no file.
TEST(ProgramProcess, DocumentsReachTheOneRunningProgram) {
  enum Setup { kNone, kStaleSocket, kFolderInTheWay, kLongRuntimeFolder, kNoDisplay, kFolderGone, kStopped, kIdle };
  struct Row {
    const char* name;
    Setup setup;
    std::vector<std::string> first;   // the documents of the first start
    std::vector<std::string> second;  // of a start while the first runs, if any
    std::vector<std::string> converted;  // every picture written
  };
  std::vector<std::string> many(40000, "missing-document.map");  // over 1 MiB of paths
  many.push_back("b.map");
  const Row rows[] = {
      {"every argument after the name is a document, dashes or not", kNone,
       {"-style=a.map", "-stylesheet=b.map", "plain.map"}, {}, {"-style_a", "-stylesheet_b", "plain"}},
      {"a second start hands its file to the first and ends", kNone, {"a.map"}, {"b.map"}, {"a", "b"}},
      {"a socket left by a crashed program does not stop a start", kStaleSocket, {"a.map"}, {"b.map"}, {"a", "b"}},
      {"a folder where the socket would be", kFolderInTheWay, {"a.map"}, {"b.map"}, {"a", "b"}},
      {"a runtime folder too long for a socket address", kLongRuntimeFolder, {"a.map"}, {"b.map"}, {"a", "b"}},
      {"a hand-over of any size", kNone, {"a.map"}, many, {"a", "b"}},
      {"a relative name from a removed folder names no file", kFolderGone, {"a.map"}, {"c.map", "/d.map"}, {"a", "d"}},
      {"no display: a message and status 1", kNoDisplay, {"a.map"}, {}, {}},
      {"a stopped program's full queue: the later start runs by itself", kStopped, {"a.map"}, {"b.map"}, {"a", "b"}},
      {"visitors that send nothing, out of descriptors: dropped", kIdle, {"a.map"}, {"b.map"}, {"a", "b"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir docs;
    PrivateSession session;
    auto env = session.Env();
    for (const auto* list : {&row.first, &row.second})
      for (const auto& name : *list)
        if (name.rfind("missing", 0) != 0) WriteSmallMap(docs, name.substr(name[0] == '/'), 16, 16, {"O1"});
    const auto socket = session.dir.path() / "orvistella.socket";
    if (row.setup == kStaleSocket) ::close(SocketAt(socket, true));
    if (row.setup == kFolderInTheWay) std::filesystem::create_directory(socket);
    if (row.setup == kLongRuntimeFolder) {
      env["XDG_RUNTIME_DIR"] += "/" + std::string(110 - env["XDG_RUNTIME_DIR"].size(), 'r');
      ASSERT_EQ(::mkdir(env["XDG_RUNTIME_DIR"].c_str(), 0700), 0);
    }
    if (row.setup == kNoDisplay) env.insert({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});

    const pid_t first = StartProgram(row.first, docs.path(), env);
    ASSERT_GT(first, 0);
    if (row.setup == kNoDisplay) {
      EXPECT_EQ(WaitForEnd(first, std::chrono::seconds(60)).exitStatus, 1);
      continue;
    }
    const std::vector<std::string> firstStems(row.converted.begin(), row.converted.begin() + row.first.size());
    EXPECT_TRUE(WaitForPngs(docs, firstStems, first)) << "the first start converted not all of its documents";
    siginfo_t stopped;
    if (row.setup == kStopped && ::kill(first, SIGSTOP) == 0) ::waitid(P_PID, first, &stopped, WSTOPPED);
    if (row.setup == kIdle) LeaveDescriptors(first, 10);
    std::vector<int> visitors;  // until the queue is full, or more than the program can take
    const size_t idle = row.setup == kStopped ? 64 : row.setup == kIdle ? 12 : 0;
    for (int fd; visitors.size() < idle && (fd = SocketAt(socket, false)) >= 0;) visitors.push_back(fd);
    if (!row.second.empty()) {
      std::vector<std::string> args = row.second;
      for (auto& arg : args)
        if (arg[0] == '/') arg = docs.path().string() + arg;
      const int here = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      const auto gone = docs.path() / "gone";  // the later start's current folder, removed before it starts
      if (row.setup == kFolderGone && std::filesystem::create_directory(gone) && ::chdir(gone.c_str()) == 0)
        ::rmdir(gone.c_str());
      const pid_t second = StartProgram(args, row.setup == kFolderGone ? "." : docs.path(), env);
      ::fchdir(here);
      ::close(here);
      if (row.setup == kStopped) {
        EXPECT_TRUE(WaitForPngs(docs, {"b"}, second)) << "the later start did not run by itself";
        EXPECT_EQ(StopProgram(second).exitStatus, 0);
        ::kill(first, SIGCONT);
      } else {
        EXPECT_EQ(WaitForEnd(second, std::chrono::seconds(60)).exitStatus, 0) << "the second start did not end in order";
      }
    }
    EXPECT_TRUE(WaitForPngs(docs, row.converted, first)) << "a handed-over document was not converted";
    for (int fd : visitors) ::close(fd);
    EXPECT_EQ(CountPngs(docs), row.converted.size());
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

  // More starts than it reads at once, sending nothing: those that wait in the
  // queue do not keep the loop spinning.
  std::vector<int> idle;
  for (int tries = 0; tries < 10000; ++tries) {
    const int fd = SocketAt(session.dir.path() / "orvistella.socket", false);
    fd < 0 ? QCoreApplication::processEvents() : idle.push_back(fd);
  }
  int accepting = 0;
  fw::SetRecordHook([&](const std::string& event) { accepting += event == "AcceptLaterStarts"; });
  for (int i = 0; i < 1000; ++i) QCoreApplication::processEvents();
  fw::SetRecordHook(nullptr);
  EXPECT_LT(accepting, 500) << idle.size() << " starts";
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  for (int fd : idle) ::shutdown(fd, SHUT_WR);  // each now hands over no documents, and is answered
  for (int fd : idle) {
    for (pollfd answer{fd, POLLIN, 0}; ::poll(&answer, 1, 0) == 0 && Clock::now() < deadline;) ProgramHarness::Settle();
    ::close(fd);
  }
  ProgramHarness::ChooseMenu("ToolsAddImages");
  ASSERT_EQ(fw::FrontWindow()->ClassName(), "AddImages.AddImages");

  const pid_t later = StartProgram({}, session.dir.path());
  while (Running(later) && Clock::now() < deadline) ProgramHarness::Settle();
  const Ending end = WaitForEnd(later, std::chrono::seconds(1));
  fw::CloseSessionChannel();
  ::setenv("XDG_RUNTIME_DIR", testRuntime.c_str(), 1);
  EXPECT_EQ(end.exitStatus, 0) << "the later start did not hand over and end";
  EXPECT_EQ(fw::FrontWindow()->ClassName(), "Main.Main");
}
