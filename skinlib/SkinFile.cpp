#include "SkinFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

struct FileDescriptor {
  int fd;
  explicit FileDescriptor(int value) : fd(value) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd >= 0) close(fd);
  }
};

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

}  // namespace

std::string ResolveSkinPath(const std::string& name, const std::string& libraryDirectory) {
  if (name.empty()) return "";
  if (name.front() == '/') return Exists(name) ? name : "";
  if (Exists(name)) return name;
  if (!libraryDirectory.empty()) {
    std::string besideLibrary = libraryDirectory + name;
    if (Exists(besideLibrary)) return besideLibrary;
  }
  return "";
}

bool ReadSkinFile(const std::string& path, std::string& contents) {
  // O_NONBLOCK: a FIFO or device under the skin's name must not hang the
  // program at start-up; such files are refused below anyway.
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.fd < 0) return false;
  struct stat info;
  if (fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > SkinFileLimit) return false;

  // The size is only a hint: the file may grow while we read it.
  std::string text;
  char buffer[16384];
  for (;;) {
    ssize_t got = read(file.fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) break;
    if (text.size() + static_cast<std::size_t>(got) > SkinFileLimit) return false;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  contents.swap(text);
  return true;
}
