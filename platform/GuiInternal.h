#pragma once
// What the GUI's own files share: the table behind the control numbers and
// the hooks between pictures and picture views. Only platform/ sees this.
#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "platform/Bitmap.h"

enum class ControlKind { Window, Container, ScrollArea, PictureView, Link, Button, WebView };

struct Colour {
  double r = 0, g = 0, b = 0;
};
Colour ColourOf(int rgb);
void PaintColour(cairo_t* cr, int rgb);

struct Control {
  int number = 0;
  ControlKind kind = ControlKind::Window;
  GtkWidget* widget = nullptr;  // what the parent holds
  GtkWidget* inner = nullptr;   // where children go (window, container, scroll area)
  GtkWidget* parent = nullptr;  // the layout it sits in
  int x = 0, y = 0, width = 0, height = 0;
  std::string text;             // code page 1251
  int background = -1;          // RGB, or -1 for the theme's
  int textColour = 0;
  int hoverColour = 0;
  bool hovered = false;
  bool disabled = false;
  std::shared_ptr<cairo_surface_t> surface;  // what a picture view paints
  int order = 0;                // creation order, for hit tests
};

// The control of that number, or nullptr.
Control* FindControl(int number);
// Finds the control that owns this widget, or nullptr.
Control* ControlOfWidget(GtkWidget* widget);

// A new entry in the table (replacing one of the same number), and its
// widget tagged and put at its exact place in the current parent.
Control& AddControl(int number, ControlKind kind, int x, int y, int width, int height);
void Remember(GtkWidget* widget, int number);
void PlaceInParent(Control& control);

// Control events come from toolkit callbacks; they only queue.
void QueueEvent(int kind, int control);

// The one place the program's look is set: font, button and scroll-bar rules.
void ApplyTheme();
// The theme's font for texts we draw ourselves.
PangoLayout* MakeTextLayout(GtkWidget* widget, const std::string& cp1251Text);

// Scroll areas: wheel, arrow, key and page steps.
GtkWidget* MakeScrollArea(int width, int height, int innerWidth, int innerHeight, int step,
                          GtkWidget** innerOut);

GtkWidget* MakeLink(Control& control);
GtkWidget* MakeButton(Control& control);
GtkWidget* MakePictureView(Control& control);
// Fills a layout's visible part with its control's background colour.
gboolean PaintLayoutBackground(GtkWidget* widget, cairo_t* cr, gpointer numberAsPointer);
// Links and picture views are windowless: the layout they lie in tracks the
// pointer for them (hover colour, hand pointer, clicks on the topmost
// enabled one), also when scrolling moves them under a still pointer.
void ConnectLayoutPointer(GtkWidget* layout);
void RecheckHoverOnScroll(GtkAdjustment* adjustment, GtkWidget* layout);

// Pictures and views meet here: a snapshot of a numbered picture, and a view
// taking one (nullptr for none). Both on the window's thread.
std::shared_ptr<const Bitmap> PictureSnapshot(int picture);
void SetPictureViewImage(int view, const std::shared_ptr<const Bitmap>& picture);

// The web view's part of the shutdown.
void WebViewsRelease();
