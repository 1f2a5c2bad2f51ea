#include "pictures/staff_geometry.h"
#include "common/pitch.h"

#include <algorithm>

namespace songloom::pictures {
namespace {

// Letters of the key signatures in the order keys add them (C = 0 .. B = 6).
constexpr std::array<int, 7> kSharpOrder = {3, 0, 4, 1, 5, 2, 6};  // F C G D A E B
constexpr std::array<int, 7> kFlatOrder = {6, 2, 5, 1, 4, 0, 3};   // B E A D G C F

// Letter of each pitch class spelled with sharps and with flats.
constexpr std::array<int, 12> kSharpLetter = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
constexpr std::array<int, 12> kFlatLetter = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};

}  // namespace

bool IsBlackKey(int note) {
    switch (PitchClass(note)) {
    case 1: case 3: case 6: case 8: case 10: return true;
    default: return false;
    }
}

bool LiesOnLine(int note) {
    switch (((note % 24) + 24) % 24) {
    case 2: case 5: case 9: case 12: case 16: case 19: case 23: return true;
    default: return false;
    }
}

bool IsStaffLine(int note) {
    switch (note) {
    case 43: case 47: case 50: case 53: case 57:
    case 64: case 67: case 71: case 74: case 77: return true;
    default: return false;
    }
}

StaffGeometry BuildStaffGeometry(int lowNote, int highNote, int width, int height) {
    StaffGeometry g;
    g.width = width;
    g.height = height;
    g.lowNote = lowNote;
    g.highNote = highNote;
    for (int note = highNote; note >= lowNote; --note) {
        if (LiesOnLine(note)) g.lineSlots.push_back({note, IsStaffLine(note)});
    }
    const double s = static_cast<double>(height) / static_cast<double>(g.lineSlots.size() + 1);
    g.spacing = s;

    const int left = static_cast<int>(width / 2.0 - 0.5 * s);
    const int right = static_cast<int>(width / 2.0 + 0.5 * s);
    // Sharp spelling: a black key shares the row of the white key below it.
    double y = height - s;
    for (int note = lowNote; note <= highNote; ++note) {
        const bool black = IsBlackKey(note);
        const bool first = note == lowNote;
        if (!black && !(first && !LiesOnLine(note))) y -= 0.5 * s;
        const int top = static_cast<int>(y);
        g.sharpRows.push_back({note, black ? RowAccidental::Sharp : RowAccidental::None, left, top,
                               right, static_cast<int>(top + s)});
    }
    // Flat spelling: a black key shares the row of the white key above it.
    y = height - 1.5 * s;
    for (int note = lowNote; note <= highNote; ++note) {
        const bool black = IsBlackKey(note);
        const int pc = PitchClass(note);
        if (black || pc == 0 || pc == 5) y -= 0.5 * s;
        const int top = static_cast<int>(y);
        g.flatRows.push_back({note, black ? RowAccidental::Flat : RowAccidental::None, left, top,
                              right, static_cast<int>(top + s)});
    }
    return g;
}

int SlotLineY(const StaffGeometry& geometry, std::size_t slotIndex) {
    return static_cast<int>(static_cast<double>(slotIndex + 1) * geometry.spacing);
}

const StaffRow* FindRow(const StaffGeometry& geometry, int accidentalMode, int note) {
    const auto& rows = accidentalMode == kSharpMode ? geometry.sharpRows : geometry.flatRows;
    if (note < geometry.lowNote || note > geometry.highNote || rows.empty()) return nullptr;
    return &rows[static_cast<std::size_t>(note - geometry.lowNote)];
}

int RowY(const StaffGeometry& geometry, int accidentalMode, int note) {
    const StaffRow* row = FindRow(geometry, accidentalMode, note);
    return row ? row->top : 0;
}

int RowCentreY(const StaffGeometry& geometry, int accidentalMode, int note) {
    const StaffRow* row = FindRow(geometry, accidentalMode, note);
    return row ? static_cast<int>(row->top + geometry.spacing / 2.0) : 0;
}

int ShownPitchIn(const StaffGeometry& geometry, int pitch) {
    while (pitch > geometry.highNote && pitch - 12 >= geometry.lowNote) pitch -= 12;
    while (pitch < geometry.lowNote && pitch + 12 <= geometry.highNote) pitch += 12;
    return std::clamp(pitch, geometry.lowNote, geometry.highNote);
}

bool StemDown(int note, int kind) {
    if (kind == 14 || kind == 15) return note < 48;
    return note >= 70 || (note >= 49 && note <= 59);
}

bool BeamedPairStemDown(int firstNote, int secondNote) {
    return StemDown((firstNote + secondNote) / 2, 3);
}

int SignatureFromByte(std::uint8_t keyByte) {
    return keyByte < 240 ? keyByte : -(256 - keyByte);
}

std::uint8_t ByteFromSignature(int signature) {
    return static_cast<std::uint8_t>(signature >= 0 ? signature : 256 + signature);
}

int LetterOf(int pitchClass, bool sharpSpelling) {
    const auto pc = static_cast<std::size_t>(PitchClass(pitchClass));
    return sharpSpelling ? kSharpLetter[pc] : kFlatLetter[pc];
}

int KeyAlteration(int signature, int letter) {
    const int count = std::min(7, signature >= 0 ? signature : -signature);
    const auto& order = signature >= 0 ? kSharpOrder : kFlatOrder;
    for (int i = 0; i < count; ++i) {
        if (order[static_cast<std::size_t>(i)] == letter) return signature >= 0 ? 1 : -1;
    }
    return 0;
}

std::optional<RowAccidental> AccidentalTracker::Next(int note, RowAccidental rowKind) {
    const int pc = PitchClass(note);
    auto& state = states_[static_cast<std::size_t>(pc)];
    if (rowKind == RowAccidental::Flat || rowKind == RowAccidental::Sharp) {
        const bool sharp = rowKind == RowAccidental::Sharp;
        const State sign = sharp ? kSharpShown : kFlatShown;
        const int letter = LetterOf(pc, sharp);
        bool needed = KeyAlteration(signature_, letter) != (sharp ? 1 : -1) && state != sign;
        auto& natural = states_[static_cast<std::size_t>(PitchClass(sharp ? pc - 1 : pc + 1))];
        if (natural == kNaturalShown) {
            natural = kNone;
            needed = true;
        }
        if (!needed) return std::nullopt;
        state = sign;
        return rowKind;
    }
    const int letter = LetterOf(pc, true);
    auto& black = states_[static_cast<std::size_t>(PitchClass(sharpMode_ ? pc + 1 : pc - 1))];
    bool needed = KeyAlteration(signature_, letter) != 0;
    if (black == kFlatShown || black == kSharpShown) {
        black = kNone;
        needed = true;
    }
    if (!needed || state == kNaturalShown) return std::nullopt;
    state = kNaturalShown;
    return RowAccidental::None;
}

int TimeSignatureX(double spacing) {
    const int clef = static_cast<int>(6.0 * spacing);
    const int key = static_cast<int>(-16.0 / (24.0 / spacing * 0.9) * 6.0);
    return clef - key - 8;
}

}  // namespace songloom::pictures
