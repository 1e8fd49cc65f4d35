// Scraping a catalogue page into the slots the window, the worker and the
// player read. A download that cannot succeed (an empty address) leaves a
// prepared "vexo.txt" in place, which is then read as the page.
#include <gtest/gtest.h>

#include "catalogue/Catalogue.h"
#include "platform/Text.h"
#include "TestFiles.h"

namespace {

std::string ChannelLines(int count, const std::string& tag, const std::string& eol = "\r\n") {
  std::string page = "<html><head><title>Каналы</title></head><body>" + eol;
  for (int i = 0; i < count; ++i) {
    std::string id = tag + std::to_string(i);
    page += "<div class=\"grid_item\">" + eol;
    page += "<div class=\"thumb\" style=\"background-image: url(http://img/" + id + ".jpg);\"></div>" + eol;
    page += "<div class=\"grid_title\"><a href=\"http://tv/" + id + "\">Канал " + id + "</a></div>" + eol;
    page += "</div>" + eol;
  }
  return page + "</body></html>" + eol;
}

std::string Title(const std::string& id) { return Utf8ToCp1251("Канал " + id); }

void Load(const std::string& pageBytes) {
  WriteBytes("vexo.txt", pageBytes);
  LoadCataloguePage("");
}

class CatalogueFill : public ::testing::Test {
 protected:
  void SetUp() override { CreateCatalogue(); }
  ScratchDirectory dir;
};

TEST_F(CatalogueFill, ThreeChannelsOverwriteSlotsZeroToTwoOnly) {
  Load(ChannelLines(21, "a"));
  Load(ChannelLines(3, "b"));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ChannelTitles[i], Title("b" + std::to_string(i)));
    EXPECT_EQ(ChannelLinks[i], "http://tv/b" + std::to_string(i));
    EXPECT_EQ(ThumbnailUrls[i], "http://img/b" + std::to_string(i) + ".jpg");
  }
  for (int i = 3; i < 21; ++i) EXPECT_EQ(ChannelLinks[i], "http://tv/a" + std::to_string(i));
  for (int i = 21; i < CatalogueSlots; ++i) EXPECT_EQ(ChannelTitles[i], "");
}

TEST_F(CatalogueFill, TwentyOneThenFiveLeavesSlotsFiveToTwenty) {
  Load(ChannelLines(21, "a"));
  Load(ChannelLines(5, "b"));
  EXPECT_EQ(ChannelTitles[4], Title("b4"));
  for (int i = 5; i <= 20; ++i) {
    std::string id = "a" + std::to_string(i);
    EXPECT_EQ(ChannelTitles[i], Title(id));
    EXPECT_EQ(ChannelLinks[i], "http://tv/" + id);
    EXPECT_EQ(ThumbnailUrls[i], "http://img/" + id + ".jpg");
  }
}

TEST_F(CatalogueFill, LineWithBothMarkersFillsOneTitleAndOneThumbnail) {
  Load("<div class=\"grid_title\"><a href=\"http://tv/1\">Один</a><i class=\"thumb\" style=\"u(pic)\">\n");
  EXPECT_EQ(ChannelLinks[0], "http://tv/1");
  EXPECT_EQ(ChannelTitles[0], Utf8ToCp1251("Один"));
  EXPECT_EQ(ThumbnailUrls[0], "pic");
}

TEST_F(CatalogueFill, FurtherAttributeStaysInTheLink) {
  Load("<div class=\"grid_title\"><a href=\"http://tv/1\" title=\"x\">Один</a></div>\n");
  EXPECT_EQ(ChannelLinks[0], "http://tv/1\" title=\"x");
  // The title is cut from the first ">" left after the div tag goes.
  EXPECT_EQ(ChannelTitles[0], Utf8ToCp1251("Один"));
}

TEST_F(CatalogueFill, TitleLineWithoutLinkStillTakesASlot) {
  Load("broken grid_title line\n<div class=\"grid_title\"><a href=\"http://tv/2\">Два</a></div>\n");
  EXPECT_EQ(ChannelLinks[0], "");
  EXPECT_EQ(ChannelTitles[0], "");
  EXPECT_EQ(ChannelLinks[1], "http://tv/2");
}

TEST_F(CatalogueFill, LinesPastTheLastSlotAreIgnored) {
  Load(ChannelLines(40, "z"));
  EXPECT_EQ(ChannelLinks[30], "http://tv/z30");
  EXPECT_EQ(ThumbnailUrls[30], "http://img/z30.jpg");
  EXPECT_EQ(ChannelTitles[0], Title("z0"));
}

TEST_F(CatalogueFill, NoFileAndFailedDownloadLeaveTheCatalogueUnchanged) {
  Load(ChannelLines(2, "k"));
  std::filesystem::remove("vexo.txt");
  LoadCataloguePage("");                       // nothing to fetch
  LoadCataloguePage("http://127.0.0.1:9/x");   // refused on loopback
  EXPECT_FALSE(std::filesystem::exists("vexo.txt"));
  EXPECT_EQ(ChannelLinks[1], "http://tv/k1");
  EXPECT_EQ(ChannelTitles[2], "");
}

TEST_F(CatalogueFill, EmptyFileChangesNothing) {
  Load(ChannelLines(1, "e"));
  Load("");
  EXPECT_EQ(ChannelLinks[0], "http://tv/e0");
}

TEST_F(CatalogueFill, LineEndingsDoNotMatter) {
  std::string expected[3][CatalogueSlots];
  const char* endings[] = {"\r\n", "\n", "\r"};
  for (int e = 0; e < 3; ++e) {
    CreateCatalogue();
    Load(ChannelLines(21, "n", endings[e]));
    for (int i = 0; i < CatalogueSlots; ++i)
      expected[e][i] = ChannelTitles[i] + "|" + ChannelLinks[i] + "|" + ThumbnailUrls[i];
  }
  for (int i = 0; i < CatalogueSlots; ++i) {
    EXPECT_EQ(expected[0][i], expected[1][i]) << i;
    EXPECT_EQ(expected[0][i], expected[2][i]) << i;
  }
  EXPECT_EQ(ChannelTitles[20], Title("n20"));
}

TEST_F(CatalogueFill, LastLineWithoutTerminatorCounts) {
  Load("<div class=\"grid_title\"><a href=\"http://tv/last\">Last</a>");
  EXPECT_EQ(ChannelLinks[0], "http://tv/last");
}

TEST(CatalogueAddress, PageNumberIsZeroBasedDecimal) {
  EXPECT_EQ(CataloguePageAddress(0), std::string("http://") + ZIRTA_CATALOGUE_HOST + "/ru/tv,channels?page=0");
  EXPECT_EQ(CataloguePageAddress(151).substr(CataloguePageAddress(151).size() - 9), "?page=151");
}

}  // namespace
