// Loads a skin library the way the program does and reports what GTK
// widgets look like under it, for the skin tests:
//   skin_probe LIBRARY STEP...
// Steps run in order, each printing one line:
//   gtk            start GTK               -> "gtk=1" (0 without a display)
//   program-css    add the size rules the program forces at APPLICATION
//                  priority (buttons shrink to the size they are given)
//   init           InitializeSkin()        -> "init=R"
//   load:NAME      LoadSkinFile(NAME, "")  -> "load=R"
//   unload         UnLoadSkin()            -> "unload=R"
//   look           a window with a 70x25 button and a scrolled strip, drawn
//                  off screen -> "look key=value ..." ("look none" before gtk)
//   look:FILE      the same, and saves the drawing as a PNG file
// Exit code 0 when every step ran, 2 on a usage error or a missing library.
#include <dlfcn.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using InitializeSkinEntry = int (*)();
using LoadSkinFileEntry = int (*)(const char*, const char*);
using UnLoadSkinEntry = int (*)();

InitializeSkinEntry InitializeSkin = nullptr;
LoadSkinFileEntry LoadSkinFile = nullptr;
UnLoadSkinEntry UnLoadSkin = nullptr;
bool GtkStarted = false;

// The kind of rules the program's own provider sets: the buttons it places
// take the size the layout gives them, and its strip's scroll bar carries
// arrow buttons of a fixed size.
const char* ProgramCss = R"css(
button.zirta-button { min-width: 0; min-height: 0; padding: 0; }
scrolledwindow.zirta-strip scrollbar {
  -GtkScrollbar-has-backward-stepper: true;
  -GtkScrollbar-has-forward-stepper: true;
}
scrolledwindow.zirta-strip scrollbar button {
  min-width: 17px; min-height: 17px; padding: 0; margin: 0; border-width: 0;
}
)css";

struct Pixel {
  int r, g, b;
};

Pixel PixelAt(cairo_surface_t* surface, int x, int y) {
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  uint32_t value;
  std::memcpy(&value, data + y * stride + x * 4, 4);
  return {static_cast<int>((value >> 16) & 255), static_cast<int>((value >> 8) & 255),
          static_cast<int>(value & 255)};
}

int Luminance(Pixel p) {
  return (299 * p.r + 587 * p.g + 114 * p.b) / 1000;
}

std::string Rgb(Pixel p) {
  return std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b);
}

std::string Rgb(const GdkRGBA& c) {
  return Rgb(Pixel{static_cast<int>(c.red * 255 + 0.5), static_cast<int>(c.green * 255 + 0.5),
                   static_cast<int>(c.blue * 255 + 0.5)});
}

void Settle() {
  for (int i = 0; i < 1000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

void Look(const std::string& png) {
  if (!GtkStarted) {
    std::printf("look none\n");
    return;
  }
  const int width = 400, height = 400;
  GtkWidget* window = gtk_offscreen_window_new();
  gtk_window_set_default_size(GTK_WINDOW(window), width, height);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, width, height);
  gtk_container_add(GTK_CONTAINER(window), fixed);

  GtkWidget* button = gtk_button_new_with_label("Зирта TV");
  gtk_widget_set_size_request(button, 70, 25);
  gtk_style_context_add_class(gtk_widget_get_style_context(button), "zirta-button");
  gtk_fixed_put(GTK_FIXED(fixed), button, 10, 10);
  GtkWidget* natural = gtk_button_new_with_label("Зирта TV");
  gtk_fixed_put(GTK_FIXED(fixed), natural, 10, 60);

  GtkWidget* strip = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_style_context_add_class(gtk_widget_get_style_context(strip), "zirta-strip");
  gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(strip), FALSE);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(strip), GTK_POLICY_NEVER, GTK_POLICY_ALWAYS);
  gtk_widget_set_size_request(strip, 150, 380);
  GtkWidget* inner = gtk_fixed_new();
  gtk_widget_set_size_request(inner, 100, 2800);
  gtk_container_add(GTK_CONTAINER(strip), inner);
  gtk_fixed_put(GTK_FIXED(fixed), strip, 240, 10);

  gtk_widget_show_all(window);
  Settle();

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  gtk_widget_draw(window, cr);
  cairo_destroy(cr);
  if (!png.empty()) cairo_surface_write_to_png(surface, png.c_str());

  GtkAllocation forced, free, bar;
  gtk_widget_get_allocation(button, &forced);
  gtk_widget_get_allocation(natural, &free);
  GtkWidget* scrollbar = gtk_scrolled_window_get_vscrollbar(GTK_SCROLLED_WINDOW(strip));
  gtk_widget_get_allocation(scrollbar, &bar);
  // Allocations are relative to the nearest widget with its own window;
  // the drawing is of the whole toplevel.
  gtk_widget_translate_coordinates(button, window, 0, 0, &forced.x, &forced.y);
  gtk_widget_translate_coordinates(scrollbar, window, 0, 0, &bar.x, &bar.y);

  // Left of the caption, inside the border: the button's face.
  Pixel face = PixelAt(surface, forced.x + 3, forced.y + forced.height / 2);
  GdkRGBA text;
  GtkStyleContext* buttonStyle = gtk_widget_get_style_context(gtk_bin_get_child(GTK_BIN(button)));
  gtk_style_context_get_color(buttonStyle, gtk_style_context_get_state(buttonStyle), &text);
  PangoFontDescription* font = nullptr;
  gtk_style_context_get(buttonStyle, gtk_style_context_get_state(buttonStyle), "font", &font, nullptr);
  int fontSize = font ? pango_font_description_get_size(font) : -1;
  if (font) pango_font_description_free(font);

  // The slider sits at the top; the lower part of the bar is bare trough,
  // and the bottom square of the bar is the forward stepper with its arrow
  // (the backward one is greyed out at the top).
  Pixel trough = PixelAt(surface, bar.x + bar.width / 2, bar.y + bar.height * 3 / 4);
  int arrow = 0;
  for (int y = bar.y + bar.height - bar.width; y < bar.y + bar.height && y < height; ++y)
    for (int x = bar.x; x < bar.x + bar.width && x < width; ++x) {
      int l = Luminance(PixelAt(surface, x, y));
      int contrast = l > Luminance(trough) ? l - Luminance(trough) : Luminance(trough) - l;
      if (contrast > arrow) arrow = contrast;
    }
  gboolean backward = FALSE, forward = FALSE;
  gtk_widget_style_get(scrollbar, "has-backward-stepper", &backward, "has-forward-stepper", &forward,
                       nullptr);
  Pixel background = PixelAt(surface, 5, height - 5);

  std::printf("look button=%s text=%s button-size=%dx%d button-natural=%dx%d font=%d "
              "trough=%s stepper-contrast=%d steppers=%d,%d scrollbar-width=%d window=%s\n",
              Rgb(face).c_str(), Rgb(text).c_str(), forced.width, forced.height, free.width,
              free.height, fontSize, Rgb(trough).c_str(), arrow, backward ? 1 : 0, forward ? 1 : 0,
              bar.width, Rgb(background).c_str());
  cairo_surface_destroy(surface);
  gtk_widget_destroy(window);
  Settle();
}

bool Step(const std::string& step) {
  if (step == "gtk") {
    GtkStarted = gtk_init_check(nullptr, nullptr);
    std::printf("gtk=%d\n", GtkStarted ? 1 : 0);
  } else if (step == "program-css") {
    if (!GtkStarted) {
      std::fprintf(stderr, "skin_probe: program-css needs gtk first\n");
      return false;
    }
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, ProgramCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
    std::printf("program-css\n");
  } else if (step == "init") {
    std::printf("init=%d\n", InitializeSkin());
  } else if (step.rfind("load:", 0) == 0) {
    std::printf("load=%d\n", LoadSkinFile(step.c_str() + 5, ""));
  } else if (step == "unload") {
    std::printf("unload=%d\n", UnLoadSkin());
  } else if (step == "look") {
    Look("");
  } else if (step.rfind("look:", 0) == 0) {
    Look(step.substr(5));
  } else {
    std::fprintf(stderr, "skin_probe: unknown step %s\n", step.c_str());
    return false;
  }
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: skin_probe LIBRARY STEP...\n");
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "skin_probe: %s\n", dlerror());
    return 2;
  }
  InitializeSkin = reinterpret_cast<InitializeSkinEntry>(dlsym(library, "InitializeSkin"));
  LoadSkinFile = reinterpret_cast<LoadSkinFileEntry>(dlsym(library, "LoadSkinFile"));
  UnLoadSkin = reinterpret_cast<UnLoadSkinEntry>(dlsym(library, "UnLoadSkin"));
  if (!InitializeSkin || !LoadSkinFile || !UnLoadSkin) {
    std::fprintf(stderr, "skin_probe: %s lacks an entry point\n", argv[1]);
    return 2;
  }
  for (int i = 2; i < argc; ++i)
    if (!Step(argv[i])) return 2;
  // Unloaded while GTK still runs, as the program does at exit: GTK must
  // not be left calling into the library afterwards.
  dlclose(library);
  if (GtkStarted) {
    GtkWidget* after = gtk_offscreen_window_new();
    gtk_widget_show(after);
    Settle();
    gtk_widget_destroy(after);
  }
  return 0;
}
