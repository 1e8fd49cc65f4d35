#pragma once
// The one style sheet this library lays over every window of the process.
#include <string>

// True when the running GTK understands the CSS node names our skins use.
bool SkinStyleSupported();
// Replaces the current skin's style with `css`. False, with nothing
// changed, when there is no display yet or the CSS does not parse.
bool ApplySkinStyle(const std::string& css);
// Takes the current skin's style away; false when there was none.
bool RemoveSkinStyle();
