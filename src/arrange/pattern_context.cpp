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

std::vector<PlacedNote> NoteBuffer::Ordered() const
{
    std::vector<PlacedNote> ordered = notes_;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const PlacedNote& a, const PlacedNote& b) { return a.at < b.at; });
    return ordered;
}

std::vector<PlacedNote> NoteBuffer::Sounding() const
{
    std::vector<PlacedNote> sounding;
    for (const PlacedNote& n : Ordered()) {
        if (n.velocity > 0 && n.note >= 13 && n.note <= 127) sounding.push_back(n);
    }
    return sounding;
}

void PatternContext::Error(std::uint32_t code) { EngineErrorMsg(reporter, code); }

void SetDefaultGridLabels(PatternContext& context)
{
    static constexpr std::array<std::int32_t, kGridRows> kDrumLabels{0, 1, 3, 4, 5, 7, 9, 10, 11, 14, 15, 16, 19, 24};
    for (int g : {0, 1, 3}) {
        for (int r = 0; r < kGridRows; ++r) context.grids[static_cast<std::size_t>(g)].labels[static_cast<std::size_t>(r)] = 5 + r;
    }
    context.grids[2].labels = kDrumLabels;
}

Tick TotalLength(std::span<const PatternChord> chords)
{
    Tick total = 0;
    for (const PatternChord& c : chords) total += c.length;
    return total;
}

}  // namespace songloom::arrange
