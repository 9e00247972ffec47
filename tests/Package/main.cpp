// A program using the qel package: creates a viewer, installs a globe manipulator, runs
// one frame. Exits 0 when the frame announced the start pose and the library's resource
// folder sits next to qelCommon, where the editors load their images from.

#include <cstdio>
#include <filesystem>
#include <memory>

#include "Common/ModulePath.h"
#include "Common/Viewpoint.h"
#include "Manipulator/GlobeManipulator.h"
#include "Viewer/ViewerImpl.h"

int main() {
  auto viewer = qel::ViewerImpl::create();
  auto globe = std::make_shared<qel::GlobeManipulator>();
  viewer->setCameraManipulator(globe);
  int viewpointEvents = 0;
  globe->getViewpointChanged().addEventListener([&](const qel::Viewpoint&) { ++viewpointEvents; });
  viewer->frame();
  viewer->stop();

  if (viewpointEvents != 1) {
    std::fprintf(stderr, "qelConsumer: %d viewpoint events after the first frame, expected 1\n", viewpointEvents);
    return 1;
  }
  const std::filesystem::path resources = std::filesystem::path(qel::getModulePath("qelCommon")) / "Resource";
  if (!std::filesystem::is_directory(resources)) {
    std::fprintf(stderr, "qelConsumer: no resource folder at %s\n", resources.c_str());
    return 1;
  }
  std::printf("qelConsumer: one frame run, resources at %s\n", resources.c_str());
  return 0;
}
