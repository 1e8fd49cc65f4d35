// The main window, built once at start-up in a fixed order: a control
// created later lies above the ones before it.
#include "app/MainWindow.h"

#include <mutex>
#include <string>

#include "app/AppState.h"
#include "app/CyrillicText.h"
#include "catalogue/Catalogue.h"
#include "platform/Gui.h"
#include "platform/Pictures.h"
#include "platform/WebView.h"

namespace {

constexpr int Background = Rgb(20, 20, 20);
constexpr int LinkText = Rgb(128, 128, 128);
constexpr int LinkHover = Rgb(253, 2, 2);

constexpr int ThumbnailRowPitch = 126;

struct CategoryButtonPlace {
  int number;
  int x;
  int y;
  const char* caption;  // UTF-8 here, code page 1251 on the button
};

// Two rows of five, in the order they are created.
constexpr CategoryButtonPlace CategoryButtons[] = {
    {106, 10, 345, "Зирта TV"},   {108, 90, 345, "ЗвездноеТВ"}, {109, 170, 345, "ВертелинТВ"},
    {110, 250, 345, "Латекс ТМ"}, {111, 330, 345, "HD TV MUSIC"}, {112, 10, 375, "1080p"},
    {113, 90, 375, "Disco 80x"},  {114, 170, 375, "Выж.любой.Ц"}, {115, 250, 375, "MaskiShow"},
    {116, 330, 375, "Канал СССР"},
};

void ColourLink(int number) {
  // Background first, then text: the order the colours are given in.
  SetControlBackground(number, Background);
  SetControlTextColour(number, LinkText);
}

void BuildChannelStrip() {
  OpenScrollArea(ChannelStrip, 595, 4, 250, 380, 233, 2800, 80);
  LoadPicture(StripBackground, "skrol.jpg");
  CreatePictureView(StripBackground, 0, 0, 315, 2800, StripBackground);
  DisableControl(StripBackground);

  const std::string placeholder = Ansi("img/фон.jpg");
  for (int i = 0; i < StripRows; ++i) {
    // Every row has a picture of its own: the worker replaces them one by one.
    LoadPicture(i, placeholder);
    CreatePictureView(i, 10, 10 + ThumbnailRowPitch * i, 207, 116, i);
    std::string title;
    {
      std::lock_guard<std::mutex> lock(CatalogueLock);
      title = ChannelTitles[i];
    }
    CreateLink(FirstTitleLink + i, 10, 110 + ThumbnailRowPitch * i, 170, 15, title, LinkHover);
    ColourLink(FirstTitleLink + i);
  }
  CloseParent();
  SetControlBackground(ChannelStrip, Background);
}

}  // namespace

void BuildMainWindow() {
  OpenWindow(MainWindow, 803, 425, Ansi("Зирта TV"));
  SetWindowBackground(MainWindow, Background);

  OpenContainer(PlayerFrame, 5, 8, 590, 330);
  CreateWebView(WebView, 0, 0, 650, 380, LocalPageUrl("zirta.htm"));
  CloseParent();

  BuildChannelStrip();

  CreateLink(PrevPageLink, 630, 387, 30, 15, "<<<", LinkHover);
  ColourLink(PrevPageLink);
  CreateLink(NextPageLink, 730, 387, 30, 15, ">>>", LinkHover);
  ColourLink(NextPageLink);

  for (const CategoryButtonPlace& button : CategoryButtons)
    CreateButton(button.number, button.x, button.y, 70, 25, Ansi(button.caption));

  LogoPicture = LoadPictureNew(Ansi("лого.jpg"));
  CreatePictureView(LogoImage, 417, 350, 162, 43, LogoPicture != 0 ? LogoPicture : NoPicture);

  // The page label's hover colour is its text colour: it does not react.
  CreateLink(PageLabel, 670, 387, 55, 15, Ansi("стр: 1"), LinkText);
  ColourLink(PageLabel);

  ShowWindowNormal(MainWindow);
  SetWindowTopmost(MainWindow);
}
