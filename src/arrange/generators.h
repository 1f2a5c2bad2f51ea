#pragma once
// The engine stages of the generated channels, called by the composition
// driver after the melody, in this order: RenderAccompanimentChannel(ctx, 3),
// RenderAccompanimentChannel(ctx, 7), RenderBassChannel(ctx),
// RenderDrumChannel(ctx), RenderEffectChannel(ctx). Each reads the active
// style, ctx.chords (and ctx.drums for the drums), appends its finished
// track(s) to ctx.tracks and does nothing when the channel's instrument is
// kNoInstrument (256).

#include <vector>

#include "arrange/engine_context.h"
#include "arrange/pattern_context.h"
#include "arrange/drum_part.h"
#include "arrange/part_voicing.h"

namespace songloom::arrange {

// Channel 3 (with its detuned doubling on channel 11 when mixer 3 byte 9 is
// set, appended before the channel 3 track) or channel 7.
void RenderAccompanimentChannel(EngineContext& ctx, int channel);

// What both accompaniment channels read, worked out once: the chords voiced
// for the style's comping and the tune's line they voice under. Made after
// the melody channels are rendered; stays valid while ctx.chords does.
struct AccompanimentSource {
    std::vector<PatternChord> chords;
    MelodyCeiling melody;
};
AccompanimentSource MakeAccompanimentSource(EngineContext& ctx);
// RenderAccompanimentChannel from a source made by MakeAccompanimentSource.
void RenderAccompanimentChannel(EngineContext& ctx, int channel, const AccompanimentSource& source);
// Channel 2.
void RenderBassChannel(EngineContext& ctx);
// Channel 9, the drum part.
void RenderDrumChannel(EngineContext& ctx);
// Channel 8, the sound effects (programs 122, 123, 126).
void RenderEffectChannel(EngineContext& ctx);

// The chords of ctx.chords as the generators read them: templates looked up
// in the knowledge base, section letters taken from ctx.drums where it has a
// record for every chord.
std::vector<PatternChord> GeneratorChords(EngineContext& ctx);

// Folds the notes of a finished part into the range of the program it plays
// (the bass never below E1).
void FitPartToInstrument(midi::CMidiTrack& track, int channel);

// Puts collected notes in time order (NoteBuffer::Order) and hands them to
// the engine's note writer.
void WriteEngineNotes(EngineContext& ctx, midi::CMidiTrack& track, int channel, NoteBuffer& notes);

}  // namespace songloom::arrange
