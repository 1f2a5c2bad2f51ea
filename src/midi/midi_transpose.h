#pragma once
// Playing a song higher or lower without changing it: every note of every
// channel but the drum channel moves by a number of semitones.

#include <cstdint>
#include <string>

#include "midi/midi_track.h"

namespace songloom::midi {

// General MIDI's percussion channel (zero-based): its note numbers are
// drum sounds, not pitches, and never move.
inline constexpr std::int32_t kPercussionChannel = 9;

// note + semitones, brought back into 0..127 by whole octaves.
constexpr int TransposedNote(int note, int semitones)
{
    int moved = note + semitones;
    while (moved > 127) moved -= 12;
    while (moved < 0) moved += 12;
    return moved;
}

// Note-ons, note-offs, notes with durations and polyphonic pressure of
// every channel but kPercussionChannel; returns how many events moved.
int TransposeTrack(CMidiTrack& track, int semitones);

// The MIDI file at path rewritten transposed. False when it cannot be read
// or written (reported there).
bool TransposeMidiFile(Reporter& reporter, const std::string& path, int semitones);

}  // namespace songloom::midi
