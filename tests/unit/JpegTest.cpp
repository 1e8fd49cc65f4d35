// The JPEG decoder and the smooth resize that turn downloaded thumbnails into
// the strip's bottom-up BGR bitmaps. Fixtures and how they were drawn:
// tests/data/jpeg/make_fixtures.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/Bitmap.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Fixture(const std::string& name) {
  std::ifstream in(std::string(ZIRTA_TEST_DATA) + "/jpeg/" + name, std::ios::binary);
  Bytes bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_FALSE(bytes.empty()) << "missing fixture " << name;
  return bytes;
}

// Rows are counted from the top of the picture, as a viewer sees them.
const uint8_t* Row(const Bitmap& b, int y) {
  return b.bits.data() + static_cast<size_t>(b.height - 1 - y) * b.stride;
}

struct Bgr {
  int b, g, r;
};

Bgr PixelAt(const Bitmap& b, int x, int y) {
  const uint8_t* p = Row(b, y) + x * 3;
  return {p[0], p[1], p[2]};
}

bool RowIsZero(const Bitmap& b, int y) {
  const uint8_t* row = Row(b, y);
  for (int i = 0; i < b.stride; ++i) {
    if (row[i] != 0) return false;
  }
  return true;
}

bool RowsEqual(const Bitmap& a, const Bitmap& b, int y) {
  return std::equal(Row(a, y), Row(a, y) + a.width * 3, Row(b, y));
}

// The layout every consumer of a Bitmap relies on.
void ExpectWellFormed(const Bitmap& b) {
  EXPECT_EQ(b.stride % 4, 0);
  EXPECT_GE(b.stride, b.width * 3);
  EXPECT_LT(b.stride, b.width * 3 + 4);
  ASSERT_EQ(b.bits.size(), static_cast<size_t>(b.stride) * b.height);
  for (int y = 0; y < b.height; ++y) {
    for (int i = b.width * 3; i < b.stride; ++i) {
      ASSERT_EQ(Row(b, y)[i], 0) << "padding of row " << y;
    }
  }
}

void ExpectEmpty(const Bitmap& b) {
  EXPECT_EQ(b.width, 0);
  EXPECT_EQ(b.height, 0);
  EXPECT_TRUE(b.bits.empty());
}

// A bitmap left over from an earlier load, to show that a failed decode
// does not hand back stale pixels.
Bitmap Stale() {
  Bitmap b;
  b.width = 1;
  b.height = 1;
  b.stride = 4;
  b.bits.assign(4, 0xAB);
  return b;
}

// Offset of the frame header (SOFn) of a file written by an encoder.
size_t FrameHeaderAt(const Bytes& bytes) {
  size_t at = 2;
  while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
    const uint8_t marker = bytes[at + 1];
    if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) return at;
    at += 2 + (bytes[at + 2] << 8 | bytes[at + 3]);
  }
  ADD_FAILURE() << "no frame header";
  return 0;
}

Bytes WithSize(Bytes bytes, int width, int height) {
  const size_t sof = FrameHeaderAt(bytes);
  bytes[sof + 5] = static_cast<uint8_t>(height >> 8);
  bytes[sof + 6] = static_cast<uint8_t>(height);
  bytes[sof + 7] = static_cast<uint8_t>(width >> 8);
  bytes[sof + 8] = static_cast<uint8_t>(width);
  return bytes;
}

// Offsets of the scan headers (FF DA). Encoders stuff every FF in coded data
// and the fixtures carry no metadata, so a plain search finds exactly these.
std::vector<size_t> ScanHeaders(const Bytes& bytes) {
  std::vector<size_t> found;
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) found.push_back(i);
  }
  return found;
}

// Where the coded data of the scan whose header is at `sos` begins and ends.
std::pair<size_t, size_t> ScanData(const Bytes& bytes, size_t sos) {
  const size_t begin = sos + 2 + (bytes[sos + 2] << 8 | bytes[sos + 3]);
  size_t end = begin;
  while (end + 1 < bytes.size() &&
         !(bytes[end] == 0xFF && bytes[end + 1] != 0 && (bytes[end + 1] < 0xD0 || bytes[end + 1] > 0xD7))) {
    ++end;
  }
  return {begin, end};
}

// The progressive fixture with its last scan repeated until it has `scans`.
Bytes WithScans(int scans) {
  const Bytes original = Fixture("progressive.jpg");
  const std::vector<size_t> headers = ScanHeaders(original);
  const Bytes last(original.begin() + headers.back(), original.end() - 2);
  Bytes bytes(original.begin(), original.end() - 2);
  for (int n = static_cast<int>(headers.size()); n < scans; ++n) {
    bytes.insert(bytes.end(), last.begin(), last.end());
  }
  bytes.push_back(0xFF);
  bytes.push_back(0xD9);
  return bytes;
}

Bitmap Decode(const Bytes& bytes) {
  Bitmap b;
  EXPECT_TRUE(DecodeJpeg(bytes.data(), bytes.size(), b));
  return b;
}

Bytes Cut(const Bytes& bytes, size_t size) { return Bytes(bytes.begin(), bytes.begin() + size); }

// The first row from the top that is all zero, or the height.
int FirstZeroRow(const Bitmap& b) {
  for (int y = 0; y < b.height; ++y) {
    if (RowIsZero(b, y)) return y;
  }
  return b.height;
}

TEST(JpegDecode, LooksLikeJpegTakesTheFirstTwoBytesOnly) {
  const Bytes png = Fixture("not_jpeg.png");
  struct Case {
    const char* name;
    Bytes bytes;
    bool jpeg;
  } cases[] = {
      {"start marker and more", {0xFF, 0xD8, 0xFF, 0xE0}, true},
      {"start marker alone", {0xFF, 0xD8}, true},
      {"first byte only", {0xFF}, false},
      {"bytes swapped", {0xD8, 0xFF}, false},
      {"end marker", {0xFF, 0xD9}, false},
      {"empty", {}, false},
      {"PNG file", png, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LooksLikeJpeg(c.bytes.data(), c.bytes.size()), c.jpeg) << c.name;
  }
  const uint8_t start[] = {0xFF, 0xD8};
  EXPECT_FALSE(LooksLikeJpeg(nullptr, 0));
  EXPECT_FALSE(LooksLikeJpeg(start, 1));
}

// Red and green above blue and yellow: a swapped colour order turns red into
// blue, a flipped row order swaps the halves, and a 26-pixel row needs two
// bytes of padding.
TEST(JpegDecode, QuadrantsComeOutBgrWithTheTopRowLast) {
  const Bgr red{0, 0, 255}, green{0, 255, 0}, blue{255, 0, 0}, yellow{0, 255, 255};
  for (const char* name : {"colour.jpg", "progressive.jpg"}) {
    SCOPED_TRACE(name);
    const Bitmap b = Decode(Fixture(name));
    ASSERT_EQ(b.width, 26);
    ASSERT_EQ(b.height, 18);
    EXPECT_EQ(b.stride, 80);
    ExpectWellFormed(b);
    for (int y = 0; y < b.height; ++y) {
      for (int x = 0; x < b.width; ++x) {
        // Pixels next to a boundary carry the encoder's rounding.
        if (x == 12 || x == 13 || y == 8 || y == 9) continue;
        const Bgr want = y < 9 ? (x < 13 ? red : green) : (x < 13 ? blue : yellow);
        const Bgr got = PixelAt(b, x, y);
        ASSERT_NEAR(got.b, want.b, 8) << "x " << x << " y " << y;
        ASSERT_NEAR(got.g, want.g, 8) << "x " << x << " y " << y;
        ASSERT_NEAR(got.r, want.r, 8) << "x " << x << " y " << y;
      }
    }
  }
}

TEST(JpegDecode, GreyComesOutAsEqualBlueGreenRed) {
  const Bitmap b = Decode(Fixture("grey.jpg"));
  ASSERT_EQ(b.width, 10);
  ASSERT_EQ(b.height, 16);
  ExpectWellFormed(b);
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) {
      const Bgr p = PixelAt(b, x, y);
      ASSERT_EQ(p.b, p.g) << "x " << x << " y " << y;
      ASSERT_EQ(p.g, p.r) << "x " << x << " y " << y;
      ASSERT_NEAR(p.g, y < 8 ? 200 : 50, 3) << "x " << x << " y " << y;
    }
  }
}

// Every way the file can be bad before the first row: no picture at all, and
// nothing stale left in the output.
TEST(JpegDecode, BadFilesFail) {
  const Bytes colour = Fixture("colour.jpg");
  const size_t sof = FrameHeaderAt(colour);
  Bytes zeroWidth = WithSize(colour, 0, 18);
  Bytes twelveBit = colour;
  twelveBit[sof + 4] = 12;
  // The encoder wrote YCCK (Adobe transform 2); transform 0 makes it plain CMYK.
  Bytes cmyk = Fixture("cmyk.jpg");
  const Bytes adobe = {0xFF, 0xEE};
  const size_t app14 = std::search(cmyk.begin(), cmyk.end(), adobe.begin(), adobe.end()) - cmyk.begin();
  ASSERT_LT(app14 + 15, cmyk.size());
  ASSERT_EQ(cmyk[app14 + 15], 2);
  cmyk[app14 + 15] = 0;
  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"frame header length disagrees with its components", Fixture("broken_header.jpg")},
      {"PNG file", Fixture("not_jpeg.png")},
      {"YCCK, which has no conversion to RGB", Fixture("cmyk.jpg")},
      {"CMYK, which has none either", cmyk},
      {"start marker only", {0xFF, 0xD8}},
      {"start and end marker, no picture", {0xFF, 0xD8, 0xFF, 0xD9}},
      {"cut inside the quantisation tables", Cut(colour, 100)},
      {"cut inside the first scan header", Cut(colour, ScanHeaders(colour).front() + 6)},
      {"width zero", zeroWidth},
      {"12-bit samples", twelveBit},
      {"empty", {}},
  };
  for (const Case& c : cases) {
    Bitmap b = Stale();
    EXPECT_FALSE(DecodeJpeg(c.bytes.data(), c.bytes.size(), b)) << c.name;
    ExpectEmpty(b);
  }
}

TEST(JpegDecode, CutFileKeepsTheRowsBeforeTheCutAndLeavesTheRestZero) {
  const Bitmap whole = Decode(Fixture("noise.jpg"));
  const Bitmap cut = Decode(Fixture("truncated.jpg"));
  ASSERT_EQ(cut.width, whole.width);
  ASSERT_EQ(cut.height, whole.height);
  ExpectWellFormed(cut);
  // Half the file is about half the rows; the library's stock fill would
  // instead paint every row below the cut.
  const int zeroFrom = FirstZeroRow(cut);
  EXPECT_GE(zeroFrom, cut.height / 4);
  EXPECT_LE(zeroFrom, cut.height * 3 / 4);
  for (int y = 0; y < cut.height; ++y) {
    if (y < zeroFrom) {
      ASSERT_TRUE(RowsEqual(cut, whole, y)) << "row " << y << " differs from the whole file's";
    } else {
      ASSERT_TRUE(RowIsZero(cut, y)) << "row " << y << " below the cut was drawn";
    }
  }
}

// Losing only the end marker is common in cut-off downloads; the data is all
// there, so the picture must be too.
TEST(JpegDecode, MissingEndMarkerLosesNothing) {
  for (const char* name : {"noise.jpg", "noise_progressive.jpg", "colour.jpg"}) {
    SCOPED_TRACE(name);
    const Bytes bytes = Fixture(name);
    const Bitmap whole = Decode(bytes);
    const Bitmap cut = Decode(Cut(bytes, bytes.size() - 2));
    ASSERT_EQ(cut.height, whole.height);
    EXPECT_EQ(cut.bits, whole.bits);
  }
}

// A progressive file cut in its first scan has nothing below the cut; cut in a
// later scan it still covers the whole picture, with less detail.
TEST(JpegDecode, CutProgressiveFileShowsWhatItsScansCover) {
  const Bytes bytes = Fixture("noise_progressive.jpg");
  const Bitmap whole = Decode(bytes);
  const std::vector<size_t> scans = ScanHeaders(bytes);
  ASSERT_GT(scans.size(), 2u);

  const auto [firstBegin, firstEnd] = ScanData(bytes, scans.front());
  const Bitmap early = Decode(Cut(bytes, (firstBegin + firstEnd) / 2));
  ASSERT_EQ(early.height, whole.height);
  ExpectWellFormed(early);
  const int zeroFrom = FirstZeroRow(early);
  EXPECT_GT(zeroFrom, 0);
  EXPECT_LT(zeroFrom, early.height);
  for (int y = zeroFrom; y < early.height; ++y) ASSERT_TRUE(RowIsZero(early, y)) << "row " << y;

  const auto [lastBegin, lastEnd] = ScanData(bytes, scans.back());
  const Bitmap late = Decode(Cut(bytes, (lastBegin + lastEnd) / 2));
  ASSERT_EQ(late.height, whole.height);
  EXPECT_EQ(FirstZeroRow(late), late.height);
  long difference = 0;
  for (size_t i = 0; i < late.bits.size(); ++i) difference += std::abs(late.bits[i] - whole.bits[i]);
  EXPECT_LT(difference / static_cast<long>(late.bits.size()), 8) << "mean difference per byte";
}

// A header claiming 60000 x 60000 over a 741-byte file would need 10 GB if
// the pixels were allocated before the size is checked.
TEST(JpegDecode, PicturesOverTheLimitFail) {
  const Bytes colour = Fixture("colour.jpg");
  struct Case {
    const char* name;
    Bytes bytes;
    bool decodes;
    int width, height;
  } cases[] = {
      {"60000 x 60000", Fixture("huge_header.jpg"), false, 0, 0},
      {"one row over the limit", WithSize(colour, 10000, 5001), false, 0, 0},
      {"widest possible, one row", WithSize(colour, 65500, 1), true, 65500, 1},
      // Without its end marker the decode stops where the small file's data
      // runs out, so only the bitmap is big.
      {"exactly at the limit", WithSize(Cut(colour, colour.size() - 2), 10000, 5000), true, 10000,
       5000},
  };
  for (const Case& c : cases) {
    Bitmap b = Stale();
    EXPECT_EQ(DecodeJpeg(c.bytes.data(), c.bytes.size(), b), c.decodes) << c.name;
    EXPECT_EQ(b.width, c.width) << c.name;
    EXPECT_EQ(b.height, c.height) << c.name;
    EXPECT_EQ(b.bits.size(), static_cast<size_t>(b.stride) * b.height) << c.name;
  }
}

TEST(JpegDecode, ProgressiveFilesWithTooManyScansFail) {
  struct Case {
    Bytes bytes;
    int scans;
    bool decodes;
  } cases[] = {
      {Fixture("many_scans.jpg"), 150, false},
      {WithScans(MaxProgressiveScans), MaxProgressiveScans, true},
      {WithScans(MaxProgressiveScans + 1), MaxProgressiveScans + 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.scans << " scans");
    ASSERT_EQ(ScanHeaders(c.bytes).size(), static_cast<size_t>(c.scans));
    Bitmap b = Stale();
    EXPECT_EQ(DecodeJpeg(c.bytes.data(), c.bytes.size(), b), c.decodes);
    if (c.decodes) {
      EXPECT_EQ(b.width, 26);
      EXPECT_EQ(b.height, 18);
    } else {
      ExpectEmpty(b);
    }
  }
}

// Cut at every length and with a byte spoiled at every place, no file may
// crash the decoder, write outside the bitmap or hand back a malformed one.
TEST(JpegDecode, DamagedFilesNeverBreakTheDecoder) {
  for (const char* name : {"colour.jpg", "progressive.jpg", "grey.jpg", "noise.jpg",
                           "noise_progressive.jpg"}) {
    SCOPED_TRACE(name);
    const Bytes bytes = Fixture(name);
    const size_t step = bytes.size() / 600 + 1;
    for (size_t at = 0; at < bytes.size(); at += step) {
      for (int damage = 0; damage < 2; ++damage) {
        Bytes spoiled = damage == 0 ? Cut(bytes, at) : bytes;
        if (damage == 1) spoiled[at] ^= 0x5A;
        Bitmap b = Stale();
        if (DecodeJpeg(spoiled.data(), spoiled.size(), b)) {
          ASSERT_GT(b.width, 0) << "at " << at;
          ASSERT_GT(b.height, 0) << "at " << at;
          ASSERT_LE(static_cast<int64_t>(b.width) * b.height, MaxPicturePixels);
          ExpectWellFormed(b);
        } else {
          ExpectEmpty(b);
        }
      }
    }
  }
}

// --- Smooth resize --------------------------------------------------------

Bitmap Blank(int width, int height, int stride = 0) {
  Bitmap b;
  b.width = width;
  b.height = height;
  b.stride = stride ? stride : (width * 3 + 3) & ~3;
  b.bits.assign(static_cast<size_t>(b.stride) * height, 0);
  return b;
}

// Memory order: row 0 is the bottom row.
uint8_t* At(Bitmap& b, int x, int memoryRow) {
  return b.bits.data() + static_cast<size_t>(memoryRow) * b.stride + x * 3;
}

void Set(Bitmap& b, int x, int memoryRow, Bgr p) {
  uint8_t* at = At(b, x, memoryRow);
  at[0] = static_cast<uint8_t>(p.b);
  at[1] = static_cast<uint8_t>(p.g);
  at[2] = static_cast<uint8_t>(p.r);
}

Bgr Get(const Bitmap& b, int x, int memoryRow) {
  const uint8_t* at = b.bits.data() + static_cast<size_t>(memoryRow) * b.stride + x * 3;
  return {at[0], at[1], at[2]};
}

Bitmap Resized(const Bitmap& source, int width, int height) {
  Bitmap out;
  EXPECT_TRUE(ResizeSmooth(source, width, height, out));
  EXPECT_EQ(out.width, width);
  EXPECT_EQ(out.height, height);
  ExpectWellFormed(out);
  return out;
}

void ExpectPixel(const Bitmap& b, int x, int memoryRow, Bgr want) {
  const Bgr got = Get(b, x, memoryRow);
  EXPECT_EQ(got.b, want.b) << "blue at x " << x << " row " << memoryRow;
  EXPECT_EQ(got.g, want.g) << "green at x " << x << " row " << memoryRow;
  EXPECT_EQ(got.r, want.r) << "red at x " << x << " row " << memoryRow;
}

TEST(ResizeSmooth, UniformColourStaysExact) {
  const Bgr colour{10, 127, 251};
  const struct {
    int fromWidth, fromHeight, toWidth, toHeight;
  } cases[] = {
      {320, 180, 170, 96}, {640, 360, 170, 96}, {120, 90, 170, 96}, {1, 1, 170, 96},
      {170, 96, 170, 96},  {7, 3, 2, 5},        {3, 7, 5, 2},       {1000, 1, 3, 1},
      {333, 181, 170, 96}, {1000, 562, 170, 96},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fromWidth << "x" << c.fromHeight << " to " << c.toWidth
                                    << "x" << c.toHeight);
    Bitmap source = Blank(c.fromWidth, c.fromHeight);
    for (int y = 0; y < c.fromHeight; ++y) {
      for (int x = 0; x < c.fromWidth; ++x) Set(source, x, y, colour);
    }
    const Bitmap out = Resized(source, c.toWidth, c.toHeight);
    for (int y = 0; y < c.toHeight; ++y) {
      for (int x = 0; x < c.toWidth; ++x) {
        const Bgr got = Get(out, x, y);
        ASSERT_TRUE(got.b == colour.b && got.g == colour.g && got.r == colour.r)
            << "x " << x << " row " << y;
      }
    }
  }
}

// Each channel carries its own values, so mixing channels up shows.
TEST(ResizeSmooth, TwoByTwoToOneIsTheMeanRoundedToNearest) {
  Bitmap source = Blank(2, 2);
  Set(source, 0, 0, {0, 10, 255});
  Set(source, 1, 0, {1, 20, 0});
  Set(source, 0, 1, {1, 30, 0});
  Set(source, 1, 1, {1, 40, 0});
  // Means 0.75, 25 and 63.75.
  ExpectPixel(Resized(source, 1, 1), 0, 0, {1, 25, 64});
}

// Four source pixels over three target pixels: the target pixels cover
// [0, 4/3), [4/3, 8/3) and [8/3, 4), so the weights are 3:1, 1:1 (over two
// halves) and 1:3. The same along a column checks the rows, and their order.
// Each source pixel repeated many times gives the same means through the
// arithmetic that large sizes take.
TEST(ResizeSmooth, FourToThreeWeighsEachSourcePixelByItsOverlap) {
  const Bgr line[] = {{0, 40, 7}, {100, 200, 7}, {200, 100, 7}, {40, 0, 7}};
  const Bgr want[] = {{25, 80, 7}, {150, 150, 7}, {80, 25, 7}};
  const struct {
    bool across;
    int repeat;
  } cases[] = {{true, 1}, {true, 1025}, {true, 17000}, {false, 1}, {false, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.across ? "across a row" : "down a column") << ", each pixel "
                                    << c.repeat << " times");
    const int length = 4 * c.repeat;
    Bitmap source = c.across ? Blank(length, 1) : Blank(1, length);
    for (int i = 0; i < length; ++i) {
      Set(source, c.across ? i : 0, c.across ? 0 : i, line[i / c.repeat]);
    }
    const Bitmap out = c.across ? Resized(source, 3, 1) : Resized(source, 1, 3);
    for (int i = 0; i < 3; ++i) ExpectPixel(out, c.across ? i : 0, c.across ? 0 : i, want[i]);
  }
}

// Enlarging two pixels to three: the middle one straddles both halves.
TEST(ResizeSmooth, TwoToThreeSharesTheMiddlePixel) {
  Bitmap source = Blank(2, 1);
  Set(source, 0, 0, {0, 255, 100});
  Set(source, 1, 0, {200, 55, 101});
  const Bitmap out = Resized(source, 3, 1);
  ExpectPixel(out, 0, 0, {0, 255, 100});
  ExpectPixel(out, 1, 0, {100, 155, 101});  // 100.5 rounds up
  ExpectPixel(out, 2, 0, {200, 55, 101});
}

// 3 x 3 to 2 x 2 weighs the source by the products of 2:1 and 1:2 along both
// axes, out of 9: a lone corner pixel gives 4/9 of itself to its own corner
// only, the centre 1/9 to every target pixel.
TEST(ResizeSmooth, BothAxesCombine) {
  Bitmap source = Blank(3, 3);
  Set(source, 0, 0, {90, 0, 0});
  Set(source, 1, 1, {0, 90, 0});
  Set(source, 2, 0, {0, 0, 90});
  const Bitmap out = Resized(source, 2, 2);
  ExpectPixel(out, 0, 0, {40, 10, 0});
  ExpectPixel(out, 1, 0, {0, 10, 40});
  ExpectPixel(out, 0, 1, {0, 10, 0});
  ExpectPixel(out, 1, 1, {0, 10, 0});
}

// Means a hair from a half must round the right way whatever the divisor.
// Each size takes its own way through the arithmetic, and each catches a
// shortcut there: 55, whose reciprocal times 55 gives just under 1 in floats;
// 25801, past what float quotients resolve near 255; 70001, whose sums floats
// cannot hold; 347, whose reciprocal times 347 gives just under 1 in doubles.
TEST(ResizeSmooth, RoundsExactlyWhateverTheDivisor) {
  const struct {
    int width, height;
  } cases[] = {{5, 11}, {25801, 1}, {70001, 1}, {1, 347}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    Bitmap source = Blank(c.width, c.height);
    const int count = c.width * c.height;  // odd, so half the pixels is never whole
    for (int i = 0; i < count; ++i) {
      Set(source, i % c.width, i / c.width,
          {i < (count + 1) / 2 ? 1 : 0,        // just over a half
           i < (count - 1) / 2 ? 1 : 0,        // just under a half
           i < (count + 1) / 2 ? 254 : 255});  // just under 254 and a half
    }
    ExpectPixel(Resized(source, 1, 1), 0, 0, {1, 0, 254});
  }
}

TEST(ResizeSmooth, EnlargingOnePixelFillsEveryPixel) {
  Bitmap source = Blank(1, 1);
  Set(source, 0, 0, {3, 141, 250});
  const Bitmap out = Resized(source, 170, 96);
  EXPECT_EQ(out.stride, 512);
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 170; ++x) {
      const Bgr got = Get(out, x, y);
      ASSERT_TRUE(got.b == 3 && got.g == 141 && got.r == 250) << "x " << x << " row " << y;
    }
  }
}

TEST(ResizeSmooth, ThumbnailSizesComeOutAsAsked) {
  const struct {
    int fromWidth, fromHeight, toWidth, toHeight, stride;
  } cases[] = {
      {120, 90, 170, 96, 512},
      {640, 360, 170, 96, 512},
      {170, 96, 170, 96, 512},
      {5, 5, 1, 7, 4},
      {9, 2, 5, 3, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fromWidth << "x" << c.fromHeight);
    const Bitmap out = Resized(Blank(c.fromWidth, c.fromHeight), c.toWidth, c.toHeight);
    EXPECT_EQ(out.stride, c.stride);
  }
}

// Same size is a copy, and rows come out with the standard padding however
// the source was laid out; the source's padding bytes never leak in.
TEST(ResizeSmooth, SourcePaddingIsNeverRead) {
  for (int stride : {9, 11, 12, 20}) {
    SCOPED_TRACE(testing::Message() << "stride " << stride);
    Bitmap source = Blank(3, 2, stride);
    std::fill(source.bits.begin(), source.bits.end(), 0xEE);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) Set(source, x, y, {x * 10 + y, 100 + x, 200 - y});
    }
    const Bitmap copy = Resized(source, 3, 2);
    EXPECT_EQ(copy.stride, 12);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) ExpectPixel(copy, x, y, {x * 10 + y, 100 + x, 200 - y});
    }
    // Means of 0,10,20,1,11,21 / 100,101,102 twice / 200 thrice and 199 thrice.
    ExpectPixel(Resized(source, 1, 1), 0, 0, {11, 101, 200});
  }
}

TEST(ResizeSmooth, InvalidSizesFailAndLeaveTheTargetAlone) {
  Bitmap shortBits = Blank(4, 4);
  shortBits.bits.pop_back();
  Bitmap narrowStride = Blank(4, 4);
  narrowStride.stride = 11;
  const struct {
    const char* name;
    Bitmap source;
    int width, height;
  } cases[] = {
      {"zero width", Blank(4, 4), 0, 96},
      {"zero height", Blank(4, 4), 170, 0},
      {"negative width", Blank(4, 4), -170, 96},
      {"over the picture limit", Blank(4, 4), 10000, 5001},
      {"empty source", Bitmap{}, 170, 96},
      {"source shorter than its rows", shortBits, 170, 96},
      {"source stride below its width", narrowStride, 170, 96},
  };
  for (const auto& c : cases) {
    Bitmap out = Stale();
    EXPECT_FALSE(ResizeSmooth(c.source, c.width, c.height, out)) << c.name;
    EXPECT_EQ(out.width, 1) << c.name;
    EXPECT_EQ(out.bits, Stale().bits) << c.name;
  }
}

// The picture table resizes a picture in place.
TEST(ResizeSmooth, TargetMayBeTheSource) {
  Bitmap picture = Blank(2, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) Set(picture, x, y, {60, 120, 180});
  }
  ASSERT_TRUE(ResizeSmooth(picture, 170, 96, picture));
  EXPECT_EQ(picture.width, 170);
  EXPECT_EQ(picture.height, 96);
  ExpectWellFormed(picture);
  ExpectPixel(picture, 169, 95, {60, 120, 180});
}

}  // namespace
