#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>

#include <osg/GraphicsContext>
#include <osg/ref_ptr>
#include <osgViewer/Viewer>

#include "BoxLayer.h"
#include "DrawListLayer.h"
#include "GlobeMesh.h"
#include "Hud.h"
#include "InputBridge.h"
#include "ScreenCapture.h"
#include "Sky.h"
#include "Viewer/CursorAction.h"

namespace qel::demo {

struct DemoHost;
class SessionRecorder;

struct WindowOptions {
  int width = 1280;
  int height = 800;
  /// Most globe tiles drawn at once.
  std::size_t maxTiles = 320;
  /// Feed the window's mouse and keys to the host (off while a script plays).
  bool forwardInput = true;
  bool showHelp = true;
  /// The equirectangular Earth image draped on the globe (Debian's xplanet-images).
  std::string imageryFile = "/usr/share/xplanet/images/earth.jpg";
};

/// The demo's window: an OpenSceneGraph viewer with no camera manipulator of its own,
/// drawing the host's globe, boxes, what the scene's last frame submitted (billboards,
/// labels, points, lines) and a heads-up display from the host camera's pose and
/// frustum. The host decides every camera motion; this class only looks.
class DemoWindow {
 public:
  /// Opens the window. Throws std::runtime_error when no window can be opened.
  DemoWindow(DemoHost& host, const WindowOptions& options);
  ~DemoWindow();
  DemoWindow(const DemoWindow&) = delete;
  DemoWindow& operator=(const DemoWindow&) = delete;

  bool isOpen() const;
  /// Collects the window's events (input goes into the host's queue).
  void pumpEvents();
  /// Draws the current state: run as the host viewer's render callback, after the
  /// manipulator's `updateCamera`.
  void render();
  /// Draws the current state again and writes it to a PNG file. Throws
  /// std::runtime_error when the image cannot be read or written.
  void capture(const std::filesystem::path& file);

  void toggleHelp();
  /// Window input goes through the recorder while one is set (null: straight to the host).
  void setRecorder(SessionRecorder* recorder) { input_->setRecorder(recorder); }
  const GlobeMesh& getMesh() const noexcept { return mesh_; }
  void setStatus(std::string status) { status_ = std::move(status); }

 private:
  void onResize(int width, int height);
  void syncCamera();
  void updateCursor();
  void updateHud();

  DemoHost& host_;
  WindowOptions options_;
  osg::ref_ptr<osgViewer::Viewer> viewer_;
  osg::ref_ptr<osg::GraphicsContext> context_;
  GlobeMesh mesh_;
  Sky sky_;
  BoxLayer boxes_;
  DrawListLayer drawList_;
  Hud hud_;
  osg::ref_ptr<ScreenCapture> capture_;
  osg::ref_ptr<InputBridge> input_;
  CursorAction shownCursor_ = CursorAction::Default;
  std::string status_;
  std::chrono::steady_clock::time_point lastRender_{};
  double fps_ = 0.0;
};

}  // namespace qel::demo
