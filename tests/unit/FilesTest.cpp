// The line reader and the numbered files the scraper and the player use.
#include <gtest/gtest.h>

#include <vector>

#include "platform/Files.h"
#include "TestFiles.h"

namespace {

std::vector<std::string> ReadAllLines(const std::string& bytes) {
  WriteBytes("lines.txt", bytes);
  std::vector<std::string> lines;
  EXPECT_TRUE(FileOpenRead(0, "lines.txt"));
  std::string line;
  while (!FileEof(0)) {
    FileReadLine(0, line);
    lines.push_back(line);
  }
  FileClose(0);
  return lines;
}

struct LinesCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};

TEST(LineReader, TerminatorsTable) {
  ScratchDirectory dir;
  const LinesCase cases[] = {
      {"LF", "a\nb\n", {"a", "b"}},
      {"CR", "a\rb\r", {"a", "b"}},
      {"CR LF is one terminator", "a\r\nb\r\n", {"a", "b"}},
      {"LF CR is two", "a\n\rb", {"a", "", "b"}},
      {"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
      {"zero byte ends a line", std::string("a\0b\0", 4), {"a", "b"}},
      {"zero then LF leaves an empty line", std::string("a\0\nb", 4), {"a", "", "b"}},
      {"no final terminator", "a\nlast", {"a", "last"}},
      {"lone CR at the end", "a\r", {"a"}},
      {"empty lines kept in the middle", "a\n\n\nb", {"a", "", "", "b"}},
      {"only a terminator", "\n", {""}},
      {"empty file", "", {}},
      {"bytes as they are, BOM kept", "\xEF\xBB\xBFx\xFF\n", {"\xEF\xBB\xBFx\xFF"}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadAllLines(c.bytes), c.lines) << c.name;
}

TEST(LineReader, CrLfSplitAcrossTheReadBuffer) {
  ScratchDirectory dir;
  // The reader's buffer is 256 KiB; put the CR at every position around it.
  for (size_t at : {size_t(256 * 1024 - 2), size_t(256 * 1024 - 1), size_t(256 * 1024)}) {
    std::string first(at, 'x');
    auto lines = ReadAllLines(first + "\r\nnext");
    ASSERT_EQ(lines.size(), 2u) << at;
    EXPECT_EQ(lines[0], first);
    EXPECT_EQ(lines[1], "next");
  }
}

TEST(LineReader, TenMegabyteLineHasNoLengthLimit) {
  ScratchDirectory dir;
  std::string big(10 * 1024 * 1024, 'g');
  big[5'000'000] = '\xD0';
  auto lines = ReadAllLines("head\r\n" + big + "\r\ntail");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], big);
  EXPECT_EQ(lines[2], "tail");
}

TEST(NumberedFiles, OpenReadFailsForMissingFilesAndDirectories) {
  ScratchDirectory dir;
  EXPECT_FALSE(FileOpenRead(0, "missing.txt"));
  std::filesystem::create_directory("adir");
  EXPECT_FALSE(FileOpenRead(0, "adir"));
  EXPECT_TRUE(FileEof(0));
  std::string line = "stale";
  EXPECT_FALSE(FileReadLine(0, line));
  EXPECT_EQ(line, "");
}

TEST(NumberedFiles, ReadWriteKeepsContentAndAppendsAtSeekedEnd) {
  ScratchDirectory dir;
  WriteBytes("page.htm", "old");
  ASSERT_TRUE(FileOpenReadWrite(1, "page.htm"));
  EXPECT_EQ(FileLength(1), 3);
  ASSERT_TRUE(FileSeek(1, FileLength(1)));
  ASSERT_TRUE(FileWriteLine(1, "new"));
  FileClose(1);
  EXPECT_EQ(ReadBytes("page.htm"), "oldnew\r\n");

  ASSERT_TRUE(FileOpenReadWrite(1, "created.htm"));
  EXPECT_EQ(FileLength(1), 0);
  ASSERT_TRUE(FileWriteLine(1, ""));
  FileClose(1);
  EXPECT_EQ(ReadBytes("created.htm"), "\r\n");
}

TEST(NumberedFiles, CyrillicNamesAreUtf8OnDisk) {
  ScratchDirectory dir;
  WriteBytes("фон.txt", "x");
  EXPECT_TRUE(FileOpenRead(3, "\xF4\xEE\xED.txt"));  // "фон" in code page 1251
  FileClose(3);
  EXPECT_TRUE(FileDelete("\xF4\xEE\xED.txt"));
  EXPECT_FALSE(std::filesystem::exists("фон.txt"));
  EXPECT_FALSE(FileDelete("\xF4\xEE\xED.txt"));
}

TEST(NumberedFiles, ReopeningANumberClosesTheOldFile) {
  ScratchDirectory dir;
  WriteBytes("a.txt", "A\n");
  WriteBytes("b.txt", "B\n");
  ASSERT_TRUE(FileOpenRead(0, "a.txt"));
  ASSERT_TRUE(FileOpenRead(0, "b.txt"));
  std::string line;
  FileReadLine(0, line);
  EXPECT_EQ(line, "B");
  FileClose(0);
}

}  // namespace
