#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include <osg/Camera>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Texture2D>
#include <osg/ref_ptr>
#include <osgText/Font>
#include <osgText/Text>

#include "Scene/DrawItem.h"

namespace qel {
class DrawList;
}

namespace qel::demo {

/// Draws what the scene's last frame submitted (its draw list) over the globe: billboards
/// with their images, labels in a CJK-capable font, points, lines with their pixel
/// widths and filled areas with their holes; a label asking for a background gets it
/// under its text. Every item carries where it landed in the window (its box, or a line's
/// window path), so this layer draws in window pixels and never projects anything itself: what is seen is exactly what
/// the picks test. Hidden items are not drawn.
///
/// One function per kind of item, found in a table: a kind the host adds later draws
/// nothing until its function is added to the table.
class DrawListLayer {
 public:
  DrawListLayer(int width, int height);
  osg::Camera* getNode() const noexcept { return camera_.get(); }
  void resize(int width, int height);
  /// Rebuilds the drawing from `list` (call once per frame, after the host's frame).
  void update(const DrawList& list);
  /// Items drawn by the last update (shown items of a known kind).
  std::size_t getDrawnCount() const noexcept { return drawn_; }
  /// What the last update built, for tests: the flat shapes (triangles, layer pixels
  /// with y up) first, then one drawable per billboard image and per label, in order.
  const osg::Geode& getGeode() const noexcept { return *geode_; }

 private:
  using DrawFunction = void (DrawListLayer::*)(const DrawItem&);
  static const std::map<DrawKind, DrawFunction>& drawFunctions();

  void drawBillboard(const DrawItem& item);
  void drawLabel(const DrawItem& item);
  void drawPoint(const DrawItem& item);
  void drawLine(const DrawItem& item);
  void drawArea(const DrawItem& item);

  // Window pixels (origin top left, y down) to the layer's coordinates (y up).
  osg::Vec3 toLayer(double x, double y) const;
  // Flat shapes, gathered into one geometry per frame.
  void addTriangle(const osg::Vec3& a, const osg::Vec3& b, const osg::Vec3& c, const osg::Vec4& color);
  void addDisc(double x, double y, double radius, const osg::Vec4& color);
  void addSegment(double x0, double y0, double x1, double y1, double halfWidth, const osg::Vec4& color);
  void addBoxOutline(const WindowBox& box, const osg::Vec4& color);
  // The texture of an image file, read once; null when it cannot be read.
  osg::Texture2D* texture(const std::string& file);
  osgText::Text* nextLabel(const std::string& string);

  osg::ref_ptr<osg::Camera> camera_;
  osg::ref_ptr<osg::Geode> geode_;
  osg::ref_ptr<osg::Geometry> shapes_;
  osg::ref_ptr<osg::Vec3Array> shapeVertices_;
  osg::ref_ptr<osg::Vec4Array> shapeColors_;
  osg::ref_ptr<osgText::Font> font_;
  std::map<std::string, osg::ref_ptr<osg::Texture2D>> textures_;
  // Texts reused from frame to frame, with the string each holds: laying out a text is
  // the costly part, so it is redone only when the string changes.
  std::vector<osg::ref_ptr<osgText::Text>> labels_;
  std::vector<std::string> labelStrings_;
  std::size_t labelsUsed_ = 0;
  int width_;
  int height_;
  std::size_t drawn_ = 0;
};

}  // namespace qel::demo
