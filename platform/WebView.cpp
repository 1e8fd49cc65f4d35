// The embedded browser on WebKitGTK: its settings, the turning of core
// addresses into file URIs, and the fence around local files.
#include "platform/WebView.h"

#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <map>
#include <memory>
#include <string_view>

#include "platform/GuiInternal.h"
#include "platform/MainLoop.h"
#include "platform/Text.h"

namespace {

constexpr std::string_view LocalPrefix = "file://localhost/";
const char* const FilterName = "zirta-local-files";

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
using GString_ = std::unique_ptr<char, GFreeDeleter>;

// The one place the browser's behaviour is chosen. Flags left at WebKit's
// defaults are not listed.
WebKitSettings* MakeWebViewSettings() {
  WebKitSettings* settings = webkit_settings_new();
  // Pages without a declared charset are in the Cyrillic code page, as on
  // the desktop the pages and the player page were written for.
  webkit_settings_set_default_charset(settings, "windows-1251");
  // Pinned off although that is the default: a local page must never read
  // other local files, nor anything of other origins, through scripts.
  webkit_settings_set_allow_file_access_from_file_urls(settings, FALSE);
  webkit_settings_set_allow_universal_access_from_file_urls(settings, FALSE);
  return settings;
}

// ---- paths -----------------------------------------------------------------

// "." and ".." resolved, repeated slashes joined; the path stays absolute.
std::string NormalisePath(const std::string& path) {
  std::vector<std::string> parts;
  size_t from = 0;
  while (from <= path.size()) {
    size_t to = path.find('/', from);
    if (to == std::string::npos) to = path.size();
    std::string part = path.substr(from, to - from);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    from = to + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

// The path with symbolic links followed as far as the file system has it:
// the whole path when it exists, else its directory.
std::string ResolvePath(const std::string& path) {
  const std::string normal = NormalisePath(path);
  char resolved[PATH_MAX];
  if (realpath(normal.c_str(), resolved)) return resolved;
  size_t slash = normal.find_last_of('/');
  std::string directory = slash == 0 ? "/" : normal.substr(0, slash);
  if (realpath(directory.c_str(), resolved)) {
    std::string base(resolved);
    return NormalisePath(base + "/" + normal.substr(slash + 1));
  }
  return normal;
}

bool PathInside(const std::string& path, const std::string& directory) {
  std::string root = ResolvePath(directory);
  if (root.empty() || root.back() != '/') root += '/';
  return path.compare(0, root.size(), root) == 0;
}

std::string ProgramDirectory() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return std::string();
  std::string path(buffer, static_cast<size_t>(length));
  return path.substr(0, path.find_last_of('/') + 1);
}

std::string CurrentDirectory() {
  GString_ directory(g_get_current_dir());
  return directory ? std::string(directory.get()) + "/" : std::string();
}

std::vector<std::string> AllowedDirectories() {
  std::vector<std::string> directories;
  for (const std::string& d : {ProgramDirectory(), CurrentDirectory()})
    if (!d.empty()) directories.push_back(ResolvePath(d));
  return directories;
}

std::string DirectoryUri(const std::string& directory) {
  GString_ uri(g_filename_to_uri(directory.c_str(), nullptr, nullptr));
  std::string out = uri ? uri.get() : std::string();
  if (!out.empty() && out.back() != '/') out += '/';
  return out;
}

// ---- web views ------------------------------------------------------------

WebKitUserContentFilter* LocalFileFilter = nullptr;
std::string FilterDirectory;
bool FilterTried = false;

void RemoveFilterDirectory() {
  if (FilterDirectory.empty()) return;
  if (GDir* dir = g_dir_open(FilterDirectory.c_str(), 0, nullptr)) {
    while (const char* name = g_dir_read_name(dir)) {
      GString_ path(g_build_filename(FilterDirectory.c_str(), name, nullptr));
      g_unlink(path.get());
    }
    g_dir_close(dir);
  }
  g_rmdir(FilterDirectory.c_str());
  FilterDirectory.clear();
}

// Compiled once, before the first page loads, so that no page ever runs
// without the fence. Compiling is asynchronous; the window's thread turns
// until it is done.
void PrepareLocalFileFilter() {
  if (FilterTried) return;
  FilterTried = true;
  GString_ directory(g_dir_make_tmp("zirta-tv-filters-XXXXXX", nullptr));
  if (!directory) return;
  FilterDirectory = directory.get();
  std::vector<std::string> uris;
  for (const std::string& d : AllowedDirectories()) uris.push_back(DirectoryUri(d));
  const std::string json = LocalFileRulesJson(uris);
  WebKitUserContentFilterStore* store = webkit_user_content_filter_store_new(FilterDirectory.c_str());
  GBytes* rules = g_bytes_new(json.data(), json.size());
  struct Compile {
    bool done = false;
    WebKitUserContentFilter* filter = nullptr;
  } compile;
  webkit_user_content_filter_store_save(
      store, FilterName, rules, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* c = static_cast<Compile*>(data);
        GError* error = nullptr;
        c->filter = webkit_user_content_filter_store_save_finish(
            WEBKIT_USER_CONTENT_FILTER_STORE(source), result, &error);
        if (error) {
          g_printerr("zirta-tv: the local-file rules did not compile: %s\n", error->message);
          g_error_free(error);
        }
        c->done = true;
      },
      &compile);
  PumpUntil([&] { return compile.done; });
  g_bytes_unref(rules);
  g_object_unref(store);
  LocalFileFilter = compile.filter;
  // The compiled rules are held in memory from here on: the directory goes
  // at once, so no run leaves it behind, however it ends.
  RemoveFilterDirectory();
}

gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                      gpointer) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
      type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
    return FALSE;
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  if (!uri || g_ascii_strncasecmp(uri, "file:", 5) != 0) return FALSE;
  if (FileUriInside(uri, AllowedDirectories())) return FALSE;
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

WebKitWebView* ViewOf(int number) {
  Control* control = FindControl(number);
  if (!control || control->kind != ControlKind::WebView) return nullptr;
  return WEBKIT_WEB_VIEW(control->widget);
}

}  // namespace

std::string WebViewUri(const std::string& address) {
  if (address.compare(0, LocalPrefix.size(), LocalPrefix) != 0) return Cp1251ToUtf8(address);
  // "file://localhost/" + "/dir/name": the slash of the prefix and the one
  // that starts the directory are one.
  std::string path = "/" + Cp1251ToUtf8(address.substr(LocalPrefix.size()));
  size_t extra = path.find_first_not_of('/');
  path.erase(0, extra == std::string::npos ? path.size() - 1 : extra - 1);
  GString_ uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
  return uri ? std::string(uri.get()) : std::string("about:blank");
}

bool FileUriInside(const std::string& uri, const std::vector<std::string>& directories) {
  // The fragment and query name no other file.
  std::string bare = uri.substr(0, uri.find_first_of("?#"));
  char* host = nullptr;
  GString_ path(g_filename_from_uri(bare.c_str(), &host, nullptr));
  GString_ hostOwner(host);
  if (!path) return false;
  if (host && *host && g_ascii_strcasecmp(host, "localhost") != 0) return false;
  const std::string resolved = ResolvePath(path.get());
  for (const std::string& directory : directories)
    if (!directory.empty() && PathInside(resolved, directory)) return true;
  return false;
}

std::string LocalFileRulesJson(const std::vector<std::string>& directoryUris) {
  // Rules are regular expressions over the URL; what the URI holds literally
  // is escaped (twice: once for the expression, once for JSON).
  auto quote = [](const std::string& uri) {
    std::string out;
    for (char c : uri) {
      if (std::string_view(".*+?^$()[]{}|\\").find(c) != std::string_view::npos) out += "\\\\";
      if (c == '"') out += '\\';
      out += c;
    }
    return out;
  };
  std::string json = R"([{"trigger":{"url-filter":"^file:"},"action":{"type":"block"}})";
  for (const std::string& uri : directoryUris) {
    if (uri.empty()) continue;
    json += R"(,{"trigger":{"url-filter":"^)" + quote(uri) +
            R"("},"action":{"type":"ignore-previous-rules"}})";
  }
  json += "]";
  return json;
}

void CreateWebView(int number, int x, int y, int width, int height, const std::string& address) {
  PrepareLocalFileFilter();
  WebKitSettings* settings = MakeWebViewSettings();
  WebKitUserContentManager* content = webkit_user_content_manager_new();
  if (LocalFileFilter) webkit_user_content_manager_add_filter(content, LocalFileFilter);
  // Ephemeral: the program keeps nothing between runs beyond its own files.
  static WebKitWebContext* context = webkit_web_context_new_ephemeral();
  GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings,
                                            "user-content-manager", content, "web-context", context,
                                            nullptr));
  g_object_unref(settings);
  g_object_unref(content);
  g_signal_connect(view, "decide-policy", G_CALLBACK(DecidePolicy), nullptr);

  Control& control = AddControl(number, ControlKind::WebView, x, y, width, height);
  control.widget = view;
  control.text = address;
  Remember(view, number);
  PlaceInParent(control);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), WebViewUri(address).c_str());
}

void SetWebViewAddress(int number, const std::string& address) {
  WebKitWebView* view = ViewOf(number);
  if (!view) return;
  FindControl(number)->text = address;
  webkit_web_view_load_uri(view, WebViewUri(address).c_str());
}

void WebViewsRelease() {
  if (LocalFileFilter) {
    webkit_user_content_filter_unref(LocalFileFilter);
    LocalFileFilter = nullptr;
  }
  RemoveFilterDirectory();
}
