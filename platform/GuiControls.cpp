// Hyperlink labels, push buttons and picture views: drawn by the program so
// that they keep their exact sizes.
#include <gtk/gtk.h>

#include <cstdint>
#include <cstring>

#include "platform/Gui.h"
#include "platform/GuiInternal.h"

namespace {

int NumberOf(gpointer data) { return GPOINTER_TO_INT(data); }

// ---- hyperlink labels ----------------------------------------------------

gboolean DrawLink(GtkWidget* widget, cairo_t* cr, gpointer data) {
  Control* control = FindControl(NumberOf(data));
  if (!control) return TRUE;
  const int width = gtk_widget_get_allocated_width(widget);
  const int height = gtk_widget_get_allocated_height(widget);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_clip(cr);
  if (control->background >= 0) PaintColour(cr, control->background);
  PangoLayout* layout = MakeTextLayout(widget, control->text);
  Colour c = ColourOf(control->hovered ? control->hoverColour : control->textColour);
  cairo_set_source_rgb(cr, c.r, c.g, c.b);
  cairo_move_to(cr, 0, 0);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
  return TRUE;
}

// ---- push buttons ----------------------------------------------------------

gboolean DrawCaption(GtkWidget* widget, cairo_t* cr, gpointer data) {
  Control* control = FindControl(NumberOf(data));
  if (!control) return TRUE;
  const int width = gtk_widget_get_allocated_width(widget);
  const int height = gtk_widget_get_allocated_height(widget);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_clip(cr);
  PangoLayout* layout = MakeTextLayout(widget, control->text);
  int textWidth = 0, textHeight = 0;
  pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
  // Centred; a caption wider than the button is cut on both sides.
  gtk_render_layout(gtk_widget_get_style_context(widget), cr, (width - textWidth) / 2.0,
                    (height - textHeight) / 2.0, layout);
  g_object_unref(layout);
  return TRUE;
}

void ButtonClicked(GtkButton*, gpointer data) { QueueEvent(EventControl, NumberOf(data)); }

// ---- picture views --------------------------------------------------------

gboolean DrawPicture(GtkWidget*, cairo_t* cr, gpointer data) {
  Control* control = FindControl(NumberOf(data));
  // Without a picture the view paints nothing: what lies below shows.
  if (!control || !control->surface) return FALSE;
  cairo_set_source_surface(cr, control->surface.get(), 0, 0);
  cairo_paint(cr);
  return FALSE;
}

// A cairo copy of the picture, top row first; the view owns it, so a later
// release or reload of the picture number never reaches what it paints.
std::shared_ptr<cairo_surface_t> SurfaceOf(const Bitmap& picture) {
  if (picture.width <= 0 || picture.height <= 0) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  unsigned char* target = cairo_image_surface_get_data(surface);
  const int targetStride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* source = picture.bits.data() + static_cast<size_t>(picture.height - 1 - y) * picture.stride;
    auto* row = reinterpret_cast<uint32_t*>(target + static_cast<size_t>(y) * targetStride);
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* bgr = source + 3 * x;
      row[x] = 0xFF000000u | (uint32_t{bgr[2]} << 16) | (uint32_t{bgr[1]} << 8) | bgr[0];
    }
  }
  cairo_surface_mark_dirty(surface);
  return std::shared_ptr<cairo_surface_t>(surface, cairo_surface_destroy);
}

bool BitmapIsWhole(const Bitmap& picture) {
  return picture.width > 0 && picture.height > 0 && picture.stride >= 3 * picture.width &&
         picture.bits.size() >= static_cast<size_t>(picture.stride) * picture.height;
}

// Links and picture views have no windows of their own: they paint into
// their layout in creation order, so a control created later lies above the
// ones before it, and an empty view shows what lies below. The layout finds
// the control under the pointer for them.

struct HitTest {
  double x, y;
  Control* best;
};

void TestChild(GtkWidget* child, gpointer data) {
  auto* test = static_cast<HitTest*>(data);
  Control* control = ControlOfWidget(child);
  if (!control || control->widget != child) return;
  if (control->kind != ControlKind::PictureView && control->kind != ControlKind::Link) return;
  // A disabled control lets the mouse through.
  if (control->disabled || !gtk_widget_get_visible(child)) return;
  GtkAllocation box;
  gtk_widget_get_allocation(child, &box);
  if (test->x < box.x || test->y < box.y || test->x >= box.x + box.width || test->y >= box.y + box.height)
    return;
  if (!test->best || control->order > test->best->order) test->best = control;
}

// The topmost enabled link or picture view under (x, y), in the layout's
// own coordinates.
Control* ControlAt(GtkWidget* layout, double x, double y) {
  HitTest test{x, y, nullptr};
  gtk_container_foreach(GTK_CONTAINER(layout), TestChild, &test);
  return test.best;
}

const char* const HoverKey = "zirta-hover";

void SetHover(GtkWidget* layout, Control* under) {
  const int now = under && under->kind == ControlKind::Link ? under->number + 1 : 0;
  const int before = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(layout), HoverKey));
  if (now == before) return;
  g_object_set_data(G_OBJECT(layout), HoverKey, GINT_TO_POINTER(now));
  if (Control* old = before ? FindControl(before - 1) : nullptr) {
    old->hovered = false;
    gtk_widget_queue_draw(old->widget);
  }
  if (now) {
    under->hovered = true;
    gtk_widget_queue_draw(under->widget);
  }
  GdkWindow* window = gtk_layout_get_bin_window(GTK_LAYOUT(layout));
  if (!window) return;
  GdkCursor* hand = now ? gdk_cursor_new_from_name(gtk_widget_get_display(layout), "pointer") : nullptr;
  gdk_window_set_cursor(window, hand);
  if (hand) g_object_unref(hand);
}

bool OnBinWindow(GtkWidget* layout, GdkWindow* window) {
  return window == gtk_layout_get_bin_window(GTK_LAYOUT(layout));
}

gboolean LayoutMotion(GtkWidget* layout, GdkEventMotion* event, gpointer) {
  if (OnBinWindow(layout, event->window)) SetHover(layout, ControlAt(layout, event->x, event->y));
  return FALSE;
}

gboolean LayoutCrossing(GtkWidget* layout, GdkEventCrossing* event, gpointer) {
  if (!OnBinWindow(layout, event->window)) return FALSE;
  // Into a child window (a button, the browser) is out of every link too.
  const bool inside = event->type == GDK_ENTER_NOTIFY;
  SetHover(layout, inside ? ControlAt(layout, event->x, event->y) : nullptr);
  return FALSE;
}

gboolean LayoutRelease(GtkWidget* layout, GdkEventButton* event, gpointer) {
  if (event->button != GDK_BUTTON_PRIMARY || !OnBinWindow(layout, event->window)) return FALSE;
  // The press grabbed the pointer: only a release over a control counts.
  const int width = gdk_window_get_width(event->window);
  const int height = gdk_window_get_height(event->window);
  if (event->x < 0 || event->y < 0 || event->x >= width || event->y >= height) return FALSE;
  if (Control* control = ControlAt(layout, event->x, event->y))
    QueueEvent(EventControl, control->number);
  return FALSE;
}

// What lies under a still pointer changes when the area scrolls.
void RecheckHover(GtkAdjustment*, gpointer layoutPointer) {
  GtkWidget* layout = GTK_WIDGET(layoutPointer);
  GdkWindow* window = gtk_layout_get_bin_window(GTK_LAYOUT(layout));
  if (!window || !gtk_widget_get_mapped(layout)) return;
  GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(layout));
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!pointer) return;
  int x = 0, y = 0;
  GdkWindow* under = gdk_device_get_window_at_position(pointer, nullptr, nullptr);
  gdk_window_get_device_position(window, pointer, &x, &y, nullptr);
  SetHover(layout, under == window ? ControlAt(layout, x, y) : nullptr);
}

}  // namespace

GtkWidget* MakeLink(Control& control) {
  GtkWidget* area = gtk_drawing_area_new();
  gtk_widget_set_has_window(area, FALSE);
  g_signal_connect(area, "draw", G_CALLBACK(DrawLink), GINT_TO_POINTER(control.number));
  return area;
}

GtkWidget* MakeButton(Control& control) {
  GtkWidget* button = gtk_button_new();
  gtk_style_context_add_class(gtk_widget_get_style_context(button), "zirta-button");
  // The caption is drawn, not a label: a label would widen the button to fit
  // its text.
  GtkWidget* caption = gtk_drawing_area_new();
  gtk_widget_set_has_window(caption, FALSE);
  g_signal_connect(caption, "draw", G_CALLBACK(DrawCaption), GINT_TO_POINTER(control.number));
  gtk_container_add(GTK_CONTAINER(button), caption);
  gtk_widget_show(caption);
  g_signal_connect(button, "clicked", G_CALLBACK(ButtonClicked), GINT_TO_POINTER(control.number));
  return button;
}

GtkWidget* MakePictureView(Control& control) {
  GtkWidget* area = gtk_drawing_area_new();
  gtk_widget_set_has_window(area, FALSE);
  g_signal_connect(area, "draw", G_CALLBACK(DrawPicture), GINT_TO_POINTER(control.number));
  return area;
}

void ConnectLayoutPointer(GtkWidget* layout) {
  gtk_widget_add_events(layout, GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK |
                                    GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  g_signal_connect(layout, "motion-notify-event", G_CALLBACK(LayoutMotion), nullptr);
  g_signal_connect(layout, "enter-notify-event", G_CALLBACK(LayoutCrossing), nullptr);
  g_signal_connect(layout, "leave-notify-event", G_CALLBACK(LayoutCrossing), nullptr);
  g_signal_connect(layout, "button-release-event", G_CALLBACK(LayoutRelease), nullptr);
}

void RecheckHoverOnScroll(GtkAdjustment* adjustment, GtkWidget* layout) {
  g_signal_connect(adjustment, "value-changed", G_CALLBACK(RecheckHover), layout);
}

void SetPictureViewImage(int view, const std::shared_ptr<const Bitmap>& picture) {
  Control* control = FindControl(view);
  if (!control || control->kind != ControlKind::PictureView) return;
  if (picture && BitmapIsWhole(*picture)) {
    control->surface = SurfaceOf(*picture);
    control->width = picture->width;
    control->height = picture->height;
    gtk_widget_set_size_request(control->widget, control->width, control->height);
  } else {
    // No picture: the view keeps its size and shows nothing.
    control->surface.reset();
  }
  gtk_widget_queue_draw(control->widget);
}
