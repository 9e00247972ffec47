// The README's example, compiled and run, so that it cannot rot. The block between the
// markers must appear in README.md exactly as written here.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "Common/Clock.h"
#include "Manipulator/GlobeManipulator.h"
#include "Viewer/ViewerImpl.h"

namespace {

int viewpointEvents = 0;

void readmeExample() {
  // The block is kept as the README shows it, not as the formatter would lay it out.
  // clang-format off
  // README-BEGIN
auto viewer = qel::ViewerImpl::create();          // a scene with the default globe
auto globe = std::make_shared<qel::GlobeManipulator>();
viewer->setCameraManipulator(globe);              // the viewer now drives it every frame
globe->getViewpointChanged().addEventListener([](const qel::Viewpoint& v) {
  // called on the main thread after each frame in which the camera moved
  ++viewpointEvents; (void)v;
});
globe->setUndergroundAllowed(true);               // from any thread
viewer->queueEvent(qel::GUIEventAdapter::makeScroll(400, 300, 120));  // one wheel notch
viewer->frame();                                  // zoom inertia starts easing in
  // README-END
  // clang-format on
  EXPECT_TRUE(globe->isUndergroundAllowed());
}

std::string between(const std::string& text, const std::string& begin, const std::string& end) {
  const auto b = text.find(begin);
  const auto e = text.find(end);
  if (b == std::string::npos || e == std::string::npos) return {};
  const auto start = text.find('\n', b) + 1;
  return text.substr(start, text.rfind('\n', e) + 1 - start);
}

}  // namespace

TEST(ReadmeExample, RunsAndMatchesTheReadme) {
  qel::Clock::useManualTime();
  readmeExample();
  EXPECT_EQ(viewpointEvents, 1) << "the first frame announces the start pose";
  qel::Clock::useRealTime();

  std::ifstream readme(QEL_SOURCE_DIR "/README.md");
  std::ifstream self(QEL_SOURCE_DIR "/tests/Manipulator/ReadmeExampleTest.cpp");
  std::stringstream r, s;
  r << readme.rdbuf();
  s << self.rdbuf();
  std::string block = between(s.str(), "// README-BEGIN", "// README-END");
  // The test's extra line (counting events) is not part of the README's version.
  const std::string counting = "  ++viewpointEvents; (void)v;\n";
  block.erase(block.find(counting), counting.size());
  ASSERT_FALSE(block.empty());
  EXPECT_NE(r.str().find(block), std::string::npos) << "README.md no longer shows the example as compiled here";
}
