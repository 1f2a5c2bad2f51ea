#include "pictures/instrument_geometry.h"

#include <algorithm>
#include <cmath>

#include "pictures/staff_geometry.h"

namespace songloom::pictures {

KeyboardLayout LayOutKeyboard(int lowest, int highest, int width, int height) {
    KeyboardLayout layout;
    if (highest < lowest) return layout;
    double units = 0.0;
    for (int note = lowest; note <= highest; ++note) {
        if (!IsBlackKey(note)) {
            units += 1.0;
        } else if (note == lowest || note == highest) {
            units += 0.5;
        }
    }
    layout.unit = units > 0.0 ? width / units : 0.0;
    const double u = layout.unit;
    double p = 0.0;
    for (int note = lowest; note <= highest; ++note) {
        KeyRect key;
        key.note = note;
        key.black = IsBlackKey(note);
        if (!key.black) {
            p += u;
            key.left = static_cast<int>(p - u);
            key.right = static_cast<int>(p);
            key.bottom = height;
        } else {
            if (note == lowest || note == highest) p += 0.5 * u;
            key.left = static_cast<int>(p - 0.5 * u);
            key.right = static_cast<int>(p + 0.5 * u);
            key.bottom = height / 2;
        }
        layout.keys.push_back(key);
    }
    return layout;
}

int HitKey(const KeyboardLayout& layout, int x, int y) {
    for (bool black : {true, false}) {
        for (std::size_t i = 0; i < layout.keys.size(); ++i) {
            const KeyRect& key = layout.keys[i];
            if (key.black == black && key.Contains(x, y)) return static_cast<int>(i);
        }
    }
    return -1;
}

FingerboardGeometry MakeFingerboard(int width, int height, int firstFret, int lastFret, int strings) {
    FingerboardGeometry g;
    g.width = width;
    g.height = height;
    g.firstFret = firstFret;
    g.lastFret = std::max(firstFret, lastFret);
    g.strings = std::max(1, strings);
    g.stringSpacing = static_cast<double>(width) / (g.strings + 1);
    g.fretSpacing = static_cast<double>(height) / (g.lastFret - g.firstFret + 2);
    return g;
}

DotRect FingerDot(const FingerboardGeometry& g, int string, int position) {
    DotRect r;
    r.left = static_cast<int>((string - 0.2) * g.stringSpacing);
    r.right = static_cast<int>((string + 0.2) * g.stringSpacing);
    if (position < 0) {
        r.top = static_cast<int>(0.2 * g.fretSpacing);
        r.bottom = static_cast<int>(0.8 * g.fretSpacing);
    } else {
        r.top = static_cast<int>((position + 1) * g.fretSpacing - 0.6 * g.fretSpacing);
        r.bottom = static_cast<int>((position + 1) * g.fretSpacing);
    }
    return r;
}

DotRect LabelBox(const FingerboardGeometry& g, int fret, int string) {
    DotRect r;
    r.left = static_cast<int>((string + 1) * g.stringSpacing - 14);
    r.top = static_cast<int>((fret + 1) * g.fretSpacing - 14);
    r.right = r.left + 28;
    r.bottom = r.top + 14;
    return r;
}

int FretToPosition(int fret, int firstFret) {
    if (fret <= 0) return fret;
    return fret - firstFret + 1;
}

std::optional<FingerboardHit> HitFingerboard(const FingerboardGeometry& g, int x, int y) {
    if (x < 0 || y < 0 || x >= g.width || y >= g.height || g.stringSpacing <= 0 || g.fretSpacing <= 0) {
        return std::nullopt;
    }
    FingerboardHit hit;
    hit.string = std::clamp(static_cast<int>(std::lround(x / g.stringSpacing)), 1, g.strings);
    const int cell = static_cast<int>(std::ceil(y / g.fretSpacing)) - 1;
    hit.position = std::clamp(cell, 0, g.lastFret - g.firstFret + 1);
    return hit;
}

}  // namespace songloom::pictures
