#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include <osg/Camera>
#include <osg/Geometry>
#include <osg/MatrixTransform>
#include <osg/ref_ptr>
#include <osgText/Text>

#include "Common/Cartographic.h"
#include "Viewer/CursorAction.h"

namespace qel::demo {

/// What the heads-up display shows for one frame.
struct HudInfo {
  Cartographic eye;                     ///< radians, metres
  std::optional<Cartographic> pointer;  ///< the terrain point under the pointer, if any
  double metresPerPixel = 0.0;          ///< ground size of a pixel at the navigation centre
  double headingDeg = 0.0;
  double pitchDeg = 0.0;
  double range = 0.0;  ///< eye to navigation centre, metres
  double heightAboveTerrain = 0.0;
  double fps = 0.0;
  CursorAction cursor = CursorAction::Default;
  bool undergroundAllowed = false;
  bool topViewFixed = false;
  std::size_t tiles = 0;
  double graticuleDeg = 10.0;
  std::string status;  ///< e.g. the tour's progress
  std::string flight;  ///< the running flight's kind and the keyframe tour's progress; empty: none
  std::string tools;   ///< the editing tools' lines (picking mode, last pick); empty: none
};

/// The heads-up display: the camera read-outs at the top left, a status line at the
/// bottom, the key help panel at the top right (F1 shows and hides it), a compass at the
/// bottom right (its needle points north on the screen; a click on it turns north up)
/// and a scale bar at the bottom left.
class Hud {
 public:
  Hud(int width, int height);
  osg::Camera* getNode() const noexcept { return camera_.get(); }
  void resize(int width, int height);
  void setHelpVisible(bool visible);
  /// The editing tools' keys, one per line, listed under the demo's own in the help.
  void setToolHelp(const std::string& lines);
  bool isHelpVisible() const noexcept { return helpVisible_; }
  void update(const HudInfo& info);

  /// Whether a window position (pixels, origin at the top left) is on the compass.
  bool isOnCompass(float x, float y) const noexcept;

  /// Short name of a cursor action for the read-out.
  static std::string cursorName(CursorAction action);

 private:
  void layout();
  void buildCompass();
  void buildScaleBar();
  void updateScaleBar(double metresPerPixel);
  osg::ref_ptr<osgText::Text> makeText(osgText::Text::AlignmentType alignment) const;

  osg::ref_ptr<osg::Camera> camera_;
  osg::ref_ptr<osgText::Text> info_;
  osg::ref_ptr<osgText::Text> status_;
  osg::ref_ptr<osgText::Text> help_;
  osg::ref_ptr<osgText::Font> font_;
  osg::ref_ptr<osg::MatrixTransform> compass_;
  osg::ref_ptr<osg::MatrixTransform> needle_;
  osg::ref_ptr<osg::MatrixTransform> scaleBar_;
  osg::ref_ptr<osg::Vec3Array> scaleBarVertices_;
  osg::ref_ptr<osg::Geometry> scaleBarGeometry_;
  osg::ref_ptr<osgText::Text> scaleText_;
  double lastBarMetres_ = 0.0;
  int width_;
  int height_;
  float characterSize_;
  bool helpVisible_ = true;
  std::string lastInfo_;
  std::string lastStatus_;
};

}  // namespace qel::demo
