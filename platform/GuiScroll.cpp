// The scroll area: a fixed inner area in a scrolled window whose wheel
// notches, arrow buttons and arrow keys all move by one step.
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "platform/GuiInternal.h"

namespace {

const char* const StepKey = "zirta-step";

double StepOf(GtkWidget* scrolled) {
  return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(scrolled), StepKey));
}

void MoveBy(GtkAdjustment* adjustment, double delta) {
  if (!adjustment || delta == 0) return;
  const double lowest = gtk_adjustment_get_lower(adjustment);
  const double highest = gtk_adjustment_get_upper(adjustment) - gtk_adjustment_get_page_size(adjustment);
  const double value = gtk_adjustment_get_value(adjustment) + delta;
  gtk_adjustment_set_value(adjustment, std::clamp(value, lowest, std::max(lowest, highest)));
}

// The bars' arrow buttons: one press, one step. The toolkit's own arrows
// scroll smoothly by a tenth of the visible size for as long as they are
// held; the area's step is taken instead. The arrows are the squares at the
// ends of the bar.
gboolean OnBarPress(GtkWidget* bar, GdkEventButton* event, gpointer scrolled) {
  if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_PRIMARY) return FALSE;
  GtkAllocation box;
  gtk_widget_get_allocation(bar, &box);
  int originX = 0, originY = 0;
  gdk_window_get_origin(gtk_widget_get_window(bar), &originX, &originY);
  const bool vertical = gtk_orientable_get_orientation(GTK_ORIENTABLE(bar)) == GTK_ORIENTATION_VERTICAL;
  const double along = vertical ? event->y_root - originY - box.y : event->x_root - originX - box.x;
  const int length = vertical ? box.height : box.width;
  const int arrow = vertical ? box.width : box.height;
  GtkAdjustment* adjustment = gtk_range_get_adjustment(GTK_RANGE(bar));
  const double step = StepOf(GTK_WIDGET(scrolled));
  if (along >= 0 && along < arrow) {
    MoveBy(adjustment, -step);
    return TRUE;
  }
  if (along >= length - arrow && along < length) {
    MoveBy(adjustment, step);
    return TRUE;
  }
  return FALSE;
}

// Track clicks and keyboard steps of the bars: a page is the visible size,
// a step the area's own.
gboolean OnBarChange(GtkRange* bar, GtkScrollType scroll, gdouble, gpointer scrolled) {
  GtkAdjustment* adjustment = gtk_range_get_adjustment(bar);
  const double step = StepOf(GTK_WIDGET(scrolled));
  const double page = gtk_adjustment_get_page_size(adjustment);
  switch (scroll) {
    case GTK_SCROLL_STEP_BACKWARD: case GTK_SCROLL_STEP_UP: case GTK_SCROLL_STEP_LEFT:
      MoveBy(adjustment, -step);
      return TRUE;
    case GTK_SCROLL_STEP_FORWARD: case GTK_SCROLL_STEP_DOWN: case GTK_SCROLL_STEP_RIGHT:
      MoveBy(adjustment, step);
      return TRUE;
    case GTK_SCROLL_PAGE_BACKWARD: case GTK_SCROLL_PAGE_UP: case GTK_SCROLL_PAGE_LEFT:
      MoveBy(adjustment, -page);
      return TRUE;
    case GTK_SCROLL_PAGE_FORWARD: case GTK_SCROLL_PAGE_DOWN: case GTK_SCROLL_PAGE_RIGHT:
      MoveBy(adjustment, page);
      return TRUE;
    default:
      return FALSE;  // dragging the thumb
  }
}

gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer scrolled) {
  GtkScrolledWindow* window = GTK_SCROLLED_WINDOW(scrolled);
  GtkAdjustment* vertical = gtk_scrolled_window_get_vadjustment(window);
  GtkAdjustment* horizontal = gtk_scrolled_window_get_hadjustment(window);
  const double step = StepOf(GTK_WIDGET(scrolled));
  switch (event->direction) {
    case GDK_SCROLL_UP: MoveBy(vertical, -step); break;
    case GDK_SCROLL_DOWN: MoveBy(vertical, step); break;
    case GDK_SCROLL_LEFT: MoveBy(horizontal, -step); break;
    case GDK_SCROLL_RIGHT: MoveBy(horizontal, step); break;
    case GDK_SCROLL_SMOOTH: {
      // A wheel notch arrives as a delta of 1; finer devices move by parts
      // of a step.
      double dx = 0, dy = 0;
      gdk_event_get_scroll_deltas(reinterpret_cast<GdkEvent*>(event), &dx, &dy);
      if (event->state & GDK_SHIFT_MASK) std::swap(dx, dy);
      MoveBy(vertical, dy * step);
      MoveBy(horizontal, dx * step);
      break;
    }
  }
  return TRUE;
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer scrolled) {
  GtkScrolledWindow* window = GTK_SCROLLED_WINDOW(scrolled);
  GtkAdjustment* vertical = gtk_scrolled_window_get_vadjustment(window);
  GtkAdjustment* horizontal = gtk_scrolled_window_get_hadjustment(window);
  const double step = StepOf(GTK_WIDGET(scrolled));
  const double page = gtk_adjustment_get_page_size(vertical);
  switch (event->keyval) {
    case GDK_KEY_Up: case GDK_KEY_KP_Up: MoveBy(vertical, -step); return TRUE;
    case GDK_KEY_Down: case GDK_KEY_KP_Down: MoveBy(vertical, step); return TRUE;
    case GDK_KEY_Left: case GDK_KEY_KP_Left: MoveBy(horizontal, -step); return TRUE;
    case GDK_KEY_Right: case GDK_KEY_KP_Right: MoveBy(horizontal, step); return TRUE;
    case GDK_KEY_Page_Up: case GDK_KEY_KP_Page_Up: MoveBy(vertical, -page); return TRUE;
    case GDK_KEY_Page_Down: case GDK_KEY_KP_Page_Down: MoveBy(vertical, page); return TRUE;
    case GDK_KEY_Home: case GDK_KEY_KP_Home:
      gtk_adjustment_set_value(vertical, gtk_adjustment_get_lower(vertical));
      return TRUE;
    case GDK_KEY_End: case GDK_KEY_KP_End:
      MoveBy(vertical, gtk_adjustment_get_upper(vertical));
      return TRUE;
    default: return FALSE;
  }
}

gboolean TakeFocus(GtkWidget* inner, GdkEventButton*, gpointer) {
  // A click anywhere in the strip gives it the keyboard.
  if (!gtk_widget_has_focus(inner)) gtk_widget_grab_focus(inner);
  return FALSE;
}

}  // namespace

GtkWidget* MakeScrollArea(int width, int height, int innerWidth, int innerHeight, int step,
                          GtkWidget** innerOut) {
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_style_context_add_class(gtk_widget_get_style_context(scrolled), "zirta-strip");
  g_object_set_data(G_OBJECT(scrolled), StepKey, GINT_TO_POINTER(std::max(1, step)));
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
  // Bars take their own room beside the inner area and show only when
  // needed, instead of floating over the thumbnails.
  gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scrolled), FALSE);
  gtk_scrolled_window_set_kinetic_scrolling(GTK_SCROLLED_WINDOW(scrolled), FALSE);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_NONE);
  gtk_widget_set_size_request(scrolled, width, height);

  GtkWidget* inner = gtk_layout_new(nullptr, nullptr);
  gtk_layout_set_size(GTK_LAYOUT(inner), std::max(0, innerWidth), std::max(0, innerHeight));
  gtk_widget_set_can_focus(inner, TRUE);
  gtk_widget_add_events(inner, GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK | GDK_BUTTON_PRESS_MASK |
                                   GDK_KEY_PRESS_MASK);
  gtk_container_add(GTK_CONTAINER(scrolled), inner);
  gtk_widget_show(inner);

  g_signal_connect(inner, "scroll-event", G_CALLBACK(OnScroll), scrolled);
  g_signal_connect(inner, "key-press-event", G_CALLBACK(OnKey), scrolled);
  g_signal_connect(inner, "button-press-event", G_CALLBACK(TakeFocus), scrolled);
  // The wheel over a bar moves by the same step as over the area.
  g_signal_connect(gtk_scrolled_window_get_vscrollbar(GTK_SCROLLED_WINDOW(scrolled)), "scroll-event",
                   G_CALLBACK(OnScroll), scrolled);
  g_signal_connect(gtk_scrolled_window_get_hscrollbar(GTK_SCROLLED_WINDOW(scrolled)), "scroll-event",
                   G_CALLBACK(OnScroll), scrolled);
  for (GtkWidget* bar : {gtk_scrolled_window_get_vscrollbar(GTK_SCROLLED_WINDOW(scrolled)),
                         gtk_scrolled_window_get_hscrollbar(GTK_SCROLLED_WINDOW(scrolled))}) {
    g_signal_connect(bar, "button-press-event", G_CALLBACK(OnBarPress), scrolled);
    g_signal_connect(bar, "change-value", G_CALLBACK(OnBarChange), scrolled);
    RecheckHoverOnScroll(gtk_range_get_adjustment(GTK_RANGE(bar)), inner);
  }
  *innerOut = inner;
  return scrolled;
}
