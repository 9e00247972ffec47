#pragma once

// What the editing tour should pick, worked out from the tour file and the sample
// features' positions alone (not from the picker): shared by the tour's test on a bare
// host and the headless window test.
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

#include "Common/Ellipsoid.h"
#include "Common/Vector2.h"
#include "DemoHost.h"
#include "Renderer/Camera.h"
#include "SampleFeatures.h"
#include "Scene/SceneImpl.h"
#include "Scene/Terrain.h"
#include "Viewer/ViewerImpl.h"

namespace qel::test {

/// Feature ids named in pick descriptions ("Point feature 3" → 3).
inline std::set<std::int64_t> featureIds(const std::vector<std::string>& objects) {
  std::set<std::int64_t> ids;
  const std::string word = "feature ";
  for (const std::string& object : objects) {
    const auto at = object.find(word);
    if (at != std::string::npos) ids.insert(std::stoll(object.substr(at + word.size())));
  }
  return ids;
}

struct EditingTour {
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 400;
  static constexpr const char* kValleyMark = "01-valley-features";
  // A feature is drawn as a mark of 12 px around its anchor; one whose anchor lies this
  // far inside the rectangle is certainly picked, one this far outside certainly not.
  static constexpr double kClearance = 10.0;

  // The first rectangle (the tour's first drag line) and the click, in window pixels.
  Vector2<double> from, to, click;

  static EditingTour load() {
    std::ifstream in(QEL_DEMO_EDITING_TOUR);
    const nlohmann::json script = nlohmann::json::parse(in);
    EditingTour tour;
    bool haveDrag = false, haveClick = false;
    for (const auto& step : script.at("steps")) {
      if (!haveDrag && step.contains("dragLine")) {
        tour.from = {step["dragLine"]["from"][0].get<double>(), step["dragLine"]["from"][1].get<double>()};
        tour.to = {step["dragLine"]["to"][0].get<double>(), step["dragLine"]["to"][1].get<double>()};
        haveDrag = true;
      }
      if (!haveClick && step.contains("click")) {
        tour.click = {step["click"]["at"][0].get<double>(), step["click"]["at"][1].get<double>()};
        haveClick = true;
      }
    }
    EXPECT_TRUE(haveDrag && haveClick) << "the editing tour drags a rectangle and clicks";
    return tour;
  }

  // The window position of each sample feature's anchor (clamped to the terrain) from
  // the host's current camera.
  std::map<std::int64_t, Vector2<double>> featureAnchors(const demo::DemoHost& host) const {
    std::map<std::int64_t, Vector2<double>> anchors;
    const SceneImpl& scene = host.viewer->getScene();
    const Terrain& terrain = scene.getGlobe().getTerrain();
    for (std::int64_t id = demo::SampleFeatures::kFirstInside; id <= demo::SampleFeatures::kOutside; ++id) {
      std::vector<Cartographic> at = demo::SampleFeatures::positions(host.commands->getPlaces(), id);
      if (at.empty()) continue;
      Cartographic anchor = at.front();
      anchor.height = terrain.heightAt(anchor.longitude, anchor.latitude);
      if (auto window = scene.getCamera().worldToWindow(Ellipsoid::WGS84.cartographicToCartesian(anchor))) {
        anchors[id] = *window;
      }
    }
    return anchors;
  }

  // The ids inside the rectangle; fails when a feature lies too near its edge to say.
  std::set<std::int64_t> insideRectangle(const std::map<std::int64_t, Vector2<double>>& anchors) const {
    const double x0 = std::min(from.x, to.x), x1 = std::max(from.x, to.x);
    const double y0 = std::min(from.y, to.y), y1 = std::max(from.y, to.y);
    std::set<std::int64_t> inside;
    for (const auto& [id, p] : anchors) {
      const double depthInside = std::min({p.x - x0, x1 - p.x, p.y - y0, y1 - p.y});
      EXPECT_TRUE(depthInside >= kClearance || depthInside <= -kClearance)
          << "feature " << id << " at (" << p.x << ", " << p.y << ") lies on the rectangle's edge";
      if (depthInside > 0.0) inside.insert(id);
    }
    return inside;
  }

  // The feature whose mark the click lands on (within half the mark), if any.
  std::optional<std::int64_t> featureUnderClick(const std::map<std::int64_t, Vector2<double>>& anchors) const {
    constexpr double kHalfMark = 6.0;
    for (const auto& [id, p] : anchors) {
      if (std::abs(p.x - click.x) < kHalfMark && std::abs(p.y - click.y) < kHalfMark) return id;
    }
    return std::nullopt;
  }
};

}  // namespace qel::test
