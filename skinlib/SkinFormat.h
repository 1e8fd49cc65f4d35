#pragma once
// Our skin file: a header that names the format and the skin, a blank line,
// then GTK CSS.
//
//   ZirtaSkin 1
//   name: Dark Soft
//
//   button { ... }
#include <string>

struct Skin {
  std::string name;
  std::string css;
};

// False when `text` is not a skin of a version we understand; `skin` is
// then left as it was.
bool ParseSkin(const std::string& text, Skin& skin);
