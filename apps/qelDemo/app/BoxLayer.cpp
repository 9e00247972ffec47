#include "BoxLayer.h"

#include <set>

#include <osg/Geode>
#include <osg/Material>
#include <osg/ShapeDrawable>

#include "Scene/BoxPrimitive.h"
#include "Scene/PrimitiveCollection.h"

namespace qel::demo {

namespace {

osg::Matrixd toOsg(const Matrix4& m) {
  // Both store column-major 4×4 doubles with the translation in the last 4 values.
  osg::Matrixd out;
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 4; ++row) out(col, row) = m(row, col);
  }
  return out;
}

osg::ref_ptr<osg::MatrixTransform> makeBox(const BoxPrimitive& box) {
  const Vector3<double>& half = box.getHalfExtents();
  osg::ref_ptr<osg::ShapeDrawable> shape =
      new osg::ShapeDrawable(new osg::Box(osg::Vec3(), static_cast<float>(2.0 * half.x),
                                          static_cast<float>(2.0 * half.y), static_cast<float>(2.0 * half.z)));
  const Color& c = box.getColor();
  shape->setColor(osg::Vec4(c.red, c.green, c.blue, c.alpha));
  osg::ref_ptr<osg::Geode> geode = new osg::Geode;
  geode->addDrawable(shape.get());
  osg::ref_ptr<osg::MatrixTransform> transform = new osg::MatrixTransform;
  transform->addChild(geode.get());
  return transform;
}

}  // namespace

BoxLayer::BoxLayer() : root_(new osg::Group) {
  osg::StateSet* state = root_->getOrCreateStateSet();
  state->setMode(GL_LIGHTING, osg::StateAttribute::ON);
  osg::ref_ptr<osg::Material> material = new osg::Material;
  material->setColorMode(osg::Material::AMBIENT_AND_DIFFUSE);
  state->setAttributeAndModes(material.get());
  state->setMode(GL_NORMALIZE, osg::StateAttribute::ON);
}

void BoxLayer::update(const PrimitiveCollection& primitives) {
  std::set<std::shared_ptr<PrimitiveBase>> present;
  for (const auto& primitive : primitives.all()) {
    const auto* box = dynamic_cast<const BoxPrimitive*>(primitive.get());
    if (box == nullptr) continue;
    present.insert(primitive);
    auto& node = nodes_[primitive];
    if (!node) {
      node = makeBox(*box);
      root_->addChild(node.get());
    }
    node->setMatrix(toOsg(box->getModelMatrix()));
    node->setNodeMask(box->isShow() ? ~0u : 0u);
  }
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (present.count(it->first) == 0) {
      root_->removeChild(it->second.get());
      it = nodes_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace qel::demo
