#include "DemoWindow.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <osg/Light>
#include <osg/Viewport>
#include <osgDB/WriteFile>
#include <osgViewer/GraphicsWindow>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "DemoHost.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Scene/Terrain.h"
#include "Viewer/ViewerImpl.h"

namespace qel::demo {

namespace {

constexpr const char* kWindowTitle = "qelDemo - globe navigation";
constexpr int kWindowX = 60;  // where the window opens on the screen (pixels)
constexpr int kWindowY = 40;
// Space behind the globe: the sky draws over it wherever there is air.
const osg::Vec4 kClearColor(0.0f, 0.0f, 0.0f, 1.0f);
// Head light: ambient and diffuse parts (their sum lights ground seen face-on fully).
const osg::Vec4 kAmbientLight(0.55f, 0.55f, 0.55f, 1.0f);
const osg::Vec4 kDiffuseLight(0.5f, 0.5f, 0.5f, 1.0f);
// Depth range per frame: the near plane at a fraction of the eye's height above the
// terrain (nothing can be closer than that along the view except steep relief, which
// this fraction leaves room for), never under a metre; the far plane beyond the horizon
// of the eye plus that of the highest mountain.
constexpr double kNearFraction = 0.2;
constexpr double kMinNear = 1.0;
constexpr double kFarSlack = 1.1;
// From under the terrain the far side of the globe, a diameter away, may be in view.
constexpr double kUndergroundFarRadii = 2.0;
// Frames per second shown: smoothed over roughly this many frames.
constexpr double kFpsSmoothing = 10.0;

osg::Matrixd toOsg(const Matrix4& m) {
  osg::Matrixd out;
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 4; ++row) out(col, row) = m(row, col);
  }
  return out;
}

osgViewer::GraphicsWindow::MouseCursor cursorShape(CursorAction action) {
  using W = osgViewer::GraphicsWindow;
  switch (action) {
    case CursorAction::Default: return W::LeftArrowCursor;
    case CursorAction::Pan: return W::HandCursor;
    case CursorAction::TurnTilt: return W::CycleCursor;
    case CursorAction::HoverMovable: return W::HandCursor;
    default: return W::CrosshairCursor;
  }
}

}  // namespace

DemoWindow::DemoWindow(DemoHost& host, const WindowOptions& options)
    : host_(host),
      options_(options),
      viewer_(new osgViewer::Viewer),
      mesh_(host.viewer->getScene().getGlobe().getTerrain(), options.maxTiles, options.imageryFile),
      drawList_(options.width, options.height),
      hud_(options.width, options.height),
      capture_(new ScreenCapture),
      input_(new InputBridge(
          *host.viewer, [this](int w, int h) { onResize(w, h); },
          [this](float x, float y) { return hud_.isOnCompass(x, y); })) {
  osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
  traits->readDISPLAY();
  traits->setUndefinedScreenDetailsToDefaultScreen();
  traits->x = kWindowX;
  traits->y = kWindowY;
  traits->width = options.width;
  traits->height = options.height;
  traits->windowDecoration = true;
  traits->doubleBuffer = true;
  traits->windowName = kWindowTitle;
  context_ = osg::GraphicsContext::createGraphicsContext(traits.get());
  if (!context_) {
    throw std::runtime_error("cannot open a window on display \"" + traits->displayName() +
                             "\" (is DISPLAY set? scripts/demo runs under xvfb-run when it is not)");
  }

  osg::Camera* camera = viewer_->getCamera();
  camera->setGraphicsContext(context_.get());
  camera->setViewport(new osg::Viewport(0, 0, options.width, options.height));
  camera->setDrawBuffer(GL_BACK);
  camera->setReadBuffer(GL_BACK);
  camera->setClearColor(kClearColor);
  // The host camera decides the frustum; the toolkit must not move the planes.
  camera->setComputeNearFarMode(osg::CullSettings::DO_NOT_COMPUTE_NEAR_FAR);
  // The light follows the eye, so the globe's lit side faces the viewer; much of it is
  // ambient, so that ground seen at a grazing angle keeps its colours (the relief's own
  // shading is baked into the terrain's colours).
  viewer_->setLightingMode(osg::View::HEADLIGHT);
  if (osg::Light* light = viewer_->getLight()) {
    light->setAmbient(kAmbientLight);
    light->setDiffuse(kDiffuseLight);
    light->setSpecular(osg::Vec4(0.0f, 0.0f, 0.0f, 1.0f));
  }
  camera->setFinalDrawCallback(capture_.get());

  osg::ref_ptr<osg::Group> root = new osg::Group;
  root->addChild(sky_.getNode());
  root->addChild(mesh_.getNode());
  root->addChild(boxes_.getNode());
  // Over the globe and under the display: both are drawn after the scene, in this order.
  root->addChild(drawList_.getNode());
  root->addChild(hud_.getNode());
  viewer_->setSceneData(root.get());
  viewer_->setThreadingModel(osgViewer::Viewer::SingleThreaded);
  // No toolkit camera manipulator, and Esc is a command of the demo, not "quit".
  viewer_->setCameraManipulator(nullptr);
  viewer_->setKeyEventSetsDone(0);
  viewer_->setQuitEventSetsDone(true);
  viewer_->addEventHandler(input_.get());
  input_->setForwarding(options.forwardInput);
  hud_.setHelpVisible(options.showHelp);
  if (host.editorCommands) hud_.setToolHelp(host.editorCommands->helpText());
  viewer_->realize();
  if (!viewer_->isRealized()) throw std::runtime_error("the window could not be set up for drawing");
}

DemoWindow::~DemoWindow() {
  // The host may outlive the window: it must not call into a dead window.
  if (host_.viewer) host_.viewer->setRenderCallback(nullptr);
  viewer_->setSceneData(nullptr);
}

bool DemoWindow::isOpen() const { return !viewer_->done() && !input_->isClosed(); }

void DemoWindow::pumpEvents() {
  viewer_->advance();
  viewer_->eventTraversal();
}

void DemoWindow::onResize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  // A scripted session keeps the size it started with: its pointer positions are pixels
  // of that window.
  if (options_.forwardInput) host_.viewer->getScene().setWindowSize(width, height);
  viewer_->getCamera()->setViewport(0, 0, width, height);
  drawList_.resize(width, height);
  hud_.resize(width, height);
}

void DemoWindow::toggleHelp() { hud_.setHelpVisible(!hud_.isHelpVisible()); }

void DemoWindow::render() {
  const auto now = std::chrono::steady_clock::now();
  if (lastRender_ != std::chrono::steady_clock::time_point{}) {
    const double dt = std::chrono::duration<double>(now - lastRender_).count();
    if (dt > 0.0) fps_ = fps_ == 0.0 ? 1.0 / dt : fps_ + (1.0 / dt - fps_) / kFpsSmoothing;
  }
  lastRender_ = now;

  SceneImpl& scene = host_.viewer->getScene();
  mesh_.update(scene.getCamera());
  sky_.update(scene.getCamera());
  boxes_.update(scene.getPrimitives());
  drawList_.update(scene.getLastFrame());
  updateCursor();
  updateHud();
  viewer_->updateTraversal();
  // After the update traversal, so nothing in it can overwrite the host's pose.
  syncCamera();
  viewer_->renderingTraversals();
}

void DemoWindow::capture(const std::filesystem::path& file) {
  capture_->arm();
  viewer_->renderingTraversals();
  const osg::ref_ptr<osg::Image> image = capture_->take();
  if (!image || !image->data()) throw std::runtime_error("could not read back the frame for " + file.string());
  if (!osgDB::writeImageFile(*image, file.string())) throw std::runtime_error("could not write " + file.string());
}

void DemoWindow::syncCamera() {
  const SceneImpl& scene = host_.viewer->getScene();
  const Camera& camera = scene.getCamera();
  const Terrain& terrain = scene.getGlobe().getTerrain();
  const Vector3<double> eye = camera.getPosition();

  double heightAboveTerrain = 0.0;
  double heightAboveEllipsoid = 0.0;
  if (const auto c = Ellipsoid::WGS84.cartesianToCartographic(eye)) {
    heightAboveEllipsoid = c->height;
    heightAboveTerrain = c->height - terrain.heightAt(c->longitude, c->latitude);
  }
  const double radius = Ellipsoid::WGS84.getMinimumRadius();
  const double eyeRadius = radius + std::max(heightAboveEllipsoid, 0.0);
  const double horizon = std::sqrt(std::max(eyeRadius * eyeRadius - radius * radius, 0.0));
  const double top = radius + std::max(terrain.maximumHeight(), 0.0);
  const double mountainHorizon = std::sqrt(top * top - radius * radius);
  // Under the terrain the near plane keeps its distance from the surface above, and the
  // whole inside of the globe can be in view: the far plane reaches across the Earth.
  const double nearPlane = std::max(kMinNear, kNearFraction * std::abs(heightAboveTerrain));
  const double farReach = heightAboveTerrain < 0.0 ? kUndergroundFarRadii * radius : horizon + mountainHorizon;
  const double farPlane = std::max(nearPlane * 2.0, farReach * kFarSlack);

  // The host's projection (its field of view and aspect ratio, exactly what its pick
  // rays use) with only the depth range replaced.
  glm::dmat4 projection = camera.getProjectionMatrix().glm();
  projection[2][2] = -(farPlane + nearPlane) / (farPlane - nearPlane);
  projection[3][2] = -2.0 * farPlane * nearPlane / (farPlane - nearPlane);

  osg::Camera* osgCamera = viewer_->getCamera();
  osgCamera->setViewMatrix(toOsg(camera.getViewMatrix()));
  osgCamera->setProjectionMatrix(toOsg(Matrix4(projection)));
}

void DemoWindow::updateCursor() {
  CursorAction action = host_.viewer->getSceneCursor();
  // The manipulator sets the pan and turn/tilt actions while it drags and nothing sets
  // them back afterwards, so the pointer shows them only while a button is held.
  if ((action == CursorAction::Pan || action == CursorAction::TurnTilt) && !input_->isButtonHeld()) {
    action = CursorAction::Default;
  }
  if (action == shownCursor_) return;
  shownCursor_ = action;
  if (auto* window = dynamic_cast<osgViewer::GraphicsWindow*>(context_.get())) window->setCursor(cursorShape(action));
}

void DemoWindow::updateHud() {
  const SceneImpl& scene = host_.viewer->getScene();
  const Camera& camera = scene.getCamera();
  const GlobeManipulatorImpl& globe = host_.globe();
  HudInfo info;
  const Vector3<double> eye = camera.getPosition();
  if (const auto c = Ellipsoid::WGS84.cartesianToCartographic(eye)) info.eye = *c;
  // The terrain under the pointer, by the host's own globe pick (what the library's picks
  // see too); its height is the terrain's.
  float px = 0.0f, py = 0.0f;
  if (input_->getPointer(px, py)) {
    if (const auto hit = scene.getGlobe().pick(camera.getPickRay({px, py}), scene)) {
      if (auto c = Ellipsoid::WGS84.cartesianToCartographic(*hit)) {
        c->height = scene.getGlobe().getTerrain().heightAt(c->longitude, c->latitude);
        info.pointer = *c;
      }
    }
  } else if (const Cartographic& mouse = globe.getMouseCartographic(); !(mouse == Cartographic{})) {
    // A scripted session has no window pointer: show the point the library last found
    // under the script's pointer, at the terrain's height.
    Cartographic c = mouse;
    c.height = scene.getGlobe().getTerrain().heightAt(c.longitude, c.latitude);
    info.pointer = c;
  }
  const HeadingPitchRoll hpr = Transforms::viewQuaternionToViewHeadingPitchRoll(eye, camera.getOrientation());
  info.headingDeg = Math::toDegrees(hpr.heading);
  info.pitchDeg = Math::toDegrees(hpr.pitch);
  info.range = (globe.getNavCenter() - eye).length();
  // Ground size of a pixel at the navigation centre (where the view is pointed).
  const double fovY = camera.getFrustum().getFovy();
  const Viewport& viewport = camera.getViewport();
  if (viewport.height() > 0) info.metresPerPixel = info.range * 2.0 * std::tan(0.5 * fovY) / viewport.height();
  info.heightAboveTerrain = globe.getHeightAboveTerrain();
  info.fps = fps_;
  info.cursor = host_.viewer->getSceneCursor();
  info.undergroundAllowed = globe.isUndergroundAllowed();
  info.topViewFixed = globe.isTopViewFixed();
  info.tiles = mesh_.getTileCount();
  info.graticuleDeg = mesh_.getGraticuleSpacing();
  info.status = status_;
  info.flight = host_.commands->describeFlight();
  if (host_.editorCommands) info.tools = host_.editorCommands->statusText();
  hud_.update(info);
}

}  // namespace qel::demo
