// The converter end to end: files dropped on the main window, the rows it
// lists, the PNG files it writes (decoded back), their names, and the
// message boxes of files it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "framework/folder_item.h"
#include "mapconv/main_window.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"
#include "tests/support/png_reader.h"

namespace {

using testsupport::MapSpec;
using testsupport::ProgramHarness;
using testsupport::TempDir;
using Names = std::vector<std::string>;
using SampleFn = std::function<float(int, int, int)>;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

MapSpec Spec(int w, int h, Names species, SampleFn sample, double step = 0.25) {
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

// Whether the folder's file system keeps the Mac codes (tmpfs may refuse them).
bool KeepsMacCodes(const TempDir& dir) {
  testsupport::WriteBytes(dir.File("probe"), "");
  const auto probe = fw::FolderItem::FromPath(dir.File("probe"));
  probe->SetMacType("TEST");
  const bool kept = probe->MacType() == "TEST";
  std::filesystem::remove(dir.File("probe"));
  return kept;
}

void DropAndSettle(ProgramHarness& h, const std::vector<std::string>& paths) {
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
  const auto expected = testsupport::ExpectedGreyLevels(spec, image);
  for (int y = 0; y < spec.height; ++y)
    for (int x = 0; x < spec.width; ++x) {
      const size_t i = static_cast<size_t>(y) * spec.width + x;
      ASSERT_EQ(int(png->pixels[i]), int(expected[i])) << "pixel (" << x << ", " << y << ")";
    }
}

}  // namespace

TEST(ConverterGui, DropOfThreeFilesListsTheLastAndWritesEveryPng) {
  TempDir dir;
  const MapSpec a = Spec(8, 6, {"O1"}, [](int, int x, int y) { return float(x - y); }, 0.01);
  const MapSpec b = Spec(4, 4, {"C1", "N1"}, [](int k, int x, int y) { return float(k + x * y); }, 0.01);
  const MapSpec c = Spec(6, 5, {"O1", "Fe2"}, [](int k, int x, int y) { return float(k * 100 + x * 4 + y); });
  testsupport::WriteMapFile(dir.File("a.map"), a);
  testsupport::WriteMapFile(dir.File("b.sem"), b);
  testsupport::WriteMapFile(dir.File("c.map"), c);
  ProgramHarness h;
  DropAndSettle(h, {dir.File("a.map"), dir.File("b.sem"), dir.File("c.map")});

  EXPECT_EQ(h.Status(), "c.map");
  EXPECT_EQ(h.Rows("LBraw"), testsupport::MapHeaderLines(c));
  EXPECT_EQ(h.Rows("LBresults"), (Names{"Pixel Size: 6(w) x 5(h)", "Micron Size: 1.5(w) x 1.3(h)", " ",
                                        "Files Created:", "Min: 0 Max: 24", "Max: 00 00 C0 41",
                                        "c O1 (1.5µmw).png", "Min: 100 Max: 124", "Max: 00 00 F8 42",
                                        "c Fe2 (1.5µmw).png"}));
  EXPECT_TRUE(h.messages.empty());
  EXPECT_EQ(dir.Names(), (Names{"a O1 (80nmw).png", "a.map", "b C1 (40nm).png", "b N1 (40nm).png", "b.sem",
                                "c Fe2 (1.5µmw).png", "c O1 (1.5µmw).png", "c.map"}));
  ExpectPngOf(dir.File("a O1 (80nmw).png"), a, 0);
  ExpectPngOf(dir.File("b N1 (40nm).png"), b, 1);
  ExpectPngOf(dir.File("c Fe2 (1.5µmw).png"), c, 1);
  if (KeepsMacCodes(dir)) {
    const auto png = fw::FolderItem::FromPath(dir.File("b C1 (40nm).png"));
    EXPECT_EQ(png->MacType(), "PNGf");
    EXPECT_EQ(png->MacCreator(), "GKON");
  }
}

TEST(ConverterGui, PngFilesHoldTheGreyLevelsOfTheSamples) {
  struct Row {
    const char* name;
    int w, h;
    SampleFn sample;
    const char* minMaxRow;
    const char* maxBytesRow;
  };
  const std::vector<Row> rows = {
      {"ramp, wider than high", 5, 3, [](int, int x, int y) { return float(10 * x + y); }, "Min: 0 Max: 42",
       "Max: 00 00 28 42"},
      {"min at (3,0), max 2.0 at (1,2)", 4, 3,
       [](int, int x, int y) { return x == 3 && y == 0 ? -1.0f : x == 1 && y == 2 ? 2.0f : 1.0f; },
       "Min: -1 Max: 2", "Max: 00 00 00 40"},
      {"levels 0 85 170 255", 4, 1, [](int, int x, int) { return float(x); }, "Min: 0 Max: 3", "Max: 00 00 40 40"},
      {"first sample is the largest", 3, 2, [](int, int x, int y) { return x + y == 0 ? 5.5f : float(x); },
       "Min: 0 Max: 5.5", "Max: 00 00 B0 40"},
      // -0 and +0 are equal but differ in their bytes: the row shows which one was kept.
      {"largest twice, -0 read first", 2, 2,
       [](int, int x, int y) { return x == 0 && y == 1 ? -0.0f : x == 1 && y == 0 ? 0.0f : -1.0f; },
       "Min: -1 Max: -0", "Max: 00 00 00 80"},
      {"largest twice, +0 read first", 2, 2,
       [](int, int x, int y) { return x == 0 && y == 1 ? 0.0f : x == 1 && y == 0 ? -0.0f : -1.0f; },
       "Min: -1 Max: 0", "Max: 00 00 00 00"},
      {"NaN and infinities ignored and black", 3, 2,
       [](int, int x, int y) { return y == 0 ? (x == 0 ? kNaN : x == 1 ? kInf : -kInf) : float(x == 0 ? 1 : x == 1 ? 3 : 2); },
       "Min: 1 Max: 3", "Max: 00 00 40 40"},
      {"no finite sample", 2, 1, [](int, int, int) { return kNaN; }, "Min: nan Max: nan", "Max: 00 00 C0 7F"},
      {"flat image is black", 3, 3, [](int, int, int) { return 7.25f; }, "Min: 7.25 Max: 7.25", "Max: 00 00 E8 40"},
      {"one pixel", 1, 1, [](int, int, int) { return -3.0f; }, "Min: -3 Max: -3", "Max: 00 00 40 C0"},
      {"larger ramp", 37, 23, [](int, int x, int y) { return float(x * 23 + y) * 0.5f - 100; }, "Min: -100 Max: 325",
       "Max: 00 80 A2 43"},
  };
  TempDir dir;
  ProgramHarness h;
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.name);
    const MapSpec spec = Spec(row.w, row.h, {"S"}, row.sample);
    const std::string input = dir.File("img" + std::to_string(i) + ".map");
    testsupport::WriteMapFile(input, spec);
    DropAndSettle(h, {input});
    const Names results = h.Rows("LBresults");
    ASSERT_EQ(results.size(), 7u);
    EXPECT_EQ(results[4], row.minMaxRow);
    EXPECT_EQ(results[5], row.maxBytesRow);
    EXPECT_EQ(results[5], testsupport::ExpectedMaxBytesRow(spec, 0));
    ExpectPngOf(dir.File(results[6]), spec, 0);
  }
  // The places of the smallest and largest sample seen directly.
  const auto png = ReadPng(dir.File("img1 S (1µmw).png"));
  ASSERT_TRUE(png.has_value());
  EXPECT_EQ(png->pixels[0 * 4 + 3], 0);
  EXPECT_EQ(png->pixels[2 * 4 + 1], 255);
  EXPECT_EQ(png->pixels[1 * 4 + 0], 170);
  EXPECT_TRUE(h.messages.empty());
}

TEST(ConverterGui, AutoSaveOffWritesNoFileButListsEveryImage) {
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

TEST(ConverterGui, OutputNamesAreNumberedPastExistingFiles) {
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

TEST(ConverterGui, NumberingLimitShowsTheMessageAndNeverReplacesAFile) {
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

TEST(ConverterGui, RefusedFilesShowTheirMessageAndWriteNothing) {
  const std::string padded16 = [] {
    std::string head;
    for (const auto& line : testsupport::MapHeaderLines(Spec(16, 16, {"O1"}, nullptr, 0.01))) head += line + "\r\n";
    return head + "EOFH\r\n";
  }();
  struct Row {
    const char* name;
    std::string bytes;
    size_t rawRows;
    Names results;
    Names messages;
  };
  const std::vector<Row> rows = {
      {"3-byte file", "abc", 1, {"Pixel Size: -1(w) x -1(h)", "Micron Size: 0.0(w) x 0.0(h)"}, {"headersize wrong"}},
      {"sample block one byte longer than the file", padded16 + std::string(1023 - padded16.size(), '\0'), 6,
       {"Pixel Size: 16(w) x 16(h)", "Micron Size: 0.2(w) x 0.2(h)"}, {"headersize wrong"}},
      {"NoSpectralReg 2 with one SpectralRegDef",
       "NoMapPixelsXY: 2 2\nEBeamScanIncXY: 1 1\nNoSpectralReg: 2\nSpectralRegDef: 1 0 O1\nEOFH\n" + std::string(32, 'x'),
       4, {"Pixel Size: 2(w) x 2(h)", "Micron Size: 2.0(w) x 2.0(h)"}, {"Wrong number of images"}},
      {"first line holds eof", "xeofx\n" + std::string(64, '\1'), 0,
       {"Pixel Size: -1(w) x -1(h)", "Micron Size: 0.0(w) x 0.0(h)"}, {"Wrong number of images"}},
      {"width 0", "NoMapPixelsXY: 0 4\nSpectralRegDef: 1 0 O1\neof\n" + std::string(64, '\1'), 2,
       {"Pixel Size: 0(w) x 4(h)", "Micron Size: 0.0(w) x 0.0(h)"}, {"pixel size wrong"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    testsupport::WriteBytes(dir.File("bad.map"), row.bytes);
    ProgramHarness h;
    DropAndSettle(h, {dir.File("bad.map")});
    EXPECT_EQ(h.Rows("LBraw").size(), row.rawRows);
    EXPECT_EQ(h.Rows("LBresults"), row.results);
    EXPECT_EQ(h.messages, row.messages);
    EXPECT_EQ(h.Status(), "bad.map");
    EXPECT_EQ(dir.Names(), Names{"bad.map"});
  }

  // A file exactly as long as its sample block passes.
  TempDir dir;
  testsupport::WriteBytes(dir.File("full.map"), padded16 + std::string(1024 - padded16.size(), '\0'));
  ProgramHarness h;
  DropAndSettle(h, {dir.File("full.map")});
  EXPECT_TRUE(h.messages.empty());
  EXPECT_EQ(h.Rows("LBresults").size(), 7u);
  EXPECT_EQ(dir.Names(), (Names{"full O1 (160nm).png", "full.map"}));
}

TEST(ConverterGui, HeaderEndsAtEofAfter1000LinesOrAtItsEnd) {
  const MapSpec samples = Spec(2, 2, {"O1"}, [](int, int x, int y) { return float(x + 2 * y); });
  const Names keys = {"NoMapPixelsXY: 2 2", "EBeamScanIncXY: 1 1", "NoSpectralReg: 1", "SpectralRegDef: 1 0 O1 1 2"};
  Names thousand = keys;
  while (thousand.size() < 1000) thousand.push_back("Comment: line " + std::to_string(thousand.size() + 1));
  Names pastThousand = thousand;
  pastThousand.push_back("NoMapPixelsXY: 1 1");  // line 1001
  Names afterEofh = keys;
  afterEofh.push_back("EOFH");
  afterEofh.push_back("NoMapPixelsXY: 1 1");
  Names wordWithEof = keys;
  wordWithEof.push_back("Comment: thereof");
  wordWithEof.push_back("NoMapPixelsXY: 1 1");
  const Names twoKeys = {"NoMapPixelsXY: 2 3 EBeamScanIncXY:", "NoSpectralReg: 1", "SpectralRegDef: 1 0 O1", "eof"};
  struct Row {
    const char* name;
    Names header;
    size_t rawRows;
    Names sizeRows;
    const char* png;
  };
  const std::vector<Row> rows = {
      {"1000 lines, a key on line 1001 has no effect", pastThousand, 1000,
       {"Pixel Size: 2(w) x 2(h)", "Micron Size: 2.0(w) x 2.0(h)"}, "t O1 (2µm).png"},
      {"EOFH ends the header", afterEofh, 4, {"Pixel Size: 2(w) x 2(h)", "Micron Size: 2.0(w) x 2.0(h)"},
       "t O1 (2µm).png"},
      {"eof inside a word ends the header", wordWithEof, 4,
       {"Pixel Size: 2(w) x 2(h)", "Micron Size: 2.0(w) x 2.0(h)"}, "t O1 (2µm).png"},
      {"one line sets two keys", twoKeys, 3, {"Pixel Size: 2(w) x 3(h)", "Micron Size: 4.0(w) x 9.0(h)"},
       "t O1 (4µmw).png"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    MapSpec spec = samples;
    spec.height = row.sizeRows[0] == "Pixel Size: 2(w) x 3(h)" ? 3 : 2;
    testsupport::WriteFileWithHeader(dir.File("t.map"), row.header, spec);
    ProgramHarness h;
    DropAndSettle(h, {dir.File("t.map")});
    const Names raw = h.Rows("LBraw");
    EXPECT_EQ(raw, Names(row.header.begin(), row.header.begin() + long(row.rawRows)));
    const Names results = h.Rows("LBresults");
    ASSERT_EQ(results.size(), 7u);
    EXPECT_EQ(Names(results.begin(), results.begin() + 2), row.sizeRows);
    EXPECT_EQ(results[6], row.png);
    ExpectPngOf(dir.File(row.png), spec, 0);
  }
}

TEST(ConverterGui, FileNamesCarryTheCleanedNamesAndTheSizeLabel) {
  const SampleFn ramp = [](int, int x, int y) { return float(x * y); };
  struct Row {
    const char* name;
    const char* input;
    MapSpec spec;
    const char* png;
  };
  const std::vector<Row> rows = {
      {"blank in the input name", "Fe 2p.map", Spec(10, 10, {"O1"}, ramp), "Fe_2p O1 (2.5µm).png"},
      // A header field never holds a blank; a tab is a character outside the set as well.
      {"tab in the species", "scan.map", Spec(10, 10, {"Fe\t2p"}, ramp), "scan Fe_2p (2.5µm).png"},
      {"solidus in the species", "scan.map", Spec(10, 10, {"Fe/Ni"}, ramp), "scan Fe_Ni (2.5µm).png"},
      {"empty species", "scan.map", Spec(10, 10, {""}, ramp), "scan ? (2.5µm).png"},
      {"species only of characters outside the set", "scan.map", Spec(10, 10, {"é"}, ramp), "scan  (2.5µm).png"},
      {"Latin-1 species line", "scan.map", Spec(10, 10, {"Ma\xDF"}, ramp), "scan Maß (2.5µm).png"},
      {"input named only .map", ".map", Spec(10, 10, {"O1"}, ramp), "? O1 (2.5µm).png"},
      {"350 nm square", "scan.sem", Spec(10, 10, {"O1"}, ramp, 0.035), "scan O1 (350nm).png"},
      {"width differs from height", "scan.map", Spec(10, 8, {"O1"}, ramp), "scan O1 (2.5µmw).png"},
      {"upper-case suffix", "SCAN.MAP", Spec(10, 10, {"O1"}, ramp), "SCAN O1 (2.5µm).png"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
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

TEST(ConverterGui, MissingFieldStepIsZeroNotThePreviousFiles) {
  TempDir dir;
  testsupport::WriteMapFile(dir.File("a.map"), Field25({"O1"}));
  const MapSpec spec = Spec(4, 4, {"O1"}, [](int, int x, int y) { return float(x - y); });
  testsupport::WriteFileWithHeader(dir.File("b.map"), {"NoMapPixelsXY: 4 4", "SpectralRegDef: 1 0 O1", "EOFH"}, spec);
  ProgramHarness h;
  DropAndSettle(h, {dir.File("a.map"), dir.File("b.map")});
  const Names results = h.Rows("LBresults");
  ASSERT_EQ(results.size(), 7u);
  EXPECT_EQ(results[1], "Micron Size: 0.0(w) x 0.0(h)");
  EXPECT_EQ(results[6], "b O1 (0nm).png");
  ExpectPngOf(dir.File("b O1 (0nm).png"), spec, 0);
}

TEST(ConverterGui, UnreadableInputsListCouldNotReadAndTheDropGoesOn) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "x.map");
  const MapSpec spec = Field25({"O1"});
  testsupport::WriteMapFile(dir.File("gone.map"), spec);
  testsupport::WriteMapFile(dir.File("good.map"), spec);
  ProgramHarness h;

  DropAndSettle(h, {dir.File("x.map")});
  EXPECT_EQ(h.Rows("LBresults"), Names{"Could not read this file."});
  EXPECT_TRUE(h.Rows("LBraw").empty());
  EXPECT_EQ(h.Status(), "x.map");

  // The file vanishes between the drop and its turn.
  ProgramHarness::Drop(h.main(), {dir.File("gone.map")});
  std::filesystem::remove(dir.path() / "gone.map");
  ProgramHarness::Settle();
  EXPECT_EQ(h.Rows("LBresults"), Names{"Could not read this file."});
  EXPECT_EQ(h.Status(), "gone.map");

  // Neither an unreadable file nor a refused one stops the rest of the drop.
  testsupport::WriteBytes(dir.File("short.map"), "abc");
  DropAndSettle(h, {dir.File("x.map"), dir.File("short.map"), dir.File("good.map")});
  EXPECT_EQ(h.Status(), "good.map");
  EXPECT_EQ(h.messages, Names{"headersize wrong"});
  EXPECT_EQ(dir.Names(), (Names{"good O1 (2.5µm).png", "good.map", "short.map", "x.map"}));
}
