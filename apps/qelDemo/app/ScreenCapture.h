#pragma once

#include <osg/Camera>
#include <osg/Image>
#include <osg/ref_ptr>

namespace qel::demo {

/// Reads the finished frame back (the window's colour buffer, heads-up display
/// included) when armed; installed as the main camera's final draw callback.
class ScreenCapture : public osg::Camera::DrawCallback {
 public:
  void arm() {
    armed_ = true;
    image_ = nullptr;
  }
  /// The image read by the last armed draw, or null.
  osg::ref_ptr<osg::Image> take() { return std::move(image_); }

  void operator()(osg::RenderInfo& renderInfo) const override;

 private:
  mutable bool armed_ = false;
  mutable osg::ref_ptr<osg::Image> image_;
};

}  // namespace qel::demo
