// Reading a tileset description and drawing its content: the root tile's solid box,
// submitted as its window silhouette so that a pick anywhere over it finds the tile.
#include "Layers/Qel3DTileset.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "Common/Cartographic.h"
#include "Common/Ellipsoid.h"
#include "Common/ModulePath.h"
#include "Common/Transforms.h"
#include "Scene/BoxPrimitive.h"
#include "Scene/DrawSubmission.h"
#include "Scene/FrameState.h"

namespace qel {
namespace {

using Json = nlohmann::json;

// Numbers of a sphere (centre, radius), of a box (centre, three half-axes) and of a
// transform (a 4×4 matrix column by column), as the description writes them.
constexpr std::size_t kSphereNumbers = 4;
constexpr std::size_t kBoxNumbers = 12;
constexpr std::size_t kMatrixNumbers = 16;
// Half the side of the cube inscribed in a unit sphere: the content drawn for a sphere
// volume stays inside it.
const double kInscribedCubeHalf = 1.0 / std::sqrt(3.0);
// A content without a colour is drawn in a light grey, like untextured buildings.
constexpr Color kDefaultContentColor{0.8f, 0.8f, 0.8f, 1.0f};

struct ReadError {
  std::string what;
};

std::vector<double> numbers(const Json& value, std::size_t count, const char* what) {
  if (!value.is_array() || value.size() != count)
    throw ReadError{std::string(what) + " needs " + std::to_string(count) + " numbers"};
  std::vector<double> out;
  for (const Json& n : value) {
    if (!n.is_number()) throw ReadError{std::string(what) + " holds something that is not a number"};
    out.push_back(n.get<double>());
    if (!std::isfinite(out.back())) throw ReadError{std::string(what) + " holds a number that is not finite"};
  }
  return out;
}

OrientedBoundingBox boxOf(const Json& value, const char* what) {
  const std::vector<double> n = numbers(value, kBoxNumbers, what);
  return {{n[0], n[1], n[2]}, Matrix3::fromColumns({n[3], n[4], n[5]}, {n[6], n[7], n[8]}, {n[9], n[10], n[11]})};
}

BoundingVolume volumeOf(const Json& value) {
  if (!value.is_object()) throw ReadError{"the root has no boundingVolume"};
  if (value.contains("sphere")) {
    const std::vector<double> n = numbers(value["sphere"], kSphereNumbers, "boundingVolume.sphere");
    if (n[3] < 0.0) throw ReadError{"boundingVolume.sphere has a negative radius"};
    return BoundingVolume(BoundingSphere{{n[0], n[1], n[2]}, n[3]});
  }
  if (value.contains("box")) return BoundingVolume(boxOf(value["box"], "boundingVolume.box"));
  throw ReadError{"boundingVolume is neither a sphere nor a box"};
}

Matrix4 transformOf(const Json& root) {
  if (root.contains("transform")) {
    const std::vector<double> n = numbers(root["transform"], kMatrixNumbers, "transform");
    glm::dmat4 m;
    for (int c = 0; c < 4; ++c) {
      for (int r = 0; r < 4; ++r) m[c][r] = n[static_cast<std::size_t>(4 * c + r)];
    }
    return Matrix4(m);
  }
  if (root.contains("origin")) {
    const Json& o = root["origin"];
    if (!o.is_object() || !o.value("longitude", Json()).is_number() || !o.value("latitude", Json()).is_number())
      throw ReadError{"origin needs a longitude and a latitude in degrees"};
    const Cartographic at =
        Cartographic::fromDegrees(o["longitude"].get<double>(), o["latitude"].get<double>(), o.value("height", 0.0));
    if (!at.isFinite()) throw ReadError{"origin is not finite"};
    return Transforms::eastNorthUpToFixedFrame(Ellipsoid::WGS84.cartographicToCartesian(at));
  }
  return Matrix4::identity();
}

// Draws the content of the tileset's root each frame.
class TilesetContent final : public PrimitiveBase {
 public:
  explicit TilesetContent(std::weak_ptr<Qel3DTileset> tileset) : tileset_(std::move(tileset)) {}

  void update(FrameState& frameState) override {
    const std::shared_ptr<Qel3DTileset> tileset = tileset_.lock();
    if (!tileset || !tileset->getRoot()) return;
    const Qel3DTile& root = *tileset->getRoot();
    const Matrix4 content = root.getContentMatrix();
    // A broken model matrix puts the tiles nowhere: draw nothing that a pick could meet.
    if (!content.isFinite()) return;
    DrawItem item;
    item.primitive = this;
    item.selectable = isSelectEnabled();
    item.color = root.getContentColor();
    item.detail().tileFeature = root.getContentFeature();
    const bool visible = placeBoxSilhouette(item, frameState, content, {1.0, 1.0, 1.0}, isDepthTestEnabled());
    item.shown = visible && isShow() && tileset->getLayer()->isShowing();
    frameState.drawList.add(std::move(item));
  }

  std::optional<double> intersect(const Ray& ray) const override {
    const std::shared_ptr<Qel3DTileset> tileset = tileset_.lock();
    if (!tileset || !tileset->getRoot() || !tileset->getLayer()->isShowing()) return std::nullopt;
    return BoxPrimitive::intersectBox(tileset->getRoot()->getContentMatrix().inverse(), {1.0, 1.0, 1.0}, ray);
  }

 private:
  std::weak_ptr<Qel3DTileset> tileset_;
};

}  // namespace

Qel3DTileset::Qel3DTileset() : layer_(Layer::create(false)) {}

Qel3DTileset::~Qel3DTileset() = default;

std::shared_ptr<Qel3DTileset> Qel3DTileset::fromJson(std::string_view text, std::string* error) {
  try {
    const Json description = Json::parse(text);
    if (!description.is_object() || !description.contains("root") || !description["root"].is_object())
      throw ReadError{"the description has no root tile"};
    const Json& root = description["root"];
    const Matrix4 transform = transformOf(root);
    const BoundingVolume volume = volumeOf(root.value("boundingVolume", Json()));
    OrientedBoundingBox contentBox;
    Color color = kDefaultContentColor;
    const Json content = root.value("content", Json::object());
    if (content.contains("box")) {
      contentBox = boxOf(content["box"], "content.box");
    } else if (const OrientedBoundingBox* box = volume.getOrientedBoundingBox()) {
      contentBox = *box;
    } else {
      const BoundingSphere& sphere = *volume.getBoundingSphere();
      const double half = sphere.radius * kInscribedCubeHalf;
      contentBox = {sphere.center, Matrix3::fromScale({half, half, half})};
    }
    if (content.contains("color")) {
      const std::vector<double> c = numbers(content["color"], 4, "content.color");
      color = {static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]), static_cast<float>(c[3])};
    }
    std::shared_ptr<Qel3DTileset> tileset(new Qel3DTileset());
    tileset->root_ = std::make_unique<Qel3DTile>(*tileset, transform, volume, contentBox, color);
    tileset->root_->feature_ = std::make_shared<Qel3DTileFeature>(tileset, tileset->root_.get());
    tileset->primitive_ = std::make_shared<TilesetContent>(tileset);
    // The root is in: nobody has to wait for the tileset.
    tileset->layer_->_setReady();
    return tileset;
  } catch (const ReadError& e) {
    if (error) *error = e.what;
  } catch (const Json::exception& e) {
    if (error) *error = e.what();
  }
  return nullptr;
}

std::shared_ptr<Qel3DTileset> Qel3DTileset::fromFile(const std::string& path, std::string* error) {
  std::ifstream in(normalizePath(path), std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read " + path;
    return nullptr;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return fromJson(text.str(), error);
}

}  // namespace qel
