#include "arrange/generators.h"

#include <algorithm>
#include <memory>

#include "arrange/accompaniment_patterns.h"
#include "arrange/bass_patterns.h"
#include "arrange/comping_voicing.h"
#include "arrange/data_files.h"
#include "arrange/effects.h"
#include "arrange/engine_track.h"
#include "arrange/instruments.h"
#include "arrange/part_voicing.h"
#include "arrange/style_record.h"
#include "harmony/chord_entry.h"
#include "harmony/chord_template.h"
#include "midi/midi_track.h"

namespace songloom::arrange {

namespace {

constexpr int kPanController = 10;
// A chord voice under this (A2) turns to mud against the bass.
constexpr int kLowestChordVoice = 45;
// The longest rest of the tune (two beats) the comping still voices under.
constexpr std::int64_t kMelodyBreath = 2 * kTicksPerBeat;

PatternContext MakePatternContext(EngineContext& ctx, const std::vector<PatternChord>&)
{
    PatternContext context(ctx.random, ctx.reporter);
    CopyStyleValues(context, ctx.activeStyle);
    context.soundModuleMode = ctx.soundModuleMode;
    return context;
}

int Density(const EngineContext& ctx, int channel) { return ctx.activeStyle.channelDensity[static_cast<std::size_t>(channel)]; }

void Transpose(EngineContext& ctx, midi::CMidiTrack& track, int channel)
{
    const int octave = ctx.activeStyle.channelOctave[static_cast<std::size_t>(channel)];
    if (octave != 0) track.TransposeNotes(channel, 12 * octave);
}

// One accompaniment channel up to its finished track.
std::unique_ptr<midi::CMidiTrack> RenderPatternChannel(EngineContext& ctx, int channel, InstrumentCode instrument,
                                                       int pattern, int density,
                                                       const AccompanimentSource& source)
{
    const std::vector<PatternChord>& chords = source.chords;
    auto track = std::make_unique<midi::CMidiTrack>(ctx.reporter);
    SetUpChannel(ctx, *track, channel, ResolveInstrument(ctx.reporter, ctx.random, instrument, channel), channel, 0);
    track->AddControlChange(channel, kPanController, MixerByte(ctx, channel, kMixPan));
    PatternContext context = MakePatternContext(ctx, chords);
    NoteBuffer out(context.BarLength());
    AccompanimentPattern(context, chords, channel, pattern, LeadInLength(), density, out);
    WriteEngineNotes(ctx, *track, channel, out);
    Transpose(ctx, *track, channel);
    std::vector<Tick> blocks;
    blocks.reserve(chords.size());
    for (const PatternChord& c : chords) blocks.push_back(c.length);
    VoiceUnderMelody(*track, source.melody, blocks, ProgramRange(TrackProgram(*track)), kLowestChordVoice);
    FinishEngineTrack(ctx, *track);
    return track;
}

}  // namespace

void FitPartToInstrument(midi::CMidiTrack& track, int channel)
{
    NoteRange range = ProgramRange(TrackProgram(track));
    if (channel == kBassChannel) range.low = std::max(range.low, kLowestBassNote);
    FoldIntoRange(track, range);
}

void WriteEngineNotes(EngineContext& ctx, midi::CMidiTrack& track, int channel, NoteBuffer& notes)
{
    notes.Order();
    // The track grows by these notes and its End of Track: room for them
    // now, rather than doubling its list on the way and leaving the slack.
    track.Reserve(static_cast<std::size_t>(track.EventCount()) + notes.notes().size() + 8);
    Tick previous = 0;
    for (const PlacedNote& n : notes.notes()) {
        AppendEngineNote(ctx, track, channel, n.at - previous, n.note, n.velocity, n.duration);
        previous = n.at;
    }
}

std::vector<PatternChord> GeneratorChords(EngineContext& ctx)
{
    const auto& entries = ctx.chords.entries;
    const bool sectioned = ctx.drums.size() == entries.size();
    std::vector<PatternChord> chords;
    chords.reserve(entries.size());
    harmony::ChordTemplateCache templates(ctx.dataFiles.notes);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const harmony::ChordEntry& e = entries[k];
        const harmony::ChordTemplate weights = templates.Get(e.code);
        const std::string_view code{e.code.bytes.data(), e.code.bytes.size()};
        PatternChord chord = MakePatternChord(e.length, code, e.root, e.bass, e.third, e.fifth, e.seventh,
                                              weights.view().substr(4, 12));
        if (sectioned && ctx.drums[k].code[0] != '\0') chord.section = ctx.drums[k].code[0];
        chords.push_back(chord);
    }
    return chords;
}

AccompanimentSource MakeAccompanimentSource(EngineContext& ctx)
{
    return {VoiceChordsForComping(GeneratorChords(ctx), CompingVoicingOf(ctx.activeStyle.comping)),
            CollectMelody(ctx.tracks, kMelodyChannel, kMelodyBreath)};
}

void RenderAccompanimentChannel(EngineContext& ctx, int channel)
{
    const InstrumentCode instrument = ctx.activeStyle.channelInstrument[static_cast<std::size_t>(channel)];
    if (instrument == kNoInstrument) return;
    RenderAccompanimentChannel(ctx, channel, MakeAccompanimentSource(ctx));
}

void RenderAccompanimentChannel(EngineContext& ctx, int channel, const AccompanimentSource& source)
{
    const StyleRecord& style = ctx.activeStyle;
    const InstrumentCode instrument = style.channelInstrument[static_cast<std::size_t>(channel)];
    if (instrument == kNoInstrument) return;
    const bool first = channel == kAccompanimentChannel;
    auto track = RenderPatternChannel(ctx, channel, instrument,
                                      first ? style.accompanimentPattern : style.accompaniment2Pattern,
                                      Density(ctx, channel), source);
    const int delay = MixerByte(ctx, channel, kMixDoublingDelay);
    if (first && delay != 0) {
        const int pan = MixerByte(ctx, channel, kMixPan);
        ctx.tracks.push_back(MakeDoublingTrack(ctx, *track, kAccompanimentDoublingChannel, delay, (pan + 88) % 128));
        SetPanControls(*track, (pan + 40) % 128);
    }
    ctx.tracks.push_back(std::move(track));
}

void RenderBassChannel(EngineContext& ctx)
{
    const StyleRecord& style = ctx.activeStyle;
    const InstrumentCode instrument = style.channelInstrument[kBassChannel];
    if (instrument == kNoInstrument) return;
    const std::vector<PatternChord> chords = GeneratorChords(ctx);
    auto track = std::make_unique<midi::CMidiTrack>(ctx.reporter);
    SetUpChannel(ctx, *track, kBassChannel, ResolveInstrument(ctx.reporter, ctx.random, instrument, kBassChannel),
                 kBassChannel, 0);
    PatternContext context = MakePatternContext(ctx, chords);
    NoteBuffer out;
    out.Rest(0, LeadInLength());
    NoteBuffer pattern(context.BarLength());
    if (context.genreBass != 0) {
        PlayGenreBass(context, chords, static_cast<GenreBass>(context.genreBass), pattern);
    } else {
        BassPattern(context, chords, style.bassPattern, Density(ctx, kBassChannel), pattern);
    }
    for (const PlacedNote& n : pattern.notes()) out.Note(n.at + LeadInLength(), n.note, n.velocity, n.duration);
    WriteEngineNotes(ctx, *track, kBassChannel, out);
    Transpose(ctx, *track, kBassChannel);
    FitPartToInstrument(*track, kBassChannel);
    FinishEngineTrack(ctx, *track);
    ctx.tracks.push_back(std::move(track));
}

void RenderEffectChannel(EngineContext& ctx)
{
    const InstrumentCode instrument = ctx.activeStyle.channelInstrument[kEffectChannel];
    if (instrument == kNoInstrument) return;
    const int program = instrument & 0xFF;
    const std::vector<PatternChord> chords = GeneratorChords(ctx);
    auto track = std::make_unique<midi::CMidiTrack>(ctx.reporter);
    SetUpChannel(ctx, *track, kEffectChannel, program, kEffectChannel, LeadInLength());
    PatternContext context = MakePatternContext(ctx, chords);
    NoteBuffer out;
    if (EffectPattern(context, chords, program, out)) WriteEngineNotes(ctx, *track, kEffectChannel, out);
    FinishEngineTrack(ctx, *track);
    ctx.tracks.push_back(std::move(track));
}

void RenderDrumChannel(EngineContext& ctx)
{
    if (ctx.activeStyle.channelInstrument[kDrumChannel] == kNoInstrument) return;
    const std::vector<PatternChord> chords = GeneratorChords(ctx);
    PatternContext context = MakePatternContext(ctx, chords);
    const arrange::DrumList drums = ctx.drums.empty() ? arrange::DrumListFromChords(chords) : ctx.drums;
    auto track = std::make_unique<midi::CMidiTrack>(ctx.reporter);
    const StyleRecord& style = ctx.activeStyle;
    SetUpChannel(ctx, *track, kDrumChannel,
                 arrange::DrumKitProgram(style.drumKitProgram, style.drumPattern, style.rhythmFeel, style.meter,
                                         style.channelInstrument[kDrumChannel], ctx.soundModuleMode),
                 kDrumChannel, 0);
    const Tick leadIn = ctx.leadInBar ? BarTicks(style.meter) : 0;
    NoteBuffer out;
    out.Rest(0, leadIn);
    arrange::DrumPattern(context, drums, out, leadIn);
    WriteEngineNotes(ctx, *track, kDrumChannel, out);
    FinishEngineTrack(ctx, *track);
    ctx.tracks.push_back(std::move(track));
}

}  // namespace songloom::arrange
