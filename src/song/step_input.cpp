#include "song/step_input.h"

#include <algorithm>

#include "song/song_tables.h"

namespace songloom::song {
namespace {

constexpr int kChordNotes = 3;

// The cursor as a count of sixteenths from the start of the song.
int SixteenthOf(const SongData& song, const StepCursor& c)
{
    return (c.bar * song.SlotsPerBar() + c.eighth) * 2 + c.sub;
}

StepCursor CursorAt(const SongData& song, int sixteenth)
{
    const int perBar = song.SlotsPerBar() * 2;
    return {sixteenth / perBar, (sixteenth % perBar) / 2, sixteenth % 2};
}

}  // namespace

bool StepInput::SetLength(int valueIndex)
{
    if (valueIndex < 0 || valueIndex >= kNoteValueCount) return false;
    valueIndex_ = valueIndex;
    return true;
}

StepResult StepInput::Message(Reporter& reporter, SongData& song, std::span<const std::uint8_t> bytes,
                              InputMicros time)
{
    const bool noteOn = bytes.size() >= 3 && (bytes[0] & 0xF0) == 0x90 && bytes[2] > 0;
    if (!noteOn) return {};
    StepResult decided = Flush(reporter, song, time);
    if (group_.empty()) {
        groupStart_ = time;
        groupLength_ = valueIndex_;
    }
    group_.push_back(bytes[1] & 0x7F);
    return decided;
}

StepResult StepInput::Flush(Reporter& reporter, SongData& song, InputMicros now)
{
    if (group_.empty() || now - groupStart_ <= window_) return {};
    return Decide(reporter, song);
}

StepResult StepInput::Decide(Reporter& reporter, SongData& song)
{
    std::vector<int> keys;
    keys.swap(group_);
    StepResult result;
    result.at = cursor_;
    const int position = SixteenthOf(song, cursor_);
    if (cursor_.bar < 0 || cursor_.bar >= song.bars() || position < 0) {
        result.kind = StepResult::Kind::kRefused;
        return result;
    }
    // Keys pressed more than once in a group count once.
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    if (static_cast<int>(keys.size()) >= kChordNotes) {
        ChordSymbol chord;
        if (!RecogniseChord(keys, chord)) {
            result.kind = StepResult::Kind::kUnknownChord;
            return result;
        }
        const int beat = cursor_.eighth / 2;
        if (!song.SetChord(reporter, cursor_.bar, beat, chord.root, chord.type, 1)) {
            result.kind = StepResult::Kind::kRefused;
            return result;
        }
        result.kind = StepResult::Kind::kChord;
        result.chord = chord;
        return result;
    }
    result.pitch = keys.back();
    if (!song.SetNote(reporter, cursor_.bar, cursor_.eighth, result.pitch, groupLength_, cursor_.sub)) {
        result.kind = StepResult::Kind::kRefused;
        return result;
    }
    result.kind = StepResult::Kind::kNote;
    // Behind the last note of the song the cursor lies past the end, and
    // what follows is refused.
    cursor_ = CursorAt(song, position + NoteValueTable[static_cast<std::size_t>(groupLength_)].sixteenths);
    return result;
}

}  // namespace songloom::song
