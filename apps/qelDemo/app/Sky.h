#pragma once

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Uniform>
#include <osg/ref_ptr>

namespace qel {
class Camera;
}

namespace qel::demo {

/// The sky behind the globe: black space, a thin blue rim of atmosphere around the Earth
/// seen from afar, and a gradient from a pale horizon to a deeper blue overhead when the
/// eye is low. Drawn first, over the whole window, from the host camera's view rays: each
/// pixel's colour grows with the air its ray crosses (an exponential atmosphere over a
/// sphere of the Earth's mean radius). It is drawn after the globe on the far plane, so
/// only the pixels the globe leaves empty are shaded.
class Sky {
 public:
  Sky();
  /// The window-filling quad that draws the sky.
  osg::Node* getNode() const noexcept { return node_.get(); }
  /// Takes the host camera's pose and frustum for this frame.
  void update(const Camera& camera);

 private:
  osg::ref_ptr<osg::Geode> node_;
  osg::ref_ptr<osg::Vec3Array> rays_;
  osg::ref_ptr<osg::Geometry> quad_;
  osg::ref_ptr<osg::Uniform> eye_;
};

}  // namespace qel::demo
