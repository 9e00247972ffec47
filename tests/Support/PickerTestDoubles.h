#pragma once

#include <memory>
#include <vector>

#include "Common/Vector2.h"
#include "Manipulator/PickSource.h"

namespace qel::test {

/// Stand-ins for the scene's pick results. The picker only passes them on, so a test
/// tells them apart by identity: each token aliases a distinct int it owns and is never
/// dereferenced.
class PickTokens {
 public:
  std::shared_ptr<PickObject> make() {
    auto owner = std::make_shared<int>(static_cast<int>(owners_.size()));
    owners_.push_back(owner);
    return std::shared_ptr<PickObject>(owner, reinterpret_cast<PickObject*>(owner.get()));
  }

 private:
  std::vector<std::shared_ptr<int>> owners_;
};

/// Records every pick the picker asks for and answers with what the test set.
class RecordingPickSource : public PickSource {
 public:
  struct Call {
    Vector2<int> position;
    int width = 0;
    int height = 0;
  };

  std::weak_ptr<PickObject> pick(SceneImpl&, const Vector2<int>& position, int width, int height) override {
    picks.push_back({position, width, height});
    return pickResult;
  }
  std::vector<std::shared_ptr<PickObject>> rectanglePick(SceneImpl&, const Vector2<int>& topLeft, int width,
                                                         int height) override {
    rectanglePicks.push_back({topLeft, width, height});
    return rectangleResult;
  }

  std::shared_ptr<PickObject> pickResult;
  std::vector<std::shared_ptr<PickObject>> rectangleResult;
  std::vector<Call> picks;
  std::vector<Call> rectanglePicks;
};

}  // namespace qel::test
