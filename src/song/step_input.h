#pragma once
// Step input from a MIDI keyboard: each key pressed writes a note of the
// selected length at the cursor and moves the cursor behind it; three or
// more keys pressed together are taken as a chord and written as the
// chord of the cursor's beat, the cursor staying where it is so that the
// melody of that beat can follow.
//
// Keys count as pressed together when each follows the first within the
// chord window. A group is decided once the window has passed: at the next
// key after it, or when the owner calls Flush with a later time. One or two
// keys make a melody note (the higher of two). No clock of its own and no
// threads: the owner passes every message with its time.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/reporter.h"
#include "song/chord_symbol.h"
#include "song/song_data.h"

namespace songloom::song {

using InputMicros = std::int64_t;

// Where the next note goes: bar (0-based), eighth within the bar, sixteenth
// within the eighth (0 or 1).
struct StepCursor {
    int bar = 0;
    int eighth = 0;
    int sub = 0;
    bool operator==(const StepCursor&) const = default;
};

struct StepResult {
    enum class Kind {
        kNone,        // nothing decided yet, or a message that is not a key
        kNote,        // a note was written at `at`
        kChord,       // chord was written on the beat of `at`
        kRefused,     // the song refused it (and reported why), or the cursor is past the end
        kUnknownChord // keys pressed together that are none of the chord types
    };
    Kind kind = Kind::kNone;
    StepCursor at;
    int pitch = -1;
    ChordSymbol chord;
    bool operator==(const StepResult&) const = default;
};

class StepInput {
public:
    static constexpr InputMicros kDefaultChordWindow = 60000;

    explicit StepInput(InputMicros chordWindow = kDefaultChordWindow) : window_(chordWindow) {}

    void SetCursor(const StepCursor& cursor) { cursor_ = cursor; }
    const StepCursor& Cursor() const { return cursor_; }
    // Index into NoteValueTable of the length each note gets; false,
    // unchanged, outside the table.
    bool SetLength(int valueIndex);
    int Length() const { return valueIndex_; }

    // One MIDI message: note-on (velocity above 0) on any channel starts or
    // joins a group; everything else is ignored. Returns what a group that
    // this message closed did.
    StepResult Message(Reporter& reporter, SongData& song, std::span<const std::uint8_t> bytes, InputMicros time);
    // Decides a pending group whose window has passed by now.
    StepResult Flush(Reporter& reporter, SongData& song, InputMicros now);
    bool Pending() const { return !group_.empty(); }

private:
    StepResult Decide(Reporter& reporter, SongData& song);

    InputMicros window_;
    StepCursor cursor_;
    int valueIndex_ = 3;  // a quarter note
    std::vector<int> group_;
    InputMicros groupStart_ = 0;
    // The length chosen when the group's first key went down: a group is
    // decided later, perhaps after the next length has been chosen.
    int groupLength_ = 3;
};

}  // namespace songloom::song
