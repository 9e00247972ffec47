// How the geometry primitives land in the frame's draw list: lines as window paths,
// walls as the outline of their edges, boxes as a path along their edges.
#include <algorithm>
#include <cmath>

#include "Common/Ellipsoid.h"
#include "Scene/DrawSubmission.h"
#include "Scene/FrameState.h"
#include "Scene/GroundPolylinePrimitive.h"
#include "Scene/Primitive.h"

namespace qel {
namespace {

// Window width (pixels) of a wall's outline: walls are picked and drawn by their edges.
constexpr double kWallOutlineWidth = 1.0;
// Window width (pixels) of a box outline's edges: a thin frame, like a wall's outline.
constexpr double kBoxOutlineWidth = 1.0;

// Projects `points` into `item.path`; a point behind the eye hides the whole item (this
// host does not clip).
void placePath(DrawItem& item, const std::vector<Vector3<double>>& points, const FrameState& frameState, bool depthTest,
               bool& visible) {
  for (const Vector3<double>& p : points) {
    const std::optional<ProjectedPoint> at = projectForDrawing(frameState, p, depthTest);
    if (!at) {
      visible = false;
      item.path.clear();
      return;
    }
    visible = visible && at->visible;
    item.depth = item.path.empty() ? at->depth : std::min(item.depth, at->depth);
    item.path.push_back(at->window);
  }
  boxAroundPath(item);
}

DrawItem instanceItem(DrawKind kind, const PrimitiveBase& primitive, const GeometryInstance& instance,
                      const Appearance* appearance) {
  DrawItem item;
  item.kind = kind;
  item.id = instance.id;
  item.primitive = &primitive;
  item.selectable = primitive.isSelectEnabled();
  item.shown = false;
  const Material* material = appearance ? appearance->getMaterial().get() : nullptr;
  item.color = instance.color.value_or(material ? material->getColor().value_or(Color{}) : Color{});
  if (material) item.image = material->getImage();
  return item;
}

// The outline of a wall: along the bottom edge, then back along the top edge.
std::vector<Vector3<double>> wallOutline(const WallGeometry& wall) {
  std::vector<Vector3<double>> outline;
  if (wall.positions.size() < 2) return outline;
  outline.reserve(2 * wall.positions.size() + 1);
  for (std::size_t i = 0; i < wall.positions.size(); ++i) outline.push_back(wall.spanAt(i).bottom);
  for (std::size_t i = wall.positions.size(); i-- > 0;) outline.push_back(wall.spanAt(i).top);
  outline.push_back(outline.front());
  return outline;
}

// The points of a primitive's own frame taken to the fixed frame.
std::vector<Vector3<double>> placed(const Matrix4& modelMatrix, const std::vector<Vector3<double>>& points) {
  std::vector<Vector3<double>> out;
  out.reserve(points.size());
  for (const Vector3<double>& p : points) out.push_back(modelMatrix.multiplyByPoint(p));
  return out;
}

template <class Positions>
void submitLine(DrawKind kind, const PrimitiveBase& primitive, const GeometryInstance& instance,
                const Appearance* appearance, const Positions& positions, double width, FrameState& frameState) {
  DrawItem item = instanceItem(kind, primitive, instance, appearance);
  item.halfWidth = 0.5 * width;
  if (!positions.empty()) item.position = positions.front();
  bool visible = positions.size() >= 2 && width > 0.0;
  placePath(item, positions, frameState, primitive.isDepthTestEnabled(), visible);
  item.shown = primitive.isShow() && visible;
  frameState.drawList.add(std::move(item));
}

}  // namespace

std::shared_ptr<Material> Material::fromType(std::string type, Uniforms uniforms) {
  return std::shared_ptr<Material>(new Material(std::move(type), std::move(uniforms)));
}

std::optional<Color> Material::getColor() const {
  const auto it = uniforms_.find("color");
  if (it == uniforms_.end()) return std::nullopt;
  return Color{it->second[0], it->second[1], it->second[2], it->second[3]};
}

bool Material::isTranslucent() const {
  if (translucent_) return true;
  const std::optional<Color> color = getColor();
  return color && color->alpha < 1.0f;
}

Appearance::Appearance(Kind kind, std::shared_ptr<Material> material, bool translucent)
    : kind_(kind),
      material_(material ? std::move(material) : Material::fromType(Material::kColorType)),
      translucent_(translucent) {}

void Appearance::setMaterial(std::shared_ptr<Material> material, bool translucent) {
  material_ = material ? std::move(material) : Material::fromType(Material::kColorType);
  translucent_ = translucent;
}

WallGeometry::Span WallGeometry::spanAt(std::size_t index) const {
  const Vector3<double>& base = positions[index];
  const std::optional<Cartographic> at = Ellipsoid::WGS84.cartesianToCartographic(base);
  if (!at) return {base, base};
  Cartographic bottom = *at;
  Cartographic top = *at;
  bottom.height = minimumHeights.size() == positions.size() ? minimumHeights[index] : 0.0;
  if (maximumHeights.size() == positions.size()) top.height = maximumHeights[index];
  return {Ellipsoid::WGS84.cartographicToCartesian(bottom), Ellipsoid::WGS84.cartographicToCartesian(top)};
}

BoxOutlineGeometry BoxOutlineGeometry::fromDimensions(const Vector3<double>& dimensions) noexcept {
  const Vector3<double> half{0.5 * std::abs(dimensions.x), 0.5 * std::abs(dimensions.y), 0.5 * std::abs(dimensions.z)};
  return {-half, half};
}

std::vector<Vector3<double>> BoxOutlineGeometry::outlinePath() const {
  const Vector3<double>& a = minimum;
  const Vector3<double>& b = maximum;
  // Bottom corners counter-clockwise seen from above, and the top corners over them.
  const Vector3<double> bottom[4] = {{a.x, a.y, a.z}, {b.x, a.y, a.z}, {b.x, b.y, a.z}, {a.x, b.y, a.z}};
  const Vector3<double> top[4] = {{a.x, a.y, b.z}, {b.x, a.y, b.z}, {b.x, b.y, b.z}, {a.x, b.y, b.z}};
  // A cube's corners all meet three edges, so no single line draws each edge once:
  // round the bottom, up the first vertical edge, then along the top, visiting each
  // further vertical edge down and back up.
  std::vector<Vector3<double>> path{bottom[0], bottom[1], bottom[2], bottom[3], bottom[0], top[0]};
  for (int i = 1; i <= 4; ++i) {
    const int corner = i % 4;
    path.push_back(top[corner]);
    if (corner != 0) {
      path.push_back(bottom[corner]);
      path.push_back(top[corner]);
    }
  }
  return path;
}

Primitive::Primitive(std::vector<GeometryInstance> instances, std::shared_ptr<Appearance> appearance)
    : instances_(std::move(instances)), appearance_(std::move(appearance)) {}

GeometryInstanceAttributes* Primitive::getGeometryInstanceAttributes(const Uuid& id) noexcept {
  for (GeometryInstance& instance : instances_) {
    const Uuid* own = std::get_if<Uuid>(&instance.id);
    if (own && *own == id) return &instance;
  }
  return nullptr;
}

void Primitive::update(FrameState& frameState) {
  // A broken matrix (an object scaled by NaN) puts its geometry nowhere: draw nothing
  // rather than items at NaN window positions that a pick could meet.
  if (!modelMatrix.isFinite()) return;
  const bool placedAsIs = modelMatrix.isIdentity();
  for (const GeometryInstance& instance : instances_) {
    if (const auto* line = std::get_if<PolylineGeometry>(&instance.geometry)) {
      submitLine(DrawKind::Primitive, *this, instance, appearance_.get(),
                 placedAsIs ? line->positions : placed(modelMatrix, line->positions), line->width, frameState);
    } else if (const auto* ground = std::get_if<GroundPolylineGeometry>(&instance.geometry)) {
      submitLine(DrawKind::Primitive, *this, instance, appearance_.get(), ground->positions, ground->width, frameState);
    } else if (const auto* wall = std::get_if<WallGeometry>(&instance.geometry)) {
      submitLine(DrawKind::Primitive, *this, instance, appearance_.get(),
                 placedAsIs ? wallOutline(*wall) : placed(modelMatrix, wallOutline(*wall)), kWallOutlineWidth,
                 frameState);
    } else if (const auto* box = std::get_if<BoxOutlineGeometry>(&instance.geometry)) {
      submitLine(DrawKind::Primitive, *this, instance, appearance_.get(), placed(modelMatrix, box->outlinePath()),
                 kBoxOutlineWidth, frameState);
    }
  }
}

GroundPolylinePrimitive::GroundPolylinePrimitive(std::vector<GeometryInstance> instances,
                                                 std::shared_ptr<Appearance> appearance,
                                                 std::optional<ClassificationType> classificationType,
                                                 bool asynchronous, bool releaseGeometryInstances)
    : instances_(std::move(instances)),
      appearance_(std::move(appearance)),
      classificationType_(classificationType.value_or(ClassificationType::Both)),
      asynchronous_(asynchronous),
      releaseGeometryInstances_(releaseGeometryInstances) {}

void GroundPolylinePrimitive::update(FrameState& frameState) {
  for (const GeometryInstance& instance : instances_) {
    if (const auto* ground = std::get_if<GroundPolylineGeometry>(&instance.geometry)) {
      submitLine(DrawKind::GroundPolyline, *this, instance, appearance_.get(), ground->positions, ground->width,
                 frameState);
    } else if (const auto* line = std::get_if<PolylineGeometry>(&instance.geometry)) {
      submitLine(DrawKind::GroundPolyline, *this, instance, appearance_.get(), line->positions, line->width,
                 frameState);
    }
  }
}

}  // namespace qel
