#pragma once

#include <memory>

#include "Scene/DrawItem.h"
#include "Scene/PickId.h"

namespace qel {

class CollectionElement;
class Entity;
class PrimitiveBase;
class Qel3DTileFeature;

/// What a pick found: a copy of what the drawn item said about itself when the frame
/// submitted it. The pointers stay valid while the primitive that drew the item lives.
class PickObject {
 public:
  explicit PickObject(const DrawItem& item)
      : kind_(item.kind),
        primitive_(item.primitive),
        element_(item.element),
        entity_(item.entity()),
        tileFeature_(item.tileFeature().lock()),
        id_(item.id) {}
  virtual ~PickObject() = default;

  DrawKind getKind() const noexcept { return kind_; }
  /// The primitive or collection that drew it.
  virtual const PrimitiveBase* getPrimitive() const noexcept { return primitive_; }
  /// The billboard, label, point or polyline of a collection; null for a `Primitive`.
  virtual CollectionElement* getElement() const noexcept { return element_; }
  /// The entity drawn for a feature; null for other items or once the entity is gone.
  virtual std::shared_ptr<Entity> getEntity() const { return entity_.lock(); }
  /// The 3D-tile feature of a tile's content; null for other items. The pick object
  /// keeps it alive.
  virtual Qel3DTileFeature* getTileFeature() const noexcept { return tileFeature_.get(); }
  /// The id the drawn thing carried.
  virtual const PickId& getId() const noexcept { return id_; }

 private:
  DrawKind kind_;
  const PrimitiveBase* primitive_;
  CollectionElement* element_;
  std::weak_ptr<Entity> entity_;
  std::shared_ptr<Qel3DTileFeature> tileFeature_;
  PickId id_;
};

}  // namespace qel
