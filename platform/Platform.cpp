#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

#include "platform/Files.h"
#include "platform/Gui.h"
#include "platform/Library.h"
#include "platform/MainLoop.h"
#include "platform/Pictures.h"
#include "platform/Threads.h"

void PlatformInit() {
  if (!GuiInit()) {
    std::fprintf(stderr, "zirta-tv: cannot open the display (is DISPLAY set?)\n");
    std::exit(1);
  }
}

void PlatformRelease() {
  StopServingGuiRequests();
  ThreadsRelease();
  LibrariesReleaseAll();
  GuiRelease();
  PicturesReleaseAll();
  FilesCloseAll();
}
