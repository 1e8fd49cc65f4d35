// Kept apart from the benchmarks that link the program: this file alone may
// include libjpeg, as it stands for a program without our platform layer.
#include "bench/bare_jpeg.h"

#include <cstdio>

#include <jpeglib.h>

bool BareDecodeJpegFile(const char* path, std::vector<uint8_t>& pixels, int& width, int& height) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);  // exits on a broken file: ours are sound
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  width = static_cast<int>(info.output_width);
  height = static_cast<int>(info.output_height);
  const size_t stride = static_cast<size_t>(width) * info.output_components;
  pixels.resize(stride * height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  return true;
}
