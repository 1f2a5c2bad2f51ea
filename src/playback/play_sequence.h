#pragma once
// The player's own event list: one merged track of MIDI messages (note-on and
// note-off apart) in time order, with delta times in the sequence's division.
// The fields follow the MIDI model's event so that a track converts one to one.

#include <cstdint>
#include <vector>

#include "common/reporter.h"

namespace songloom::playback {

using Tick = std::int32_t;

// a + b held within the range of a tick: a file may hold deltas whose sum
// no tick can count, and those events simply never come.
constexpr Tick AddTicks(Tick a, Tick b)
{
    const std::int64_t sum = std::int64_t{a} + b;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<Tick>(sum);
}

// Division every playback runs at: the position callback counts in it.
inline constexpr int kPlayDivision = 96;

struct PlayEvent {
    int kind = 0;      // status without channel: 0x80, 0x90, 0xA0 ... 0xE0, 0xF0, 0xF7, 0xFF
    Tick delta = 0;    // ticks since the previous event
    int note = 0;      // note number; low 7 bits of a pitch bend
    int velocity = 0;
    int number = 0;    // controller number; meta type
    int value = 0;     // controller value, program, pressure, bend high 7 bits,
                       // microseconds per quarter (meta 0x51), numerator * 256 +
                       // denominator (meta 0x58)
    int channel = 255; // 0 to 15; 255 for meta and system exclusive
    std::vector<std::uint8_t> data;  // system exclusive in stored form (F0, length, body);
                                     // meta payload

    bool operator==(const PlayEvent&) const = default;
};

struct PlaySequence {
    // 1 = note-on and note-off messages, ready to play; 2 = notes with
    // durations (not playable); 0 = nothing loaded.
    int state = 1;
    int division = kPlayDivision;
    std::vector<PlayEvent> events;
    // Time signature as numerator * 256 + denominator, 0 = take the first
    // time-signature event.
    int timeSignature = 0;
};

// A tempo as the player takes it: quarter notes per minute (integer, as
// shown) and the microseconds per quarter note that time the events. Below
// 1000 microseconds reports MDPL 0x08000006 and plays at 60; slower than 10
// quarter notes per minute reports MDPL 0x08000003 and plays at 10.
struct PlayTempo {
    int bpm = 120;
    std::int64_t microsPerQuarter = 500000;
};
PlayTempo PlayableTempo(Reporter& reporter, std::int64_t microsecondsPerQuarter);

// Ticks of one bar: 4 / denominator * numerator * division, from the
// sequence's time signature or else its first time-signature event; four
// quarters when neither is there or a value is 0.
Tick BarLength(const PlaySequence& sequence);

// Removes the time before the first note-on (the last event when there is
// none) rounded down to whole bars and returns it: the events up to that
// point get delta 0, the first event behind it keeps the rest.
Tick TrimLeadingTime(PlaySequence& sequence);

// Moves every note-on, note-off and polyphonic pressure of every channel
// but the drums (9) by semitones, back into 0..127 by whole octaves: the
// playback transposition, which leaves the song and its file as they are.
void TransposeSequence(PlaySequence& sequence, int semitones);

// Absolute tick of every event.
std::vector<Tick> AbsoluteTicks(const PlaySequence& sequence);
// Tick of the last event (the song's length).
Tick TotalTicks(const PlaySequence& sequence);

}  // namespace songloom::playback
