#pragma once
// A scratch directory per test that is also the working directory, since the
// program names its files relative to it.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ScratchDirectory {
 public:
  ScratchDirectory() {
    char pattern[] = "/tmp/zirta-test-XXXXXX";
    path_ = mkdtemp(pattern);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~ScratchDirectory() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
