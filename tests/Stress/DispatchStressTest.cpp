// Many application threads posting commands and queries at a main thread that drains as
// fast as it can: every query is answered, each thread's commands run in the order it
// posted them, and nothing is lost or run twice.
//
// Defaults keep CI short. For a heavier manual run set
//   QEL_STRESS_THREADS=16 QEL_STRESS_OPS=200000 build/default/bin/qelStressTests
#include "../Dispatch/MainThreadFixture.h"

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

namespace qel {
namespace {

constexpr int kDefaultThreads = 4;
constexpr int kDefaultOps = 2000;
// One call in this many is a query; the rest are commands.
constexpr int kQueryEvery = 4;

int envOr(const char* name, int fallback) {
  const char* text = std::getenv(name);
  const long value = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
  return value > 0 ? static_cast<int>(value) : fallback;
}

class DispatchStressTest : public testing::MainThreadFixture {};

TEST_F(DispatchStressTest, EveryCallArrivesInOrderAndEveryQueryIsAnswered) {
  const int threads = envOr("QEL_STRESS_THREADS", kDefaultThreads);
  const int ops = envOr("QEL_STRESS_OPS", kDefaultOps);
  system().registerMainThread();

  // Per poster, touched only on the main thread: commands run so far, and out of order.
  std::vector<int> commandsRun(static_cast<std::size_t>(threads), 0);
  std::vector<int> outOfOrder(static_cast<std::size_t>(threads), 0);
  std::vector<int> wrongAnswers(static_cast<std::size_t>(threads), 0);  // written by the poster
  std::atomic<int> finished{0};

  std::vector<std::thread> posters;
  for (int t = 0; t < threads; ++t) {
    posters.emplace_back([&, index = static_cast<std::size_t>(t)] {
      int posted = 0;
      int wrong = 0;
      for (int op = 0; op < ops; ++op) {
        if (op % kQueryEvery == kQueryEvery - 1) {
          // Everything this thread posted earlier has run by the time the query does.
          if (system().runInMainThread([&commandsRun, index] { return commandsRun[index]; }).get() != posted) {
            ++wrong;
          }
        } else {
          system().runInMainThread([&commandsRun, &outOfOrder, index, sequence = posted++] {
            outOfOrder[index] += commandsRun[index]++ != sequence ? 1 : 0;
          });
        }
      }
      wrongAnswers[index] = wrong;
      ++finished;
    });
  }

  const bool allDone = drainUntil([&] { return finished.load() == threads; });
  for (auto& poster : posters) {
    poster.join();
  }
  system().drainMainThreadTasks();
  ASSERT_TRUE(allDone);

  for (std::size_t t = 0; t < posters.size(); ++t) {
    EXPECT_EQ(commandsRun[t], ops - ops / kQueryEvery) << "thread " << t;
    EXPECT_EQ(outOfOrder[t], 0) << "thread " << t;
    EXPECT_EQ(wrongAnswers[t], 0) << "thread " << t;
  }
  EXPECT_EQ(logged->size(), 0u);
}

}  // namespace
}  // namespace qel
