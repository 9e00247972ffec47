#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include <osg/Camera>
#include <osg/ref_ptr>
#include <osgText/Text>

#include "Common/Cartographic.h"
#include "Viewer/CursorAction.h"

namespace qel::demo {

/// What the heads-up display shows for one frame.
struct HudInfo {
  Cartographic eye;                     ///< radians, metres
  std::optional<Cartographic> pointer;  ///< the globe point under the pointer, if any
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
};

/// The heads-up display: the camera read-outs at the top left, a status line at the
/// bottom and the key help panel at the top right (F1 shows and hides it).
class Hud {
 public:
  Hud(int width, int height);
  osg::Camera* getNode() const noexcept { return camera_.get(); }
  void resize(int width, int height);
  void setHelpVisible(bool visible);
  bool isHelpVisible() const noexcept { return helpVisible_; }
  void update(const HudInfo& info);

  /// Short name of a cursor action for the read-out.
  static std::string cursorName(CursorAction action);

 private:
  void layout();
  osg::ref_ptr<osgText::Text> makeText(osgText::Text::AlignmentType alignment) const;

  osg::ref_ptr<osg::Camera> camera_;
  osg::ref_ptr<osgText::Text> info_;
  osg::ref_ptr<osgText::Text> status_;
  osg::ref_ptr<osgText::Text> help_;
  osg::ref_ptr<osgText::Font> font_;
  int width_;
  int height_;
  float characterSize_;
  bool helpVisible_ = true;
  std::string lastInfo_;
  std::string lastStatus_;
};

}  // namespace qel::demo
