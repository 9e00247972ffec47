// Models as boxes: the model file gives the box's half size and colour; the placement
// turns and scales it in the east-north-up frame at the feature's position.
#include "Data/ModelGraphics.h"

#include <cmath>
#include <fstream>

#include <nlohmann/json.hpp>

#include "Common/Ellipsoid.h"
#include "Common/ModulePath.h"
#include "Common/Transforms.h"

namespace qel {
namespace {

// An untextured model's grey.
constexpr Color kDefaultModelColor{0.75f, 0.75f, 0.75f, 1.0f};
// Numbers of a half size and of a colour in the model file.
constexpr std::size_t kHalfSizeNumbers = 3;
constexpr std::size_t kColorNumbers = 4;

// The finite, non-negative numbers of `value` when it is a list of `count` of them.
std::optional<std::vector<double>> numbers(const nlohmann::json& value, std::size_t count) {
  if (!value.is_array() || value.size() != count) return std::nullopt;
  std::vector<double> out;
  for (const nlohmann::json& n : value) {
    if (!n.is_number() || !std::isfinite(n.get<double>()) || n.get<double>() < 0.0) return std::nullopt;
    out.push_back(n.get<double>());
  }
  return out;
}

}  // namespace

ModelGraphics::ModelGraphics(std::string url) : url_(std::move(url)), color_(kDefaultModelColor) {
  Vector3<double> half = kDefaultHalfSize;
  std::ifstream in(normalizePath(url_));
  if (!url_.empty() && in) {
    const nlohmann::json description = nlohmann::json::parse(in, nullptr, false);
    if (description.is_object()) {
      if (const auto h = numbers(description.value("halfSize", nlohmann::json()), kHalfSizeNumbers)) {
        half = {(*h)[0], (*h)[1], (*h)[2]};
      }
      if (const auto c = numbers(description.value("color", nlohmann::json()), kColorNumbers)) {
        color_ = {static_cast<float>((*c)[0]), static_cast<float>((*c)[1]), static_cast<float>((*c)[2]),
                  static_cast<float>((*c)[3])};
      }
    }
  }
  box_ = AxisAlignedBoundingBox::fromCorners(-half, half);
}

Matrix4 ModelGraphics::computeModelMatrix(const Vector3<double>& position) const {
  const Matrix3 turn = Matrix3::fromEulerAnglesXYZ({-rotation_.x, -rotation_.y, -rotation_.z});
  return Transforms::eastNorthUpToFixedFrame(position, Ellipsoid::WGS84) *
         Matrix4::fromRotationTranslation(turn, Vector3<double>::zero()) * Matrix4::fromScale(scale_);
}

}  // namespace qel
