#include "platform/DynLib.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <sstream>

namespace platform {
namespace {

HMODULE OpenPath(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

}  // namespace

std::string SharedObjectName(const std::string& windowsName) {
  std::string stem = windowsName;
  auto endsWith = [&](const char* suffix) {
    std::string s(suffix);
    if (stem.size() < s.size()) return false;
    for (size_t i = 0; i < s.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(stem[stem.size() - s.size() + i])) != s[i]) return false;
    return true;
  };
  if (endsWith(".so")) return stem;
  if (endsWith(".dll")) stem.resize(stem.size() - 4);
  return "lib" + stem + ".so";
}

std::string ExecutableDirectory() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string path(buffer, static_cast<size_t>(n));
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

HMODULE LoadLibrary(const std::string& windowsName) {
  if (windowsName.empty()) return nullptr;
  const std::string file = SharedObjectName(windowsName);
  if (file.find('/') != std::string::npos) return OpenPath(file);
  if (const char* dirs = std::getenv("PF_LIBRARY_PATH")) {
    std::stringstream list(dirs);
    std::string dir;
    while (std::getline(list, dir, ':')) {
      if (dir.empty()) continue;
      if (dir.back() != '/') dir += '/';
      if (HMODULE h = OpenPath(dir + file)) return h;
    }
  }
  if (HMODULE h = OpenPath(ExecutableDirectory() + file)) return h;
  return OpenPath(file);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) return nullptr;
  return dlsym(module, name);
}

bool FreeLibrary(HMODULE module) { return module && dlclose(module) == 0; }

}  // namespace platform
