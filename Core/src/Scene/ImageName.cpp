#include "Scene/ImageName.h"

#include <mutex>
#include <unordered_set>

namespace qel {
namespace {

const std::string* intern(const std::string& name) {
  if (name.empty()) return nullptr;
  // Nodes of an unordered set never move, so the pointers handed out stay valid; the
  // set outlives every static that may still hold a name while the process ends.
  static auto* const mutex = new std::mutex;
  static auto* const names = new std::unordered_set<std::string>;
  const std::lock_guard<std::mutex> lock(*mutex);
  return &*names->insert(name).first;
}

}  // namespace

ImageName::ImageName(const std::string& name) : name_(intern(name)) {}

ImageName::ImageName(const char* name) : name_(name != nullptr ? intern(name) : nullptr) {}

const std::string& ImageName::str() const noexcept {
  static const std::string kEmpty;
  return name_ != nullptr ? *name_ : kEmpty;
}

}  // namespace qel
