#include "DemoHost.h"

#include <array>
#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Common/Cartographic.h"
#include "Common/Ellipsoid.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Manipulator/GlobeManipulator.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Manipulator/ModelEditor.h"
#include "Manipulator/PointEditor.h"
#include "Manipulator/PolygonEditor.h"
#include "Manipulator/PolygonEditorImpl.h"
#include "Manipulator/PolylineEditor.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "Manipulator/ScenePicker.h"
#include "Manipulator/ScenePickerImpl.h"
#include "Scene/BoxPrimitive.h"
#include "Scene/SceneImpl.h"
#include "PlaceMarks.h"
#include "SampleFeatures.h"
#include "Scene/Terrain.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"

namespace qel::demo {

namespace {

constexpr double kDeg = Math::RADIANS_PER_DEGREE;

// The buildings standing in the valley: offsets east and north of the valley floor
// (metres), half extents (metres) and colours. Big enough to be seen from a few
// kilometres, and they give world-position picks something besides the terrain.
struct BoxSpec {
  double east, north;
  Vector3<double> halfExtents;
  Color color;
};
const std::array<BoxSpec, 5> kValleyBoxes{{
    {0.0, 0.0, {60.0, 40.0, 90.0}, {0.85f, 0.25f, 0.20f, 1.0f}},
    {250.0, 120.0, {40.0, 40.0, 60.0}, {0.95f, 0.80f, 0.30f, 1.0f}},
    {-220.0, 180.0, {80.0, 30.0, 45.0}, {0.30f, 0.55f, 0.90f, 1.0f}},
    {120.0, -260.0, {35.0, 35.0, 140.0}, {0.80f, 0.80f, 0.85f, 1.0f}},
    {-180.0, -200.0, {50.0, 50.0, 30.0}, {0.55f, 0.30f, 0.75f, 1.0f}},
}};

double parseField(const std::string& text, const char* name) {
  std::size_t used = 0;
  double value = 0.0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    throw std::invalid_argument(std::string(name) + " \"" + text + "\" is not a number");
  }
  if (used != text.size() || !std::isfinite(value)) {
    throw std::invalid_argument(std::string(name) + " \"" + text + "\" is not a finite number");
  }
  return value;
}

void addValleyBoxes(SceneImpl& scene, const NamedPlaces& places) {
  const NamedPlace* valley = places.forKey(2);
  if (valley == nullptr) return;
  const Terrain& terrain = scene.getGlobe().getTerrain();
  const Ellipsoid& e = Ellipsoid::WGS84;
  const Vector3<double> centre = e.cartographicToCartesian({valley->view.longitude, valley->view.latitude, 0.0});
  const Matrix4 enu = Transforms::eastNorthUpToFixedFrame(centre);
  for (const BoxSpec& b : kValleyBoxes) {
    const Vector3<double> ground = enu.multiplyByPoint({b.east, b.north, 0.0});
    auto c = e.cartesianToCartographic(ground);
    if (!c) continue;
    c->height = terrain.heightAt(c->longitude, c->latitude);
    scene.getPrimitives().add(BoxPrimitive::standingOn(e.cartographicToCartesian(*c), b.halfExtents, b.color));
  }
}

}  // namespace

StartPose parseStartPose(const std::string& text) {
  std::vector<std::string> fields;
  std::stringstream in(text);
  std::string field;
  while (std::getline(in, field, ',')) fields.push_back(field);
  if (!text.empty() && text.back() == ',') fields.push_back("");
  if (fields.size() != 3 && fields.size() != 5) {
    throw std::invalid_argument("expected LON,LAT,HEIGHT or LON,LAT,HEIGHT,HEADING,PITCH, got \"" + text + "\"");
  }
  StartPose pose;
  pose.longitudeDeg = parseField(fields[0], "longitude");
  pose.latitudeDeg = parseField(fields[1], "latitude");
  pose.height = parseField(fields[2], "height");
  if (fields.size() == 5) {
    pose.headingDeg = parseField(fields[3], "heading");
    pose.pitchDeg = parseField(fields[4], "pitch");
  }
  if (pose.longitudeDeg < -180.0 || pose.longitudeDeg > 180.0) {
    throw std::invalid_argument("longitude " + fields[0] + " is outside [-180, 180]");
  }
  if (pose.latitudeDeg < -90.0 || pose.latitudeDeg > 90.0) {
    throw std::invalid_argument("latitude " + fields[1] + " is outside [-90, 90]");
  }
  if (pose.pitchDeg < -90.0 || pose.pitchDeg > 90.0) {
    throw std::invalid_argument("pitch " + fields[4] + " is outside [-90, 90]");
  }
  return pose;
}

EyePose toEyePose(const StartPose& start) {
  EyePose pose;
  pose.position = Ellipsoid::WGS84.cartographicToCartesian(
      Cartographic::fromDegrees(start.longitudeDeg, start.latitudeDeg, start.height));
  pose.orientation = Transforms::viewHeadingPitchRollToViewQuaternion(
      pose.position, HeadingPitchRoll{start.headingDeg * kDeg, start.pitchDeg * kDeg, 0.0});
  return pose;
}

DemoHost DemoHost::create(const DemoHostOptions& options) {
  DemoHost host;
  auto scene = std::make_shared<SceneImpl>();
  scene->setWindowSize(options.windowWidth, options.windowHeight);
  host.viewer = ViewerImpl::create(scene);
  host.manipulator = std::make_shared<GlobeManipulator>();
  host.viewer->setCameraManipulator(host.manipulator);
  if (options.measureLibrary) {
    // The facade keeps its viewer reference; the viewer now calls through the stand-in.
    host.timing = std::make_shared<TimingManipulator>(host.manipulator->_getImplHandle());
    host.viewer->setCameraManipulatorImpl(host.timing);
  }

  NamedPlaces places = NamedPlaces::find(scene->getGlobe().getTerrain());
  addValleyBoxes(*scene, places);
  SampleFeatures::add(*scene, places);
  host.sampleTileset = SampleFeatures::addModels(*scene, places);
  addPlaceMarks(*scene, places);

  auto globeImpl =
      std::shared_ptr<GlobeManipulatorImpl>(host.manipulator->_getImplHandle(), &host.manipulator->_getGlobeImpl());
  host.commands = std::make_shared<AppCommands>(globeImpl, std::move(places));
  host.viewer->addEventHandler(host.commands);

  // The tools' keys before the tools: a tool key reaches the facade, never the tool's
  // own gestures. The picker registers its handler when it is bound.
  host.editorCommands = std::make_shared<EditorCommands>();
  host.viewer->addEventHandler(host.editorCommands);
  if (ScenePicker* picker = ScenePicker::instance()) {
    Viewer face(host.viewer);
    picker->bind(&face);
    // The picker is one per process: a new host starts with picking off, whatever mode
    // an earlier binding left it in.
    picker->stopPicking();
    host.picking = PickerKeys::install(*host.editorCommands, *picker);
  }
  // The editors are one per process too: a new host ends whatever an earlier one left
  // them doing (posted after the bind, so it runs on this host's first frame).
  if (PointEditor* editor = PointEditor::instance()) {
    Viewer face(host.viewer);
    editor->bind(&face);
    editor->stopEditing(true, true);
    host.pointEditing = PointEditorKeys::install(*host.editorCommands, *editor, *scene);
  }
  if (PolylineEditor* editor = PolylineEditor::instance()) {
    Viewer face(host.viewer);
    editor->bind(&face);
    editor->stopEditing(true, true);
    host.lineEditing = PolylineEditorKeys::install(*host.editorCommands, *editor, *scene);
  }
  if (PolygonEditor* editor = PolygonEditor::instance()) {
    Viewer face(host.viewer);
    editor->bind(&face);
    editor->stopEditing(true, true);
    host.areaEditing = PolygonEditorKeys::install(*host.editorCommands, *editor, *scene);
  }
  // After the other editors' keys: g over a model or a tileset goes to the model editor,
  // over anything else it keeps their meaning.
  if (ModelEditor* editor = ModelEditor::instance()) {
    Viewer face(host.viewer);
    editor->bind(&face);
    editor->stopEditing();
    host.modelEditing = ModelEditorKeys::install(*host.editorCommands, *editor, *scene);
  }

  if (options.startEye) {
    globeImpl->setPosition(options.startEye->first);
    globeImpl->setOrientation(options.startEye->second);
  } else if (options.start) {
    const EyePose eye = toEyePose(*options.start);
    globeImpl->setPosition(eye.position);
    globeImpl->setOrientation(eye.orientation);
  }
  return host;
}

GlobeManipulatorImpl& DemoHost::globe() const { return manipulator->_getGlobeImpl(); }

}  // namespace qel::demo
