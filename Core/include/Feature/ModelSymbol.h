#pragma once

#include <string>

#include "Common/Angle.h"
#include "Common/Vector3.h"
#include "Feature/Symbol.h"

namespace qel::Feature {

/// A 3D model placed at a point feature's position, turned and scaled in the local
/// east-north-up frame there.
class ModelSymbol : public Symbol {
 public:
  ModelSymbol() = default;

  SymbolType getType() const noexcept override { return SymbolType::Model; }
  std::shared_ptr<Symbol> clone() const override;

  /// Path of the model file.
  const std::string& getUrl() const noexcept { return url_; }
  void setUrl(std::string url);
  /// Turns about the local x, y and z axes (radians, any finite value); a rotation with
  /// a non-finite angle is ignored. New symbols: (0, 0, 0).
  const Vector3<Radian>& getRotation() const noexcept { return rotation_; }
  void setRotation(const Vector3<Radian>& rotation);
  /// Factors along the local x, y and z axes (finite; 0 flattens the model); a scale
  /// with a non-finite factor is ignored. New symbols: (1, 1, 1).
  const Vector3<double>& getScale() const noexcept { return scale_; }
  void setScale(const Vector3<double>& scale);

 private:
  std::string url_;
  Vector3<Radian> rotation_;
  Vector3<double> scale_{1.0, 1.0, 1.0};
};

}  // namespace qel::Feature
