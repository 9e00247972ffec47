#pragma once

#include <memory>

#include "Feature/Feature.h"
#include "Feature/Style.h"
#include "Manipulator/PointEditorImpl.h"
#include "Manipulator/ToolFacade.h"

namespace qel {

class Viewer;

/// Draws point features on the globe and moves existing ones.
///
/// Drawing (`startEditing` with an empty feature): each left press creates a feature
/// with a point geometry and the editor's style and places it in the root group of the
/// scene's default data source; a click (press and release less than 10 px apart, times
/// the render context's DPI scale) on the globe gives it the position under the pointer,
/// takes it out of that group again and hands it to the stopped event as (feature,
/// true); the editor then waits for the next press. A click that misses the globe places
/// nothing: the created feature waits for the next click. A double click ends the
/// current feature as a click would, without a position of its own.
///
/// Editing (`startEditing` with a point feature): the point is selected, and two height
/// handles ("moveUp" above it, "moveDown" below it) are drawn at it unless its style
/// clamps it to a surface. A left drag that starts on the point moves it over the globe,
/// on the sphere through it, keeping its offset to the pointer; a drag that starts on a
/// handle moves it up (pointer up) or down (pointer down) by the metres one window pixel
/// spans at its depth. Every drag step raises the geometry-changed event with (geometry,
/// 0, −1), also a step that moved nothing. A press elsewhere deselects the point and the
/// camera takes the drag. The editor follows outside changes of the geometry and of its
/// style's height reference.
///
/// Heights. The edited position is read through the style's height reference: clamping
/// references put it on the surface, relative ones add the surface height to the
/// geometry's height. Longitude and latitude are never changed by this.
///
/// A process-wide singleton (`instance`), attached to one viewer with `bind`. Calls may
/// come from any thread; the work runs on the viewer's main thread. Unbound, commands
/// are dropped and queries return their defaults.
class PointEditor : public ToolFacade<PointEditorImpl> {
 public:
  using Impl = PointEditorImpl;
  using StoppedEvent = PointEditorImpl::StoppedEvent;
  using GeometryChangedEvent = PointEditorImpl::GeometryChangedEvent;

  /// The editor; `destroy` true destroys it for good and returns null, as does every
  /// later call.
  static PointEditor* instance(bool destroy = false);
  /// Posts the detach from the bound viewer.
  ~PointEditor();
  PointEditor(const PointEditor&) = delete;
  PointEditor& operator=(const PointEditor&) = delete;

  /// Ends the current editing as `stopEditing` (false, false) does (its stopped event is
  /// raised), then:
  ///  - `feature` null: starts drawing new points;
  ///  - a feature with a point geometry: edits it (the editor takes up the feature's own
  ///    style object);
  ///  - any other feature (no geometry, or not a point): nothing more, no message.
  void startEditing(std::shared_ptr<Feature::Feature> feature);
  /// Ends editing or drawing.
  ///  - `discard`: the feature is not handed to the stopped event (a drawn feature is
  ///    still taken out of the scene's default data source).
  ///  - `endDrawing`: ends drawing mode. In drawing mode with a feature created by a
  ///    press but not yet placed, (false, true) ends drawing at once with no event and
  ///    leaves that feature in the scene as the edited feature.
  /// (false, false) while drawing ends the current feature and stays in drawing mode.
  void stopEditing(bool discard, bool endDrawing);

  /// Raised on the main thread; see `PointEditorImpl::StoppedEvent`.
  StoppedEvent* getStoppedEvent() const;
  /// Raised on the main thread; see `PointEditorImpl::GeometryChangedEvent`.
  GeometryChangedEvent* getGeometryChangedEvent() const;

  /// The style given to drawn features and taken from edited ones. Must be a point
  /// style: null or another kind is refused with "设置的样式为空或者不是点样式。" at level
  /// 4 and the style stays. The editor keeps `style` itself, not a copy.
  void setStyle(std::shared_ptr<Feature::Style> style);
  /// Writes the defaults (marker image, label beside it, clamped to the terrain) into
  /// the style held now; `getStyle` still returns the same object.
  void resetStyle();
  /// The style object held now; while editing, the edited feature's own style; after
  /// editing ends, a copy of it. Null when unbound.
  std::shared_ptr<Feature::Style> getStyle() const;

  /// Whether moving the pointer over the globe while editing shows the movable-object
  /// cursor; it has no other effect. False when unbound.
  bool isObjectMovingEnabled() const;
  void setObjectMovingEnabled(bool enabled);

 private:
  PointEditor();
};

}  // namespace qel
