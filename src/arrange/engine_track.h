#pragma once
// What every channel of the engine shares: the channel set-up at the head of
// a track, the single note writer with its clean-up, the lead-in and the
// track finisher, and the detuned doubling copy of a track.

#include <memory>

#include "arrange/engine_context.h"

namespace songloom::arrange {

// A new track for a channel's notes, in the noted state (notes with
// durations) in which the engine edits its tracks.
std::unique_ptr<midi::CMidiTrack> NewEngineTrack(EngineContext& ctx);

// The engine's note writer. Cleans its arguments first: a negative duration
// becomes 0; a note above 127 becomes a rest (note 0, velocity 0); a note
// below 13 with a velocity becomes a rest; a rest gets duration 1. Rests
// only carry time; FinishEngineTrack removes them. delta: ticks since the
// track's previous event.
void AppendEngineNote(EngineContext& ctx, midi::CMidiTrack& track, int channel, Tick delta,
                      int note, int velocity, Tick duration);

// Program change for an instrument code below 136: GM programs as they are,
// extra voices mapped (128 -> 53, 130/131 -> 112, 132 -> 40, 133 -> 90);
// 129, 134, 135 and anything else report YRAC 0xFF010156 and send nothing.
// On the drum channel a program 0 is not sent.
void SendProgram(EngineContext& ctx, midi::CMidiTrack& track, int channel, int program);

// Program, volume, the effect controllers whose mixer byte is not 64 (91, 93,
// 74, 71, 72, 73, 75 from bytes 2, 1, 3, 7, 6, 4, 5), the first event's delta
// set to startOffset, and a pitch-bend range of 12 semitones; all at delta 0.
// mixerChannel: whose mixer of the active style to use (channel 6 uses 1's).
void SetUpChannel(EngineContext& ctx, midi::CMidiTrack& track, int channel, int program,
                  int mixerChannel, Tick startOffset);

// Mixer byte (0 volume ... 8 pan, 9 doubling delay) of a channel of the
// active style.
int MixerByte(const EngineContext& ctx, int channel, int byte);

// Time before a generator's first event: every track starts at tick 0.
constexpr Tick LeadInLength() { return 0; }

// Puts a track built from scratch into the noted state, removes rests and
// silent notes, then appends the end of track on the next
// multiple of 96 after the last sound (at most 768 ticks after the last
// event).
void FinishEngineTrack(EngineContext& ctx, midi::CMidiTrack& track);

// The detuned, delayed copy of a finished track: every event moved to
// toChannel, fine tuning RPN 1 = 56/0 (an eighth of a semitone flat) at its
// start, the first event delayed by delay ticks, every pan control set to
// panValue. The copy is in the noted state like its source.
std::unique_ptr<midi::CMidiTrack> MakeDoublingTrack(EngineContext& ctx,
                                                    const midi::CMidiTrack& source,
                                                    int toChannel, Tick delay, int panValue);

// Sets every control change 10 (pan) of the track to value.
void SetPanControls(midi::CMidiTrack& track, int value);

}  // namespace songloom::arrange
