#pragma once
// Moving the window through the catalogue's pages 0 to 151.
constexpr int LastCataloguePage = 151;

void NextPageCommand();
void PrevPageCommand();
// Shows the page number, loads the page, puts its titles on the links and
// has the thumbnails fetched again.
void ShowCataloguePage(int page);
