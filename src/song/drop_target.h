#pragma once
// Dropping payload texts onto the score and onto the phrase palette, without
// the windows: the drop target that accepts only text, the hit tests of the
// staff cells, the drag-over highlight band, and what every payload does to
// the working song and to the phrase song. Each call returns what the window
// must do next (redraw, show a message, tell a palette).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/reporter.h"
#include "song/drop_payload.h"
#include "song/song_data.h"

namespace songloom::song {

// ---- the drop target -----------------------------------------------------

// "DRTG": code 1 "この形式はサポートしていません", any other code a general text.
void DropTargetErrorMsg(Reporter& reporter, std::uint32_t code);
namespace drtg {
inline constexpr std::uint32_t kNotText = 1;
}

// The most text a drop takes from the dragged data.
inline constexpr std::size_t kDropTextCapacity = 1024;

enum class DropEffect { kNone, kCopy };

// Bound to one window: hands the text of a drop or a drag-over, with the
// point, to that window's handlers.
class CDropTarget {
public:
    using Handler = std::function<void(std::string_view text, int x, int y)>;
    CDropTarget(Handler drop, Handler dragOver);

    // text is empty when the data offers no plain text: DRTG 1, refused.
    bool Drop(Reporter& reporter, const std::optional<std::string>& text, int x, int y);
    DropEffect DragOver(const std::optional<std::string>& text, int x, int y);

private:
    Handler drop_;
    Handler dragOver_;
};

// ---- hit tests -----------------------------------------------------------

struct CellRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool Contains(int x, int y) const
    {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
};

inline constexpr int kScoreCells = 16;
inline constexpr int kPhraseCells = 4;

struct ScoreHit {
    int cell = 0;  // 0..15
    int bar = 0;   // page * 16 + cell
    int slot = 0;  // eighth slot in the bar, 0 .. 2 * beats - 1
    bool operator==(const ScoreHit&) const = default;
};

// The first of the sixteen cells (in the main window's coordinates) that
// holds the point; none when it lies in no cell.
std::optional<ScoreHit> HitTestCell(std::span<const CellRect, kScoreCells> cells, int page,
                                    int beats, int x, int y);

// The phrase palette: bar 0..3 is the cell; the target slot is the beat
// times 2, plus 1 when the eighth under the point is odd.
std::optional<ScoreHit> HitTestPhraseCell(std::span<const CellRect, kPhraseCells> cells,
                                          int beats, int x, int y);

// ---- drag-over feedback --------------------------------------------------

inline constexpr std::uint32_t kDragOverColour = 0xC8FFC8;  // RGB(200, 255, 200)

// The highlight band in a cell, in pixels from the cell's left edge.
struct HighlightBand {
    int cell = 0;
    int from = 0;
    int to = 0;
    bool operator==(const HighlightBand&) const = default;
};

// The band a payload shows over the hit cell; none for texts that show none
// (unknown keywords, a length over a slot that starts no note).
std::optional<HighlightBand> DragOverBand(const SongData& song, std::string_view text,
                                          const ScoreHit& hit, int cellWidth);

// The band a window shows while a drag passes over it. The window repaints
// only when Show or Clear returns true (the band changed).
class DragOverHighlight {
public:
    bool Show(const std::optional<HighlightBand>& band);
    bool Clear() { return Show(std::nullopt); }
    const std::optional<HighlightBand>& shown() const { return shown_; }

private:
    std::optional<HighlightBand> shown_;
};

// ---- drops onto the score ------------------------------------------------

// The main window's message to the keyboard palette: its note was taken.
inline constexpr std::uint32_t kKeyboardNoteTaken = 0x800E;
// The phrase palette's message to the main window: copy a score bar.
inline constexpr std::uint32_t kCopyScoreBarToPhrase = 0x800D;

struct ScoreDropResult {
    bool hit = false;               // a cell was hit: snapshot taken, bar panel refreshed
    bool redraw = false;            // the page changed
    bool showMainMessage0 = false;  // an unknown keyword
    bool keyboardNoteTaken = false; // send 0x800E to the keyboard palette
};

// A drop onto the main window's staff cells. phrase is the phrase palette's
// song ("phrase:" payloads copy from it).
ScoreDropResult DropOnScore(Reporter& reporter, SongData& song, const SongData& phrase,
                            std::string_view text, const std::optional<ScoreHit>& hit);

// The payloads one by one (bar b and slot s of the working song).
bool DropPhraseOnScore(Reporter& reporter, SongData& song, const SongData& phrase, int phraseBar, int b);
bool DropNoteOnScore(Reporter& reporter, SongData& song, int pitch, int b, int s);
bool DropChordOnScore(Reporter& reporter, SongData& song, std::string_view name, int b, int s);
bool DropLengthOnScore(SongData& song, int eighths, int b, int s);
bool DropScoreOnScore(Reporter& reporter, SongData& song, int sourceBar, int b);

// ---- drops onto the phrase palette ---------------------------------------

struct PhraseDropResult {
    bool repaint = false;             // the palette repaints
    bool showPaletteError0 = false;   // CPhrasePalletDlg::ErrorMsg(0)
    // "score:" asks the main window (0x800D) to copy song bar scoreBar into
    // phrase bar phraseBar with CopyScoreBarToPhrase.
    std::optional<std::pair<int, int>> copyScoreBar;  // (phraseBar, scoreBar)
};

PhraseDropResult DropOnPhrase(SongData& phrase, std::string_view text, const std::optional<ScoreHit>& hit);

// The main window's side of 0x800D: bar scoreBar of the working song into
// bar phraseBar of the phrase song; nothing when scoreBar is not in the song.
bool CopyScoreBarToPhrase(Reporter& reporter, SongData& phrase, const SongData& song,
                          int phraseBar, int scoreBar);

}  // namespace songloom::song
