// Many application threads posting commands and queries at a main thread that drains as
// fast as it can. Checks that every query is answered, that each thread's commands run in
// the order it posted them, and that nothing is lost or run twice.
//
// Defaults keep CI short (4 threads x 2000 calls). For a heavier manual run set
//   QEL_STRESS_THREADS=16 QEL_STRESS_OPS=200000 build/default/bin/qelStressTests
#include "../Dispatch/MainThreadFixture.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace qel {
namespace {

constexpr int kDefaultThreads = 4;
constexpr int kDefaultOps = 2000;
// One call in this many is a query; the rest are commands.
constexpr int kQueryEvery = 4;

int envOr(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    if (text == nullptr) {
        return fallback;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return (end != text && *end == '\0' && value > 0) ? static_cast<int>(value) : fallback;
}

class DispatchStressTest : public testing::MainThreadFixture {};

TEST_F(DispatchStressTest, EveryCallArrivesInOrderAndEveryQueryIsAnswered)
{
    const int threads = envOr("QEL_STRESS_THREADS", kDefaultThreads);
    const int ops = envOr("QEL_STRESS_OPS", kDefaultOps);
    system().registerMainThread();

    // Touched only on the main thread: per poster, the number of its commands run so far.
    std::vector<int> commandsRun(static_cast<std::size_t>(threads), 0);
    std::vector<int> outOfOrder(static_cast<std::size_t>(threads), 0);
    std::vector<int> wrongAnswers(static_cast<std::size_t>(threads), 0);
    std::atomic<int> finished{0};

    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t) {
        posters.emplace_back([&, t] {
            const auto index = static_cast<std::size_t>(t);
            int posted = 0;
            for (int op = 0; op < ops; ++op) {
                if (op % kQueryEvery == kQueryEvery - 1) {
                    // Everything this thread posted earlier has run by the time the query
                    // does, so the count it reads must be exactly what was posted.
                    const int seen =
                        system().runInMainThread([&commandsRun, index] { return commandsRun[index]; }).get();
                    if (seen != posted) {
                        ++wrongAnswers[index];
                    }
                } else {
                    const int sequence = posted++;
                    system().runInMainThread([&commandsRun, &outOfOrder, index, sequence] {
                        if (commandsRun[index] != sequence) {
                            ++outOfOrder[index];
                        }
                        ++commandsRun[index];
                    });
                }
            }
            ++finished;
        });
    }

    const bool allDone = drainUntil([&] { return finished.load() == threads; });
    for (auto& poster : posters) {
        poster.join();
    }
    system().drainMainThreadTasks();
    ASSERT_TRUE(allDone);

    const int commandsPerThread = ops - ops / kQueryEvery;
    for (int t = 0; t < threads; ++t) {
        const auto index = static_cast<std::size_t>(t);
        EXPECT_EQ(commandsRun[index], commandsPerThread) << "thread " << t;
        EXPECT_EQ(outOfOrder[index], 0) << "thread " << t;
        EXPECT_EQ(wrongAnswers[index], 0) << "thread " << t;
    }
    EXPECT_EQ(system().mainThreadTasks.size(), 0u);
    EXPECT_EQ(logged->size(), 0u);
}

} // namespace
} // namespace qel
