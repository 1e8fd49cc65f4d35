// The numbered picture table: loading, failing, new numbers and resizing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "TestFiles.h"
#include "platform/Pictures.h"
#include "platform/Text.h"

namespace {

// A 24-bit Windows bitmap of one colour.
std::string SolidBmp(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  const int stride = (width * 3 + 3) & ~3;
  const uint32_t pixels = static_cast<uint32_t>(stride) * height;
  std::string out;
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  out += "BM";
  put(54 + pixels, 4);
  put(0, 4);
  put(54, 4);
  put(40, 4);
  put(width, 4);
  put(height, 4);
  put(1, 2);
  put(24, 2);
  put(0, 4);
  put(pixels, 4);
  put(2835, 4);
  put(2835, 4);
  put(0, 4);  // colours used
  put(0, 4);  // important colours
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) row += {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r)};
    row.resize(stride, '\0');
    out += row;
  }
  return out;
}

class PicturesTest : public ::testing::Test {
 protected:
  void TearDown() override { PicturesReleaseAll(); }
  ScratchDirectory dir;
};

TEST_F(PicturesTest, LoadsBitmapsUnderCyrillicNames) {
  WriteBytes("фон.jpg", SolidBmp(7, 5, 10, 20, 30));  // the content tells the kind
  ASSERT_TRUE(LoadPicture(3, Utf8ToCp1251("фон.jpg")));
  EXPECT_TRUE(PictureExists(3));
  EXPECT_EQ(PictureWidth(3), 7);
  EXPECT_EQ(PictureHeight(3), 5);
}

TEST_F(PicturesTest, AFailedLoadLeavesTheNumberEmpty) {
  WriteBytes("good.bmp", SolidBmp(4, 4, 1, 2, 3));
  WriteBytes("empty.jpg", "");
  WriteBytes("text.jpg", "not a picture at all");
  WriteBytes("truncated.bmp", SolidBmp(40, 40, 1, 2, 3).substr(0, 30));
  WriteBytes("jpeg-header-only.jpg", std::string("\xFF\xD8\xFF", 3));
  std::filesystem::create_directory("a directory.jpg");
  const char* bad[] = {"missing.jpg", "empty.jpg", "text.jpg", "truncated.bmp",
                       "jpeg-header-only.jpg", "a directory.jpg"};
  for (const char* name : bad) {
    ASSERT_TRUE(LoadPicture(5, "good.bmp"));
    EXPECT_FALSE(LoadPicture(5, name)) << name;
    EXPECT_FALSE(PictureExists(5)) << name;
    EXPECT_EQ(PictureWidth(5), 0) << name;
    EXPECT_EQ(LoadPictureNew(name), 0) << name;
  }
}

TEST_F(PicturesTest, FilesOver64MiBAreRefusedUnread) {
  {
    std::ofstream big("big.bmp", std::ios::binary);
    big << SolidBmp(2, 2, 0, 0, 0);
    big.seekp(64 * 1024 * 1024);
    big << 'x';
  }
  EXPECT_FALSE(LoadPicture(1, "big.bmp"));
}

TEST_F(PicturesTest, NewNumbersAreFreshAndNeverTheProgramsOwn) {
  WriteBytes("logo.bmp", SolidBmp(16, 8, 200, 0, 0));
  const int first = LoadPictureNew("logo.bmp");
  const int second = LoadPictureNew("logo.bmp");
  EXPECT_NE(first, 0);
  EXPECT_NE(first, second);
  for (int number : {first, second}) {
    EXPECT_TRUE(number > 20 && number != 777) << number;
    EXPECT_EQ(PictureWidth(number), 16);
  }
  EXPECT_FALSE(PictureExists(NoPicture));
}

TEST_F(PicturesTest, ResizeChangesTheSizeAndIgnoresEmptyNumbersAndBadSizes) {
  WriteBytes("p.bmp", SolidBmp(207, 116, 9, 9, 9));
  ASSERT_TRUE(LoadPicture(0, "p.bmp"));
  ResizePicture(0, 170, 96);
  EXPECT_EQ(PictureWidth(0), 170);
  EXPECT_EQ(PictureHeight(0), 96);
  ResizePicture(0, 0, 50);
  ResizePicture(0, -3, -3);
  EXPECT_EQ(PictureWidth(0), 170);
  ResizePicture(9, 10, 10);  // nothing there
  EXPECT_FALSE(PictureExists(9));
}

}  // namespace
