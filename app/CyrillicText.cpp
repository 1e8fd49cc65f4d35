#include "app/CyrillicText.h"

#include "platform/Text.h"

std::string Ansi(std::string_view utf8Literal) { return Utf8ToCp1251(utf8Literal); }
