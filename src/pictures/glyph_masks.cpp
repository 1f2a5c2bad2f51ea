#include "pictures/glyph_masks.h"

#include <algorithm>
#include <cmath>

namespace songloom::pictures {
namespace {

struct Point {
    double x;
    double y;
};

// Marks every pixel whose centre satisfies inside(x, y).
template <typename Inside>
void Paint(GlyphMask& mask, Inside inside, bool value = true) {
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            if (inside(x + 0.5, y + 0.5)) {
                mask.bits[static_cast<std::size_t>(y * mask.width + x)] = value ? 1U : 0U;
            }
        }
    }
}

// A tilted ellipse (angle in radians, positive turns clockwise on screen).
void Ellipse(GlyphMask& mask, Point c, double a, double b, double angle, bool value = true) {
    const double cs = std::cos(angle);
    const double sn = std::sin(angle);
    Paint(mask, [&](double x, double y) {
        const double dx = x - c.x;
        const double dy = y - c.y;
        const double u = dx * cs + dy * sn;
        const double v = -dx * sn + dy * cs;
        return (u * u) / (a * a) + (v * v) / (b * b) <= 1.0;
    }, value);
}

void Disc(GlyphMask& mask, Point c, double r) { Ellipse(mask, c, r, r, 0.0); }

double SegmentDistance(Point p, Point a, Point b) {
    const double vx = b.x - a.x;
    const double vy = b.y - a.y;
    const double len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? ((p.x - a.x) * vx + (p.y - a.y) * vy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double dx = p.x - (a.x + t * vx);
    const double dy = p.y - (a.y + t * vy);
    return std::sqrt(dx * dx + dy * dy);
}

// A straight stroke of the given thickness with round ends.
void Stroke(GlyphMask& mask, Point a, Point b, double thickness) {
    Paint(mask, [&](double x, double y) { return SegmentDistance({x, y}, a, b) <= thickness / 2.0; });
}

// A cubic curve whose thickness runs from t0 at its start to t1 at its end.
void Curve(GlyphMask& mask, Point p0, Point p1, Point p2, Point p3, double t0, double t1) {
    constexpr int kSteps = 24;
    Point previous = p0;
    for (int i = 1; i <= kSteps; ++i) {
        const double t = static_cast<double>(i) / kSteps;
        const double u = 1.0 - t;
        const Point p{u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                      u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y};
        Stroke(mask, previous, p, t0 + (t1 - t0) * t);
        previous = p;
    }
}

GlyphMask Sharp() {
    GlyphMask m(24, 24);
    Stroke(m, {9.0, 1.5}, {9.0, 23.5}, 1.2);
    Stroke(m, {15.0, 0.5}, {15.0, 22.5}, 1.2);
    Stroke(m, {5.0, 9.0}, {19.0, 6.5}, 2.6);
    Stroke(m, {5.0, 17.5}, {19.0, 15.0}, 2.6);
    return m;
}

GlyphMask Natural() {
    GlyphMask m(24, 24);
    Stroke(m, {8.0, 0.5}, {8.0, 17.0}, 1.2);
    Stroke(m, {16.0, 7.0}, {16.0, 23.5}, 1.2);
    Stroke(m, {8.0, 9.5}, {16.0, 7.5}, 2.4);
    Stroke(m, {8.0, 16.5}, {16.0, 14.5}, 2.4);
    return m;
}

GlyphMask Flat() {
    GlyphMask m(24, 24);
    Stroke(m, {7.5, 0.5}, {7.5, 23.0}, 1.2);
    Curve(m, {7.5, 15.0}, {12.0, 9.5}, {21.0, 11.0}, {7.5, 23.0}, 1.8, 1.2);
    Curve(m, {7.5, 15.5}, {11.0, 12.5}, {17.0, 12.5}, {7.5, 22.5}, 2.0, 1.2);
    return m;
}

GlyphMask EighthRest() {
    GlyphMask m(24, 24);
    Disc(m, {8.5, 6.0}, 3.2);
    Curve(m, {8.5, 8.5}, {11.5, 10.0}, {15.0, 8.0}, {18.0, 4.0}, 1.8, 1.8);
    Stroke(m, {18.0, 4.0}, {11.5, 23.0}, 2.0);
    return m;
}

GlyphMask SixteenthRest() {
    GlyphMask m(24, 24);
    Disc(m, {10.0, 3.5}, 2.8);
    Disc(m, {7.5, 11.0}, 2.8);
    Curve(m, {10.0, 5.5}, {13.0, 7.0}, {16.0, 5.0}, {18.5, 1.5}, 1.6, 1.6);
    Curve(m, {7.5, 13.0}, {10.5, 14.5}, {13.5, 12.5}, {16.0, 9.0}, 1.6, 1.6);
    Stroke(m, {18.5, 1.5}, {11.5, 23.5}, 2.0);
    return m;
}

GlyphMask QuarterRest() {
    GlyphMask m(32, 32);
    Stroke(m, {11.0, 1.5}, {19.5, 10.5}, 2.6);
    Stroke(m, {19.5, 10.5}, {12.0, 17.5}, 5.0);
    Stroke(m, {12.0, 17.5}, {20.0, 25.0}, 2.6);
    Curve(m, {20.0, 25.0}, {11.0, 20.0}, {9.0, 27.0}, {16.0, 31.0}, 2.8, 2.0);
    return m;
}

GlyphMask BlockRest() {
    GlyphMask m(24, 24);
    Paint(m, [](double x, double y) { return x > 3.0 && x < 21.0 && y < 7.0; });
    return m;
}

GlyphMask FilledHead() {
    GlyphMask m(16, 16);
    Ellipse(m, {8.0, 8.0}, 7.8, 5.6, -0.38);
    return m;
}

GlyphMask OpenHead() {
    GlyphMask m(16, 16);
    Ellipse(m, {8.0, 8.0}, 7.8, 5.6, -0.38);
    Ellipse(m, {8.0, 8.0}, 5.2, 2.5, -0.65, false);
    return m;
}

GlyphMask CrossHead() {
    GlyphMask m(16, 16);
    Stroke(m, {2.0, 2.5}, {14.0, 13.5}, 2.2);
    Stroke(m, {2.0, 13.5}, {14.0, 2.5}, 2.2);
    return m;
}

GlyphMask Dot() {
    GlyphMask m(16, 16);
    Disc(m, {8.0, 8.0}, 3.4);
    return m;
}

// Stems up run on the right of the head (mask x 7..8, the head being 8 mask
// pixels wide at this scale); flags hang to the right from the top.
StemMasks UpStems() {
    StemMasks stems{GlyphMask(16, 32), GlyphMask(16, 32), GlyphMask(16, 32)};
    for (GlyphMask* m : {&stems.twoFlags, &stems.oneFlag, &stems.plain}) {
        Stroke(*m, {7.5, 0.0}, {7.5, 32.0}, 1.0);
    }
    auto flag = [](GlyphMask& m, double top) {
        Curve(m, {8.0, top + 0.5}, {9.0, top + 6.0}, {15.5, top + 8.0}, {12.5, top + 17.0}, 3.0, 1.2);
    };
    flag(stems.oneFlag, 0.0);
    flag(stems.twoFlags, 0.0);
    flag(stems.twoFlags, 5.0);
    return stems;
}

// Stems down: the mask is drawn one head width to the left, so the stem at
// mask x 8..9 runs on the left of the head; flags rise to the right from the
// bottom.
StemMasks DownStems() {
    StemMasks stems{GlyphMask(16, 32), GlyphMask(16, 32), GlyphMask(16, 32)};
    for (GlyphMask* m : {&stems.twoFlags, &stems.oneFlag, &stems.plain}) {
        Stroke(*m, {8.5, 0.0}, {8.5, 32.0}, 1.0);
    }
    auto flag = [](GlyphMask& m, double bottom) {
        Curve(m, {9.0, bottom - 0.5}, {10.0, bottom - 6.0}, {16.5, bottom - 8.0}, {13.5, bottom - 17.0},
              3.0, 1.2);
    };
    flag(stems.oneFlag, 32.0);
    flag(stems.twoFlags, 32.0);
    flag(stems.twoFlags, 27.0);
    return stems;
}

}  // namespace

int GlyphMask::CountSet() const {
    return static_cast<int>(std::count(bits.begin(), bits.end(), 1U));
}

GlyphSet BuildGlyphSet() {
    GlyphSet set;
    set.sharp = Sharp();
    set.natural = Natural();
    set.flat = Flat();
    set.eighthRest = EighthRest();
    set.sixteenthRest = SixteenthRest();
    set.quarterRest = QuarterRest();
    set.blockRest = BlockRest();
    set.openHead = OpenHead();
    set.filledHead[0] = FilledHead();
    set.filledHead[1] = FilledHead();
    set.crossHead = CrossHead();
    set.stemUp = UpStems();
    set.stemDown = DownStems();
    set.dot = Dot();
    return set;
}

}  // namespace songloom::pictures
