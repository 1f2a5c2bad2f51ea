#include "arrange/second_line.h"
#include "common/pitch.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "harmony/chord_code.h"

namespace songloom::arrange {

namespace {

constexpr std::array<int, 7> kMajorSteps = {0, 2, 4, 5, 7, 9, 11};
constexpr Tick kLongestNote = 384;
constexpr int kDeepestBelowTune = 15;

bool InScale(int note, int tonic)
{
    const int degree = PitchClass(note - tonic);
    return std::find(kMajorSteps.begin(), kMajorSteps.end(), degree) != kMajorSteps.end();
}

// The scale note `steps` scale degrees below a note of the scale.
int ScaleStepsBelow(int note, int tonic, int steps)
{
    int n = note;
    for (int s = 0; s < steps; ++s) {
        do {
            --n;
        } while (!InScale(n, tonic));
    }
    return n;
}

// Appends notes, joining a note to the one before when both have the same
// pitch and no chord entry lies between (up to the longest engine note).
class LineWriter {
public:
    LineWriter(Reporter& reporter, NoteList& out) : reporter_(reporter), out_(out) {}
    void Chord(const EngineNote& chord)
    {
        Flush();
        out_.Append(reporter_, chord);
    }
    void Note(Tick length, int pitch, bool join)
    {
        if (join && pending_.length > 0 && pending_.pitch == pitch && pending_.length + length <= kLongestNote) {
            pending_.length += length;
            return;
        }
        Flush();
        pending_ = EngineNote::Note(length, pitch);
    }
    void Flush()
    {
        if (pending_.length > 0) out_.Append(reporter_, pending_);
        pending_ = EngineNote{};
        pending_.length = 0;
    }

private:
    Reporter& reporter_;
    NoteList& out_;
    EngineNote pending_ = EngineNote::Note(0, 0);
};

// The chord tone for the counter-line: at least a minor third under the
// tune, within [low, high], nearest to the line's previous note (a held
// common tone first).
int CounterTone(const std::array<bool, 12>& tones, int under, int previous, int low, int high)
{
    int best = -1;
    for (int n = std::min(high, under - 3); n >= low; --n) {
        if (!tones[static_cast<std::size_t>(PitchClass(n))]) continue;
        if (best < 0 || std::abs(n - previous) < std::abs(best - previous)) best = n;
    }
    if (best >= 0) return best;
    // The tune lies too low for the register: the chord tone just under it.
    for (int n = under - 3; n > 12; --n) {
        if (tones[static_cast<std::size_t>(PitchClass(n))]) return n;
    }
    return under - 12;
}

}  // namespace

std::array<bool, 12> ChordTonesOf(harmony::ChordCode code)
{
    std::array<bool, 12> tones{};
    const int root = harmony::RootPitchClass(code.root());
    if (root < 0 || code.root() == 'N') return tones;
    auto add = [&](int interval) { tones[static_cast<std::size_t>((root + interval) % 12)] = true; };
    add(0);
    switch (code.third()) {
    case 'm': add(3); break;
    case 'M': add(4); break;
    case '4': add(5); break;
    default: break;
    }
    switch (code.fifth()) {
    case 'P': add(7); break;
    case 'd': add(6); break;
    case 'A': add(8); break;
    default: break;
    }
    switch (code.seventh()) {
    case 's': add(10); break;
    case 'S': add(11); break;
    case '6': add(9); break;
    case '9': add(2); break;
    default: break;
    }
    return tones;
}

std::vector<LineChord> LineChords(const harmony::ChordList& chords)
{
    std::vector<LineChord> line;
    line.reserve(chords.entries.size());
    for (const harmony::ChordEntry& e : chords.entries) line.push_back({e.length, ChordTonesOf(e.code)});
    return line;
}

int EstimateKeyTonic(const NoteList& melody)
{
    std::array<std::int64_t, 12> time{};
    int last = -1;
    for (const EngineNote& e : melody) {
        if (e.IsChord() || e.IsRest()) continue;
        time[static_cast<std::size_t>(PitchClass(e.pitch))] += e.length;
        last = PitchClass(e.pitch);
    }
    int best = 0;
    std::int64_t bestTime = -1;
    for (int tonic = 0; tonic < 12; ++tonic) {
        std::int64_t inScale = 0;
        for (const int step : kMajorSteps) inScale += time[static_cast<std::size_t>((tonic + step) % 12)];
        // A minor key shares its notes with its relative major; the last note
        // (the key note of most tunes) breaks the tie between neighbours.
        if (inScale > bestTime || (inScale == bestTime && (tonic == last || (tonic + 9) % 12 == last))) {
            bestTime = inScale;
            best = tonic;
        }
    }
    return best;
}

int HarmonyBelow(int pitch, int tonic, const std::array<bool, 12>& chordTones)
{
    auto tone = [&](int n) { return chordTones[static_cast<std::size_t>(PitchClass(n))]; };
    if (!InScale(pitch, tonic)) {
        for (int n = pitch - 3; n > pitch - 12; --n) {
            if (tone(n)) return n;
        }
        return pitch - 12;
    }
    const int third = ScaleStepsBelow(pitch, tonic, 2);
    const int sixth = ScaleStepsBelow(pitch, tonic, 5);
    const bool anyChord = std::any_of(chordTones.begin(), chordTones.end(), [](bool b) { return b; });
    if (!anyChord || tone(third) || !tone(sixth)) return third;
    return sixth;
}

NoteList MakeSecondLine(Reporter& reporter, const NoteList& melody, std::span<const LineChord> chords,
                        SecondLineMode mode, int low, int high)
{
    NoteList out;
    if (mode == SecondLineMode::kUnison) {
        for (const EngineNote& e : melody) out.Append(reporter, e);
        return out;
    }
    const int tonic = EstimateKeyTonic(melody);
    int lowestTune = 127;
    for (const EngineNote& e : melody) {
        if (!e.IsChord() && !e.IsRest()) lowestTune = std::min(lowestTune, e.pitch);
    }
    // Neither line goes more than a tenth under the tune's lowest note.
    low = std::max(low, lowestTune - kDeepestBelowTune);
    high = std::max(high, low + 12);
    // The drone: the key note under the whole tune.
    int drone = lowestTune - 3;
    while (PitchClass(drone) != tonic) --drone;
    if (drone < low) drone += 12;

    LineWriter writer(reporter, out);
    std::size_t chord = 0;          // the chord sounding at the note's start
    std::int64_t chordEnd = chords.empty() ? INT64_MAX : chords[0].length;
    std::size_t lastChord = SIZE_MAX;
    std::int64_t at = 0;
    int counter = (low + high) / 2;
    int tune = counter + 7;
    const std::array<bool, 12> none{};
    for (const EngineNote& e : melody) {
        if (e.IsChord()) {
            writer.Chord(e);
            continue;
        }
        while (chord + 1 < chords.size() && at >= chordEnd) chordEnd += chords[++chord].length;
        const std::array<bool, 12>& tones = chord < chords.size() ? chords[chord].tones : none;
        const bool chordChanged = chord != lastChord;
        lastChord = chord;
        at += e.length;
        const bool rest = e.IsRest();
        if (!rest) tune = e.pitch;
        switch (mode) {
        case SecondLineMode::kHarmony:
            writer.Note(e.length, rest ? e.pitch : HarmonyBelow(e.pitch, tonic, tones), false);
            break;
        case SecondLineMode::kOctaveBelow:
        case SecondLineMode::kOctaveAbove:
            writer.Note(e.length, rest ? e.pitch : e.pitch + (mode == SecondLineMode::kOctaveBelow ? -12 : 12), false);
            break;
        case SecondLineMode::kDrone:
            writer.Note(e.length, drone, !chordChanged);
            break;
        case SecondLineMode::kCounterLine:
        default: {
            // A new tone with every chord and wherever the tune comes down
            // onto the line; otherwise the line holds through the tune's
            // rests and quick notes.
            const bool anyChord = std::any_of(tones.begin(), tones.end(), [](bool b) { return b; });
            bool moved = false;
            if (anyChord && (chordChanged || tune - counter < 3)) {
                const int next = CounterTone(tones, tune, counter, low, high);
                moved = next != counter || chordChanged;
                counter = next;
            }
            writer.Note(e.length, counter, !moved);
            break;
        }
        }
    }
    writer.Flush();
    return out;
}

}  // namespace songloom::arrange
