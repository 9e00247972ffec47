#pragma once

#include <cstdint>

namespace qel {

/// What an entity draws as a whole, beyond the marks, lines and areas it submits: the
/// value of `getKind` tells which graphics it is. Only the models have graphics of
/// their own in this host.
class GeometryGraphics {
 public:
  /// The kinds of graphics; the numbers are the ones applications compare against.
  enum class Kind : std::uint32_t {
    Model = 7,  ///< a placed 3D model (`ModelGraphics`)
  };

  virtual ~GeometryGraphics() = default;
  virtual Kind getKind() const noexcept = 0;

 protected:
  GeometryGraphics() = default;
  GeometryGraphics(const GeometryGraphics&) = default;
  GeometryGraphics& operator=(const GeometryGraphics&) = default;
};

}  // namespace qel
