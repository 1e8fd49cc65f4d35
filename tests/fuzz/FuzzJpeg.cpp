// Feeds arbitrary bytes to the JPEG decoder and the smooth resize after it.
#include <cstdint>

#include "platform/Bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bitmap picture;
  if (LooksLikeJpeg(data, size) && DecodeJpeg(data, size, picture)) {
    Bitmap scaled;
    ResizeSmooth(picture, 170, 96, scaled);
  }
  return 0;
}
