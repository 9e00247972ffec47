#include "GlobeMesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <queue>

#include <glm/mat4x4.hpp>
#include <osg/CullFace>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/LineWidth>
#include <osg/MatrixTransform>
#include <osg/BlendFunc>
#include <osg/PolygonOffset>
#include <osg/Program>
#include <osg/Shader>
#include <osg/Texture2D>
#include <osgDB/ReadFile>

#include "Common/Cartographic.h"
#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Renderer/Camera.h"
#include "Scene/Terrain.h"

namespace qel::demo {

namespace {

constexpr double kDeg = Math::RADIANS_PER_DEGREE;
const Ellipsoid& kEarth = Ellipsoid::WGS84;

// Eight 90° roots: four across longitude, two across latitude.
constexpr int kRootColumns = 4;
constexpr int kRootRows = 2;
constexpr double kRootTileDeg = 90.0;
// Grid cells along each side of a tile: enough to round the globe smoothly at the root
// levels (5.6° cells) and cheap to build (a few hundred terrain samples).
constexpr int kSegments = 16;
// Finest level: 90° / 2^15 is about 300 m, cells under 20 m, far below the terrain's
// shortest relief wavelength (about 19 km), so nothing finer is ever worth drawing.
constexpr int kMaxLevel = 15;
// A tile splits while its size over its distance from the eye exceeds this: its cells
// then stay a few tens of pixels wide on a typical window.
constexpr double kSplitRatio = 0.6;
// Built tiles kept for reuse: a few views' worth.
constexpr std::size_t kCacheLimit = 3000;
// Skirts hang below the tile edges to hide cracks between neighbours of different
// levels: a fraction of the tile size, at least a few tens of metres.
constexpr double kSkirtFraction = 0.02;
constexpr double kMinSkirt = 30.0;
// Graticule lines float slightly above the surface (a fraction of the tile size) so the
// depth test keeps them over the terrain they follow.
constexpr double kLineLiftFraction = 0.0005;
constexpr double kMinLineLift = 1.0;
constexpr int kLineSamples = 2 * kSegments;
// Graticule spacing (degrees) by the eye's height above the terrain (metres): 10° from
// far away, finer as the eye comes down (1° under 3 000 km, 0.1° under 400 km, 0.01°
// under 4 km). Far tiles that would carry too many lines at that spacing draw a coarser
// one (the lines there would only blur).
constexpr std::array<double, 4> kGraticuleSpacings{10.0, 1.0, 0.1, 0.01};
constexpr std::array<double, 3> kGraticuleHeights{3.0e6, 4.0e5, 4.0e3};
constexpr double kMaxLinesPerTile = 6.0;
// Bounding spheres of tiles get this much slack: they are built from a few samples.
constexpr double kBoundSlack = 1.05;
// The sun for hill shading, in the local east-north-up frame: from the north-west,
// about 40° high (the convention of shaded relief maps, so slopes read as lit and shaded).
const osg::Vec3d kSunEnu = osg::Vec3d(-0.5, 0.6, 0.62) / osg::Vec3d(-0.5, 0.6, 0.62).length();
// Slopes are steepened for the hill shade only (the geometry is true): by
// kMinShadeExaggeration with the eye up to kShadeReferenceHeight above the terrain, then
// growing as the square root of the height, up to the maximum. So a range reads from
// 1 000 km as well as from 10 km.
constexpr double kMinShadeExaggeration = 8.0;
constexpr double kMaxShadeExaggeration = 40.0;
constexpr double kShadeReferenceHeight = 10000.0;  // metres
// Lower and upper bound of the hill shade factor (1 = flat ground).
constexpr double kMinShade = 0.30;
constexpr double kMaxShade = 1.30;
// Over the imagery the shade darkens and lightens the picture: flat ground keeps this
// much of the image's brightness, so lit slopes can still brighten it.
constexpr double kImageryFlatShade = 0.80;

// Palette by height (metres) for land; sea is its own colour.
const osg::Vec4 kSea(0.08f, 0.24f, 0.52f, 1.0f);
const osg::Vec4 kSand(0.78f, 0.72f, 0.52f, 1.0f);
const osg::Vec4 kLowland(0.30f, 0.52f, 0.24f, 1.0f);
const osg::Vec4 kUpland(0.56f, 0.58f, 0.30f, 1.0f);
const osg::Vec4 kHighland(0.52f, 0.40f, 0.28f, 1.0f);
const osg::Vec4 kRock(0.58f, 0.56f, 0.54f, 1.0f);
const osg::Vec4 kSnow(0.95f, 0.95f, 0.98f, 1.0f);
const osg::Vec4 kCliff(0.42f, 0.37f, 0.33f, 1.0f);
constexpr double kBeachHeight = 25.0;
constexpr double kUplandHeight = 1200.0;
constexpr double kHighlandHeight = 2600.0;
constexpr double kRockHeight = 3700.0;
constexpr double kSnowHeight = 4150.0;
// Slopes (rise over run) from which the ground turns to bare cliff.
constexpr double kCliffSlopeStart = 0.08;
constexpr double kCliffSlopeFull = 0.30;

// Graticule lines are see-through, so they guide the eye without hiding the Earth.
const osg::Vec4 kMajorLine(0.92f, 0.92f, 0.86f, 0.45f);
const osg::Vec4 kMinorLine(0.70f, 0.78f, 0.88f, 0.30f);
const osg::Vec4 kZeroLine(1.0f, 0.82f, 0.30f, 0.65f);

// Over the imagery, the height palette tints only the high ground: highlands a little,
// rock and snow most (the image, some 20 km a pixel, shows no single mountain).
constexpr double kTintStartHeight = 300.0;
constexpr double kHighlandTint = 0.55;
constexpr double kSummitTint = 0.90;

// The terrain's shader: the image (or white) mixed with the tint by the vertex colour's
// alpha, times the hill shade and a head light (ambient plus diffuse), then hazed toward
// the horizon colour with distance when the eye is in the air. Distances in metres.
//
// The hill shade is worked out here rather than baked into the tiles, from each vertex's
// slope (east and north rise per metre, texture unit 1) steepened by one factor for the
// whole view: a tile's slopes are differences over its cells, which flatten the relief
// the more the larger the cells, so the factor grows with the eye's height. One factor per
// frame keeps neighbouring tiles of different levels alike (no hard level edges).
constexpr const char* kTerrainVertexShader = R"(
#version 120
uniform float exaggeration;
uniform float flatShade;
uniform vec3 sun;  // east, north, up
uniform vec2 shadeRange;
uniform float headlight;
uniform float haze;  // 0 from space .. about 0.85 at the ground
varying vec2 uv;
varying float shade;
varying vec4 tint;
varying float light;
varying float hazing;
const float HAZE_DISTANCE = 400000.0;
void main() {
  vec4 eyePosition = gl_ModelViewMatrix * gl_Vertex;
  gl_Position = ftransform();
  uv = gl_MultiTexCoord0.xy;
  vec3 up = normalize(vec3(-exaggeration * gl_MultiTexCoord1.xy, 1.0));
  shade = flatShade * clamp(dot(up, sun) / sun.z, shadeRange.x, shadeRange.y);
  tint = gl_Color;
  vec3 n = normalize(gl_NormalMatrix * gl_Normal);
  light = mix(1.0, 0.55 + 0.5 * abs(dot(n, normalize(-eyePosition.xyz))), headlight);
  hazing = haze * (1.0 - exp(-length(eyePosition.xyz) / HAZE_DISTANCE));
}
)";
constexpr const char* kTerrainFragmentShader = R"(
#version 120
uniform sampler2D imagery;
uniform float useImagery;
varying vec2 uv;
varying float shade;
varying vec4 tint;
varying float light;
varying float hazing;
const vec3 HAZE_COLOUR = vec3(0.68, 0.78, 0.92);
void main() {
  vec3 base = useImagery > 0.5 ? texture2D(imagery, uv).rgb : vec3(1.0);
  vec3 colour = mix(base, tint.rgb, tint.a) * shade * light;
  gl_FragColor = vec4(mix(colour, HAZE_COLOUR, hazing), 1.0);
}
)";
// The head light darkens ground seen at a slant, which rounds the globe seen from afar but
// would only dim a low oblique view: it fades in with the eye's height over this scale.
constexpr double kHeadlightHeightScale = 300000.0;
// The sea's tint over the imagery: the mask's water, so that the coastline of the picture
// is the relief's (the image alone, some 20 km a pixel, blurs it).
const osg::Vec4 kSeaTint(0.05f, 0.17f, 0.40f, 0.6f);
// Haze fades with the eye's height above the terrain over this scale (metres): strong
// near the ground, gone from orbit.
constexpr double kHazeHeightScale = 30000.0;
constexpr double kGroundHaze = 0.85;

double smoothstep(double a, double b, double x) {
  const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

osg::Vec4 mix(const osg::Vec4& a, const osg::Vec4& b, double t) {
  return a * static_cast<float>(1.0 - t) + b * static_cast<float>(t);
}

osg::Vec4 landColor(double h, double slope) {
  osg::Vec4 c;
  if (h < kBeachHeight)
    c = mix(kSand, kLowland, h / kBeachHeight);
  else if (h < kUplandHeight)
    c = mix(kLowland, kUpland, (h - kBeachHeight) / (kUplandHeight - kBeachHeight));
  else if (h < kHighlandHeight)
    c = mix(kUpland, kHighland, (h - kUplandHeight) / (kHighlandHeight - kUplandHeight));
  else if (h < kRockHeight)
    c = mix(kHighland, kRock, (h - kHighlandHeight) / (kRockHeight - kHighlandHeight));
  else
    c = mix(kRock, kSnow, smoothstep(kRockHeight, kSnowHeight, h));
  return mix(c, kCliff, smoothstep(kCliffSlopeStart, kCliffSlopeFull, slope) * (h < kSnowHeight ? 1.0 : 0.5));
}

osg::Vec3d toOsg(const Vector3<double>& v) { return {v.x, v.y, v.z}; }

// Texture coordinates of the equirectangular image: longitude −180°..180° left to right,
// latitude −90°..90° bottom to top.
osg::Vec2 imageryCoordinates(double lonDeg, double latDeg) {
  return {static_cast<float>((lonDeg + 180.0) / 360.0), static_cast<float>((latDeg + 90.0) / 180.0)};
}

double shadeExaggeration(double eyeHeight) {
  return std::clamp(kMinShadeExaggeration * std::sqrt(std::max(eyeHeight, 0.0) / kShadeReferenceHeight),
                    kMinShadeExaggeration, kMaxShadeExaggeration);
}

struct TileInfo {
  int level = 0;
  int x = 0;
  int y = 0;
  double widthDeg = 0.0;
  double lon0 = 0.0;  // degrees
  double lat0 = 0.0;  // degrees
  Vector3<double> centre;
  double radius = 0.0;
  double angularRadius = 0.0;  // radians, from the centre's normal to the farthest edge sample
  Vector3<double> centreNormal;
  double sizeMeters = 0.0;
  double ratio = 0.0;  // size over distance to the eye
};

TileInfo describe(int level, int x, int y, double maxHeight) {
  TileInfo t;
  t.level = level;
  t.x = x;
  t.y = y;
  t.widthDeg = kRootTileDeg / static_cast<double>(1 << level);
  t.lon0 = -180.0 + x * t.widthDeg;
  t.lat0 = -90.0 + y * t.widthDeg;
  const double cLon = (t.lon0 + 0.5 * t.widthDeg) * kDeg;
  const double cLat = (t.lat0 + 0.5 * t.widthDeg) * kDeg;
  t.centre = kEarth.cartographicToCartesian({cLon, cLat, 0.5 * maxHeight});
  t.centreNormal = kEarth.geodeticSurfaceNormalCartographic({cLon, cLat, 0.0});
  double radius = 0.0;
  double angle = 0.0;
  for (int j = 0; j <= 2; ++j) {
    for (int i = 0; i <= 2; ++i) {
      const double lon = (t.lon0 + 0.5 * i * t.widthDeg) * kDeg;
      const double lat = (t.lat0 + 0.5 * j * t.widthDeg) * kDeg;
      for (const double h : {0.0, maxHeight}) {
        radius = std::max(radius, (kEarth.cartographicToCartesian({lon, lat, h}) - t.centre).length());
      }
      const Vector3<double> n = kEarth.geodeticSurfaceNormalCartographic({lon, lat, 0.0});
      angle = std::max(angle, std::acos(std::clamp(n.dot(t.centreNormal), -1.0, 1.0)));
    }
  }
  t.radius = radius * kBoundSlack;
  t.angularRadius = angle * kBoundSlack;
  t.sizeMeters = t.widthDeg * kDeg * kEarth.getMaximumRadius();
  return t;
}

struct Planes {
  std::array<glm::dvec4, 4> sides;  // left, right, bottom, top; inside when ≥ 0
};

Planes sidePlanes(const Camera& camera) {
  const glm::dmat4 m = camera.getProjectionMatrix().glm() * camera.getViewMatrix().glm();
  const auto row = [&](int r) { return glm::dvec4(m[0][r], m[1][r], m[2][r], m[3][r]); };
  Planes p;
  p.sides = {row(3) + row(0), row(3) - row(0), row(3) + row(1), row(3) - row(1)};
  for (auto& plane : p.sides) plane /= glm::length(glm::dvec3(plane));
  return p;
}

struct View {
  Vector3<double> eye;
  Vector3<double> eyeDirection;
  bool underground = false;
  double horizonAngle = 0.0;  // radians from the eye's nadir to the farthest visible ground
  Planes planes;
};

bool isVisible(const TileInfo& t, const View& v) {
  if (!v.underground) {
    const double angle = std::acos(std::clamp(v.eyeDirection.dot(t.centreNormal), -1.0, 1.0));
    if (angle > v.horizonAngle + t.angularRadius) return false;
  }
  for (const auto& plane : v.planes.sides) {
    const double d = plane.x * t.centre.x + plane.y * t.centre.y + plane.z * t.centre.z + plane.w;
    if (d < -t.radius) return false;
  }
  return true;
}

int spacingIndex(double spacing) {
  for (std::size_t i = 0; i < kGraticuleSpacings.size(); ++i) {
    if (spacing >= kGraticuleSpacings[i]) return static_cast<int>(i);
  }
  return static_cast<int>(kGraticuleSpacings.size()) - 1;
}

double graticuleSpacingFor(double heightAboveTerrain) {
  std::size_t i = 0;
  while (i < kGraticuleHeights.size() && heightAboveTerrain < kGraticuleHeights[i]) ++i;
  return kGraticuleSpacings[i];
}

// The global spacing, or the finest coarser one that keeps the tile's lines few.
double tileSpacing(double global, double tileWidthDeg) {
  for (auto it = kGraticuleSpacings.rbegin(); it != kGraticuleSpacings.rend(); ++it) {
    if (*it >= global && tileWidthDeg / *it <= kMaxLinesPerTile) return *it;
  }
  return kGraticuleSpacings.front();
}

bool isMultiple(double value, double step) {
  const double k = std::round(value / step);
  return std::abs(value - k * step) < 1e-7;
}

}  // namespace

GlobeMesh::GlobeMesh(const Terrain& terrain, std::size_t maxTiles, const std::string& imageryFile)
    : terrain_(terrain), maxTiles_(std::max<std::size_t>(maxTiles, kRootColumns * kRootRows)), root_(new osg::Group) {
  osg::StateSet* state = root_->getOrCreateStateSet();
  if (osg::ref_ptr<osg::Image> image = imageryFile.empty() ? nullptr : osgDB::readRefImageFile(imageryFile)) {
    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(image.get());
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::REPEAT);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);
    // Bilinear within the nearest mipmap level: trilinear filtering costs software GL about
    // half its frame time here for a difference hard to see at the image's resolution.
    texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR_MIPMAP_NEAREST);
    texture->setFilter(osg::Texture::MAG_FILTER, osg::Texture::LINEAR);
    texture->setResizeNonPowerOfTwoHint(false);
    state->setTextureAttributeAndModes(0, texture.get());
    imageryBytes_ = image->getTotalSizeInBytes();
    imagery_ = true;
  } else {
    std::cerr << "qelDemo: no Earth image at " << (imageryFile.empty() ? "(none given)" : imageryFile)
              << " (Debian package xplanet-images); the globe is coloured by height instead\n";
  }
  osg::ref_ptr<osg::Program> program = new osg::Program;
  program->addShader(new osg::Shader(osg::Shader::VERTEX, kTerrainVertexShader));
  program->addShader(new osg::Shader(osg::Shader::FRAGMENT, kTerrainFragmentShader));
  state->setAttributeAndModes(program.get());
  state->addUniform(new osg::Uniform("imagery", 0));
  state->addUniform(new osg::Uniform("useImagery", imagery_ ? 1.0f : 0.0f));
  haze_ = new osg::Uniform("haze", 0.0f);
  state->addUniform(haze_.get());
  exaggeration_ = new osg::Uniform("exaggeration", static_cast<float>(kMinShadeExaggeration));
  headlight_ = new osg::Uniform("headlight", 1.0f);
  state->addUniform(headlight_.get());
  state->addUniform(exaggeration_.get());
  state->addUniform(new osg::Uniform("flatShade", static_cast<float>(imagery_ ? kImageryFlatShade : 1.0)));
  state->addUniform(new osg::Uniform("sun", osg::Vec3(kSunEnu)));
  state->addUniform(new osg::Uniform("shadeRange", osg::Vec2(kMinShade, kMaxShade)));
  // Both faces: from under the terrain (underground navigation) its underside shows.
  state->setMode(GL_CULL_FACE, osg::StateAttribute::OFF);
  // The terrain is pushed back a little in depth so lines drawn on it win the depth test.
  state->setAttributeAndModes(new osg::PolygonOffset(1.0f, 2.0f));
}

std::uint64_t GlobeMesh::keyOf(const TileId& id, int spacing) noexcept {
  return (static_cast<std::uint64_t>(id.level) << 56) | (static_cast<std::uint64_t>(spacing) << 52) |
         (static_cast<std::uint64_t>(id.x) << 26) | static_cast<std::uint64_t>(id.y);
}

void GlobeMesh::update(const Camera& camera) {
  ++updateCount_;
  View view;
  view.eye = camera.getPosition();
  const double eyeDistance = view.eye.length();
  if (!(eyeDistance > 0.0) || !std::isfinite(eyeDistance)) return;
  view.eyeDirection = view.eye / eyeDistance;
  const double maxHeight = terrain_.maximumHeight();
  double eyeHeightAboveTerrain = 0.0;
  if (const auto c = kEarth.cartesianToCartographic(view.eye)) {
    eyeHeightAboveTerrain = c->height - terrain_.heightAt(c->longitude, c->latitude);
    view.underground = eyeHeightAboveTerrain < 0.0;
  }
  // Under the terrain there is no air between the eye and the ground it sees (the inside
  // of the globe): no haze, and the head light shapes the surfaces as from space.
  const double airHeight = std::max(eyeHeightAboveTerrain, 0.0);
  haze_->set(view.underground ? 0.0f : static_cast<float>(kGroundHaze * std::exp(-airHeight / kHazeHeightScale)));
  exaggeration_->set(static_cast<float>(shadeExaggeration(std::abs(eyeHeightAboveTerrain))));
  headlight_->set(view.underground ? 1.0f : static_cast<float>(1.0 - std::exp(-airHeight / kHeadlightHeightScale)));
  const double globalSpacing = graticuleSpacingFor(std::abs(eyeHeightAboveTerrain));
  const double rMin = kEarth.getMinimumRadius();
  // Ground is seen up to the horizon, and mountains a little beyond it.
  const double mountainAngle = std::acos(rMin / (rMin + std::max(maxHeight, 0.0)));
  view.horizonAngle = (eyeDistance > rMin ? std::acos(rMin / eyeDistance) : 0.0) + mountainAngle;
  view.planes = sidePlanes(camera);

  // Split the tile that looks largest first, until the budget or the split ratio stops it.
  const auto smaller = [](const TileInfo& a, const TileInfo& b) { return a.ratio < b.ratio; };
  std::priority_queue<TileInfo, std::vector<TileInfo>, decltype(smaller)> open(smaller);
  const auto rate = [&](TileInfo& t) {
    const double distance = std::max((t.centre - view.eye).length() - t.radius, 1.0);
    t.ratio = t.sizeMeters / distance;
  };
  std::size_t count = 0;
  for (int y = 0; y < kRootRows; ++y) {
    for (int x = 0; x < kRootColumns; ++x) {
      TileInfo t = describe(0, x, y, maxHeight);
      if (!isVisible(t, view)) continue;
      rate(t);
      open.push(t);
      ++count;
    }
  }
  std::vector<TileInfo> leaves;
  while (!open.empty()) {
    TileInfo t = open.top();
    open.pop();
    if (t.ratio < kSplitRatio || t.level >= kMaxLevel) {
      leaves.push_back(t);
      continue;
    }
    std::vector<TileInfo> children;
    for (int j = 0; j < 2; ++j) {
      for (int i = 0; i < 2; ++i) {
        TileInfo c = describe(t.level + 1, 2 * t.x + i, 2 * t.y + j, maxHeight);
        if (!isVisible(c, view)) continue;
        rate(c);
        children.push_back(c);
      }
    }
    if (count - 1 + children.size() > maxTiles_) {
      leaves.push_back(t);
      continue;
    }
    count = count - 1 + children.size();
    for (const TileInfo& c : children) open.push(c);
  }

  std::vector<std::uint64_t> keys;
  keys.reserve(leaves.size());
  finestLevel_ = 0;
  graticuleSpacing_ = kGraticuleSpacings[0];
  for (const TileInfo& t : leaves) {
    const double spacing = tileSpacing(globalSpacing, t.widthDeg);
    graticuleSpacing_ = std::min(graticuleSpacing_, spacing);
    const TileId id{t.level, t.x, t.y};
    const std::uint64_t key = keyOf(id, spacingIndex(spacing));
    CacheEntry& entry = cache_[key];
    if (!entry.node) entry.node = buildTile(id, spacing);
    entry.lastUsed = updateCount_;
    keys.push_back(key);
    finestLevel_ = std::max(finestLevel_, t.level);
  }
  std::sort(keys.begin(), keys.end());
  if (keys != selected_) {
    selected_ = std::move(keys);
    root_->removeChildren(0, root_->getNumChildren());
    for (const std::uint64_t key : selected_) root_->addChild(cache_[key].node.get());
  }
  evict();
}

void GlobeMesh::evict() {
  if (cache_.size() <= kCacheLimit) return;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> byAge;  // last used, key
  byAge.reserve(cache_.size());
  for (const auto& [key, entry] : cache_) byAge.emplace_back(entry.lastUsed, key);
  std::sort(byAge.begin(), byAge.end());
  const std::size_t excess = cache_.size() - kCacheLimit / 2;
  for (std::size_t i = 0; i < excess && byAge[i].first < updateCount_; ++i) cache_.erase(byAge[i].second);
}

osg::ref_ptr<osg::Node> GlobeMesh::buildTile(const TileId& id, double spacingDeg) const {
  const double width = kRootTileDeg / static_cast<double>(1 << id.level);
  const double lon0 = -180.0 + id.x * width;
  const double lat0 = -90.0 + id.y * width;
  const double step = width / kSegments;
  const Vector3<double> centre =
      kEarth.cartographicToCartesian({(lon0 + 0.5 * width) * kDeg, (lat0 + 0.5 * width) * kDeg, 0.0});
  const double sizeMeters = width * kDeg * kEarth.getMaximumRadius();

  // Heights with a one-sample border, for slopes at the edges.
  constexpr int kRow = kSegments + 3;
  std::vector<double> heights(static_cast<std::size_t>(kRow * kRow));
  const auto latAt = [&](int j) { return std::clamp(lat0 + j * step, -90.0, 90.0); };
  const auto lonAt = [&](int i) { return lon0 + i * step; };
  for (int j = -1; j <= kSegments + 1; ++j) {
    for (int i = -1; i <= kSegments + 1; ++i) {
      heights[static_cast<std::size_t>((j + 1) * kRow + (i + 1))] = terrain_.heightAt(lonAt(i) * kDeg, latAt(j) * kDeg);
    }
  }
  const auto h = [&](int i, int j) { return heights[static_cast<std::size_t>((j + 1) * kRow + (i + 1))]; };

  osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
  osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array;
  osg::ref_ptr<osg::Vec4Array> colors = new osg::Vec4Array;
  const double radius = kEarth.getMaximumRadius();
  const double northMeters = step * kDeg * radius;
  // The image's coordinates, and the slope for the hill shade (rise per metre east, north).
  osg::ref_ptr<osg::Vec2Array> texCoords = new osg::Vec2Array;
  osg::ref_ptr<osg::Vec2Array> slopes = new osg::Vec2Array;
  for (int j = 0; j <= kSegments; ++j) {
    const double lat = latAt(j);
    const double eastMeters = std::max(step * kDeg * radius * std::cos(lat * kDeg), 1e-3);
    for (int i = 0; i <= kSegments; ++i) {
      const double lon = lonAt(i);
      const double height = h(i, j);
      const Cartographic c{lon * kDeg, lat * kDeg, height};
      vertices->push_back(toOsg(kEarth.cartographicToCartesian(c) - centre));
      normals->push_back(toOsg(kEarth.geodeticSurfaceNormalCartographic(c)));
      texCoords->push_back(imageryCoordinates(lon, lat));
      if (height <= 0.0) {
        // The sea: the image's own water, or the palette's.
        slopes->push_back(osg::Vec2());
        colors->push_back(imagery_ ? kSeaTint : kSea);
        continue;
      }
      const double gx = (h(i + 1, j) - h(i - 1, j)) / (2.0 * eastMeters);
      const double gy = (h(i, j + 1) - h(i, j - 1)) / (2.0 * northMeters);
      slopes->push_back(osg::Vec2(static_cast<float>(gx), static_cast<float>(gy)));
      osg::Vec4 color = landColor(height, std::hypot(gx, gy));
      if (imagery_) {
        color.a() =
            static_cast<float>(kHighlandTint * smoothstep(kTintStartHeight, kHighlandHeight, height) +
                               (kSummitTint - kHighlandTint) * smoothstep(kHighlandHeight, kSnowHeight, height));
      }
      colors->push_back(color);
    }
  }
  osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
  const auto index = [](int i, int j) { return static_cast<unsigned>(j * (kSegments + 1) + i); };
  for (int j = 0; j < kSegments; ++j) {
    for (int i = 0; i < kSegments; ++i) {
      const unsigned a = index(i, j), b = index(i + 1, j), c = index(i, j + 1), d = index(i + 1, j + 1);
      for (const unsigned v : {a, b, d, a, d, c}) triangles->push_back(v);
    }
  }
  // Skirts around the edge.
  std::vector<std::pair<int, int>> edge;
  for (int i = 0; i <= kSegments; ++i) edge.emplace_back(i, 0);
  for (int j = 1; j <= kSegments; ++j) edge.emplace_back(kSegments, j);
  for (int i = kSegments - 1; i >= 0; --i) edge.emplace_back(i, kSegments);
  for (int j = kSegments - 1; j >= 0; --j) edge.emplace_back(0, j);
  const double skirt = std::max(kMinSkirt, kSkirtFraction * sizeMeters);
  const unsigned firstSkirt = static_cast<unsigned>(vertices->size());
  for (const auto& [i, j] : edge) {
    const Cartographic c{lonAt(i) * kDeg, latAt(j) * kDeg, h(i, j) - skirt};
    vertices->push_back(toOsg(kEarth.cartographicToCartesian(c) - centre));
    normals->push_back((*normals)[index(i, j)]);
    colors->push_back((*colors)[index(i, j)]);
    texCoords->push_back((*texCoords)[index(i, j)]);
    slopes->push_back((*slopes)[index(i, j)]);
  }
  for (std::size_t k = 0; k + 1 < edge.size(); ++k) {
    const unsigned top0 = index(edge[k].first, edge[k].second);
    const unsigned top1 = index(edge[k + 1].first, edge[k + 1].second);
    const unsigned low0 = firstSkirt + static_cast<unsigned>(k);
    const unsigned low1 = low0 + 1;
    for (const unsigned v : {top0, low0, low1, top0, low1, top1}) triangles->push_back(v);
  }

  osg::ref_ptr<osg::Geometry> surface = new osg::Geometry;
  surface->setUseDisplayList(false);
  surface->setUseVertexBufferObjects(true);
  surface->setVertexArray(vertices.get());
  surface->setNormalArray(normals.get(), osg::Array::BIND_PER_VERTEX);
  surface->setColorArray(colors.get(), osg::Array::BIND_PER_VERTEX);
  surface->setTexCoordArray(0, texCoords.get());
  surface->setTexCoordArray(1, slopes.get());
  surface->addPrimitiveSet(triangles.get());

  // Graticule lines crossing the tile.
  osg::ref_ptr<osg::Geometry> lines = new osg::Geometry;
  lines->setUseDisplayList(false);
  lines->setUseVertexBufferObjects(true);
  osg::ref_ptr<osg::Vec3Array> lineVertices = new osg::Vec3Array;
  osg::ref_ptr<osg::Vec4Array> lineColors = new osg::Vec4Array;
  const double lift = std::max(kMinLineLift, kLineLiftFraction * sizeMeters);
  const auto addLine = [&](bool meridian, double value) {
    // The prime meridian and the equator stand out; 10° lines are brighter than finer ones.
    const bool zero = meridian ? isMultiple(value, 360.0) : std::abs(value) < 1e-9;
    const osg::Vec4 color = zero ? kZeroLine : (isMultiple(value, kGraticuleSpacings[0]) ? kMajorLine : kMinorLine);
    const unsigned first = static_cast<unsigned>(lineVertices->size());
    for (int s = 0; s <= kLineSamples; ++s) {
      const double t = width * s / kLineSamples;
      const double lon = meridian ? value : lon0 + t;
      const double lat = meridian ? lat0 + t : value;
      const double height = terrain_.heightAt(lon * kDeg, lat * kDeg) + lift;
      lineVertices->push_back(toOsg(kEarth.cartographicToCartesian({lon * kDeg, lat * kDeg, height}) - centre));
      lineColors->push_back(color);
    }
    lines->addPrimitiveSet(new osg::DrawArrays(GL_LINE_STRIP, static_cast<GLint>(first), kLineSamples + 1));
  };
  constexpr double kEdgeEpsilon = 1e-9;
  for (double k = std::ceil((lon0 - kEdgeEpsilon) / spacingDeg); k * spacingDeg < lon0 + width - kEdgeEpsilon;
       k += 1.0) {
    addLine(true, k * spacingDeg);
  }
  for (double k = std::ceil((lat0 - kEdgeEpsilon) / spacingDeg); k * spacingDeg < lat0 + width - kEdgeEpsilon;
       k += 1.0) {
    const double lat = k * spacingDeg;
    if (std::abs(lat) < 90.0 - kEdgeEpsilon) addLine(false, lat);
  }
  lines->setVertexArray(lineVertices.get());
  lines->setColorArray(lineColors.get(), osg::Array::BIND_PER_VERTEX);
  osg::StateSet* lineState = lines->getOrCreateStateSet();
  lineState->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
  lineState->setTextureMode(0, GL_TEXTURE_2D, osg::StateAttribute::OFF);
  // An empty program: the fixed pipeline draws the lines in their own colours.
  lineState->setAttributeAndModes(new osg::Program);
  lineState->setMode(GL_BLEND, osg::StateAttribute::ON);
  lineState->setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));

  osg::ref_ptr<osg::Geode> geode = new osg::Geode;
  geode->addDrawable(surface.get());
  if (lines->getNumPrimitiveSets() > 0) geode->addDrawable(lines.get());
  osg::ref_ptr<osg::MatrixTransform> transform = new osg::MatrixTransform(osg::Matrixd::translate(toOsg(centre)));
  transform->addChild(geode.get());
  return transform;
}

}  // namespace qel::demo
