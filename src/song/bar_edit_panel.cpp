#include "song/bar_edit_panel.h"

#include <algorithm>
#include <vector>

namespace songloom::song {
namespace {

// The insert-at spin offers every beat position a song could have.
constexpr int kInsertAtHigh = MaxBeats;
// The end bar apply accepts, 1-based.
constexpr int kLastEndBar = MaxBars + 1;

// One bar's chord cells and slots, taken out of the song.
struct SavedBar {
    std::vector<ChordCell> chords;
    std::vector<MelodySlot> slots;
};

SavedBar SaveBar(const SongData& song, int bar)
{
    SavedBar saved;
    const int beats = song.beats();
    for (int beat = 0; beat < beats; ++beat) {
        const int b = bar * beats + beat;
        saved.chords.push_back(song.chords[b]);
        saved.slots.push_back(song.melody[b * 2]);
        saved.slots.push_back(song.melody[b * 2 + 1]);
    }
    return saved;
}

void PutBar(SongData& song, int bar, const SavedBar& saved)
{
    const int beats = song.beats();
    for (int beat = 0; beat < beats; ++beat) {
        const int b = bar * beats + beat;
        song.chords[b] = saved.chords[beat];
        song.melody[b * 2] = saved.slots[beat * 2];
        song.melody[b * 2 + 1] = saved.slots[beat * 2 + 1];
    }
}

}  // namespace

void EditDlgErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ShowErrorBox(reporter,
                 code == editdlg::kBeyondBarCount
                     ? "小節数を越える位置にコピー、移動することはできません。"
                     : "小節の編集ができませんでした。",
                 false);
}

BarEditPanelLogic::BarEditPanelLogic(SongData* song) : song_(song) { SetUp(); }

int BarEditPanelLogic::SongBars() const { return song_ ? song_->bars() : 1; }

void BarEditPanelLogic::SetUp()
{
    const int bars = SongBars();
    switch (operation_) {
    case BarEditOperation::kCopy:
    case BarEditOperation::kMove:
        startRange_ = {1, bars};
        endRange_ = {1, bars};
        insertAtShown_ = true;
        break;
    case BarEditOperation::kInsert:
        startRange_ = {1, bars + 1};
        endRange_ = {1, kInsertAtHigh};
        insertAtShown_ = false;
        break;
    case BarEditOperation::kDelete:
        startRange_ = {1, bars};
        endRange_ = {1, bars};
        insertAtShown_ = false;
        break;
    }
    insertAtRange_ = {1, kInsertAtHigh};
    // A spin holds its value inside its range.
    start_ = std::clamp(start_, startRange_.low, startRange_.high);
    end_ = std::clamp(end_, endRange_.low, endRange_.high);
    insertAt_ = std::clamp(end_ + 1, insertAtRange_.low, insertAtRange_.high);
}

void BarEditPanelLogic::Open(int startBar, int endBar)
{
    start_ = std::max(startBar, 1);
    end_ = std::max(endBar, 1);
    SetUp();
}

void BarEditPanelLogic::SelectOperation(BarEditOperation operation)
{
    operation_ = operation;
    SetUp();
}

void BarEditPanelLogic::Refresh() { SetUp(); }

void BarEditPanelLogic::EditStart(int value)
{
    start_ = std::clamp(value, startRange_.low, startRange_.high);
    if (end_ < start_) end_ = start_;
}

void BarEditPanelLogic::EditEnd(int value)
{
    end_ = std::clamp(value, endRange_.low, endRange_.high);
    if (end_ < start_) start_ = end_;
}

void BarEditPanelLogic::EditInsertAt(int value)
{
    insertAt_ = std::clamp(value, insertAtRange_.low, insertAtRange_.high);
}

BarEditResult BarEditPanelLogic::Apply(Reporter& reporter)
{
    if (song_ == nullptr) return {};
    const int first = start_ - 1;
    const int last = end_ - 1;
    const int at = insertAt_ - 1;
    if (last > kLastEndBar - 1) {
        EditDlgErrorMsg(reporter, editdlg::kClassName);
        return {};
    }
    song_->TakeSnapshot();
    BarEditResult result;
    switch (operation_) {
    case BarEditOperation::kCopy:
        result = CopyBars(reporter, first, last, at);
        break;
    case BarEditOperation::kMove:
        result = MoveBars(reporter, first, last, at);
        break;
    case BarEditOperation::kInsert:
        result.ran = song_->InsertBars(reporter, first, last);
        break;
    case BarEditOperation::kDelete:
        result.ran = song_->DeleteBars(reporter, first, last);
        result.refreshRequested = result.ran;
        break;
    }
    SetUp();
    return result;
}

void BarEditPanelLogic::Undo()
{
    if (song_ == nullptr) return;
    song_->RestoreSnapshot();
    SetUp();
}

BarEditResult BarEditPanelLogic::CopyBars(Reporter& reporter, int first, int last, int at)
{
    if (song_ == nullptr) return {};
    SongData& song = *song_;
    const int oldBars = song.bars();
    if (at > oldBars) {
        EditDlgErrorMsg(reporter, editdlg::kBeyondBarCount);
        return {};
    }
    const int n = last - first + 1;
    if (n < 1 || first < 0 || last >= oldBars || at < 0) {
        EditDlgErrorMsg(reporter, editdlg::kClassName);
        return {};
    }
    if (oldBars + n > MaxBars) {
        SongErrorMsg(reporter, sgdt::kBadArgument);
        return {};
    }
    // The source bars are taken out first, so a copy into its own range
    // copies the bars as they were, not the ones it has just overwritten.
    std::vector<SavedBar> source;
    for (int b = first; b <= last; ++b) source.push_back(SaveBar(song, b));
    const int slotsPerBar = song.SlotsPerBar();
    // A bar that begins by holding a value on keeps sounding that value
    // after the copy, at either end of the inserted bars.
    const bool sourceHeld = song.melody[first * slotsPerBar].cell[0] == kHold;
    const std::int32_t sourceValue = song.SoundingValueAt(first * slotsPerBar);
    const bool nextHeld = at < oldBars && song.melody[at * slotsPerBar].cell[0] == kHold;
    const std::int32_t nextValue = nextHeld ? song.SoundingValueAt(at * slotsPerBar) : kRest;

    song.SetBarCount(oldBars + n);
    endRange_ = {1, song.bars()};
    for (int i = song.bars() - 1; i >= at + n; --i) song.CopyBar(i - n, i);
    for (int k = 0; k < n; ++k) PutBar(song, at + k, source[k]);
    if (sourceHeld) song.melody[at * slotsPerBar].cell[0] = sourceValue;
    if (nextHeld) song.melody[(at + n) * slotsPerBar].cell[0] = nextValue;
    return {true, true};
}

BarEditResult BarEditPanelLogic::MoveBars(Reporter& reporter, int first, int last, int at)
{
    if (song_ == nullptr) return {};
    if (at > song_->bars()) {
        EditDlgErrorMsg(reporter, editdlg::kBeyondBarCount);
        return {};
    }
    // Moving bars to a place inside themselves (or right after them) leaves
    // them where they are.
    if (first < at && at <= last + 1 && first >= 0 && last < song_->bars()) return {true, true};
    const BarEditResult copied = CopyBars(reporter, first, last, at);
    if (!copied.ran) return copied;
    const int n = last - first + 1;
    if (at < first) {
        song_->DeleteBars(reporter, first + n, last + n);
    } else {
        song_->DeleteBars(reporter, first, last);
    }
    SetUp();
    return {true, true};
}

}  // namespace songloom::song
