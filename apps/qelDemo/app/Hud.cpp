#include "Hud.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include <osg/Geode>
#include <osgText/Font>

#include "Common/Math.h"

namespace qel::demo {

namespace {

// A monospaced face keeps the columns of numbers still while they change. Debian's
// DejaVu; without it osgText's built-in font is used.
constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
// Text height: about 1/55 of the window height, readable from 400 to 1200 pixels tall.
constexpr float kTextPerWindowHeight = 1.0f / 55.0f;
constexpr float kMinCharacterSize = 10.0f;
constexpr float kMargin = 10.0f;  // pixels from the window edges
constexpr float kBoxMargin = 6.0f;
const osg::Vec4 kTextColor(0.95f, 0.97f, 1.0f, 1.0f);
const osg::Vec4 kBoxColor(0.0f, 0.0f, 0.0f, 0.55f);

constexpr const char* kHelpText =
    "Mouse\n"
    "  left drag        pan (grab the globe)\n"
    "  middle/right     turn and tilt\n"
    "  wheel            zoom toward the pointer\n"
    "  quick flick      pan with momentum\n"
    "Keys (held)\n"
    "  arrows           pan; Shift: turn/tilt about centre\n"
    "  w a s d          move the eye; Shift: turn/tilt in place\n"
    "  q e              turn about the centre\n"
    "  PgUp PgDn        eye up / down\n"
    "Commands\n"
    "  h home   n north up   t top-down view\n"
    "  u underground   Esc stop all motion\n"
    "  1 mountain  2 valley  3 coast  4 north pole\n"
    "  F1 this help";

std::string formatDistance(double metres) {
  char buffer[64];
  if (!std::isfinite(metres)) return "-";
  if (std::abs(metres) >= 1.0e5)
    std::snprintf(buffer, sizeof buffer, "%.1f km", metres / 1000.0);
  else
    std::snprintf(buffer, sizeof buffer, "%.1f m", metres);
  return buffer;
}

std::string formatPlace(const Cartographic& c) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "lon %11.6f°  lat %10.6f°  h %s", Math::toDegrees(c.longitude),
                Math::toDegrees(c.latitude), formatDistance(c.height).c_str());
  return buffer;
}

}  // namespace

Hud::Hud(int width, int height)
    : camera_(new osg::Camera),
      width_(width),
      height_(height),
      characterSize_(std::max(kMinCharacterSize, static_cast<float>(height) * kTextPerWindowHeight)) {
  if (std::filesystem::exists(kFontPath)) font_ = osgText::readRefFontFile(kFontPath);
  camera_->setReferenceFrame(osg::Transform::ABSOLUTE_RF);
  camera_->setRenderOrder(osg::Camera::POST_RENDER);
  camera_->setClearMask(GL_DEPTH_BUFFER_BIT);
  camera_->setAllowEventFocus(false);
  camera_->setViewMatrix(osg::Matrix::identity());
  osg::StateSet* state = camera_->getOrCreateStateSet();
  state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
  state->setMode(GL_DEPTH_TEST, osg::StateAttribute::OFF);

  info_ = makeText(osgText::Text::LEFT_TOP);
  status_ = makeText(osgText::Text::LEFT_BOTTOM);
  help_ = makeText(osgText::Text::RIGHT_TOP);
  help_->setText(kHelpText, osgText::String::ENCODING_UTF8);
  osg::ref_ptr<osg::Geode> geode = new osg::Geode;
  geode->addDrawable(info_.get());
  geode->addDrawable(status_.get());
  geode->addDrawable(help_.get());
  camera_->addChild(geode.get());
  layout();
}

osg::ref_ptr<osgText::Text> Hud::makeText(osgText::Text::AlignmentType alignment) const {
  osg::ref_ptr<osgText::Text> text = new osgText::Text;
  if (font_) text->setFont(font_.get());
  text->setCharacterSizeMode(osgText::Text::SCREEN_COORDS);
  text->setAlignment(alignment);
  text->setColor(kTextColor);
  text->setDrawMode(osgText::Text::TEXT | osgText::Text::FILLEDBOUNDINGBOX);
  text->setBoundingBoxColor(kBoxColor);
  text->setBoundingBoxMargin(kBoxMargin);
  text->setDataVariance(osg::Object::DYNAMIC);
  return text;
}

void Hud::layout() {
  camera_->setProjectionMatrix(osg::Matrix::ortho2D(0.0, width_, 0.0, height_));
  camera_->setViewport(0, 0, width_, height_);
  const float top = static_cast<float>(height_) - kMargin;
  for (auto* text : {info_.get(), status_.get(), help_.get()}) text->setCharacterSize(characterSize_);
  info_->setPosition(osg::Vec3(kMargin, top, 0.0f));
  status_->setPosition(osg::Vec3(kMargin, kMargin, 0.0f));
  help_->setPosition(osg::Vec3(static_cast<float>(width_) - kMargin, top, 0.0f));
}

void Hud::resize(int width, int height) {
  if (width <= 0 || height <= 0 || (width == width_ && height == height_)) return;
  width_ = width;
  height_ = height;
  characterSize_ = std::max(kMinCharacterSize, static_cast<float>(height) * kTextPerWindowHeight);
  layout();
}

void Hud::setHelpVisible(bool visible) {
  helpVisible_ = visible;
  help_->setNodeMask(visible ? ~0u : 0u);
}

std::string Hud::cursorName(CursorAction action) {
  switch (action) {
    case CursorAction::Default: return "default";
    case CursorAction::Pan: return "pan";
    case CursorAction::TurnTilt: return "turn/tilt";
    default: return "tool " + std::to_string(static_cast<int>(action));
  }
}

void Hud::update(const HudInfo& info) {
  char line[160];
  std::string text = "Eye      " + formatPlace(info.eye) + "\n";
  text += "Pointer  " + (info.pointer ? formatPlace(*info.pointer) : std::string("off the globe")) + "\n";
  std::snprintf(line, sizeof line, "Heading %6.1f°  Pitch %6.1f°  Range %s\n", info.headingDeg, info.pitchDeg,
                formatDistance(info.range).c_str());
  text += line;
  std::snprintf(line, sizeof line, "Above terrain %s  %s%s", formatDistance(info.heightAboveTerrain).c_str(),
                info.undergroundAllowed ? "[underground allowed] " : "", info.topViewFixed ? "[top view fixed]" : "");
  text += line;
  if (text != lastInfo_) {
    info_->setText(text, osgText::String::ENCODING_UTF8);
    lastInfo_ = std::move(text);
  }
  std::snprintf(line, sizeof line, "%5.1f fps  cursor: %-9s  tiles %zu  grid %g°  %s", info.fps,
                cursorName(info.cursor).c_str(), info.tiles, info.graticuleDeg, info.status.c_str());
  std::string status = line;
  if (status != lastStatus_) {
    status_->setText(status, osgText::String::ENCODING_UTF8);
    lastStatus_ = std::move(status);
  }
}

}  // namespace qel::demo
