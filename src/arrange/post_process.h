#pragma once
// Post-processing of a rendered melody-like track: velocity jitter, pitch
// scoops, wobble and the other pitch shapes chosen by the channel's two
// ornament values, and for the melody the whole-track effects 8, 9 and 12.

#include <cstddef>
#include <vector>

#include "arrange/engine_context.h"
#include "arrange/timed_events.h"

namespace songloom::arrange {

// Applies the channel's ornament values 4 and 5 (in this order) to every
// note; for channel 1 then asks about the long-pipe and siren effects once
// per process and runs exactly one of the effects 8, 12, 9.
void PostProcessChannel(EngineContext& ctx, midi::CMidiTrack& track, int channel);

// What the per-note effects work on: the track's events at absolute times
// and whether its program bends (above the piano group).
struct NoteEdit {
    EngineContext& ctx;
    std::vector<TimedEvent>& events;
    std::vector<TimedEvent>& added;  // new events, merged in when done
    int channel = 1;
    bool bends = false;  // the channel's program is above the piano group

    // Time of the event after events[index]; the note's own end when none.
    std::int64_t FollowingTime(std::size_t index) const;
};

// A pitch scoop of length ticks into the note at events[index]: a bend from
// below and a reset length later on bending programs, otherwise (length of
// at least 8) a 3-tick grace a semitone below with the note 4 ticks later.
// Only when the following event is at least length later. A non-note
// reports YRAC 0xFF0101B4. True when a scoop was added.
bool AddScoop(NoteEdit& edit, std::size_t index, Tick length);

// The wobble of ornament value 19 on the note at events[index].
void AddWobble(NoteEdit& edit, std::size_t index);

}  // namespace songloom::arrange
