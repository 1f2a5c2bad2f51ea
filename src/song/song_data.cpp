#include "song/song_data.h"

#include <algorithm>
#include <cstring>

#include "common/messages.h"
#include "common/text.h"
#include "song/song_image.h"

namespace songloom::song {
namespace {

constexpr MessageRow kSongMessages[] = {
    {1, "楽曲情報でエラーがおきました。"},
    {2, "この位置にその音価は設定できません。"},
    {3, "歌詞は６文字までです。２つの音符に分割して入力してください"},
};
constexpr std::string_view kSongFallback = "楽曲情報でエラーがおきました。";

// A value may not be held through a bar line over more slots than this.
constexpr int kLongestHoldSlots = 8;

constexpr bool IsPitch(std::int32_t v) { return v >= 0 && v <= 127; }

// Sixteenth cell at position pos (slot * 2 + sub) of the melody.
std::int32_t CellAt(const std::array<MelodySlot, MaxSlots>& melody, int pos)
{
    return melody[pos / 2].cell[pos % 2];
}

}  // namespace

void SongErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "SGDT", code, kSongMessages, kSongFallback);
}

std::string_view ChordCell::Name() const { return FieldText(name.data(), name.size()); }

void ChordCell::SetName(std::string_view text)
{
    name = {};
    const std::string cut = TruncateCp932(text, name.size() - 1);
    std::memcpy(name.data(), cut.data(), cut.size());
}

SongData::SongData() { ResetChecked(8, 4, 0); }

SongData::SongData(Reporter& reporter, std::string path, int& bars, int& beats, int& key)
    : SongData()
{
    homePath_ = std::move(path);
    ReadSongFile(reporter, homePath_, *this, bars, beats, key);
    bars = bars_;
    beats = beats_;
    key = key_;
}

bool SongData::SetHeader(int bars, int beats, int key)
{
    if (bars < 1 || bars > MaxBars || (beats != 3 && beats != 4) || !IsValidKey(key)) return false;
    bars_ = bars;
    beats_ = beats;
    key_ = key;
    RebuildKeyName();
    return true;
}

void SongData::RebuildKeyName()
{
    keyName_ = {};
    const std::string name = KeyNameOf(key_);
    std::memcpy(keyName_.data(), name.data(), std::min(name.size(), keyName_.size() - 1));
}

bool SongData::SetKey(int key)
{
    if (!IsValidKey(key)) return false;
    key_ = key;
    RebuildKeyName();
    return true;
}

void SongData::FreshSlot(int slotIndex, int beatsForBarStarts)
{
    MelodySlot& slot = melody[slotIndex];
    slot.cell = {slotIndex % (beatsForBarStarts * 2) == 0 ? kRest : kHold, kHold, kNotTriplet};
    slot.ClearTexts();
}

bool SongData::Reset(Reporter& reporter, int bars, int beats, int key)
{
    if ((beats != 3 && beats != 4) || !IsValidKey(key) || bars < 1 || bars > MaxBars) {
        SongErrorMsg(reporter, sgdt::kBadArgument);
        return false;
    }
    ResetChecked(bars, beats, key);
    return true;
}

void SongData::ResetChecked(int bars, int beats, int key)
{
    SetHeader(bars, beats, key);
    info = SongInfo{};
    for (int i = 0; i < MaxBeats; ++i) {
        chords[i] = ChordCell{};
        chords[i].SetName(i < ActiveBeats() ? keyName() : kInactiveChord);
    }
    for (int i = 0; i < MaxSlots; ++i) FreshSlot(i, beats_);
    reserved = {};
}

bool SongData::Save(Reporter& reporter, const std::string& path) const
{
    return WriteSongImage(reporter, *this, beats_, key_, path.empty() ? homePath_ : path);
}

int SongData::SlotIndex(int bar, int eighth) const
{
    if (bar < 0 || eighth < 0 || eighth >= SlotsPerBar() || bar >= MaxSlots) return -1;
    const int s = bar * SlotsPerBar() + eighth;
    return s < MaxSlots ? s : -1;
}

std::string_view SongData::ChordName(int beatIndex) const
{
    if (beatIndex < 0 || beatIndex >= MaxBeats) return {};
    return chords[beatIndex].Name();
}

bool SongData::SetBarCount(int n)
{
    if (n < 1 || n > MaxBars || n * beats_ > MaxBeats) return false;
    const int m = bars_;
    if (n > m) {
        for (int b = m * beats_; b < n * beats_; ++b) {
            chords[b] = ChordCell{};
            chords[b].SetName(keyName());
            for (int e = 0; e < 2; ++e) {
                MelodySlot& slot = melody[b * 2 + e];
                slot.ClearTexts();
                slot.cell = {(e == 0 && b % beats_ == 0) ? kRest : kHold, kHold, kNotTriplet};
            }
        }
    } else if (n < m) {
        for (int b = n * beats_; b < m * beats_; ++b) {
            chords[b] = ChordCell{};
            chords[b].SetName(kInactiveChord);
        }
    }
    bars_ = n;
    return true;
}

bool SongData::SetChord(Reporter& reporter, int bar, int beat, int root, int type, int count)
{
    const std::string name = ChordNameOf(root, type);
    const int start = bar * beats_ + beat;
    if (name.empty() || bar < 0 || beat < 0 || bar >= MaxBars || start >= ActiveBeats()) {
        SongErrorMsg(reporter, sgdt::kBadArgument);
        return false;
    }
    const int end = std::min(ActiveBeats(), start + std::max(count, 0));
    for (int i = start; i < end; ++i) chords[i].SetName(name);
    return true;
}

bool SongData::SetChordName(int beatIndex, std::string_view name)
{
    if (beatIndex < 0 || beatIndex >= ActiveBeats()) return false;
    chords[beatIndex].SetName(name);
    return true;
}

bool SongData::SetNote(Reporter& reporter, int bar, int eighth, int pitch, int valueIndex, int sub)
{
    if (valueIndex < 0 || valueIndex >= kNoteValueCount) {
        SongErrorMsg(reporter, sgdt::kBadArgument);
        return false;
    }
    const int len = NoteValueTable[valueIndex].sixteenths;
    if (sub == 1 && len != 1 && len != 2 && len != 3 && len != 4 && len != 8) {
        SongErrorMsg(reporter, sgdt::kNoteValueHere);
        return false;
    }
    const int s = SlotIndex(bar, eighth);
    const int total = ActiveSlots();
    const int end = s + len / 2;
    // Every cell the note covers, from its start cell on, lies inside the song.
    if (s < 0 || (sub != 0 && sub != 1) || pitch < kRest || pitch > 127 || end > total ||
        2 * s + sub + len > 2 * total) {
        SongErrorMsg(reporter, sgdt::kBadArgument);
        return false;
    }
    ClearNote(bar, eighth, sub);
    auto& m = melody;
    const auto restIfHeld = [](std::int32_t& cell) {
        if (cell == kHold) cell = kRest;
    };
    if (sub == 0) {
        for (int i = s; 2 * i < 2 * s + len; ++i) {
            if (i == s) {
                m[i].cell[0] = pitch;
                if (len == 1) {
                    restIfHeld(m[i].cell[1]);  // the second half becomes a rest
                } else {
                    m[i].cell[1] = kHold;
                }
            } else if (len == 3) {
                m[i].cell[0] = kHold;
                restIfHeld(m[i].cell[1]);
                if (i + 1 < total) restIfHeld(m[i + 1].cell[0]);
                break;
            } else {
                m[i].cell[0] = kHold;
                m[i].cell[1] = kHold;
            }
        }
        // What followed the old note becomes a rest after the new one.
        if (len != 1 && len != 3 && end < total) restIfHeld(m[end].cell[0]);
        return true;
    }
    m[s].cell[1] = pitch;
    switch (len) {
    case 2:
        m[s + 1].cell[0] = kHold;
        restIfHeld(m[s + 1].cell[1]);
        break;
    case 3:
        m[s + 1].cell[0] = kHold;
        m[s + 1].cell[1] = kHold;
        if (s + 2 < total) restIfHeld(m[s + 2].cell[0]);
        break;
    case 4:
    case 8: {
        const int last = s + len / 2;  // the slot whose first half ends the note
        for (int i = s + 1; i < last; ++i) m[i].cell = {kHold, kHold, kNotTriplet};
        m[last].cell[0] = kHold;
        restIfHeld(m[last].cell[1]);
        break;
    }
    default:
        break;
    }
    return true;
}

void SongData::ClearNote(int bar, int eighth, int sub)
{
    const int s = SlotIndex(bar, eighth);
    if (s < 0 || (sub != 0 && sub != 1)) return;
    melody[s].cell[sub] = kRest;
    // A rest that starts on an off-beat sixteenth is followed by a rest start
    // on the next eighth; a hold there would carry the cleared note on.
    if (sub == 1 && s + 1 < MaxSlots && melody[s + 1].cell[0] == kHold) {
        melody[s + 1].cell[0] = kRest;
    }
}

void SongData::PutSlot(int bar, int eighth, const MelodySlot& slot)
{
    const int s = SlotIndex(bar, eighth);
    if (s >= 0) melody[s] = slot;
}

SoundingNote SongData::GetNote(int bar, int eighth, int sub) const
{
    const int s = SlotIndex(bar, eighth);
    if (s < 0 || (sub != 0 && sub != 1)) return {};
    int start = s * 2 + sub;
    while (start > 0 && CellAt(melody, start) == kHold) --start;
    SoundingNote note{CellAt(melody, start), 1};
    const int endCell = std::max(ActiveSlots() * 2, start + 1);
    for (int pos = start + 1; pos < endCell && CellAt(melody, pos) == kHold; ++pos) {
        ++note.sixteenths;
    }
    return note;
}

std::int32_t SongData::GetSecondCell(int bar, int eighth) const
{
    const int s = SlotIndex(bar, eighth);
    return s < 0 ? kRest : melody[s].cell[1];
}

int SongData::FreeRun(int bar, int eighth) const
{
    const int s = SlotIndex(bar, eighth);
    const int total = ActiveSlots();
    if (s < 0 || s >= total) return 0;
    int count = 1;
    int i = s + 1;
    for (; i < total && melody[i].cell[0] == kHold; ++i) ++count;
    for (; i < total && melody[i].cell[0] == kRest; ++i) ++count;
    return count;
}

void SongData::BreakLongHold(int slotIndex)
{
    if (slotIndex < 1 || slotIndex >= MaxSlots || melody[slotIndex].cell[0] != kHold) return;
    int start = slotIndex - 1;
    while (start > 0 && melody[start].cell[0] == kHold && melody[start].cell[1] == kHold) --start;
    int count = 1;
    for (int i = start + 1; i < MaxSlots && melody[i].cell[0] == kHold && melody[i].cell[1] == kHold;
         ++i) {
        ++count;
    }
    if (count > kLongestHoldSlots) melody[slotIndex].cell[0] = kRest;
}

bool SongData::IsUntouched() const
{
    for (int b = 0; b < ActiveBeats(); ++b) {
        if (chords[b].Name() != keyName()) return false;
        if (IsPitch(melody[b * 2].cell[0]) || IsPitch(melody[b * 2 + 1].cell[0])) return false;
    }
    return true;
}

void SongData::TakeSnapshot() { snapshot_ = BuildSongImage(*this, beats_, key_); }

void SongData::RestoreSnapshot()
{
    if (!snapshot_.empty()) RestoreSongImage(snapshot_, *this);
}

// ---- whole bars ----------------------------------------------------------

void SongData::CopyBar(int from, int to)
{
    if (beats_ < 1 || from < 0 || to < 0 || from == to) return;
    if ((from + 1) * beats_ > MaxBeats || (to + 1) * beats_ > MaxBeats) return;
    for (int beat = 0; beat < beats_; ++beat) {
        const int src = from * beats_ + beat;
        const int dst = to * beats_ + beat;
        chords[dst] = chords[src];
        melody[dst * 2] = melody[src * 2];
        melody[dst * 2 + 1] = melody[src * 2 + 1];
    }
}

std::int32_t SongData::SoundingValueAtCell(int pos) const
{
    if (pos < 0 || pos >= MaxSlots * 2) return kRest;
    while (pos > 0 && CellAt(melody, pos) == kHold) --pos;
    const std::int32_t value = CellAt(melody, pos);
    return value == kHold ? kRest : value;
}

std::int32_t SongData::SoundingValueAt(int slotIndex) const { return SoundingValueAtCell(slotIndex * 2); }

void SongData::RestartHeldBar(int slotIndex, std::int32_t value)
{
    if (slotIndex >= 0 && slotIndex < ActiveSlots() && melody[slotIndex].cell[0] == kHold) {
        melody[slotIndex].cell[0] = value;
    }
}

void SongData::ClearBar(int bar)
{
    if (bar < 0 || (bar + 1) * beats_ > MaxBeats) return;
    const int first = bar * SlotsPerBar();
    const int next = first + SlotsPerBar();
    // What sounds at the end of the bar: the following bar, if it holds it on,
    // starts it again itself.
    const std::int32_t lastSounding = SoundingValueAtCell(next * 2 - 1);
    for (int beat = 0; beat < beats_; ++beat) chords[bar * beats_ + beat].SetName(keyName());
    for (int i = first; i < next; ++i) {
        melody[i].cell[0] = i == first ? kRest : kHold;
        melody[i].cell[1] = kHold;
    }
    RestartHeldBar(next, lastSounding);
}

void SongData::ClearTexts(int first, int last)
{
    if (first >= bars_) return;
    first = std::max(first, 0);
    last = std::min(last, bars_ - 1);
    for (int i = first * SlotsPerBar(); i < (last + 1) * SlotsPerBar(); ++i) melody[i].ClearTexts();
}

bool SongData::InsertBars(Reporter& reporter, int first, int last)
{
    const int n = last - first + 1;
    if (n < 1 || first < 0 || first > bars_ || bars_ + n > MaxBars) {
        SongErrorMsg(reporter, sgdt::kBadArgument);
        return false;
    }
    const int oldBars = bars_;
    const int firstSlot = first * SlotsPerBar();
    const bool heldIn = first < oldBars && melody[firstSlot].cell[0] == kHold;
    const std::int32_t heldValue = heldIn ? SoundingValueAt(firstSlot) : kRest;
    SetBarCount(oldBars + n);
    for (int i = oldBars - 1; i >= first; --i) CopyBar(i, i + n);
    for (int b = first; b <= last; ++b) ClearBar(b);
    ClearTexts(first, last);
    // The bar that followed the insertion point held a value from before it:
    // it now starts that value itself, after the inserted rests.
    if (heldIn) melody[(last + 1) * SlotsPerBar()].cell[0] = heldValue;
    return true;
}

bool SongData::DeleteBars(Reporter& reporter, int first, int last)
{
    if (first >= bars_) return true;
    last = std::min(last, bars_ - 1);
    const int n = last - first + 1;
    // A song keeps at least one bar.
    if (n < 1 || first < 0 || n >= bars_) {
        SongErrorMsg(reporter, sgdt::kBadArgument);
        return false;
    }
    const int afterSlot = (last + 1) * SlotsPerBar();
    const bool heldIn = last + 1 < bars_ && melody[afterSlot].cell[0] == kHold;
    const std::int32_t heldValue = heldIn ? SoundingValueAt(afterSlot) : kRest;
    for (int i = last + 1; i < bars_; ++i) CopyBar(i, i - n);
    SetBarCount(bars_ - n);
    // The first bar moved down held a value from the deleted bars.
    if (heldIn) RestartHeldBar(first * SlotsPerBar(), heldValue);
    return true;
}

bool SongData::ChangeBeats(Reporter& reporter, int newBeats)
{
    if (newBeats == beats_) return true;
    if ((beats_ != 3 && beats_ != 4) || (newBeats != 3 && newBeats != 4)) {
        SongErrorMsg(reporter, sgdt::kBadArgument);
        return false;
    }
    const int oldBeats = beats_;
    const auto oldChords = chords;
    const auto oldMelody = melody;
    beats_ = newBeats;
    for (int i = 0; i < MaxBeats; ++i) {
        chords[i] = ChordCell{};
        chords[i].SetName(i < ActiveBeats() ? keyName() : kInactiveChord);
    }
    for (int i = 0; i < MaxSlots; ++i) FreshSlot(i, newBeats);
    for (int b = 0; b < bars_; ++b) {
        for (int beat = 0; beat < 3; ++beat) {
            const int src = b * oldBeats + beat;
            const int dst = b * newBeats + beat;
            chords[dst] = oldChords[src];
            melody[dst * 2] = oldMelody[src * 2];
            melody[dst * 2 + 1] = oldMelody[src * 2 + 1];
        }
        if (newBeats == 4) {
            // The new fourth beat repeats the third beat's chord and is a rest
            // of its own, whatever the third beat held.
            chords[b * 4 + 3] = oldChords[b * 3 + 2];
            melody[b * 8 + 6].cell = {kRest, kHold, kNotTriplet};
        }
    }
    return true;
}

bool SongData::Transpose(Reporter& reporter, int oldKey, int newKey)
{
    if (!IsValidKey(oldKey) || !IsValidKey(newKey)) {
        SongErrorMsg(reporter, sgdt::kBadArgument);
        return false;
    }
    const auto relative = [](int key) { return KeyTable[key].tonic + (KeyTable[key].mode == 1 ? 3 : 0); };
    const int d = relative(newKey) - relative(oldKey);
    for (int b = 0; b < ActiveBeats(); ++b) {
        const std::string_view name = chords[b].Name();
        const int root = ChordRootIndex(name);
        if (root < 0) {
            SongErrorMsg(reporter, sgdt::kBadArgument);
            continue;
        }
        const int newRoot = ((root + d) % 12 + 12) % 12;
        const std::string suffix(name.substr(std::min(name.size(), ChordRootLength(name))));
        chords[b].SetName(std::string(ChordRoots[newRoot]) + suffix);
    }
    for (int i = 0; i < ActiveSlots(); ++i) {
        for (auto& cell : melody[i].cell) {
            if (cell < 0) continue;
            cell += d;
            while (cell > 127) cell -= 12;
            while (cell < 0) cell += 12;
        }
    }
    key_ = newKey;
    RebuildKeyName();
    return true;
}

}  // namespace songloom::song
