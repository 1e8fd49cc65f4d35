// The control table, the window, containers, the event queue and the
// setters every kind of control shares.
#include "platform/Gui.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/GuiInternal.h"
#include "platform/MainLoop.h"
#include "platform/Text.h"

namespace {

// The container's colour where no browser covers it: the classic desktop's
// button face.
constexpr int ButtonFace = Rgb(240, 240, 240);

std::map<int, std::unique_ptr<Control>> Controls;
std::vector<GtkWidget*> ParentStack;  // layouts that take new controls
int CreationCounter = 0;
std::deque<std::pair<int, int>> Events;

const char* const NumberKey = "zirta-control";

gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer number) {
  // Closing is the program's decision: report it, destroy nothing.
  QueueEvent(EventCloseRequest, GPOINTER_TO_INT(number));
  return TRUE;
}

GtkWidget* MakeFixedLayout(int ownerNumber) {
  GtkWidget* layout = gtk_layout_new(nullptr, nullptr);
  g_signal_connect(layout, "draw", G_CALLBACK(PaintLayoutBackground), GINT_TO_POINTER(ownerNumber));
  ConnectLayoutPointer(layout);
  return layout;
}

// The toolkit centres the client area; once the window manager has put its
// frame around it, the window is moved so the whole frame is centred, as the
// classic desktop does it.
gboolean CentreWithFrame(GtkWidget* window, GdkEvent*, gpointer) {
  g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(CentreWithFrame), nullptr);
  GdkWindow* gdkWindow = gtk_widget_get_window(window);
  GdkDisplay* display = gtk_widget_get_display(window);
  GdkMonitor* monitor = gdk_display_get_monitor_at_window(display, gdkWindow);
  if (!gdkWindow || !monitor) return FALSE;
  GdkRectangle frame, area;
  gdk_window_get_frame_extents(gdkWindow, &frame);
  gdk_monitor_get_workarea(monitor, &area);
  const int x = area.x + (area.width - frame.width) / 2;
  const int y = area.y + (area.height - frame.height) / 2;
  if (x != frame.x || y != frame.y) gtk_window_move(GTK_WINDOW(window), std::max(area.x, x), std::max(area.y, y));
  return FALSE;
}

void Redraw(Control& control) {
  if (control.widget) gtk_widget_queue_draw(control.widget);
  if (control.inner && control.inner != control.widget) gtk_widget_queue_draw(control.inner);
}

}  // namespace

Control& AddControl(int number, ControlKind kind, int x, int y, int width, int height) {
  auto old = Controls.find(number);
  if (old != Controls.end()) {
    // A number names one control; a new one of the same number replaces it.
    if (old->second->widget) gtk_widget_destroy(old->second->widget);
    Controls.erase(old);
  }
  auto control = std::make_unique<Control>();
  control->number = number;
  control->kind = kind;
  control->order = ++CreationCounter;
  control->x = x;
  control->y = y;
  control->width = width;
  control->height = height;
  Control& ref = *control;
  Controls.emplace(number, std::move(control));
  return ref;
}

void Remember(GtkWidget* widget, int number) {
  g_object_set_data(G_OBJECT(widget), NumberKey, GINT_TO_POINTER(number + 1));
}

// Places the control in the current parent at its exact position and size.
void PlaceInParent(Control& control) {
  if (ParentStack.empty()) return;
  GtkWidget* parent = ParentStack.back();
  control.parent = parent;
  gtk_widget_set_size_request(control.widget, control.width, control.height);
  gtk_layout_put(GTK_LAYOUT(parent), control.widget, control.x, control.y);
  gtk_widget_show(control.widget);
}

Control* FindControl(int number) {
  auto it = Controls.find(number);
  return it == Controls.end() ? nullptr : it->second.get();
}

Control* ControlOfWidget(GtkWidget* widget) {
  for (; widget; widget = gtk_widget_get_parent(widget)) {
    gpointer data = g_object_get_data(G_OBJECT(widget), NumberKey);
    if (data) return FindControl(GPOINTER_TO_INT(data) - 1);
  }
  return nullptr;
}

void QueueEvent(int kind, int control) {
  Events.emplace_back(kind, control);
  // WaitEvent re-checks its queue after every turn of the main context.
}

gboolean PaintLayoutBackground(GtkWidget*, cairo_t* cr, gpointer numberAsPointer) {
  Control* owner = FindControl(GPOINTER_TO_INT(numberAsPointer));
  if (owner && owner->background >= 0) PaintColour(cr, owner->background);
  return FALSE;  // the layout then draws its children
}

bool GuiInit() {
  // Centring and keep-above are X11 window-manager features: on a Wayland
  // session the program runs through XWayland.
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(nullptr, nullptr)) return false;
  MarkGuiThread();
  ApplyTheme();
  return true;
}

void GuiRelease() {
  WebViewsRelease();
  std::vector<GtkWidget*> windows;
  for (auto& [number, control] : Controls)
    if (control->kind == ControlKind::Window && control->widget) windows.push_back(control->widget);
  // Destroying a window destroys its controls; the table goes with them.
  for (GtkWidget* window : windows) gtk_widget_destroy(window);
  Controls.clear();
  ParentStack.clear();
  Events.clear();
  // Lets the toolkit finish what the destruction queued.
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

void OpenWindow(int number, int width, int height, const std::string& title) {
  Control& control = AddControl(number, ControlKind::Window, 0, 0, width, height);
  control.text = title;
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  control.widget = window;
  Remember(window, number);
  gtk_window_set_title(GTK_WINDOW(window), Cp1251ToUtf8(title).c_str());
  gtk_window_set_resizable(GTK_WINDOW(window), TRUE);

  // A window larger than the screen is first reduced to it.
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  if (monitor) {
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    width = std::min(width, area.width);
    height = std::min(height, area.height);
  }
  gtk_window_set_default_size(GTK_WINDOW(window), width, height);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
  g_signal_connect(window, "map-event", G_CALLBACK(CentreWithFrame), nullptr);
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDeleteEvent), GINT_TO_POINTER(number));

  // Controls sit at fixed positions and pass no size up: the window keeps
  // its client size although the strip reaches past it.
  GtkWidget* root = MakeFixedLayout(number);
  control.inner = root;
  gtk_container_add(GTK_CONTAINER(window), root);
  gtk_widget_show(root);
  ParentStack.assign(1, root);
}

void SetWindowBackground(int window, int rgb) { SetControlBackground(window, rgb); }

void ShowWindowNormal(int window) {
  Control* control = FindControl(window);
  if (!control || control->kind != ControlKind::Window) return;
  gtk_window_deiconify(GTK_WINDOW(control->widget));
  gtk_window_unmaximize(GTK_WINDOW(control->widget));
  gtk_widget_show(control->widget);
}

void SetWindowTopmost(int window) {
  Control* control = FindControl(window);
  if (!control || control->kind != ControlKind::Window) return;
  gtk_window_set_keep_above(GTK_WINDOW(control->widget), TRUE);
}

void SetWindowTitle(int window, const std::string& title) {
  Control* control = FindControl(window);
  if (!control || control->kind != ControlKind::Window) return;
  control->text = title;
  gtk_window_set_title(GTK_WINDOW(control->widget), Cp1251ToUtf8(title).c_str());
}

void OpenContainer(int number, int x, int y, int width, int height) {
  Control& control = AddControl(number, ControlKind::Container, x, y, width, height);
  control.background = ButtonFace;
  // A layout has its own window, so it clips what lies past its edges.
  GtkWidget* layout = MakeFixedLayout(number);
  control.widget = control.inner = layout;
  Remember(layout, number);
  PlaceInParent(control);
  ParentStack.push_back(layout);
}

void OpenScrollArea(int number, int x, int y, int width, int height, int innerWidth,
                    int innerHeight, int step) {
  Control& control = AddControl(number, ControlKind::ScrollArea, x, y, width, height);
  GtkWidget* inner = nullptr;
  control.widget = MakeScrollArea(width, height, innerWidth, innerHeight, step, &inner);
  control.inner = inner;
  Remember(control.widget, number);
  g_signal_connect(control.widget, "draw", G_CALLBACK(PaintLayoutBackground), GINT_TO_POINTER(number));
  g_signal_connect(inner, "draw", G_CALLBACK(PaintLayoutBackground), GINT_TO_POINTER(number));
  ConnectLayoutPointer(inner);
  PlaceInParent(control);
  ParentStack.push_back(inner);
}

void CloseParent() {
  // The window's own area stays the parent of last resort.
  if (ParentStack.size() > 1) ParentStack.pop_back();
}

void CreatePictureView(int number, int x, int y, int width, int height, int picture) {
  Control& control = AddControl(number, ControlKind::PictureView, x, y, width, height);
  control.widget = MakePictureView(control);
  Remember(control.widget, number);
  PlaceInParent(control);
  SetPictureViewImage(number, PictureSnapshot(picture));
}

void CreateLink(int number, int x, int y, int width, int height, const std::string& text,
                int hoverRgb) {
  Control& control = AddControl(number, ControlKind::Link, x, y, width, height);
  control.text = text;
  control.hoverColour = hoverRgb;
  control.widget = MakeLink(control);
  Remember(control.widget, number);
  PlaceInParent(control);
}

void CreateButton(int number, int x, int y, int width, int height, const std::string& caption) {
  Control& control = AddControl(number, ControlKind::Button, x, y, width, height);
  control.text = caption;
  control.widget = MakeButton(control);
  Remember(control.widget, number);
  PlaceInParent(control);
}

void SetControlBackground(int number, int rgb) {
  Control* control = FindControl(number);
  if (!control) return;
  control->background = rgb;
  Redraw(*control);
}

void SetControlTextColour(int number, int rgb) {
  Control* control = FindControl(number);
  if (!control) return;
  control->textColour = rgb;
  Redraw(*control);
}

void SetControlText(int number, const std::string& text) {
  Control* control = FindControl(number);
  if (!control) return;
  if (control->kind == ControlKind::Window) {
    SetWindowTitle(number, text);
    return;
  }
  control->text = text;
  Redraw(*control);
}

std::string ControlText(int number) {
  Control* control = FindControl(number);
  return control ? control->text : std::string();
}

void DisableControl(int number) {
  Control* control = FindControl(number);
  if (!control) return;
  control->disabled = true;
  gtk_widget_set_sensitive(control->widget, FALSE);
}

int WaitEvent(int& control) {
  PumpUntil([] { return !Events.empty(); });
  auto [kind, number] = Events.front();
  Events.pop_front();
  control = number;
  return kind;
}

namespace {

// Every X window of the program's windows, with the cursor each had, while
// a command keeps the program busy.
std::vector<std::pair<GdkWindow*, GdkCursor*>> BusyWindows;
GdkCursor* BusyCursor = nullptr;

void CollectWindows(GdkWindow* window) {
  GdkCursor* own = gdk_window_get_cursor(window);
  if (own) g_object_ref(own);
  g_object_ref(window);
  BusyWindows.emplace_back(window, own);
  for (GList* child = gdk_window_peek_children(window); child; child = child->next)
    CollectWindows(GDK_WINDOW(child->data));
}

}  // namespace

void ShowBusy(bool busy) {
  if (busy && BusyWindows.empty()) {
    for (auto& [number, control] : Controls)
      if (control->kind == ControlKind::Window && control->widget)
        if (GdkWindow* window = gtk_widget_get_window(control->widget)) CollectWindows(window);
    if (BusyWindows.empty()) return;
    BusyCursor = gdk_cursor_new_from_name(gdk_window_get_display(BusyWindows[0].first), "progress");
    // Clicks still reach the controls and queue: the cursor only tells the
    // user that they will be answered later.
    for (auto& [window, own] : BusyWindows) gdk_window_set_cursor(window, BusyCursor);
  } else if (!busy) {
    for (auto& [window, own] : BusyWindows) {
      // A window whose cursor changed meanwhile (a link's hand) keeps it.
      if (!gdk_window_is_destroyed(window) && gdk_window_get_cursor(window) == BusyCursor)
        gdk_window_set_cursor(window, own);
      if (own) g_object_unref(own);
      g_object_unref(window);
    }
    BusyWindows.clear();
    if (BusyCursor) g_object_unref(BusyCursor);
    BusyCursor = nullptr;
  }
}
