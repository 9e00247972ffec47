// The line and area editors' shared preview pieces: draped or spatial preview lines,
// extrusion walls and their heights, feature materials as scene materials, and the
// mapping of height references to what a draped preview lies on.
#include "VertexEditorPreview.h"

#include <algorithm>

#include "Common/Log.h"
#include "Data/ColorMaterialProperty.h"
#include "Data/ImageMaterialProperty.h"
#include "Feature/Material.h"
#include "Scene/GroundPolylinePrimitive.h"
#include "Scene/Primitive.h"

namespace qel::vertexPreview {

namespace {

constexpr const char* kMappingFunction = "qel::heightReferenceToClassificationType";
constexpr const char* kLineSource = "Components/src/Manipulator/PolylineEditor";
constexpr const char* kAreaSource = "Components/src/Manipulator/PolygonEditor";

// What each editor says, and where, when a draped preview cannot honour a relative
// height reference.
struct Warning {
  Feature::GeometryType editor;
  HeightReference reference;
  int line;
  const char* message;
};
constexpr Warning kWarnings[] = {
    {Feature::GeometryType::Polyline, HeightReference::RelativeToGround, 344,
     "折线不支持相对于地表的高度参考，改为使用贴合地表的高度参考。"},
    {Feature::GeometryType::Polyline, HeightReference::RelativeToTerrain, 349,
     "折线不支持相对于地形的高度参考，改为使用贴合地形的高度参考。"},
    {Feature::GeometryType::Polyline, HeightReference::RelativeTo3DTile, 354,
     "折线不支持相对于3DTiles的高度参考，改为使用贴合3DTiles的高度参考。"},
    {Feature::GeometryType::Polygon, HeightReference::RelativeToGround, 374,
     "多边形不支持相对于地表的高度参考，改为使用贴合地表的高度参考。"},
    {Feature::GeometryType::Polygon, HeightReference::RelativeToTerrain, 379,
     "多边形不支持相对于地形的高度参考，改为使用贴合地形的高度参考。"},
    {Feature::GeometryType::Polygon, HeightReference::RelativeTo3DTile, 384,
     "多边形不支持相对于3DTiles的高度参考，改为使用贴合3DTiles的高度参考。"},
};

void warn(HeightReference reference, Feature::GeometryType editor) {
  for (const Warning& w : kWarnings) {
    if (w.editor != editor || w.reference != reference) continue;
    const char* file = editor == Feature::GeometryType::Polygon ? kAreaSource : kLineSource;
    Log::getInstance().log({file, w.line, kMappingFunction}, Log::kCorrected, w.message);
  }
}

// Extrusion height references: from each position's height, or an absolute top.
constexpr int kExtrudeFromPosition = 0;
constexpr int kExtrudeToAbsolute = 1;
// Subdivision of a draped preview line (metres) and of one in space (one degree).
constexpr double kGroundGranularity = 9999.0;
constexpr double kSpaceGranularityDegrees = 1.0;

}  // namespace

std::optional<ClassificationType> classificationFor(HeightReference reference, Feature::GeometryType editor) {
  switch (reference) {
    case HeightReference::ClampToGround: return ClassificationType::Both;
    case HeightReference::RelativeToGround: warn(reference, editor); return ClassificationType::Both;
    case HeightReference::ClampToTerrain: return ClassificationType::Terrain;
    case HeightReference::RelativeToTerrain: warn(reference, editor); return ClassificationType::Terrain;
    case HeightReference::ClampTo3DTile: return ClassificationType::Cesium3DTile;
    case HeightReference::RelativeTo3DTile: warn(reference, editor); return ClassificationType::Cesium3DTile;
    default: return std::nullopt;
  }
}

std::shared_ptr<Material> sceneMaterialOf(const MaterialProperty& property) {
  const auto rgba = [](const Color& c) { return std::array<float, 4>{c.red, c.green, c.blue, c.alpha}; };
  std::shared_ptr<Material> material = Material::fromType(property.getMaterialType());
  if (const ColorMaterialProperty* color = property.asColorMaterialProperty()) {
    material = Material::fromType(property.getMaterialType(), {{"color", rgba(color->getColor())}});
  } else if (const ImageMaterialProperty* image = property.asImageMaterialProperty()) {
    material = Material::fromType(property.getMaterialType(), {{"color", rgba(image->getColor())}});
    material->setImage(image->getImage());
    material->setRepeat(image->getRepeat());
  }
  material->setTranslucent(property.isTranslucent());
  return material;
}

std::optional<Extrusion> extrusionOf(const Feature::ExtrusionSymbol* extrusion, bool enabledBodyOnly) {
  if (extrusion == nullptr || !extrusion->getBodySymbol()) return std::nullopt;
  const Feature::Symbol& body = *extrusion->getBodySymbol();
  // Only an area symbol can be the body of a wall.
  if (body.getType() != Feature::SymbolType::Polygon) return std::nullopt;
  if (enabledBodyOnly && !body.isEnabled()) return std::nullopt;
  Extrusion result;
  result.height = extrusion->getHeight();
  result.heightReference = static_cast<int>(extrusion->getHeightReference());
  result.body = static_cast<const Feature::PolygonSymbol*>(&body);
  const Feature::Material* material = result.body->getMaterial().get();
  result.normalsOnly = material != nullptr && material->getType() == Feature::MaterialType::Color;
  return result;
}

WallGeometry wallOver(std::vector<Vector3<double>> base, const std::vector<Cartographic>& positions,
                      const Extrusion& extrusion) {
  WallGeometry wall;
  wall.positions = std::move(base);
  const double h = extrusion.height;
  if (extrusion.heightReference == kExtrudeFromPosition || extrusion.heightReference == kExtrudeToAbsolute) {
    for (const Cartographic& p : positions) {
      double bottom = p.height;
      double top = p.height;
      if (extrusion.heightReference == kExtrudeFromPosition) {
        // A negative height digs down from the line, a positive one rises above it.
        if (h > 0.0) {
          top = p.height + h;
        } else {
          bottom = p.height + h;
        }
      } else {
        bottom = std::min(p.height, h);
        top = std::max(p.height, h);
      }
      wall.minimumHeights.push_back(bottom);
      wall.maximumHeights.push_back(top);
    }
  }
  wall.vertexFormat = extrusion.normalsOnly ? VertexFormat::POSITION_AND_NORMAL : VertexFormat::POSITION_NORMAL_AND_ST;
  return wall;
}

std::shared_ptr<PrimitiveBase> makePreviewLine(PreviewLine line) {
  GeometryInstance instance;
  instance.id = line.id;
  if (line.draped) {
    GroundPolylineGeometry geometry;
    geometry.positions = std::move(line.positions);
    geometry.width = line.width;
    geometry.granularity = kGroundGranularity;
    geometry.arcType = ArcType::GEODESIC;
    instance.geometry = std::move(geometry);
    auto primitive = std::make_shared<GroundPolylinePrimitive>(
        singleInstance(std::move(instance)), std::move(line.appearance), line.classification, true, false);
    primitive->setZIndex(line.zIndex);
    return primitive;
  }
  PolylineGeometry geometry;
  geometry.positions = std::move(line.positions);
  geometry.width = line.width;
  geometry.granularity = Radian(Degree(kSpaceGranularityDegrees));
  geometry.vertexFormat = VertexFormat::POSITION_AND_ST;
  geometry.arcType = ArcType::GEODESIC;
  instance.geometry = std::move(geometry);
  return std::make_shared<Primitive>(singleInstance(std::move(instance)), std::move(line.appearance));
}

}  // namespace qel::vertexPreview
