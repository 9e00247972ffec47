// The editing tour played into the demo's own host (no window) under the manual clock:
// its rectangle picks exactly the sample features whose marks lie inside the dragged
// rectangle, its click picks the feature under the pointer, the camera holds still while
// rectangles are drawn and pans again once picking is off.
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "DemoHost.h"
#include "EditingTourExpectations.h"
#include "Renderer/Camera.h"
#include "SampleFeatures.h"
#include "Scene/SceneImpl.h"
#include "Scene/Terrain.h"
#include "Viewer/InputScript.h"
#include "Viewer/ScriptPlayer.h"
#include "Viewer/ViewerImpl.h"

namespace {

using qel::test::EditingTour;
using qel::test::featureIds;

struct Pose {
  qel::Vector3<double> eye;
  qel::Quaternion orientation;
  bool operator==(const Pose&) const = default;
};

TEST(EditingTour, PicksTheFeaturesInsideTheRectangleAndTheOneUnderTheClick) {
  qel::Clock::useManualTime();
  const EditingTour tour = EditingTour::load();
  qel::demo::DemoHostOptions options;
  options.windowWidth = EditingTour::kWidth;
  options.windowHeight = EditingTour::kHeight;
  qel::demo::DemoHost host = qel::demo::DemoHost::create(options);
  ASSERT_NE(host.picking, nullptr);

  const qel::Camera& camera = host.viewer->getScene().getCamera();
  std::map<std::string, Pose> poses;
  std::map<std::int64_t, qel::Vector2<double>> anchors;
  qel::ScriptPlayer player(*host.viewer, qel::InputScript::load(QEL_DEMO_EDITING_TOUR));
  player.onMark([&](const std::string& name, std::uint64_t) {
    poses[name] = {camera.getPosition(), camera.getOrientation()};
    // Where the features stand on the screen while the picks are made (the camera holds
    // still from the first mark to the click's).
    if (name == EditingTour::kValleyMark) anchors = tour.featureAnchors(host);
  });
  player.playAll();

  ASSERT_EQ(anchors.size(), 6u);
  const std::set<std::int64_t> inside = tour.insideRectangle(anchors);
  // The tour is laid out so that the rectangle holds the first five and not the sixth.
  ASSERT_EQ(inside, (std::set<std::int64_t>{1, 2, 3, 4, 5}));

  const auto& picks = host.picking->picks();
  ASSERT_EQ(picks.size(), 3u) << "two rectangles and a click";
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE("rectangle " + std::to_string(i + 1));
    EXPECT_TRUE(picks[i].rectangle);
    EXPECT_EQ(featureIds(picks[i].objects), inside);
    EXPECT_EQ(picks[i].objects.size(), inside.size()) << "each object once";
  }
  EXPECT_FALSE(picks[2].rectangle);
  const std::optional<std::int64_t> under = tour.featureUnderClick(anchors);
  ASSERT_TRUE(under.has_value()) << "the click is aimed at a feature's mark";
  EXPECT_EQ(featureIds(picks[2].objects), std::set<std::int64_t>{*under});

  // The picker used the rectangle drags: the camera did not pan. The last drag, with
  // picking off, pans.
  EXPECT_EQ(poses.at(EditingTour::kValleyMark), poses.at("edit-rectangle-pick"));
  EXPECT_EQ(poses.at(EditingTour::kValleyMark), poses.at("03-click-picked"));
  EXPECT_NE(poses.at("03-click-picked"), poses.at("04-picking-off-pan"));
  EXPECT_EQ(host.picking->mode(), "");
  qel::Clock::useRealTime();
}

}  // namespace
