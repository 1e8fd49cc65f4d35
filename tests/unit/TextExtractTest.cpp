// Cutting titles, links and addresses out of catalogue lines, and turning
// the site's UTF-8 into the program's code page.
#include <gtest/gtest.h>

#include "catalogue/TextExtract.h"
#include "platform/Text.h"

namespace {

struct BetweenCase {
  const char* name;
  std::string line, start, end, expected;
};

TEST(ExtractBetween, TableOfCases) {
  const BetweenCase cases[] = {
      {"address in a link", "<a href=\"http://x/1\">T</a>", "<a href=\"", "\">", "http://x/1"},
      {"no end after start gives empty, not the rest", "<a href=\"http://x/1", "<a href=\"", "\">", ""},
      {"missing start", "no link here\">", "<a href=\"", "\">", ""},
      {"text after first tag", "<a href=\"u\">Title</a>", ">", "<", "Title"},
      {"next < follows at once", "<b><i>x", ">", "<", ""},
      {"start marker at the very end", "abc(", "(", ")", ""},
      {"same char as both markers", "a|bc|d|e", "|", "|", "bc"},
      {"end only before start is not seen", ")x(abc", "(", ")", ""},
      {"first start counts, later starts kept", "((a(b)c)", "(", ")", "(a(b"},
      {"empty start marker", "abc", "", "c", ""},
      {"empty end marker", "abc", "a", "", ""},
      {"empty line", "", "a", "b", ""},
      {"markers adjacent", "x()y", "(", ")", ""},
      {"multi-byte markers overlapping text", "<<a>>", "<<", ">>", "a"},
      {"bytes above 127 pass through", "(\xC0\xFF)", "(", ")", "\xC0\xFF"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExtractBetween(c.line, c.start, c.end), c.expected) << c.name;
}

struct DecodeCase {
  const char* name;
  std::string utf8, expected;  // expected in code page 1251
};

TEST(DecodeUtf8Line, TableOfCases) {
  const DecodeCase cases[] = {
      {"empty", "", ""},
      {"plain ASCII unchanged", "<a href=\"x\">News</a>", "<a href=\"x\">News</a>"},
      {"only question marks", "????", ""},
      {"leading question marks all removed", "??a?b", "a?b"},
      {"Cyrillic one byte per letter", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
       "\xCF\xF0\xE8\xE2\xE5\xF2"},
      {"yo and No sign", "\xD0\x81\xD1\x91 \xE2\x84\x96", "\xA8\xB8 \xB9"},
      {"leading characters missing from the code page dropped", "\xE4\xB8\xAD\xE6\x96\x87TV",
       "TV"},
      {"same characters in the middle stay as ?", "TV \xE4\xB8\xAD!", "TV ?!"},
      {"character beyond the BMP is one ?", "a\xF0\x9F\x98\x80z", "a?z"},
      {"stray continuation byte", "a\x80z", "a?z"},
      {"truncated sequence then ASCII: one ? and the ASCII kept", "a\xE2\x82z", "a?z"},
      {"overlong encoding", "a\xC0\xAFz", "a??z"},
      {"encoded surrogate", "a\xED\xA0\x80z", "a???z"},
      {"above U+10FFFF", "a\xF4\x90\x80\x80z", "a????z"},
      {"bad lead byte F5", "a\xF5z", "a?z"},
      {"sequence cut by end of line", "ab\xD0", "ab?"},
      {"malformed at start is removed like any ?", "\xFF\xFE" "abc", "abc"},
      {"zero byte ends the text", std::string("ab\0cd", 5), "ab"},
      {"euro and dashes", "\xE2\x82\xAC\xE2\x80\x94", "\x88\x97"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeUtf8Line(c.utf8), c.expected) << c.name;
}

TEST(CodePage1251, EveryByteRoundTripsThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(CodePage1251, LiteralsBecomeSingleBytes) {
  EXPECT_EQ(Utf8ToCp1251("Зирта TV"), "\xC7\xE8\xF0\xF2\xE0 TV");
  EXPECT_EQ(Cp1251ToUtf8("\xF1\xF2\xF0: 1"), "стр: 1");
}

}  // namespace
