#pragma once
// A track's events at absolute times, for the melody edits that move, insert
// and shorten notes: take the events out, edit at absolute ticks, put them
// back with fresh delta times. Events of one instant keep their order.

#include <cstdint>
#include <span>
#include <vector>

#include "midi/midi_track.h"

namespace songloom::arrange {

struct TimedEvent {
    TimedEvent() = default;
    // Made in place, with no event to move from (a vector of them is filled
    // from a track without a temporary per event).
    TimedEvent(std::int64_t at, const midi::CMidiEvent& e, int place = 0) : time(at), event(e), order(place) {}

    std::int64_t time = 0;
    midi::CMidiEvent event;
    // Place within its instant: lower comes first (a bend that must act
    // before the note-on of the same tick uses -1).
    int order = 0;
};

// The events of track with their absolute times, End of Track included.
std::vector<TimedEvent> TakeTimedEvents(const midi::CMidiTrack& track);
// The same into out (cleared first): one buffer serves track after track.
void TakeTimedEvents(const midi::CMidiTrack& track, std::vector<TimedEvent>& out);

// Sorts by time, then order, keeping the order of equal events; an End of
// Track goes behind everything of its instant. Fast for events a few places
// out of order and for a batch of events appended behind.
void SortTimedEvents(std::vector<TimedEvent>& events);
// Room in the sort's own buffer for this many events, for a caller about to
// sort or put back lists of up to that size: the buffer then grows once.
void ReserveSortRoom(std::size_t events);
// Gives the sort's buffers back, when no more sorting is to come for a while.
void ReleaseSortRoom();

// Replaces the events of track by events, sorted as above; an End of Track
// stays last. Kind 0 events are dropped. The events are moved out (a caller
// that edits track after track keeps one vector for all of them) into the
// track's own slots, which are refilled rather than made anew.
void PutTimedEvents(midi::CMidiTrack& track, std::span<TimedEvent> events);
void PutTimedEvents(midi::CMidiTrack& track, std::vector<TimedEvent>&& events);

// A pitch-bend event with its two data bytes (low 7 bits, high 7 bits).
midi::CMidiEvent PitchBendEvent(int channel, int low, int high);

}  // namespace songloom::arrange
