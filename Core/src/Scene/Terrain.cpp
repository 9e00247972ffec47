// Terrains of the host globe.
//
// The default terrain puts a procedural relief on the real continents: a land mask made
// from public-domain coastlines (LandMask, Resource/Terrain/land-mask.bin next to
// qelCommon) says where land is, and the relief rises from a low coastal plain at the
// shore to full height some tens of kilometres inland:
//
//   height H(n) = s(f) · (kLowlandHeight + r(F) · R(n)),  s, r = smoothstep((x − ½) / ½)
//
// with f the mask's smooth land field (½ on the coastline, 1 a cell inland), F the same
// over blocks of cells and R the relief terms below. Where f ≤ ½ the height is exactly 0:
// the sea is flat, and the picture, the relief and the picks share one coastline. Without
// the mask file the continents come from the wave field below instead.
//
// The procedural relief is a function of the unit surface normal n, built from plane
// waves sin(k·n + φ) of the 3D direction. Such waves are smooth everywhere on the sphere
// (no seam at the antimeridian, nothing special at the poles) and give the analytic
// gradient and derivative bounds that let ray picks take long, provably safe steps.
//
//   continent field C(n) = Σ a_j sin(k_j·n + φ_j)        (wavelengths 3 000–20 000 km)
//   land mask       s(n) = smoothstep((C − kSeaLevel) / kCoastWidth)
//   relief          M(n) = kLowlandHeight + Σ A_i u_i v_i, u, v = ½ + ½ sin(·)
//   height          T(n) = s · M
//
// Where C is below kSeaLevel the mask is exactly 0, so the sea is flat at height 0; the
// mask rises over a coastal strip of a few hundred kilometres, so the coast is
// continuous with a continuous slope. Each relief term is the product of two crossing
// waves: isolated peaks and basins rather than the parallel stripes of single waves.
#include "Scene/Terrain.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "Common/Log.h"
#include "Common/Math.h"
#include "Common/ModulePath.h"
#include "Scene/LandMask.h"

namespace qel {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct ContinentTerm {
  Vector3<double> direction;
  double magnitude;  // radians of phase per radian of arc
  double amplitude;  // dimensionless
  double phase;      // radians
};

struct ReliefTerm {
  Vector3<double> directionA;
  double magnitudeA;
  double phaseA;
  Vector3<double> directionB;
  double magnitudeB;
  double phaseB;
  double amplitude;  // metres: the term's value when both waves peak
};

// Continents: five waves from about 20 000 km (magnitude 2) down to 3 000 km wavelength
// (magnitude 13), the shorter ones weaker, for a few large land masses with ragged
// coasts. Directions are arbitrary non-aligned vectors so no wave lines up with the
// axes or the other waves.
const std::array<ContinentTerm, 5> kContinentTerms{{
    {{0.31, -0.52, 0.80}, 1.9, 1.00, 0.4},
    {{-0.72, 0.18, 0.67}, 3.3, 0.65, 1.7},
    {{0.55, 0.74, -0.38}, 5.2, 0.40, 2.9},
    {{-0.23, -0.88, -0.41}, 8.6, 0.22, 4.1},
    {{0.90, -0.10, 0.42}, 13.0, 0.12, 0.9},
}};

// Relief: wavelengths from about 1 100 km (magnitude 35) to 19 km (magnitude 2 100) with
// amplitudes falling with the wavelength: broad highlands carrying ranges, ranges
// carrying peaks. The amplitudes add up to kReliefSum.
const std::array<ReliefTerm, 5> kReliefTerms{{
    {{0.12, 0.95, 0.29}, 35.0, 0.3, {-0.61, 0.14, 0.78}, 41.0, 2.2, 1500.0},
    {{-0.83, 0.35, -0.44}, 80.0, 1.1, {0.27, 0.58, -0.77}, 93.0, 5.0, 1100.0},
    {{0.47, -0.31, -0.83}, 190.0, 2.6, {0.71, 0.69, 0.11}, 170.0, 0.7, 800.0},
    {{0.66, 0.62, 0.42}, 420.0, 3.9, {-0.35, 0.48, 0.81}, 470.0, 1.9, 500.0},
    {{-0.38, -0.57, 0.73}, 950.0, 4.4, {0.05, -0.99, 0.12}, 2100.0, 3.3, 300.0},
}};

// Height of the land just inside the coastal strip before any relief: low coastal
// plains rather than cliffs straight out of the sea.
constexpr double kLowlandHeight = 150.0;
constexpr double kReliefSum = 1500.0 + 1100.0 + 800.0 + 500.0 + 300.0;
// The continent field value of the coastline. With the waves above it puts about 40 %
// of the globe's area under the sea (measured over a uniform sample of the sphere).
constexpr double kSeaLevel = -0.12;
// Rise of the continent field over which the land mask goes from 0 to 1: a coastal
// strip some 200–400 km wide where the land climbs out of the sea.
constexpr double kCoastWidth = 0.25;

// Bounds of the smoothstep s(x) = 3x² − 2x³ on [0, 1]: |s'| ≤ 1.5, |s''| ≤ 6.
constexpr double kSmoothstepSlope = 1.5;
constexpr double kSmoothstepCurvature = 6.0;

struct SinCos {
  double s;
  double c;
};

inline SinCos sinCos(double x) noexcept { return {std::sin(x), std::cos(x)}; }

Vector3<double> tangentPart(const Vector3<double>& v, const Vector3<double>& n) noexcept { return v - n * v.dot(n); }

class ProceduralTerrain final : public Terrain {
 public:
  ProceduralTerrain() {
    for (std::size_t i = 0; i < kContinentTerms.size(); ++i) {
      const ContinentTerm& t = kContinentTerms[i];
      continentK_[i] = t.direction.normalized() * t.magnitude;
    }
    for (std::size_t i = 0; i < kReliefTerms.size(); ++i) {
      const ReliefTerm& t = kReliefTerms[i];
      reliefKA_[i] = t.directionA.normalized() * t.magnitudeA;
      reliefKB_[i] = t.directionB.normalized() * t.magnitudeB;
    }
    computeDerivativeBounds();
  }

  double heightAt(double longitude, double latitude) const noexcept override {
    const double cosLat = std::cos(latitude);
    return heightAtNormal({cosLat * std::cos(longitude), cosLat * std::sin(longitude), std::sin(latitude)});
  }
  double minimumHeight() const noexcept override { return 0.0; }
  double maximumHeight() const noexcept override { return kLowlandHeight + kReliefSum; }

  double heightAtNormal(const Vector3<double>& n) const noexcept override {
    const double mask = landMask(continent(n));
    if (mask <= 0.0) return 0.0;
    double relief = kLowlandHeight;
    for (std::size_t i = 0; i < kReliefTerms.size(); ++i) {
      const double u = 0.5 + 0.5 * std::sin(reliefKA_[i].dot(n) + kReliefTerms[i].phaseA);
      const double v = 0.5 + 0.5 * std::sin(reliefKB_[i].dot(n) + kReliefTerms[i].phaseB);
      relief += kReliefTerms[i].amplitude * u * v;
    }
    return mask * relief;
  }

  bool heightAndGradientAtNormal(const Vector3<double>& n, double& height,
                                 Vector3<double>& gradient) const noexcept override {
    double c = 0.0;
    Vector3<double> dc;
    for (std::size_t i = 0; i < kContinentTerms.size(); ++i) {
      const SinCos w = sinCos(continentK_[i].dot(n) + kContinentTerms[i].phase);
      c += kContinentTerms[i].amplitude * w.s;
      dc += continentK_[i] * (kContinentTerms[i].amplitude * w.c);
    }
    const double x = (c - kSeaLevel) / kCoastWidth;
    if (x <= 0.0) {
      // Open sea: flat at 0, and the relief need not be evaluated at all.
      height = 0.0;
      gradient = Vector3<double>();
      return true;
    }
    double mask = 1.0;
    double maskSlope = 0.0;
    if (x < 1.0) {
      mask = x * x * (3.0 - 2.0 * x);
      maskSlope = 6.0 * x * (1.0 - x) / kCoastWidth;
    }
    double relief = kLowlandHeight;
    Vector3<double> dRelief;
    for (std::size_t i = 0; i < kReliefTerms.size(); ++i) {
      const ReliefTerm& t = kReliefTerms[i];
      const SinCos a = sinCos(reliefKA_[i].dot(n) + t.phaseA);
      const SinCos b = sinCos(reliefKB_[i].dot(n) + t.phaseB);
      const double u = 0.5 + 0.5 * a.s;
      const double v = 0.5 + 0.5 * b.s;
      relief += t.amplitude * u * v;
      dRelief += reliefKA_[i] * (t.amplitude * 0.5 * a.c * v) + reliefKB_[i] * (t.amplitude * 0.5 * b.c * u);
    }
    height = mask * relief;
    gradient = tangentPart(dc * (maskSlope * relief) + dRelief * mask, n);
    return true;
  }

  double maximumGradient() const noexcept override { return maxGradient_; }
  double maximumSecondDerivative() const noexcept override { return maxSecondDerivative_; }

 private:
  double continent(const Vector3<double>& n) const noexcept {
    double c = 0.0;
    for (std::size_t i = 0; i < kContinentTerms.size(); ++i) {
      c += kContinentTerms[i].amplitude * std::sin(continentK_[i].dot(n) + kContinentTerms[i].phase);
    }
    return c;
  }

  static double landMask(double c) noexcept {
    const double x = (c - kSeaLevel) / kCoastWidth;
    if (x <= 0.0) return 0.0;
    if (x >= 1.0) return 1.0;
    return x * x * (3.0 - 2.0 * x);
  }

  // Worst-case bounds of the 3D gradient and Hessian of T, term by term, then turned into
  // bounds along great circles: there the second derivative is uᵀ∇²T u − n·∇T.
  void computeDerivativeBounds() noexcept {
    double gradC = 0.0;
    double hessC = 0.0;
    for (const ContinentTerm& t : kContinentTerms) {
      gradC += t.amplitude * t.magnitude;
      hessC += t.amplitude * t.magnitude * t.magnitude;
    }
    double gradM = 0.0;
    double hessM = 0.0;
    for (const ReliefTerm& t : kReliefTerms) {
      // A·u·v with |∇u| ≤ |a|/2, |∇²u| ≤ |a|²/2 and u, v in [0, 1].
      gradM += 0.5 * t.amplitude * (t.magnitudeA + t.magnitudeB);
      hessM +=
          0.5 * t.amplitude * (t.magnitudeA * t.magnitudeA + t.magnitudeA * t.magnitudeB + t.magnitudeB * t.magnitudeB);
    }
    const double reliefMax = kLowlandHeight + kReliefSum;
    const double maskSlope = kSmoothstepSlope / kCoastWidth;
    const double maskCurvature = kSmoothstepCurvature / (kCoastWidth * kCoastWidth);
    const double grad3 = maskSlope * gradC * reliefMax + gradM;
    const double hess3 = maskCurvature * gradC * gradC * reliefMax + 2.0 * maskSlope * gradC * gradM +
                         maskSlope * hessC * reliefMax + hessM;
    maxGradient_ = grad3;
    maxSecondDerivative_ = hess3 + grad3;
  }

  std::array<Vector3<double>, kContinentTerms.size()> continentK_{};
  std::array<Vector3<double>, kReliefTerms.size()> reliefKA_{};
  std::array<Vector3<double>, kReliefTerms.size()> reliefKB_{};
  double maxGradient_ = kInfinity;
  double maxSecondDerivative_ = kInfinity;
};

// Where the mask lives: travels with qelCommon like the other resources.
constexpr const char* kLandMaskFile = "Resource/Terrain/land-mask.bin";
// The mask's land field is ½ on the coastline; the shore rises over the next half.
constexpr double kCoastField = 0.5;

// Steepest rise of coastRamp per unit of field: the smoothstep's 1.5 over the half of
// the field the ramp spans.
constexpr double kCoastRampSlope = kSmoothstepSlope / (1.0 - kCoastField);

double coastRamp(double field) noexcept {
  const double x = (field - kCoastField) / (1.0 - kCoastField);
  if (x <= 0.0) return 0.0;
  if (x >= 1.0) return 1.0;
  return x * x * (3.0 - 2.0 * x);
}

// The relief of the real continents. Its derivatives are not bounded usefully (the mask's
// cells are a few kilometres and narrow further toward the poles), so ray picks step it
// by the clearance; its slopes stay under the 60° those steps allow.
class MaskedTerrain final : public Terrain {
 public:
  explicit MaskedTerrain(LandMask mask) : mask_(std::move(mask)) {
    for (std::size_t i = 0; i < kReliefTerms.size(); ++i) {
      reliefKA_[i] = kReliefTerms[i].directionA.normalized() * kReliefTerms[i].magnitudeA;
      reliefKB_[i] = kReliefTerms[i].directionB.normalized() * kReliefTerms[i].magnitudeB;
      // A·u·v with u, v in [0, 1] and |∇u| ≤ |a|/2 on the unit sphere.
      const ReliefTerm& t = kReliefTerms[i];
      reliefGradient_ += 0.5 * t.amplitude * (t.magnitudeA + t.magnitudeB);
      // |∇²(A·u·v)| ≤ A/2 (|a|² + |a||b| + |b|²) in 3D; along a great circle add the gradient.
      reliefCurvature_ +=
          0.5 * t.amplitude * (t.magnitudeA * t.magnitudeA + t.magnitudeA * t.magnitudeB + t.magnitudeB * t.magnitudeB);
    }
    reliefCurvature_ += reliefGradient_;
  }

  double heightAt(double longitude, double latitude) const noexcept override {
    const double cosLat = std::cos(latitude);
    return height({cosLat * std::cos(longitude), cosLat * std::sin(longitude), std::sin(latitude)}, longitude,
                  latitude);
  }
  double heightAtNormal(const Vector3<double>& n) const noexcept override {
    const double horizontal = std::hypot(n.x, n.y);
    const double longitude = horizontal > 0.0 ? std::atan2(n.y, n.x) : 0.0;
    return height(n, longitude, std::atan2(n.z, horizontal));
  }
  // The height H = s·(kLowlandHeight + i·R) with s, i the coast ramps of the mask's land
  // and interior fields and R the relief: |∇H| ≤ |∇s|·max(kLowlandHeight + i·R) +
  // |∇i|·max R + max i·|∇R|, each factor bounded over the mask's neighbourhood. Well
  // inland, where s and i are 1 all around, H is kLowlandHeight + R: its gradient and
  // curvature are the relief's own. Over open sea H is 0.
  bool heightAndShapeNearNormal(const Vector3<double>& n, double& h, LocalShape& shape) const noexcept override {
    const double horizontal = std::hypot(n.x, n.y);
    const double longitude = horizontal > 0.0 ? std::atan2(n.y, n.x) : 0.0;
    const double latitude = std::atan2(n.z, horizontal);
    h = height(n, longitude, latitude);
    const std::optional<LandMask::FieldBounds> b = mask_.fieldBoundsNear(longitude, latitude);
    if (!b) return false;
    shape.reach = b->reach;
    if (b->landMaximum <= 0.0) {
      shape.slope = 0.0;
      shape.curvature = 0.0;
      shape.gradient = Vector3<double>();
      return true;
    }
    const double inlandMaximum = coastRamp(b->interiorMaximum);
    shape.slope = kCoastRampSlope * b->landGradient * (kLowlandHeight + inlandMaximum * kReliefSum) +
                  kCoastRampSlope * b->interiorGradient * kReliefSum + inlandMaximum * reliefGradient_;
    shape.curvature = kInfinity;
    if (b->landGradient == 0.0 && coastRamp(b->interiorMinimum) >= 1.0) {
      Vector3<double> gradient;
      for (std::size_t i = 0; i < kReliefTerms.size(); ++i) {
        const ReliefTerm& t = kReliefTerms[i];
        const SinCos a = sinCos(reliefKA_[i].dot(n) + t.phaseA);
        const SinCos c = sinCos(reliefKB_[i].dot(n) + t.phaseB);
        gradient += reliefKA_[i] * (t.amplitude * 0.5 * a.c * (0.5 + 0.5 * c.s)) +
                    reliefKB_[i] * (t.amplitude * 0.5 * c.c * (0.5 + 0.5 * a.s));
      }
      shape.gradient = tangentPart(gradient, n);
      shape.curvature = reliefCurvature_;
    }
    return true;
  }
  double minimumHeight() const noexcept override { return 0.0; }
  double maximumHeight() const noexcept override { return kLowlandHeight + kReliefSum; }

 private:
  double height(const Vector3<double>& n, double longitude, double latitude) const noexcept {
    const double shore = coastRamp(mask_.landFraction(longitude, latitude));
    if (shore <= 0.0) return 0.0;
    const double inland = coastRamp(mask_.interiorFraction(longitude, latitude));
    double h = kLowlandHeight;
    if (inland > 0.0) {
      double relief = 0.0;
      for (std::size_t i = 0; i < kReliefTerms.size(); ++i) {
        const double u = 0.5 + 0.5 * std::sin(reliefKA_[i].dot(n) + kReliefTerms[i].phaseA);
        const double v = 0.5 + 0.5 * std::sin(reliefKB_[i].dot(n) + kReliefTerms[i].phaseB);
        relief += kReliefTerms[i].amplitude * u * v;
      }
      h += inland * relief;
    }
    return shore * h;
  }

  LandMask mask_;
  std::array<Vector3<double>, kReliefTerms.size()> reliefKA_{};
  std::array<Vector3<double>, kReliefTerms.size()> reliefKB_{};
  double reliefGradient_ = 0.0;   // bound of |∇R| (metres per radian of arc)
  double reliefCurvature_ = 0.0;  // bound of R's second derivative along great circles (m/rad²)
};

class FlatTerrain final : public Terrain {
 public:
  explicit FlatTerrain(double height) : height_(height) {}
  double heightAt(double, double) const noexcept override { return height_; }
  double minimumHeight() const noexcept override { return height_; }
  double maximumHeight() const noexcept override { return height_; }
  double heightAtNormal(const Vector3<double>&) const noexcept override { return height_; }
  bool heightAndGradientAtNormal(const Vector3<double>&, double& height,
                                 Vector3<double>& gradient) const noexcept override {
    height = height_;
    gradient = Vector3<double>();
    return true;
  }
  double maximumGradient() const noexcept override { return 0.0; }
  double maximumSecondDerivative() const noexcept override { return 0.0; }

 private:
  double height_;
};

class FunctionTerrain final : public Terrain {
 public:
  FunctionTerrain(std::function<double(double, double)> function, double minHeight, double maxHeight)
      : function_(std::move(function)), min_(minHeight), max_(maxHeight) {}
  double heightAt(double longitude, double latitude) const noexcept override {
    double h = min_;
    try {
      h = function_(longitude, latitude);
    } catch (...) {
      // A throwing height function must not take a ray pick down with it.
      h = min_;
    }
    // Picks bracket hits with the declared bounds, so the heights are held to them.
    if (!std::isfinite(h)) return min_;
    return std::clamp(h, min_, max_);
  }
  double minimumHeight() const noexcept override { return min_; }
  double maximumHeight() const noexcept override { return max_; }

 private:
  std::function<double(double, double)> function_;
  double min_;
  double max_;
};

}  // namespace

double Terrain::heightAtNormal(const Vector3<double>& normal) const noexcept {
  const double horizontal = std::hypot(normal.x, normal.y);
  const double longitude = horizontal > 0.0 ? std::atan2(normal.y, normal.x) : 0.0;
  return heightAt(longitude, std::atan2(normal.z, horizontal));
}

bool Terrain::heightAndGradientAtNormal(const Vector3<double>& normal, double& height,
                                        Vector3<double>&) const noexcept {
  height = heightAtNormal(normal);
  return false;
}

bool Terrain::heightAndShapeNearNormal(const Vector3<double>& normal, double& height, LocalShape&) const noexcept {
  height = heightAtNormal(normal);
  return false;
}

double Terrain::maximumGradient() const noexcept { return kInfinity; }

double Terrain::maximumSecondDerivative() const noexcept { return kInfinity; }

std::shared_ptr<Terrain> Terrain::createProcedural() {
  // The terrain is immutable and its set-up reads a file: one instance serves all.
  static const std::shared_ptr<Terrain> instance = []() -> std::shared_ptr<Terrain> {
    const std::string path = normalizePath(getModulePath("qelCommon") + "/" + kLandMaskFile);
    if (std::optional<LandMask> mask = LandMask::load(path)) return std::make_shared<MaskedTerrain>(std::move(*mask));
    Log::getInstance().log(SourceLocation{"Core/src/Scene/Terrain.cpp", __LINE__, "qel::Terrain::createProcedural"},
                           Log::kInfo, "no land mask at " + path + ": the continents are procedural");
    return std::make_shared<ProceduralTerrain>();
  }();
  return instance;
}

std::shared_ptr<Terrain> Terrain::createFlat(double height) {
  return std::make_shared<FlatTerrain>(std::isfinite(height) ? height : 0.0);
}

std::shared_ptr<Terrain> Terrain::createFromFunction(std::function<double(double, double)> heightFunction,
                                                     double minHeight, double maxHeight) {
  if (!heightFunction || !std::isfinite(minHeight) || !std::isfinite(maxHeight)) return nullptr;
  if (minHeight > maxHeight) std::swap(minHeight, maxHeight);
  return std::make_shared<FunctionTerrain>(std::move(heightFunction), minHeight, maxHeight);
}

}  // namespace qel
