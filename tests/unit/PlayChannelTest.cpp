// The player page "TV.htm": exact bytes for what a channel page holds, and
// the notice when there is no player to show.
#include <gtest/gtest.h>

#include <cstdlib>

#include "LoopbackServer.h"
#include "TestFiles.h"
#include "platform/Text.h"
#include "player/ChannelCommand.h"

namespace {

const std::string Head =
    "<script type='text/javascript' src='js000000.js'></script>\r\n"
    "<style> body{ margin: 0px; padding: 0px;}</style>\r\n";
const std::string Player1 =
    "<object type=\"application/x-shockwave-flash\" data=\"http://tv/one.swf\"></object>";
const std::string Player2 =
    "<embed type=\"application/x-shockwave-flash\" src=\"http://tv/two.swf\">";

class PlayerPage : public ::testing::Test {
 protected:
  void SetUp() override {
    // The server is on loopback; a proxy from the environment must not
    // catch the request.
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");
  }
  std::string Play(const std::string& channelPage) {
    server.SetBody(channelPage);
    PlayChannel(server.Url("/ru/tv/channel-1"));
    return ReadBytes("TV.htm");
  }
  ScratchDirectory dir;
  LoopbackServer server;
};

TEST_F(PlayerPage, HeadLinesAreExactly60And51Bytes) {
  EXPECT_EQ(Head.size(), 111u);
  EXPECT_EQ(Play("<p>\r\n" + Player1 + "\r\n</p>"), Head + Player1 + "\r\n");
}

TEST_F(PlayerPage, PlayerLineCasesTable) {
  struct Case {
    const char* name;
    std::string page;
    std::string line3;
  };
  const Case cases[] = {
      {"two player lines keep the last", Player1 + "\n<br>\n" + Player2 + "\n", Player2},
      {"CR-only endings", "a\r" + Player1 + "\rb\r", Player1},
      {"no line break: the whole page is line 3", "<p>x</p>" + Player1 + "<p>y</p>",
       "<p>x</p>" + Player1 + "<p>y</p>"},
      {"bytes above 127 unchanged", Player1 + "\xD0\x9A\xD0\xB0\xD0\xBD\xD0\xB0\xD0\xBB\xFF\n",
       Player1 + "\xD0\x9A\xD0\xB0\xD0\xBD\xD0\xB0\xD0\xBB\xFF"},
      {"zero byte ends the line", Player1 + std::string("\0tail", 5), Player1},
  };
  for (const auto& c : cases) EXPECT_EQ(Play(c.page), Head + c.line3 + "\r\n") << c.name;
}

TEST_F(PlayerPage, MarkerWithoutQuotesOrInOtherCaseIsNoPlayer) {
  for (std::string page : {"<object type=application/x-shockwave-flash>\n",
                           "<object type=\"Application/X-Shockwave-Flash\">\n"}) {
    std::string written = Play(page);
    EXPECT_EQ(written.compare(0, Head.size(), Head), 0);
    EXPECT_EQ(written.find("shockwave"), std::string::npos) << page;
    EXPECT_NE(written.find(Utf8ToCp1251("Плеер этого канала не найден")), std::string::npos);
  }
}

TEST_F(PlayerPage, FailedDownloadShowsTheNoticeNotTheStaleCache) {
  WriteBytes("vexoTV.txt", Player1 + "\r\n");  // an earlier channel's page
  PlayChannel("http://127.0.0.1:9/unreachable");
  std::string written = ReadBytes("TV.htm");
  EXPECT_EQ(written.find("one.swf"), std::string::npos);
  EXPECT_EQ(written.compare(0, Head.size(), Head), 0);
  EXPECT_NE(written.find(Utf8ToCp1251("Плеер этого канала не найден")), std::string::npos);
  EXPECT_EQ(written.substr(written.size() - 2), "\r\n");
  EXPECT_EQ(ReadBytes("vexoTV.txt"), Player1 + "\r\n");  // cache left as it was
}

TEST_F(PlayerPage, EmptyAddressIsAFailedDownload) {
  PlayChannel("");
  EXPECT_NE(ReadBytes("TV.htm").find(Utf8ToCp1251("не найден")), std::string::npos);
  EXPECT_EQ(server.Requests(), 0);
}

TEST_F(PlayerPage, OldPlayerPageIsReplacedNotAppendedTo) {
  WriteBytes("TV.htm", std::string(5000, 'o'));
  EXPECT_EQ(Play(Player2 + "\n"), Head + Player2 + "\r\n");
}

}  // namespace
