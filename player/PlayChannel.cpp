#include "app/AppState.h"
#include "app/CyrillicText.h"
#include "catalogue/Catalogue.h"
#include "platform/Download.h"
#include "platform/Files.h"
#include "platform/Gui.h"
#include "platform/Process.h"
#include "platform/WebView.h"
#include "player/ChannelCommand.h"

namespace {

constexpr int CacheFile = 0;
constexpr int PageFile = 1;
const std::string PlayerCacheName = "vexoTV.txt";
const std::string PlayerPageName = "TV.htm";
constexpr std::string_view FlashMarker = "\"application/x-shockwave-flash\"";
constexpr std::string_view ScriptLine = "<script type='text/javascript' src='js000000.js'></script>";
constexpr std::string_view StyleLine = "<style> body{ margin: 0px; padding: 0px;}</style>";

void WritePlayerPage(std::string_view playerLine) {
  std::string page;
  page.reserve(ScriptLine.size() + StyleLine.size() + playerLine.size() + 4);
  page.append(ScriptLine).append("\r\n").append(StyleLine).append("\r\n").append(playerLine);
  FileDelete(PlayerPageName);
  if (!FileOpenReadWrite(PageFile, PlayerPageName)) return;
  // Where the old page could not be deleted, the new one goes after it.
  FileSeek(PageFile, FileLength(PageFile));
  FileWriteLine(PageFile, page);
  FileClose(PageFile);
}

// Shown when this channel's player cannot be had, so the previous channel's
// player does not go on under the new channel's title. The page carries no
// charset, so the notice is in the browser's default code page, 1251.
std::string MissingPlayerNotice() {
  return Ansi("<div style=\"font: 15px sans-serif; color: #909090; background: #141414; "
              "padding: 24px; height: 282px\">Плеер этого канала не найден. "
              "Попробуйте другой канал или зайдите позже.</div>");
}

}  // namespace

void PlayChannel(const std::string& address) {
  bool written = false;
  // A failed download must not pass off an earlier channel's page as this one.
  if (DownloadToFile(address, PlayerCacheName) == 0 && FileOpenRead(CacheFile, PlayerCacheName)) {
    std::string line;
    while (!FileEof(CacheFile)) {
      FileReadLine(CacheFile, line);
      if (line.find(FlashMarker) == std::string::npos) continue;
      WritePlayerPage(line);
      written = true;
    }
    FileClose(CacheFile);
  }
  if (!written) WritePlayerPage(MissingPlayerNotice());
  // The page is shown from where it was written: the working directory.
  SetWebViewAddress(WebView, "file://localhost/" + WorkingDirectory() + PlayerPageName);
}

void ChannelCommand(int control) {
  std::string address;
  {
    std::lock_guard<std::mutex> lock(CatalogueLock);
    address = ChannelLinks[control - FirstTitleLink];
  }
  PlayChannel(address);
  SetWindowTitle(MainWindow, ControlText(control));
}
