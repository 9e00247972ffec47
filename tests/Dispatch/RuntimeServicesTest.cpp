// Small services of qelCommon: the move-only callable, identifiers and module paths.
#include "Common/FunctionWrapper.h"
#include "Common/ModulePath.h"
#include "Common/Uuid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace qel {
namespace {

TEST(FunctionWrapperTest, HoldsAMoveOnlyClosureAndMovesWithIt)
{
    auto payload = std::make_unique<int>(0);
    int* target = payload.get();
    FunctionWrapper first([p = std::move(payload)] { ++*p; });
    FunctionWrapper second(std::move(first));

    EXPECT_FALSE(static_cast<bool>(first)); // NOLINT(bugprone-use-after-move): checked on purpose
    EXPECT_TRUE(static_cast<bool>(second));
    first(); // an empty wrapper does nothing
    second();
    second();
    EXPECT_EQ(*target, 2);
}

TEST(FunctionWrapperTest, ReleasesWhatItHoldsExactlyOnce)
{
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    {
        FunctionWrapper wrapper([token] {});
        FunctionWrapper other;
        other = std::move(wrapper);
        token.reset();
        EXPECT_FALSE(watch.expired());
    }
    EXPECT_TRUE(watch.expired());
}

// RFC 4122 layout of the text form: 36 characters, dashes at 8, 13, 18 and 23, the
// version digit at 14 and the variant digit at 19.
constexpr std::size_t kTextLength = 36;
constexpr std::size_t kVersionDigit = 14;
constexpr std::size_t kVariantDigit = 19;

bool isLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

TEST(UuidTest, IsARandomVersion4Identifier)
{
    for (int i = 0; i < 100; ++i) {
        const std::string text = uuid4().toString();
        ASSERT_EQ(text.size(), kTextLength);
        for (std::size_t k = 0; k < text.size(); ++k) {
            if (k == 8 || k == 13 || k == 18 || k == 23) {
                EXPECT_EQ(text[k], '-') << text;
            } else {
                EXPECT_TRUE(isLowerHex(text[k])) << text;
            }
        }
        EXPECT_EQ(text[kVersionDigit], '4') << text;
        EXPECT_NE(std::string("89ab").find(text[kVariantDigit]), std::string::npos) << text;
    }
}

TEST(UuidTest, TextFormFollowsTheBytes)
{
    Uuid id;
    for (std::size_t i = 0; i < id.bytes.size(); ++i) {
        id.bytes[i] = static_cast<std::uint8_t>(i * 17);
    }
    EXPECT_EQ(id.toString(), "00112233-4455-6677-8899-aabbccddeeff");
    EXPECT_EQ(Uuid{}.toString(), "00000000-0000-0000-0000-000000000000");
}

TEST(UuidTest, OrderAndEqualityAgreeWithTheTextForm)
{
    std::vector<Uuid> ids;
    for (int i = 0; i < 200; ++i) {
        ids.push_back(uuid4());
    }
    std::sort(ids.begin(), ids.end());
    for (std::size_t i = 1; i < ids.size(); ++i) {
        EXPECT_LT(ids[i - 1].toString(), ids[i].toString());
    }
    const Uuid copy = ids.front();
    EXPECT_EQ(copy, ids.front());
    EXPECT_EQ(std::hash<Uuid>{}(copy), std::hash<Uuid>{}(ids.front()));
    EXPECT_NE(ids.front(), ids.back());
}

TEST(UuidTest, ThreadsNeverHandOutTheSameIdentifier)
{
    constexpr int kThreads = 4;
    constexpr int kPerThread = 5000;
    std::mutex mutex;
    std::unordered_set<Uuid> seen;
    std::vector<std::thread> makers;
    for (int t = 0; t < kThreads; ++t) {
        makers.emplace_back([&] {
            std::vector<Uuid> mine;
            for (int i = 0; i < kPerThread; ++i) {
                mine.push_back(uuid4());
            }
            std::lock_guard lock(mutex);
            seen.insert(mine.begin(), mine.end());
        });
    }
    for (auto& maker : makers) {
        maker.join();
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kPerThread));
}

TEST(ModulePathTest, FindsTheFolderOfTheCommonModule)
{
    const std::string dir = getModulePath("qelCommon");
    ASSERT_FALSE(dir.empty());
    const std::filesystem::path path(dir);
    EXPECT_TRUE(path.is_absolute());
    EXPECT_TRUE(std::filesystem::exists(path / "libqelCommon.so"));
}

TEST(ModulePathTest, FindsOtherLoadedLibrariesByName)
{
    // The C library is loaded in every process as libc.so.<version>.
    const std::string dir = getModulePath("c");
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir));
}

class UnknownModuleTest : public ::testing::TestWithParam<std::string> {};

TEST_P(UnknownModuleTest, GivesAnEmptyPath)
{
    EXPECT_EQ(getModulePath(GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(Names, UnknownModuleTest,
                         ::testing::Values("", "qelCommo", "qelCommonX", "Common", "no such module"));

struct PathCase {
    std::string input;
    std::string expected;
};

class NormalizePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(NormalizePathTest, UsesForwardSlashesOnly)
{
    EXPECT_EQ(normalizePath(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, NormalizePathTest,
    ::testing::Values(PathCase{"Resource\\Texture\\vertex.png", "Resource/Texture/vertex.png"},
                      PathCase{"/opt/qel/Resource\\Texture/x.png", "/opt/qel/Resource/Texture/x.png"},
                      PathCase{"/already/fine", "/already/fine"}, PathCase{"", ""}));

} // namespace
} // namespace qel
