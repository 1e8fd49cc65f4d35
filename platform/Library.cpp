#include "platform/Library.h"

#include <dlfcn.h>

#include <mutex>
#include <vector>

#include "platform/Process.h"
#include "platform/Text.h"

namespace {

std::mutex TableLock;
std::vector<void*> Libraries;  // number n is Libraries[n - 1]

std::string NativeName(std::string name) {
  static const std::string Windows = ".dll";
  if (name.size() > Windows.size() &&
      name.compare(name.size() - Windows.size(), Windows.size(), Windows) == 0)
    name.replace(name.size() - Windows.size(), Windows.size(), ".so");
  return name;
}

}  // namespace

int LibraryOpen(const std::string& name) {
  std::string native = Cp1251ToUtf8(NativeName(name));
  void* handle = nullptr;
  if (native.find('/') == std::string::npos) {
    // A bare name is looked for beside the program first.
    std::string exe = Cp1251ToUtf8(ExecutablePath());
    std::string besideProgram = exe.substr(0, exe.find_last_of('/') + 1) + native;
    handle = dlopen(besideProgram.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (!handle) handle = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return 0;
  std::lock_guard<std::mutex> lock(TableLock);
  Libraries.push_back(handle);
  return static_cast<int>(Libraries.size());
}

void* LibraryFunction(int library, const std::string& name) {
  std::lock_guard<std::mutex> lock(TableLock);
  if (library < 1 || library > static_cast<int>(Libraries.size()) || !Libraries[library - 1])
    return nullptr;
  return dlsym(Libraries[library - 1], name.c_str());
}

void LibrariesReleaseAll() {
  std::lock_guard<std::mutex> lock(TableLock);
  for (auto it = Libraries.rbegin(); it != Libraries.rend(); ++it)
    if (*it) dlclose(*it);
  Libraries.clear();
}
