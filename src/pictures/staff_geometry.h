#pragma once
// Geometry of a staff cell, without any drawing: which line positions are
// drawn, the line spacing, the two row tables (sharp and flat spelling), the
// stem rule and the accidental bookkeeping of one cell. Pure functions so the
// window code and the tests share them.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace songloom::pictures {

// Accidental kind of a row: how a note on it is spelled.
enum class RowAccidental : int { Flat = 1, Sharp = 2, None = 3 };

// One row of a row table: the place where a note of that MIDI number sits.
// Pixel coordinates inside the cell's canvas.
struct StaffRow {
    int note = 0;
    RowAccidental accidental = RowAccidental::None;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// One line position within the note range, counted from the top. drawn is
// false for ledger positions and middle C.
struct LineSlot {
    int note = 0;
    bool drawn = false;
};

struct StaffGeometry {
    int width = 0;
    int height = 0;
    int lowNote = 0;
    int highNote = 0;
    double spacing = 0.0;            // line spacing s in pixels
    std::vector<LineSlot> lineSlots;     // top to bottom; slot i lies at y = (i + 1) * s
    std::vector<StaffRow> sharpRows; // lowest note first
    std::vector<StaffRow> flatRows;
};

// Accidental mode value that selects the sharp table; anything else the flat.
inline constexpr int kSharpMode = 2;

bool IsBlackKey(int note);
// True for notes on a line position (every other white key).
bool LiesOnLine(int note);
// True for the five lines of the lower and of the upper staff.
bool IsStaffLine(int note);

// Builds slots, spacing and both row tables for a canvas of width x height
// showing lowNote..highNote. A range with no line position gives no slots and
// spacing height / 1.
StaffGeometry BuildStaffGeometry(int lowNote, int highNote, int width, int height);

// y of the slot line i (0-based, from the top), integer part of (i + 1) * s.
int SlotLineY(const StaffGeometry& geometry, std::size_t slotIndex);

// The row of note in the table of the mode; nullptr when the range lacks it.
const StaffRow* FindRow(const StaffGeometry& geometry, int accidentalMode, int note);
// Top y of that row, 0 when there is none.
int RowY(const StaffGeometry& geometry, int accidentalMode, int note);
// y of the centre of a note head on that row (top + s / 2), 0 when none.
int RowCentreY(const StaffGeometry& geometry, int accidentalMode, int note);

// A note outside the range is shown an octave (or more) inside it.
int ShownPitchIn(const StaffGeometry& geometry, int pitch);

// Stem direction: true for down.
bool StemDown(int note, int kind);
// Direction of both notes of a beamed pair.
bool BeamedPairStemDown(int firstNote, int secondNote);

// Key signature byte: below 240 the number of sharps, otherwise 256 - value
// flats. Returns sharps as positive and flats as negative counts.
int SignatureFromByte(std::uint8_t keyByte);
std::uint8_t ByteFromSignature(int signature);

// Letters 0..6 = C D E F G A B.
int LetterOf(int pitchClass, bool sharpSpelling);
// The letter altered by a key of signature (sharps > 0, flats < 0); 0 = none,
// +1 sharp, -1 flat.
int KeyAlteration(int signature, int letter);

// Shown-state bookkeeping of the accidentals of one cell.
class AccidentalTracker {
public:
    enum State : int { kNone = 0, kFlatShown = 1, kSharpShown = 2, kNaturalShown = 3 };

    // signature: sharps positive, flats negative. sharpMode: the cell shows
    // black keys as sharps.
    AccidentalTracker(int signature, bool sharpMode) : signature_(signature), sharpMode_(sharpMode) {}

    // Decides the sign shown before a note on a row of the given kind and
    // records it; nullopt when none is drawn.
    std::optional<RowAccidental> Next(int note, RowAccidental rowKind);
    State StateOf(int pitchClass) const { return states_[static_cast<std::size_t>(pitchClass)]; }

private:
    int signature_;
    bool sharpMode_;
    std::array<State, 12> states_{};
};

// Left edge of the time signature digits (see LongStaffPicture).
int TimeSignatureX(double spacing);

}  // namespace songloom::pictures
