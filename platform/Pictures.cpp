// Numbered pictures. A picture, once made, never changes: a reload or resize
// prepares a new one apart and swaps it into the table, so a view that took
// the old one keeps painting it safely.
#include "platform/Pictures.h"

#include <fcntl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/GuiInternal.h"
#include "platform/MainLoop.h"
#include "platform/Text.h"
#include "platform/UniqueFd.h"

namespace {

constexpr int64_t MaxPictureFileBytes = 64 * 1024 * 1024;
// Numbers the loader hands out lie above the program's own (0 to 20, 777).
constexpr int FirstNewNumber = 10000;

using Picture = std::shared_ptr<const Bitmap>;

std::mutex TableLock;
std::map<int, Picture> Table;
int NextNewNumber = FirstNewNumber;

bool ReadWholeFile(const std::string& utf8Name, std::vector<uint8_t>& data) {
  UniqueFd fd(::open(utf8Name.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return false;
  struct stat info;
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (info.st_size <= 0 || info.st_size > MaxPictureFileBytes) return false;
  data.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::read(fd.get(), data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // shorter than it said: take what is there
    done += static_cast<size_t>(n);
  }
  data.resize(done);
  return done > 0;
}

bool LooksLikeBmp(const std::vector<uint8_t>& d) { return d.size() >= 2 && d[0] == 'B' && d[1] == 'M'; }
bool LooksLikeIcon(const std::vector<uint8_t>& d) {
  return d.size() >= 4 && d[0] == 0 && d[1] == 0 && d[2] == 1 && d[3] == 0;
}

// Windows bitmaps and icons through GdkPixbuf, into the same bottom-up BGR
// form the JPEG decoder gives. Transparent parts of an icon come out black.
bool DecodeWithPixbuf(const std::vector<uint8_t>& data, const char* type, Bitmap& out) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(type, nullptr);
  if (!loader) return false;
  bool ok = gdk_pixbuf_loader_write(loader, data.data(), data.size(), nullptr);
  ok = gdk_pixbuf_loader_close(loader, nullptr) && ok;
  GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (pixbuf) {
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    if (width <= 0 || height <= 0 || int64_t{width} * height > MaxPicturePixels ||
        gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || channels < 3) {
      ok = false;
    } else {
      const int sourceStride = gdk_pixbuf_get_rowstride(pixbuf);
      const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
      out.width = width;
      out.height = height;
      out.stride = (width * 3 + 3) & ~3;
      out.bits.assign(static_cast<size_t>(out.stride) * height, 0);
      for (int y = 0; y < height; ++y) {
        const guchar* source = pixels + static_cast<size_t>(y) * sourceStride;
        uint8_t* target = out.bits.data() + static_cast<size_t>(height - 1 - y) * out.stride;
        for (int x = 0; x < width; ++x) {
          const guchar* p = source + x * channels;
          const unsigned a = alpha ? p[3] : 255;
          target[3 * x + 0] = static_cast<uint8_t>(p[2] * a / 255);
          target[3 * x + 1] = static_cast<uint8_t>(p[1] * a / 255);
          target[3 * x + 2] = static_cast<uint8_t>(p[0] * a / 255);
        }
      }
    }
  } else {
    ok = false;
  }
  g_object_unref(loader);
  return ok;
}

Picture LoadFile(const std::string& fileName) {
  std::vector<uint8_t> data;
  if (!ReadWholeFile(Cp1251ToUtf8(fileName), data)) return nullptr;
  auto bitmap = std::make_shared<Bitmap>();
  bool ok = false;
  if (LooksLikeJpeg(data.data(), data.size()))
    ok = DecodeJpeg(data.data(), data.size(), *bitmap);
  else if (LooksLikeBmp(data))
    ok = DecodeWithPixbuf(data, "bmp", *bitmap);
  else if (LooksLikeIcon(data))
    ok = DecodeWithPixbuf(data, "ico", *bitmap);
  if (!ok || bitmap->width <= 0 || bitmap->height <= 0) return nullptr;
  return bitmap;
}

Picture Find(int number) {
  std::lock_guard<std::mutex> lock(TableLock);
  auto it = Table.find(number);
  return it == Table.end() ? nullptr : it->second;
}

}  // namespace

bool LoadPicture(int number, const std::string& fileName) {
  {
    // The old picture goes first, so a failed load leaves the number empty.
    std::lock_guard<std::mutex> lock(TableLock);
    Table.erase(number);
  }
  Picture picture = LoadFile(fileName);
  if (!picture) return false;
  std::lock_guard<std::mutex> lock(TableLock);
  Table[number] = std::move(picture);
  return true;
}

int LoadPictureNew(const std::string& fileName) {
  Picture picture = LoadFile(fileName);
  if (!picture) return 0;
  std::lock_guard<std::mutex> lock(TableLock);
  while (Table.count(NextNewNumber)) ++NextNewNumber;
  const int number = NextNewNumber++;
  Table[number] = std::move(picture);
  return number;
}

void ResizePicture(int number, int width, int height) {
  if (width <= 0 || height <= 0) return;
  Picture old = Find(number);
  if (!old || (old->width == width && old->height == height)) return;
  auto resized = std::make_shared<Bitmap>();
  if (!ResizeSmooth(*old, width, height, *resized)) return;
  std::lock_guard<std::mutex> lock(TableLock);
  auto it = Table.find(number);
  // A load that came in meanwhile wins over the resize of what it replaced.
  if (it != Table.end() && it->second == old) it->second = std::move(resized);
}

bool PictureExists(int number) { return Find(number) != nullptr; }

int PictureWidth(int number) {
  Picture picture = Find(number);
  return picture ? picture->width : 0;
}

int PictureHeight(int number) {
  Picture picture = Find(number);
  return picture ? picture->height : 0;
}

bool ShowPicture(int view, int picture) {
  // The snapshot is taken on the window's thread, at the moment the view
  // changes; from another thread the caller waits for it.
  return RunOnGuiThread([view, picture] { SetPictureViewImage(view, Find(picture)); });
}

void PicturesReleaseAll() {
  std::lock_guard<std::mutex> lock(TableLock);
  Table.clear();
  NextNewNumber = FirstNewNumber;
}

std::shared_ptr<const Bitmap> PictureSnapshot(int picture) { return Find(picture); }
