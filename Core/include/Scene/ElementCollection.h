#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "Common/Matrix4.h"
#include "Scene/PrimitiveBase.h"

namespace qel {

class SceneImpl;

/// What the billboard, label, point and polyline collections share: elements owned in
/// the order added, a model matrix taking their positions to the fixed frame, and an
/// update that submits every element to the frame's draw list (hidden ones as hidden).
template <typename Element>
class ElementCollection : public PrimitiveBase {
 public:
  /// `scene` may be null (the collection never reads it; tools pass theirs). With
  /// `depthTest` false the elements are drawn over the terrain. An empty `modelMatrix`
  /// is the identity.
  ElementCollection(SceneImpl* scene, bool depthTest, std::optional<Matrix4> modelMatrix)
      : scene_(scene), modelMatrix_(modelMatrix.value_or(Matrix4::identity())), identity_(modelMatrix_.isIdentity()) {
    setDepthTestEnabled(depthTest);
  }

  /// Adds an element at the end; the pointer stays valid until it is removed or the
  /// collection goes.
  Element* add(typename Element::ConstructorOptions options = {}) {
    elements_.push_back(std::make_unique<Element>(std::move(options)));
    return elements_.back().get();
  }
  /// False when `element` is not in this collection.
  bool remove(const Element* element) {
    const auto it = std::find_if(elements_.begin(), elements_.end(),
                                 [&](const std::unique_ptr<Element>& e) { return e.get() == element; });
    if (it == elements_.end()) return false;
    elements_.erase(it);
    return true;
  }
  void removeAll() noexcept { elements_.clear(); }
  /// Removes the elements from `count` on, keeping the first ones.
  void truncate(std::size_t count) noexcept {
    if (count < elements_.size()) elements_.resize(count);
  }
  std::size_t size() const noexcept { return elements_.size(); }
  /// Null past the end.
  Element* get(std::size_t index) const noexcept { return index < elements_.size() ? elements_[index].get() : nullptr; }

  const Matrix4& getModelMatrix() const noexcept { return modelMatrix_; }
  void setModelMatrix(const Matrix4& modelMatrix) noexcept {
    modelMatrix_ = modelMatrix;
    identity_ = modelMatrix_.isIdentity();
  }
  SceneImpl* getScene() const noexcept { return scene_; }

  /// Submits nothing while the model matrix has a NaN or infinite element: nothing is
  /// drawn or picked until a finite matrix is set.
  void update(FrameState& frameState) override {
    if (!modelMatrix_.isFinite()) return;
    for (const std::unique_ptr<Element>& element : elements_) submit(*element, frameState);
  }

 protected:
  /// Adds the element's draw item to `frameState.drawList`.
  virtual void submit(Element& element, FrameState& frameState) const = 0;
  /// `position` taken to the fixed frame by the model matrix. Most collections (every
  /// tool's handles) keep the identity, and a frame of a long line's handles would
  /// otherwise spend a matrix product per handle on copying it.
  Vector3<double> toFixedFrame(const Vector3<double>& position) const noexcept {
    return identity_ ? position : modelMatrix_.multiplyByPoint(position);
  }

 private:
  SceneImpl* scene_;
  Matrix4 modelMatrix_;
  bool identity_;
  std::vector<std::unique_ptr<Element>> elements_;
};

}  // namespace qel
