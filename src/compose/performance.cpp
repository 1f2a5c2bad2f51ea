#include "compose/performance.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "arrange/comping_voicing.h"
#include "arrange/generators.h"
#include "arrange/timed_events.h"
#include "common/random.h"
#include "midi/midi_track.h"

namespace songloom::compose {
namespace {

using arrange::EngineContext;
using arrange::IntroKind;
using arrange::TimedEvent;
using Events = std::vector<TimedEvent>;

constexpr Tick kBeat = arrange::kTicksPerQuarter;
constexpr int kKick = 36;
constexpr int kSideStick = 37;
constexpr int kSnare = 38;
constexpr int kElectricSnare = 40;
constexpr int kCrash = 49;
constexpr int kCrash2 = 57;
constexpr std::array<int, 8> kFillStraight = {38, 38, 50, 50, 47, 47, 43, 43};
constexpr std::array<int, 6> kFillTriplet = {38, 50, 48, 47, 45, 43};
// Drum onsets a bar from which a style counts as busy (phrases of 4 bars).
constexpr int kBusyOnsetsPerBar = 14;
constexpr int kPhraseBars = 8;
constexpr int kLowestBass = 28;  // E1
// Humanise limits at amount 100.
constexpr double kTimingMs = 8.0;
constexpr int kVelocitySpread = 8;

bool IsNote(const TimedEvent& t) { return t.event.Kind == midi::kKindNote && t.event.Velocity > 0; }
bool IsBandPitched(int channel) { return channel == 2 || channel == 3 || channel == 4 || channel == 5 || channel == 7; }
bool IsMelody(int channel) { return channel == 1 || channel == 6 || channel == 10; }

TimedEvent MakeNote(std::int64_t at, int channel, int note, int velocity, Tick duration)
{
    TimedEvent t;
    t.time = at;
    t.event.Kind = midi::kKindNote;
    t.event.Channel = channel;
    t.event.Note = std::clamp(note, 0, 127);
    t.event.Velocity = std::clamp(velocity, 1, 127);
    t.event.Duration = std::max<Tick>(1, duration);
    const std::uint8_t kind[] = {0x10};
    t.event.SetData(kind);
    return t;
}

// Indices [first, last) of the time-sorted prefix events[0, sorted) that lie
// in [from, to): the phrase edits look only there.
std::pair<std::size_t, std::size_t> Window(const Events& events, std::size_t sorted, std::int64_t from,
                                           std::int64_t to)
{
    const auto begin = events.begin();
    const auto end = begin + static_cast<std::ptrdiff_t>(sorted);
    const auto lo = std::partition_point(begin, end, [from](const TimedEvent& t) { return t.time < from; });
    const auto hi = std::partition_point(lo, end, [to](const TimedEvent& t) { return t.time < to; });
    return {static_cast<std::size_t>(lo - begin), static_cast<std::size_t>(hi - begin)};
}

// The End of Track no earlier than the last note ends.
void CloseAfterNotes(Events& events)
{
    std::int64_t end = 0;
    for (const TimedEvent& t : events) {
        if (t.event.Kind == midi::kKindNote) end = std::max(end, t.time + t.event.Duration);
    }
    for (TimedEvent& t : events) {
        if (t.event.IsEndOfTrack()) t.time = std::max(t.time, end);
    }
}

void Delete(TimedEvent& t) { t.event.Kind = midi::kKindDeleted; }

int Clamp(int velocity) { return std::clamp(velocity, 1, 127); }

// A pitch of pitch class pc nearest to `near`.
int Nearest(int pc, int near)
{
    const int base = near - ((near - pc) % 12 + 12) % 12;
    return near - base <= 6 ? base : base + 12;
}

struct Song {
    PhrasePlan plan;
    Tick intro = 0;
    int phraseBars = kPhraseBars;
    harmony::ChordEntry lastChord{};
    // The accompaniment's own voicing of the last chord where the style's
    // comping adds tones (a jazz band ends on its 6/9); empty otherwise.
    std::vector<int> endingTones;
    // BeatAccent of every tick of a bar, and the swell of every bar of a
    // phrase: what each note looks up.
    std::vector<int> accents;
    std::array<int, kPhraseBars> swells{};
    int amount = 0;       // humanise 0-100
    Tick timingTicks = 0;  // largest timing move
    double melodyMean = 72;
};

// Velocity of the note by part, place in the bar and in the phrase.
int ShapeVelocity(const Song& song, const midi::CMidiEvent& e, std::int64_t at)
{
    const Tick bar = song.plan.bar;
    const Tick within = static_cast<Tick>(at % bar);
    const int accent = within >= 0 ? song.accents[static_cast<std::size_t>(within)] : BeatAccent(within, bar);
    int swell = 0;
    if (at >= song.plan.origin) {
        const auto barIndex = static_cast<int>((at - song.plan.origin) / bar);
        swell = song.swells[static_cast<std::size_t>(barIndex % song.phraseBars)];
    }
    int v = e.Velocity;
    switch (e.Channel) {
    case 1:
    case 6:
    case 10: {
        // Above the band, higher notes a little louder.
        const int contour = std::clamp(static_cast<int>(std::lround((e.Note - song.melodyMean) / 2.0)), -6, 6);
        v += 16 + accent / 2 + contour + swell;
        break;
    }
    case 2: v += 4 + accent + swell; break;
    case 3:
    case 7: v += -6 + accent + swell; break;
    case 9: {
        const bool ghost = (e.Note == kSnare || e.Note == kElectricSnare) && within % 48 != 0;
        v = ghost ? v * 55 / 100 : v + accent + swell;
        break;
    }
    default: v += -4 + accent / 2 + swell; break;
    }
    return Clamp(v);
}

// The groove of the first full bar played `bars` times before the song.
void AddGroove(Events& events, const Song& song, int bars)
{
    const Tick bar = song.plan.bar;
    const std::int64_t from = song.plan.origin + song.intro;
    const std::size_t count = events.size();
    for (std::size_t i = 0; i < count; ++i) {
        const TimedEvent& t = events[i];
        if (!IsNote(t) || (!IsBandPitched(t.event.Channel) && t.event.Channel != 9)) continue;
        if (t.time < from || t.time >= from + bar) continue;
        for (int k = 0; k < bars; ++k) {
            TimedEvent copy = t;
            copy.time = t.time - from + static_cast<std::int64_t>(k) * bar;
            copy.event.Duration = std::min<Tick>(copy.event.Duration, static_cast<Tick>(song.intro - copy.time));
            events.push_back(std::move(copy));
        }
    }
}

void AddCountIn(Events& events, const Song& song)
{
    const Tick bar = song.plan.bar;
    for (Tick at = 0; at < bar; at += kBeat) events.push_back(MakeNote(at, 9, kSideStick, at == 0 ? 100 : 84, 48));
}

// A crash on P, a fill in the half bar before it (when there is one).
void MarkPhrase(Events& events, std::size_t sorted, std::int64_t p, bool fill, bool triplet, int number, Tick bar)
{
    const Tick half = bar / 2;
    const auto [first, last] = Window(events, sorted, p - half, p + 1);
    bool crashThere = false;
    for (std::size_t i = first; i < last; ++i) {
        const TimedEvent& t = events[i];
        if (IsNote(t) && t.event.Channel == 9 && t.time == p &&
            (t.event.Note == kCrash || t.event.Note == kCrash2))
            crashThere = true;
    }
    if (!crashThere) events.push_back(MakeNote(p, 9, number % 2 == 0 ? kCrash : kCrash2, 108, 190));
    if (!fill) return;
    const std::int64_t from = p - half;
    if (from < 0) return;
    for (std::size_t i = first; i < last; ++i) {
        TimedEvent& t = events[i];
        if (IsNote(t) && t.event.Channel == 9 && t.time >= from && t.time < p) Delete(t);
    }
    const Tick step = triplet ? 32 : 24;
    const int steps = half / step;
    for (int k = 0; k < steps; ++k) {
        const int note = triplet ? kFillTriplet[static_cast<std::size_t>(k % 6)]
                                 : kFillStraight[static_cast<std::size_t>(k * 8 / std::max(steps, 1))];
        events.push_back(MakeNote(from + k * step, 9, note, 72 + 36 * k / std::max(steps, 1), step - 2));
    }
    events.push_back(MakeNote(from, 9, kKick, 96, step - 2));
}

// The last beat of a phrase varied: the bass walks up into the next
// phrase, the accompaniment breaks for the fill (or pushes its held chord
// an eighth early when it only played the downbeat).
void VaryPhraseEnd(Events& events, std::size_t sorted, std::int64_t p, Tick bar)
{
    const std::int64_t lastBeat = p - kBeat;
    const std::int64_t barStart = p - bar;
    std::array<bool, 16> played{};  // by channel: an onset in the bar
    std::array<bool, 16> lateOnset{};
    std::array<int, 16> lastPitch{};
    std::array<int, 16> latePitch{};
    int nextBass = 0;  // the bass's first pitch after the bar, within two bars
    const auto [barFirst, barEnd] = Window(events, sorted, barStart, p + 2 * bar);
    for (std::size_t i = barFirst; i < barEnd; ++i) {
        const TimedEvent& t = events[i];
        if (!IsNote(t)) continue;
        const auto c = static_cast<std::size_t>(t.event.Channel & 15);
        if (t.time >= p) {
            if (c != 2 || t.event.Note == 0) continue;
            nextBass = t.event.Note;
            break;
        }
        played[c] = true;
        if (t.time >= lastBeat) {
            lateOnset[c] = true;
            if (latePitch[c] == 0) latePitch[c] = t.event.Note;
        } else {
            lastPitch[c] = t.event.Note;
        }
    }
    const int target = nextBass != 0 ? nextBass : lastPitch[2] != 0 ? lastPitch[2] : latePitch[2];
    const bool walk = played[2] && target != 0;
    // The bass's last two bars and the accompaniment's last bar; nothing to
    // do where neither plays.
    if (!walk && !played[3] && !played[7]) return;
    const auto [first, count] = Window(events, sorted, barStart - bar, p);
    for (std::size_t i = first; i < count; ++i) {
        TimedEvent& t = events[i];
        if (!IsNote(t)) continue;
        const int channel = t.event.Channel;
        const auto c = static_cast<std::size_t>(channel);
        if (channel == 2) {
            if (!walk) continue;
            if (t.time >= lastBeat) Delete(t);
            else if (t.time + t.event.Duration > lastBeat) t.event.Duration = static_cast<Tick>(lastBeat - t.time) - 2;
        } else if ((channel == 3 || channel == 7) && t.time >= barStart) {
            if (lateOnset[c]) {
                // A break on the last beat, room for the fill.
                if (t.time >= lastBeat) Delete(t);
            } else if (t.time + t.event.Duration > lastBeat + kBeat / 2) {
                // A held chord: cut before the push.
                TimedEvent push = t;
                push.time = lastBeat + kBeat / 2;
                push.event.Duration = kBeat / 2 - 4;
                t.event.Duration = static_cast<Tick>(push.time - t.time) - 2;
                events.push_back(std::move(push));
            }
        }
    }
    if (walk) {
        const int from = lastPitch[2] != 0 ? lastPitch[2] : target;
        events.push_back(MakeNote(lastBeat, 2, from, 84, 44));
        // From below, or from above where below would leave the bass's range.
        const int side = target - 2 < kLowestBass ? 1 : -1;
        events.push_back(MakeNote(lastBeat + 48, 2, target + 2 * side, 70, 22));
        events.push_back(MakeNote(lastBeat + 72, 2, target + side, 76, 22));
    }
}

// The final bar: the last chord held by every band part that plays near the
// end, a crash with the kick, nothing after.
void PlayEnding(Events& events, const Song& song)
{
    // The last chord sounds from its own start when that lies inside the
    // final bar (a cadence on beat 3): it then rings to the end of a bar more.
    const Tick chordStart = song.plan.songEnd - song.lastChord.length;
    const Tick from = std::max(song.plan.finalBar, chordStart);
    const Tick bar = song.plan.bar;
    const Tick last = from == song.plan.finalBar ? song.plan.end : std::max(song.plan.end, (from + 2 * bar - 1) / bar * bar);
    const std::int64_t f = from + song.intro;
    const std::int64_t end = last + song.intro;
    const std::int64_t ring = std::max<std::int64_t>(end, song.plan.melodyEnd + song.intro) - f;
    const std::int64_t registerFrom = f - 4 * bar;
    const std::int64_t drumsFrom = f - bar;
    const std::int64_t melodyEnd = song.plan.melodyEnd + song.intro;
    std::array<int, 16> sum{};
    std::array<int, 16> n{};
    bool drums = false;
    for (TimedEvent& t : events) {
        if (!IsNote(t)) continue;
        const int channel = t.event.Channel;
        const auto c = static_cast<std::size_t>(channel & 15);
        // The part's register near the end (a waltz bass plays once a chord).
        if (t.time >= registerFrom && t.time < end && channel != 9) {
            sum[c] += t.event.Note;
            ++n[c];
        }
        if (channel == 9 && t.time >= drumsFrom) drums = true;
        if (IsMelody(channel)) {
            // The melody's last note rings with the band.
            if (t.time + t.event.Duration < end && t.time + t.event.Duration >= melodyEnd)
                t.event.Duration = static_cast<Tick>(end - t.time);
            continue;
        }
        if (t.time >= f) Delete(t);
        else if (t.time + t.event.Duration > f && channel != 9) t.event.Duration = static_cast<Tick>(f - t.time) - 2;
    }
    const auto& chord = song.lastChord;
    if (chord.root == 0) return;
    for (int channel : {2, 3, 4, 5, 7}) {
        const auto c = static_cast<std::size_t>(channel);
        if (n[c] == 0) continue;
        const int mean = sum[c] / n[c];
        const auto duration = static_cast<Tick>(ring);
        if (channel == 2) {
            events.push_back(MakeNote(f, 2, Nearest((chord.bass != 0 ? chord.bass : chord.root) % 12, mean), 92, duration));
        } else if (channel == 3 || channel == 7) {
            const std::array<int, 4> written = {chord.root, chord.third, chord.fifth, chord.seventh};
            const std::span<const int> tones =
                !song.endingTones.empty() ? std::span<const int>(song.endingTones) : std::span<const int>(written);
            std::array<int, 4> placed{};
            std::size_t count = 0;
            for (int tone : tones) {
                if (tone == 0) continue;
                const int pitch = Nearest(tone % 12, mean);
                if (std::find(placed.begin(), placed.begin() + static_cast<std::ptrdiff_t>(count), pitch) !=
                    placed.begin() + static_cast<std::ptrdiff_t>(count))
                    continue;
                placed[count++] = pitch;
                events.push_back(MakeNote(f, channel, pitch, 76, duration));
            }
        } else {
            events.push_back(MakeNote(f, channel, Nearest(chord.root % 12, mean), 72, duration));
        }
    }
    if (drums) {
        events.push_back(MakeNote(f, 9, kCrash, 112, static_cast<Tick>(ring)));
        events.push_back(MakeNote(f, 9, kKick, 104, 47));
    }
}

// Seeded timing and velocity spread; a note stays inside its beat and its
// end stays where it was.
void Humanize(Events& events, const Song& song, Random& random)
{
    if (song.amount <= 0) return;
    const int spread = (kVelocitySpread * song.amount + 50) / 100;
    const Tick timing = song.timingTicks;
    std::array<std::int64_t, 16> lastTime{};
    std::array<Tick, 16> lastShift{};
    lastTime.fill(-1);
    for (TimedEvent& t : events) {
        if (!IsNote(t)) continue;
        auto& e = t.event;
        const auto c = static_cast<std::size_t>(e.Channel & 15);
        e.Velocity = Clamp(e.Velocity + RandomBetween(random, -spread, spread));
        if (timing == 0) continue;
        // Notes of one instant of a part move together.
        Tick shift = lastShift[c];
        if (t.time != lastTime[c]) {
            shift = RandomBetween(random, -timing, timing);
            lastTime[c] = t.time;
            lastShift[c] = shift;
        }
        const std::int64_t beat = t.time / kBeat * kBeat;
        const std::int64_t moved = std::clamp<std::int64_t>(t.time + shift, beat, beat + kBeat - 1);
        const auto delta = static_cast<Tick>(moved - t.time);
        if (e.Duration - delta < 1) continue;
        e.Duration -= delta;
        t.time = moved;
    }
}

Tick ChordTicks(const EngineContext& ctx)
{
    Tick total = 0;
    for (const auto& e : ctx.chords.entries) total += e.length;
    return total;
}

}  // namespace

int StyleHumanizeAmount(const arrange::StyleRecord& style)
{
    const int lead = style.channelInstrument[arrange::kAccompanimentChannel];
    if (lead >= 80 && lead <= 103) return 20;  // synthesizer leads and pads
    return style.rhythmFeel == arrange::kTripletFeel ? 70 : 50;
}

PhrasePlan MakePhrasePlan(Tick bar, Tick songEnd, Tick firstOnset, Tick lastOff)
{
    PhrasePlan plan;
    plan.bar = bar;
    plan.songEnd = songEnd;
    plan.origin = (firstOnset + bar - 1) / bar * bar;
    plan.melodyEnd = lastOff;
    const Tick lastBar = std::max<Tick>(0, (songEnd - 1) / bar * bar);
    if (lastOff > lastBar) {
        plan.finalBar = (lastOff - 1) / bar * bar;
    } else {
        // The bar after the melody's last note, or the song's last bar.
        plan.finalBar = std::min(lastBar, (lastOff + bar - 1) / bar * bar);
    }
    plan.end = std::max(songEnd, plan.finalBar + bar);
    return plan;
}

int BeatAccent(Tick within, Tick bar)
{
    if (within == 0) return 12;
    if (within % kBeat == 0) return bar == 4 * kBeat && within == 2 * kBeat ? 6 : 2;
    if (within % (kBeat / 2) == 0) return -6;
    return -10;
}

void PerformTracks(EngineContext& ctx, std::span<const arrange::PatternChord> compingChords)
{
    const auto& settings = ctx.performance;
    Song song;
    const Tick bar = arrange::BarTicks(ctx.activeStyle.meter);
    std::int64_t firstOnset = -1;
    std::int64_t lastOff = 0;
    double pitchSum = 0;
    int melodyNotes = 0;
    int drumOnsets = 0;
    for (const auto& track : ctx.tracks) {
        std::int64_t time = 0;
        for (const auto& e : track->Events()) {
            time += e.DeltaTime;
            if (e.Kind != midi::kKindNote || e.Velocity == 0) continue;
            if (e.Channel == arrange::kDrumChannel) ++drumOnsets;
            if (e.Channel != arrange::kMelodyChannel) continue;
            if (firstOnset < 0 || time < firstOnset) firstOnset = time;
            lastOff = std::max(lastOff, time + e.Duration);
            pitchSum += e.Note;
            ++melodyNotes;
        }
    }
    const Tick songEnd = ChordTicks(ctx);
    song.plan = MakePhrasePlan(bar, songEnd, static_cast<Tick>(std::max<std::int64_t>(0, firstOnset)),
                               static_cast<Tick>(lastOff));
    if (melodyNotes > 0) song.melodyMean = pitchSum / melodyNotes;
    const int bars = std::max<Tick>(1, songEnd / bar);
    if (drumOnsets / bars >= kBusyOnsetsPerBar) song.phraseBars = 4;
    song.accents.resize(static_cast<std::size_t>(bar));
    for (Tick within = 0; within < bar; ++within) song.accents[static_cast<std::size_t>(within)] = BeatAccent(within, bar);
    for (int k = 0; k < song.phraseBars; ++k) song.swells[static_cast<std::size_t>(k)] = k * 8 / song.phraseBars - 2;
    if (!ctx.chords.entries.empty()) song.lastChord = ctx.chords.entries.back();
    if (const auto voicing = arrange::CompingVoicingOf(ctx.activeStyle.comping);
        arrange::AddsTensions(voicing) && song.lastChord.root != 0) {
        const std::vector<arrange::PatternChord> own =
            compingChords.empty() ? arrange::VoiceChordsForComping(arrange::GeneratorChords(ctx), voicing)
                                  : std::vector<arrange::PatternChord>{};
        const arrange::PatternChord& last = compingChords.empty() ? own.back() : compingChords.back();
        song.endingTones = {song.lastChord.root};
        for (const int tone : last.tones) {
            if (tone > 0) song.endingTones.push_back(tone);
        }
    }
    const int introBars = settings.intro == IntroKind::kCountIn ? 1
                          : settings.intro == IntroKind::kGroove2 ? 2
                          : settings.intro == IntroKind::kGroove4 ? 4
                                                                  : 0;
    song.intro = introBars * bar;
    song.amount = std::clamp(settings.humanize >= 0 ? settings.humanize : StyleHumanizeAmount(ctx.activeStyle), 0, 100);
    const double ticksPerMs = 96000.0 / std::max(1, ctx.activeStyle.tempo);
    song.timingTicks = static_cast<Tick>(kTimingMs * ticksPerMs * song.amount / 100.0);
    const bool triplet = ctx.activeStyle.rhythmFeel == arrange::kTripletFeel;
    // One draw from the engine's generator seeds the humanise, so the same
    // seed gives the same file.
    Random random(static_cast<std::uint32_t>(ctx.random.Next()) * 2654435761u + 1u);

    bool drumsSeen = false;
    // One buffer for every track, with room for the largest and what the
    // phrases and the ending add to it (a fill every phrase on a busy drum
    // track), so that they seldom move the rest and no track outgrows it.
    std::size_t most = 0;
    for (const auto& track : ctx.tracks) most = std::max(most, static_cast<std::size_t>(track->EventCount()));
    Events events;
    events.reserve(most + most / 8 + 64);
    arrange::ReserveSortRoom(events.capacity());
    for (auto& track : ctx.tracks) {
        events.clear();
        arrange::TakeTimedEvents(*track, events);
        bool hasDrums = false;
        for (TimedEvent& t : events) {
            // The set-up at tick 0 stays; everything else moves behind the intro.
            const bool setUp = t.time == 0 && t.event.Kind != midi::kKindNote && !t.event.IsMeta(midi::kMetaMarker);
            if (!setUp) t.time += song.intro;
            if (IsNote(t)) {
                t.event.Velocity = ShapeVelocity(song, t.event, t.time - song.intro);
                if (t.event.Channel == arrange::kDrumChannel) hasDrums = true;
            }
        }
        drumsSeen = drumsSeen || hasDrums;
        if (introBars >= 2) AddGroove(events, song, introBars);
        if (settings.intro == IntroKind::kCountIn && hasDrums) AddCountIn(events, song);
        const std::int64_t origin = song.plan.origin + song.intro;
        const std::int64_t stop = settings.ending ? song.plan.finalBar + song.intro : songEnd + song.intro;
        if (introBars > 0) arrange::SortTimedEvents(events);
        const std::size_t sorted = events.size();
        if (settings.phrases) {
            const std::int64_t step = static_cast<std::int64_t>(song.phraseBars) * bar;
            int number = 0;
            for (std::int64_t p = origin; p < stop; p += step, ++number) {
                if (p > origin) VaryPhraseEnd(events, sorted, p, bar);
                const bool fill = p > origin || introBars >= 2;
                if (hasDrums) MarkPhrase(events, sorted, p, fill, triplet, number, bar);
            }
            if (settings.ending && hasDrums && stop > origin + bar) MarkPhrase(events, sorted, stop, true, triplet, 0, bar);
        }
        if (settings.ending) PlayEnding(events, song);
        Humanize(events, song, random);
        CloseAfterNotes(events);
        arrange::PutTimedEvents(*track, events);
    }
    // The performance was the last edit of the events: the sort's room goes
    // back before the tracks are written (the events' own with this function).
    arrange::ReleaseSortRoom();
    if (settings.intro == IntroKind::kCountIn && !drumsSeen) {
        auto track = std::make_unique<midi::CMidiTrack>(ctx.reporter);
        for (Tick at = 0; at < bar; at += kBeat) {
            track->AddNote(arrange::kDrumChannel, at == 0 ? 0 : kBeat, kSideStick, at == 0 ? 100 : 84, 48);
        }
        track->AddEndOfTrack(kBeat);
        track->State = midi::TrackNotes;
        ctx.tracks.push_back(std::move(track));
    }
}

}  // namespace songloom::compose
