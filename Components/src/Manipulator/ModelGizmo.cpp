// The model editor's gizmo parts: their materials and ids, building them into the scene,
// showing, removing, and painting the one under the pointer.
#include "Manipulator/ModelGizmo.h"

#include "Common/Angle.h"
#include "Common/Math.h"
#include "Data/PolylineArrowMaterialProperty.h"
#include "Scene/BoxOutlineGeometry.h"
#include "Scene/ColorGeometryInstanceAttribute.h"
#include "Scene/Material.h"
#include "Scene/PerInstanceColorAppearance.h"
#include "Scene/PickObject.h"
#include "Scene/PointPrimitiveCollection.h"
#include "Scene/PolylineColorAppearance.h"
#include "Scene/PolylineMaterialAppearance.h"
#include "Scene/Primitive.h"
#include "Scene/PrimitiveCollection.h"

namespace qel {

namespace {

// The parts' ids, made once when the library loads.
const Uuid kBoxId = uuid4();
const Uuid kXAxisId = uuid4();
const Uuid kYAxisId = uuid4();
const Uuid kZAxisId = uuid4();
const Uuid kRingId = uuid4();

// The box outline frames the object in white; the ring is blue, the corner points green
// without an outline.
constexpr Color kBoxColor = Color::WHITE;
constexpr Color kRingColor = Color::BLUE;
constexpr Color kCornerColor = Color::GREEN;
constexpr Color kCornerOutline = Color::TRANSPARENT;
constexpr double kCornerOutlineWidth = 0.0;
// The gizmo is a tool's handle: drawn over the terrain, so that the parts of it below a
// model standing on the ground stay in sight and within reach of the pointer.
constexpr bool kOverTerrain = false;
// Arrows are subdivided at most a degree apart along curved paths (they are straight,
// so this only keeps the renderer's default).
constexpr double kArrowGranularity = Math::PI / 180.0;

std::shared_ptr<Material> arrowMaterial(const Color& color) {
  return Material::fromType(PolylineArrowMaterialProperty::getType(),
                            {{"color", {color.red, color.green, color.blue, color.alpha}}});
}

std::shared_ptr<Primitive> makeArrow(const Vector3<double>& tip, const Uuid& id, std::shared_ptr<Material> material) {
  PolylineGeometry line;
  line.positions = {Vector3<double>::zero(), tip};
  line.width = ModelGizmo::kArrowWidth;
  line.granularity = Radian(kArrowGranularity);
  line.vertexFormat = VertexFormat::POSITION_AND_ST;
  GeometryInstance instance;
  instance.geometry = std::move(line);
  instance.id = id;
  const bool translucent = material->isTranslucent();
  auto arrow =
      std::make_shared<Primitive>(singleInstance(std::move(instance)),
                                  std::make_shared<PolylineMaterialAppearance>(std::move(material), translucent));
  arrow->setSelectEnabled(false);
  arrow->setDepthTestEnabled(kOverTerrain);
  return arrow;
}

void paintRing(Primitive* ring, const Color& color) {
  if (ring == nullptr) return;
  if (GeometryInstanceAttributes* attributes = ring->getGeometryInstanceAttributes(kRingId)) {
    attributes->color = ColorGeometryInstanceAttribute::fromColor(color);
  }
}

}  // namespace

ModelGizmo::ModelGizmo()
    : highlightMaterial(arrowMaterial(kHighlight)),
      xMaterial(arrowMaterial(kXColor)),
      yMaterial(arrowMaterial(kYColor)),
      zMaterial(arrowMaterial(kZColor)) {}

ModelGizmo::~ModelGizmo() = default;

const Uuid& ModelGizmo::boxId() noexcept { return kBoxId; }

const Uuid& ModelGizmo::axisId(Controller axis) noexcept {
  switch (axis) {
    case Controller::YAxis: return kYAxisId;
    case Controller::ZAxis: return kZAxisId;
    default: return kXAxisId;
  }
}

const Uuid& ModelGizmo::ringId() noexcept { return kRingId; }

bool ModelGizmo::isComplete() const noexcept {
  return xAxis != nullptr && yAxis != nullptr && zAxis != nullptr && ring != nullptr && corners != nullptr;
}

Primitive* ModelGizmo::axisPart(Controller axis) const noexcept {
  switch (axis) {
    case Controller::XAxis: return xAxis;
    case Controller::YAxis: return yAxis;
    case Controller::ZAxis: return zAxis;
    default: return nullptr;
  }
}

const Primitive* ModelGizmo::getAxis(Controller axis) const noexcept { return axisPart(axis); }

const std::shared_ptr<Material>& ModelGizmo::axisMaterial(Controller axis) const noexcept {
  switch (axis) {
    case Controller::YAxis: return yMaterial;
    case Controller::ZAxis: return zMaterial;
    default: return xMaterial;
  }
}

std::vector<const PrimitiveBase*> ModelGizmo::parts() const {
  std::vector<const PrimitiveBase*> existing;
  for (const PrimitiveBase* part :
       {static_cast<const PrimitiveBase*>(box), static_cast<const PrimitiveBase*>(xAxis),
        static_cast<const PrimitiveBase*>(yAxis), static_cast<const PrimitiveBase*>(zAxis),
        static_cast<const PrimitiveBase*>(ring), static_cast<const PrimitiveBase*>(corners)}) {
    if (part != nullptr) existing.push_back(part);
  }
  return existing;
}

void ModelGizmo::build(PrimitiveCollection& primitives, const Vector3<double>& dimensions, const Matrix4& g) {
  const Vector3<double> half = dimensions * 0.5;
  // Arrows and ring reach half the box diagonal: out of the box whatever its shape.
  const double reach = dimensions.length() / 2.0;
  if (box == nullptr) {
    GeometryInstance instance;
    instance.geometry = BoxOutlineGeometry::fromDimensions(dimensions);
    instance.id = kBoxId;
    instance.color = ColorGeometryInstanceAttribute::fromColor(kBoxColor);
    auto part = std::make_shared<Primitive>(singleInstance(std::move(instance)),
                                            std::make_shared<PerInstanceColorAppearance>());
    part->setSelectEnabled(false);
    part->setDepthTestEnabled(kOverTerrain);
    box = part.get();
    primitives.add(std::move(part));
  }
  const struct {
    Primitive*& part;
    Controller axis;
    Vector3<double> tip;
  } arrows[] = {{xAxis, Controller::XAxis, {reach, 0.0, 0.0}},
                {yAxis, Controller::YAxis, {0.0, reach, 0.0}},
                {zAxis, Controller::ZAxis, {0.0, 0.0, reach}}};
  for (const auto& arrow : arrows) {
    if (arrow.part != nullptr) continue;
    std::shared_ptr<Primitive> part = makeArrow(arrow.tip, axisId(arrow.axis), axisMaterial(arrow.axis));
    arrow.part = part.get();
    primitives.add(std::move(part));
  }
  if (ring == nullptr) {
    ringPoints = ringPointsFor(reach);
    PolylineGeometry line;
    line.positions = ringPoints;
    line.width = kRingWidth;
    line.vertexFormat = VertexFormat::POSITION_ONLY;
    GeometryInstance instance;
    instance.geometry = std::move(line);
    instance.id = kRingId;
    instance.color = ColorGeometryInstanceAttribute::fromColor(kRingColor);
    auto part =
        std::make_shared<Primitive>(singleInstance(std::move(instance)), std::make_shared<PolylineColorAppearance>());
    part->setDepthTestEnabled(kOverTerrain);
    ring = part.get();
    primitives.add(std::move(part));
  }
  if (corners == nullptr) {
    auto part = std::make_shared<PointPrimitiveCollection>(nullptr, kOverTerrain, std::nullopt);
    part->setModelMatrix(g);
    for (const Vector3<double>& corner : cornersFor(half)) {
      PointPrimitive::ConstructorOptions point;
      point.position = corner;
      point.color = kCornerColor;
      point.outlineColor = kCornerOutline;
      point.outlineWidth = kCornerOutlineWidth;
      point.pixelSize = kCornerPixelSize;
      point.show = true;
      part->add(std::move(point));
    }
    part->setSelectEnabled(false);
    corners = part.get();
    primitives.add(std::move(part));
  }
  modelMatrix = g;
  for (Primitive* part : {box, xAxis, yAxis, zAxis, ring}) part->modelMatrix = g;
  corners->setModelMatrix(g);
}

void ModelGizmo::remove(PrimitiveCollection* primitives) {
  for (const PrimitiveBase* part : parts()) {
    if (primitives != nullptr) primitives->remove(*part);
  }
  box = xAxis = yAxis = zAxis = ring = nullptr;
  corners = nullptr;
}

void ModelGizmo::setShow(bool show) {
  for (Primitive* part : {box, xAxis, yAxis, zAxis, ring}) {
    if (part != nullptr) part->setShow(show);
  }
  if (corners != nullptr) corners->setShow(show);
}

Controller ModelGizmo::classify(const PickObject& picked, bool& isBox) const {
  isBox = false;
  if (const Uuid* id = std::get_if<Uuid>(&picked.getId())) {
    if (*id == kXAxisId) return Controller::XAxis;
    if (*id == kYAxisId) return Controller::YAxis;
    if (*id == kZAxisId) return Controller::ZAxis;
    if (*id == kRingId) return Controller::Ring;
    isBox = *id == kBoxId;
    return Controller::None;
  }
  if (picked.getKind() == DrawKind::Point) return Controller::Corner;
  return Controller::None;
}

void ModelGizmo::highlight(Controller controller, const CollectionElement* point) {
  switch (controller) {
    case Controller::XAxis:
    case Controller::YAxis:
    case Controller::ZAxis:
      if (Primitive* arrow = axisPart(controller)) arrow->getAppearance()->setMaterial(highlightMaterial, false);
      break;
    case Controller::Ring: paintRing(ring, kHighlight); break;
    case Controller::Corner:
      if (corners == nullptr) break;
      for (std::size_t i = 0; i < corners->size(); ++i) {
        PointPrimitive* own = corners->get(i);
        if (static_cast<const CollectionElement*>(own) == point) own->setColor(kHighlight);
      }
      break;
    default: break;
  }
}

void ModelGizmo::restore(Controller controller) {
  switch (controller) {
    case Controller::XAxis:
    case Controller::YAxis:
    case Controller::ZAxis:
      if (Primitive* arrow = axisPart(controller)) arrow->getAppearance()->setMaterial(axisMaterial(controller), false);
      break;
    case Controller::Ring: paintRing(ring, kRingColor); break;
    case Controller::Corner:
      if (corners == nullptr) break;
      for (std::size_t i = 0; i < corners->size(); ++i) {
        PointPrimitive* point = corners->get(i);
        if (!(point->get().color == kCornerColor)) point->setColor(kCornerColor);
      }
      break;
    default: break;
  }
}

}  // namespace qel
