#include "arrange/post_process.h"

#include <algorithm>

#include "arrange/melody_renderer.h"
#include "arrange/style_record.h"
#include "common/messages.h"
#include "midi/midi_track.h"

namespace songloom::arrange {
namespace {

constexpr int kCentre = 64;  // high byte of an unbent pitch

int RB(NoteEdit& e, int a, int b) { return RandomBetween(e.ctx.random, a, b); }

bool IsSoundingNote(const midi::CMidiEvent& e)
{
    return e.Kind == midi::kKindNote && e.Note > 0;
}

// A bend at time, placed before the notes of its instant when early is set.
void Bend(NoteEdit& edit, std::int64_t time, int high, bool early = false, int low = 0)
{
    edit.added.push_back({time, PitchBendEvent(edit.channel, low, std::clamp(high, 0, 127)),
                          early ? -1 : 0});
}

void JitterVelocity(NoteEdit& edit, midi::CMidiEvent& note)
{
    note.Velocity = std::clamp(note.Velocity + RB(edit, 1, 20) - 10, 0, 127);
}

// Delayed vibrato that deepens over a long note (the long shape of value 10).
void AddLongShape(NoteEdit& edit, std::size_t index)
{
    const auto& t = edit.events[index];
    const std::int64_t start = t.time + t.event.Duration / 3;
    const std::int64_t end = t.time + t.event.Duration;
    const int cycle[] = {0, 1, 0, -1};
    int k = 0;
    for (std::int64_t at = start; at + 12 < end; at += 12, ++k) {
        const int depth = 1 + std::min(2, k / 4);
        Bend(edit, at, kCentre + depth * cycle[k % 4]);
    }
    Bend(edit, end, kCentre, true);
}

// Value 13: a fall-off over the last quarter of half the long notes.
void AddFallOff(NoteEdit& edit, std::size_t index)
{
    const auto& t = edit.events[index];
    if (t.event.Duration < 96 || RB(edit, 1, 2) != 1) return;
    const int step = RB(edit, 2, 3);
    const std::int64_t start = t.time + t.event.Duration * 3 / 4;
    const std::int64_t quarter = t.event.Duration / 4 / 4;
    for (int k = 1; k <= 4; ++k) Bend(edit, start + quarter * (k - 1), kCentre - step * k);
    Bend(edit, t.time + t.event.Duration, kCentre, true);
}

// Value 21: a bend-in from below over the first 24 ticks of half the long notes.
void AddBendIn(NoteEdit& edit, std::size_t index)
{
    const auto& t = edit.events[index];
    if (t.event.Duration < 96 || RB(edit, 1, 2) != 1) return;
    const int depth = RB(edit, 4, 8);
    Bend(edit, t.time, kCentre - depth, true);
    for (int k = 1; k <= 3; ++k) Bend(edit, t.time + 6 * k, kCentre - depth * (4 - k) / 4);
    Bend(edit, t.time + 24, kCentre);
}

// Value 20: the line kept inside the channel's range (values 7 and 8) and on
// the tones of the style's default template.
void FitToRange(NoteEdit& edit, midi::CMidiEvent& note)
{
    const auto& params = edit.ctx.activeStyle.partParams[static_cast<std::size_t>(edit.channel)];
    const int high = params.highestNote;
    const int low = params.lowestNote;
    if (high > low + 11) {
        while (note.Note > high) note.Note -= 12;
        while (note.Note < low) note.Note += 12;
    }
    const auto& own = edit.ctx.activeStyle.defaultChordTemplate;
    if (own[0] == '\0') return;
    for (int k = 0; k < 2; ++k) {
        const char digit = own[static_cast<std::size_t>(4 + note.Note % 12)];
        if (digit != '0') break;
        note.Note += note.Note + 1 <= high || high <= low ? 1 : -1;
    }
}

void ApplyCode(NoteEdit& edit, int code, std::size_t i)
{
    auto& note = edit.events[i].event;
    const Tick duration = note.Duration;
    switch (code) {
    case 5: {
        JitterVelocity(edit, note);
        const bool longOne = RB(edit, 1, 7) == 1 && duration >= 84;
        if (longOne || RB(edit, 1, 8) == 1) AddScoop(edit, i, duration / RB(edit, 7, 10));
        break;
    }
    case 10:
        if (RB(edit, 1, 3) != 1 || duration < 84) break;
        if (duration >= 180 && RB(edit, 1, 2) == 1) {
            if (edit.bends) AddLongShape(edit, i);
        } else {
            AddScoop(edit, i, duration / RB(edit, 7, 10));
        }
        break;
    case 13:
        JitterVelocity(edit, note);
        if (edit.bends) AddFallOff(edit, i);
        break;
    case 19:
        JitterVelocity(edit, note);
        AddWobble(edit, i);
        break;
    case 21:
        if (edit.bends) AddBendIn(edit, i);
        break;
    case 17:
        if (RB(edit, 1, 2) == 1) AddScoop(edit, i, duration / 10);
        break;
    case 18:
        note.Duration = duration / 2;
        AddScoop(edit, i, note.Duration);
        break;
    case 20:
        FitToRange(edit, note);
        break;
    default:
        break;
    }
}

// Effect 8: a short chord-tone flick from above before a quarter of the
// long notes.
void AddFlicks(NoteEdit& edit, std::size_t i)
{
    auto& t = edit.events[i];
    if (t.event.Duration < 96 || RB(edit, 1, 4) != 1) return;
    const auto chordTemplate = ChordTemplateOf(edit.ctx, ChordAt(edit.ctx, t.time));
    const int upper = harmony::NextChordTone(chordTemplate, t.event.Note + 1);
    if (upper > 127) return;
    TimedEvent grace = t;
    grace.event.Note = upper;
    grace.event.Duration = 5;
    grace.order = -1;
    edit.added.push_back(std::move(grace));
    t.time += 6;
    t.event.Duration -= 6;
}

// Effect 9: every long note starts low and rises to pitch over its first half,
// like a long natural pipe.
void AddLongPipe(NoteEdit& edit, std::size_t i)
{
    const auto& t = edit.events[i];
    if (!edit.bends || t.event.Duration < 96) return;
    const std::int64_t half = t.event.Duration / 2;
    const int steps = static_cast<int>(half / 8);
    Bend(edit, t.time, kCentre - 8, true);
    for (int k = 1; k <= steps; ++k) Bend(edit, t.time + 8 * k, kCentre - 8 + 8 * k / steps);
}

// Effect 12: a siren: up to a major second above at the middle of each long
// note and back.
void AddSiren(NoteEdit& edit, std::size_t i)
{
    const auto& t = edit.events[i];
    if (!edit.bends || t.event.Duration < 96) return;
    const int steps = t.event.Duration / 8;
    for (int k = 0; k < steps; ++k) {
        const int rise = k <= steps / 2 ? k : steps - k;
        Bend(edit, t.time + 8 * k, kCentre + 12 * rise / std::max(1, steps / 2), k == 0);
    }
    Bend(edit, t.time + t.event.Duration, kCentre, true);
}

// The events the last pass added, behind the others.
void AppendAdded(NoteEdit& edit)
{
    edit.events.insert(edit.events.end(), std::make_move_iterator(edit.added.begin()),
                       std::make_move_iterator(edit.added.end()));
    edit.added.clear();
}

// A pass over the sounding notes. The events the pass before added are
// sorted in first, so that this one sees them; the last pass's go back with
// the others, which sorts them in as well.
template <typename F>
void ForEachNote(NoteEdit& edit, bool first, F&& f)
{
    if (!first) {
        AppendAdded(edit);
        SortTimedEvents(edit.events);
    }
    const std::size_t count = edit.events.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (IsSoundingNote(edit.events[i].event)) f(i);
    }
}

}  // namespace

std::int64_t NoteEdit::FollowingTime(std::size_t index) const
{
    if (index + 1 < events.size()) return events[index + 1].time;
    return events[index].time + events[index].event.Duration;
}

bool AddScoop(NoteEdit& edit, std::size_t index, Tick length)
{
    auto& t = edit.events[index];
    if (t.event.Kind != midi::kKindNote) {
        EngineErrorMsg(edit.ctx.reporter, kMelodyDataTypeError);
        return false;
    }
    if (length <= 0 || edit.FollowingTime(index) - t.time < length) return false;
    if (edit.bends) {
        // 58/68: about a semitone and a half below, back to pitch after length.
        Bend(edit, t.time, 58, true, 68);
        Bend(edit, t.time + length, kCentre, true);
        return true;
    }
    if (length < 8) return false;
    TimedEvent grace = t;
    grace.event.Note = t.event.Note - 1;
    grace.event.Duration = 3;
    grace.order = -1;
    edit.added.push_back(std::move(grace));
    t.time += 4;
    t.event.Duration = std::max(1, t.event.Duration - 4);
    return true;
}

void AddWobble(NoteEdit& edit, std::size_t index)
{
    auto& t = edit.events[index];
    if (t.event.Duration < 48 || edit.FollowingTime(index) - t.time < 96 || !edit.bends) return;
    t.event.Velocity = std::min(127, t.event.Velocity + 10);
    if (RB(edit, 1, 3) != 1) return;
    // A bend every 8 ticks on a random walk, then a stretch of it held at
    // the centre.
    const int count = (t.event.Duration + 7) / 8;
    const std::int64_t start = t.time;
    const std::size_t first = edit.added.size();
    int w = 0;
    for (int k = 0; k < count; ++k) {
        Bend(edit, start + 8 * k, kCentre + w, k == 0);
        w = std::clamp(w + RB(edit, 0, 4) - 2, -8, 8);
    }
    int from = 0;
    int to = count;
    if (RB(edit, 1, 2) == 1) {
        from = count / 4;
    } else {
        from = RB(edit, 1, 3) == 1 ? count / 4 : 0;
        to = count / 2;
    }
    for (int k = from; k < to; ++k) {
        edit.added[first + static_cast<std::size_t>(k)].event = PitchBendEvent(edit.channel, 0, kCentre);
    }
    Bend(edit, start + 8 * count, kCentre, true);
}

void PostProcessChannel(EngineContext& ctx, midi::CMidiTrack& track, int channel)
{
    if (channel < 0 || channel >= kPartParamBlocks) return;
    auto& params = ctx.activeStyle.partParams[static_cast<std::size_t>(channel)];
    // Scratch buffers that keep their room from channel to channel.
    thread_local std::vector<TimedEvent> events;
    thread_local std::vector<TimedEvent> added;
    TakeTimedEvents(track, events);
    added.clear();
    NoteEdit edit{ctx, events, added, channel, track.IsAbovePianoGroup(channel)};

    ForEachNote(edit, true, [&](std::size_t i) { ApplyCode(edit, params.ornament, i); });
    ForEachNote(edit, false, [&](std::size_t i) { ApplyCode(edit, params.ornament2, i); });

    if (channel == 1) {
        const auto uses = [&](int code) { return params.ornament == code || params.ornament2 == code; };
        if (!ctx.effectQuestionAsked) {
            ctx.effectQuestionAsked = true;
            if (uses(9) || uses(12)) {
                ctx.effectRefused = !EngineConfirmMsg(ctx.reporter, kAskLongPipeOrSiren);
            }
        }
        // The answer stands for the whole run: a refused effect stays off even
        // though every rendering copies the style afresh.
        if (ctx.effectRefused && (uses(9) || uses(12))) {
            params.ornament = 0;
            params.ornament2 = 0;
        }
        if (uses(8)) {
            ForEachNote(edit, false, [&](std::size_t i) { AddFlicks(edit, i); });
        } else if (uses(12)) {
            ForEachNote(edit, false, [&](std::size_t i) { AddSiren(edit, i); });
        } else if (uses(9)) {
            ForEachNote(edit, false, [&](std::size_t i) { AddLongPipe(edit, i); });
        }
    }
    AppendAdded(edit);
    PutTimedEvents(track, events);
}

}  // namespace songloom::arrange
