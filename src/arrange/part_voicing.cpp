#include "arrange/part_voicing.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "midi/midi_track.h"

namespace songloom::arrange {

namespace {

// Written ranges of real players and instruments, sounding pitch. Synthetic
// voices (leads, pads, effects) get the keyboard's comfortable span.
constexpr std::array<NoteRange, 128> MakeRanges()
{
    std::array<NoteRange, 128> r{};
    auto set = [&r](int from, int to, NoteRange range) {
        for (int p = from; p <= to; ++p) r[static_cast<std::size_t>(p)] = range;
    };
    set(0, 5, {21, 108});    // pianos, electric pianos
    set(6, 6, {29, 89});     // harpsichord
    set(7, 7, {36, 96});     // clavinet
    set(8, 8, {60, 108});    // celesta
    set(9, 9, {77, 108});    // glockenspiel
    set(10, 10, {60, 96});   // music box
    set(11, 11, {53, 89});   // vibraphone
    set(12, 12, {45, 96});   // marimba
    set(13, 13, {65, 108});  // xylophone
    set(14, 14, {60, 77});   // tubular bells
    set(15, 15, {48, 84});   // dulcimer
    set(16, 18, {36, 96});   // drawbar, percussive, rock organ
    set(19, 19, {24, 108});  // church organ with pedals
    set(20, 21, {41, 89});   // reed organ, accordion
    set(22, 22, {60, 84});   // harmonica
    set(23, 23, {41, 89});   // bandoneon
    set(24, 24, {40, 83});   // nylon guitar
    set(25, 30, {40, 86});   // steel, jazz, clean, muted, overdriven, distortion guitars
    set(31, 31, {52, 88});   // guitar harmonics
    set(32, 37, {28, 67});   // basses
    set(38, 39, {28, 72});   // synth basses
    set(40, 40, {55, 103});  // violin
    set(41, 41, {48, 91});   // viola
    set(42, 42, {36, 81});   // cello
    set(43, 43, {28, 67});   // contrabass
    set(44, 45, {28, 96});   // tremolo and pizzicato strings
    set(46, 46, {24, 103});  // harp
    set(47, 47, {40, 57});   // timpani
    set(48, 51, {28, 96});   // string ensembles
    set(52, 54, {40, 81});   // choirs, voices
    set(55, 55, {36, 84});   // orchestra hit
    set(56, 56, {54, 86});   // trumpet
    set(57, 57, {40, 72});   // trombone
    set(58, 58, {28, 58});   // tuba
    set(59, 59, {54, 82});   // muted trumpet
    set(60, 60, {34, 77});   // French horn
    set(61, 61, {34, 84});   // brass section
    set(62, 63, {36, 96});   // synth brass
    set(64, 64, {56, 88});   // soprano sax
    set(65, 65, {49, 81});   // alto sax
    set(66, 66, {44, 76});   // tenor sax
    set(67, 67, {36, 69});   // baritone sax
    set(68, 68, {58, 91});   // oboe
    set(69, 69, {52, 81});   // English horn
    set(70, 70, {34, 75});   // bassoon
    set(71, 71, {50, 94});   // clarinet
    set(72, 72, {74, 108});  // piccolo
    set(73, 75, {60, 96});   // flute, recorder, pan flute
    set(76, 76, {60, 84});   // blown bottle
    set(77, 77, {55, 86});   // shakuhachi
    set(78, 78, {60, 96});   // whistle
    set(79, 79, {60, 84});   // ocarina
    set(80, 103, {36, 96});  // synth leads, pads, effects
    set(104, 104, {48, 84});  // sitar
    set(105, 105, {48, 84});  // banjo
    set(106, 106, {50, 84});  // shamisen
    set(107, 107, {48, 91});  // koto
    set(108, 108, {60, 88});  // kalimba
    set(109, 109, {55, 81});  // bagpipe chanter
    set(110, 110, {55, 96});  // fiddle
    set(111, 111, {60, 84});  // shanai
    set(112, 112, {72, 96});  // tinkle bell
    set(113, 115, {52, 84});  // agogo, steel drums, woodblock
    set(116, 116, {36, 60});  // taiko
    set(117, 118, {36, 72});  // melodic tom, synth drum
    set(119, 127, {24, 108});  // reverse cymbal and sound effects
    return r;
}

constexpr std::array<NoteRange, 128> kRanges = MakeRanges();

int FoldNote(int note, NoteRange range)
{
    while (note < range.low && note + 12 <= 127) note += 12;
    while (note > range.high && note - 12 >= 0) note -= 12;
    return note;
}

struct TimedNote {
    std::int64_t at;
    std::int32_t index;
};

std::vector<TimedNote> TimedNotes(const midi::CMidiTrack& track)
{
    std::vector<TimedNote> notes;
    std::int64_t time = 0;
    for (std::int32_t i = 0; i < track.EventCount(); ++i) {
        const midi::CMidiEvent& e = track.Event(i);
        time += e.DeltaTime;
        if (e.Kind == midi::kKindNote && e.Velocity > 0 && e.Note > 0) notes.push_back({time, i});
    }
    return notes;
}

}  // namespace

NoteRange ProgramRange(int program)
{
    if (program < 0 || program > 127) return {};
    return kRanges[static_cast<std::size_t>(program)];
}

MelodyCeiling::MelodyCeiling(std::vector<Note> notes)
{
    // Sweep over the note boundaries, counting the notes of each pitch that
    // sound. Every change at a tick is made before the span after it starts,
    // so the order within a tick does not matter.
    struct Edge {
        std::int64_t at;
        int pitch;
    };
    std::vector<Edge> starts;
    std::vector<Edge> ends;
    starts.reserve(notes.size());
    ends.reserve(notes.size());
    for (const Note& n : notes) {
        if (n.to <= n.from || n.pitch < 0 || n.pitch > 127) continue;
        starts.push_back({n.from, n.pitch});
        ends.push_back({n.to, n.pitch});
    }
    // A melody comes in time order: its starts need no sorting, its ends
    // seldom.
    auto inTimeOrder = [](std::vector<Edge>& edges) {
        auto earlier = [](const Edge& a, const Edge& b) { return a.at < b.at; };
        if (!std::is_sorted(edges.begin(), edges.end(), earlier)) std::sort(edges.begin(), edges.end(), earlier);
    };
    inTimeOrder(starts);
    inTimeOrder(ends);
    std::array<int, 128> sounding{};
    int top = -1;  // no pitch above it sounds
    std::size_t s = 0;
    std::size_t e = 0;
    // Every note ends after it starts, so the last boundary is an end.
    while (e < ends.size()) {
        const std::int64_t at = s < starts.size() ? std::min(starts[s].at, ends[e].at) : ends[e].at;
        for (; s < starts.size() && starts[s].at == at; ++s) {
            ++sounding[static_cast<std::size_t>(starts[s].pitch)];
            top = std::max(top, starts[s].pitch);
        }
        for (; e < ends.size() && ends[e].at == at; ++e) --sounding[static_cast<std::size_t>(ends[e].pitch)];
        while (top >= 0 && sounding[static_cast<std::size_t>(top)] == 0) --top;
        if (e < ends.size() && top >= 0) {
            const std::int64_t next = s < starts.size() ? std::min(starts[s].at, ends[e].at) : ends[e].at;
            if (!spans_.empty() && spans_.back().to == at && spans_.back().top == top) {
                spans_.back().to = next;
            } else {
                spans_.push_back({at, next, top});
            }
        }
    }
}

int MelodyCeiling::Lowest(std::int64_t from, std::int64_t to) const
{
    auto it = std::upper_bound(spans_.begin(), spans_.end(), from,
                               [](std::int64_t t, const Span& s) { return t < s.to; });
    int lowest = -1;
    for (; it != spans_.end() && it->from < to; ++it) lowest = lowest < 0 ? it->top : std::min(lowest, it->top);
    return lowest;
}

std::int64_t MelodyCeiling::TicksAbove(std::int64_t from, std::int64_t to, int pitch) const
{
    auto it = std::upper_bound(spans_.begin(), spans_.end(), from,
                               [](std::int64_t t, const Span& s) { return t < s.to; });
    std::int64_t ticks = 0;
    for (; it != spans_.end() && it->from < to; ++it) {
        if (pitch > it->top) ticks += std::min(to, it->to) - std::max(from, it->from);
    }
    return ticks;
}

void MelodyCeiling::Pieces(std::int64_t from, std::int64_t to, std::vector<Piece>& out) const
{
    auto it = std::upper_bound(spans_.begin(), spans_.end(), from,
                               [](std::int64_t t, const Span& s) { return t < s.to; });
    AppendPieces(spans_, static_cast<std::size_t>(it - spans_.begin()), from, to, out);
}

void MelodyCeiling::Walk::Pieces(std::int64_t from, std::int64_t to, std::vector<Piece>& out)
{
    if (from < lastFrom_) first_ = 0;
    lastFrom_ = from;
    while (first_ < spans_.size() && spans_[first_].to <= from) ++first_;
    AppendPieces(spans_, first_, from, to, out);
}

void MelodyCeiling::AppendPieces(std::span<const Span> spans, std::size_t first, std::int64_t from, std::int64_t to,
                                 std::vector<Piece>& out)
{
    for (std::size_t i = first; i < spans.size() && spans[i].from < to; ++i) {
        out.push_back({spans[i].top, std::min(to, spans[i].to) - std::max(from, spans[i].from)});
    }
}

MelodyCeiling CollectMelody(const std::vector<std::unique_ptr<midi::CMidiTrack>>& tracks, int channel,
                            std::int64_t bridge)
{
    std::vector<MelodyCeiling::Note> notes;
    for (const auto& track : tracks) {
        if (!track) continue;
        std::int64_t time = 0;
        for (const midi::CMidiEvent& e : track->Events()) {
            time += e.DeltaTime;
            if (e.Kind == midi::kKindNote && e.Channel == channel && e.Velocity > 0 && e.Note > 0 && e.Duration > 0) {
                notes.push_back({time, time + e.Duration, e.Note});
            }
        }
    }
    if (bridge > 0) {
        // Notes that start one after another are in order already; where
        // some start together, the sort decides which of them the rest after
        // them extends.
        auto earlier = [](const MelodyCeiling::Note& a, const MelodyCeiling::Note& b) { return a.from < b.from; };
        auto together = [](const MelodyCeiling::Note& a, const MelodyCeiling::Note& b) { return a.from >= b.from; };
        if (std::adjacent_find(notes.begin(), notes.end(), together) != notes.end()) {
            std::sort(notes.begin(), notes.end(), earlier);
        }
        for (std::size_t i = 0; i + 1 < notes.size(); ++i) {
            const std::int64_t next = notes[i + 1].from;
            if (next > notes[i].to && next - notes[i].to <= bridge) notes[i].to = next;
        }
    }
    return MelodyCeiling(std::move(notes));
}

int TrackProgram(const midi::CMidiTrack& track)
{
    for (const midi::CMidiEvent& e : track.Events()) {
        if (e.Kind == midi::kKindProgram) return e.Value;
    }
    return -1;
}

void FoldIntoRange(midi::CMidiTrack& track, NoteRange range)
{
    for (std::int32_t i = 0; i < track.EventCount(); ++i) {
        midi::CMidiEvent& e = track.Event(i);
        if (e.Kind == midi::kKindNote && e.Velocity > 0 && e.Note > 0) e.Note = FoldNote(e.Note, range);
    }
}

void VoiceUnderMelody(midi::CMidiTrack& track, const MelodyCeiling& melody, std::span<const Tick> blocks,
                      NoteRange range, int floor)
{
    if (melody.empty()) {
        FoldIntoRange(track, range);
        return;
    }
    const std::vector<TimedNote> notes = TimedNotes(track);
    // The melody under each note of the block, looked up once: every shift
    // asks again. The buffers serve block after block.
    std::vector<MelodyCeiling::Piece> pieces;
    std::vector<std::size_t> firstPiece;
    MelodyCeiling::Walk walk(melody);
    std::size_t first = 0;  // the block's first note
    // Ticks of note k of the block during which pitch would be above the melody.
    auto ticksAbove = [&](std::size_t k, int pitch) {
        std::int64_t ticks = 0;
        for (std::size_t p = firstPiece[k - first]; p < firstPiece[k - first + 1]; ++p) {
            if (pitch > pieces[p].top) ticks += pieces[p].ticks;
        }
        return ticks;
    };
    // Where a note of the block ends up at a shift (and its ticks above the
    // melody there): in the range, and a voice still over the tune for more
    // than a quarter of its length as many octaves lower as clear it, when
    // the instrument and the floor allow.
    struct Placement {
        int note;
        std::int64_t ticksAbove;
    };
    auto place = [&](std::size_t k, int shift) {
        const midi::CMidiEvent& e = track.Event(notes[k].index);
        auto covers = [&](std::int64_t ticks) { return 4 * ticks > e.Duration; };
        const int note = FoldNote(e.Note + shift, range);
        const std::int64_t above = ticksAbove(k, note);
        if (!covers(above)) return Placement{note, above};
        for (int lower = note - 12; lower >= std::max(range.low, floor); lower -= 12) {
            const std::int64_t lowerAbove = ticksAbove(k, lower);
            if (!covers(lowerAbove)) return Placement{lower, lowerAbove};
        }
        return Placement{note, above};
    };
    // The cost of the block placed at a shift, in note-ticks: time above the
    // melody weighs most, then notes under the floor (or, for a note the
    // pattern wrote there on purpose, a left-hand bass, under its written
    // pitch), then the distance from the written octave and, when the shift
    // is not the previous block's, a third of the block's ticks.
    auto cost = [&](std::span<const Placement> placed, std::int64_t change) {
        std::int64_t total = change;
        for (std::size_t i = 0; i < placed.size(); ++i) {
            const midi::CMidiEvent& e = track.Event(notes[first + i].index);
            const int note = placed[i].note;
            total += 8 * placed[i].ticksAbove;
            const int lowest = std::min<int>(floor, e.Note);
            if (note < lowest) total += std::int64_t{e.Duration} * (lowest - note) * 4;
            total += std::int64_t{e.Duration} * std::abs(note - e.Note) / 48;
        }
        return total;
    };

    int previousShift = 0;
    std::int64_t blockStart = 0;
    std::size_t b = 0;
    // The block at the shift being tried and at the best one so far: every
    // note is placed from its written pitch before any is written.
    std::vector<Placement> trial;
    std::vector<Placement> best;
    while (first < notes.size()) {
        // The block: notes starting before the end of the chord they start under.
        while (b < blocks.size() && blockStart + blocks[b] <= notes[first].at) blockStart += blocks[b++];
        const std::int64_t blockEnd = b < blocks.size() ? blockStart + blocks[b] : INT64_MAX;
        std::size_t last = first;
        while (last < notes.size() && notes[last].at < blockEnd) ++last;
        pieces.clear();
        firstPiece.clear();
        std::int64_t blockTicks = 0;
        bool lengthsNonNegative = true;
        for (std::size_t k = first; k < last; ++k) {
            const std::int32_t duration = track.Event(notes[k].index).Duration;
            firstPiece.push_back(pieces.size());
            walk.Pieces(notes[k].at, notes[k].at + duration, pieces);
            blockTicks += duration;
            lengthsNonNegative = lengthsNonNegative && duration >= 0;
        }
        firstPiece.push_back(pieces.size());
        // A shift away from the last block's costs the change at least, so
        // it cannot win once a shift costs no more than that: no other part
        // of a cost is below 0 (durations are not).
        const std::int64_t change = blockTicks / 3;
        int bestShift = 0;
        std::int64_t bestCost = INT64_MAX;
        for (const int shift : {0, -12, -24, 12, -36}) {
            if (lengthsNonNegative && shift != previousShift && change >= bestCost) continue;
            trial.clear();
            for (std::size_t k = first; k < last; ++k) trial.push_back(place(k, shift));
            const std::int64_t c = cost(trial, shift != previousShift ? change : 0);
            if (c < bestCost) {
                bestCost = c;
                bestShift = shift;
                std::swap(best, trial);
            }
        }
        previousShift = bestShift;
        for (std::size_t k = first; k < last; ++k) track.Event(notes[k].index).Note = best[k - first].note;
        first = last;
    }
}

}  // namespace songloom::arrange
