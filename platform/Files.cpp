#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Text.h"
#include "platform/UniqueFd.h"

namespace {

constexpr size_t BufferSize = 256 * 1024;
constexpr size_t Unknown = static_cast<size_t>(-1);

struct OpenFile {
  UniqueFd fd;
  std::vector<char> buffer;
  size_t pos = 0;
  size_t end = 0;
  // Where the next LF, CR and zero byte lie in the buffer (end when there is
  // none), so a long line is scanned once however many terminators it lacks.
  size_t nextLf = Unknown, nextCr = Unknown, nextNul = Unknown;
};

std::mutex TableLock;
std::map<int, std::unique_ptr<OpenFile>> Table;

OpenFile* Find(int number) {
  std::lock_guard<std::mutex> lock(TableLock);
  auto it = Table.find(number);
  return it == Table.end() ? nullptr : it->second.get();
}

bool Open(int number, const std::string& name, int flags) {
  UniqueFd fd(::open(Cp1251ToUtf8(name).c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644));
  struct stat st;
  // Only regular files: a FIFO or a device under a cache file's name would
  // block or never end.
  if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    FileClose(number);
    return false;
  }
  auto file = std::make_unique<OpenFile>();
  file->fd = std::move(fd);
  std::lock_guard<std::mutex> lock(TableLock);
  Table[number] = std::move(file);
  return true;
}

// Makes at least one unread byte available; false at the end of the file.
bool Fill(OpenFile& f) {
  if (f.pos < f.end) return true;
  if (f.buffer.empty()) f.buffer.resize(BufferSize);
  ssize_t n;
  do {
    n = ::read(f.fd.get(), f.buffer.data(), f.buffer.size());
  } while (n < 0 && errno == EINTR);
  f.pos = 0;
  f.end = n > 0 ? static_cast<size_t>(n) : 0;
  f.nextLf = f.nextCr = f.nextNul = Unknown;
  return f.end > 0;
}

size_t NextOf(OpenFile& f, size_t& cached, char c) {
  if (cached == Unknown || cached < f.pos) {
    const void* hit = memchr(f.buffer.data() + f.pos, c, f.end - f.pos);
    cached = hit ? static_cast<const char*>(hit) - f.buffer.data() : f.end;
  }
  return cached;
}

// Drops read-ahead so the descriptor's offset is the logical position again.
void DropReadAhead(OpenFile& f) {
  if (f.end > f.pos) lseek(f.fd.get(), -static_cast<off_t>(f.end - f.pos), SEEK_CUR);
  f.pos = f.end = 0;
  f.nextLf = f.nextCr = f.nextNul = Unknown;
}

}  // namespace

bool FileOpenRead(int number, const std::string& name) { return Open(number, name, O_RDONLY); }

bool FileOpenReadWrite(int number, const std::string& name) {
  return Open(number, name, O_RDWR | O_CREAT);
}

bool FileEof(int number) {
  OpenFile* f = Find(number);
  return !f || !Fill(*f);
}

bool FileReadLine(int number, std::string& line) {
  line.clear();
  OpenFile* f = Find(number);
  if (!f || !Fill(*f)) return false;
  for (;;) {
    size_t t = std::min({NextOf(*f, f->nextLf, '\n'), NextOf(*f, f->nextCr, '\r'),
                         NextOf(*f, f->nextNul, '\0')});
    if (t < f->end) {
      line.append(f->buffer.data() + f->pos, t - f->pos);
      char terminator = f->buffer[t];
      f->pos = t + 1;
      if (terminator == '\r' && Fill(*f) && f->buffer[f->pos] == '\n') ++f->pos;
      return true;
    }
    line.append(f->buffer.data() + f->pos, f->end - f->pos);
    f->pos = f->end;
    if (!Fill(*f)) return true;  // the end of the file ends the last line
  }
}

bool FileWriteLine(int number, std::string_view text) {
  OpenFile* f = Find(number);
  if (!f) return false;
  DropReadAhead(*f);
  std::string data;
  data.reserve(text.size() + 2);
  data.append(text);
  data.append("\r\n");
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(f->fd.get(), data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

int64_t FileLength(int number) {
  OpenFile* f = Find(number);
  struct stat st;
  if (!f || fstat(f->fd.get(), &st) != 0) return -1;
  return st.st_size;
}

bool FileSeek(int number, int64_t position) {
  OpenFile* f = Find(number);
  if (!f || position < 0) return false;
  f->pos = f->end = 0;
  f->nextLf = f->nextCr = f->nextNul = Unknown;
  return lseek(f->fd.get(), position, SEEK_SET) == position;
}

void FileClose(int number) {
  std::unique_ptr<OpenFile> gone;
  std::lock_guard<std::mutex> lock(TableLock);
  auto it = Table.find(number);
  if (it != Table.end()) {
    gone = std::move(it->second);
    Table.erase(it);
  }
}

void FilesCloseAll() {
  std::lock_guard<std::mutex> lock(TableLock);
  Table.clear();
}

bool FileDelete(const std::string& name) { return ::unlink(Cp1251ToUtf8(name).c_str()) == 0; }
