#include "SkinFormat.h"

#include <cstddef>
#include <utility>

namespace {

const std::string Signature = "ZirtaSkin 1";
const std::string ByteOrderMark = "\xEF\xBB\xBF";

std::string Trim(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The next line without its end; false once the text is used up.
bool NextLine(const std::string& text, std::size_t& position, std::string& line) {
  if (position >= text.size()) return false;
  std::size_t end = text.find('\n', position);
  if (end == std::string::npos) {
    line = text.substr(position);
    position = text.size();
  } else {
    line = text.substr(position, end - position);
    position = end + 1;
  }
  return true;
}

bool IsFieldName(const std::string& key) {
  if (key.empty()) return false;
  for (char c : key) {
    bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letterOrDigit && c != '-' && c != '_') return false;
  }
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

bool ParseSkin(const std::string& text, Skin& skin) {
  // A NUL would cut the CSS short without GTK noticing.
  if (text.find('\0') != std::string::npos) return false;

  std::size_t position = 0;
  if (text.compare(0, ByteOrderMark.size(), ByteOrderMark) == 0) position = ByteOrderMark.size();

  std::string line;
  if (!NextLine(text, position, line) || Trim(line) != Signature) return false;

  Skin parsed;
  for (;;) {
    // A header that never ends is a file cut short, not a skin without CSS.
    if (!NextLine(text, position, line)) return false;
    line = Trim(line);
    if (line.empty()) break;
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) return false;
    std::string key = Trim(line.substr(0, colon));
    if (!IsFieldName(key)) return false;
    // Fields we do not know are left for newer versions of this library.
    if (Lower(key) == "name") parsed.name = Trim(line.substr(colon + 1));
  }
  if (parsed.name.empty()) return false;

  parsed.css = text.substr(position);
  skin = std::move(parsed);
  return true;
}
