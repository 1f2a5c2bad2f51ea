#pragma once
// Melody rendering: plays a note list on channel 1, 4, 5 or 6 through the
// style's ornament, finishes the track and post-processes it; the melody
// driver adds the octave double and the detuned doubling track.

#include <cstddef>
#include <cstdint>

#include "arrange/engine_context.h"
#include "harmony/chord_code.h"
#include "harmony/chord_template.h"

namespace songloom::arrange {

inline constexpr std::uint32_t kTrackInfoError = 0xFF010028;
inline constexpr std::uint32_t kMelodyLengthError = 0xFF010029;
inline constexpr std::uint32_t kOrnamentError = 0xFF0101CE;
inline constexpr std::uint32_t kMelodyDataTypeError = 0xFF0101B4;
inline constexpr std::uint32_t kTimingError = 0xFF0101DC;

// Longest note entry the renderer takes, in ticks.
inline constexpr Tick kMaxMelodyEntry = 384;

// The last chord entry seen: its length and code.
struct CurrentChord {
    Tick length = 0;
    harmony::ChordCode code = harmony::kNoChordCode;
};

// The chord-tone template of code from the loaded knowledge base; the C
// major scale when the base does not hold it.
harmony::ChordTemplate ChordTemplateOf(const EngineContext& ctx, harmony::ChordCode code);

// The code of the song's chord sounding at tick (from ctx.chords); NoCd when
// the chord list is empty or tick lies beyond it.
harmony::ChordCode ChordAt(const EngineContext& ctx, std::int64_t tick);

// ChordAt for a pass that walks the song forwards: each search goes on from
// the chord the last one found (an earlier tick starts again from the
// first). The chord list must stay as it is while the cursor is in use.
class ChordCursor {
public:
    explicit ChordCursor(const harmony::ChordList& chords) : chords_(chords) {}
    harmony::ChordCode At(std::int64_t tick);

private:
    const harmony::ChordList& chords_;
    std::size_t index_ = 0;     // no chord before it sounds at lastTick_
    std::int64_t start_ = 0;    // where chords_.entries[index_] starts
    std::int64_t lastTick_ = 0;
};

// Renders list on channel (1, 4, 5 or 6) into track: set-up, notes through
// channel 1's ornament, finishing, the top-note or passing-note pass of
// ornaments 18 and 20, post-processing, and for channel 1 the octave double
// and the doubling pan. Another channel reports YRAC 0xFF010028 and writes
// the notes without set-up. A note entry above 384 ticks reports YRAC
// 0xFF010029 and ends the loop; the track is finished with what was written.
void RenderMelodyChannel(EngineContext& ctx, const NoteList& list, midi::CMidiTrack& track,
                         int channel);

// Renders ctx.melody on channel 1 and appends its track to ctx.tracks, after
// the doubling track on channel 10 when channel 1's doubling delay is set.
void RenderMelody(EngineContext& ctx);

// Every sounding note of at most 115 gets a copy an octave higher at the
// same time. A track not in the noted state: MDTK 0x0D000001, unchanged.
void AddOctaveDouble(EngineContext& ctx, midi::CMidiTrack& track);

// Of notes that start together only the highest stays.
void KeepTopNotes(EngineContext& ctx, midi::CMidiTrack& track);

// Inserts the chromatic note between two notes a whole tone apart before the
// second one (notes of at least 67 ticks), taking its time from the first.
void AddPassingNotes(EngineContext& ctx, midi::CMidiTrack& track);

}  // namespace songloom::arrange
