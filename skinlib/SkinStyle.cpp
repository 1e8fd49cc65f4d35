#include "SkinStyle.h"

#include <gtk/gtk.h>

namespace {

// Above the program's own provider (APPLICATION), so the skin's colours win
// over whatever the program sets; below the user's gtk.css (USER), so a user
// who restyles their desktop still has the last word. Skins set colours
// only: the program's sizes stay in force because no skin rule names them.
constexpr guint SkinPriority = GTK_STYLE_PROVIDER_PRIORITY_USER - 1;

// Both references are ours. Holding the screen keeps it valid for the
// removal even if its display goes away first; nothing here points back
// into this library, so GTK never calls our code after we are unloaded.
GtkCssProvider* CurrentProvider = nullptr;
GdkScreen* CurrentScreen = nullptr;

}  // namespace

bool SkinStyleSupported() {
  return gtk_check_version(3, 20, 0) == nullptr;
}

bool ApplySkinStyle(const std::string& css) {
  if (!SkinStyleSupported()) return false;
  // Without an open display (GTK not started, or no X server) there is
  // nothing to style, and adding a provider would fail.
  GdkScreen* screen = gdk_screen_get_default();
  if (!screen) return false;
  if (!g_utf8_validate(css.data(), static_cast<gssize>(css.size()), nullptr)) return false;

  // Parsed into a provider of its own first: a sheet with an error never
  // reaches the screen, and the skin in force stays as it was.
  GtkCssProvider* fresh = gtk_css_provider_new();
  GError* error = nullptr;
  if (!gtk_css_provider_load_from_data(fresh, css.data(), static_cast<gssize>(css.size()), &error)) {
    if (error) g_error_free(error);
    g_object_unref(fresh);
    return false;
  }

  // The new style goes on before the old one comes off, so the windows
  // never show the plain look in between.
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(fresh), SkinPriority);
  RemoveSkinStyle();
  CurrentProvider = fresh;
  CurrentScreen = GDK_SCREEN(g_object_ref(screen));
  return true;
}

bool RemoveSkinStyle() {
  if (!CurrentProvider) return false;
  gtk_style_context_remove_provider_for_screen(CurrentScreen, GTK_STYLE_PROVIDER(CurrentProvider));
  g_object_unref(CurrentProvider);
  g_object_unref(CurrentScreen);
  CurrentProvider = nullptr;
  CurrentScreen = nullptr;
  return true;
}
