#pragma once

#include <memory>

#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Manipulator/ScenePicker.h"
#include "Scene/PolylineCollection.h"
#include "Viewer/GUIEventHandler.h"

namespace qel {

class SceneImpl;
class ViewerImpl;

/// The picker's gesture machine, on the main thread: a `GUIEventHandler` of the bound
/// viewer. `handle` never returns true except for the drags of a rectangle gesture.
class ScenePickerImpl : public GUIEventHandler {
 public:
  ScenePickerImpl() = default;
  ~ScenePickerImpl() override;
  ScenePickerImpl(const ScenePickerImpl&) = delete;
  ScenePickerImpl& operator=(const ScenePickerImpl&) = delete;

  bool handle(const GUIEventAdapter& event, const Viewer& viewer) override;
  using GUIEventHandler::handle;

  /// Ends the mode (see `ScenePicker::startPicking`) and turns on the chosen one.
  void startPicking(bool rectangle);
  /// Ends the mode: both modes off, the outline out of the scene, no gesture under way.
  void reset();

  bool isClickPicking() const noexcept { return clickPicking; }
  bool isRectanglePicking() const noexcept { return rectanglePicking; }
  /// The rectangle outline once a rectangle press has made it, until the mode ends;
  /// else null. Its collection is in the scene's primitives exactly as long.
  const Polyline* getOutline() const noexcept { return outline; }
  const PolylineCollection* getOutlineCollection() const noexcept { return outlineCollection.get(); }

  ScenePicker::PickedEvent& getPickedEvent() noexcept { return pickedEvent; }
  ScenePicker::RectanglePickingEvent& getRectanglePickingEvent() noexcept { return rectanglePickingEvent; }

  // Tool frame hooks (see ToolFacade).
  void attachTo(ViewerImpl& viewer, const std::shared_ptr<ScenePickerImpl>& self);
  void detachFrom(ViewerImpl* viewer);
  void releaseFrom(ViewerImpl& viewer);

 private:
  bool onPress(const GUIEventAdapter& event, const Vector2<int>& position, SceneImpl& scene);
  bool onDrag(const Vector2<int>& position, const Viewer& viewer);
  bool onFrame(const Viewer& viewer);
  bool onRectangleRelease(const GUIEventAdapter& event, SceneImpl& scene, const Viewer& viewer);
  bool onClickRelease(const GUIEventAdapter& event, const Vector2<int>& position, SceneImpl& scene,
                      const Viewer& viewer);
  void createOutline(SceneImpl& scene);

  std::weak_ptr<SceneImpl> scene;
  bool clickPicking = false;
  bool rectanglePicking = false;
  ScenePicker::PickedEvent pickedEvent;
  Vector2<int> pressPosition{};
  Vector2<int> dragPosition{};
  bool dragging = false;
  Vector3<double> rectangleOrigin{};
  bool rectangleOriginSet = false;
  bool pressed = false;
  Polyline* outline = nullptr;
  std::shared_ptr<PolylineCollection> outlineCollection;
  ScenePicker::RectanglePickingEvent rectanglePickingEvent;
};

}  // namespace qel
