// One thumbnail as the worker handles it: the file loaded into a numbered
// picture and smoothly resized to the strip's 170 x 96, against a bare
// libjpeg decode of the same file.
//
//   zirta-bench-pictures FILE ROUNDS BATCH [SHIFT]
//
// Each round times BATCH loads of each kind, alternating which goes first;
// the figures are the medians over the rounds, per picture.
//
// Both decoders run up to a third slower or faster depending on where their
// buffers happen to lie in memory, and in one process that placement never
// changes. SHIFT bytes held from the start move every later allocation, so
// runs with several shifts sample several placements.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"
#include "bench/bare_jpeg.h"
#include "catalogue/ThumbnailWorker.h"
#include "platform/Bitmap.h"
#include "platform/Pictures.h"

namespace {

constexpr int Slot = 0;

// Per picture: the whole of it, and the resize's share.
double TimeProgram(const std::string& file, int batch, double* resizeShare = nullptr) {
  double resizing = 0;
  const double start = SecondsNow();
  for (int i = 0; i < batch; ++i) {
    if (!LoadPicture(Slot, file)) {
      std::fprintf(stderr, "LoadPicture failed on %s\n", file.c_str());
      std::exit(1);
    }
    const double loaded = SecondsNow();
    ResizePicture(Slot, ThumbnailWidth, ThumbnailHeight);
    resizing += SecondsNow() - loaded;
  }
  if (resizeShare) *resizeShare = resizing / batch;
  return (SecondsNow() - start) / batch;
}

double TimeBare(const std::string& file, int batch, int& width, int& height) {
  std::vector<uint8_t> pixels;
  const double start = SecondsNow();
  for (int i = 0; i < batch; ++i) {
    if (!BareDecodeJpegFile(file.c_str(), pixels, width, height)) {
      std::fprintf(stderr, "cannot open %s\n", file.c_str());
      std::exit(1);
    }
  }
  return (SecondsNow() - start) / batch;
}

// The two halves of the program's work apart, to tell where its time goes:
// the decode of the file's bytes (already in memory) and the resize.
void TimeParts(const std::string& file, int batch, double& decode, double& resize) {
  std::vector<uint8_t> data;
  if (std::FILE* f = std::fopen(file.c_str(), "rb")) {
    uint8_t buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) data.insert(data.end(), buffer, buffer + n);
    std::fclose(f);
  }
  Bitmap full, small;
  double start = SecondsNow();
  for (int i = 0; i < batch; ++i) DecodeJpeg(data.data(), data.size(), full);
  decode = (SecondsNow() - start) / batch;
  start = SecondsNow();
  for (int i = 0; i < batch; ++i) ResizeSmooth(full, ThumbnailWidth, ThumbnailHeight, small);
  resize = (SecondsNow() - start) / batch;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s FILE ROUNDS BATCH [SHIFT]\n", argv[0]);
    return 2;
  }
  const size_t shift = argc == 5 ? std::strtoul(argv[4], nullptr, 10) : 0;
  std::vector<uint8_t> placement(shift, 1);
  // Core texts are in code page 1251; the benchmark's paths are ASCII.
  const std::string file = argv[1];
  const int rounds = std::max(1, std::atoi(argv[2]));
  const int batch = std::max(1, std::atoi(argv[3]));
  int width = 0, height = 0;
  TimeProgram(file, batch);  // warms the file cache, the code and the allocator
  TimeBare(file, batch, width, height);
  std::vector<double> program, bare, resizes;
  for (int i = 0; i < rounds; ++i) {
    double resize = 0;
    if (i % 2) {
      bare.push_back(TimeBare(file, batch, width, height));
      program.push_back(TimeProgram(file, batch, &resize));
    } else {
      program.push_back(TimeProgram(file, batch, &resize));
      bare.push_back(TimeBare(file, batch, width, height));
    }
    resizes.push_back(resize);
  }
  if (PictureWidth(Slot) != ThumbnailWidth || PictureHeight(Slot) != ThumbnailHeight) {
    std::fprintf(stderr, "the picture was not resized to the thumbnail size\n");
    return 1;
  }
  std::vector<double> decodes, hotResizes;
  for (int i = 0; i < rounds; ++i) {
    double decode, resize;
    TimeParts(file, batch, decode, resize);
    decodes.push_back(decode);
    hotResizes.push_back(resize);
  }
  const double p = Median(program), b = Median(bare);
  PrintResult("picture", {{"width", width}, {"height", height}, {"program_s", p}, {"bare_s", b},
                          {"ratio", p / b}, {"resize_in_program_s", Median(resizes)},
                          {"decode_s", Median(decodes)}, {"resize_hot_s", Median(hotResizes)}, {"rounds", rounds}, {"batch", batch},
                          {"shift", static_cast<double>(placement.size())}});
  return 0;
}
