#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "AppCommands.h"
#include "EditorCommands.h"
#include "Common/Quaternion.h"
#include "Common/Vector3.h"
#include "NamedPlaces.h"
#include "ModelEditorKeys.h"
#include "PickerKeys.h"
#include "PointEditorKeys.h"
#include "PolygonEditorKeys.h"
#include "PolylineEditorKeys.h"
#include "TimingManipulator.h"

namespace qel {
class GlobeManipulator;
class GlobeManipulatorImpl;
class Qel3DTileset;
class ViewerImpl;
}  // namespace qel

namespace qel::demo {

/// Where the camera starts: the eye's longitude and latitude (degrees), height (metres
/// above the ellipsoid), heading (degrees from north, clockwise) and pitch (degrees,
/// −90 looks straight down).
struct StartPose {
  double longitudeDeg = 0.0;
  double latitudeDeg = 0.0;
  double height = 0.0;
  double headingDeg = 0.0;
  double pitchDeg = -90.0;
};

/// Parses "LON,LAT,HEIGHT[,HEADING,PITCH]" (degrees and metres). Throws
/// std::invalid_argument naming the bad field.
StartPose parseStartPose(const std::string& text);

struct DemoHostOptions {
  int windowWidth = 1280;
  int windowHeight = 800;
  std::optional<StartPose> start;
  /// An exact start pose (a recorded session's); wins over `start`.
  std::optional<std::pair<Vector3<double>, Quaternion>> startEye;
  /// Put the timing stand-in in front of the manipulator (the demo does; the tests that
  /// replay a session on a bare host do not). The tweened flights (keys f and k) look
  /// for the globe manipulator in the viewer itself, so the first of them puts the
  /// manipulator back in the stand-in's place: the library's share of a frame is measured
  /// until then.
  bool measureLibrary = false;
};

/// The host side of the demo, without any drawing: a viewer over the procedural globe,
/// the globe manipulator installed in it, the app's command keys as its first event
/// handler, the editing tools' keys as its second, the scene picker (bound to the viewer,
/// so its handler comes after both), a few boxes standing on the terrain and the sample
/// features beside them. The demo window draws this; the
/// tests build the same thing to check that the window adds no motion of its own.
struct DemoHost {
  std::shared_ptr<ViewerImpl> viewer;
  std::shared_ptr<GlobeManipulator> manipulator;
  std::shared_ptr<AppCommands> commands;
  /// The tools' key table (F6–F8 for the picker) and their lines for the display.
  std::shared_ptr<EditorCommands> editorCommands;
  /// The picker's keys and the picks made so far; null when the picker is gone.
  std::shared_ptr<PickerKeys> picking;
  /// The point editor's keys (F2, Return, g) and its hand-overs; null when it is gone.
  std::shared_ptr<PointEditorKeys> pointEditing;
  /// The polyline editor's keys (F3, Return, Ctrl+Z, Insert, Delete, m, v); null when
  /// it is gone.
  std::shared_ptr<PolylineEditorKeys> lineEditing;
  /// The polygon editor's keys (F4, and the line editor's keys while it is active); null
  /// when it is gone.
  std::shared_ptr<PolygonEditorKeys> areaEditing;
  /// The model editor's keys (g over a model or tileset, Return) and the values it
  /// reported; null when it is gone.
  std::shared_ptr<ModelEditorKeys> modelEditing;
  /// Set when `measureLibrary` was asked for.
  std::shared_ptr<TimingManipulator> timing;
  /// The sample tileset beside the valley (SampleFeatures); null when it could not be read.
  std::shared_ptr<Qel3DTileset> sampleTileset;

  static DemoHost create(const DemoHostOptions& options);

  GlobeManipulatorImpl& globe() const;
};

/// Eye pose of a start pose.
struct EyePose {
  Vector3<double> position;
  Quaternion orientation;
};
EyePose toEyePose(const StartPose& start);

}  // namespace qel::demo
