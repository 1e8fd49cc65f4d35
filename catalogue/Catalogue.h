#pragma once
// The channels of the catalogue page shown: slot i describes the page's
// channel i + 1. Slots are overwritten from 0 upward by each page and never
// cleared, so a short page leaves the higher slots as an earlier page wrote
// them.
#include <mutex>
#include <string>

constexpr int CatalogueSlots = 31;

extern std::string ChannelTitles[CatalogueSlots];
extern std::string ChannelLinks[CatalogueSlots];
extern std::string ThumbnailUrls[CatalogueSlots];

// Guards the three arrays between the window's thread, which rewrites them,
// and the thumbnail worker, which copies one address at a time.
extern std::mutex CatalogueLock;

// Empties every slot (start-up).
void CreateCatalogue();
// A whole copy of one slot's thumbnail address, never half of a rewrite.
std::string CopyThumbnailUrl(int slot);

// Downloads a catalogue page into "vexo.txt" and fills the slots from it.
void LoadCataloguePage(const std::string& address);
// http:// + host + /ru/tv,channels?page= + page
std::string CataloguePageAddress(int page);
