// The converter end to end: files dropped on the real main window (offscreen),
// the rows it lists, the message boxes it shows, and the PNG files it writes,
// decoded back and compared with the generator's expected grey levels. One
// table drops one file per row: each message a user can see, quits, files
// changed while they are read, a decimal comma in the locale; every file that
// was in the folder before stays byte for byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <tuple>

#include <QCoreApplication>

#include "framework/application.h"
#include "framework/dispatch.h"
#include "framework/folder_item.h"
#include "framework/read_only_file.h"
#include "framework/yield.h"
#include "mapconv/main_window.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"
#include "tests/support/png_reader.h"
#include "tests/support/program_files.h"
#include "tests/support/program_process.h"

namespace {

namespace fs = std::filesystem;
using testsupport::MapSpec;
using testsupport::ProgramHarness;
using testsupport::TempDir;
using Names = std::vector<std::string>;
using SampleFn = std::function<float(int, int, int)>;

MapSpec Spec(int w, int h, Names species, SampleFn sample = nullptr, double step = 0.25) {
  return {.width = w, .height = h, .species = std::move(species), .hstep = step, .vstep = step,
          .sample = std::move(sample)};
}

// 2 x 2 pixels of 0.01 µm: names end in "(20nm).png".
MapSpec Small(Names species) {
  return Spec(2, 2, std::move(species), [](int k, int x, int y) { return float(k * 1000 + 3 * x + y); }, 0.01);
}

void DropAndSettle(ProgramHarness& h, const Names& paths) {
  ProgramHarness::Drop(h.main(), paths);
  ProgramHarness::Settle();
}

// The PNG holds image k of spec as 8-bit grey, pixel (x, y) = column x, row y.
void ExpectPngOf(const std::string& path, const MapSpec& spec, int image) {
  SCOPED_TRACE(path);
  const auto png = ReadPng(path);
  ASSERT_TRUE(png.has_value()) << "not a complete PNG file";
  // 8-bit grey, with neither a gAMA nor a pHYs chunk.
  EXPECT_EQ(std::tuple(png->colorType, png->bitDepth, png->hasGama, png->hasPhys), std::tuple(0, 8, false, false));
  ASSERT_EQ(std::pair(png->width, png->height), std::pair(spec.width, spec.height));
  EXPECT_TRUE(png->pixels == testsupport::ExpectedGreyLevels(spec, image)) << "grey levels differ";
}

std::string Lines(const Names& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

Names Concat(std::initializer_list<Names> parts) {
  Names all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

}  // namespace

TEST(Converter, DropOfManyFilesWritesEveryPngUnderItsNameAndListsTheLast) {
  TempDir dir;
  const MapSpec a = Spec(8, 6, {"O1"}, [](int, int x, int y) { return float(x - y); }, 0.01);
  const MapSpec b = Spec(4, 4, {"C1", "N1"}, [](int k, int x, int y) { return float(k + x * y); }, 0.01);
  // The last file states no field step: its size is 0, not the previous file's.
  MapSpec c = Spec(6, 5, {"O1", "Fe2"}, [](int k, int x, int y) { return float(k * 100 + x * 4 + y); });
  c.writeStep = false;
  testsupport::WriteMapFile(dir.File("a.map"), a);
  testsupport::WriteMapFile(dir.File("b.sem"), b);
  testsupport::WriteMapFile(dir.File("c.map"), c);
  ProgramHarness h;
  // An address that is no file is passed over.
  DropAndSettle(h, {dir.File("a.map"), "http://example.invalid/x.map", dir.File("b.sem"), dir.File("c.map")});

  EXPECT_EQ(h.Status(), "c.map");
  EXPECT_EQ(h.Rows("LBraw"), testsupport::MapHeaderLines(c));
  EXPECT_EQ(h.Rows("LBresults"), (Names{"Pixel Size: 6(w) x 5(h)", "Micron Size: 0.0(w) x 0.0(h)", " ",
                                        "Files Created:", "Min: 0 Max: 24", "Max: 00 00 C0 41", "c O1 (0nm).png",
                                        "Min: 100 Max: 124", "Max: 00 00 F8 42", "c Fe2 (0nm).png"}));
  EXPECT_TRUE(h.messages.empty());
  EXPECT_EQ(dir.Names(), (Names{"a O1 (80nmw).png", "a.map", "b C1 (40nm).png", "b N1 (40nm).png", "b.sem",
                                "c Fe2 (0nm).png", "c O1 (0nm).png", "c.map"}));
  ExpectPngOf(dir.File("a O1 (80nmw).png"), a, 0);
  ExpectPngOf(dir.File("b N1 (40nm).png"), b, 1);
  ExpectPngOf(dir.File("c Fe2 (0nm).png"), c, 1);
  // The same file again is numbered on.
  DropAndSettle(h, {dir.File("b.sem")});
  EXPECT_EQ(h.Rows("LBresults").back(), "b N1 (40nm) 02.png");
  ExpectPngOf(dir.File("b N1 (40nm) 02.png"), b, 1);
  // The Mac codes, where the folder's file system keeps them (tmpfs may not).
  const auto probe = fw::FolderItem::FromPath(dir.File("a.map"));
  probe->SetMacType("TEST");
  const auto png = fw::FolderItem::FromPath(dir.File("b C1 (40nm) 02.png"));
  if (probe->MacType() == "TEST") EXPECT_EQ(png->MacType() + " " + png->MacCreator(), "PNGf GKON");
}

namespace {

using Prepare = std::function<std::string(const TempDir&)>;  // makes the input; gives the path to drop
using During = std::function<std::function<void()>(ProgramHarness&, const std::string& input)>;

struct OneFile {
  const char* name;
  Prepare prepare;
  Names raw, results;  // LBraw, LBresults
  Names messages = {};
  Names newFiles = {};  // what the folder gains, sorted
  Names touched = {};   // inputs removed or changed on purpose
  During during = nullptr;  // sets up the window; gives the yield hook for the drop
  std::function<void(const TempDir&)> after = nullptr;  // further checks
};

// A file holding these bytes under this name; a length past them leaves a
// sparse file (its length costs no disk space).
Prepare Bytes(const std::string& fileName, const std::string& bytes, std::uintmax_t length = 0) {
  return [=](const TempDir& d) {
    testsupport::WriteBytes(d.File(fileName), bytes);
    if (length) fs::resize_file(d.File(fileName), length);
    return d.File(fileName);
  };
}
// A generated file, and files of these names each holding "old".
Prepare Generated(const std::string& fileName, const MapSpec& spec, const Names& others = {}) {
  return [=](const TempDir& d) {
    for (const auto& name : others) testsupport::WriteBytes(d.File(name), "old");
    testsupport::WriteMapFile(d.File(fileName), spec);
    return d.File(fileName);
  };
}
// A German locale (decimal comma) for the life of the object, built into a
// temporary folder when the machine has none; then the locale before.
struct DecimalCommaLocale {
  DecimalCommaLocale() {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return;
    const std::string command = "localedef -c -i de_DE -f UTF-8 '" + built.File("de_DE.UTF-8") + "' >/dev/null 2>&1";
    [[maybe_unused]] const int status = std::system(command.c_str());
    ::setenv("LOCPATH", built.path().c_str(), 1);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
  }
  ~DecimalCommaLocale() {
    ::unsetenv("LOCPATH");  // the test programs start without one
    std::setlocale(LC_ALL, saved.c_str());
  }
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  TempDir built;
};

// Acts once, at the first yield where the results list holds `rows` rows.
During AtRows(int rows, std::function<void(const std::string& input)> act) {
  return [=](ProgramHarness& h, const std::string& input) {
    return [&h, input, rows, act, done = false]() mutable {
      if (!done && h.main()->LBresults()->ListCount() == rows) {
        done = true;
        act(input);
      }
    };
  };
}

// Acts once, at the first yield where a file open under the input's folder
// ends with a PNG's last chunk: a whole picture, not yet linked into place.
During AtWholePngNotLinked(std::function<void()> act) {
  return [=](ProgramHarness&, const std::string& input) {
    return [folder = fs::path(input).parent_path(), act, done = false]() mutable {
      static const std::string kIend("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
      std::error_code ec;
      for (const auto& fd : fs::directory_iterator("/proc/self/fd", ec)) {
        if (done || fs::read_symlink(fd.path(), ec).parent_path() != folder) continue;
        done = testsupport::ReadBytes(fd.path().string()).ends_with(kIend);
        if (done) act();
      }
    };
  };
}

std::vector<OneFile> OneFileRows() {
  const MapSpec two = Small({"O1", "C1"});
  MapSpec other = two;  // the same sizes, other samples
  other.sample = [](int k, int x, int y) { return float(7 - k - x - y); };
  const Names sizes = {"Pixel Size: 2(w) x 2(h)", "Micron Size: 0.0(w) x 0.0(h)", " ", "Files Created:"};
  // The two rows of image k of a Small spec.
  const auto stats = [](const MapSpec& spec, int k) {
    return Names{"Min: " + std::to_string(k * 1000) + " Max: " + std::to_string(k * 1000 + 4),
                 testsupport::ExpectedMaxBytesRow(spec, k)};
  };
  const Names keys = {"NoMapPixelsXY: 2 2", "SpectralRegDef: 1 0 O1"};
  const Names headerOnly = {"NoMapPixelsXY: 100 100", "EBeamScanIncXY: 0.25 0.25", "NoSpectralReg: 1",
                            "SpectralRegDef: 1 0 O1"};
  const Names countZero = {"NoSpectralReg: 0", "SpectralRegDef: 1 0 O1", "SpectralRegDef: 2 0 C1"};
  Names taken = {"t O1 (20nm).png", "t O1 (20nm) 1000.png"};  // and 02 to 998
  for (int n = 2; n <= 998; ++n)
    taken.push_back("t O1 (20nm)" + std::string(n < 10 ? " 0" : " ") + std::to_string(n) + ".png");
  const MapSpec twice = Small({"O1", "O1"});
  // 2.5 µm square: decimals in the steps, the rows and the name.
  const MapSpec um = Spec(10, 10, {"O1"}, [](int, int x, int y) { return 0.5f + x * 0.25f + y * 0.125f; });
  // With the species, the picture's name is longer than the file system takes.
  const std::string longInput(200, 'L');
  const std::string longSpecies(60, 'S');
  const MapSpec longName = Small({longSpecies});
  const std::string longPng = longInput + " " + longSpecies + " (20nm).png";
  const auto header = testsupport::MapHeaderLines(two);
  const Names image0 = Concat({sizes, stats(two, 0), {"t O1 (20nm).png"}});
  const auto quitInOrder = [](const TempDir&) {
    EXPECT_TRUE(fw::Quitting());
    EXPECT_EQ(fw::ExitCode(), 0);
  };
  return {
      {"header only", Bytes("head.map", Lines(Concat({headerOnly, {"EOFH"}}))), headerOnly,
       {"Pixel Size: 100(w) x 100(h)", "Micron Size: 25.0(w) x 25.0(h)"}, {"headersize wrong"}},
      {"no sizes, image count 0 and two names", Bytes("n.map", Lines(countZero) + "EOFH\n" + std::string(32, 2)),
       countZero, {"Pixel Size: -1(w) x -1(h)", sizes[1]}, {"Wrong number of images"}},
      {"width 0", Bytes("z.map", Lines({"NoMapPixelsXY: 0 4", "SpectralRegDef: 1 0 O1", "EOFH"}) + std::string(64, 1)),
       {"NoMapPixelsXY: 0 4", "SpectralRegDef: 1 0 O1"}, {"Pixel Size: 0(w) x 4(h)", sizes[1]}, {"pixel size wrong"}},
      // Refused from its length alone: not one header line is read.
      {"file of 2 GiB", Bytes("huge.map", Lines(Concat({keys, {"EOFH"}})), std::uintmax_t{1} << 31), {}, {},
       {"file too large"}},
      // 1.9 GB without a line break: the quit comes while the one line is skipped.
      {"quit during a header line of 1.9 GB", Bytes("long.map", "NoMapPixelsXY: 2 2 ", 1900000000), {}, {}, {}, {}, {},
       [](ProgramHarness&, const std::string&) {
         return [yields = 0]() mutable {
           if (++yields == 3) fw::Quit(0);
         };
       },
       quitInOrder},
      {"a folder named x.map", [](const TempDir& d) {
         fs::create_directory(d.File("x.map"));
         return d.File("x.map");
       },
       {}, {"Could not read this file."}},
      {"a picture name too long to save", Generated(longInput + ".map", longName),
       testsupport::MapHeaderLines(longName), Concat({sizes, stats(longName, 0), {"Could not save " + longPng}})},
      // Image 0 takes the last number, 999; then every number is taken: the
      // message once, and no file is replaced.
      {"numbering up to its end", Generated("t.map", twice, taken), testsupport::MapHeaderLines(twice),
       Concat({sizes, stats(twice, 0), {"t O1 (20nm) 999.png"}, stats(twice, 1),
               {"Could not save t O1 (20nm) 1000.png"}}),
       {"filename increment reaches 1000"}, {"t O1 (20nm) 999.png"}},
      {"a read error in the header", Generated("t.map", two), {header[0], header[1]}, {"Could not read this file."},
       {}, {}, {},
       [](ProgramHarness&, const std::string&) {
         fw::FailReadsFromForTest(50);  // within the third line
         return std::function<void()>();
       }},
      // Image 0 is listed and not saved; image 1 gets no picture, and no name was formed.
      {"auto-save off, and no picture for image 1", Generated("t.map", two), header,
       Concat({sizes, stats(two, 0), stats(two, 1), {"Could not read this file."}}), {}, {}, {},
       [](ProgramHarness& h, const std::string& input) {
         h.main()->CB_autosave()->SetValue(false);
         return AtRows(6, [](const std::string&) {
           mapconv::SetNewPictureForTest([](int, int, int) { return fw::PictureRef(); });
         })(h, input);
       }},
      // SIGTERM once image 0's picture is whole: it is not linked, image 1 is not begun.
      {"a quit signal before the first picture is linked", Generated("t.map", two), header,
       Concat({sizes, stats(two, 0)}), {}, {}, {}, AtWholePngNotLinked([] { ::raise(SIGTERM); }), quitInOrder},
      // Image 0 is written; then the file is cut short, and image 1 is not read.
      {"file truncated while its images are read", Generated("t.map", two), header,
       Concat({image0, {"Could not read this file."}}), {}, {"t O1 (20nm).png"}, {"t.map"},
       AtRows(7, [](const std::string& input) { fs::resize_file(input, fs::file_size(input) - 10); })},
      // The open file stays the one that was dropped: every picture is its own.
      {"another file renamed over it while its images are read", Generated("t.map", two), header,
       Concat({image0, stats(two, 1), {"t C1 (20nm).png"}}), {}, {"t C1 (20nm).png", "t O1 (20nm).png"}, {"t.map"},
       AtRows(7,
              [=](const std::string& input) {
                const std::string replacement = (fs::path(input).parent_path() / "other.map").string();
                testsupport::WriteMapFile(replacement, other);
                fs::rename(replacement, input);
              }),
       [=](const TempDir& d) { ExpectPngOf(d.File("t C1 (20nm).png"), two, 1); }},
      // Between the passes of image 0: the same length, other samples, and a
      // time of its own (a clock tick may be coarser than the rewrite).
      {"rewritten in place while an image is read", Generated("t.map", two), header,
       Concat({sizes, stats(two, 0), {"Could not read this file."}}), {}, {}, {"t.map"},
       AtRows(6,
              [=](const std::string& input) {
                std::fstream(input, std::ios::in | std::ios::out | std::ios::binary)
                    << testsupport::BuildMapFile(other);
                const timespec times[2] = {{0, UTIME_OMIT}, {1, 0}};
                ASSERT_EQ(::utimensat(AT_FDCWD, input.c_str(), times, 0), 0);
              })},
      {"a decimal comma in the locale", Generated("um.map", um), testsupport::MapHeaderLines(um),
       {"Pixel Size: 10(w) x 10(h)", "Micron Size: 2.5(w) x 2.5(h)", " ", "Files Created:", "Min: 0.5 Max: 3.875",
        "Max: 00 00 78 40", "um O1 (2.5µm).png"},
       {}, {"um O1 (2.5µm).png"}, {},
       [](ProgramHarness&, const std::string&) {
         // Set after the toolkit, which may set the locale from the environment.
         auto locale = std::make_shared<DecimalCommaLocale>();
         EXPECT_STREQ(std::localeconv()->decimal_point, ",") << "no locale with a decimal comma could be set";
         return [locale] {};  // held for the drop
       }},
  };
}

// The folder's entries with their bytes (only the size of a large file).
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    files[name] = e.is_directory()              ? "<dir>"
                  : e.file_size() > (1u << 20) ? "<size " + std::to_string(e.file_size()) + ">"
                                                : testsupport::ReadBytes(e.path().string());
  }
  return files;
}

}  // namespace

TEST(Converter, OneFileRefusedConvertedOrChangedWhileReadAndNoFileIsLostOrReplaced) {
  for (const OneFile& row : OneFileRows()) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string input = row.prepare(dir);
    const auto before = Snapshot(dir.path());
    {
      ProgramHarness h;
      if (row.during) fw::SetYieldHook(row.during(h, input));
      DropAndSettle(h, {input});
      fw::SetYieldHook(nullptr);
      EXPECT_EQ(h.Rows("LBraw"), row.raw);
      EXPECT_EQ(h.Rows("LBresults"), row.results);
      EXPECT_EQ(h.Status(), fs::path(input).filename().string());
      EXPECT_EQ(h.messages, row.messages);
      EXPECT_TRUE(h.reports.empty());
      if (row.after) row.after(dir);
    }
    const auto after = Snapshot(dir.path());
    for (const auto& [name, bytes] : before) {
      if (std::ranges::count(row.touched, name)) continue;
      ASSERT_TRUE(after.count(name)) << name << " was removed";
      EXPECT_TRUE(after.at(name) == bytes) << name << " was changed";
    }
    Names added;
    for (const auto& entry : after)
      if (!before.count(entry.first)) added.push_back(entry.first);
    EXPECT_EQ(added, row.newFiles);
  }
}

TEST(Converter, DropDuringAConversionWaitsItsTurnAndListsFillMeanwhile) {
  TempDir dir;
  const MapSpec big = Spec(128, 128, {"O1", "C1", "N1"}, [](int k, int x, int y) { return float(k * 1000 + x * 3 + y); });
  const MapSpec small = Spec(3, 2, {"Si"}, [](int, int x, int y) { return float(x * y); }, 0.01);
  testsupport::WriteMapFile(dir.File("big.map"), big);
  testsupport::WriteMapFile(dir.File("small.map"), small);
  ProgramHarness h;
  Names rowsMeanwhile, namesWhenSecondStarted;
  fw::SetYieldHook([&] {
    if (rowsMeanwhile.empty() && h.main()->LBresults()->ListCount() == 7) {
      rowsMeanwhile = h.Rows("LBresults");  // image 0 listed while image 1 is converted
      ProgramHarness::Drop(h.main(), {dir.File("small.map")});
      // What the event loop does at the next slice; the drop must still wait.
      QCoreApplication::processEvents();
      fw::RunQueuedActions();
    }
    if (namesWhenSecondStarted.empty() && h.Status() == "small.map") namesWhenSecondStarted = dir.Names();
  });
  DropAndSettle(h, {dir.File("big.map")});
  fw::SetYieldHook(nullptr);

  ASSERT_EQ(rowsMeanwhile.size(), 7u);
  EXPECT_EQ(rowsMeanwhile[6], "big O1 (32µm).png");
  EXPECT_EQ(namesWhenSecondStarted,
            (Names{"big C1 (32µm).png", "big N1 (32µm).png", "big O1 (32µm).png", "big.map", "small.map"}));
  EXPECT_EQ(h.Rows("LBraw"), testsupport::MapHeaderLines(small));
  EXPECT_EQ(h.Rows("LBresults").back(), "small Si (30nmw).png");
  for (int k = 0; k < 3; ++k) ExpectPngOf(dir.File("big " + big.species[k] + " (32µm).png"), big, k);
  ExpectPngOf(dir.File("small Si (30nmw).png"), small, 0);
  EXPECT_TRUE(h.reports.empty());
}

// Two copies of the real program (two sessions, so neither hands its file to
// the other), started at once on the same file in the same folder, race for
// every name; no picture is lost.
TEST(Converter, TwoCopiesOfTheProgramOnOneFileWriteEveryPicture) {
  TempDir dir;
  const Names species = {"E0", "E1", "E2", "E3", "E4", "E5", "E6", "E7"};
  const MapSpec spec =
      Spec(1024, 1024, species, [](int k, int x, int y) { return float((x * 31 + y * 17 + k * 1009) % 4099); });
  testsupport::WriteMapFile(dir.File("x.map"), spec);
  const testsupport::PrivateSession one, two;
  const pid_t first = testsupport::StartProgram({dir.File("x.map")}, dir.path(), one.Env());
  const pid_t second = testsupport::StartProgram({dir.File("x.map")}, dir.path(), two.Env());
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (testsupport::CountPngs(dir, "x ") < 16 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // a seventeenth would show by now
  EXPECT_EQ(testsupport::StopProgram(first).exitStatus, 0);
  EXPECT_EQ(testsupport::StopProgram(second).exitStatus, 0);

  // Each image twice: the name taken by the other copy is numbered on.
  Names expected;
  for (const auto& name : species) {
    expected.push_back("x " + name + " (256µm) 02.png");
    expected.push_back("x " + name + " (256µm).png");
  }
  expected.push_back("x.map");
  ASSERT_EQ(dir.Names(), expected);
  for (size_t i = 0; i < 16; ++i) ExpectPngOf(dir.File(expected[i]), spec, int(i / 2));
}
