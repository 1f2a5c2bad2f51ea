#pragma once
// The score converter of the composition driver: turns the song's chords and
// melody into the engine chord list (six-byte records) and the note list at
// 96 ticks per quarter note.

#include "arrange/engine_context.h"
#include "song/song_data.h"

namespace songloom::compose {

// Longest chord record the converter writes, in ticks (two 4/4 bars).
inline constexpr arrange::Tick kMaxChordRecord = 768;

class CFSAlgo {
public:
    explicit CFSAlgo(arrange::EngineContext& ctx) : ctx_(ctx) {}

    // Resets the engine's lists for a new composition, then writes
    // ctx.chordRecords (records and the two closing zero bytes) and
    // ctx.userMelody from bars x beatsPerBar beats of song. Equal
    // neighbouring chords merge up to 768 ticks; an empty chord cell goes on
    // with the chord before. Rests become notes of pitch 0; a rest longer
    // than 384 ticks is written in pieces of at most 384 so that the melody
    // renderer takes it.
    void ConvertSong(const song::SongData& song, int bars, int beatsPerBar);

    // The converter's own box (untagged): code 0 a chord name it cannot read,
    // 1 the modulation that cannot be used.
    static void ErrorMsg(Reporter& reporter, int code);

private:
    arrange::EngineContext& ctx_;
};

}  // namespace songloom::compose
