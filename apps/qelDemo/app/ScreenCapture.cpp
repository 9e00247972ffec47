#include "ScreenCapture.h"

#include <osg/RenderInfo>
#include <osg/Viewport>

namespace qel::demo {

void ScreenCapture::operator()(osg::RenderInfo& renderInfo) const {
  if (!armed_) return;
  armed_ = false;
  const osg::Camera* camera = renderInfo.getCurrentCamera();
  const osg::Viewport* viewport = camera ? camera->getViewport() : nullptr;
  if (viewport == nullptr) return;
  osg::ref_ptr<osg::Image> image = new osg::Image;
  image->readPixels(static_cast<int>(viewport->x()), static_cast<int>(viewport->y()),
                    static_cast<int>(viewport->width()), static_cast<int>(viewport->height()), GL_RGB,
                    GL_UNSIGNED_BYTE);
  image_ = image;
}

}  // namespace qel::demo
