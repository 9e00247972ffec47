#pragma once

#include <ostream>
#include <string>

namespace qel {

/// The file name of an image, kept once per process however many things show it.
///
/// A frame lists every billboard it draws with its image; a long line's middle points
/// all show the same file, and copying its name into each of them every frame would
/// cost more than placing them. A name is a pointer to the one copy, so copying and
/// comparing names is copying and comparing pointers. Names are never released: a
/// process shows a bounded set of image files. Any thread may make names.
class ImageName {
 public:
  ImageName() noexcept = default;
  /// The empty string is the empty name.
  ImageName(const std::string& name);  // NOLINT(google-explicit-constructor): a name is its string
  ImageName(const char* name);         // NOLINT(google-explicit-constructor)

  const std::string& str() const noexcept;
  operator const std::string&() const noexcept { return str(); }  // NOLINT(google-explicit-constructor)
  bool empty() const noexcept { return name_ == nullptr; }

  friend bool operator==(const ImageName& a, const ImageName& b) noexcept { return a.name_ == b.name_; }
  friend bool operator==(const ImageName& a, const std::string& b) noexcept { return a.str() == b; }
  friend bool operator==(const ImageName& a, const char* b) noexcept { return b ? a.str() == b : a.empty(); }
  friend std::ostream& operator<<(std::ostream& out, const ImageName& name) { return out << name.str(); }

 private:
  const std::string* name_ = nullptr;
};

}  // namespace qel
