#include "platform/Process.h"

#include <unistd.h>

#include <cerrno>

#include <vector>

#include "platform/Text.h"

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buffer.size())
      return Utf8ToCp1251(std::string_view(buffer.data(), static_cast<size_t>(n)));
    buffer.resize(buffer.size() * 2);
  }
}

std::string WorkingDirectory() {
  std::vector<char> buffer(4096);
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  std::string path = Utf8ToCp1251(buffer.data());
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}
