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

VoicedNotes ResolveVoice(const FigureVoice& voice, const PatternChord& chord, const PatternChord* next)
{
    const int s = voice.shift;
    auto with = [&](int note) { return note == 0 ? 0 : note + s; };
    auto one = [](int note) {
        VoicedNotes v;
        v.notes[0] = {note, 0};
        v.count = 1;
        return v;
    };
    auto three = [](VoicedNote a, VoicedNote b, VoicedNote c) { return VoicedNotes{{a, b, c}, 3}; };
    switch (voice.letter) {
    case 'R': return one(with(chord.root));
    case 'B': return one(with(chord.bass));
    case '2': return one(with(chord.second()));
    case '3': return one(with(chord.third()));
    case '4': return one(with(chord.fourth()));
    case 'T': return one(chord.root == 0 ? 0 : chord.root + chord.ThirdInterval() + s);
    case 'F': return one(chord.root == 0 ? 0 : chord.root + chord.FifthInterval() + s);
    case 'S': return one(chord.root == 0 ? 0 : chord.root + chord.SeventhInterval() + s);
    case 'Q': return one(chord.bass == 0 ? 0 : chord.bass + chord.ThirdInterval() + s);
    case 'P': return one(chord.bass == 0 ? 0 : chord.bass + chord.FifthInterval() + s);
    case 'W': return one(chord.bass == 0 ? 0 : chord.bass + chord.SeventhInterval() + s);
    case 'N': return one(with(ApproachNote(chord, next)));
    case 'C': return three({with(chord.second()), 0}, {with(chord.third()), 0}, {with(chord.fourth()), 0});
    case 'D': return three({with(chord.fourth()), 0}, {with(chord.third()), 2}, {with(chord.second()), 4});
    case 'U': return three({with(chord.second()), 0}, {with(chord.third()), 2}, {with(chord.fourth()), 4});
    default: return {};
    }
}

Tick SwingOffset(Tick offset)
{
    const Tick beat = offset / kTicksPerBeat * kTicksPerBeat;
    const Tick within = offset - beat;
    return beat + (within < 48 ? within * 4 / 3 : 64 + (within - 48) * 2 / 3);
}

bool FigureFitsBar(const Figure& figure, Tick barLength)
{
    if (barLength <= 0 || figure.cycle <= 0) return true;
    return barLength % figure.cycle == 0 || figure.cycle % barLength == 0;
}

Figure FitFigureToBar(const Figure& figure, Tick barLength)
{
    if (!figure.valid || FigureFitsBar(figure, barLength)) return figure;
    Figure fitted{barLength, {}, true};
    auto place = [&](const FigureOnset& onset, Tick at, Tick room) {
        FigureOnset moved = onset;
        moved.offset = at;
        moved.duration = std::max<Tick>(1, std::min(onset.duration, room));
        fitted.onsets.push_back(std::move(moved));
    };
    constexpr Tick kBar44 = 4 * kTicksPerBeat;
    constexpr Tick kBar34 = 3 * kTicksPerBeat;
    const Tick half = 2 * kTicksPerBeat;
    if (figure.cycle % kBar44 == 0 && barLength < kBar44) {
        // Whole 4/4 bars in 3/4: each bar loses its third beat, so that the
        // fourth still leads into the next bar.
        const Tick bars = figure.cycle / kBar44;
        fitted.cycle = bars * barLength;
        const Tick dropped = kBar44 - barLength;
        for (const FigureOnset& onset : figure.onsets) {
            const Tick bar = onset.offset / kBar44;
            const Tick within = onset.offset % kBar44;
            if (within >= half && within < half + dropped) continue;
            const Tick moved = within < half ? within : within - dropped;
            // A note held into the next bar (a pad) keeps sounding to the cycle's end.
            const bool held = within + onset.duration > kBar44;
            const Tick at = bar * barLength + moved;
            const Tick room = within < half ? half - within : barLength - moved;
            place(onset, at, held ? fitted.cycle - at : room);
        }
    } else if (figure.cycle % kBar34 == 0 && barLength == kBar44) {
        // A 3/4 bar in 4/4: its first half bar twice.
        for (Tick base = 0; base < barLength; base += half) {
            for (const FigureOnset& onset : figure.onsets) {
                if (onset.offset < half) place(onset, base + onset.offset, half - onset.offset);
            }
        }
    } else {
        // Unrolled up to the barline.
        for (Tick base = 0; base < barLength; base += figure.cycle) {
            for (const FigureOnset& onset : figure.onsets) {
                const Tick at = base + onset.offset;
                if (at < barLength) place(onset, at, barLength - at);
            }
        }
    }
    std::stable_sort(fitted.onsets.begin(), fitted.onsets.end(),
                     [](const FigureOnset& a, const FigureOnset& b) { return a.offset < b.offset; });
    fitted.valid = !fitted.onsets.empty();
    return fitted;
}

void PlayFigure(NoteBuffer& out, Tick start, Tick length, const PatternChord& chord, const PatternChord* next,
                const Figure& written, bool swing)
{
    if (!written.valid) return;
    Figure fittedCopy;
    const bool fits = FigureFitsBar(written, out.BarLength());
    if (!fits) fittedCopy = FitFigureToBar(written, out.BarLength());
    const Figure& figure = fits ? written : fittedCopy;
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
    const Figure fitted = FitFigureToBar(figure, out.BarLength());
    Tick t = start;
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const PatternChord* next = k + 1 < chords.size() ? &chords[k + 1] : nullptr;
        PlayFigure(out, t, chords[k].length, chords[k], next, fitted, swing);
        t += chords[k].length;
    }
}

}  // namespace songloom::arrange
