#include "harmony/song_text.h"

#include <charconv>
#include <sstream>
#include <vector>

#include "common/text.h"
#include "song/song_tables.h"

namespace songloom::harmony {
namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Words(std::string_view s)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        std::size_t j = i;
        if (j < s.size() && s[j] == '(') {
            while (j < s.size() && s[j] != ')') ++j;
            if (j < s.size()) ++j;
        } else {
            while (j < s.size() && s[j] != ' ' && s[j] != '\t') ++j;
        }
        if (j > i) out.push_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

bool ToInt(std::string_view s, int& out)
{
    s = Trim(s);
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc{} && p == s.data() + s.size();
}

// Length in sixteenths of a value name; 0 when unknown.
int Sixteenths(std::string_view value)
{
    constexpr std::pair<std::string_view, int> kValues[] = {
        {"s", 1}, {"e", 2}, {"e.", 3}, {"q", 4}, {"q.", 6}, {"h", 8}, {"h.", 12}, {"w", 16},
    };
    for (const auto& [name, n] : kValues) {
        if (name == value) return n;
    }
    return 0;
}

// A chord cell as the song's palette writes it: a bare root gets the blank
// that stands for the major triad.
std::string CellName(std::string_view chord)
{
    std::string name(chord);
    if (song::ChordRootIndex(name) >= 0 && song::ChordRootLength(name) == name.size()) name += ' ';
    return name;
}

struct Bar {
    std::vector<std::string> chords;
    std::vector<std::array<std::int32_t, 3>> slots;  // cells per eighth slot
};

std::string Fault(int line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

// Fills the bar's slots from the melody words; an error text, or empty.
std::string ParseMelody(std::string_view melody, int beats, Bar& bar)
{
    const int sixteenthsInBar = beats * 4;
    std::vector<std::int32_t> cells;  // one per sixteenth; -2 holds
    std::vector<std::pair<std::size_t, std::array<std::int32_t, 3>>> triplets;
    for (const auto word : Words(melody)) {
        if (word.front() == '(') {
            const auto inner = Words(word.substr(1, word.size() - 2));
            if (inner.size() != 3) return "a triplet takes three notes: " + std::string(word);
            if (cells.size() % 2 != 0) return "a triplet must start on an eighth";
            std::array<std::int32_t, 3> t{};
            for (std::size_t k = 0; k < 3; ++k) {
                t[k] = inner[k] == "r" ? song::kRest : NoteNumberOfName(inner[k]);
                if (t[k] == -1 && inner[k] != "r") return "unknown note " + std::string(inner[k]);
            }
            triplets.emplace_back(cells.size() / 2, t);
            cells.push_back(song::kHold);
            cells.push_back(song::kHold);
            continue;
        }
        const auto slash = word.find('/');
        if (slash == std::string_view::npos) return "expected NOTE/VALUE: " + std::string(word);
        const auto noteName = word.substr(0, slash);
        const int length = Sixteenths(word.substr(slash + 1));
        if (length == 0) return "unknown note value " + std::string(word.substr(slash + 1));
        const int pitch = noteName == "r" ? song::kRest : NoteNumberOfName(noteName);
        if (pitch == -1 && noteName != "r") return "unknown note " + std::string(noteName);
        cells.push_back(pitch);
        for (int k = 1; k < length; ++k) cells.push_back(song::kHold);
    }
    if (static_cast<int>(cells.size()) != sixteenthsInBar) {
        return "the melody fills " + std::to_string(cells.size()) + " sixteenths of " +
               std::to_string(sixteenthsInBar);
    }
    bar.slots.clear();
    for (std::size_t s = 0; s < cells.size() / 2; ++s) {
        bar.slots.push_back({cells[2 * s], cells[2 * s + 1], song::kNotTriplet});
    }
    for (const auto& [slot, t] : triplets) bar.slots[slot] = t;
    return {};
}

}  // namespace

int NoteNumberOfName(std::string_view name)
{
    if (name.size() < 2) return -1;
    constexpr int kLetters[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name[0] < 'A' || name[0] > 'G') return -1;
    int pc = kLetters[name[0] - 'A'];
    std::size_t i = 1;
    if (name[i] == '#') {
        ++pc;
        ++i;
    } else if (name[i] == 'b') {
        --pc;
        ++i;
    }
    int octave = 0;
    if (!ToInt(name.substr(i), octave)) return -1;
    const int note = (octave + 1) * 12 + pc;
    return note >= 0 && note <= 127 ? note : -1;
}

SongTextResult ParseSongText(Reporter& reporter, std::string_view text, song::SongData& song)
{
    SongTextResult result;
    int beats = 4;
    int key = 0;
    int tempo = 120;
    int category = 0;
    int slot = 1;
    int instrument = 0;
    std::string title;
    std::string composer;
    std::vector<Bar> bars;
    std::vector<std::pair<int, std::string>> barLines;

    std::istringstream in{std::string(text)};
    std::string raw;
    int lineNumber = 0;
    while (std::getline(in, raw)) {
        ++lineNumber;
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#') continue;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) {
            result.error = Fault(lineNumber, "expected NAME: VALUE");
            return result;
        }
        const auto name = Trim(line.substr(0, colon));
        const auto value = Trim(line.substr(colon + 1));
        bool ok = true;
        if (name == "title") {
            title = Utf8ToCp932(value);
        } else if (name == "composer") {
            composer = Utf8ToCp932(value);
        } else if (name == "beats") {
            ok = ToInt(value, beats) && (beats == 3 || beats == 4);
        } else if (name == "key") {
            ok = false;
            for (int k = 0; k < song::kKeyCount; ++k) {
                if (song::KeyTable[static_cast<std::size_t>(k)].name == value) {
                    key = k;
                    ok = true;
                }
            }
        } else if (name == "tempo") {
            ok = ToInt(value, tempo) && tempo > 0 && tempo < 1000;
        } else if (name == "style") {
            const auto w = Words(value);
            ok = w.size() == 2 && ToInt(w[0], category) && ToInt(w[1], slot);
        } else if (name == "instrument") {
            ok = ToInt(value, instrument) && instrument >= 0 && instrument <= 151;
        } else if (name == "bar") {
            barLines.emplace_back(lineNumber, std::string(value));
        } else {
            ok = false;
        }
        if (!ok) {
            result.error = Fault(lineNumber, "bad " + std::string(name) + ": " + std::string(value));
            return result;
        }
    }
    if (barLines.empty() || barLines.size() > static_cast<std::size_t>(song::MaxBars)) {
        result.error = "the song needs 1 to 256 bars";
        return result;
    }

    std::string previous = song::KeyNameOf(key);
    for (const auto& [number, barText] : barLines) {
        const std::string_view value = barText;
        const auto bar = value.find('|');
        if (bar == std::string_view::npos) {
            result.error = Fault(number, "expected CHORDS | MELODY");
            return result;
        }
        Bar b;
        const auto chords = Words(value.substr(0, bar));
        if (static_cast<int>(chords.size()) != beats) {
            result.error = Fault(number, "one chord a beat is needed");
            return result;
        }
        for (const auto chord : chords) {
            if (chord != ".") previous = CellName(chord);
            b.chords.push_back(previous);
        }
        if (auto error = ParseMelody(value.substr(bar + 1), beats, b); !error.empty()) {
            result.error = Fault(number, error);
            return result;
        }
        bars.push_back(std::move(b));
    }

    if (!song.Reset(reporter, static_cast<int>(bars.size()), beats, key)) {
        result.error = "the song cannot hold these bars";
        return result;
    }
    for (std::size_t b = 0; b < bars.size(); ++b) {
        for (int beat = 0; beat < beats; ++beat) {
            song.chords[b * static_cast<std::size_t>(beats) + static_cast<std::size_t>(beat)].SetName(
                bars[b].chords[static_cast<std::size_t>(beat)]);
        }
        for (std::size_t s = 0; s < bars[b].slots.size(); ++s) {
            auto& slotData = song.melody[b * static_cast<std::size_t>(beats) * 2 + s];
            slotData.cell = bars[b].slots[s];
            slotData.ClearTexts();
        }
    }
    auto put = [](auto& field, const std::string& cp932) {
        field = {};
        const auto cut = TruncateCp932(cp932, field.size() - 1);
        std::copy(cut.begin(), cut.end(), field.begin());
    };
    put(song.info.title, title);
    put(song.info.composer, composer);
    song.info.category = category;
    song.info.style = slot;
    song.info.tempo = tempo;
    song.info.instrument = instrument;
    result.ok = true;
    result.key = key;
    return result;
}

}  // namespace songloom::harmony
