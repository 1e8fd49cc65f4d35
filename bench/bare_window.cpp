// The floor for start-up and memory: a GTK 3 window of the program's size
// with a WebKitGTK view that shows one local page, and nothing else.
//
//   zirta-bench-bare-window PAGE
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    g_printerr("usage: %s PAGE\n", argv[0]);
    return 2;
  }
  gdk_set_allowed_backends("x11");
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "bare window");
  gtk_window_set_default_size(GTK_WINDOW(window), 803, 425);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  // The view sits where the program's does and has its size, so both paint
  // the same page into the same pixels.
  GtkWidget* fixed = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window), fixed);
  GtkWidget* view = webkit_web_view_new();
  gtk_widget_set_size_request(view, 650, 380);
  gtk_fixed_put(GTK_FIXED(fixed), view, 5, 8);

  gchar* uri = g_filename_to_uri(argv[1], nullptr, nullptr);
  if (!uri) {
    g_printerr("not an absolute path: %s\n", argv[1]);
    return 2;
  }
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), uri);
  g_free(uri);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
