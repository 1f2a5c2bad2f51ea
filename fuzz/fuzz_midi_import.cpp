// Any bytes opened as a song: either a valid song comes out (bars 1..256,
// 3 or 4 beats, tempo 40..240, a terminated title, every active beat holding
// a chord name, melody cells in range) or the
// import refuses and the song stays as it was.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "harmony/midi_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    songloom::CapturingReporter reporter;
    songloom::song::SongData song;
    const bool ok = songloom::harmony::ImportMidiImage(
        reporter, std::span<const std::uint8_t>(data, size), song, 0);
    if (!ok) {
        if (song.HasSnapshot()) std::abort();
        return 0;
    }
    if (song.bars() < 1 || song.bars() > songloom::song::MaxBars) std::abort();
    if (song.beats() != 3 && song.beats() != 4) std::abort();
    if (song.info.tempo < songloom::harmony::kImportMinTempo || song.info.tempo > songloom::harmony::kImportMaxTempo) {
        std::abort();
    }
    if (song.info.title.back() != 0) std::abort();
    for (int b = 0; b < song.ActiveBeats(); ++b) {
        if (song.ChordName(b).empty()) std::abort();
    }
    for (int s = 0; s < song.ActiveSlots(); ++s) {
        for (int c : song.melody[static_cast<std::size_t>(s)].cell) {
            if (c < -3 || c > 127) std::abort();
        }
    }
    return 0;
}
