#pragma once
// Staff cells: the sixteen bar cells of a score page, their row heads and the
// long staff of the bar editor. Each cell owns an off-screen picture and is
// drawn from its geometry, its note list and its labels with the one-bit
// glyph masks scaled to the cell's line spacing.

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/reporter.h"
#include "pictures/glyph_masks.h"
#include "pictures/off_screen_picture.h"
#include "pictures/staff_geometry.h"
#include "pictures/staff_notes.h"

namespace songloom::pictures {

// A text of the cell at a pixel position: chord names above the staff,
// lyrics below the melody.
struct CellLabel {
    std::string text;  // UTF-8
    int x = 0;
    int y = 0;
};

inline constexpr std::size_t kMaxCellLabels = 64;
inline const QColor kStaffLineColour{100, 100, 100};
inline const QColor kLabelColour{80, 100, 40};

// Which of the two bar lines a cell draws when its bar-line flag is set.
enum BarLineSides : int { kBarLineLeft = 1, kBarLineRight = 2, kBarLineBoth = 3 };

struct StaffCell {
    std::unique_ptr<COffScreenPicture> canvas;
    StaffGeometry geometry;            // size, slots, spacing, row tables
    int accidentalMode = kSharpMode;   // 2: sharp table; otherwise flat
    std::uint8_t keySignature = 0;     // below 240 sharps, otherwise 256 - value flats
    int timeNumerator = 4;             // over a fixed "4"
    int leftMargin = 0;                // pixels kept for clef, key and time signature
    Tick cellLength = 4 * kTicksPerQuarter;
    std::vector<StaffNote> notes;      // in time order
    std::vector<CellLabel> labels;     // at most kMaxCellLabels are drawn
    bool barLines = true;
    int barLineSides = kBarLineBoth;
    bool timeSignature = false;
    bool finalBar = false;             // the right bar line is the closing double bar
    bool clefs = false;                // a row head: clefs and key signature
    std::vector<QColor> noteColours;   // per note; black where missing
};

class CLongStaffPicture {
public:
    explicit CLongStaffPicture(Reporter& reporter);

    // A new cell of rect's size showing lowNote..highNote; returns its index.
    int CreateCell(const QRect& rect, int lowNote, int highNote);
    // Lays the cell out again for a new range or a resized canvas.
    void SetUpCell(int cell, int lowNote, int highNote);
    void ResizeCell(int cell, const QRect& rect);

    StaffCell& Cell(int cell) { return cells_[static_cast<std::size_t>(cell)]; }
    const StaffCell& Cell(int cell) const { return cells_[static_cast<std::size_t>(cell)]; }
    int CellCount() const { return static_cast<int>(cells_.size()); }

    // Places a bar's notes and its chord names and lyrics as labels.
    void SetBarContent(int cell, const BarContent& content);

    void DrawCell(int cell);
    // Top y of the note's row in the cell's current table; 0 when none.
    int RowY(int cell, int note) const;
    // The white-key note whose row centre lies nearest to y (the inverse of
    // RowY for a press on the staff); -1 for a cell without rows.
    int NoteAtY(int cell, int y) const;
    // x of a note starting at tick (the proportional rule of the drawing).
    int NoteX(int cell, Tick tick) const;
    // The tick under x, the inverse of NoteX (clamped to the cell).
    Tick TickAtX(int cell, int x) const;
    // Width a row head needs for the clefs, the key signature and the time
    // signature at spacing s.
    static int RowHeadWidth(double spacing, int signature);

    const GlyphSet& glyphs() const { return glyphs_; }
    // Shows the plain "CLongStaffPicture::error" box.
    void ErrorMsg();

private:
    bool Valid(int cell);
    void DrawLabels(StaffCell& cell, QImage& image);
    void DrawBarLines(StaffCell& cell, QImage& image);
    void DrawClefsAndKey(StaffCell& cell, QImage& image);
    void DrawTimeSignature(StaffCell& cell, QImage& image);
    void DrawNotes(StaffCell& cell, QImage& image);

    Reporter& reporter_;
    GlyphSet glyphs_;
    std::vector<StaffCell> cells_;
};

// Draws mask into image at (x, y), sampling it in half mask pixels; mask
// pixel (mx, my) lands on (x + mx / factor, y + my / factor). mirror flips
// it left to right.
void DrawGlyph(QImage& image, const GlyphMask& mask, double x, double y, double factor, QRgb colour,
               bool mirror = false);

}  // namespace songloom::pictures
