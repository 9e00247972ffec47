#include "Common/ModulePath.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include <dlfcn.h>
#include <link.h>

namespace qel {

namespace {

/// True if `fileName` (a file name without directory) is the shared library of
/// `moduleName`: "lib<name>.so", optionally versioned ("lib<name>.so.1.2"), or the same
/// without the "lib" prefix.
bool isLibraryOf(std::string_view fileName, std::string_view moduleName) {
  if (moduleName.empty()) {
    return false;
  }
  if (fileName.starts_with("lib")) {
    const std::string_view rest = fileName.substr(3);
    if (rest.starts_with(moduleName) && isLibraryOf(rest, moduleName)) {
      return true;
    }
  }
  if (!fileName.starts_with(moduleName)) {
    return false;
  }
  const std::string_view suffix = fileName.substr(moduleName.size());
  return suffix == ".so" || suffix.starts_with(".so.");
}

/// The absolute directory of a loaded object's file, without a trailing separator.
std::string directoryOf(const char* objectPath) {
  if (objectPath == nullptr || *objectPath == '\0') {
    return {};
  }
  std::error_code error;
  std::filesystem::path path = std::filesystem::weakly_canonical(objectPath, error);
  if (error) {
    path = std::filesystem::absolute(objectPath, error);
    if (error) {
      path = objectPath;
    }
  }
  return path.parent_path().string();
}

struct Search {
  std::string_view moduleName;
  std::string found;
};

int visitObject(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  auto* search = static_cast<Search*>(data);
  if (info->dlpi_name == nullptr || *info->dlpi_name == '\0') {
    return 0;  // the executable itself
  }
  const std::filesystem::path fileName = std::filesystem::path(info->dlpi_name).filename();
  if (!isLibraryOf(fileName.native(), search->moduleName)) {
    return 0;
  }
  search->found = directoryOf(info->dlpi_name);
  return 1;
}

/// An address inside this library, for asking the loader which file it came from.
void ownAnchor() {}

}  // namespace

std::string getModulePath(const std::string& moduleName) {
  if (moduleName == "qelCommon") {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ownAnchor), &info) != 0 && info.dli_fname != nullptr) {
      return directoryOf(info.dli_fname);
    }
  }
  Search search{moduleName, {}};
  dl_iterate_phdr(&visitObject, &search);
  return search.found;
}

std::string normalizePath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace qel
