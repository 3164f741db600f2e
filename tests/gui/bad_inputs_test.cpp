// Bad inputs dropped on the real main window, one table: each row states what
// the lists, the status line and the message boxes show, and which files the
// folder gains. Every file that was there before stays, byte for byte.
//
// The permission rows must not run as root (root reads and writes anything):
// there the test runs the row again in a child process of this program under
// an unprivileged user (setpriv), and checks the folder itself.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <sstream>

#include "framework/application.h"
#include "framework/yield.h"
#include "mapconv/main_window.h"
#include "tests/support/file_being_written.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"
#include "tests/support/png_reader.h"

namespace {

namespace fs = std::filesystem;
using testsupport::MapSpec;
using testsupport::ProgramHarness;
using testsupport::TempDir;
using Names = std::vector<std::string>;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr const char* kRowVariable = "ORV_BAD_INPUT_ROW";
constexpr const char* kPathVariable = "ORV_BAD_INPUT_PATH";
constexpr uid_t kNobody = 65534;

const Names kNoSizes = {"Pixel Size: -1(w) x -1(h)", "Micron Size: 0.0(w) x 0.0(h)"};

struct Outcome {
  Names raw;  // LBraw
  Names results;  // LBresults
  std::string status;
  Names messages;
  Names newFiles;  // what the folder gains, sorted
  Names goneFiles;  // what leaves it (the input removed on purpose)
};

struct Row {
  const char* name;
  // Makes the input in the folder; returns the path to drop.
  std::function<std::string(const TempDir&)> prepare;
  Outcome expect;
  // Installed as the yield hook during the drop (optional).
  std::function<std::function<void()>(ProgramHarness&, const std::string& input)> during = nullptr;
  // Checks after the drop, beyond the outcome (optional).
  std::function<void(const TempDir&)> after = nullptr;
  bool unprivileged = false;  // reading or writing must be refused by the system
};

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The folder's entries with their bytes ("<dir>" for a folder; only the size
// of the sparse 2 GiB file).
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (e.is_directory())
      files[name] = "<dir>";
    else if (e.file_size() > (1u << 20))
      files[name] = "<size " + std::to_string(e.file_size()) + ">";
    else
      files[name] = Slurp(e.path());
  }
  return files;
}

std::string Lines(const Names& lines, const std::string& end = "\n") {
  std::string out;
  for (const auto& l : lines) out += l + end;
  return out;
}

std::string Float32(float value) {
  std::string out(4, '\0');
  std::memcpy(out.data(), &value, 4);  // the test machines are little-endian, as the files
  return out;
}

std::string Latin1AsUtf8(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += char(c);
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

MapSpec Small(Names species) {
  MapSpec spec;
  spec.width = spec.height = 2;
  spec.species = std::move(species);
  return spec;  // default ramp: image k holds k*1000 + 3x + y
}

// A file of w x h pixels and one image whose header states sizeLine; padded
// with enough bytes for every check before the pixel sizes to pass.
std::function<std::string(const TempDir&)> SizesFile(const std::string& fileName, const std::string& sizeLine) {
  return [=](const TempDir& dir) {
    Put(dir.File(fileName), Lines({sizeLine, "SpectralRegDef: 1 0 O1", "EOFH"}) + std::string(64, '\x01'));
    return dir.File(fileName);
  };
}

Names HeaderOf(const MapSpec& spec) { return testsupport::MapHeaderLines(spec); }

// The image rows of the default ramp on 2 x 2 pixels, image k.
Names RampRows(int k) {
  const float largest = float(k * 1000 + 4);
  std::string bytes = Float32(largest), hex = "Max:";
  for (unsigned char b : bytes) {
    static const char* digits = "0123456789ABCDEF";
    hex += std::string(" ") + digits[b >> 4] + digits[b & 15];
  }
  return {"Min: " + std::to_string(k * 1000) + " Max: " + std::to_string(k * 1000 + 4), hex};
}

Names Concat(std::initializer_list<Names> parts) {
  Names all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Names kSmallSizes = {"Pixel Size: 2(w) x 2(h)", "Micron Size: 0.0(w) x 0.0(h)"};
const Names kFilesCreated = {" ", "Files Created:"};

std::vector<Row> Table() {
  std::vector<Row> rows;

  rows.push_back({"empty file",
                  [](const TempDir& d) {
                    Put(d.File("empty.map"), "");
                    return d.File("empty.map");
                  },
                  {{}, kNoSizes, "empty.map", {"headersize wrong"}, {}, {}}});

  rows.push_back({"three bytes",
                  [](const TempDir& d) {
                    Put(d.File("abc.map"), "abc");
                    return d.File("abc.map");
                  },
                  {{"abc"}, kNoSizes, "abc.map", {"headersize wrong"}, {}, {}}});

  const Names headerOnly = {"NoMapPixelsXY: 100 100", "EBeamScanIncXY: 0.25 0.25", "NoSpectralReg: 1",
                            "SpectralRegDef: 1 0 O1"};
  rows.push_back({"header only",
                  [=](const TempDir& d) {
                    Put(d.File("head.map"), Lines(headerOnly, "\r\n") + "EOFH\r\n");
                    return d.File("head.map");
                  },
                  {headerOnly,
                   {"Pixel Size: 100(w) x 100(h)", "Micron Size: 25.0(w) x 25.0(h)"},
                   "head.map",
                   {"headersize wrong"},
                   {},
                   {}}});

  // No "eof" anywhere: the junk is read as one more header line (Latin-1, as
  // it is no UTF-8), and its last 16 bytes are the 2 x 2 samples 1, 2, 3, 4.
  const std::string samples = Float32(1) + Float32(2) + Float32(3) + Float32(4);
  const std::string junkLine = std::string("\xFF\xFE\x80 junk \x01\x7F", 10) + samples;
  rows.push_back({"no eof line and binary junk",
                  [=](const TempDir& d) {
                    Put(d.File("junk.map"), "NoMapPixelsXY: 2 2\nSpectralRegDef: 1 0 O1\n" + junkLine);
                    return d.File("junk.map");
                  },
                  {{"NoMapPixelsXY: 2 2", "SpectralRegDef: 1 0 O1", Latin1AsUtf8(junkLine)},
                   Concat({kSmallSizes, kFilesCreated, {"Min: 1 Max: 4", "Max: 00 00 80 40", "junk O1 (0nm).png"}}),
                   "junk.map",
                   {},
                   {"junk O1 (0nm).png"},
                   {}},
                  nullptr,
                  [](const TempDir& d) {
                    const auto png = ReadPng(d.File("junk O1 (0nm).png"));
                    ASSERT_TRUE(png.has_value());
                    // Column by column 1, 2 | 3, 4: scale 85, drawn row by row.
                    EXPECT_EQ(png->pixels, (std::vector<uint8_t>{0, 170, 85, 255}));
                  }});

  rows.push_back({"width 0", SizesFile("zero.map", "NoMapPixelsXY: 0 4"),
                  {{"NoMapPixelsXY: 0 4", "SpectralRegDef: 1 0 O1"},
                   {"Pixel Size: 0(w) x 4(h)", "Micron Size: 0.0(w) x 0.0(h)"},
                   "zero.map",
                   {"pixel size wrong"},
                   {},
                   {}}});
  rows.push_back({"negative width", SizesFile("neg.map", "NoMapPixelsXY: -3 4"),
                  {{"NoMapPixelsXY: -3 4", "SpectralRegDef: 1 0 O1"},
                   {"Pixel Size: -3(w) x 4(h)", "Micron Size: 0.0(w) x 0.0(h)"},
                   "neg.map",
                   {"pixel size wrong"},
                   {},
                   {}}});
  rows.push_back({"sizes not numbers", SizesFile("words.map", "NoMapPixelsXY: wide tall"),
                  {{"NoMapPixelsXY: wide tall", "SpectralRegDef: 1 0 O1"},
                   {"Pixel Size: 0(w) x 0(h)", "Micron Size: 0.0(w) x 0.0(h)"},
                   "words.map",
                   {"pixel size wrong"},
                   {},
                   {}}});
  rows.push_back({"width 1e10", SizesFile("e10.map", "NoMapPixelsXY: 1e10 2"),
                  {{"NoMapPixelsXY: 1e10 2", "SpectralRegDef: 1 0 O1"},
                   {"Pixel Size: 2147483647(w) x 2(h)", "Micron Size: 0.0(w) x 0.0(h)"},
                   "e10.map",
                   {"headersize wrong"},
                   {},
                   {}}});
  // 4 x 65536 x 16384 is 2^32: 0 in 32-bit arithmetic, which would pass.
  rows.push_back({"sample block beyond 32 bits", SizesFile("wrap.map", "NoMapPixelsXY: 65536 16384"),
                  {{"NoMapPixelsXY: 65536 16384", "SpectralRegDef: 1 0 O1"},
                   {"Pixel Size: 65536(w) x 16384(h)", "Micron Size: 0.0(w) x 0.0(h)"},
                   "wrap.map",
                   {"headersize wrong"},
                   {},
                   {}}});
  rows.push_back({"file of 2 GiB",
                  [](const TempDir& d) {
                    const std::string path = d.File("huge.map");
                    Put(path, Lines({"NoMapPixelsXY: 2 2", "SpectralRegDef: 1 0 O1", "EOFH"}));
                    fs::resize_file(path, std::uintmax_t{1} << 31);  // sparse: no disk space used
                    return path;
                  },
                  {{"NoMapPixelsXY: 2 2", "SpectralRegDef: 1 0 O1"}, kSmallSizes, "huge.map", {"file too large"}, {}, {}}});

  const Names countZero = {"NoMapPixelsXY: 2 2", "NoSpectralReg: 0", "SpectralRegDef: 1 0 O1",
                           "SpectralRegDef: 2 0 C1"};
  rows.push_back({"image count 0 with two names",
                  [=](const TempDir& d) {
                    Put(d.File("count0.map"), Lines(countZero) + "EOFH\n" + std::string(32, '\x02'));
                    return d.File("count0.map");
                  },
                  {countZero, kSmallSizes, "count0.map", {"Wrong number of images"}, {}, {}}});
  const Names moreNames = {"NoMapPixelsXY: 2 2", "NoSpectralReg: 2", "SpectralRegDef: 1 0 O1",
                           "SpectralRegDef: 2 0 C1", "SpectralRegDef: 3 0 N1"};
  rows.push_back({"more names than images",
                  [=](const TempDir& d) {
                    Put(d.File("names.map"), Lines(moreNames) + "EOFH\n" + std::string(48, '\x02'));
                    return d.File("names.map");
                  },
                  {moreNames, kSmallSizes, "names.map", {"Wrong number of images"}, {}, {}}});

  MapSpec odd;
  odd.width = 3;
  odd.height = 2;
  odd.species = {"O1"};
  const float oddSamples[3][2] = {{kNaN, 1}, {kInf, 2}, {-kInf, 5}};
  odd.sample = [oddSamples](int, int x, int y) { return oddSamples[x][y]; };
  rows.push_back({"NaN and infinite samples",
                  [=](const TempDir& d) {
                    testsupport::WriteMapFile(d.File("nan.map"), odd);
                    return d.File("nan.map");
                  },
                  {HeaderOf(odd),
                   Concat({{"Pixel Size: 3(w) x 2(h)", "Micron Size: 0.0(w) x 0.0(h)"}, kFilesCreated,
                           {"Min: 1 Max: 5", "Max: 00 00 A0 40", "nan O1 (30nmw).png"}}),
                   "nan.map",
                   {},
                   {"nan O1 (30nmw).png"},
                   {}},
                  nullptr,
                  [](const TempDir& d) {
                    const auto png = ReadPng(d.File("nan O1 (30nmw).png"));
                    ASSERT_TRUE(png.has_value());
                    // Row 0: NaN, +inf, -inf are black; row 1: 1, 2, 5 over a range of 4.
                    EXPECT_EQ(png->pixels, (std::vector<uint8_t>{0, 0, 0, 0, 64, 255}));
                  }});

  rows.push_back({"sample block one byte short",
                  [](const TempDir& d) {
                    const std::string head = Lines({"NoMapPixelsXY: 64 64", "SpectralRegDef: 1 0 O1", "EOFH"});
                    Put(d.File("short.map"), head + std::string(64 * 64 * 4 - 1 - head.size(), '\x03'));
                    return d.File("short.map");
                  },
                  {{"NoMapPixelsXY: 64 64", "SpectralRegDef: 1 0 O1"},
                   {"Pixel Size: 64(w) x 64(h)", "Micron Size: 0.0(w) x 0.0(h)"},
                   "short.map",
                   {"headersize wrong"},
                   {},
                   {}}});

  rows.push_back({"a folder named x.map",
                  [](const TempDir& d) {
                    fs::create_directory(d.File("x.map"));
                    return d.File("x.map");
                  },
                  {{}, {"Could not read this file."}, "x.map", {}, {}, {}}});

  rows.push_back({"a file without read permission",
                  [](const TempDir& d) {
                    testsupport::WriteMapFile(d.File("secret.map"), Small({"O1"}));
                    fs::permissions(d.File("secret.map"), fs::perms::none);
                    return d.File("secret.map");
                  },
                  {{}, {"Could not read this file."}, "secret.map", {}, {}, {}},
                  nullptr,
                  nullptr,
                  true});

  rows.push_back({"a folder without write permission",
                  [](const TempDir& d) {
                    testsupport::WriteMapFile(d.File("ro.map"), Small({"O1", "C1"}));
                    fs::permissions(d.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                                  fs::perms::group_exec | fs::perms::others_read |
                                                  fs::perms::others_exec);
                    return d.File("ro.map");
                  },
                  {HeaderOf(Small({"O1", "C1"})),
                   Concat({kSmallSizes, kFilesCreated, RampRows(0), {"Could not save ro O1 (20nm).png"}, RampRows(1),
                           {"Could not save ro C1 (20nm).png"}}),
                   "ro.map",
                   {},
                   {},
                   {}},
                  nullptr,
                  nullptr,
                  true});

  // The header and its length come from the open file; the samples would
  // need the file opened anew.
  rows.push_back({"file removed while its header is read",
                  [](const TempDir& d) {
                    testsupport::WriteMapFile(d.File("gone.map"), Small({"O1"}));
                    return d.File("gone.map");
                  },
                  {HeaderOf(Small({"O1"})),
                   Concat({kSmallSizes, kFilesCreated, {"Could not read this file."}}),
                   "gone.map",
                   {},
                   {},
                   {"gone.map"}},
                  [](ProgramHarness& h, const std::string& input) {
                    return [&h, input] {
                      if (h.main()->LBraw()->ListCount() == 1) ::unlink(input.c_str());
                    };
                  }});
  // Once the samples are being read the open file stays readable to its end.
  rows.push_back({"file removed while its images are converted",
                  [](const TempDir& d) {
                    testsupport::WriteMapFile(d.File("gone.map"), Small({"O1", "C1"}));
                    return d.File("gone.map");
                  },
                  {HeaderOf(Small({"O1", "C1"})),
                   Concat({kSmallSizes, kFilesCreated, RampRows(0), {"gone O1 (20nm).png"}, RampRows(1),
                           {"gone C1 (20nm).png"}}),
                   "gone.map",
                   {},
                   {"gone C1 (20nm).png", "gone O1 (20nm).png"},
                   {"gone.map"}},
                  [](ProgramHarness& h, const std::string& input) {
                    return [&h, input] {
                      if (h.main()->LBresults()->ListCount() == 4) ::unlink(input.c_str());
                    };
                  }});

  rows.push_back({"names numbered 02 to 1000 all taken",
                  [](const TempDir& d) {
                    testsupport::WriteMapFile(d.File("full.map"), Small({"O1"}));
                    Put(d.File("full O1 (20nm).png"), "kept");
                    for (int n = 2; n <= 1000; ++n) {
                      const std::string number = n < 10 ? "0" + std::to_string(n) : std::to_string(n);
                      Put(d.File("full O1 (20nm) " + number + ".png"), "kept " + number);
                    }
                    return d.File("full.map");
                  },
                  {HeaderOf(Small({"O1"})),
                   Concat({kSmallSizes, kFilesCreated, RampRows(0), {"Could not save full O1 (20nm) 1000.png"}}),
                   "full.map",
                   {"filename increment reaches 1000"},
                   {},
                   {}}});

  // Quit while image 1's PNG is being written (its temporary file exists).
  MapSpec big;
  big.width = big.height = 128;
  big.species = {"O1", "C1", "N1"};
  rows.push_back({"quit in the middle of a conversion",
                  [=](const TempDir& d) {
                    testsupport::WriteMapFile(d.File("big.map"), big);
                    return d.File("big.map");
                  },
                  {HeaderOf(big),
                   {"Pixel Size: 128(w) x 128(h)", "Micron Size: 1.3(w) x 1.3(h)", " ", "Files Created:",
                    "Min: 0 Max: 508", "Max: 00 00 FE 43", "big O1 (1.3µm).png", "Min: 1000 Max: 1508",
                    "Max: 00 80 BC 44"},
                   "big.map",
                   {},
                   {"big O1 (1.3µm).png"},
                   {}},
                  [](ProgramHarness& h, const std::string& input) {
                    const fs::path folder = fs::path(input).parent_path();
                    return [&h, folder] {
                      if (!fw::Quitting() && h.main()->LBresults()->ListCount() == 9 && testsupport::FileBeingWrittenIn(folder))
                        fw::Quit(0);
                    };
                  },
                  [=](const TempDir& d) {
                    EXPECT_TRUE(fw::Quitting());
                    EXPECT_EQ(fw::ExitCode(), 0);
                    const auto png = ReadPng(d.File("big O1 (1.3µm).png"));
                    ASSERT_TRUE(png.has_value()) << "the file written before the quit is damaged";
                    EXPECT_EQ(png->width, 128);
                  }});

  const std::string oddName = "-a \"q\" 'x' \xC3\xA9 \xC3\xBC.map";
  rows.push_back({"a name with blanks, quotes, accents and a leading dash",
                  [=](const TempDir& d) {
                    testsupport::WriteMapFile(d.File(oddName), Small({"O1"}));
                    return d.File(oddName);
                  },
                  {HeaderOf(Small({"O1"})),
                   Concat({kSmallSizes, kFilesCreated, RampRows(0), {"-a_q_x_\xC3\xBC O1 (20nm).png"}}),
                   oddName,
                   {},
                   {"-a_q_x_\xC3\xBC O1 (20nm).png"},
                   {}}});
  return rows;
}

// The drop and what the window shows; the folder is the caller's business.
void DropAndCheck(const Row& row, const std::string& input, const std::function<void()>& after = nullptr) {
  ProgramHarness h;
  if (row.during) fw::SetYieldHook(row.during(h, input));
  ProgramHarness::Drop(h.main(), {input});
  ProgramHarness::Settle();
  fw::SetYieldHook(nullptr);
  EXPECT_EQ(h.Rows("LBraw"), row.expect.raw);
  EXPECT_EQ(h.Rows("LBresults"), row.expect.results);
  EXPECT_EQ(h.Status(), row.expect.status);
  EXPECT_EQ(h.messages, row.expect.messages);
  EXPECT_TRUE(h.reports.empty());
  if (after) after();
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

// Runs the row in a child process of this program as an unprivileged user;
// its gtest output comes back for the failure message.
void DropAndCheckUnprivileged(const Row& row, const std::string& input, const TempDir& dir) {
  // The child must reach the folder (it is the parent's, mode 0755 or less).
  fs::permissions(dir.path(), fs::perms::others_exec | fs::perms::others_read, fs::perm_options::add);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const std::string command = "setpriv --reuid=" + std::to_string(kNobody) + " --regid=" + std::to_string(kNobody) +
                              " --clear-groups " + Quoted(self) + " --gtest_filter=BadInputs.* 2>&1";
  ::setenv(kRowVariable, row.name, 1);
  ::setenv(kPathVariable, input.c_str(), 1);
  FILE* child = ::popen(command.c_str(), "r");
  ::unsetenv(kRowVariable);
  ::unsetenv(kPathVariable);
  ASSERT_NE(child, nullptr);
  std::string output;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, child)) > 0;) output.append(buf, n);
  const int status = ::pclose(child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "unprivileged run failed:\n" << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

}  // namespace

TEST(BadInputs, EachIsRefusedOrConvertedInOrderAndNoFileIsLostOrReplaced) {
  const std::vector<Row> rows = Table();
  if (const char* only = std::getenv(kRowVariable)) {
    // The child of a permission row: the drop alone, as the unprivileged user.
    ASSERT_NE(geteuid(), 0u);
    for (const Row& row : rows)
      if (row.name == std::string(only)) return DropAndCheck(row, std::getenv(kPathVariable));
    FAIL() << "no row " << only;
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string input = row.prepare(dir);
    const auto before = Snapshot(dir.path());
    if (row.unprivileged && geteuid() == 0)
      DropAndCheckUnprivileged(row, input, dir);
    else
      DropAndCheck(row, input, [&] {
        if (row.after) row.after(dir);
      });
    fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::add);

    const auto afterDrop = Snapshot(dir.path());
    for (const auto& [name, bytes] : before) {
      const bool gone = std::find(row.expect.goneFiles.begin(), row.expect.goneFiles.end(), name) !=
                        row.expect.goneFiles.end();
      const auto now = afterDrop.find(name);
      if (gone) {
        EXPECT_EQ(now, afterDrop.end()) << name << " should have been removed";
        continue;
      }
      ASSERT_NE(now, afterDrop.end()) << name << " was removed";
      EXPECT_TRUE(now->second == bytes) << name << " was changed";
    }
    Names added;
    for (const auto& entry : afterDrop)
      if (!before.count(entry.first)) added.push_back(entry.first);
    EXPECT_EQ(added, row.expect.newFiles);
  }
}
