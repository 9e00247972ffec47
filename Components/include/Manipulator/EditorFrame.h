#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "Common/Cartographic.h"
#include "Common/FunctionWrapper.h"
#include "Common/HeightReference.h"
#include "Common/SourceLocation.h"
#include "Feature/Geometry.h"
#include "Feature/Style.h"

namespace qel {

class SceneImpl;

/// What the point, line and area editors' implementations share on the main thread:
/// the scene they are bound to, the geometry and style they follow through their
/// definition-changed listeners, the style rule, and the height-reference adjustment of
/// an edited position. An editor's implementation derives from it beside
/// `GUIEventHandler` and `PrimitiveBase`, and says through the hooks below what its kind
/// of style is and what following a change means for it.
///
/// The implementation must be owned by a `std::shared_ptr` (the tool facade makes it so):
/// the work posted by the listeners keeps it alive until it has run.
class EditorFrame : public std::enable_shared_from_this<EditorFrame> {
 public:
  virtual ~EditorFrame();
  EditorFrame(const EditorFrame&) = delete;
  EditorFrame& operator=(const EditorFrame&) = delete;

  /// The style rule. A null style, or one not of this editor's kind, is refused with the
  /// editor's message at level 4 and changes nothing. Otherwise the editor follows
  /// `style` itself (shared with the caller, not copied) from now on, and reacts to it
  /// at once as to a change.
  void setStyle(std::shared_ptr<Feature::Style> style);
  const std::shared_ptr<Feature::Style>& getStyle() const noexcept { return style; }

  /// Follows `geometry` (null: none). A new geometry is read at once, then again after
  /// every change that the editor did not make itself.
  void setGeometry(std::shared_ptr<Feature::Geometry> geometry);
  const std::shared_ptr<Feature::Geometry>& getGeometry() const noexcept { return geometry; }

  /// `position` with its height read through the cached height reference: unchanged for
  /// `None` or where the scene has no surface height; the surface height (clamping
  /// references) or the surface height plus `position.height` (relative references)
  /// otherwise. Longitude and latitude are never changed. Needs a bound scene; unbound,
  /// `position` comes back unchanged.
  Cartographic adjustHeight(const Cartographic& position);

  /// Announces that the editor itself is about to write the geometry: the change
  /// notification that follows is not taken for an outside edit. Call right before each
  /// write.
  void markSelfChange() noexcept { selfChange.store(true); }

  bool isHeightQueryActive() const noexcept { return heightQueryActive; }
  HeightReference getHeightReference() const noexcept { return heightReference; }

 protected:
  /// `defaultStyle`: the editor's own new style holding its defaults.
  explicit EditorFrame(std::shared_ptr<Feature::Style> defaultStyle);

  /// Whether `style` is of this editor's kind (a point style for the point editor...).
  virtual bool isStyleOfKind(const Feature::Style& style) const = 0;
  /// Where and with which text a refused style is logged.
  virtual SourceLocation styleRefusedAt() const = 0;
  virtual const char* styleRefusedMessage() const = 0;
  /// Re-reads the edited position after an outside change of `changed` (main thread;
  /// `changed` is still the followed geometry or was, and is alive).
  virtual void refreshFromGeometry(Feature::Geometry& changed) = 0;
  /// The style's height reference has become `heightReference`: re-adjust the edited
  /// position (main thread).
  virtual void heightReferenceChanged() = 0;

  /// The bound viewer's scene, set and cleared by binding (not owning).
  SceneImpl* scene = nullptr;
  std::shared_ptr<Feature::Style> style;
  std::weak_ptr<FunctionWrapper> styleListener;
  std::shared_ptr<Feature::Geometry> geometry;
  std::weak_ptr<FunctionWrapper> geometryListener;
  // Tested and cleared by the change listeners on whichever thread changed the geometry.
  std::atomic<bool> selfChange{false};
  bool heightQueryActive = false;
  HeightReference heightReference = HeightReference::None;
  bool geometryDirty = false;

 private:
  void geometryChanged(const std::shared_ptr<Feature::Geometry>& changed);
  void styleChanged(const std::shared_ptr<Feature::Style>& changed);
};

}  // namespace qel
