#pragma once
// The engine's only source of chance: the classic C library generator
// (multiplier 214013, increment 2531011, bits 16..30 of the state) behind a
// seedable object, so that one seed always gives the same song.

#include <cstdint>

namespace songloom {

class Random {
public:
    explicit Random(std::uint32_t seed = 1) : state_(seed) {}

    void Seed(std::uint32_t seed) { state_ = seed; }
    // Next value, 0..32767.
    int Next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }
    std::uint32_t state() const { return state_; }

private:
    std::uint32_t state_;
};

// An integer from min(a, b) to max(a, b) inclusive: the next value modulo the
// range plus the minimum. Equal bounds return the bound without drawing.
inline int RandomBetween(Random& random, int a, int b)
{
    const int lo = a < b ? a : b;
    const int hi = a < b ? b : a;
    if (lo == hi) return lo;
    const auto span = static_cast<std::int64_t>(hi) - lo + 1;
    return static_cast<int>(lo + random.Next() % span);
}

// Seed from the clock, as the app does once at start-up.
std::uint32_t ClockSeed();

}  // namespace songloom
