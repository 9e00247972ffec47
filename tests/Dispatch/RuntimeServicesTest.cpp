// Identifiers and module paths of qelCommon.
#include "Common/ModulePath.h"
#include "Common/Uuid.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace qel {
namespace {

// Text form of a random identifier: 36 characters, version digit at 14, variant at 19.
constexpr std::size_t kTextLength = 36;
constexpr std::size_t kVersionDigit = 14;
constexpr std::size_t kVariantDigit = 19;
constexpr int kSamples = 1000;

TEST(UuidTest, IsAFreshVersion4IdentifierEachTime) {
  std::set<Uuid> seen;
  for (int i = 0; i < kSamples; ++i) {
    const Uuid id = uuid4();
    const std::string text = id.toString();
    ASSERT_EQ(text.size(), kTextLength);
    EXPECT_EQ(text[kVersionDigit], '4') << text;
    EXPECT_NE(std::string("89ab").find(text[kVariantDigit]), std::string::npos) << text;
    EXPECT_TRUE(seen.insert(id).second) << text;
  }
}

TEST(ModulePathTest, FindsLoadedModulesOnlyByTheirExactName) {
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(getModulePath("qelCommon")) / "libqelCommon.so"));
  for (const char* name : {"", "qelCommo", "qelCommonX", "no such module"}) {
    EXPECT_EQ(getModulePath(name), "") << name;
  }
  EXPECT_EQ(normalizePath("/opt/qel/Resource\\Texture/x.png"), "/opt/qel/Resource/Texture/x.png");
}

}  // namespace
}  // namespace qel
