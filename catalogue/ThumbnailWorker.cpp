#include "catalogue/ThumbnailWorker.h"

#include "app/AppState.h"
#include "app/CyrillicText.h"
#include "catalogue/Catalogue.h"
#include "platform/Download.h"
#include "platform/Pictures.h"
#include "platform/Threads.h"

ThumbnailOperations ThumbnailOps = {DownloadToFile, LoadPicture, ResizePicture, ShowPicture};
std::atomic<bool> ThumbnailStopRequested{false};

int ThumbnailWorker(int) {
  std::string address;
  std::string pictureName;
  const std::string placeholder = Ansi("фон");
  for (int i = 0; i < StripRows; ++i) {
    if (ThumbnailStopRequested) break;
    // Read when the pass begins, so a page change reaches the rows to come.
    address = CopyThumbnailUrl(i);
    const std::string number = std::to_string(i);
    int result = ThumbnailOps.download(address, "img/" + number + ".jpg", &ThumbnailStopRequested);
    if (ThumbnailStopRequested) break;
    // Anything but 0 is a failed download; only a fresh file is shown.
    pictureName = result == 0 ? number : placeholder;
    ThumbnailOps.load(i, "img/" + pictureName + ".jpg");
    ThumbnailOps.resize(i, ThumbnailWidth, ThumbnailHeight);
    if (!ThumbnailOps.show(i, i)) break;  // the window is going away
  }
  return 0;
}

void StartThumbnailWorker() {
  if (ThreadIsRunning(ThumbnailThread)) return;
  ThumbnailThread = ThreadStart(ThumbnailWorker, 0);
}

void StopThumbnailWorker() {
  ThumbnailStopRequested = true;
  ThreadJoin(ThumbnailThread);
  ThumbnailThread = 0;
}
