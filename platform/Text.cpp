#include "platform/Text.h"

#include <array>
#include <cstdint>

namespace {

// Code page 1251, bytes 0x80..0xFF. 0x98 has no character of its own; like
// Windows we give it U+0098 so every byte survives a round trip.
constexpr char16_t HighHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

constexpr char16_t Replacement = 0xFFFD;

// Unicode -> code page byte; 0 means "not in the code page" (U+0000 is
// handled apart).
const std::array<uint8_t, 65536>& ReverseTable() {
  static const std::array<uint8_t, 65536> table = [] {
    std::array<uint8_t, 65536> t{};
    for (int b = 1; b < 0x80; ++b) t[b] = static_cast<uint8_t>(b);
    for (int b = 0; b < 128; ++b) t[HighHalf[b]] = static_cast<uint8_t>(0x80 + b);
    return t;
  }();
  return table;
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool InRange(uint8_t b, uint8_t lo, uint8_t hi) { return b >= lo && b <= hi; }

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    uint8_t b = s[i];
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    int need;
    uint32_t c;
    uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (InRange(b, 0xC2, 0xDF)) {
      need = 1; c = b & 0x1F;
    } else if (InRange(b, 0xE0, 0xEF)) {
      need = 2; c = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;   // overlong
      if (b == 0xED) hi = 0x9F;   // surrogates
    } else if (InRange(b, 0xF0, 0xF4)) {
      need = 3; c = b & 0x07;
      if (b == 0xF0) lo = 0x90;   // overlong
      if (b == 0xF4) hi = 0x8F;   // above U+10FFFF
    } else {
      out += Replacement;         // stray continuation, C0, C1, F5..FF
      ++i;
      continue;
    }
    // The maximal valid prefix is replaced by one U+FFFD; the byte that
    // broke it starts the next sequence.
    size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < need; ++k, ++j) {
      uint8_t lower = k == 0 ? lo : 0x80, upper = k == 0 ? hi : 0xBF;
      if (j >= n || !InRange(s[j], lower, upper)) { ok = false; break; }
      c = (c << 6) | (s[j] & 0x3F);
    }
    if (!ok) {
      out += Replacement;
      i = j;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i = j;
  }
  return out;
}

std::string Utf16ToCp1251(std::u16string_view text) {
  const auto& table = ReverseTable();
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (u == 0) {
      out += '\0';
    } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() &&
               text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += '?';  // one character beyond the BMP, one "?"
      ++i;
    } else {
      uint8_t b = table[u];
      out += b ? static_cast<char>(b) : '?';
    }
  }
  return out;
}

std::string Utf8ToCp1251(std::string_view utf8) { return Utf16ToCp1251(Utf8ToUtf16(utf8)); }

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (unsigned char b : text) {
    if (b < 0x80)
      out += static_cast<char>(b);
    else
      AppendUtf8(out, HighHalf[b - 0x80]);
  }
  return out;
}
