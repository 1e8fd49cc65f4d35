// Зирта TV: start-up in a fixed order, the event loop, then shutdown.
#include "app/AppState.h"
#include "app/EventLoop.h"
#include "app/MainWindow.h"
#include "catalogue/Catalogue.h"
#include "catalogue/ThumbnailWorker.h"
#include "platform/Platform.h"
#include "platform/Process.h"
#include "skin/SkinBinding.h"

int main() {
  PlatformInit();
  SkinLoaded = BindSkin();  // before any window exists
  // JPEG decoding is built into the picture loader; nothing to register.
  CreateCatalogue();
  LoadCataloguePage(CataloguePageAddress(0));
  AppDir = DirectoryOfPath(ExecutablePath());
  BuildMainWindow();
  StartThumbnailWorker();
  RunEventLoop();

  // The worker stops before anything it uses is released.
  StopThumbnailWorker();
  UnbindSkin();  // while the window still exists
  PlatformRelease();
  return 0;
}
