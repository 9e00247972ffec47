#include "Common/CapturingLogSink.h"
#include "Common/Log.h"
#include "Common/Publisher.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>

namespace qel {
namespace {

using IntPublisher = Publisher<std::function<void(int)>>;
using Handle = std::weak_ptr<FunctionWrapper>;

void invoke(const Handle& handle)
{
    if (auto strong = handle.lock()) {
        (*strong)();
    }
}

/// Three listeners "A", "B", "C" that write their name into `calls` when called.
struct ThreeListeners {
    IntPublisher publisher;
    std::string calls;
    std::array<Handle, 3> handles;

    explicit ThreeListeners(const std::function<void(int index)>& extra = {})
    {
        for (int i = 0; i < 3; ++i) {
            handles[static_cast<std::size_t>(i)] = publisher.addEventListener([this, i, extra](int) {
                calls += static_cast<char>('A' + i);
                if (extra) {
                    extra(i);
                }
            });
        }
    }

    std::string raise()
    {
        calls.clear();
        publisher.raiseEvent(0);
        return calls;
    }
};

struct RemovalCase {
    int remover;
    int removed;
    std::string firstRaise;
    std::string secondRaise;
};

std::ostream& operator<<(std::ostream& out, const RemovalCase& c)
{
    return out << static_cast<char>('A' + c.remover) << " removes " << static_cast<char>('A' + c.removed);
}

class PublisherRemovalTest : public ::testing::TestWithParam<RemovalCase> {};

TEST_P(PublisherRemovalTest, RemovalDuringARaiseTakesEffectFromTheNextRaise)
{
    const RemovalCase& c = GetParam();
    bool expiredAtOnce = false;
    bool removedOnce = false;
    ThreeListeners* self = nullptr;
    ThreeListeners subject([&](int index) {
        if (index == c.remover && !removedOnce) {
            removedOnce = true;
            invoke(self->handles[static_cast<std::size_t>(c.removed)]);
            expiredAtOnce = self->handles[static_cast<std::size_t>(c.removed)].expired();
        }
    });
    self = &subject;

    EXPECT_EQ(subject.raise(), c.firstRaise);
    EXPECT_TRUE(expiredAtOnce);
    EXPECT_EQ(subject.publisher.listenerCount(), 2u);
    EXPECT_EQ(subject.raise(), c.secondRaise);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PublisherRemovalTest,
    ::testing::Values(RemovalCase{0, 2, "ABC", "AB"},  // a later listener: still called this time
                      RemovalCase{0, 1, "ABC", "AC"},  // the very next one
                      RemovalCase{2, 0, "ABC", "BC"},  // an earlier one
                      RemovalCase{1, 1, "ABC", "AC"},  // itself
                      RemovalCase{2, 2, "ABC", "AB"})); // itself, as the last one

TEST(PublisherTest, RemovalOutsideARaiseIsImmediateAndFreesTheListener)
{
    IntPublisher publisher;
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    Handle handle = publisher.addEventListener([token](int) {});
    token.reset();
    EXPECT_FALSE(watch.expired());

    invoke(handle);
    EXPECT_TRUE(handle.expired());
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(publisher.listenerCount(), 0u);
}

TEST(PublisherTest, SelfRemovedListenerIsNotCalledByANestedRaise)
{
    IntPublisher publisher;
    std::string calls;
    Handle selfHandle;
    selfHandle = publisher.addEventListener([&](int depth) {
        calls += 'A';
        invoke(selfHandle);
        if (depth == 0) {
            publisher.raiseEvent(1);
        }
    });
    publisher.addEventListener([&](int depth) { calls += depth == 0 ? "B" : "b"; });

    publisher.raiseEvent(0);
    EXPECT_EQ(calls, "AbB");
    EXPECT_TRUE(selfHandle.expired());
    EXPECT_EQ(publisher.listenerCount(), 1u);

    calls.clear();
    publisher.raiseEvent(0);
    EXPECT_EQ(calls, "B");
}

TEST(PublisherTest, ListenerAddedDuringARaiseIsCalledFromTheNextOne)
{
    IntPublisher publisher;
    std::string calls;
    bool added = false;
    publisher.addEventListener([&](int) {
        calls += 'A';
        if (!added) {
            added = true;
            publisher.addEventListener([&](int) { calls += 'N'; });
        }
    });
    publisher.raiseEvent(0);
    EXPECT_EQ(calls, "A");
    EXPECT_EQ(publisher.listenerCount(), 2u);

    calls.clear();
    publisher.raiseEvent(0);
    EXPECT_EQ(calls, "AN");
}

TEST(PublisherTest, ThrowingListenerPropagatesAndLeavesThePublisherUsable)
{
    bool thrown = false;
    ThreeListeners* self = nullptr;
    ThreeListeners subject([&](int index) {
        if (index == 1 && !thrown) {
            thrown = true;
            invoke(self->handles[0]);
            throw std::runtime_error("listener failed");
        }
    });
    self = &subject;

    EXPECT_THROW(subject.raise(), std::runtime_error);
    EXPECT_EQ(subject.calls, "AB");
    EXPECT_EQ(subject.publisher.listenerCount(), 2u);

    // The raise is over: a removal now frees the listener at once.
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    Handle late = subject.publisher.addEventListener([token](int) {});
    token.reset();
    invoke(late);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(subject.raise(), "BC");
}

TEST(PublisherTest, NestedRaiseThatThrowsDoesNotDisturbTheOuterRaise)
{
    ThreeListeners* self = nullptr;
    int depth = 0;
    ThreeListeners subject([&](int index) {
        if (index == 0 && depth == 0) {
            ++depth;
            try {
                self->publisher.raiseEvent(0);
            } catch (const std::runtime_error&) {
            }
            --depth;
        } else if (index == 1 && depth == 1) {
            // Removed inside the nested raise: the outer raise still walks past C.
            invoke(self->handles[2]);
            throw std::runtime_error("inner failure");
        }
    });
    self = &subject;

    EXPECT_EQ(subject.raise(), "AABBC");
    EXPECT_EQ(subject.publisher.listenerCount(), 2u);
    EXPECT_EQ(subject.raise(), "AABB");
}

TEST(PublisherTest, InvokingAHandleTwiceRemovesOnlyItsOwnListener)
{
    ThreeListeners subject;
    auto strong = subject.handles[1].lock();
    ASSERT_NE(strong, nullptr);
    (*strong)();
    (*strong)();
    EXPECT_EQ(subject.publisher.listenerCount(), 2u);
    EXPECT_EQ(subject.raise(), "AC");
}

TEST(PublisherTest, EmptyListenerIsRefused)
{
    auto logged = std::make_shared<CapturingLogSink>();
    Log::getInstance().addSink(logged);
    IntPublisher publisher;
    Handle handle = publisher.addEventListener(IntPublisher::Listener{});
    Log::getInstance().removeSink(logged);

    EXPECT_TRUE(handle.expired());
    EXPECT_EQ(publisher.listenerCount(), 0u);
    EXPECT_NO_THROW(publisher.raiseEvent(1));
    ASSERT_EQ(logged->size(), 1u);
    EXPECT_EQ(logged->last()->level, Log::kRefused);
}

TEST(PublisherTest, DestroyingThePublisherExpiresItsHandles)
{
    auto publisher = std::make_unique<IntPublisher>();
    Handle handle = publisher->addEventListener([](int) {});
    publisher.reset();
    EXPECT_TRUE(handle.expired());
    invoke(handle);
}

TEST(PublisherTest, ListenersReceiveTheArgumentsInOrder)
{
    Publisher<std::function<void(const std::string&, int)>> publisher;
    std::string seen;
    const std::function<void(const std::string&, int)> first = [&](const std::string& s, int n) {
        seen += s + std::to_string(n);
    };
    publisher.addEventListener(first);
    publisher.addEventListener([&](const std::string& s, int n) { seen += "|" + s + std::to_string(n * 2); });
    publisher.raiseEvent("x", 21);
    EXPECT_EQ(seen, "x21|x42");
}

TEST(PublisherTest, ListenersAddedFromManyThreadsAreAllCalled)
{
    constexpr int kThreads = 4;
    constexpr int kPerThread = 250;
    IntPublisher publisher;
    int calls = 0;
    std::vector<std::thread> adders;
    for (int t = 0; t < kThreads; ++t) {
        adders.emplace_back([&] {
            for (int i = 0; i < kPerThread; ++i) {
                publisher.addEventListener([&calls](int) { ++calls; });
                publisher.raiseEvent(0);
            }
        });
    }
    for (auto& adder : adders) {
        adder.join();
    }
    EXPECT_EQ(publisher.listenerCount(), static_cast<std::size_t>(kThreads * kPerThread));
    calls = 0;
    publisher.raiseEvent(0);
    EXPECT_EQ(calls, kThreads * kPerThread);
}

} // namespace
} // namespace qel
