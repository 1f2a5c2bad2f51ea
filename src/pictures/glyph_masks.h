#pragma once
// The one-bit glyph masks of the staff drawing: accidentals, rests, note heads
// and stems with their flags. Each mask is row-major, one 32-bit word per
// pixel holding 0 or 1. The shapes are built once from simple strokes and
// kept in a GlyphSet value owned by the staff picture.

#include <cstdint>
#include <vector>

namespace songloom::pictures {

struct GlyphMask {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> bits;  // width * height words, 0 or 1

    GlyphMask() = default;
    GlyphMask(int w, int h) : width(w), height(h), bits(static_cast<std::size_t>(w * h), 0U) {}
    bool At(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               bits[static_cast<std::size_t>(y * width + x)] != 0;
    }
    int CountSet() const;
};

// Stem masks exist once for stems up and once for stems down.
struct StemMasks {
    GlyphMask twoFlags;
    GlyphMask oneFlag;
    GlyphMask plain;
};

struct GlyphSet {
    GlyphMask sharp;          // 24 x 24
    GlyphMask natural;        // 24 x 24
    GlyphMask flat;           // 24 x 24
    GlyphMask eighthRest;     // 24 x 24
    GlyphMask sixteenthRest;  // 24 x 24
    GlyphMask quarterRest;    // 32 x 32
    GlyphMask blockRest;      // 24 x 24, a bar seven pixels thick at the top
    GlyphMask openHead;       // 16 x 16
    GlyphMask filledHead[2];  // 16 x 16, identical
    GlyphMask crossHead;      // 16 x 16
    StemMasks stemUp;         // 16 x 32 each
    StemMasks stemDown;
    GlyphMask dot;            // 16 x 16: the augmentation dot
};

GlyphSet BuildGlyphSet();

}  // namespace songloom::pictures
