// A stand-in for the skin library that records each call the program makes
// into it, one line per call, in the file named by ZIRTA_SKIN_LOG:
//   InitializeSkin windows=N
//   LoadSkinFile <skin>|<second> windows=N
//   UnLoadSkin windows=N
// N counts the process's top-level GTK windows at the moment of the call,
// which shows whether a call came before the window existed or after it
// was destroyed. Built with RECORDING_SKIN_WITHOUT_UNLOAD it lacks
// UnLoadSkin, as a broken skin library would.
#include <fcntl.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#define SKIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

int TopLevelWindows() {
  // The list is GTK's own bookkeeping; reading it needs no display, so
  // this is safe before GTK has started.
  GList* windows = gtk_window_list_toplevels();
  int count = 0;
  for (GList* item = windows; item; item = item->next)
    if (gtk_window_get_window_type(GTK_WINDOW(item->data)) == GTK_WINDOW_TOPLEVEL) ++count;
  g_list_free(windows);
  return count;
}

void Record(std::string line) {
  const char* log = std::getenv("ZIRTA_SKIN_LOG");
  if (!log || !*log) return;
  // snprintf rather than std::to_string, whose template would export a
  // unique symbol and keep this library from ever being unloaded.
  char count[32];
  std::snprintf(count, sizeof count, " windows=%d\n", TopLevelWindows());
  line += count;
  int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  // One write per line keeps lines whole even if calls were to overlap.
  ssize_t written = write(fd, line.data(), line.size());
  (void)written;
  close(fd);
}

}  // namespace

SKIN_EXPORT int InitializeSkin(void) {
  Record("InitializeSkin");
  return 1;
}

SKIN_EXPORT int LoadSkinFile(const char* skin, const char* second) {
  Record(std::string("LoadSkinFile ") + (skin ? skin : "(null)") + "|" + (second ? second : "(null)"));
  return 1;
}

#ifndef RECORDING_SKIN_WITHOUT_UNLOAD
SKIN_EXPORT int UnLoadSkin(void) {
  Record("UnLoadSkin");
  return 1;
}
#endif
