// The program's only loop. Every command runs to completion before the next
// event is taken; events that arrive meanwhile wait in the queue.
#include "app/EventLoop.h"

#include <string>

#include "app/AppState.h"
#include "app/CyrillicText.h"
#include "catalogue/Paging.h"
#include "platform/Gui.h"
#include "platform/WebView.h"
#include "player/ChannelCommand.h"

namespace {

// The caption, the page file and the window title are three texts of their
// own: they differ in spaces, underscores and wording.
struct Category {
  int button;
  const char* pageFile;     // UTF-8 here, code page 1251 in use
  const char* windowTitle;
};

constexpr Category Categories[] = {
    {106, "zirta.htm", "Зирта TV"},
    {108, "ЗвездноеТВ.htm", "ЗвездноеТВ"},
    {109, "ВертелинТВ.htm", "ВертелинТВ"},
    {110, "ЛатексТМ.htm", "Латекс ТМ"},
    {111, "HD_TV_MUSIC.htm", "HD TV MUSIC"},
    {112, "1080p.htm", "Кинозал 1080p"},
    {113, "Disco80x.htm", "Disco 80x"},
    {114, "Выжить_любой_ценой.htm", "Выжить любой ценой"},
    {115, "MaskiShow.htm", "Maski Show"},
    {116, "ТелеканалСССР.htm", "Телеканал СССР"},
};

// A category button shows its page (which need not exist), then names the
// window after it.
bool CategoryCommand(int control) {
  for (const Category& category : Categories) {
    if (category.button != control) continue;
    SetWebViewAddress(WebView, LocalPageUrl(Ansi(category.pageFile)));
    SetWindowTitle(MainWindow, Ansi(category.windowTitle));
    return true;
  }
  return false;
}

}  // namespace

void RunEventLoop() {
  for (;;) {
    int control = 0;
    LastEvent = WaitEvent(control);
    LastEventControl = control;
    if (LastEvent == EventCloseRequest) return;
    if (LastEvent != EventControl) continue;
    // The title-link range is tested first.
    if (LastEventControl >= FirstTitleLink && LastEventControl <= LastTitleLink) {
      ChannelCommand(LastEventControl);
    } else if (LastEventControl == NextPageLink) {
      NextPageCommand();
    } else if (LastEventControl == PrevPageLink) {
      PrevPageCommand();
    } else {
      // Every other control (browser, strip, thumbnails, logo, page label)
      // does nothing.
      CategoryCommand(LastEventControl);
    }
  }
}
