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
// The compass: a disc of this radius (pixels) this far from the bottom right corner, its
// needle red to the north.
constexpr float kCompassRadius = 34.0f;
constexpr float kCompassInset = 18.0f;
constexpr int kCompassSegments = 48;
const osg::Vec4 kCompassFace(0.0f, 0.0f, 0.0f, 0.55f);
const osg::Vec4 kCompassRim(0.95f, 0.97f, 1.0f, 0.9f);
const osg::Vec4 kNorthNeedle(0.90f, 0.20f, 0.15f, 1.0f);
const osg::Vec4 kSouthNeedle(0.85f, 0.85f, 0.85f, 1.0f);
// The scale bar: a round length (1, 2 or 5 × 10^k metres) drawn up to this many pixels,
// above the status line.
constexpr float kScaleBarMaxPixels = 160.0f;
constexpr float kScaleBarLift = 3.2f;  // character heights above the bottom edge
const osg::Vec4 kScaleBarColor(0.95f, 0.97f, 1.0f, 1.0f);

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
    "Flights (Esc stops them)\n"
    "  f next place   o orbit the centre\n"
    "  p path over the places\n"
    "  k keyframe tour: start, pause, resume\n"
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

// The largest of 1, 2, 5 × 10^k metres not over `metres`.
double roundLength(double metres) {
  const double decade = std::pow(10.0, std::floor(std::log10(metres)));
  for (const double m : {5.0, 2.0, 1.0}) {
    if (m * decade <= metres) return m * decade;
  }
  return decade;
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
  buildCompass();
  buildScaleBar();
  layout();
}

void Hud::buildCompass() {
  compass_ = new osg::MatrixTransform;
  needle_ = new osg::MatrixTransform;
  osg::ref_ptr<osg::Geometry> face = new osg::Geometry;
  osg::ref_ptr<osg::Vec3Array> disc = new osg::Vec3Array;
  disc->push_back(osg::Vec3());
  for (int i = 0; i <= kCompassSegments; ++i) {
    const float a = static_cast<float>(2.0 * Math::PI * i / kCompassSegments);
    disc->push_back(osg::Vec3(kCompassRadius * std::cos(a), kCompassRadius * std::sin(a), 0.0f));
  }
  osg::ref_ptr<osg::Vec4Array> faceColors = new osg::Vec4Array;
  faceColors->push_back(kCompassFace);
  face->setVertexArray(disc.get());
  face->setColorArray(faceColors.get(), osg::Array::BIND_OVERALL);
  face->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLE_FAN, 0, kCompassSegments + 2));
  osg::ref_ptr<osg::Geometry> rim = new osg::Geometry;
  osg::ref_ptr<osg::Vec4Array> rimColors = new osg::Vec4Array;
  rimColors->push_back(kCompassRim);
  rim->setVertexArray(disc.get());
  rim->setColorArray(rimColors.get(), osg::Array::BIND_OVERALL);
  rim->addPrimitiveSet(new osg::DrawArrays(GL_LINE_STRIP, 1, kCompassSegments + 1));

  // The needle: a red half toward the north, a pale one toward the south.
  const float length = 0.8f * kCompassRadius;
  const float width = 0.2f * kCompassRadius;
  osg::ref_ptr<osg::Geometry> needle = new osg::Geometry;
  osg::ref_ptr<osg::Vec3Array> tips = new osg::Vec3Array;
  osg::ref_ptr<osg::Vec4Array> tipColors = new osg::Vec4Array;
  for (const osg::Vec3& v : {osg::Vec3(-width, 0, 0), osg::Vec3(width, 0, 0), osg::Vec3(0, length, 0)}) {
    tips->push_back(v);
    tipColors->push_back(kNorthNeedle);
  }
  for (const osg::Vec3& v : {osg::Vec3(width, 0, 0), osg::Vec3(-width, 0, 0), osg::Vec3(0, -length, 0)}) {
    tips->push_back(v);
    tipColors->push_back(kSouthNeedle);
  }
  needle->setVertexArray(tips.get());
  needle->setColorArray(tipColors.get(), osg::Array::BIND_PER_VERTEX);
  needle->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, 6));
  osg::ref_ptr<osgText::Text> north = makeText(osgText::Text::CENTER_CENTER);
  north->setDrawMode(osgText::Text::TEXT);
  north->setText("N");
  north->setPosition(osg::Vec3(0.0f, kCompassRadius + 0.0f, 0.0f));
  north->setCharacterSize(kMinCharacterSize + 2.0f);

  osg::ref_ptr<osg::Geode> faceGeode = new osg::Geode;
  faceGeode->addDrawable(face.get());
  faceGeode->addDrawable(rim.get());
  osg::ref_ptr<osg::Geode> needleGeode = new osg::Geode;
  needleGeode->addDrawable(needle.get());
  needleGeode->addDrawable(north.get());
  needle_->addChild(needleGeode.get());
  compass_->addChild(faceGeode.get());
  compass_->addChild(needle_.get());
  osg::StateSet* state = compass_->getOrCreateStateSet();
  state->setMode(GL_BLEND, osg::StateAttribute::ON);
  state->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
  camera_->addChild(compass_.get());
}

void Hud::buildScaleBar() {
  scaleBar_ = new osg::MatrixTransform;
  scaleBarVertices_ = new osg::Vec3Array(6);
  scaleBarGeometry_ = new osg::Geometry;
  scaleBarGeometry_->setUseDisplayList(false);
  scaleBarGeometry_->setDataVariance(osg::Object::DYNAMIC);
  scaleBarGeometry_->setVertexArray(scaleBarVertices_.get());
  osg::ref_ptr<osg::Vec4Array> colors = new osg::Vec4Array;
  colors->push_back(kScaleBarColor);
  scaleBarGeometry_->setColorArray(colors.get(), osg::Array::BIND_OVERALL);
  scaleBarGeometry_->addPrimitiveSet(new osg::DrawArrays(GL_LINES, 0, 6));
  scaleText_ = makeText(osgText::Text::LEFT_BOTTOM);
  scaleText_->setDrawMode(osgText::Text::TEXT);
  osg::ref_ptr<osg::Geode> geode = new osg::Geode;
  geode->addDrawable(scaleBarGeometry_.get());
  geode->addDrawable(scaleText_.get());
  scaleBar_->addChild(geode.get());
  camera_->addChild(scaleBar_.get());
}

void Hud::updateScaleBar(double metresPerPixel) {
  if (!(metresPerPixel > 0.0) || !std::isfinite(metresPerPixel)) {
    scaleBar_->setNodeMask(0u);
    return;
  }
  scaleBar_->setNodeMask(~0u);
  const double metres = roundLength(metresPerPixel * kScaleBarMaxPixels);
  const float pixels = static_cast<float>(metres / metresPerPixel);
  const float tick = 0.5f * characterSize_;
  (*scaleBarVertices_)[0] = osg::Vec3(0.0f, 0.0f, 0.0f);
  (*scaleBarVertices_)[1] = osg::Vec3(pixels, 0.0f, 0.0f);
  (*scaleBarVertices_)[2] = osg::Vec3(0.0f, 0.0f, 0.0f);
  (*scaleBarVertices_)[3] = osg::Vec3(0.0f, tick, 0.0f);
  (*scaleBarVertices_)[4] = osg::Vec3(pixels, 0.0f, 0.0f);
  (*scaleBarVertices_)[5] = osg::Vec3(pixels, tick, 0.0f);
  scaleBarVertices_->dirty();
  scaleBarGeometry_->dirtyBound();
  if (metres != lastBarMetres_) {
    char text[32];
    if (metres >= 1000.0)
      std::snprintf(text, sizeof text, "%g km", metres / 1000.0);
    else
      std::snprintf(text, sizeof text, "%g m", metres);
    scaleText_->setText(text);
    lastBarMetres_ = metres;
  }
}

bool Hud::isOnCompass(float x, float y) const noexcept {
  const float cx = static_cast<float>(width_) - kCompassInset - kCompassRadius;
  // The centre's height above the window's bottom edge (layout() puts it there).
  const float cy = kCompassInset + kCompassRadius + characterSize_ + kMargin;
  const float dx = x - cx;
  const float dy = (static_cast<float>(height_) - y) - cy;
  return dx * dx + dy * dy <= kCompassRadius * kCompassRadius;
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
  // The compass sits above the status line at the right, the scale bar above it at the left.
  compass_->setMatrix(osg::Matrix::translate(static_cast<float>(width_) - kCompassInset - kCompassRadius,
                                             kCompassInset + kCompassRadius + characterSize_ + kMargin, 0.0f));
  scaleBar_->setMatrix(osg::Matrix::translate(kMargin + kBoxMargin, kScaleBarLift * characterSize_, 0.0f));
  scaleText_->setCharacterSize(characterSize_);
  scaleText_->setPosition(osg::Vec3(0.0f, 0.6f * characterSize_, 0.0f));
}

void Hud::resize(int width, int height) {
  if (width <= 0 || height <= 0 || (width == width_ && height == height_)) return;
  width_ = width;
  height_ = height;
  characterSize_ = std::max(kMinCharacterSize, static_cast<float>(height) * kTextPerWindowHeight);
  layout();
}

void Hud::setToolHelp(const std::string& lines) {
  help_->setText(lines.empty() ? std::string(kHelpText) : std::string(kHelpText) + "\nEditing tools\n" + lines,
                 osgText::String::ENCODING_UTF8);
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
    case CursorAction::ClickPick: return "click pick";
    case CursorAction::RectanglePick: return "rect. pick";
    default: return "tool " + std::to_string(static_cast<int>(action));
  }
}

void Hud::update(const HudInfo& info) {
  char line[160];
  std::string text = "Eye      " + formatPlace(info.eye) + "\n";
  text += "Pointer  " + (info.pointer ? formatPlace(*info.pointer) : std::string("off the globe")) + "\n";
  // The needle turns against the heading: north lies `heading` to the left of up.
  needle_->setMatrix(osg::Matrix::rotate(Math::toRadians(info.headingDeg), osg::Vec3(0.0f, 0.0f, 1.0f)));
  updateScaleBar(info.metresPerPixel);
  std::snprintf(line, sizeof line, "Heading %6.1f°  Pitch %6.1f°  Range %s\n", info.headingDeg, info.pitchDeg,
                formatDistance(info.range).c_str());
  text += line;
  std::snprintf(line, sizeof line, "Above terrain %s  %s%s", formatDistance(info.heightAboveTerrain).c_str(),
                info.undergroundAllowed ? "[underground allowed] " : "", info.topViewFixed ? "[top view fixed]" : "");
  text += line;
  if (!info.flight.empty()) text += "\nFlying   " + info.flight;
  if (!info.tools.empty()) text += "\n" + info.tools;
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
