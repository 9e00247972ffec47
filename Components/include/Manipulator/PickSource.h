#pragma once

#include <memory>
#include <vector>

#include "Common/Vector2.h"

namespace qel {

class PickObject;
class SceneImpl;

/// Where the picker's picks are answered. The scene answers them by default; a test or
/// an application that draws objects the scene does not know installs its own.
class PickSource {
 public:
  virtual ~PickSource() = default;
  /// The object nearest the centre of the window rectangle [x − ⌊w/2⌋, x − ⌊w/2⌋ + w) ×
  /// [y − ⌊h/2⌋, y − ⌊h/2⌋ + h) (pixels, origin top left); empty when there is none.
  virtual std::weak_ptr<PickObject> pick(SceneImpl& scene, const Vector2<int>& position, int width, int height) = 0;
  /// Every object inside the rectangle with top-left corner `topLeft` (pixels) and the
  /// given width and height (pixels, ≥ 0), each once.
  virtual std::vector<std::shared_ptr<PickObject>> rectanglePick(SceneImpl& scene, const Vector2<int>& topLeft,
                                                                 int width, int height) = 0;
};

}  // namespace qel
