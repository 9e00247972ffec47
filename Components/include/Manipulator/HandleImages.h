#pragma once

#include <string>

namespace qel {

/// Where the editors' handle and marker images are found, and the ids that a pick on a
/// handle billboard is recognised by. The images ship beside the qelCommon module.
struct HandleImages {
  /// Ids of the handle billboards: raise, lower and move sideways.
  static constexpr const char* kMoveUpId = "moveUp";
  static constexpr const char* kMoveDownId = "moveDown";
  static constexpr const char* kHorizonMoveId = "horizonMove";

  /// File names under the texture directory.
  static constexpr const char* kMoveUpFile = "moveUp.png";
  static constexpr const char* kMoveDownFile = "moveDown.png";
  static constexpr const char* kHorizonMoveFile = "horizonMove.png";
  static constexpr const char* kMiddlePointFile = "middlePoint.png";

  /// The handle image `fileName` in the texture directory of the qelCommon module. The
  /// host's file access accepts either separator.
  static std::string path(const std::string& fileName);
  /// The point editor's default marker image.
  static std::string markerPath();
};

}  // namespace qel
