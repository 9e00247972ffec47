// Layers as a flight waits for them: a ready promise fulfilled later on whatever thread
// makes the layer ready (or broken when it never will be), the scene a layer is in, and
// whether it is shown.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "Data/DataSourceDisplay.h"
#include "Layers/Layer.h"
#include "Scene/SceneImpl.h"

namespace qel {
namespace {

// What a continuation on a ready promise saw.
struct Continuation {
  std::atomic<int> runs{0};
  std::thread::id thread;
  Layer* layer = nullptr;
  bool broken = false;
};

void attach(const Layer& layer, Continuation& seen) {
  layer.getReadyPromise().then(boost::launch::sync, [&seen](boost::shared_future<Layer*> ready) {
    seen.thread = std::this_thread::get_id();
    try {
      seen.layer = ready.get();
    } catch (const boost::broken_promise&) {
      seen.broken = true;
    }
    ++seen.runs;
  });
}

TEST(LayerReady, ALayerMadeReadyOnAnotherThreadRunsTheContinuationThere) {
  const std::shared_ptr<Layer> layer = Layer::create(false);
  Continuation seen;
  attach(*layer, seen);
  EXPECT_EQ(seen.runs, 0);
  EXPECT_FALSE(layer->isReady());

  std::thread::id loader;
  std::thread([&] {
    loader = std::this_thread::get_id();
    layer->_setReady();
    layer->_setReady();  // a second time changes nothing
  }).join();
  EXPECT_EQ(seen.runs, 1);
  EXPECT_EQ(seen.thread, loader);
  EXPECT_EQ(seen.layer, layer.get());
  EXPECT_TRUE(layer->isReady());

  // Attached to a layer already ready: runs at once, here.
  Continuation late;
  attach(*layer, late);
  EXPECT_EQ(late.runs, 1);
  EXPECT_EQ(late.thread, std::this_thread::get_id());
  EXPECT_EQ(late.layer, layer.get());
}

TEST(LayerReady, ALayerDestroyedBeforeItIsReadyBreaksItsPromise) {
  Continuation seen;
  {
    const std::shared_ptr<Layer> layer = Layer::create(false);
    attach(*layer, seen);
  }
  EXPECT_EQ(seen.runs, 1);
  EXPECT_TRUE(seen.broken);
  EXPECT_EQ(seen.layer, nullptr);
}

struct ShowCase {
  std::string name;
  bool root;
  bool middle;
  bool leaf;
};

class LayerShowingTest : public ::testing::TestWithParam<ShowCase> {};

TEST_P(LayerShowingTest, ALayerIsShowingOnlyWhenItAndEveryLayerAboveAreShown) {
  const ShowCase& c = GetParam();
  const std::shared_ptr<Layer> root = Layer::create();
  const std::shared_ptr<Layer> middle = Layer::create();
  const std::shared_ptr<Layer> leaf = Layer::create();
  middle->_setParent(root);
  leaf->_setParent(middle);
  root->setShow(c.root);
  middle->setShow(c.middle);
  leaf->setShow(c.leaf);
  EXPECT_EQ(leaf->isShowing(), c.root && c.middle && c.leaf);
  EXPECT_EQ(leaf->isShow(), c.leaf);
  EXPECT_EQ(middle->isShowing(), c.root && c.middle);
}

INSTANTIATE_TEST_SUITE_P(Flags, LayerShowingTest,
                         ::testing::Values(ShowCase{"AllShown", true, true, true},
                                           ShowCase{"RootHidden", false, true, true},
                                           ShowCase{"MiddleHidden", true, false, true},
                                           ShowCase{"LeafHidden", true, true, false}),
                         [](const ::testing::TestParamInfo<ShowCase>& info) { return info.param.name; });

TEST(LayerTree, AParentBelowTheLayerIsRefused) {
  const std::shared_ptr<Layer> top = Layer::create();
  const std::shared_ptr<Layer> below = Layer::create();
  below->_setParent(top);
  top->_setParent(below);
  EXPECT_EQ(top->getParent(), nullptr);
  top->_setParent(top);
  EXPECT_EQ(top->getParent(), nullptr);
  EXPECT_EQ(below->getParent(), top);
}

TEST(LayerScene, ALayerIsInTheSceneOfItsRootUntilItLeavesOrTheSceneGoes) {
  auto scene = std::make_unique<SceneImpl>();
  DataSourceDisplay& display = scene->_getDataSourceDisplay();
  const std::shared_ptr<DataSource> source = DataSource::create();
  const std::shared_ptr<Layer> child = Layer::create();
  child->_setParent(source);
  EXPECT_EQ(child->_getScene(), nullptr);

  display.add(source);
  ASSERT_NE(child->_getScene(), nullptr);
  EXPECT_EQ(child->_getScene().get(), scene.get());
  EXPECT_EQ(source->getParent(), display.getRootLayer());
  EXPECT_EQ(display.getDefaultDataSource()->_getScene().get(), scene.get());

  EXPECT_TRUE(display.remove(*source));
  EXPECT_EQ(child->_getScene(), nullptr);
  EXPECT_FALSE(display.remove(*display.getDefaultDataSource()));

  display.add(source);
  const std::shared_ptr<DataSource> defaultSource = display.getDefaultDataSource();
  scene.reset();
  EXPECT_EQ(child->_getScene(), nullptr);
  EXPECT_EQ(defaultSource->_getScene(), nullptr);
}

TEST(LayerRegion, TheExtentIsUnknownUntilSet) {
  const std::shared_ptr<Layer> layer = Layer::create();
  EXPECT_EQ(layer->getBoundingRegion(), nullptr);
  const BoundingRegion region(GlobeRectangle::fromDegrees(1.0, 2.0, 3.0, 4.0), 0.0, 10.0);
  layer->setBoundingRegion(region);
  ASSERT_NE(layer->getBoundingRegion(), nullptr);
  EXPECT_EQ(layer->getBoundingRegion()->getRectangle(), region.getRectangle());
  layer->setBoundingRegion(std::nullopt);
  EXPECT_EQ(layer->getBoundingRegion(), nullptr);
}

}  // namespace
}  // namespace qel
