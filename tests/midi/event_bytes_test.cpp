#include "midi/event_bytes.h"

#include <gtest/gtest.h>

#include <numeric>
#include <utility>

namespace songloom::midi {
namespace {

std::vector<std::uint8_t> Counting(std::size_t n)
{
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), std::uint8_t{1});
    return v;
}

TEST(EventBytes, GrowsFromInsideTheEventToTheHeapKeepingItsBytes)
{
    EventBytes b{0xF0, 0x7E};
    const auto tail = Counting(40);
    b.insert(b.end(), tail.begin(), tail.end());
    ASSERT_EQ(b.size(), 42u);
    EXPECT_GT(b.capacity(), EventBytes::kInline);
    EXPECT_EQ(b[0], 0xF0);
    EXPECT_EQ(b[41], 40);
    // In the middle, the bytes behind move up.
    const std::vector<std::uint8_t> mid = {0xAA, 0xBB};
    b.insert(b.begin() + 1, mid.begin(), mid.end());
    EXPECT_EQ(b[0], 0xF0);
    EXPECT_EQ(b[1], 0xAA);
    EXPECT_EQ(b[3], 0x7E);
    EXPECT_EQ(b.back(), 40);
    b.resize(50, 0x55);
    EXPECT_EQ(b[49], 0x55);
    EXPECT_EQ(b[43], 40);
}

TEST(EventBytes, CopiesAndMovesAreValuesOnBothSidesOfTheInlineSize)
{
    for (const std::size_t n : {std::size_t{0}, std::size_t{3}, EventBytes::kInline, std::size_t{300}}) {
        const auto bytes = Counting(n);
        EventBytes a;
        a.assign(bytes.begin(), bytes.end());
        EventBytes copy = a;
        EXPECT_TRUE(copy == bytes) << n;
        if (n > 0) {
            copy[0] = 0;  // a copy owns its bytes
            EXPECT_EQ(a[0], 1) << n;
        }
        EventBytes moved = std::move(a);
        EXPECT_TRUE(moved == bytes) << n;
        EXPECT_TRUE(a.empty());  // NOLINT: a moved-from sequence is empty and usable
        a.push_back(7);
        EXPECT_EQ(a.size(), 1u);
        moved = copy;
        EXPECT_TRUE(moved == copy) << n;
        EXPECT_EQ(moved == bytes, n == 0) << n;
    }
}

}  // namespace
}  // namespace songloom::midi
