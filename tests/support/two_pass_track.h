#pragma once
// What a track read from a file goes through when it is read in two passes:
// the chunk parsed, an End of Track before the last event dropped (its time
// passing on), a missing one added, then the notes paired keeping every
// note. The one-pass reader must give the same events and reports.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/reporter.h"
#include "midi/midi_track.h"

namespace songloom::test {

struct TwoPassTrack {
    std::vector<midi::CMidiEvent> events;
    std::size_t used;        // bytes the chunk occupies
    std::int32_t closed;     // notes ended at the end of the track
    std::vector<std::string> reports;
};

inline TwoPassTrack ReadTrackInTwoPasses(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    CapturingReporter r;
    midi::CMidiTrack t(r);
    const std::size_t used = t.ParseChunk(bytes, offset, 0);
    t.State = midi::TrackMessages;
    for (std::int32_t i = 0; i + 1 < t.EventCount(); ++i) {
        if (t.Event(i).IsEndOfTrack()) t.Event(i).Kind = midi::kKindDeleted;
    }
    t.PurgeDeleted();
    t.AddEndOfTrack(0);
    const std::int32_t closed = t.PairNotes(midi::CMidiTrack::NotePairing::kKeepEveryNote);
    return {t.Events(), used, closed, r.lines()};
}

}  // namespace songloom::test
