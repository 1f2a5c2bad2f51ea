#include <gtest/gtest.h>

#include <array>
#include <string_view>

#include "common/packed_texts.h"

namespace songloom {
namespace {

using namespace std::string_view_literals;

// Empty texts at either end and between, a zero byte inside a text, and
// multi-byte UTF-8: each comes back whole, and no neighbour bleeds into it.
constexpr std::array<std::string_view, 6> kSource = {"", "ｸﾞﾗﾝﾄﾞ ﾋﾟｱﾉ", "", "a\0b"sv, "x", ""};
constexpr auto kPacked = PackTexts<kSource>();

static_assert(kPacked.size() == kSource.size());
static_assert(kPacked[1] == "ｸﾞﾗﾝﾄﾞ ﾋﾟｱﾉ");

TEST(PackedTexts, GivesBackEveryTextWhole)
{
    for (std::size_t i = 0; i < kSource.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kPacked[i], kSource[i]);
        EXPECT_EQ(kPacked[i].size(), kSource[i].size());
    }
    EXPECT_EQ(kPacked[3], "a\0b"sv);
}

constexpr std::array<std::string_view, 2> kNothing = {"", ""};
constexpr auto kPackedNothing = PackTexts<kNothing>();

TEST(PackedTexts, TextsOfNoBytesAtAll)
{
    ASSERT_EQ(kPackedNothing.size(), 2u);
    EXPECT_TRUE(kPackedNothing[0].empty());
    EXPECT_TRUE(kPackedNothing[1].empty());
}

}  // namespace
}  // namespace songloom
