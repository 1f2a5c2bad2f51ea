#include "pattern_test_song.h"

#include <string>

namespace songloom::test {

using arrange::PatternChord;
using arrange::Tick;

namespace {

int RootOf(char c)
{
    constexpr std::string_view kRoots = "CdDeEFgGaAbB";
    const auto pos = kRoots.find(c);
    return pos == std::string_view::npos ? 0 : 60 + static_cast<int>(pos);
}

int InRange(int note)
{
    while (note < 60) note += 12;
    while (note > 83) note -= 12;
    return note;
}

}  // namespace

PatternChord SongChord(std::string_view code, Tick length, char section)
{
    PatternChord probe;
    for (std::size_t i = 0; i < 4; ++i) probe.code[i] = code[i];
    const int root = RootOf(code[0]);
    const int third = InRange(root + probe.ThirdInterval());
    const int fifth = root + probe.FifthInterval();
    const int seventh = InRange(root + probe.SeventhInterval());
    std::string digits(12, '0');
    for (int interval : {0, probe.ThirdInterval(), probe.FifthInterval(), probe.SeventhInterval()})
        digits[static_cast<std::size_t>((root + interval) % 12)] = '9';
    PatternChord chord = arrange::MakePatternChord(length, code, root, root - 24, third, fifth, seventh, digits);
    chord.section = section;
    return chord;
}

std::vector<PatternChord> TestSong()
{
    return {
        SongChord("CMPo", 384),      SongChord("AmPs", 384),      SongChord("FMPS", 192),
        SongChord("GMPs", 192),      SongChord("EmPo", 96),       SongChord("AmPo", 96),
        SongChord("DmPs", 192),      SongChord("FMPo", 384, 'B'), SongChord("GMPs", 384, 'B'),
        SongChord("eMPo", 768, 'B'), SongChord("CMPo", 384, 'B'),
    };
}

TestContext::TestContext(std::uint32_t seed) : random(seed), context(random, reporter)
{
    arrange::SetDefaultGridLabels(context);
}

std::string Signature(const arrange::NoteBuffer& out)
{
    std::string text;
    for (const arrange::PlacedNote& n : out.Sounding()) {
        text += std::to_string(n.at) + ':' + std::to_string(n.note) + ':' + std::to_string(n.velocity) + ':' +
                std::to_string(n.duration) + ' ';
    }
    return text;
}

bool OnChordTone(const std::vector<PatternChord>& chords, Tick at, int note)
{
    Tick start = 0;
    for (const PatternChord& c : chords) {
        if (at < start + c.length) {
            const int pc = ((note - c.root) % 12 + 12) % 12;
            return pc == 0 || pc == c.ThirdInterval() || pc == c.FifthInterval() || pc == c.SeventhInterval() % 12;
        }
        start += c.length;
    }
    return false;
}

}  // namespace songloom::test
