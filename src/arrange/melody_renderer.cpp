#include "arrange/melody_renderer.h"

#include <algorithm>
#include <array>
#include <map>

#include "arrange/engine_track.h"
#include "arrange/instruments.h"
#include "arrange/post_process.h"
#include "arrange/timed_events.h"
#include "common/messages.h"
#include "midi/midi_track.h"

namespace songloom::arrange {
namespace {

constexpr int kFullVelocity = 64;
constexpr int kLastNoteVelocity = 48;
// Template whose tones the scale runs of ornament 3 walk.
constexpr harmony::ChordCode kRunScaleCode("CMPs");

// Everything one ornament call sees and may leave for the next note.
struct RenderState {
    RenderState(EngineContext& c, midi::CMidiTrack& t, int ch)
        : ctx(c), track(t), channel(ch), templates(c.dataFiles.notes), songChords(c.chords)
    {
    }

    EngineContext& ctx;
    midi::CMidiTrack& track;
    int channel = 1;
    std::size_t index = 0;     // entry index in the list
    int forcedPitch = -1;      // pitch the next note entry must take, -1 none
    bool previousRest = true;  // the previous entry was a rest, or there is none
    bool ornament3Allowed = false;
    CurrentChord chord;
    bool chordFromList = false;  // a chord entry of the list has been seen
    std::int64_t start = 0;      // absolute tick of the current entry
    harmony::ChordTemplateCache templates;
    ChordCursor songChords;

    int RB(int a, int b) { return RandomBetween(ctx.random, a, b); }
    void Note(Tick delta, int note, int velocity, Tick duration)
    {
        AppendEngineNote(ctx, track, channel, delta, note, velocity, duration);
    }
    harmony::ChordTemplate Template() { return templates.Get(chord.code); }
    bool IsChordTone(int note) { return note >= 0 && Template().Digit(note % 12) == '9'; }
};

Tick Plain(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    s.Note(delta, note, velocity, length - 3);
    return length;
}

// Writes pitches at equal steps from delta on; returns the time from the last
// one's start to the end of the note.
Tick Figure(RenderState& s, Tick delta, Tick length, std::span<const int> pitches, Tick step,
            Tick duration, int velocity)
{
    Tick at = delta;
    for (std::size_t i = 0; i < pitches.size(); ++i) {
        s.Note(i == 0 ? at : step, pitches[i], velocity, duration);
        at = step;
    }
    return length - step * static_cast<Tick>(pitches.size() - 1);
}

// A scale step of the "CMPs" template from note in direction dir (+1, -1):
// the next pitch whose weight is at least 6.
int ScaleStep(RenderState& s, int note, int dir)
{
    const auto scale = s.templates.Get(kRunScaleCode);
    int p = note;
    for (int i = 0; i < 12; ++i) {
        p += dir;
        if (p >= 0 && scale.Digit(p % 12) >= '6') return p;
    }
    return note + dir;
}

// The chord tone of the current chord nearest above (dir +1) or below (-1).
int ChordToneFrom(RenderState& s, int note, int dir)
{
    const auto t = s.Template();
    int p = note;
    for (int i = 0; i < 12; ++i) {
        p += dir;
        if (p >= 0 && t.Digit(p % 12) == '9') return p;
    }
    return note + 12 * dir;
}

// Ornament 1 (and the quarter notes of 17): eight-note mordent figures on
// chord tones C/F or D/G, forcing the next note to this pitch.
bool TrillFigure(RenderState& s, Tick& delta, Tick length, int note, int velocity)
{
    if (s.channel != 1 || length != 96 || s.index < 193) return false;
    if (!(s.ctx.activeStyle.channelDensity[1] < 80 || s.RB(1, 2) == 1)) return false;
    const int pc = note % 12;
    if ((pc == 0 || pc == 5) && s.IsChordTone(note)) {
        const int p[] = {note - 1, note, note - 1, note, note - 1, note, note - 3, note - 1};
        delta = Figure(s, delta, length, p, 12, 9, velocity);
    } else if (s.RB(1, 2) == 1 && (pc == 2 || pc == 7) && s.IsChordTone(note)) {
        const int p[] = {note - 2, note, note - 2, note, note - 2, note, note - 3, note - 2};
        delta = Figure(s, delta, length, p, 12, 10, velocity);
    } else {
        return false;
    }
    s.forcedPitch = note;
    return true;
}

Tick Ornament1(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    if (TrillFigure(s, delta, length, note, velocity)) return delta;
    return Plain(s, delta, length, note, velocity);
}

Tick Ornament2(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    if (length != 48) return Plain(s, delta, length, note, velocity);
    const int p[] = {note - 1, note, note - 1, note};
    return Figure(s, delta, length, p, 12, 9, velocity);
}

bool Qualifies3(RenderState& s, int pitch)
{
    const int pc = pitch % 12;
    return pc == 3 || pc == 10 || (pc == 8 && s.RB(1, 3) == 1);
}

Tick Ornament3(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    if (length != 64) return Plain(s, delta, length, note, velocity);
    const bool use = s.RB(1, 50) == 1 || (s.ornament3Allowed && s.RB(1, 2) == 1);
    if (!use) {
        s.ornament3Allowed = false;
        return Plain(s, delta, length, note, velocity);
    }
    Tick result;
    if (Qualifies3(s, note + 1)) {
        if (s.RB(1, 2) == 1) {
            const int p[] = {note + 1, note + 1, note + 1, note + 1};
            result = Figure(s, delta, length, p, 16, 13, velocity);
        } else {
            s.Note(delta, note, velocity, 13);
            s.Note(16, note + 1, velocity, 29);
            s.Note(32, note, velocity, 13);
            result = 16;
        }
    } else if (Qualifies3(s, note)) {
        if (s.RB(1, 2) == 1) {
            s.Note(delta, note - 1, velocity, 29);
            s.Note(32, note, velocity, 29);
            result = 32;
        } else {
            const int p[] = {note, note, note, note};
            result = Figure(s, delta, length, p, 16, 13, velocity);
        }
    } else {
        const int dir = s.RB(1, 2) == 1 ? 1 : -1;  // run from above (1) or below (-1)
        std::array<int, 4> p{};
        if (s.RB(1, 2) == 1) {
            p = {note + 3 * dir, note + 2 * dir, note + dir, note};
        } else {
            const int a = ScaleStep(s, note, dir);
            const int b = ScaleStep(s, a, dir);
            const int c = ScaleStep(s, b, dir);
            p = {c, b, a, note};
        }
        result = Figure(s, delta, length, p, 16, 13, velocity);
    }
    s.ornament3Allowed = s.RB(1, 4) != 1;
    return result;
}

Tick Ornament4(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    if (length < 48 || s.RB(1, 2) != 1) return Plain(s, delta, length, note, velocity);
    switch (s.RB(1, 3)) {
    case 1: {  // turn
        s.Note(delta, note + 1, velocity, 5);
        s.Note(8, note - 1, velocity, 5);
        s.Note(8, note, velocity, length - 16 - 3);
        return length - 16;
    }
    case 2: {  // triplet figure in thirds of the note
        const Tick third = length / 3;
        const int p[] = {note, note - 1, note};
        if (note - 1 < 12 && velocity != 0) EngineErrorMsg(s.ctx.reporter, kOrnamentError);
        return Figure(s, delta, length, p, third, third - 3, velocity);
    }
    default: {  // trill down to the lower neighbour while time is left
        Tick remaining = length;
        Tick at = delta;
        bool lower = false;
        while (remaining > 40) {
            s.Note(at, lower ? note - 1 : note, velocity, 13);
            at = 16;
            remaining -= 16;
            lower = !lower;
        }
        s.Note(at, note, velocity, remaining - 3);
        return remaining;
    }
    }
}

Tick Ornament6(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    const auto idx = static_cast<int>(s.index);
    if (idx % 80 >= 41 && (length == 48 || length == 64 || length == 96) && s.RB(1, 2) == 1) {
        const int count = length == 48 ? 4 : length == 64 ? 6 : 8;
        const Tick step = length / count;
        for (int r = 0; r < count; ++r) {
            const int fall = r % 2 == 0 ? 25 : r % 4 == 1 ? 15 : 5;
            const int v = std::max(0, velocity - fall);
            s.Note(r == 0 ? delta : step, r % 2 == 0 ? note - 5 : note, v, step - 2);
        }
        return step;
    }
    if (length >= 48 && idx % 40 > 20 && s.RB(1, 2) == 1) {
        s.Note(delta, note - 1, std::max(0, velocity - 25), 23);
        s.Note(24, note, velocity, length - 27);
        return length - 24;
    }
    return Plain(s, delta, length, note, velocity);
}

Tick Ornament7(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    if (s.RB(1, 40) == 1) note += s.RB(1, 2) == 1 ? -1 : 1;
    if (s.RB(1, 45) == 1) note += 5;
    if (s.RB(1, 30) == 1) {
        AppendEngineNote(s.ctx, s.track, s.channel, delta, 0, 0, length - 3);
        return length;
    }
    return Plain(s, delta, length, note, velocity);
}

bool PlainSwitches(const RenderState& s)
{
    return s.ctx.plainOrnamentSwitchA == 1 && s.ctx.plainOrnamentSwitchB == 3;
}

// Five chord-tone figures; figure 4 is the note as it stands.
Tick Ornament11(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    if (PlainSwitches(s)) return Plain(s, delta, length, note, velocity);
    int figure = 4;
    if (length == 192) {
        figure = std::array{1, 2, 4}[static_cast<std::size_t>(s.RB(1, 3) - 1)];
    } else if (length == 96) {
        figure = std::array{3, 5, 4, 4}[static_cast<std::size_t>(s.RB(1, 4) - 1)];
    }
    switch (figure) {
    case 1: {  // broken chord up and back: four eighths
        const int a = ChordToneFrom(s, note, 1);
        const int b = ChordToneFrom(s, a, 1);
        const int p[] = {note, a, b, note};
        return Figure(s, delta, length, p, 48, 45, velocity);
    }
    case 2: {  // lower chord-tone neighbour
        s.Note(delta, note, velocity, 93);
        s.Note(96, ChordToneFrom(s, note, -1), velocity, 45);
        s.Note(48, note, velocity, 45);
        return 48;
    }
    case 3: {  // two eighths: the note and the chord tone above
        const int p[] = {note, ChordToneFrom(s, note, 1)};
        return Figure(s, delta, length, p, 48, 45, velocity);
    }
    case 5: {  // appoggiatura from the chord tone above
        s.Note(delta, ChordToneFrom(s, note, 1), velocity, 21);
        s.Note(24, note, velocity, length - 27);
        return length - 24;
    }
    default:
        return Plain(s, delta, length, note, velocity);
    }
}

Tick Ornament14(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    if (length != 96 || s.RB(1, 2) != 1) return Plain(s, delta, length, note, velocity);
    const int first = s.RB(1, 2) == 1 ? 0 : note;
    const int p[] = {first, note, note + 5, note};
    Tick at = delta;
    for (int i = 0; i < 4; ++i) {
        AppendEngineNote(s.ctx, s.track, s.channel, at, p[i], p[i] == 0 ? 0 : velocity, 21);
        at = 24;
    }
    return 24;
}

Tick Ornament15(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    if (s.RB(1, 2) == 1) {
        s.Note(delta, note - 1, velocity, 3);
        s.Note(4, note, velocity, length / 2);
        return length - 4;
    }
    if (s.RB(1, 3) == 1) {
        s.Note(delta, note - 3, velocity, 2);
        s.Note(3, note - 2, velocity, 2);
        s.Note(3, note - 1, velocity, 2);
        s.Note(3, note, velocity, length - 9 - 2);
        return length - 9;
    }
    s.Note(delta, note, velocity, length - 2);
    return length;
}

Tick Ornament16(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    switch (s.RB(1, 3)) {
    case 1: {  // chromatic slide up into the note over the whole length
        const int steps = s.RB(6, 8);
        const Tick step = std::max<Tick>(1, (length - 3) / steps);
        Tick at = delta;
        for (int i = steps - 1; i > 0; --i) {
            s.Note(at, note - i, kFullVelocity, step);
            at = step;
        }
        const Tick used = step * (steps - 1);
        s.Note(at, note, kFullVelocity, length - 3 - used);
        return length - used;
    }
    case 2:
        s.Note(delta, note + 1, kFullVelocity, 3);
        break;
    default:
        s.Note(delta, note, kFullVelocity, 3);
        break;
    }
    s.Note(4, note, velocity, length - 7);
    return length - 4;
}

// The half-note runs of ornament 17.
Tick Run17(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    const int count = std::array{6, 8, 12}[static_cast<std::size_t>(s.RB(1, 3) - 1)];
    const Tick step = length / count;
    std::vector<int> p(static_cast<std::size_t>(count));
    p.back() = note;
    switch (s.RB(1, 3)) {
    case 1: {  // chromatic from below
        const int start = note - (s.RB(1, 4) == 1 ? 9 : 7);
        for (int i = 0; i + 1 < count; ++i) p[static_cast<std::size_t>(i)] = std::min(start + i, note - 1);
        break;
    }
    case 2: {  // scale run over an octave by the style's default template, into the note
        harmony::ChordTemplate scale = harmony::kDefaultChordTemplate;
        const auto& own = s.ctx.activeStyle.defaultChordTemplate;
        if (own[0] != '\0') std::copy(own.begin(), own.begin() + 16, scale.chars.begin());
        const int away = s.RB(1, 2) == 1 ? -1 : 1;  // the run starts below (-1) or above (1)
        std::array<int, 8> steps{note};
        for (std::size_t j = 1; j < steps.size(); ++j) {
            int q = steps[j - 1];
            for (int k = 0; k < 12; ++k) {
                q += away;
                if (q >= 0 && scale.Digit(q % 12) == '9') break;
            }
            steps[j] = q;
        }
        for (int i = 0; i + 1 < count; ++i) {
            p[static_cast<std::size_t>(i)] = steps[static_cast<std::size_t>((count - 1 - i) * 7 / (count - 1))];
        }
        break;
    }
    default: {  // a line falling evenly from a chord tone up to an octave above
        const int top = std::min(note + 12, ChordToneFrom(s, note + 4, 1));
        for (int i = 0; i + 1 < count; ++i) {
            p[static_cast<std::size_t>(i)] = top - (top - note) * i / (count - 1);
        }
        break;
    }
    }
    return Figure(s, delta, length, p, step, step - 2, velocity);
}

Tick Ornament17(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    if (s.channel != 1) return Plain(s, delta, length, note, velocity);
    if (TrillFigure(s, delta, length, note, velocity)) return delta;
    if (length == 192 && s.RB(1, 6) == 1) return Run17(s, delta, length, note, velocity);
    return Plain(s, delta, length, note, velocity);
}

Tick Ornament19(RenderState& s, Tick delta, Tick length, int note, int velocity)
{
    if (PlainSwitches(s) || length < 144 || note < 13 || !s.previousRest) {
        return Plain(s, delta, length, note, velocity);
    }
    const int grace = harmony::NextChordTone(s.Template(), note - 5);
    s.Note(delta, grace, velocity, 45);
    s.Note(48, note, velocity, length - 51);
    return length - 48;
}

Tick RenderNote(RenderState& s, int ornament, Tick delta, Tick length, int note, int velocity)
{
    switch (ornament) {
    case 1: return Ornament1(s, delta, length, note, velocity);
    case 2: return Ornament2(s, delta, length, note, velocity);
    case 3: return Ornament3(s, delta, length, note, velocity);
    case 4: return Ornament4(s, delta, length, note, velocity);
    case 6: return Ornament6(s, delta, length, note, velocity);
    case 7: return Ornament7(s, delta, length, note, velocity);
    case 11: return Ornament11(s, delta, length, note, velocity);
    case 14: return Ornament14(s, delta, length, note, velocity);
    case 15: return Ornament15(s, delta, length, note, velocity);
    case 16: return Ornament16(s, delta, length, note, velocity);
    case 17: return Ornament17(s, delta, length, note, velocity);
    case 19: return Ornament19(s, delta, length, note, velocity);
    default: return Plain(s, delta, length, note, velocity);
    }
}

bool SetUpMelodyChannel(EngineContext& ctx, midi::CMidiTrack& track, int channel)
{
    auto& style = ctx.activeStyle;
    switch (channel) {
    case 1: {
        const int program = ResolveInstrument(ctx.reporter, ctx.random, style.channelInstrument[1], 1);
        ctx.melodyProgram = program;
        SetUpChannel(ctx, track, 1, program, 1, 0);
        track.AddControlChange(1, 10, MixerByte(ctx, 1, kMixPan));
        return true;
    }
    case 4: {
        const int program = ResolveInstrument(ctx.reporter, ctx.random, style.channelInstrument[4], 4);
        ctx.secondLineProgram = program;
        SetUpChannel(ctx, track, 4, program, 4, 0);
        return true;
    }
    case 5:
        SetUpChannel(ctx, track, 5, style.channelInstrument[5] & 0xFF, 5, 0);
        return true;
    case 6:
        SetUpChannel(ctx, track, 6, ctx.melodyProgram & 0xFF, 1, 0);
        return true;
    default:
        EngineErrorMsg(ctx.reporter, kTrackInfoError);
        return false;
    }
}

bool RequireNoted(EngineContext& ctx, const midi::CMidiTrack& track)
{
    if (track.State == midi::TrackNotes) return true;
    midi::ReportTrackError(ctx.reporter, midi::mdtk::kInternal);
    return false;
}

}  // namespace

harmony::ChordTemplate ChordTemplateOf(const EngineContext& ctx, harmony::ChordCode code)
{
    harmony::ChordTemplate t = harmony::kDefaultChordTemplate;
    harmony::LookUpChordTemplate(ctx.dataFiles.notes, code, t);
    return t;
}

harmony::ChordCode ChordAt(const EngineContext& ctx, std::int64_t tick) { return ChordCursor(ctx.chords).At(tick); }

harmony::ChordCode ChordCursor::At(std::int64_t tick)
{
    if (tick < lastTick_) {
        index_ = 0;
        start_ = 0;
    }
    lastTick_ = tick;
    const auto& entries = chords_.entries;
    for (; index_ < entries.size(); ++index_) {
        if (tick < start_ + entries[index_].length) return entries[index_].code;
        start_ += entries[index_].length;
    }
    return harmony::kNoChordCode;
}

void RenderMelodyChannel(EngineContext& ctx, const NoteList& list, midi::CMidiTrack& track,
                         int channel)
{
    SetUpMelodyChannel(ctx, track, channel);
    RenderState s(ctx, track, channel);
    Tick delta = LeadInLength();
    const int ornament = ctx.activeStyle.partParams[1].ornament;

    std::size_t lastNote = list.size();
    for (std::size_t i = list.size(); i-- > 0;) {
        if (!list[i].IsChord()) {
            lastNote = i;
            break;
        }
    }

    for (std::size_t i = 0; i < list.size(); ++i) {
        const EngineNote& entry = list[i];
        s.index = i;
        if (entry.IsChord()) {
            s.chord = {entry.length, harmony::ChordCode::FromBytes(entry.ChordCode())};
            s.chordFromList = true;
            continue;
        }
        int pitch = entry.pitch;
        if (s.forcedPitch >= 0) {
            pitch = s.forcedPitch;
            s.forcedPitch = -1;
        }
        if (entry.length > kMaxMelodyEntry) {
            EngineErrorMsg(ctx.reporter, kMelodyLengthError);
            break;
        }
        // Without chord entries in the list the song's chords give the harmony.
        if (!s.chordFromList) s.chord = {entry.length, s.songChords.At(s.start)};
        const bool rest = pitch < 12 || (pitch & 0xFF) == 0;
        if (rest) {
            AppendEngineNote(ctx, track, channel, delta, 0, 0, entry.length - 3);
            delta = entry.length;
        } else {
            const int velocity = i == lastNote ? kLastNoteVelocity : kFullVelocity;
            delta = RenderNote(s, ornament, delta, entry.length, pitch, velocity);
        }
        s.previousRest = rest;
        s.start += entry.length;
    }

    FinishEngineTrack(ctx, track);
    if (ornament == 18) KeepTopNotes(ctx, track);
    if (ornament == 20) AddPassingNotes(ctx, track);
    PostProcessChannel(ctx, track, channel);

    if (channel == 1) {
        if (ctx.activeStyle.channelOctave[1] == 1) AddOctaveDouble(ctx, track);
        if (MixerByte(ctx, 1, kMixDoublingDelay) != 0) {
            SetPanControls(track, (MixerByte(ctx, 1, kMixPan) + 40) % 128);
        }
    }
}

void RenderMelody(EngineContext& ctx)
{
    auto track = NewEngineTrack(ctx);
    RenderMelodyChannel(ctx, ctx.melody, *track, 1);
    const int delay = MixerByte(ctx, 1, kMixDoublingDelay);
    if (delay != 0) {
        ctx.tracks.push_back(MakeDoublingTrack(ctx, *track, kMelodyDoublingChannel, delay,
                                               (MixerByte(ctx, 1, kMixPan) + 88) % 128));
    }
    ctx.tracks.push_back(std::move(track));
}

void AddOctaveDouble(EngineContext& ctx, midi::CMidiTrack& track)
{
    if (!RequireNoted(ctx, track)) return;
    auto events = TakeTimedEvents(track);
    std::vector<TimedEvent> added;
    for (const auto& t : events) {
        const auto& e = t.event;
        if (e.Kind != midi::kKindNote || e.Velocity == 0 || e.Duration == 0 || e.Note > 115) continue;
        TimedEvent copy = t;
        copy.event.Note += 12;
        added.push_back(std::move(copy));
    }
    events.insert(events.end(), added.begin(), added.end());
    PutTimedEvents(track, std::move(events));
}

void KeepTopNotes(EngineContext& ctx, midi::CMidiTrack& track)
{
    if (!RequireNoted(ctx, track)) return;
    auto events = TakeTimedEvents(track);
    std::map<std::int64_t, int> highest;
    for (const auto& t : events) {
        if (t.event.Kind != midi::kKindNote) continue;
        auto [it, fresh] = highest.emplace(t.time, t.event.Note);
        if (!fresh) it->second = std::max<int>(it->second, t.event.Note);
    }
    std::map<std::int64_t, bool> kept;
    for (auto& t : events) {
        if (t.event.Kind != midi::kKindNote) continue;
        if (t.event.Note < highest[t.time] || kept[t.time]) {
            t.event.Kind = midi::kKindDeleted;
        } else {
            kept[t.time] = true;
        }
    }
    PutTimedEvents(track, std::move(events));
}

void AddPassingNotes(EngineContext& ctx, midi::CMidiTrack& track)
{
    if (!RequireNoted(ctx, track)) return;
    auto events = TakeTimedEvents(track);
    std::vector<std::size_t> notes;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const auto& e = events[i].event;
        if (e.Kind == midi::kKindNote && e.Velocity > 0) notes.push_back(i);
    }
    const bool triplet = ctx.activeStyle.rhythmFeel == 3;
    std::vector<TimedEvent> added;
    for (std::size_t k = 0; k + 1 < notes.size(); ++k) {
        auto& cur = events[notes[k]];
        const auto& next = events[notes[k + 1]];
        if (cur.event.Duration < 67 || std::abs(next.event.Note - cur.event.Note) != 2) continue;
        if (next.time <= cur.time) continue;
        Tick length = 48;
        if (triplet) {
            length = 32;
        } else if (cur.event.Duration < 134) {
            length = RandomBetween(ctx.random, 1, 4) == 1 ? 48 : 24;
        }
        const std::int64_t at = next.time - length;
        if (at <= cur.time) continue;
        cur.event.Duration = static_cast<std::int32_t>(
            std::min<std::int64_t>(cur.event.Duration, at - cur.time));
        TimedEvent passing = cur;
        passing.time = at;
        passing.event.Note = (cur.event.Note + next.event.Note) / 2;
        passing.event.Duration = length - 3;
        added.push_back(std::move(passing));
    }
    events.insert(events.end(), added.begin(), added.end());
    PutTimedEvents(track, std::move(events));
}

}  // namespace songloom::arrange
