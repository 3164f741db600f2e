// The file layer as the converter reads: text lines, what is no file.
// Writing, Mac codes and child names are checked through the TIFF writer and
// the numbering of output names, the reading of samples by the sample reader.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "framework/folder_item.h"
#include "framework/read_only_file.h"
#include "framework/text_input_stream.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::TempDir;

TEST(Files, ReadLineSplitsAtEveryLineEndAndCutsLongLines) {
  const std::string x(65535, 'x'), y(70000, 'y'), z(131071, 'z');
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
  } rows[] = {
      {"mixed ends", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"empty lines", "\n\r\n\r\rx", {"", "", "", "", "x"}},
      {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
      {"Latin-1", "caf\xE9 \xB5m", {"caf\xC3\xA9 \xC2\xB5m"}},
      {"UTF-8, then a line that is not", "caf\xC3\xA9\n\xC3\xA9\xFF", {"caf\xC3\xA9", "\xC3\x83\xC2\xA9\xC3\xBF"}},
      {"overlong NUL, surrogates", "\xC0\x80\n\xED\xA0\x80", {"\xC3\x80\xC2\x80", "\xC3\xAD\xC2\xA0\xC2\x80"}},
      {"empty file", "", {}},
      {"CR LF across a buffer fill", x + "\r\nnext", {x, "next"}},
      {"long line cut", y + "\nafter\n", {std::string(65536, 'y'), "after"}},
      {"long line, CR LF across a fill", z + "\r\nend", {std::string(65536, 'z'), "end"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    testsupport::WriteBytes(dir.File("t.txt"), row.bytes);
    const auto file = fw::FolderItem(dir.File("t.txt")).OpenForReading();
    ASSERT_TRUE(file);
    const auto s = file->OpenText();
    ASSERT_TRUE(s);
    std::vector<std::string> got;
    while (!s->EndOfFile() && got.size() < 100) got.push_back(s->ReadLine());
    EXPECT_EQ(got, row.lines);
    EXPECT_EQ(s->ReadLine(), "");
    EXPECT_TRUE(s->EndOfFile());
  }
}

TEST(Files, WhatIsNoFileGivesNil) {
  TempDir dir;
  const std::string d = dir.path().string();
  ASSERT_EQ(mkfifo((d + "/fifo").c_str(), 0600), 0);
  for (const std::string& path : {d, d + "/missing", d + "/fifo", std::string()})
    EXPECT_FALSE(fw::FolderItem(path).OpenForReading()) << path;
}

}  // namespace
