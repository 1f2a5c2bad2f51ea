#include "song/drop_target.h"

#include <algorithm>

namespace songloom::song {
namespace {

constexpr MessageRow kDropTargetMessages[] = {
    {drtg::kNotText, "この形式はサポートしていません"},
};

constexpr bool IsPitch(std::int32_t v) { return v >= 0 && v <= 127; }

// Grows the song so that bar b exists; false when it cannot hold bar b.
bool GrowToBar(SongData& song, int b)
{
    if (b < song.bars()) return b >= 0;
    return song.SetBarCount(b + 1);
}

// Bar srcBar of src into bar dstBar of dst, beat by beat: each chord split
// into root and type and set, both slots copied. A bar of another time
// signature is written with the smaller beat count, so it stays in its bar.
void CopyBarAcross(Reporter& reporter, SongData& dst, int dstBar, const SongData& src, int srcBar)
{
    const int beats = std::min(src.beats(), dst.beats());
    for (int beat = 0; beat < beats; ++beat) {
        const int from = srcBar * src.beats() + beat;
        const ChordParts parts = SplitChordName(reporter, src.ChordName(from));
        dst.SetChord(reporter, dstBar, beat, parts.root, parts.type, 1);
        dst.PutSlot(dstBar, beat * 2, src.melody[from * 2]);
        dst.PutSlot(dstBar, beat * 2 + 1, src.melody[from * 2 + 1]);
    }
}

// The length payload's cut, shared by both targets: the note at slot i is
// held over the next n - 1 slots; what it covered is remembered so that the
// note it cut off can start again after it. Returns the remembered value.
std::int32_t HoldOver(SongData& song, int i, int n)
{
    std::int32_t remembered = kRest;
    const int end = std::min(i + n, song.ActiveSlots());
    for (int k = i + 1; k < end; ++k) {
        if (song.melody[k].cell[0] != kHold) remembered = song.melody[k].cell[0];
        song.melody[k].cell[0] = kHold;
    }
    return remembered;
}

}  // namespace

void DropTargetErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "DRTG", code, kDropTargetMessages, "ドロップされた内容を受け付けられませんでした。");
}

CDropTarget::CDropTarget(Handler drop, Handler dragOver)
    : drop_(std::move(drop)), dragOver_(std::move(dragOver))
{
}

bool CDropTarget::Drop(Reporter& reporter, const std::optional<std::string>& text, int x, int y)
{
    if (!text) {
        DropTargetErrorMsg(reporter, drtg::kNotText);
        return false;
    }
    const std::string_view taken = std::string_view(*text).substr(0, kDropTextCapacity);
    if (drop_) drop_(taken.substr(0, taken.find('\0')), x, y);
    return true;
}

DropEffect CDropTarget::DragOver(const std::optional<std::string>& text, int x, int y)
{
    if (!text) return DropEffect::kNone;
    const std::string_view taken = std::string_view(*text).substr(0, kDropTextCapacity);
    if (dragOver_) dragOver_(taken.substr(0, taken.find('\0')), x, y);
    return DropEffect::kCopy;
}

std::optional<ScoreHit> HitTestCell(std::span<const CellRect, kScoreCells> cells, int page,
                                    int beats, int x, int y)
{
    for (int c = 0; c < kScoreCells; ++c) {
        const CellRect& cell = cells[c];
        if (!cell.Contains(x, y)) continue;
        const int eighthWidth = std::max(cell.width / 8, 1);
        const int slot = std::min((x - cell.left) / eighthWidth, std::max(2 * beats - 1, 0));
        return ScoreHit{c, page * kScoreCells + c, slot};
    }
    return std::nullopt;
}

std::optional<ScoreHit> HitTestPhraseCell(std::span<const CellRect, kPhraseCells> cells,
                                          int beats, int x, int y)
{
    for (int c = 0; c < kPhraseCells; ++c) {
        const CellRect& cell = cells[c];
        if (!cell.Contains(x, y)) continue;
        const int dx = x - cell.left;
        const int beat = dx / std::max(cell.width / 4, 1);
        const int eighth = dx / std::max(cell.width / 8, 1);
        const int slot = std::min(beat * 2 + (eighth % 2), std::max(2 * beats - 1, 0));
        return ScoreHit{c, c, slot};
    }
    return std::nullopt;
}

std::optional<HighlightBand> DragOverBand(const SongData& song, std::string_view text,
                                          const ScoreHit& hit, int cellWidth)
{
    const int w = cellWidth / 8;
    const DragPayload payload = ParsePayload(text);
    switch (payload.kind) {
    case PayloadKind::kPhrase:
    case PayloadKind::kScore:
        return HighlightBand{hit.cell, 0, cellWidth};
    case PayloadKind::kNote:
        return HighlightBand{hit.cell, hit.slot * w, (hit.slot + 1) * w};
    case PayloadKind::kChord: {
        const int first = hit.slot / 2 * 2;
        return HighlightBand{hit.cell, first * w, (first + 2) * w};
    }
    case PayloadKind::kLength: {
        const int s = song.SlotIndex(hit.bar, hit.slot);
        if (s < 0 || s >= song.ActiveSlots() || !IsPitch(song.melody[s].cell[0])) return std::nullopt;
        return HighlightBand{hit.cell, hit.slot * w, (hit.slot + payload.number) * w};
    }
    case PayloadKind::kUnknown:
        break;
    }
    return std::nullopt;
}

bool DragOverHighlight::Show(const std::optional<HighlightBand>& band)
{
    if (band == shown_) return false;
    shown_ = band;
    return true;
}

// ---- score ---------------------------------------------------------------

bool DropPhraseOnScore(Reporter& reporter, SongData& song, const SongData& phrase, int phraseBar, int b)
{
    if (phraseBar < 0 || phraseBar >= phrase.bars() || !GrowToBar(song, b)) return false;
    CopyBarAcross(reporter, song, b, phrase, phraseBar);
    song.BreakLongHold(b * song.SlotsPerBar());
    return true;
}

bool DropNoteOnScore(Reporter& reporter, SongData& song, int pitch, int b, int s)
{
    const int room = song.SlotsPerBar() - s;
    const int run = song.FreeRun(b, s);
    const int eighths = (run != 0 && run < room) ? run : room;
    if (eighths < 1 || !GrowToBar(song, b)) return false;
    return song.SetNote(reporter, b, s, pitch, NoteValueIndexOfSixteenths(eighths * 2), 0);
}

bool DropChordOnScore(Reporter& reporter, SongData& song, std::string_view name, int b, int s)
{
    if (name.empty()) return false;
    const std::string full = CompleteChordName(name);
    const ChordParts parts = full == kUnknownChordName ? ChordParts{0, 0} : SplitChordName(reporter, full);
    if (!GrowToBar(song, b)) return false;
    const int first = s / 2;
    if (!parts.ok()) {
        song.SetChord(reporter, b, first, parts.root, parts.type, 1);  // refused: SGDT 0
        return false;
    }
    const std::string old(song.ChordName(b * song.beats() + first));
    for (int beat = first; beat < song.beats(); ++beat) {
        if (song.ChordName(b * song.beats() + beat) != old) break;
        song.SetChord(reporter, b, beat, parts.root, parts.type, 1);
    }
    return true;
}

bool DropLengthOnScore(SongData& song, int eighths, int b, int s)
{
    const int i = song.SlotIndex(b, s);
    if (i < 0 || i >= song.ActiveSlots() || !IsPitch(song.melody[i].cell[0])) return false;
    if (eighths < 1 || eighths > MaxSlots) return false;
    if (i + eighths >= song.ActiveSlots()) song.SetBarCount(song.bars() + 1);
    const std::int32_t remembered = HoldOver(song, i, eighths);
    int k = i + eighths;
    const int total = song.ActiveSlots();
    if (k >= total || song.melody[k].cell[0] != kHold) return true;
    if (remembered != kRest) {
        song.melody[k].cell[0] = remembered;  // the cut-off note starts again
        return true;
    }
    song.melody[k].cell[0] = kRest;
    while (song.melody[k].cell[1] == kHold && k + 1 < total && song.melody[k + 1].cell[0] == kHold) {
        song.melody[++k].cell[0] = kRest;
    }
    return true;
}

bool DropScoreOnScore(Reporter& reporter, SongData& song, int sourceBar, int b)
{
    if (sourceBar < 0 || sourceBar >= song.bars() || !GrowToBar(song, b)) return false;
    const SongData source = song;  // a bar of the same song: read from a stable copy
    CopyBarAcross(reporter, song, b, source, sourceBar);
    return true;
}

ScoreDropResult DropOnScore(Reporter& reporter, SongData& song, const SongData& phrase,
                            std::string_view text, const std::optional<ScoreHit>& hit)
{
    ScoreDropResult result;
    if (!hit) return result;
    result.hit = true;
    song.TakeSnapshot();
    const DragPayload payload = ParsePayload(text);
    const int b = hit->bar;
    const int s = hit->slot;
    switch (payload.kind) {
    case PayloadKind::kPhrase:
        result.redraw = DropPhraseOnScore(reporter, song, phrase, payload.number, b);
        break;
    case PayloadKind::kNote:
        result.keyboardNoteTaken = true;
        result.redraw = DropNoteOnScore(reporter, song, payload.number, b, s);
        break;
    case PayloadKind::kChord:
        result.redraw = DropChordOnScore(reporter, song, payload.chordName, b, s);
        break;
    case PayloadKind::kLength:
        result.redraw = DropLengthOnScore(song, payload.number, b, s);
        break;
    case PayloadKind::kScore:
        result.redraw = DropScoreOnScore(reporter, song, payload.number, b);
        break;
    case PayloadKind::kUnknown:
        result.showMainMessage0 = true;
        break;
    }
    return result;
}

// ---- phrase palette ------------------------------------------------------

PhraseDropResult DropOnPhrase(SongData& phrase, std::string_view text, const std::optional<ScoreHit>& hit)
{
    PhraseDropResult result;
    if (!hit || hit->bar < 0 || hit->bar >= phrase.bars()) return result;
    result.repaint = true;
    const DragPayload payload = ParsePayload(text);
    const int bar = hit->bar;
    const int target = phrase.SlotIndex(bar, hit->slot);
    const int barEnd = (bar + 1) * phrase.SlotsPerBar();
    switch (payload.kind) {
    case PayloadKind::kPhrase:
        if (payload.number >= 0 && payload.number < phrase.bars()) phrase.CopyBar(payload.number, bar);
        break;
    case PayloadKind::kChord: {
        if (payload.chordName.empty()) break;
        const std::string name = CompleteChordName(payload.chordName);
        const int firstBeat = bar * phrase.beats() + hit->slot / 2;
        const std::string old(phrase.ChordName(firstBeat));
        for (int beat = firstBeat; beat < (bar + 1) * phrase.beats(); ++beat) {
            if (phrase.ChordName(beat) == old) phrase.SetChordName(beat, name);
        }
        break;
    }
    case PayloadKind::kNote: {
        if (payload.number < kRest || payload.number > 127) break;
        const std::int32_t old = phrase.melody[target].cell[0];
        for (int k = target; k < barEnd && phrase.melody[k].cell[0] == old; ++k) {
            phrase.melody[k].cell[0] = k == target ? payload.number : kHold;
            phrase.melody[k].text[0] = {};
        }
        break;
    }
    case PayloadKind::kLength: {
        const int n = payload.number;
        if (!IsPitch(phrase.melody[target].cell[0]) || n < 1 || n > MaxSlots) break;
        const std::int32_t remembered = HoldOver(phrase, target, n);
        const int k = target + n;
        if (k < phrase.ActiveSlots() && phrase.melody[k].cell[0] == kHold) phrase.melody[k].cell[0] = remembered;
        break;
    }
    case PayloadKind::kScore:
        result.copyScoreBar = std::make_pair(bar, payload.number);
        break;
    case PayloadKind::kUnknown:
        result.showPaletteError0 = true;
        break;
    }
    return result;
}

bool CopyScoreBarToPhrase(Reporter& reporter, SongData& phrase, const SongData& song,
                          int phraseBar, int scoreBar)
{
    if (scoreBar < 0 || scoreBar >= song.bars() || phraseBar < 0 || phraseBar >= phrase.bars()) {
        return false;
    }
    CopyBarAcross(reporter, phrase, phraseBar, song, scoreBar);
    return true;
}

}  // namespace songloom::song
