#pragma once
#include <string>
#include <string_view>

// The text between the first startMarker and the next endMarker after it;
// empty when either is missing or empty.
std::string ExtractBetween(std::string_view line, std::string_view startMarker,
                           std::string_view endMarker);
// A UTF-8 line as a code page 1251 text, leading "?" removed.
std::string DecodeUtf8Line(std::string_view line);
