#include "skin/SkinBinding.h"

#include "app/AppState.h"
#include "platform/Library.h"

namespace {

using InitializeSkinEntry = int (*)();
using LoadSkinFileEntry = int (*)(const char* skin, const char* second);
using UnLoadSkinEntry = int (*)();

UnLoadSkinEntry HeldUnLoadSkin = nullptr;

}  // namespace

int BindSkin() {
  int library = LibraryOpen("SkinFeature.dll");
  if (!library) return 0;
  auto initialize = reinterpret_cast<InitializeSkinEntry>(LibraryFunction(library, "InitializeSkin"));
  auto loadFile = reinterpret_cast<LoadSkinFileEntry>(LibraryFunction(library, "LoadSkinFile"));
  auto unload = reinterpret_cast<UnLoadSkinEntry>(LibraryFunction(library, "UnLoadSkin"));
  // A library without all three entry points is no skin library: calling a
  // missing entry would crash, so it counts as absent.
  if (!initialize || !loadFile || !unload) return 0;
  HeldUnLoadSkin = unload;
  initialize();
  loadFile("Dark Soft.rss", "");
  return 1;
}

void UnbindSkin() {
  if (SkinLoaded == 1 && HeldUnLoadSkin) HeldUnLoadSkin();
  HeldUnLoadSkin = nullptr;
}
