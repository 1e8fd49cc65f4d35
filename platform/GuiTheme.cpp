// The program's look, set in one place: one default font for every text,
// buttons that keep the size they are given, and scroll bars with arrow
// buttons, the width of the classic desktop's bars.
#include <gtk/gtk.h>

#include "platform/GuiInternal.h"
#include "platform/Text.h"

namespace {

// Close to the classic desktop's default GUI font (8 pt at 96 dpi).
constexpr const char* DefaultFont = "Sans 8";

// Given sizes are exact: a button drops the theme's minimum sizes and
// padding, so a 70 x 25 button stays 70 x 25 whatever its caption. Scroll
// bars are 17 px wide, so a strip 250 wide shows an inner area 233 wide
// without a horizontal bar, and they carry arrow buttons that move by the
// strip's step.
constexpr const char* ThemeCss = R"css(
button.zirta-button {
  min-width: 0;
  min-height: 0;
  padding: 0;
}
scrolledwindow.zirta-strip scrollbar {
  -GtkScrollbar-has-backward-stepper: true;
  -GtkScrollbar-has-forward-stepper: true;
  padding: 0;
  margin: 0;
  border-width: 0;
}
scrolledwindow.zirta-strip scrollbar contents,
scrolledwindow.zirta-strip scrollbar trough {
  padding: 0;
  margin: 0;
  border-width: 0;
}
scrolledwindow.zirta-strip scrollbar slider {
  margin: 0;
  border: 3px solid transparent;
  min-width: 11px;
  min-height: 11px;
}
scrolledwindow.zirta-strip scrollbar button {
  min-width: 17px;
  min-height: 17px;
  padding: 0;
  margin: 0;
  border-width: 0;
}
scrolledwindow.zirta-strip scrollbar button image {
  -gtk-icon-transform: scale(0.75);
}
)css";

}  // namespace

Colour ColourOf(int rgb) {
  return Colour{(rgb & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, ((rgb >> 16) & 0xFF) / 255.0};
}

void PaintColour(cairo_t* cr, int rgb) {
  Colour c = ColourOf(rgb);
  cairo_set_source_rgb(cr, c.r, c.g, c.b);
  cairo_paint(cr);
}

void ApplyTheme() {
  GtkSettings* settings = gtk_settings_get_default();
  g_object_set(settings,
               "gtk-font-name", DefaultFont,
               // A click in a scroll bar's track pages by the visible height
               // instead of jumping there.
               "gtk-primary-button-warps-slider", FALSE,
               // Scroll steps land at once, so a step is a step.
               "gtk-enable-animations", FALSE,
               nullptr);
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, ThemeCss, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                            GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

PangoLayout* MakeTextLayout(GtkWidget* widget, const std::string& cp1251Text) {
  const std::string utf8 = Cp1251ToUtf8(cp1251Text);
  PangoLayout* layout = gtk_widget_create_pango_layout(widget, utf8.c_str());
  // One line, cut at the edges: never wrapped, never shortened with "...".
  pango_layout_set_single_paragraph_mode(layout, TRUE);
  pango_layout_set_width(layout, -1);
  pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_NONE);
  return layout;
}
