#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Common/Publisher.h"
#include "Manipulator/ToolFacade.h"

namespace qel {

class PickObject;
class ScenePickerImpl;
class Viewer;

/// Reports what lies under the pointer, in one of two modes chosen by `startPicking`:
///  - click picking: a left click (press and release no more than 10 px apart, times the
///    render context's DPI scale) picks the object under the release point and raises
///    the picked event with it, or with an empty pointer when nothing is there;
///  - rectangle picking: a left drag draws a rectangle outline on screen; the release
///    picks every object inside the rectangle and raises the rectangle-picking event
///    with the list (empty when nothing is inside).
/// The picker never uses the events that end a gesture, so the camera keeps working; in
/// rectangle mode it uses the drags, so the camera does not pan while a rectangle is
/// drawn. Nothing is ever logged: an empty pick is an answer, not an error.
///
/// A process-wide singleton (`instance`), attached to one viewer with `bind`. Calls may
/// come from any thread; the work runs on the viewer's main thread. Unbound, every
/// command is dropped.
class ScenePicker : public ToolFacade<ScenePickerImpl> {
 public:
  using Impl = ScenePickerImpl;
  using PickedEvent = Publisher<std::function<void(std::weak_ptr<PickObject>)>>;
  using RectanglePickingEvent = Publisher<std::function<void(const std::vector<std::shared_ptr<PickObject>>&)>>;

  /// The picker; `destroy` true destroys it for good and returns null, as does every
  /// later call.
  static ScenePicker* instance(bool destroy = false);
  /// Posts the detach from the bound viewer.
  ~ScenePicker();
  ScenePicker(const ScenePicker&) = delete;
  ScenePicker& operator=(const ScenePicker&) = delete;

  /// Ends the current mode (the outline leaves the scene), then turns on rectangle
  /// picking when `rectangle` is true, click picking otherwise.
  void startPicking(bool rectangle);
  /// Ends the current mode; the picker then ignores every event.
  void stopPicking();

  /// Raised on the main thread after each click pick, with its result (possibly empty).
  PickedEvent& getPickedEvent() const;
  /// Raised on the main thread once per rectangle gesture, with every object inside,
  /// each once.
  RectanglePickingEvent& getRectanglePickingEvent() const;

 private:
  ScenePicker();
};

}  // namespace qel
