#include "app/AppState.h"

int32_t CurrentPage = 0;
std::string AppDir;
int32_t SkinLoaded = 0;
int ThumbnailThread = 0;
int LogoPicture = 0;
int32_t LastEvent = 0;
int32_t LastEventControl = 0;

std::string LocalPageUrl(const std::string& name) {
  return "file://localhost/" + AppDir + name;
}

std::string DirectoryOfPath(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}
