// The converter end to end: files dropped on the real main window (offscreen),
// the rows it lists, the message boxes it shows, and the PNG files it writes,
// decoded back and compared with the generator's expected grey levels. One
// table holds the inputs that are refused, unreadable, or changed while they
// are read; every file that was in the folder before stays byte for byte.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include <QCoreApplication>

#include "framework/application.h"
#include "framework/dispatch.h"
#include "framework/folder_item.h"
#include "framework/yield.h"
#include "mapconv/main_window.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"
#include "tests/support/png_reader.h"
#include "tests/support/program_process.h"

namespace {

namespace fs = std::filesystem;
using testsupport::MapSpec;
using testsupport::ProgramHarness;
using testsupport::TempDir;
using Names = std::vector<std::string>;
using SampleFn = std::function<float(int, int, int)>;

MapSpec Spec(int w, int h, Names species, SampleFn sample = nullptr, double step = 0.25) {
  MapSpec spec;
  spec.width = w;
  spec.height = h;
  spec.species = std::move(species);
  spec.sample = std::move(sample);
  spec.hstep = spec.vstep = step;
  return spec;
}

// A 10 x 10 field of 2.5 µm: its names end in "(2.5µm).png".
MapSpec Field25(Names species) {
  return Spec(10, 10, std::move(species), [](int k, int x, int y) { return float(k * 100 + x * 10 + y); });
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
  EXPECT_EQ(png->colorType, 0);  // greyscale
  EXPECT_EQ(png->bitDepth, 8);
  EXPECT_FALSE(png->hasPhys);
  EXPECT_FALSE(png->hasGama);
  ASSERT_EQ(png->width, spec.width);
  ASSERT_EQ(png->height, spec.height);
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

// The two rows of image k of the generator's default ramp on 2 x 2 pixels.
Names RampRows(const MapSpec& spec, int k) {
  return {"Min: " + std::to_string(k * 1000) + " Max: " + std::to_string(k * 1000 + 4),
          testsupport::ExpectedMaxBytesRow(spec, k)};
}

}  // namespace

TEST(Converter, DropOfThreeFilesListsTheLastAndWritesEveryPng) {
  TempDir dir;
  const MapSpec a = Spec(8, 6, {"O1"}, [](int, int x, int y) { return float(x - y); }, 0.01);
  const MapSpec b = Spec(4, 4, {"C1", "N1"}, [](int k, int x, int y) { return float(k + x * y); }, 0.01);
  // The last file states no field step: its size is 0, not the previous file's.
  const MapSpec c = Spec(6, 5, {"O1", "Fe2"}, [](int k, int x, int y) { return float(k * 100 + x * 4 + y); });
  testsupport::WriteMapFile(dir.File("a.map"), a);
  testsupport::WriteMapFile(dir.File("b.sem"), b);
  testsupport::WriteFileWithHeader(dir.File("c.map"),
                                   {"NoMapPixelsXY: 6 5", "NoSpectralReg: 2", "SpectralRegDef: 1 0 O1",
                                    "SpectralRegDef: 2 0 Fe2", "EOFH"},
                                   c);
  ProgramHarness h;
  DropAndSettle(h, {dir.File("a.map"), dir.File("b.sem"), dir.File("c.map")});

  EXPECT_EQ(h.Status(), "c.map");
  EXPECT_EQ(h.Rows("LBraw"), (Names{"NoMapPixelsXY: 6 5", "NoSpectralReg: 2", "SpectralRegDef: 1 0 O1",
                                    "SpectralRegDef: 2 0 Fe2"}));
  EXPECT_EQ(h.Rows("LBresults"), (Names{"Pixel Size: 6(w) x 5(h)", "Micron Size: 0.0(w) x 0.0(h)", " ",
                                        "Files Created:", "Min: 0 Max: 24", "Max: 00 00 C0 41", "c O1 (0nm).png",
                                        "Min: 100 Max: 124", "Max: 00 00 F8 42", "c Fe2 (0nm).png"}));
  EXPECT_TRUE(h.messages.empty());
  EXPECT_EQ(dir.Names(), (Names{"a O1 (80nmw).png", "a.map", "b C1 (40nm).png", "b N1 (40nm).png", "b.sem",
                                "c Fe2 (0nm).png", "c O1 (0nm).png", "c.map"}));
  ExpectPngOf(dir.File("a O1 (80nmw).png"), a, 0);
  ExpectPngOf(dir.File("b N1 (40nm).png"), b, 1);
  ExpectPngOf(dir.File("c Fe2 (0nm).png"), c, 1);
  // The Mac codes, where the folder's file system keeps them (tmpfs may not).
  const auto png = fw::FolderItem::FromPath(dir.File("b C1 (40nm).png"));
  png->SetMacType("TEST");
  if (png->MacType() == "TEST") {
    DropAndSettle(h, {dir.File("b.sem")});
    const auto again = fw::FolderItem::FromPath(dir.File("b C1 (40nm) 02.png"));
    EXPECT_EQ(again->MacType(), "PNGf");
    EXPECT_EQ(again->MacCreator(), "GKON");
  }
}

TEST(Converter, AutoSaveOffWritesNoFileButListsEveryImage) {
  TempDir dir;
  testsupport::WriteMapFile(dir.File("scan01.map"), Field25({"O1", "C1"}));
  ProgramHarness h;
  h.main()->CB_autosave()->SetValue(false);
  DropAndSettle(h, {dir.File("scan01.map")});
  EXPECT_EQ(h.Rows("LBresults"), (Names{"Pixel Size: 10(w) x 10(h)", "Micron Size: 2.5(w) x 2.5(h)", " ",
                                        "Files Created:", "Min: 0 Max: 99", "Max: 00 00 C6 42", "Min: 100 Max: 199",
                                        "Max: 00 00 47 43"}));
  EXPECT_EQ(dir.Names(), Names{"scan01.map"});
}

TEST(Converter, OutputNamesAreNumberedPastExistingFiles) {
  struct Row {
    const char* name;
    Names species;
    Names existing;  // present before the drop, each holding "old"
    int drops;
    Names expectedRows;  // the names listed by the last conversion
  };
  const std::vector<Row> rows = {
      {"unnumbered and 02 present", {"O1"}, {"scan01 O1 (2.5µm).png", "scan01 O1 (2.5µm) 02.png"}, 1,
       {"scan01 O1 (2.5µm) 03.png"}},
      {"the same file twice", {"O1", "C1"}, {}, 2, {"scan01 O1 (2.5µm) 02.png", "scan01 C1 (2.5µm) 02.png"}},
      {"one species name for two images", {"O1", "O1"}, {}, 1, {"scan01 O1 (2.5µm).png", "scan01 O1 (2.5µm) 02.png"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const MapSpec spec = Field25(row.species);
    testsupport::WriteMapFile(dir.File("scan01.map"), spec);
    for (const auto& name : row.existing) testsupport::WriteBytes(dir.File(name), "old");
    ProgramHarness h;
    for (int i = 0; i < row.drops; ++i) DropAndSettle(h, {dir.File("scan01.map")});
    Names listed;
    const Names results = h.Rows("LBresults");
    for (size_t i = 6; i < results.size(); i += 3) listed.push_back(results[i]);
    EXPECT_EQ(listed, row.expectedRows);
    for (size_t k = 0; k < listed.size(); ++k) ExpectPngOf(dir.File(listed[k]), spec, int(k));
    for (const auto& name : row.existing) EXPECT_EQ(testsupport::ReadBytes(dir.File(name)), "old") << name;
    EXPECT_TRUE(h.messages.empty());
  }
}

TEST(Converter, NumberingLimitShowsTheMessageOnceAndNeverReplacesAFile) {
  const std::string base = "scan01 O1 (2.5µm)";
  for (const bool thousandPresent : {false, true}) {
    SCOPED_TRACE(thousandPresent ? "1000 present" : "1000 free");
    TempDir dir;
    const MapSpec spec = Field25({"O1"});
    testsupport::WriteMapFile(dir.File("scan01.map"), spec);
    testsupport::WriteBytes(dir.File(base + ".png"), "old");
    for (int n = 2; n <= 999; ++n)
      testsupport::WriteBytes(dir.File(base + (n < 10 ? " 0" : " ") + std::to_string(n) + ".png"), "old");
    const std::string last = base + " 1000.png";
    if (thousandPresent) testsupport::WriteBytes(dir.File(last), "keep me");
    ProgramHarness h;
    DropAndSettle(h, {dir.File("scan01.map")});
    EXPECT_EQ(h.messages, Names{"filename increment reaches 1000"});
    const Names results = h.Rows("LBresults");
    ASSERT_EQ(results.size(), 7u);
    if (thousandPresent) {
      EXPECT_EQ(results[6], "Could not save " + last);
      EXPECT_EQ(testsupport::ReadBytes(dir.File(last)), "keep me");
      EXPECT_EQ(fw::FolderItem::FromPath(dir.File(last))->MacType(), "");  // a failed save sets no codes
    } else {
      EXPECT_EQ(results[6], last);
      ExpectPngOf(dir.File(last), spec, 0);
    }
    EXPECT_EQ(dir.Names().size(), 1000u + 1u);  // nothing else written, no temporary file left
  }
}

TEST(Converter, HeaderEndsAtEofAfter1000LinesOrAtItsEnd) {
  const Names keys = {"NoMapPixelsXY: 2 2", "EBeamScanIncXY: 1 1", "NoSpectralReg: 1", "SpectralRegDef: 1 0 O1 1 2"};
  Names thousand = keys;
  while (thousand.size() < 1000) thousand.push_back("Comment: line " + std::to_string(thousand.size() + 1));
  thousand.push_back("NoMapPixelsXY: 1 1");  // line 1001
  const Names twoKeys = {"NoMapPixelsXY: 2 3 EBeamScanIncXY:", "NoSpectralReg: 1", "SpectralRegDef: 1 0 O1", "eof"};
  struct Row {
    const char* name;
    Names header;
    size_t rawRows;
    int height;
    const char* micronRow;
    const char* png;
  };
  const std::vector<Row> rows = {
      {"1000 lines, a key on line 1001 has no effect", thousand, 1000, 2, "Micron Size: 2.0(w) x 2.0(h)",
       "t O1 (2µm).png"},
      {"EOFH ends the header", Concat({keys, {"EOFH", "NoMapPixelsXY: 1 1"}}), 4, 2, "Micron Size: 2.0(w) x 2.0(h)",
       "t O1 (2µm).png"},
      {"eof inside a word ends the header", Concat({keys, {"Comment: thereof", "NoMapPixelsXY: 1 1"}}), 4, 2,
       "Micron Size: 2.0(w) x 2.0(h)", "t O1 (2µm).png"},
      {"one line sets two keys", twoKeys, 3, 3, "Micron Size: 4.0(w) x 9.0(h)", "t O1 (4µmw).png"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const MapSpec spec = Spec(2, row.height, {"O1"}, [](int, int x, int y) { return float(x + 2 * y); });
    testsupport::WriteFileWithHeader(dir.File("t.map"), row.header, spec);
    ProgramHarness h;
    DropAndSettle(h, {dir.File("t.map")});
    EXPECT_EQ(h.Rows("LBraw"), Names(row.header.begin(), row.header.begin() + long(row.rawRows)));
    const Names results = h.Rows("LBresults");
    ASSERT_EQ(results.size(), 7u);
    EXPECT_EQ(results[0], "Pixel Size: 2(w) x " + std::to_string(row.height) + "(h)");
    EXPECT_EQ(results[1], row.micronRow);
    EXPECT_EQ(results[6], row.png);
    ExpectPngOf(dir.File(row.png), spec, 0);
  }
}

TEST(Converter, FileNamesCarryTheCleanedNamesAndTheSizeLabel) {
  const SampleFn ramp = [](int, int x, int y) { return float(x * y); };
  struct Row {
    const char* input;
    MapSpec spec;
    const char* png;
  };
  const std::vector<Row> rows = {
      {"Fe 2p.map", Spec(10, 10, {"O1"}, ramp), "Fe_2p O1 (2.5µm).png"},
      // A header field never holds a blank; a tab is a character outside the set as well.
      {"scan.map", Spec(10, 10, {"Fe\t2p"}, ramp), "scan Fe_2p (2.5µm).png"},
      {"scan.map", Spec(10, 10, {"Fe/Ni"}, ramp), "scan Fe_Ni (2.5µm).png"},
      {"scan.map", Spec(10, 10, {""}, ramp), "scan ? (2.5µm).png"},
      {"scan.map", Spec(10, 10, {"é"}, ramp), "scan  (2.5µm).png"},
      {"scan.map", Spec(10, 10, {"Ma\xDF"}, ramp), "scan Maß (2.5µm).png"},  // a Latin-1 header line
      {".map", Spec(10, 10, {"O1"}, ramp), "? O1 (2.5µm).png"},
      {"scan.sem", Spec(10, 10, {"O1"}, ramp, 0.035), "scan O1 (350nm).png"},
      {"scan.map", Spec(10, 8, {"O1"}, ramp), "scan O1 (2.5µmw).png"},
      {"SCAN.MAP", Spec(10, 10, {"O1"}, ramp), "SCAN O1 (2.5µm).png"},
      {"-a \"q\" 'x' \xC3\xA9 \xC3\xBC.map", Spec(10, 10, {"O1"}, ramp), "-a_q_x_\xC3\xBC O1 (2.5µm).png"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.png);
    TempDir dir;
    testsupport::WriteMapFile(dir.File(row.input), row.spec);
    ProgramHarness h;
    DropAndSettle(h, {dir.File(row.input)});
    const Names results = h.Rows("LBresults");
    ASSERT_EQ(results.size(), 7u);
    EXPECT_EQ(results[6], row.png);
    ExpectPngOf(dir.File(row.png), row.spec, 0);
  }
}

namespace {

constexpr const char* kRowVariable = "ORV_BAD_INPUT_ROW";
constexpr const char* kPathVariable = "ORV_BAD_INPUT_PATH";
const Names kNoSizes = {"Pixel Size: -1(w) x -1(h)", "Micron Size: 0.0(w) x 0.0(h)"};
const Names kSmallSizes = {"Pixel Size: 2(w) x 2(h)", "Micron Size: 0.0(w) x 0.0(h)"};
const Names kFilesCreated = {" ", "Files Created:"};

MapSpec Small(Names species) {
  return Spec(2, 2, std::move(species), [](int k, int x, int y) { return float(k * 1000 + 3 * x + y); }, 0.01);
}

struct Outcome {
  Names raw, results;  // LBraw, LBresults
  std::string status;
  Names messages;
  Names newFiles;  // what the folder gains, sorted
  Names touched;   // inputs removed or changed on purpose
};

struct BadInput {
  const char* name;
  // Makes the input in the folder; returns the path to drop.
  std::function<std::string(const TempDir&)> prepare;
  Outcome expect;
  // Installed as the yield hook during the drop (optional).
  std::function<std::function<void()>(ProgramHarness&, const std::string& input)> during = nullptr;
  std::function<void(const TempDir&)> after = nullptr;  // further checks (optional)
  bool unprivileged = false;  // reading or writing must be refused by the system
};

// A file holding these bytes under this name.
std::function<std::string(const TempDir&)> Bytes(const std::string& fileName, const std::string& bytes) {
  return [=](const TempDir& d) {
    testsupport::WriteBytes(d.File(fileName), bytes);
    return d.File(fileName);
  };
}
// A file of one image whose header states sizeLine, padded for the block check.
std::function<std::string(const TempDir&)> SizesFile(const std::string& fileName, const std::string& sizeLine) {
  return Bytes(fileName, Lines({sizeLine, "SpectralRegDef: 1 0 O1", "EOFH"}) + std::string(64, '\x01'));
}
std::function<std::string(const TempDir&)> Generated(const std::string& fileName, const MapSpec& spec) {
  return [=](const TempDir& d) {
    testsupport::WriteMapFile(d.File(fileName), spec);
    return d.File(fileName);
  };
}
// A sparse file: its length costs no disk space.
std::function<std::string(const TempDir&)> Sparse(const std::string& fileName, const std::string& head,
                                                  std::uintmax_t length) {
  return [=](const TempDir& d) {
    testsupport::WriteBytes(d.File(fileName), head);
    fs::resize_file(d.File(fileName), length);
    return d.File(fileName);
  };
}
// Acts once, at the first yield where the results list holds `rows` rows.
std::function<std::function<void()>(ProgramHarness&, const std::string&)> AtRows(
    int rows, std::function<void(const std::string& input)> act) {
  return [=](ProgramHarness& h, const std::string& input) {
    return [&h, input, rows, act, done = false]() mutable {
      if (!done && h.main()->LBresults()->ListCount() == rows) {
        done = true;
        act(input);
      }
    };
  };
}

std::vector<BadInput> BadInputs() {
  const MapSpec two = Small({"O1", "C1"});
  MapSpec other = two;  // the same sizes, other samples
  other.sample = [](int k, int x, int y) { return float(7 - k - x - y); };
  const Names keys = {"NoMapPixelsXY: 2 2", "SpectralRegDef: 1 0 O1"};
  const std::string samples1234 = std::string("\0\0\x80\x3F\0\0\0\x40\0\0\x40\x40\0\0\x80\x40", 16);
  const std::string junkLine = std::string("\xFF\xFE\x80 junk \x01\x7F", 10) + samples1234;
  const std::string shortHead = Lines({"NoMapPixelsXY: 64 64", "SpectralRegDef: 1 0 O1", "EOFH"});
  const Names countZero = {"NoMapPixelsXY: 2 2", "NoSpectralReg: 0", "SpectralRegDef: 1 0 O1",
                           "SpectralRegDef: 2 0 C1"};
  const Names headerOnly = {"NoMapPixelsXY: 100 100", "EBeamScanIncXY: 0.25 0.25", "NoSpectralReg: 1",
                            "SpectralRegDef: 1 0 O1"};
  const auto header = testsupport::MapHeaderLines(two);
  const Names image0 = Concat({kSmallSizes, kFilesCreated, RampRows(two, 0), {"t O1 (20nm).png"}});
  return {
      {"empty file", Bytes("e.map", ""), {{}, kNoSizes, "e.map", {"headersize wrong"}, {}, {}}},
      {"three bytes", Bytes("abc.map", "abc"), {{"abc"}, kNoSizes, "abc.map", {"headersize wrong"}, {}, {}}},
      {"header only", Bytes("head.map", Lines(Concat({headerOnly, {"EOFH"}}))),
       {headerOnly, {"Pixel Size: 100(w) x 100(h)", "Micron Size: 25.0(w) x 25.0(h)"}, "head.map",
        {"headersize wrong"}, {}, {}}},
      {"sample block one byte short", Bytes("s.map", shortHead + std::string(64 * 64 * 4 - 1 - shortHead.size(), 3)),
       {{"NoMapPixelsXY: 64 64", "SpectralRegDef: 1 0 O1"},
        {"Pixel Size: 64(w) x 64(h)", "Micron Size: 0.0(w) x 0.0(h)"}, "s.map", {"headersize wrong"}, {}, {}}},
      // No "eof" anywhere: the junk is one more header line (Latin-1, as it is
      // no UTF-8), and its last 16 bytes are the 2 x 2 samples 1, 2, 3, 4.
      {"no eof line and binary junk", Bytes("j.map", Lines(keys) + junkLine),
       {Concat({keys, {testsupport::Latin1AsUtf8(junkLine)}}),
        Concat({kSmallSizes, kFilesCreated, {"Min: 1 Max: 4", "Max: 00 00 80 40", "j O1 (0nm).png"}}), "j.map",
        {}, {"j O1 (0nm).png"}, {}},
       nullptr,
       [](const TempDir& d) {
         const auto png = ReadPng(d.File("j O1 (0nm).png"));
         ASSERT_TRUE(png.has_value());
         EXPECT_EQ(png->pixels, (std::vector<uint8_t>{0, 170, 85, 255}));  // columns 1, 2 | 3, 4
       }},
      {"width 0", SizesFile("z.map", "NoMapPixelsXY: 0 4"),
       {{"NoMapPixelsXY: 0 4", "SpectralRegDef: 1 0 O1"}, {"Pixel Size: 0(w) x 4(h)", "Micron Size: 0.0(w) x 0.0(h)"},
        "z.map", {"pixel size wrong"}, {}, {}}},
      {"sizes not numbers", SizesFile("w.map", "NoMapPixelsXY: wide tall"),
       {{"NoMapPixelsXY: wide tall", "SpectralRegDef: 1 0 O1"},
        {"Pixel Size: 0(w) x 0(h)", "Micron Size: 0.0(w) x 0.0(h)"}, "w.map", {"pixel size wrong"}, {}, {}}},
      // 4 x 65536 x 16384 is 2^32: 0 in 32-bit arithmetic, which would pass.
      {"sample block beyond 32 bits", SizesFile("wrap.map", "NoMapPixelsXY: 65536 16384"),
       {{"NoMapPixelsXY: 65536 16384", "SpectralRegDef: 1 0 O1"},
        {"Pixel Size: 65536(w) x 16384(h)", "Micron Size: 0.0(w) x 0.0(h)"}, "wrap.map", {"headersize wrong"}, {}, {}}},
      {"image count 0 with two names", Bytes("n.map", Lines(countZero) + "EOFH\n" + std::string(32, 2)),
       {countZero, kSmallSizes, "n.map", {"Wrong number of images"}, {}, {}}},
      // Refused from its length alone: not one header line is read.
      {"file of 2 GiB", Sparse("huge.map", Lines(Concat({keys, {"EOFH"}})), std::uintmax_t{1} << 31),
       {{}, {}, "huge.map", {"file too large"}, {}, {}}},
      // 1.9 GB without a line break: the quit comes while the one line is skipped.
      {"quit during a header line of 1.9 GB", Sparse("long.map", "NoMapPixelsXY: 2 2 ", 1900000000),
       {{}, {}, "long.map", {}, {}, {}},
       [](ProgramHarness&, const std::string&) {
         return [yields = 0]() mutable {
           if (++yields == 3) fw::Quit(0);
         };
       },
       [](const TempDir&) { EXPECT_TRUE(fw::Quitting()); }},
      {"a folder named x.map", [](const TempDir& d) {
         fs::create_directory(d.File("x.map"));
         return d.File("x.map");
       },
       {{}, {"Could not read this file."}, "x.map", {}, {}, {}}},
      {"a file without read permission", [](const TempDir& d) {
         testsupport::WriteMapFile(d.File("secret.map"), Small({"O1"}));
         fs::permissions(d.File("secret.map"), fs::perms::none);
         return d.File("secret.map");
       },
       {{}, {"Could not read this file."}, "secret.map", {}, {}, {}}, nullptr, nullptr, true},
      {"a folder without write permission", [=](const TempDir& d) {
         testsupport::WriteMapFile(d.File("ro.map"), two);
         fs::permissions(d.path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                         fs::perm_options::remove);
         return d.File("ro.map");
       },
       {header,
        Concat({kSmallSizes, kFilesCreated, RampRows(two, 0), {"Could not save ro O1 (20nm).png"}, RampRows(two, 1),
                {"Could not save ro C1 (20nm).png"}}),
        "ro.map", {}, {}, {}},
       nullptr, nullptr, true},
      // Image 0 is written; then the file is cut short, and image 1 is not read.
      {"file truncated while its images are read", Generated("t.map", two),
       {header, Concat({image0, {"Could not read this file."}}), "t.map", {}, {"t O1 (20nm).png"}, {"t.map"}},
       AtRows(7, [](const std::string& input) { fs::resize_file(input, fs::file_size(input) - 10); })},
      // The open file stays the one that was dropped: every picture is its own.
      {"another file renamed over it while its images are read", Generated("t.map", two),
       {header, Concat({image0, RampRows(two, 1), {"t C1 (20nm).png"}}), "t.map", {},
        {"t C1 (20nm).png", "t O1 (20nm).png"}, {"t.map"}},
       AtRows(7,
              [=](const std::string& input) {
                const std::string replacement = (fs::path(input).parent_path() / "other.map").string();
                testsupport::WriteMapFile(replacement, other);
                fs::rename(replacement, input);
              }),
       [=](const TempDir& d) { ExpectPngOf(d.File("t C1 (20nm).png"), two, 1); }},
      // A quit as image 1 begins: image 0's file stays whole, nothing more is done.
      {"quit during a conversion", Generated("t.map", two),
       {header, image0, "t.map", {}, {"t O1 (20nm).png"}, {}}, AtRows(7, [](const std::string&) { fw::Quit(0); }),
       [=](const TempDir& d) {
         EXPECT_TRUE(fw::Quitting());
         EXPECT_EQ(fw::ExitCode(), 0);
         ExpectPngOf(d.File("t O1 (20nm).png"), two, 0);
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

// The drop and what the window shows; the folder is the caller's business.
void DropAndCheck(const BadInput& row, const std::string& input, const TempDir* dir = nullptr) {
  ProgramHarness h;
  if (row.during) fw::SetYieldHook(row.during(h, input));
  DropAndSettle(h, {input});
  fw::SetYieldHook(nullptr);
  EXPECT_EQ(h.Rows("LBraw"), row.expect.raw);
  EXPECT_EQ(h.Rows("LBresults"), row.expect.results);
  EXPECT_EQ(h.Status(), row.expect.status);
  EXPECT_EQ(h.messages, row.expect.messages);
  EXPECT_TRUE(h.reports.empty());
  if (row.after && dir) row.after(*dir);
}

// Runs the row in a child process of this program as an unprivileged user
// (root reads and writes anything); its gtest output comes back on failure.
void DropAndCheckUnprivileged(const BadInput& row, const std::string& input, const TempDir& dir) {
  fs::permissions(dir.path(), fs::perms::others_exec | fs::perms::others_read, fs::perm_options::add);
  const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups '" +
                              fs::read_symlink("/proc/self/exe").string() +
                              "' --gtest_filter=Converter.BadInputs* 2>&1";
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

TEST(Converter, BadInputsAreRefusedOrConvertedInOrderAndNoFileIsLostOrReplaced) {
  const std::vector<BadInput> rows = BadInputs();
  if (const char* only = std::getenv(kRowVariable)) {
    // The child of a permission row: the drop alone, as the unprivileged user.
    ASSERT_NE(geteuid(), 0u);
    for (const BadInput& row : rows)
      if (row.name == std::string(only)) return DropAndCheck(row, std::getenv(kPathVariable));
    FAIL() << "no row " << only;
  }
  for (const BadInput& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string input = row.prepare(dir);
    const auto before = Snapshot(dir.path());
    if (row.unprivileged && geteuid() == 0)
      DropAndCheckUnprivileged(row, input, dir);
    else
      DropAndCheck(row, input, &dir);
    fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::add);

    const auto afterDrop = Snapshot(dir.path());
    const auto& touched = row.expect.touched;
    for (const auto& [name, bytes] : before) {
      if (std::find(touched.begin(), touched.end(), name) != touched.end()) continue;
      ASSERT_TRUE(afterDrop.count(name)) << name << " was removed";
      EXPECT_TRUE(afterDrop.at(name) == bytes) << name << " was changed";
    }
    Names added;
    for (const auto& entry : afterDrop)
      if (!before.count(entry.first)) added.push_back(entry.first);
    EXPECT_EQ(added, row.expect.newFiles);
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
// every name: a name taken by the other copy is numbered on, never lost.
TEST(Converter, TwoCopiesOfTheProgramOnOneFileWriteEveryPicture) {
  TempDir dir;
  Names species;
  for (int k = 0; k < 8; ++k) species.push_back("E" + std::to_string(k));
  const MapSpec spec =
      Spec(1024, 1024, species, [](int k, int x, int y) { return float((x * 31 + y * 17 + k * 1009) % 4099); });
  testsupport::WriteMapFile(dir.File("x.map"), spec);
  const testsupport::PrivateSession one, two;
  const pid_t first = testsupport::StartProgram({dir.File("x.map")}, dir.path(), one.Env());
  const pid_t second = testsupport::StartProgram({dir.File("x.map")}, dir.path(), two.Env());
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  const auto pngs = [&] {
    Names names;
    for (const auto& name : dir.Names())
      if (name[0] != '.' && fs::path(name).extension() == ".png") names.push_back(name);
    return names;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (pngs().size() < 16 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // a seventeenth would show by now
  EXPECT_EQ(testsupport::StopProgram(first).exitStatus, 0);
  EXPECT_EQ(testsupport::StopProgram(second).exitStatus, 0);

  const Names written = pngs();
  ASSERT_EQ(written.size(), 16u);
  std::map<int, int> perImage;
  for (const auto& name : written) {
    const int k = name[3] - '0';  // "x E<k> (...).png"
    ++perImage[k];
    ExpectPngOf(dir.File(name), spec, k);
  }
  for (int k = 0; k < 8; ++k) EXPECT_EQ(perImage[k], 2) << "image " << k;
}
