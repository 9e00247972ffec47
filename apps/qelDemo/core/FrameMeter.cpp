#include "FrameMeter.h"

#include "DemoHost.h"
#include "Viewer/ViewerImpl.h"

namespace qel::demo {

FrameMeter::FrameMeter(DemoHost& host) : host_(host) {}

FrameMeter::~FrameMeter() {
  // The callback refers to this object.
  if (host_.viewer) host_.viewer->setRenderCallback(nullptr);
}

void FrameMeter::setRenderer(std::function<void()> render) {
  host_.viewer->setRenderCallback([this, render = std::move(render)](ViewerImpl&) {
    const auto start = Clock::now();
    render();
    render_ += Clock::now() - start;
  });
}

bool FrameMeter::measure(const std::function<bool()>& frame) {
  render_ = Clock::duration{0};
  excluded_ = Clock::duration{0};
  if (host_.timing) host_.timing->takeElapsed();
  const auto start = Clock::now();
  const bool ran = frame();
  const auto total = Clock::now() - start;
  const auto library = host_.timing ? host_.timing->takeElapsed() : std::chrono::nanoseconds{0};
  // Once a flight has put the manipulator back in the stand-in's place (see DemoHost),
  // a frame's library share is no longer known: such frames are left out of the figures
  // rather than counted as frames in which the library took no time.
  const bool standInGone = host_.timing && host_.viewer->getCameraManipulator() != host_.timing;
  if (ran && !standInGone) {
    const auto host = total - render_ - excluded_;
    times_.add(library, std::chrono::duration_cast<std::chrono::nanoseconds>(host),
               std::chrono::duration_cast<std::chrono::nanoseconds>(render_));
  }
  return ran;
}

void FrameMeter::exclude(const std::function<void()>& work) {
  const auto start = Clock::now();
  // Drawing done for a screenshot is not part of a frame either.
  const auto renderBefore = render_;
  work();
  render_ = renderBefore;
  excluded_ += Clock::now() - start;
}

}  // namespace qel::demo
