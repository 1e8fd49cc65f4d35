// Addresses the browser is given, and the fence around local files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "platform/Text.h"
#include "platform/WebView.h"

namespace {

struct UriCase {
  const char* name;
  std::string address;  // UTF-8 here; the program hands over code page 1251
  std::string uri;
};

TEST(WebViewUri, LocalAddressesBecomeEscapedFileUris) {
  const UriCase cases[] = {
      {"plain", "file://localhost//opt/tv/zirta.htm", "file:///opt/tv/zirta.htm"},
      {"one slash only", "file://localhost/opt/tv/zirta.htm", "file:///opt/tv/zirta.htm"},
      {"space", "file://localhost//opt/my tv/zirta.htm", "file:///opt/my%20tv/zirta.htm"},
      {"hash is a character, not a fragment", "file://localhost//opt/tv #1/a.htm",
       "file:///opt/tv%20%231/a.htm"},
      {"Cyrillic file name", "file://localhost//opt/tv/ЛатексТМ.htm",
       "file:///opt/tv/%D0%9B%D0%B0%D1%82%D0%B5%D0%BA%D1%81%D0%A2%D0%9C.htm"},
      {"backslash is a character", "file://localhost//opt/a\\b/x.htm", "file:///opt/a%5Cb/x.htm"},
      {"percent is escaped", "file://localhost//opt/100%/x.htm", "file:///opt/100%25/x.htm"},
      {"question mark is escaped", "file://localhost//opt/why?/x.htm", "file:///opt/why%3F/x.htm"},
      {"other addresses pass as UTF-8", "http://tv.example/ru/канал", "http://tv.example/ru/канал"},
  };
  for (const UriCase& c : cases)
    EXPECT_EQ(WebViewUri(Utf8ToCp1251(c.address)), c.uri) << c.name;
}

TEST(FileUriInside, OnlyFilesUnderTheGivenDirectories) {
  ScratchDirectory scratch;
  namespace fs = std::filesystem;
  const fs::path root = fs::canonical(scratch.path());
  fs::create_directories(root / "program dir");
  fs::create_directories(root / "work");
  fs::create_directories(root / "outside");
  WriteBytes(root / "program dir" / "page.htm", "x");
  WriteBytes(root / "outside" / "secret.txt", "x");
  fs::create_symlink(root / "outside" / "secret.txt", root / "program dir" / "link.txt");
  fs::create_symlink(root / "outside", root / "work" / "door");
  const std::vector<std::string> allowed = {(root / "program dir").string() + "/",
                                            (root / "work").string() + "/"};
  const std::string base = "file://" + root.string();
  struct Case {
    const char* name;
    std::string uri;
    bool inside;
  } cases[] = {
      {"page in the program directory", base + "/program%20dir/page.htm", true},
      {"missing file in the working directory", base + "/work/TV.htm", true},
      {"fragment and query are not part of the path", base + "/work/TV.htm?a=1#top", true},
      {"localhost host", "file://localhost" + root.string() + "/work/TV.htm", true},
      {"file outside", base + "/outside/secret.txt", false},
      {"dot-dot out of the directory", base + "/work/../outside/secret.txt", false},
      {"escaped dot-dot", base + "/work/%2E%2E/outside/secret.txt", false},
      {"symbolic link pointing out", base + "/program%20dir/link.txt", false},
      {"directory link pointing out", base + "/work/door/secret.txt", false},
      {"a directory whose name only starts the same", base + "/workshop/x.htm", false},
      {"other host", "file://example.com" + root.string() + "/work/TV.htm", false},
      {"root", "file:///etc/passwd", false},
      {"not a file URI", "http://tv.example/", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FileUriInside(c.uri, allowed), c.inside) << c.name;
}

TEST(LocalFileRules, BlockEveryFileLoadExceptUnderTheDirectories) {
  EXPECT_EQ(LocalFileRulesJson({}),
            R"([{"trigger":{"url-filter":"^file:"},"action":{"type":"block"}}])");
  // Characters that mean something in a rule's expression are taken
  // literally (escaped once for the expression, once for JSON).
  EXPECT_EQ(LocalFileRulesJson({"file:///opt/tv(1).d/"}),
            R"([{"trigger":{"url-filter":"^file:"},"action":{"type":"block"}},)"
            R"({"trigger":{"url-filter":"^file:///opt/tv\\(1\\)\\.d/"},)"
            R"("action":{"type":"ignore-previous-rules"}}])");
}

}  // namespace
