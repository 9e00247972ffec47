#include "Common/Publisher.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace qel {
namespace {

using IntPublisher = Publisher<std::function<void(int)>>;
using Handle = std::weak_ptr<FunctionWrapper>;

void invoke(const Handle& handle) {
  if (auto strong = handle.lock()) {
    (*strong)();
  }
}

/// Listeners "A", "B", "C" that append their name to `calls`, then run `extra(index)`.
struct ThreeListeners {
  IntPublisher publisher;
  std::string calls;
  std::array<Handle, 3> handles;
  std::function<void(int)> extra;

  ThreeListeners() {
    for (int i = 0; i < 3; ++i) {
      handles[static_cast<std::size_t>(i)] = publisher.addEventListener([this, i](int) {
        calls += static_cast<char>('A' + i);
        if (extra) {
          extra(i);
        }
      });
    }
  }

  std::string raise() {
    calls.clear();
    publisher.raiseEvent(0);
    return calls;
  }
};

struct RemovalCase {
  int remover;
  int removed;
  std::string secondRaise;
};

class PublisherRemovalTest : public ::testing::TestWithParam<RemovalCase> {};

// A removal during a raise expires the handle at once but the raise still calls every
// listener it started with; the next raise no longer does.
TEST_P(PublisherRemovalTest, TakesEffectFromTheNextRaise) {
  const RemovalCase& c = GetParam();
  ThreeListeners subject;
  bool expiredAtOnce = false;
  subject.extra = [&](int index) {
    if (index == c.remover && !expiredAtOnce) {
      invoke(subject.handles[static_cast<std::size_t>(c.removed)]);
      expiredAtOnce = subject.handles[static_cast<std::size_t>(c.removed)].expired();
    }
  };

  EXPECT_EQ(subject.raise(), "ABC");
  EXPECT_TRUE(expiredAtOnce);
  EXPECT_EQ(subject.raise(), c.secondRaise);
}

INSTANTIATE_TEST_SUITE_P(Cases, PublisherRemovalTest,
                         ::testing::Values(RemovalCase{0, 2, "AB"},    // a later listener
                                           RemovalCase{0, 1, "AC"},    // the very next one
                                           RemovalCase{2, 0, "BC"},    // an earlier one
                                           RemovalCase{1, 1, "AC"},    // itself
                                           RemovalCase{2, 2, "AB"}));  // itself, as the last one

TEST(PublisherTest, ThrowingListenerPropagatesAndLeavesThePublisherUsable) {
  ThreeListeners subject;
  bool thrown = false;
  subject.extra = [&](int index) {
    if (index == 1 && !thrown) {
      thrown = true;
      invoke(subject.handles[0]);
      throw std::runtime_error("listener failed");
    }
  };
  EXPECT_THROW(subject.raise(), std::runtime_error);
  EXPECT_EQ(subject.calls, "AB");
  EXPECT_EQ(subject.raise(), "BC");

  // The raise is over: a removal now frees the listener at once.
  auto token = std::make_shared<int>(0);
  std::weak_ptr<int> watch = token;
  Handle late = subject.publisher.addEventListener([token](int) {});
  token.reset();
  invoke(late);
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace qel
