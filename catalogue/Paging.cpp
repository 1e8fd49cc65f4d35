#include "catalogue/Paging.h"

#include <string>

#include "app/AppState.h"
#include "app/CyrillicText.h"
#include "catalogue/Catalogue.h"
#include "catalogue/ThumbnailWorker.h"
#include "platform/Gui.h"

void NextPageCommand() {
  if (++CurrentPage > LastCataloguePage) CurrentPage = LastCataloguePage;
  ShowCataloguePage(CurrentPage);
}

void PrevPageCommand() {
  if (--CurrentPage < 0) CurrentPage = 0;
  ShowCataloguePage(CurrentPage);
}

void ShowCataloguePage(int page) {
  // The label changes first, so the user sees where the wait leads.
  SetControlText(PageLabel, Ansi("стр: ") + std::to_string(page + 1));
  LoadCataloguePage(CataloguePageAddress(page));
  for (int i = 0; i < StripRows; ++i) {
    std::string title;
    {
      std::lock_guard<std::mutex> lock(CatalogueLock);
      title = ChannelTitles[i];
    }
    SetControlText(FirstTitleLink + i, title);
  }
  StartThumbnailWorker();
}
