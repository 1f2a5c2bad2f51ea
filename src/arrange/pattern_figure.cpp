#include "arrange/pattern_figure.h"

#include <algorithm>
#include <cctype>

namespace songloom::arrange {

namespace {

// Reads an unsigned decimal number at pos; false when there is none.
bool ReadNumber(std::string_view text, std::size_t& pos, int& value)
{
    const std::size_t begin = pos;
    value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > begin;
}

bool ParseOnset(std::string_view token, FigureOnset& onset)
{
    std::size_t pos = 0;
    int value = 0;
    if (!ReadNumber(token, pos, value) || pos >= token.size() || token[pos] != ':') return false;
    onset.offset = value;
    ++pos;
    constexpr std::string_view kLetters = "RB234TFSQPWNCDU";
    while (true) {
        if (pos >= token.size() || kLetters.find(token[pos]) == std::string_view::npos) return false;
        FigureVoice voice{token[pos], 0};
        ++pos;
        if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) {
            const int sign = token[pos] == '-' ? -1 : 1;
            ++pos;
            if (!ReadNumber(token, pos, value)) return false;
            voice.shift = sign * value;
        }
        onset.voices.push_back(voice);
        if (pos < token.size() && token[pos] == ',') {
            ++pos;
            continue;
        }
        break;
    }
    if (pos >= token.size() || token[pos] != '/') return false;
    ++pos;
    if (!ReadNumber(token, pos, value)) return false;
    onset.duration = value;
    if (pos < token.size() && token[pos] == '!') {
        ++pos;
        if (!ReadNumber(token, pos, value)) return false;
        onset.velocity = value;
    }
    return pos == token.size();
}

int ApproachNote(const PatternChord& chord, const PatternChord* next)
{
    if (next == nullptr || next->bass == 0) return chord.bass;
    return next->bass >= chord.bass ? next->bass - 1 : next->bass + 1;
}

}  // namespace

Figure ParseFigure(Tick cycle, std::string_view text)
{
    Figure figure;
    figure.cycle = cycle;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == ' ') ++pos;
        if (pos >= text.size()) break;
        std::size_t end = text.find(' ', pos);
        if (end == std::string_view::npos) end = text.size();
        FigureOnset onset;
        if (!ParseOnset(text.substr(pos, end - pos), onset)) return Figure{cycle, {}, false};
        figure.onsets.push_back(std::move(onset));
        pos = end;
    }
    figure.valid = cycle > 0 && !figure.onsets.empty();
    return figure;
}

std::vector<VoicedNote> ResolveVoice(const FigureVoice& voice, const PatternChord& chord, const PatternChord* next)
{
    const int s = voice.shift;
    auto with = [&](int note) { return note == 0 ? 0 : note + s; };
    switch (voice.letter) {
    case 'R': return {{with(chord.root), 0}};
    case 'B': return {{with(chord.bass), 0}};
    case '2': return {{with(chord.second()), 0}};
    case '3': return {{with(chord.third()), 0}};
    case '4': return {{with(chord.fourth()), 0}};
    case 'T': return {{chord.root == 0 ? 0 : chord.root + chord.ThirdInterval() + s, 0}};
    case 'F': return {{chord.root == 0 ? 0 : chord.root + chord.FifthInterval() + s, 0}};
    case 'S': return {{chord.root == 0 ? 0 : chord.root + chord.SeventhInterval() + s, 0}};
    case 'Q': return {{chord.bass == 0 ? 0 : chord.bass + chord.ThirdInterval() + s, 0}};
    case 'P': return {{chord.bass == 0 ? 0 : chord.bass + chord.FifthInterval() + s, 0}};
    case 'W': return {{chord.bass == 0 ? 0 : chord.bass + chord.SeventhInterval() + s, 0}};
    case 'N': return {{with(ApproachNote(chord, next)), 0}};
    case 'C': return {{with(chord.second()), 0}, {with(chord.third()), 0}, {with(chord.fourth()), 0}};
    case 'D': return {{with(chord.fourth()), 0}, {with(chord.third()), 2}, {with(chord.second()), 4}};
    case 'U': return {{with(chord.second()), 0}, {with(chord.third()), 2}, {with(chord.fourth()), 4}};
    default: return {};
    }
}

Tick SwingOffset(Tick offset)
{
    const Tick beat = offset / kTicksPerBeat * kTicksPerBeat;
    const Tick within = offset - beat;
    return beat + (within < 48 ? within * 4 / 3 : 64 + (within - 48) * 2 / 3);
}

void PlayFigure(NoteBuffer& out, Tick start, Tick length, const PatternChord& chord, const PatternChord* next,
                const Figure& figure, bool swing)
{
    if (!figure.valid) return;
    for (Tick base = 0; base < length; base += figure.cycle) {
        for (const FigureOnset& onset : figure.onsets) {
            Tick at = base + onset.offset;
            Tick duration = onset.duration;
            if (swing) {
                const Tick swung = SwingOffset(at);
                // Keep the note inside its part of the beat: the long first
                // part of a triplet beat is 64 ticks, the short one 32.
                const Tick within = at % kTicksPerBeat;
                duration = within < 48 ? duration * 4 / 3 : duration * 2 / 3;
                at = swung;
            }
            if (at >= length) continue;
            for (const FigureVoice& voice : onset.voices) {
                for (const VoicedNote& v : ResolveVoice(voice, chord, next)) {
                    const Tick noteAt = at + v.delay;
                    if (noteAt >= length) continue;
                    const Tick d = std::min(duration - v.delay, length - noteAt - 2);
                    out.Note(start + noteAt, v.note, onset.velocity, std::max<Tick>(d, 1));
                }
            }
        }
    }
}

void PlayFigureOverChords(NoteBuffer& out, Tick start, std::span<const PatternChord> chords, const Figure& figure,
                          bool swing)
{
    Tick t = start;
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const PatternChord* next = k + 1 < chords.size() ? &chords[k + 1] : nullptr;
        PlayFigure(out, t, chords[k].length, chords[k], next, figure, swing);
        t += chords[k].length;
    }
}

}  // namespace songloom::arrange
