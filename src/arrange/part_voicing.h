#pragma once
// Where the generated parts sit: the playable range of every General MIDI
// program, and the pass that puts a finished part into its instrument's range
// and, for the accompaniment, under the melody.
//
// Arrangers keep the comping below the tune: a chord note that sounds above
// the melody note of the moment covers it. The pass moves the notes of one
// chord as a block by whole octaves (so the chord's shape and its voice
// leading stay as the pattern wrote them), choosing the octave that keeps
// most of the block under the melody without leaving the instrument's range
// or sinking into the bass register; single notes still above the melody
// then drop an octave where the range allows. Parts the style puts above the
// melody on purpose (an octave or more above, as a descant or a bell line)
// are not touched by the under-melody rule.

#include <cstdint>
#include <span>
#include <vector>

#include "arrange/engine_context.h"

namespace songloom::midi {
class CMidiTrack;
}

namespace songloom::arrange {

// Sounding range of an instrument, MIDI note numbers inclusive.
struct NoteRange {
    int low = 0;
    int high = 127;
    bool Contains(int note) const { return note >= low && note <= high; }
};

// The range of a General MIDI program (0-127); any other value gives 0-127.
NoteRange ProgramRange(int program);

// No bass part goes below E1, the lowest string of a four-string bass.
inline constexpr int kLowestBassNote = 28;

// The highest melody pitch sounding over time, from the melody's notes.
class MelodyCeiling {
public:
    struct Span {
        std::int64_t from = 0;
        std::int64_t to = 0;
        int top = 0;  // highest melody pitch sounding in [from, to)
    };
    MelodyCeiling() = default;
    // Notes as (start, end, pitch); any order. A pitch outside 0-127 is no
    // MIDI note and is left out.
    struct Note {
        std::int64_t from;
        std::int64_t to;
        int pitch;
    };
    explicit MelodyCeiling(std::vector<Note> notes);

    // Lowest "highest melody pitch" over [from, to), ignoring moments without
    // a melody note; -1 when no melody note sounds there.
    int Lowest(std::int64_t from, std::int64_t to) const;
    // Ticks of [from, to) during which `pitch` is above the melody's top.
    std::int64_t TicksAbove(std::int64_t from, std::int64_t to, int pitch) const;
    // The melody under [from, to) piece by piece, appended to out: the top
    // pitch of each span and the ticks of [from, to) it covers. TicksAbove
    // of any pitch is the sum of the pieces whose top lies below it.
    struct Piece {
        int top;
        std::int64_t ticks;
    };
    void Pieces(std::int64_t from, std::int64_t to, std::vector<Piece>& out) const;
    bool empty() const { return spans_.empty(); }

    // Pieces for windows asked in the order of their starts, as a pass over
    // a track asks them: each search goes on from where the last one found
    // its first span (an earlier start searches again from the beginning).
    class Walk {
    public:
        explicit Walk(const MelodyCeiling& melody) : spans_(melody.spans_) {}
        void Pieces(std::int64_t from, std::int64_t to, std::vector<Piece>& out);

    private:
        std::span<const Span> spans_;
        std::size_t first_ = 0;  // no span before it ends after lastFrom_
        std::int64_t lastFrom_ = 0;
    };

private:
    static void AppendPieces(std::span<const Span> spans, std::size_t first, std::int64_t from, std::int64_t to,
                             std::vector<Piece>& out);

    std::vector<Span> spans_;  // in time order, not overlapping
};

// The sounding notes of `channel` in the finished tracks. A rest of up to
// `bridge` ticks keeps the note before it as the tune's line: a chord that
// starts in a breath of the tune still sits under where it sings.
MelodyCeiling CollectMelody(const std::vector<std::unique_ptr<midi::CMidiTrack>>& tracks, int channel,
                            std::int64_t bridge = 0);

// The program of the first program change in the track, -1 when none.
int TrackProgram(const midi::CMidiTrack& track);

// Folds every note of the track into `range` by whole octaves (notes that
// cannot fit stay as close as they get).
void FoldIntoRange(midi::CMidiTrack& track, NoteRange range);

// The accompaniment pass described above, on a finished noted track.
// `blocks` are the chord lengths in time order from tick 0 (the pass groups
// notes by the chord they start under); `floor` the lowest note a chord
// voice may sink to.
void VoiceUnderMelody(midi::CMidiTrack& track, const MelodyCeiling& melody, std::span<const Tick> blocks,
                      NoteRange range, int floor);

}  // namespace songloom::arrange
