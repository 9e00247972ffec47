#include "DrawListLayer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>

#include <osg/BlendFunc>
#include <osg/Image>
#include <osg/TriangleFunctor>
#include <osgDB/ReadFile>
#include <osgUtil/Tessellator>

#include "Common/Math.h"
#include "Common/ModulePath.h"
#include "Scene/DrawList.h"
#include "Scene/Label.h"

namespace qel::demo {

namespace {

// Labels are drawn in WenQuanYi Micro Hei (Debian's fonts-wqy-microhei), which has the
// CJK glyphs the editors' measurements and names use; without it osgText's own font.
constexpr const char* kLabelFontPath = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
// A dark rim around labels and points, so that white marks read over snow and cloud.
const osg::Vec4 kRimColor(0.0f, 0.0f, 0.0f, 0.75f);
constexpr double kPointRim = 1.0;  // pixels around a point's disc
// Segments of a full circle for points and round line joins: smooth at the sizes drawn.
constexpr int kCircleSegments = 16;
// Lines thinner than this (half width, pixels) get no round joins: nothing to round.
constexpr double kMinJoinHalfWidth = 1.0;

osg::Vec4 toOsg(const Color& c) { return osg::Vec4(c.red, c.green, c.blue, c.alpha); }

// Collects the triangles of a tessellated geometry, whatever primitive sets it chose.
struct TriangleCollector {
  std::vector<osg::Vec3>* out = nullptr;
  void operator()(const osg::Vec3& a, const osg::Vec3& b, const osg::Vec3& c) const {
    out->insert(out->end(), {a, b, c});
  }
};

}  // namespace

const std::map<DrawKind, DrawListLayer::DrawFunction>& DrawListLayer::drawFunctions() {
  // The primitives' instances and the ground lines reach the draw list as window paths,
  // like the collections' lines.
  // clang-format off
  static const std::map<DrawKind, DrawFunction> table{
      {DrawKind::Billboard,      &DrawListLayer::drawBillboard},
      {DrawKind::Label,          &DrawListLayer::drawLabel},
      {DrawKind::Point,          &DrawListLayer::drawPoint},
      {DrawKind::Polyline,       &DrawListLayer::drawLine},
      {DrawKind::Primitive,      &DrawListLayer::drawLine},
      {DrawKind::GroundPolyline, &DrawListLayer::drawLine},
      {DrawKind::Area,           &DrawListLayer::drawArea},
  };
  // clang-format on
  return table;
}

DrawListLayer::DrawListLayer(int width, int height)
    : camera_(new osg::Camera),
      geode_(new osg::Geode),
      shapes_(new osg::Geometry),
      shapeVertices_(new osg::Vec3Array),
      shapeColors_(new osg::Vec4Array),
      width_(width),
      height_(height) {
  if (std::filesystem::exists(kLabelFontPath)) font_ = osgText::readRefFontFile(kLabelFontPath);
  if (!font_) std::cerr << "qelDemo: no " << kLabelFontPath << " (fonts-wqy-microhei): labels use a plain font\n";
  camera_->setReferenceFrame(osg::Transform::ABSOLUTE_RF);
  // After the globe, before the heads-up display (which is added to the scene later).
  camera_->setRenderOrder(osg::Camera::POST_RENDER);
  camera_->setClearMask(0);
  camera_->setAllowEventFocus(false);
  camera_->setViewMatrix(osg::Matrix::identity());
  osg::StateSet* state = camera_->getOrCreateStateSet();
  state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
  state->setMode(GL_DEPTH_TEST, osg::StateAttribute::OFF);
  state->setMode(GL_CULL_FACE, osg::StateAttribute::OFF);
  state->setMode(GL_BLEND, osg::StateAttribute::ON);
  state->setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
  // Drawn in submission order, as the host submitted them: no sorting by depth.
  state->setRenderBinDetails(0, "RenderBin", osg::StateSet::OVERRIDE_RENDERBIN_DETAILS);

  shapes_->setUseDisplayList(false);
  shapes_->setUseVertexBufferObjects(true);
  shapes_->setDataVariance(osg::Object::DYNAMIC);
  shapes_->setVertexArray(shapeVertices_.get());
  shapes_->setColorArray(shapeColors_.get(), osg::Array::BIND_PER_VERTEX);
  geode_->setDataVariance(osg::Object::DYNAMIC);
  camera_->addChild(geode_.get());
  resize(width, height);
}

void DrawListLayer::resize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  width_ = width;
  height_ = height;
  camera_->setProjectionMatrix(osg::Matrix::ortho2D(0.0, width_, 0.0, height_));
  camera_->setViewport(0, 0, width_, height_);
}

osg::Vec3 DrawListLayer::toLayer(double x, double y) const {
  return osg::Vec3(static_cast<float>(x), static_cast<float>(height_ - y), 0.0f);
}

void DrawListLayer::update(const DrawList& list) {
  geode_->removeDrawables(0, geode_->getNumDrawables());
  shapeVertices_->clear();
  shapeColors_->clear();
  labelsUsed_ = 0;
  drawn_ = 0;
  // The flat shapes go first; images and texts are added over them in order.
  geode_->addDrawable(shapes_.get());
  const auto& table = drawFunctions();
  for (const DrawItem& item : list.items()) {
    if (!item.shown) continue;
    const auto row = table.find(item.kind);
    if (row == table.end()) continue;
    (this->*(row->second))(item);
    ++drawn_;
  }
  shapes_->removePrimitiveSet(0, shapes_->getNumPrimitiveSets());
  shapes_->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(shapeVertices_->size())));
  shapeVertices_->dirty();
  shapeColors_->dirty();
  shapes_->dirtyBound();
}

void DrawListLayer::addTriangle(const osg::Vec3& a, const osg::Vec3& b, const osg::Vec3& c, const osg::Vec4& color) {
  for (const osg::Vec3& v : {a, b, c}) {
    shapeVertices_->push_back(v);
    shapeColors_->push_back(color);
  }
}

void DrawListLayer::addDisc(double x, double y, double radius, const osg::Vec4& color) {
  const osg::Vec3 centre = toLayer(x, y);
  for (int i = 0; i < kCircleSegments; ++i) {
    const double a0 = 2.0 * Math::PI * i / kCircleSegments;
    const double a1 = 2.0 * Math::PI * (i + 1) / kCircleSegments;
    addTriangle(centre, toLayer(x + radius * std::cos(a0), y + radius * std::sin(a0)),
                toLayer(x + radius * std::cos(a1), y + radius * std::sin(a1)), color);
  }
}

void DrawListLayer::addSegment(double x0, double y0, double x1, double y1, double halfWidth, const osg::Vec4& color) {
  const double length = std::hypot(x1 - x0, y1 - y0);
  if (!(length > 0.0)) return;
  // The side offsets: the segment's normal scaled to half the width.
  const double nx = -(y1 - y0) / length * halfWidth;
  const double ny = (x1 - x0) / length * halfWidth;
  const osg::Vec3 a = toLayer(x0 + nx, y0 + ny), b = toLayer(x1 + nx, y1 + ny);
  const osg::Vec3 c = toLayer(x1 - nx, y1 - ny), d = toLayer(x0 - nx, y0 - ny);
  addTriangle(a, b, c, color);
  addTriangle(a, c, d, color);
}

void DrawListLayer::addBoxOutline(const WindowBox& box, const osg::Vec4& color) {
  constexpr double kHalf = 0.5;  // a one-pixel frame
  addSegment(box.x0, box.y0, box.x1, box.y0, kHalf, color);
  addSegment(box.x1, box.y0, box.x1, box.y1, kHalf, color);
  addSegment(box.x1, box.y1, box.x0, box.y1, kHalf, color);
  addSegment(box.x0, box.y1, box.x0, box.y0, kHalf, color);
}

void DrawListLayer::drawPoint(const DrawItem& item) {
  const double x = 0.5 * (item.box.x0 + item.box.x1);
  const double y = 0.5 * (item.box.y0 + item.box.y1);
  const double radius = 0.5 * std::min(item.box.x1 - item.box.x0, item.box.y1 - item.box.y0);
  if (!(radius > 0.0)) return;
  addDisc(x, y, radius + kPointRim, kRimColor);
  addDisc(x, y, radius, toOsg(item.color));
}

void DrawListLayer::drawLine(const DrawItem& item) {
  if (!(item.halfWidth > 0.0) && item.path.size() >= 2) return;
  const osg::Vec4 color = toOsg(item.color);
  if (item.path.size() < 2) {
    // A thing drawn without a window path: its footprint, so it is seen where it is picked.
    addBoxOutline(item.box, color);
    return;
  }
  for (std::size_t i = 1; i < item.path.size(); ++i) {
    addSegment(item.path[i - 1].x, item.path[i - 1].y, item.path[i].x, item.path[i].y, item.halfWidth, color);
  }
  if (item.halfWidth < kMinJoinHalfWidth) return;
  for (std::size_t i = 1; i + 1 < item.path.size(); ++i) addDisc(item.path[i].x, item.path[i].y, item.halfWidth, color);
}

void DrawListLayer::drawArea(const DrawItem& item) {
  if (item.path.size() < 3) return;
  // The ring and its holes as polygons of one geometry, cut into triangles with the
  // odd winding rule (a hole is inside one ring more than its surroundings), then added
  // to the flat shapes, so that the area lies under what was submitted after it (its
  // outline).
  osg::ref_ptr<osg::Geometry> rings = new osg::Geometry;
  osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
  rings->setVertexArray(vertices.get());
  const auto addRing = [&](const std::vector<Vector2<double>>& ring) {
    if (ring.size() < 3) return;
    const auto first = static_cast<GLint>(vertices->size());
    for (const Vector2<double>& p : ring) vertices->push_back(toLayer(p.x, p.y));
    rings->addPrimitiveSet(new osg::DrawArrays(GL_POLYGON, first, static_cast<GLsizei>(ring.size())));
  };
  addRing(item.path);
  for (const std::vector<Vector2<double>>& hole : item.holes()) addRing(hole);
  osg::ref_ptr<osgUtil::Tessellator> tessellator = new osgUtil::Tessellator;
  tessellator->setTessellationType(osgUtil::Tessellator::TESS_TYPE_GEOMETRY);
  tessellator->setWindingType(osgUtil::Tessellator::TESS_WINDING_ODD);
  tessellator->setBoundaryOnly(false);
  tessellator->retessellatePolygons(*rings);
  std::vector<osg::Vec3> triangles;
  osg::TriangleFunctor<TriangleCollector> collect;
  collect.out = &triangles;
  rings->accept(collect);
  const osg::Vec4 color = toOsg(item.color);
  for (std::size_t i = 0; i + 2 < triangles.size(); i += 3)
    addTriangle(triangles[i], triangles[i + 1], triangles[i + 2], color);
}

osg::Texture2D* DrawListLayer::texture(const std::string& file) {
  const auto found = textures_.find(file);
  if (found != textures_.end()) return found->second.get();
  osg::ref_ptr<osg::Texture2D> texture;
  // The host accepts either separator in image paths (the editors' handle images are
  // given with backslashes); the image plugins want forward ones.
  if (osg::ref_ptr<osg::Image> image = file.empty() ? nullptr : osgDB::readRefImageFile(normalizePath(file))) {
    texture = new osg::Texture2D(image.get());
    texture->setResizeNonPowerOfTwoHint(false);
    texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR);
    texture->setFilter(osg::Texture::MAG_FILTER, osg::Texture::LINEAR);
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_EDGE);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);
  } else {
    std::cerr << "qelDemo: cannot read billboard image \"" << file << "\"; its box is outlined instead\n";
  }
  // Remembered either way: a missing file is reported once, not every frame.
  textures_[file] = texture;
  return texture.get();
}

void DrawListLayer::drawBillboard(const DrawItem& item) {
  osg::Texture2D* image = texture(item.image);
  if (image == nullptr) {
    addBoxOutline(item.box, toOsg(item.color));
    return;
  }
  // The image fills the item's box (its size times the scale, placed by its origins),
  // tinted by the item's colour.
  osg::ref_ptr<osg::Geometry> quad = osg::createTexturedQuadGeometry(
      toLayer(item.box.x0, item.box.y1), osg::Vec3(static_cast<float>(item.box.x1 - item.box.x0), 0.0f, 0.0f),
      osg::Vec3(0.0f, static_cast<float>(item.box.y1 - item.box.y0), 0.0f));
  osg::ref_ptr<osg::Vec4Array> tint = new osg::Vec4Array;
  tint->push_back(toOsg(item.color));
  quad->setColorArray(tint.get(), osg::Array::BIND_OVERALL);
  quad->getOrCreateStateSet()->setTextureAttributeAndModes(0, image, osg::StateAttribute::ON);
  geode_->addDrawable(quad.get());
}

osgText::Text* DrawListLayer::nextLabel(const std::string& string) {
  if (labelsUsed_ == labels_.size()) {
    osg::ref_ptr<osgText::Text> text = new osgText::Text;
    if (font_) text->setFont(font_.get());
    text->setCharacterSizeMode(osgText::Text::OBJECT_COORDS);
    text->setAlignment(osgText::Text::LEFT_BOTTOM);
    text->setBackdropType(osgText::Text::OUTLINE);
    text->setBackdropColor(kRimColor);
    text->setDataVariance(osg::Object::DYNAMIC);
    labels_.push_back(text);
    labelStrings_.emplace_back();
  }
  osgText::Text* text = labels_[labelsUsed_].get();
  if (labelStrings_[labelsUsed_] != string) {
    text->setText(string, osgText::String::ENCODING_UTF8);
    labelStrings_[labelsUsed_] = string;
  }
  ++labelsUsed_;
  return text;
}

void DrawListLayer::drawLabel(const DrawItem& item) {
  const double size = item.box.y1 - item.box.y0;
  if (!(size > 0.0)) return;
  osgText::Text* text = nextLabel(item.text());
  // The box's bottom left corner: the host sized the box from the font size.
  text->setPosition(toLayer(item.box.x0, item.box.y1));
  text->setCharacterSize(static_cast<float>(size));
  text->setColor(toOsg(item.color));
  // The background is not part of the draw item: it is read from the label the item came
  // from (a label a feature's entity drew has none to read, and is drawn without).
  const auto* label = dynamic_cast<const Label*>(item.element);
  if (label != nullptr && label->get().showBackground) {
    const double padding = std::isfinite(label->get().backgroundPadding) && label->get().backgroundPadding > 0.0
                               ? label->get().backgroundPadding
                               : 0.0;
    const float pad = static_cast<float>(padding);
    // The text's own extent (all its lines) in layer pixels; the shapes are drawn first,
    // so the quad lies under the glyphs.
    const osg::BoundingBox& bb = text->getBoundingBox();
    const osg::Vec3 a(bb.xMin() - pad, bb.yMin() - pad, 0.0f), b(bb.xMax() + pad, bb.yMin() - pad, 0.0f);
    const osg::Vec3 c(bb.xMax() + pad, bb.yMax() + pad, 0.0f), d(bb.xMin() - pad, bb.yMax() + pad, 0.0f);
    const osg::Vec4 color = toOsg(label->get().backgroundColor);
    addTriangle(a, b, c, color);
    addTriangle(a, c, d, color);
  }
  geode_->addDrawable(text);
}

}  // namespace qel::demo
