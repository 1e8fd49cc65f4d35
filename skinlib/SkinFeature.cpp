// The entry points a program finds in SkinFeature.so. They are called with
// C linkage from a host that reads none of our results, so nothing may
// escape them: every failure ends as a return value of 0.
#include <dlfcn.h>

#include <string>

#include "SkinFile.h"
#include "SkinFormat.h"
#include "SkinStyle.h"

#define SKIN_EXPORT extern "C" __attribute__((visibility("default")))

SKIN_EXPORT int InitializeSkin(void);
SKIN_EXPORT int LoadSkinFile(const char* skin, const char* second);
SKIN_EXPORT int UnLoadSkin(void);

namespace {

// Where this library lies, ending with "/": skins are shipped beside it.
std::string LibraryDirectory() {
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&LoadSkinFile), &info) || !info.dli_fname) return "";
  std::string path = info.dli_fname;
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

int LoadSkin(const char* name) {
  std::string path = ResolveSkinPath(name, LibraryDirectory());
  if (path.empty()) return 0;
  std::string text;
  if (!ReadSkinFile(path, text)) return 0;
  Skin skin;
  if (!ParseSkin(text, skin)) return 0;
  return ApplySkinStyle(skin.css) ? 1 : 0;
}

}  // namespace

int InitializeSkin(void) {
  // There is nothing to set up before a skin is loaded; the answer tells a
  // host whether skins can work with the GTK it runs.
  return SkinStyleSupported() ? 1 : 0;
}

// `second` is accepted for hosts written against other skin libraries,
// which pass a password or section there; our skins need neither.
int LoadSkinFile(const char* skin, const char* /*second*/) {
  if (!skin) return 0;
  try {
    return LoadSkin(skin);
  } catch (...) {
    return 0;
  }
}

int UnLoadSkin(void) {
  return RemoveSkinStyle() ? 1 : 0;
}
