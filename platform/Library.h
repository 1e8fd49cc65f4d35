#pragma once
// Dynamic libraries by number. A bare name is looked for in the program's
// own directory first, then by the system's search; a name ending ".dll"
// stands for the same base name ending ".so".
#include <string>

int LibraryOpen(const std::string& name);                 // 0 when it does not load
void* LibraryFunction(int library, const std::string& name);  // nullptr when missing
void LibrariesReleaseAll();
