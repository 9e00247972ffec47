#pragma once

#include <memory>
#include <variant>

#include "Common/Angle.h"
#include "Common/Cartographic.h"
#include "Common/Vector3.h"
#include "Feature/Feature.h"
#include "Manipulator/ModelEditorImpl.h"
#include "Manipulator/ToolFacade.h"

namespace qel {

class Qel3DTileset;
class SceneImpl;
class Viewer;

/// Moves, turns and scales one object of the scene: a whole 3D tileset, or a feature
/// whose point style carries a model symbol (a placed 3D model).
///
/// The user works it through a gizmo drawn around the object: dragging an arrow moves
/// the object along that local axis, dragging the ring turns it about its local
/// vertical, dragging a corner point scales it alike in all directions, and dragging a
/// model itself carries it over the globe at its height. The part under the pointer is
/// painted yellow. After every drag step that changed something the changed event
/// reports (position, translation, rotation, scale, null). The application works it
/// through the commands below, which never raise the changed event.
///
/// The four values:
///  - position: where the object's reference point stands (longitude and latitude in
///    radians, height in metres);
///  - translation: the sum of every move applied, in metres along the object's own
///    local axes (east, north, up for an unturned object);
///  - rotation: the turn about the local x, y and z axes (radians);
///  - scale: the factors along the local axes (each at least 0.001).
/// Without a target they are (0, 0, 0), (0, 0, 0), (0, 0, 0) and (1, 1, 1).
///
/// A process-wide singleton (`instance`), attached to one viewer with `bind`. Unlike
/// the other tools it may be copied: a copy shares the editor and the viewer (and
/// destroying it detaches the shared editor from the viewer, as destroying the original
/// would). Calls may come from any thread; the work runs on the viewer's main thread.
/// Unbound, commands are dropped and queries return all-zero values.
class ModelEditor : public ToolFacade<ModelEditorImpl> {
 public:
  using Impl = ModelEditorImpl;
  using Target = ModelEditorImpl::Target;
  using ChangedEvent = ModelEditorImpl::ChangedEvent;
  using StoppedEvent = ModelEditorImpl::StoppedEvent;

  /// The editor; `destroy` true destroys it for good and returns null, as does every
  /// later call.
  static ModelEditor* instance(bool destroy = false);
  /// Posts the detach of the (shared) editor from the bound viewer.
  ~ModelEditor();
  ModelEditor(const ModelEditor& other);
  ModelEditor& operator=(const ModelEditor& other);

  /// Ends the current editing (its stopped event is raised), then edits `target`. Runs
  /// its checks on the calling thread first:
  ///  - a target that is not in a scene (its layer is gone or lies in no scene) is
  ///    refused with "无法编辑不在场景中的对象。" at level 3; nothing else happens;
  ///  - a shown model feature whose model has no drawn extent yet: when called off the
  ///    main thread, this waits for the frames that draw it (from a few frames after
  ///    it was added); on the main thread it cannot wait, so the call does nothing,
  ///    without a message, and may be repeated a frame or two later. A model with no
  ///    extent at all is not edited either.
  /// A null target does nothing. A hidden feature is taken up without waiting; while it
  /// has no drawn model no gizmo is drawn for it and its values stay the defaults.
  void startEditing(Target target);
  /// Takes the gizmo out of the scene, resets the four values to their defaults and,
  /// when the target still exists, raises the stopped event with its layer. Without a
  /// target it raises nothing.
  void stopEditing();

  /// Moves the object by `offset` (metres along its local axes) and adds it to the
  /// translation. The height changes only when |offset.z| > 1e-8, the place on the globe
  /// only when |offset.x| or |offset.y| > 1e-8. Without a target, or where the object's
  /// centre has no geographic position, nothing changes. Non-finite offsets are ignored.
  void translate(const Vector3<double>& offset);
  /// Sets the rotation to `angles` (radians about the local x, y and z axes), turning
  /// the object by the difference to the current one: the same angles twice turn it
  /// once. Without a target nothing changes. Non-finite angles are ignored.
  void rotate(const Vector3<Radian>& angles);
  /// Sets the scale to `factors`, each raised to at least 0.001 (0 and negative factors
  /// give 0.001), scaling the object by the ratio to the current scale. Without a
  /// target nothing changes. Non-finite factors are ignored.
  void setScale(const Vector3<double>& factors);
  /// Moves the object's reference point to `position`, keeping its turn relative to the
  /// local east-north-up frame. The same position again changes nothing. Without a
  /// target only the stored position changes. Non-finite positions are ignored.
  void setPosition(const Cartographic& position);

  Cartographic getPosition() const;
  Vector3<Radian> getRotation() const;
  Vector3<double> getScale() const;
  Vector3<double> getTranslation() const;

  /// Raised on the main thread after each drag step that changed the object.
  ChangedEvent* getChangedEvent() const;
  /// Raised on the main thread when editing of a still existing target ends.
  StoppedEvent* getStoppedEvent() const;

 private:
  ModelEditor();
};

/// Whether the model of `feature` has a drawn extent (a bounding sphere of positive
/// radius). Called off the main thread it waits, frame by frame, while the feature's
/// entities are being built and the extent is pending; on the main thread (or with no
/// main thread registered) it answers at once. A feature without a model has none.
/// One wait at a time per process: a second one ends the first, which answers false.
bool isModelBoundingSphereReady(SceneImpl& scene, Feature::Feature& feature);

}  // namespace qel
