#pragma once
// Layout and hit tests of the keyboard and the fingerboard pictures, without
// drawing: pure functions shared by the pictures and their tests.

#include <optional>
#include <vector>

namespace songloom::pictures {

struct KeyRect {
    bool black = false;
    int note = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct KeyboardLayout {
    double unit = 0.0;          // width of a white key in pixels
    std::vector<KeyRect> keys;  // lowest note first
};

// Keys of lowest..highest on a canvas of width x height. A black key counts
// half a unit only at either end of the range.
KeyboardLayout LayOutKeyboard(int lowest, int highest, int width, int height);
// Index of the key at (x, y): black keys first, then white; -1 for none.
int HitKey(const KeyboardLayout& layout, int x, int y);

// The fingerboard's grid of strings (1 = the lowest, drawn on the left) and
// fret positions (0 = open, above the first fret line).
struct FingerboardGeometry {
    int width = 0;
    int height = 0;
    int firstFret = 1;
    int lastFret = 5;
    int strings = 6;
    double stringSpacing = 0.0;  // width / (strings + 1)
    double fretSpacing = 0.0;    // height / (last - first + 2)
};

struct DotRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

FingerboardGeometry MakeFingerboard(int width, int height, int firstFret, int lastFret, int strings);
// The dot of string (1-based) at position (-1 = not played: the grey dot
// over the first fret line).
DotRect FingerDot(const FingerboardGeometry& g, int string, int position);
// Top-left of the label box of (fret cell, string), both from 0.
DotRect LabelBox(const FingerboardGeometry& g, int fret, int string);
// The position shown for an absolute fret (0 = open) when the picture starts
// at firstFret; -1 stays -1.
int FretToPosition(int fret, int firstFret);

struct FingerboardHit {
    int string = 0;    // 1-based
    int position = 0;  // 0 = open
};
// The cell under (x, y): the nearest string and the fret space whose dot area
// holds y; nullopt outside the canvas.
std::optional<FingerboardHit> HitFingerboard(const FingerboardGeometry& g, int x, int y);

}  // namespace songloom::pictures
