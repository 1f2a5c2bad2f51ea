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
    for (const std::size_t n :
         {std::size_t{0}, std::size_t{3}, EventBytes::kInline, EventBytes::kInline + 1, std::size_t{300}}) {
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

TEST(EventBytes, ClearedHeapBytesKeepTheirRoomAndTakeShortAndLongPayloadsAgain)
{
    const auto longer = Counting(EventBytes::kInline + 5);
    EventBytes b;
    b.assign(longer.begin(), longer.end());
    const std::size_t room = b.capacity();
    b.clear();
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.capacity(), room);
    const std::vector<std::uint8_t> shorter = {0x90, 60, 100};
    b.assign(shorter.begin(), shorter.end());
    EXPECT_TRUE(b == shorter);
    b.resize(room + 1, 0x11);  // grows the heap block, keeping the bytes
    EXPECT_EQ(b[0], 0x90);
    EXPECT_EQ(b[2], 100);
    EXPECT_EQ(b[room], 0x11);
    EventBytes inlineOne{0xC0, 5};
    inlineOne = std::move(b);  // a heap block moves, the short bytes go
    EXPECT_EQ(inlineOne.size(), room + 1);
    EXPECT_TRUE(b.empty());  // NOLINT: moved from
    b = inlineOne;
    EXPECT_TRUE(b == inlineOne);
}

}  // namespace
}  // namespace songloom::midi
