// The globe and its ray pick.
//
// A pick looks for the first t ≥ 0 at which g(t) = H(p(t)) − T(n(p(t))) changes sign,
// where p(t) is the ray's point, H its geodetic height, n the ellipsoid normal through
// it and T the terrain height there. It works in three stages:
//
//  1. Bracket: the terrain lies between two shells, the ellipsoid inflated by the
//     terrain's maximum height and the one deflated to its minimum. The search starts
//     where the ray enters the outer shell (or at the origin when it is inside) and ends
//     where it leaves it, or where it enters the inner shell, below all terrain.
//  2. March: from each sample the next one is placed as far as the terrain's derivative
//     bounds allow without possibly passing a crossing. With g, a lower bound g′ of its
//     slope and a bound K on its curvature, g(t + Δ) ≥ g + g′Δ − KΔ²/2 stays positive up
//     to the root of that parabola. Looking down this is a Newton step (a handful of
//     samples from orbit); skimming over the ground it still advances by kilometres.
//  3. Refine: once a sample lies on the other side, the crossing is bracketed and a
//     regula falsi (Illinois) narrows it to kRefineTolerance along the ray.
//
// Terrains that do not know their derivatives are marched with cautious steps of a
// fixed fraction of the clearance instead. Where such a terrain bounds its slope near
// the sample (the continents' relief inland, the open sea), a march from above takes the
// longer of that step and the provably safe one: the geodetic height is convex along the
// ray, so g(t + Δ) ≥ g + (H′ − S)Δ with S the terrain's bounded rise rate, for as long as
// the ray stays where the bound holds.
#include "Scene/GlobeImpl.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "Common/GeodeticFoot.h"
#include "Common/IntersectionTests.h"

namespace qel {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Width along the ray to which a bracketed crossing is narrowed: the reported point is
// within this distance of the true surface point (half a millimetre).
constexpr double kRefineTolerance = 5.0e-4;
// Smallest march step: also the overshoot that turns a Newton-like approach, which
// lands just short of the surface, into a bracket.
constexpr double kMinStep = kRefineTolerance;
// Cap on regula falsi iterations; Illinois needs about ten for a kilometre bracket.
constexpr int kMaxRefineIterations = 100;
// Cap on march samples. Terrains with known derivatives need tens at most; the cap only
// bounds the work for pathological custom height functions and grazing rays over them.
constexpr int kMaxMarchSteps = 20000;

// The shells bracketing the terrain are the ellipsoid with every radius moved by the
// terrain's extreme height plus this padding. A surface of constant geodetic height h
// is not exactly an ellipsoid: it departs from the one with radii + h by less than
// h × e² (e² ≈ 0.0067 for WGS84); the relative term covers that, the absolute one
// rounding.
constexpr double kShellPadding = 1.0;
constexpr double kShellPaddingRatio = 0.01;

// Terrains without derivative bounds are stepped by the clearance over this factor: safe
// for slopes up to √3 (60°), steeper than any terrain the host is meant to carry.
constexpr double kFallbackLipschitz = 2.0;
// ...and never by less than this fraction of the distance along the ray (1 cm per km),
// which at any usable window resolution is far below a pixel.
constexpr double kFallbackRelativeStep = 1.0e-5;

// The terrain's rise rate along the ray is estimated with the distance from the Earth's
// centre as the radius at which the normal turns; the true radii of curvature of WGS84
// differ from it by under 1 %. The slope bound widens the estimate by twice that.
constexpr double kCurvatureRadiusSpread = 0.02;
// The curvature bound multiplies the terrain's derivative bounds by this safety factor
// (covering the turning rate of the normal not being exactly 1 / radius), evaluated at
// the smallest radius of curvature of the ellipsoid less kDeepMargin: marches dip below
// the surface by at most the terrain's depth range plus a margin.
constexpr double kCurvatureSafety = 1.5;
constexpr double kDeepMargin = 10000.0;

Ellipsoid shiftedEllipsoid(const Ellipsoid& base, double offset) noexcept {
  const Vector3<double>& r = base.getRadii();
  return Ellipsoid(r.x + offset, r.y + offset, r.z + offset);
}

/// One evaluation of the clearance along the ray.
struct Sample {
  double t = 0.0;
  double g = 0.0;           // geodetic height − terrain height (metres)
  double rate = 0.0;        // estimate of dg/dt
  double rateSpread = 0.0;  // bound of the estimate's error
  // Without global derivative bounds, what the terrain knows near the sample: its slope
  // bound (metres per radian of arc; infinite when unknown) and how far it holds
  // (radians of arc); where it also knows its curvature, the rate estimate as above
  // (localRate, localSpread) and the bound of the clearance's curvature along the ray.
  double terrainSlope = kInfinity;
  double slopeReach = 0.0;
  double localRate = 0.0;
  double localSpread = kInfinity;
  double localCurvature = kInfinity;
};

class TerrainMarch {
 public:
  TerrainMarch(const Ellipsoid& ellipsoid, const Terrain& terrain, const Ray& ray)
      : ellipsoid_(ellipsoid), terrain_(terrain), origin_(ray.origin), direction_(ray.direction) {
    const double gradientBound = terrain.maximumGradient();
    const double secondBound = terrain.maximumSecondDerivative();
    derivativesKnown_ = std::isfinite(gradientBound) && std::isfinite(secondBound);
    // The smallest radius of curvature of the surface: b²/a, along the meridian at the
    // equator, where the normal turns fastest.
    const double minCurvatureRadius =
        ellipsoid.getMinimumRadius() * ellipsoid.getMinimumRadius() / ellipsoid.getMaximumRadius();
    const double radius =
        std::max(minCurvatureRadius + std::min(terrain.minimumHeight(), 0.0) - kDeepMargin, 0.5 * minCurvatureRadius);
    // Above the terrain the normal under a point turns by at most 1 / radius per metre.
    normalTurnRadius_ = radius;
    if (derivativesKnown_) {
      // d²T/dt² ≤ (T″ + 2 T′) / ρ²: the second derivative along the turning normal plus
      // the normal's own acceleration.
      terrainCurvature_ = kCurvatureSafety * (secondBound + 2.0 * gradientBound) / (radius * radius);
      // The geodetic height is convex along any line, so a march from above only meets
      // the terrain's curvature; from below it also meets the height's, at most 1 / ρ.
      heightCurvature_ = 1.0 / radius;
    }
  }

  std::optional<double> run() {
    const double maxHeight = terrain_.maximumHeight();
    const double minHeight = terrain_.minimumHeight();
    const Ray ray{origin_, direction_};
    const std::optional<Interval> outer = IntersectionTests::intersects(
        ray, shiftedEllipsoid(ellipsoid_, maxHeight + kShellPadding + kShellPaddingRatio * std::abs(maxHeight)));
    if (!outer) return std::nullopt;
    const double tStart = std::max(0.0, outer->start);
    double tEnd = outer->stop;

    Sample current;
    if (!evaluate(tStart, current)) return std::nullopt;
    if (current.g == 0.0) return current.t;
    const double side = current.g > 0.0 ? 1.0 : -1.0;
    if (side > 0.0) {
      // From above, the ray is certainly under the terrain once it enters the inner
      // shell: the crossing lies before that.
      const double innerOffset = minHeight - kShellPadding - kShellPaddingRatio * std::abs(minHeight);
      const Ellipsoid inner = shiftedEllipsoid(ellipsoid_, innerOffset);
      if (inner.isValid()) {
        const std::optional<Interval> hit = IntersectionTests::intersects(ray, inner);
        if (hit && hit->start > tStart) tEnd = std::min(tEnd, hit->start);
      }
    }
    const double curvature = side > 0.0 ? terrainCurvature_ : terrainCurvature_ + heightCurvature_;

    for (int step = 0; step < kMaxMarchSteps; ++step) {
      double next = current.t + std::max(safeStep(current, side, curvature), minStep(current.t));
      const bool last = !(next < tEnd);
      if (last) next = tEnd;
      Sample sample;
      if (!evaluate(next, sample)) return std::nullopt;
      if (side * sample.g <= 0.0) return refine(current, sample, side);
      if (last) return std::nullopt;
      current = sample;
    }
    return std::nullopt;
  }

 private:
  bool evaluate(double t, Sample& sample) const noexcept {
    const Vector3<double> p = origin_ + direction_ * t;
    // Same solve as the ellipsoid's own conversions, so that the heights of the reported
    // points agree with cartesianToCartographic.
    const std::optional<GeodeticFoot> foot = ellipsoid_.geodeticFoot(p);
    if (!foot) return false;
    const GeodeticFoot& geodetic = *foot;
    double terrainHeight = 0.0;
    Vector3<double> gradient;
    sample.t = t;
    const double heightRate = direction_.dot(geodetic.normal);
    if (derivativesKnown_ && terrain_.heightAndGradientAtNormal(geodetic.normal, terrainHeight, gradient)) {
      const Vector3<double> tangent = direction_ - geodetic.normal * heightRate;
      const double radius = p.length();
      sample.rate = heightRate - gradient.dot(tangent) / radius;
      sample.rateSpread = gradient.length() * tangent.length() * kCurvatureRadiusSpread / radius;
    } else {
      Terrain::LocalShape shape;
      if (terrain_.heightAndShapeNearNormal(geodetic.normal, terrainHeight, shape)) {
        sample.terrainSlope = shape.slope;
        sample.slopeReach = shape.reach;
        if (std::isfinite(shape.curvature)) {
          const Vector3<double> tangent = direction_ - geodetic.normal * heightRate;
          const double radius = p.length();
          sample.localRate = heightRate - shape.gradient.dot(tangent) / radius;
          sample.localSpread = shape.gradient.length() * tangent.length() * kCurvatureRadiusSpread / radius;
          sample.localCurvature =
              kCurvatureSafety * (shape.curvature + 2.0 * shape.slope) / (normalTurnRadius_ * normalTurnRadius_);
        }
      }
      sample.rate = heightRate;
      sample.rateSpread = kInfinity;
    }
    sample.g = geodetic.height - terrainHeight;
    return std::isfinite(sample.g);
  }

  // Largest step from `s` over which the clearance (times `side`) provably stays positive.
  double safeStep(const Sample& s, double side, double curvature) const noexcept {
    const double clearance = side * s.g;
    if (!std::isfinite(s.rateSpread)) {
      const double cautious = clearance / kFallbackLipschitz;
      return side > 0.0 && std::isfinite(s.terrainSlope) ? std::max(cautious, slopeBoundedStep(s)) : cautious;
    }
    const double slope = side * s.rate - s.rateSpread;  // lower bound of d(clearance)/dt
    if (curvature <= 0.0) return slope >= 0.0 ? kInfinity : clearance / -slope;
    const double root = std::sqrt(slope * slope + 2.0 * curvature * clearance);
    // Root of clearance + slope Δ − curvature Δ²/2, in the form that does not cancel.
    return slope < 0.0 ? 2.0 * clearance / (root - slope) : (slope + root) / curvature;
  }

  // Largest step from `s` (above the terrain, with a local slope bound) over which the
  // clearance provably stays positive. Along the step the normal turns by at most
  // Δ / normalTurnRadius_, which keeps it within the bound's reach and the ray's angle
  // to the horizontal within that of the sample's.
  double slopeBoundedStep(const Sample& s) const noexcept {
    const double reachLength = s.slopeReach * normalTurnRadius_;
    const double tangent = std::min(1.0, std::sqrt(std::max(0.0, 1.0 - s.rate * s.rate)) + s.slopeReach);
    const double slope = s.rate - s.terrainSlope * tangent / normalTurnRadius_;  // lower bound of dg/dt
    double step = slope >= 0.0 ? reachLength : s.g / -slope;
    if (std::isfinite(s.localSpread)) {
      // As with global derivative bounds: the root of the clearance's lower parabola.
      Sample local = s;
      local.rate = s.localRate;
      local.rateSpread = s.localSpread;
      step = std::max(step, safeStep(local, 1.0, s.localCurvature));
    }
    return std::min(reachLength, step);
  }

  double minStep(double t) const noexcept {
    return derivativesKnown_ ? kMinStep : std::max(kMinStep, t * kFallbackRelativeStep);
  }

  // Illinois regula falsi on a bracket whose ends lie on opposite sides of the surface.
  std::optional<double> refine(Sample above, Sample below, double side) const {
    double fa = side * above.g;  // > 0
    double fb = side * below.g;  // ≤ 0
    double a = above.t;
    double b = below.t;
    int retained = 0;  // which end kept its place in the last two steps: +1 a, −1 b
    for (int i = 0; i < kMaxRefineIterations && b - a > kRefineTolerance; ++i) {
      double t = b - fb * (b - a) / (fb - fa);
      if (!(t > a && t < b)) t = 0.5 * (a + b);
      Sample s;
      if (!evaluate(t, s)) return std::nullopt;
      const double f = side * s.g;
      if (f > 0.0) {
        a = t;
        fa = f;
        if (retained == -1) fb *= 0.5;  // b stuck twice: halve its weight (Illinois)
        retained = -1;
      } else {
        if (f == 0.0) return t;
        b = t;
        fb = f;
        if (retained == 1) fa *= 0.5;
        retained = 1;
      }
    }
    const double denominator = fb - fa;
    const double t = denominator != 0.0 ? b - fb * (b - a) / denominator : 0.5 * (a + b);
    return std::clamp(t, a, b);
  }

  const Ellipsoid& ellipsoid_;
  const Terrain& terrain_;
  Vector3<double> origin_;
  Vector3<double> direction_;
  bool derivativesKnown_ = false;
  double normalTurnRadius_ = 0.0;
  double terrainCurvature_ = 0.0;
  double heightCurvature_ = 0.0;
};

}  // namespace

GlobeImpl::GlobeImpl() : terrain_(Terrain::createProcedural()) {}

std::optional<double> GlobeImpl::getHeight(const Cartographic& position) const {
  if (!std::isfinite(position.longitude) || !std::isfinite(position.latitude)) return std::nullopt;
  const double height = terrain_->heightAt(position.longitude, position.latitude);
  if (!std::isfinite(height)) return std::nullopt;
  return height;
}

std::optional<Vector3<double>> GlobeImpl::pick(const Ray& ray, const SceneImpl&) const {
  ++pickCount_;
  if (!ray.origin.isFinite() || !ray.direction.isFinite()) return std::nullopt;
  const double length = ray.direction.length();
  if (!(length > 0.0) || !std::isfinite(length)) return std::nullopt;
  const Ray unit{ray.origin, ray.direction / length};
  TerrainMarch march(getEllipsoid(), *terrain_, unit);
  const std::optional<double> t = march.run();
  if (!t) return std::nullopt;
  return unit.getPoint(*t);
}

void GlobeImpl::setTerrain(std::shared_ptr<const Terrain> terrain) {
  if (terrain) terrain_ = std::move(terrain);
}

}  // namespace qel
