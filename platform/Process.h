#pragma once
#include <string>

// Full path of the running executable, as a core text (code page 1251).
std::string ExecutablePath();
// The working directory as a core text, ending with "/".
std::string WorkingDirectory();
