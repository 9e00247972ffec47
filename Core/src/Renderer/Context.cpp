#include "Renderer/Context.h"

#include <cmath>

namespace qel {

void Context::setDpiScale(float scale) noexcept {
  if (std::isfinite(scale) && scale > 0.0f) dpiScale_ = scale;
}

void Context::setDrawingBufferSize(int width, int height) noexcept {
  // A negative size is meaningless; an empty buffer (a minimised window) is kept.
  if (width < 0 || height < 0) return;
  width_ = width;
  height_ = height;
}

}  // namespace qel
