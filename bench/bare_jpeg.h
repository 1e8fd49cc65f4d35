#pragma once
// The least a program can do to turn a JPEG file into pixels: libjpeg's own
// file reader and its defaults, nothing checked, nothing limited. The floor
// the picture loader is measured against.
#include <cstdint>
#include <vector>

// Decodes the file into top-down RGB rows; false when it cannot be opened.
bool BareDecodeJpegFile(const char* path, std::vector<uint8_t>& pixels, int& width, int& height);
