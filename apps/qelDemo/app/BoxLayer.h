#pragma once

#include <map>
#include <memory>

#include <osg/Group>
#include <osg/MatrixTransform>
#include <osg/ref_ptr>

namespace qel {
class PrimitiveCollection;
class PrimitiveBase;
}  // namespace qel

namespace qel::demo {

/// Draws the scene's boxes (BoxPrimitive): one solid box per primitive, placed by its
/// model matrix, in its colour; boxes added, removed, moved or hidden in the scene follow
/// on the next update.
class BoxLayer {
 public:
  BoxLayer();
  osg::Group* getNode() const noexcept { return root_.get(); }
  void update(const PrimitiveCollection& primitives);

 private:
  osg::ref_ptr<osg::Group> root_;
  // Keyed by the primitive itself (not its address, which a new box could reuse).
  std::map<std::shared_ptr<PrimitiveBase>, osg::ref_ptr<osg::MatrixTransform>> nodes_;
};

}  // namespace qel::demo
