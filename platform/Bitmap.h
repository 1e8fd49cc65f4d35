#pragma once
// A decoded picture: 24 bits per pixel, rows bottom-up, colour order B, G, R,
// each row padded to a multiple of 4 bytes. Rows the decoder never reached
// stay zero.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Bitmap {
  int width = 0;
  int height = 0;
  int stride = 0;                  // bytes per row, a multiple of 4
  std::vector<uint8_t> bits;       // stride * height bytes, bottom row first
};

// Largest picture the decoder accepts, and most progressive scans.
constexpr int64_t MaxPicturePixels = 50'000'000;
constexpr int MaxProgressiveScans = 100;

// A file is taken for JPEG when its first two bytes are FF D8.
bool LooksLikeJpeg(const uint8_t* data, size_t size);

// Decodes a whole JPEG file held in memory. An error while the header is
// read fails the decode; a later error stops it and leaves the rest of the
// rows undrawn (the result is still true). Warnings are ignored. Greyscale
// comes out as RGB; CMYK and other colour spaces without a way to RGB fail.
// Pictures over MaxPicturePixels and progressive files with more than
// MaxProgressiveScans scans fail without allocating their pixels. A file cut
// short keeps the rows its data reached; a progressive one cut after its
// first scan shows whole, with less detail. On failure `out` is left empty.
bool DecodeJpeg(const uint8_t* data, size_t size, Bitmap& out);

// Resizes by area averaging: every target pixel is the exact area-weighted
// mean of the source pixels it covers, rounded to nearest. The aspect ratio is
// not kept. The source's stride need only cover its row. Fails on a size of
// zero or less, a target over MaxPicturePixels or a source whose bits do not
// hold its rows, leaving `out` as it was; `out` may be `source` itself.
bool ResizeSmooth(const Bitmap& source, int width, int height, Bitmap& out);
