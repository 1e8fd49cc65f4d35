#include "catalogue/Catalogue.h"

#include <string_view>

#include "catalogue/TextExtract.h"
#include "platform/Download.h"
#include "platform/Files.h"

std::string ChannelTitles[CatalogueSlots];
std::string ChannelLinks[CatalogueSlots];
std::string ThumbnailUrls[CatalogueSlots];
std::mutex CatalogueLock;

namespace {

constexpr int ListFile = 0;
const std::string ListCacheName = "vexo.txt";

constexpr std::string_view TitleMark = "grid_title";
constexpr std::string_view TitleDiv = "<div class=\"grid_title\">";
constexpr std::string_view ThumbMark = "\"thumb\" style=";

void RemoveEvery(std::string& text, std::string_view piece) {
  std::string out;
  size_t from = 0;
  for (size_t at; (at = text.find(piece, from)) != std::string::npos; from = at + piece.size())
    out.append(text, from, at - from);
  if (from == 0) return;
  out.append(text, from, std::string::npos);
  text.swap(out);
}

}  // namespace

void CreateCatalogue() {
  std::lock_guard<std::mutex> lock(CatalogueLock);
  for (int i = 0; i < CatalogueSlots; ++i) {
    ChannelTitles[i].clear();
    ChannelLinks[i].clear();
    ThumbnailUrls[i].clear();
  }
}

std::string CopyThumbnailUrl(int slot) {
  std::lock_guard<std::mutex> lock(CatalogueLock);
  return slot >= 0 && slot < CatalogueSlots ? ThumbnailUrls[slot] : std::string();
}

std::string CataloguePageAddress(int page) {
  return std::string("http://") + ZIRTA_CATALOGUE_HOST + "/ru/tv,channels?page=" +
         std::to_string(page);
}

void LoadCataloguePage(const std::string& address) {
  // A failed download leaves the earlier list in place, and that is what
  // gets read: the page shown is the last one that arrived.
  DownloadToFile(address, ListCacheName);
  if (!FileOpenRead(ListFile, ListCacheName)) return;
  int titleCount = 0;
  int thumbCount = 0;
  std::string line;
  while (!FileEof(ListFile)) {
    FileReadLine(ListFile, line);
    // With every slot written, no later line can change one: they are read
    // to the end, as before, but no longer decoded.
    if (titleCount >= CatalogueSlots && thumbCount >= CatalogueSlots) continue;
    if (line.find(TitleMark) != std::string::npos) {
      line = DecodeUtf8Line(line);
      RemoveEvery(line, TitleDiv);
      // Lines past the last slot are read but not kept.
      if (titleCount < CatalogueSlots) {
        std::string link = ExtractBetween(line, "<a href=\"", "\">");
        std::string title = ExtractBetween(line, ">", "<");
        std::lock_guard<std::mutex> lock(CatalogueLock);
        ChannelLinks[titleCount].swap(link);
        ChannelTitles[titleCount].swap(title);
      }
      ++titleCount;
    }
    if (line.find(ThumbMark) != std::string::npos) {
      line = DecodeUtf8Line(line);
      if (thumbCount < CatalogueSlots) {
        std::string thumb = ExtractBetween(line, "(", ")");
        std::lock_guard<std::mutex> lock(CatalogueLock);
        ThumbnailUrls[thumbCount].swap(thumb);
      }
      ++thumbCount;
    }
  }
  FileClose(ListFile);
}
