#pragma once
// The one place where the program's UTF-8 source literals become core texts
// in code page 1251.
#include <string>
#include <string_view>

std::string Ansi(std::string_view utf8Literal);
