#pragma once
// Finding and reading a skin file, with the limits that keep a stray or
// hostile file from hurting the program that loaded us.
#include <cstddef>
#include <string>

constexpr std::size_t SkinFileLimit = 1024 * 1024;

// The path to open for `name`: an absolute name as it is; a relative one
// against the working directory, else against `libraryDirectory` (which
// ends with "/", or is empty). The first candidate that exists wins, even
// when it turns out unusable; "" when none exists.
std::string ResolveSkinPath(const std::string& name, const std::string& libraryDirectory);

// The whole file in `contents`; false (and `contents` untouched) when it is
// not a regular file, cannot be read, or is larger than SkinFileLimit.
bool ReadSkinFile(const std::string& path, std::string& contents);
