#pragma once

namespace qel {

/// The render context: drawing-buffer size and the DPI scale that multiplies every pixel
/// tolerance of the interaction code.
class Context {
 public:
  float getDpiScale() const noexcept { return dpiScale_; }
  /// Ignores values that are not finite and positive.
  void setDpiScale(float scale) noexcept;
  int getDrawingBufferWidth() const noexcept { return width_; }
  int getDrawingBufferHeight() const noexcept { return height_; }
  void setDrawingBufferSize(int width, int height) noexcept;

 private:
  float dpiScale_ = 1.0f;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace qel
