#include "Common/Publisher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

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

// Removals during a raise that A starts from inside the outer raise (once). A removed
// listener that comes later is still called by the raise it was removed in; one whose
// removal came before a raise started is not called by that raise; the handle expires at
// once either way.
struct NestedRemovalCase {
  const char* name;
  int remover;
  int removed;
  int depth;  // 1: during the outer raise, before A raises again; 2: during the nested raise
  std::string calls;
  std::string nextRaise;
};

class PublisherNestedRemovalTest : public ::testing::TestWithParam<NestedRemovalCase> {};

TEST_P(PublisherNestedRemovalTest, FollowsTheRaiseRules) {
  const NestedRemovalCase& c = GetParam();
  ThreeListeners subject;
  int depth = 1;
  bool nested = false;
  bool removed = false;
  bool expiredAtOnce = false;
  subject.extra = [&](int index) {
    if (!removed && index == c.remover && depth == c.depth) {
      removed = true;
      invoke(subject.handles[static_cast<std::size_t>(c.removed)]);
      expiredAtOnce = subject.handles[static_cast<std::size_t>(c.removed)].expired();
    }
    if (index == 0 && depth == 1 && !nested) {
      nested = true;
      depth = 2;
      subject.publisher.raiseEvent(0);
      depth = 1;
    }
  };

  EXPECT_EQ(subject.raise(), c.calls);
  EXPECT_TRUE(expiredAtOnce);
  EXPECT_EQ(subject.publisher.listenerCount(), 2u);
  EXPECT_EQ(subject.raise(), c.nextRaise);
}

INSTANTIATE_TEST_SUITE_P(Cases, PublisherNestedRemovalTest,
                         ::testing::Values(
                             // outer A | nested A B C | outer B C
                             NestedRemovalCase{"LaterOneInTheNestedRaise", 1, 2, 2, "AABCBC", "AB"},
                             NestedRemovalCase{"EarlierOneInTheNestedRaise", 2, 1, 2, "AABCBC", "AC"},
                             // The listener that is raising is removed: it is not called again.
                             NestedRemovalCase{"TheRaisingOneByAnother", 1, 0, 2, "AABCBC", "BC"},
                             NestedRemovalCase{"TheRaisingOneByItself", 0, 0, 2, "AABCBC", "BC"},
                             // Removed before the nested raise starts: that raise skips it, the outer one
                             // (which it was removed during, after its caller) still calls it.
                             NestedRemovalCase{"BeforeTheNestedRaiseStarts", 0, 2, 1, "AABBC", "AB"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A handle that another thread locked before the publisher was destroyed must not touch
// the dead publisher when it is invoked: the memory it lived in is left as it was.
TEST(PublisherTest, HandleInvokedAfterItsPublisherIsGoneTouchesNothing) {
  constexpr unsigned char kPoison = 0xA5;
  alignas(IntPublisher) std::array<unsigned char, sizeof(IntPublisher)> storage{};
  auto* publisher = new (storage.data()) IntPublisher();
  bool called = false;
  Handle handle = publisher->addEventListener([&called](int) { called = true; });
  std::shared_ptr<FunctionWrapper> locked = handle.lock();
  ASSERT_TRUE(locked);

  publisher->~IntPublisher();
  std::memset(storage.data(), kPoison, storage.size());
  std::thread([locked] { (*locked)(); }).join();

  EXPECT_TRUE(std::all_of(storage.begin(), storage.end(), [](unsigned char b) { return b == kPoison; }));
  EXPECT_FALSE(called);
}

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
