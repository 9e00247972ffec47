#pragma once

#include <string>

namespace qel {

/// An image an application hands a tool instead of a file name. This host's billboards
/// draw images from files, so an image is known by the file it was read from.
class Image {
 public:
  explicit Image(std::string path) : path_(std::move(path)) {}
  /// The PNG file the image comes from.
  const std::string& getPath() const noexcept { return path_; }

 private:
  std::string path_;
};

}  // namespace qel
