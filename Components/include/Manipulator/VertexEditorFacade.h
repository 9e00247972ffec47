#pragma once

#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "Common/Publisher.h"
#include "Feature/Feature.h"
#include "Manipulator/ToolFacade.h"
#include "Scene/Image.h"

namespace qel {

/// The public calls the line and area editors share. Each call is carried to the bound
/// viewer's main thread; commands return at once, queries wait for their result. Unbound,
/// commands are dropped and queries return their default.
///
/// `Derived` is the editor's facade class, `ImplT` its implementation (a `VertexEditor`). The calls are defined
/// beside it and instantiated once per editor in the editor's own unit, so that users of
/// the facade need not see the implementation.
template <class Derived, class ImplT>
class VertexEditorFacade : public ToolFacade<ImplT> {
 public:
  using Impl = ImplT;
  using StoppedEvent = Publisher<std::function<void(std::shared_ptr<Feature::Feature>, bool)>>;
  using GeometryChangedEvent = Publisher<std::function<void(std::shared_ptr<Feature::Geometry>, int, int)>>;

  /// The editor, a process-wide singleton; `destroy` true destroys it for good and
  /// returns null, as does every later call.
  static Derived* instance(bool destroy = false);

  VertexEditorFacade(const VertexEditorFacade&) = delete;
  VertexEditorFacade& operator=(const VertexEditorFacade&) = delete;

  /// Hands the current feature over (stopped event), then draws a new feature (`feature`
  /// null) or edits `feature` when its geometry is of this editor's kind. A feature of
  /// another kind or without geometry is not taken, without a message.
  void startEditing(std::shared_ptr<Feature::Feature> feature);
  /// Drops the current feature without an event and goes on drawing `feature` from its
  /// last vertex. Null or a feature of another kind: nothing happens.
  void continueDrawing(std::shared_ptr<Feature::Feature> feature);
  /// Ends editing or drawing. `discard` true: no stopped event. `endDrawing` true also
  /// leaves drawing mode; while a feature is being drawn it then stays in the scene and
  /// becomes the edited feature, without an event.
  void stopEditing(bool discard, bool endDrawing);

  /// Raised on the main thread with the finished feature and whether it was drawn.
  StoppedEvent* getStoppedEvent() const;
  /// Raised on the main thread for each change the editor makes: (geometry, vertex
  /// index, kind), see the editor's class comment for the kinds.
  GeometryChangedEvent* getGeometryChangedEvent() const;

  /// Delete mode: a click on a vertex deletes it. Turning it on clears the selection.
  void deletePoint(bool enabled);
  /// Add mode: a press on the feature inserts a vertex there. Turning it on clears the
  /// selection. The add and delete modes do not clear each other.
  void addPoint(bool enabled);

  /// Follows `style` (shared, not copied). Null or a style of another kind: refused with
  /// the editor's message at level 4; the old style stays.
  void setStyle(std::shared_ptr<Feature::Style> style);
  /// Writes the editor's defaults into the current style object, and hands it to the
  /// edited feature.
  void resetStyle();
  std::shared_ptr<Feature::Style> getStyle() const;

  /// Restores the feature as it was before the last drawn vertex or deletion.
  void undo();

  /// Image of the middle points, from their next rebuild on.
  void setMiddlePointImage(std::variant<std::string, std::shared_ptr<Image>> image);
  bool isMiddlePointVisible() const;
  void setMiddlePointVisible(bool visible);
  /// Object moving: a drag on the feature or a vertex moves the whole feature.
  bool isObjectMovingEnabled() const;
  void setObjectMovingEnabled(bool enabled);

  /// Deletes vertex `index` and raises (geometry, index, 1). Nothing while drawing,
  /// without a feature, or for an index not below the vertex count.
  void deleteVertex(unsigned int index);

 protected:
  VertexEditorFacade() = default;
};

}  // namespace qel
