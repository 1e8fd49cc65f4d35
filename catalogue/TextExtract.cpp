#include "catalogue/TextExtract.h"

#include "platform/Text.h"

std::string ExtractBetween(std::string_view line, std::string_view startMarker,
                           std::string_view endMarker) {
  // An empty marker is never found, so it yields the empty text too.
  if (line.empty() || startMarker.empty() || endMarker.empty()) return {};
  size_t start = line.find(startMarker);
  if (start == std::string_view::npos) return {};
  std::string_view rest = line.substr(start + startMarker.size());
  size_t end = rest.find(endMarker);
  if (end == std::string_view::npos) return {};
  return std::string(rest.substr(0, end));
}

std::string DecodeUtf8Line(std::string_view line) {
  // The conversion reads up to the first zero byte, as a C string would.
  line = line.substr(0, line.find('\0'));
  std::string text = Utf16ToCp1251(Utf8ToUtf16(line));
  // Characters the code page lacks at the start of a title turn into "?",
  // which are dropped together with any real leading "?".
  size_t first = text.find_first_not_of('?');
  text.erase(0, first == std::string::npos ? text.size() : first);
  return text;
}
