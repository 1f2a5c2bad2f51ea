#include "arrange/pattern_context.h"

#include <algorithm>

#include "common/messages.h"

namespace songloom::arrange {

int PatternChord::ThirdInterval() const
{
    switch (code[1]) {
    case 'm': return 3;
    case 'M': return 4;
    case '4': return 5;
    default: return 0;
    }
}

int PatternChord::FifthInterval() const
{
    switch (code[2]) {
    case 'P': return 7;
    case 'd': return 6;
    case 'A': return 8;
    default: return 0;
    }
}

int PatternChord::SeventhInterval() const
{
    switch (code[3]) {
    case 's': return 10;
    case 'S': return 11;
    case '6': return 9;
    case 'o': return 12;
    case '9': return 14;
    default: return 0;
    }
}

PatternChord MakePatternChord(Tick length, std::string_view code, int root, int bass, int third, int fifth,
                              int seventh, std::string_view templateDigits)
{
    PatternChord chord;
    chord.length = length;
    chord.root = root;
    chord.bass = bass;
    chord.tones = {third, fifth, seventh};
    std::sort(chord.tones.begin(), chord.tones.end());
    for (std::size_t i = 0; i < 4 && i < code.size(); ++i) chord.code[i] = code[i];
    if (templateDigits.size() >= 12) {
        for (std::size_t i = 0; i < 12; ++i) {
            const char c = templateDigits[i];
            chord.digits[i] = static_cast<std::uint8_t>(c >= '0' && c <= '9' ? c - '0' : 0);
        }
    }
    return chord;
}

namespace {

// By start time, ties in writing order. Most routines write in time order
// already, and their buffers need no sorting at all.
void SortByStart(std::vector<PlacedNote>& notes)
{
    auto earlier = [](const PlacedNote& a, const PlacedNote& b) { return a.at < b.at; };
    if (!std::is_sorted(notes.begin(), notes.end(), earlier)) std::stable_sort(notes.begin(), notes.end(), earlier);
}

}  // namespace

std::vector<PlacedNote> NoteBuffer::Ordered() const
{
    std::vector<PlacedNote> ordered = notes_;
    SortByStart(ordered);
    return ordered;
}

void NoteBuffer::Order() { SortByStart(notes_); }

std::vector<PlacedNote> NoteBuffer::Sounding() const
{
    std::vector<PlacedNote> sounding;
    for (const PlacedNote& n : Ordered()) {
        if (n.velocity > 0 && n.note >= 13 && n.note <= 127) sounding.push_back(n);
    }
    return sounding;
}

bool PatternContext::SeedStarts(Tick from, Tick span) const
{
    constexpr Tick kSeedStep = 12;
    if (!HasRhythmSeed()) return from % kTicksPerBeat == 0;
    for (Tick t = from / kSeedStep * kSeedStep; t < from + span; t += kSeedStep) {
        if (t >= from && rhythmSeed[static_cast<std::size_t>(t / kSeedStep % kRhythmSeedSteps)] != 0) return true;
    }
    return false;
}

void PatternContext::SeedOnsets(Tick from, Tick length, Tick step, std::vector<Tick>& onsets) const
{
    onsets.clear();
    for (Tick pos = 0; pos < length; pos += step) {
        if (pos == 0 || SeedStarts(from + pos, step)) onsets.push_back(pos);
    }
}

void PatternContext::Error(std::uint32_t code) { EngineErrorMsg(reporter, code); }

void SetDefaultGridLabels(PatternContext& context)
{
    for (int g : {0, 1, 3, 4, 5}) context.grids.grids[static_cast<std::size_t>(g)].rowLabels = kVoiceRowLabels;
    context.grids.grids[kGridDrums].rowLabels = kDrumRowLabels;
}

void CopyStyleValues(PatternContext& context, const StyleRecord& style)
{
    context.meter = style.meter;
    context.rhythmFeel = style.rhythmFeel;
    context.accompanimentPattern = style.accompanimentPattern;
    context.bassPlays = style.channelInstrument[kBassChannel] != kNoInstrument;
    context.drumPattern = style.drumPattern;
    context.drumVariation = style.drumVariation;
    context.drumKit = style.channelInstrument[kDrumChannel];
    context.genreBass = style.genreBass;
    context.grids = style.grids;
    context.rhythmSeed = style.rhythmSeed;
}

Tick TotalLength(std::span<const PatternChord> chords)
{
    Tick total = 0;
    for (const PatternChord& c : chords) total += c.length;
    return total;
}

}  // namespace songloom::arrange
