#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <variant>

#include "Common/Angle.h"
#include "Common/Cartographic.h"
#include "Common/Matrix4.h"
#include "Common/Publisher.h"
#include "Common/SourceLocation.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Feature/Feature.h"
#include "Manipulator/ModelGizmo.h"
#include "Viewer/GUIEventHandler.h"

namespace qel {

class Entity;
class Layer;
class Qel3DTileset;
class SceneImpl;
class ViewerImpl;

/// The model editor's work on the main thread: a `GUIEventHandler` of the bound viewer
/// that keeps the edited object, its four transform values and the gizmo, turns pointer
/// moves into hover highlights and drags into transform steps, and shows, hides and
/// rebuilds the gizmo once per frame.
///
/// States: idle (no target, no gizmo, default values) and editing (a target is held;
/// the gizmo follows it from the frame after any change). Editing ends with a stop, a
/// new start, the destruction of the editor, or when the target is gone or has left the
/// scene (the next event takes the gizmo away; the target is forgotten at the next stop).
class ModelEditorImpl : public GUIEventHandler {
 public:
  /// The edited object: a tileset (alternative 0) or a model feature (alternative 1).
  using Target = std::variant<std::shared_ptr<Qel3DTileset>, std::shared_ptr<Feature::Feature>>;
  /// (position, translation, rotation, scale, null): see `ModelEditor`.
  using ChangedEvent = Publisher<std::function<void(const Cartographic&, const Vector3<double>&, const Vector3<Radian>&,
                                                    const Vector3<double>&, void*)>>;
  /// (layer of the target): raised by a stop while the target exists.
  using StoppedEvent = Publisher<std::function<void(std::shared_ptr<Layer>)>>;

  /// The message, file, line and function of a refused start.
  static const char* const kNotInSceneText;
  static SourceLocation notInSceneLocation();

  ModelEditorImpl();
  ~ModelEditorImpl() override;
  ModelEditorImpl(const ModelEditorImpl&) = delete;
  ModelEditorImpl& operator=(const ModelEditorImpl&) = delete;

  /// True only for a drag step made while a part is under the pointer, except the
  /// object itself when it is a tileset (tilesets are not carried).
  bool handle(const GUIEventAdapter& event, const Viewer& viewer) override;
  using GUIEventHandler::handle;

  /// Stops, then takes up `target` and derives its four values.
  void start(const Target& target);
  /// See `ModelEditor::stopEditing`.
  void stop();

  // The commands (see `ModelEditor`).
  void translate(const Vector3<double>& offset);
  void rotate(const Vector3<Radian>& angles);
  void setScale(const Vector3<double>& factors);
  void setPosition(const Cartographic& position);

  const Cartographic& getPosition() const noexcept { return position; }
  const Vector3<Radian>& getRotation() const noexcept { return rotation; }
  const Vector3<double>& getScale() const noexcept { return scale; }
  const Vector3<double>& getTranslation() const noexcept { return translation; }

  ChangedEvent& getChangedEvent() noexcept { return changedEvent; }
  StoppedEvent& getStoppedEvent() noexcept { return stoppedEvent; }

  /// The rebuild run from the frame state's task queue: sizes and places the gizmo on
  /// the current object, adding the parts that are missing.
  void update(SceneImpl& scene, std::shared_ptr<Qel3DTileset> tileset, std::shared_ptr<Feature::Feature> feature);
  /// The part under the window position `mouse` (pixels, origin top left), with its
  /// highlight queued for the frame; `Controller::None` when the gizmo is incomplete or
  /// nothing of it is there.
  static Controller hitTestWithEditorController(ModelEditorImpl& impl, const Viewer& viewer,
                                                const Vector2<float>& mouse);

  // What the editor holds now, for the SDK's own modules and tests (main thread only).
  Controller getController() const noexcept { return controller; }
  const ModelGizmo& getGizmo() const noexcept { return gizmo; }
  bool isRebuildPending() const noexcept { return needsRebuild; }
  std::shared_ptr<Qel3DTileset> getTileset() const { return tileset.lock(); }
  std::shared_ptr<Feature::Feature> getFeature() const { return feature.lock(); }

  // Tool frame hooks (see ToolFacade).
  void attachTo(ViewerImpl& viewer, const std::shared_ptr<ModelEditorImpl>& self);
  void detachFrom(ViewerImpl* viewer);
  void releaseFrom(ViewerImpl& viewer);

 private:
  // Where and how the object stands now (ModelEditorCommands.cpp).
  struct ObjectFrame {
    Vector3<double> centre;  // fixed frame, metres
    Matrix4 frame;           // local → fixed frame, scale included
  };
  std::optional<ObjectFrame> objectFrame() const;
  void deriveTilesetState(const Qel3DTileset& target);
  void deriveFeatureState(const Feature::Feature& target);

  // The transform steps (ModelEditorCommands.cpp); the commands and the drags share them.
  void translateBy(const Vector3<double>& offset);
  void rotateBy(const Vector3<Radian>& delta);
  void scaleBy(const Vector3<double>& factors);
  void moveTo(const Cartographic& target);
  // The tileset's model matrix changed: re-read the position from its root transform.
  void refreshTilesetPosition(const Qel3DTileset& target);
  bool hasTarget() const;

  // Input (ModelEditorInput.cpp).
  void frameStep();
  void hover(const Viewer& viewer, const Vector2<float>& mouse);
  void dragStep(SceneImpl& scene, const Vector2<float>& b);
  bool dragAxis(SceneImpl& scene, const Vector2<float>& a, const Vector2<float>& b);
  bool dragRing(SceneImpl& scene, const Vector2<float>& a, const Vector2<float>& b);
  void dragCorner(SceneImpl& scene, const Vector2<float>& a, const Vector2<float>& b);
  void dragObject(SceneImpl& scene, const Vector2<float>& a, const Vector2<float>& b);
  void raiseChanged();
  // Whether the target still exists and lies in a scene.
  bool targetInScene() const;
  void removeGizmo();

  SceneImpl* scene = nullptr;
  std::weak_ptr<Qel3DTileset> tileset;
  std::weak_ptr<Feature::Feature> feature;
  Vector2<float> lastMouse{0.0f, 0.0f};
  Controller controller = Controller::None;
  ModelGizmo gizmo;
  bool needsRebuild = true;
  Vector3<double> scale{1.0, 1.0, 1.0};
  Vector3<Radian> rotation{};
  Cartographic position{};
  Vector3<double> translation{};
  ChangedEvent changedEvent;
  StoppedEvent stoppedEvent;
  // The editor itself, for the work it queues on the frame (which must not outlive it).
  std::weak_ptr<ModelEditorImpl> self;
};

/// The model entity of a feature: depth first from the feature's main entity through
/// its children, the first one drawing a model. Null when there is none (yet).
std::shared_ptr<Entity> findModelEntity(const Feature::Feature& feature);

}  // namespace qel
