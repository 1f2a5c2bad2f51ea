#include "song/musicxml_reader.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/text.h"
#include "song/chord_symbol.h"
#include "song/musicxml_chords.h"
#include "song/pitch_spelling.h"
#include "song/song_tables.h"

namespace songloom::song {
namespace {

constexpr MessageRow kMessages[] = {
    {mxml::kNotMusicXml, "MusicXMLの楽譜として読めません。"},
    {mxml::kMeter, "4/4拍子と3/4拍子の楽譜だけを読めます。"},
    {mxml::kTooLong, "256小節を超える楽譜は読めません。"},
};

constexpr int kTicksPerBeat = 96;
constexpr int kSlotTicks = 48;
constexpr int kGrid = 8;  // common grid of sixteenth (24) and triplet (16) cells
constexpr std::size_t kTextBytes = 7;

// ---- a small XML tree: elements, attributes and text; no namespaces ----

struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;
    std::vector<std::unique_ptr<Element>> children;

    const Element* Child(std::string_view childName) const
    {
        for (const auto& c : children) {
            if (c->name == childName) return c.get();
        }
        return nullptr;
    }
    std::string ChildText(std::string_view childName) const
    {
        const Element* c = Child(childName);
        return c ? c->text : std::string();
    }
    std::string Attribute(const std::string& key) const
    {
        const auto it = attributes.find(key);
        return it == attributes.end() ? std::string() : it->second;
    }
};

class XmlParser {
public:
    explicit XmlParser(std::string_view text) : s_(text) {}

    std::unique_ptr<Element> Parse()
    {
        SkipProlog();
        auto root = ParseElement(0);
        return ok_ ? std::move(root) : nullptr;
    }

private:
    static constexpr int kMaxDepth = 64;

    bool AtEnd() const { return pos_ >= s_.size(); }
    bool StartsWith(std::string_view p) const { return s_.substr(pos_).starts_with(p); }
    void SkipSpace()
    {
        while (!AtEnd() && std::string_view(" \t\r\n").find(s_[pos_]) != std::string_view::npos) ++pos_;
    }
    bool SkipPast(std::string_view end)
    {
        const auto at = s_.find(end, pos_);
        if (at == std::string_view::npos) return ok_ = false;
        pos_ = at + end.size();
        return true;
    }
    // Declarations, processing instructions, comments and the doctype.
    void SkipProlog()
    {
        for (;;) {
            SkipSpace();
            if (StartsWith("<?")) {
                if (!SkipPast("?>")) return;
            } else if (StartsWith("<!--")) {
                if (!SkipPast("-->")) return;
            } else if (StartsWith("<!")) {
                if (!SkipDoctype()) return;
            } else {
                return;
            }
        }
    }
    bool SkipDoctype()
    {
        int brackets = 0;
        while (!AtEnd()) {
            const char c = s_[pos_++];
            if (c == '[') ++brackets;
            if (c == ']') --brackets;
            if (c == '>' && brackets <= 0) return true;
        }
        return ok_ = false;
    }
    std::string Name()
    {
        const std::size_t start = pos_;
        while (!AtEnd() && std::string_view(" \t\r\n/>=").find(s_[pos_]) == std::string_view::npos) ++pos_;
        return std::string(s_.substr(start, pos_ - start));
    }
    static void AppendUtf8(std::string& out, std::uint32_t cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x110000) {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    static std::string Unescape(std::string_view raw)
    {
        std::string out;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                out += raw[i];
                continue;
            }
            const auto semi = raw.find(';', i);
            if (semi == std::string_view::npos) {
                out += raw.substr(i);
                break;
            }
            const std::string_view entity = raw.substr(i + 1, semi - i - 1);
            if (entity == "amp") out += '&';
            else if (entity == "lt") out += '<';
            else if (entity == "gt") out += '>';
            else if (entity == "quot") out += '"';
            else if (entity == "apos") out += '\'';
            else if (entity.starts_with('#')) {
                std::uint32_t cp = 0;
                const bool hex = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X');
                const std::string_view digits = entity.substr(hex ? 2 : 1);
                std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
                AppendUtf8(out, cp);
            }
            i = semi;
        }
        return out;
    }
    std::unique_ptr<Element> ParseElement(int depth)
    {
        if (depth > kMaxDepth || !StartsWith("<")) {
            ok_ = false;
            return nullptr;
        }
        ++pos_;
        auto element = std::make_unique<Element>();
        element->name = Name();
        if (element->name.empty()) {
            ok_ = false;
            return nullptr;
        }
        for (;;) {
            SkipSpace();
            if (AtEnd()) {
                ok_ = false;
                return nullptr;
            }
            if (StartsWith("/>")) {
                pos_ += 2;
                return element;
            }
            if (s_[pos_] == '>') {
                ++pos_;
                break;
            }
            std::string key = Name();
            SkipSpace();
            if (key.empty() || AtEnd() || s_[pos_] != '=') {
                ok_ = false;
                return nullptr;
            }
            ++pos_;
            SkipSpace();
            if (AtEnd() || (s_[pos_] != '"' && s_[pos_] != '\'')) {
                ok_ = false;
                return nullptr;
            }
            const char quote = s_[pos_++];
            const auto end = s_.find(quote, pos_);
            if (end == std::string_view::npos) {
                ok_ = false;
                return nullptr;
            }
            element->attributes[key] = Unescape(s_.substr(pos_, end - pos_));
            pos_ = end + 1;
        }
        std::string text;
        while (ok_) {
            const auto lt = s_.find('<', pos_);
            if (lt == std::string_view::npos) {
                ok_ = false;
                return nullptr;
            }
            text += Unescape(s_.substr(pos_, lt - pos_));
            pos_ = lt;
            if (StartsWith("</")) {
                pos_ += 2;
                if (Name() != element->name || !SkipPast(">")) {
                    ok_ = false;
                    return nullptr;
                }
                break;
            }
            if (StartsWith("<!--")) {
                SkipPast("-->");
            } else if (StartsWith("<![CDATA[")) {
                pos_ += 9;
                const auto end = s_.find("]]>", pos_);
                if (end == std::string_view::npos) {
                    ok_ = false;
                    return nullptr;
                }
                text += s_.substr(pos_, end - pos_);
                pos_ = end + 3;
            } else if (StartsWith("<?")) {
                SkipPast("?>");
            } else {
                auto child = ParseElement(depth + 1);
                if (!child) return nullptr;
                element->children.push_back(std::move(child));
            }
        }
        // Leaf texts without the layout's white space.
        const auto first = text.find_first_not_of(" \t\r\n");
        element->text = first == std::string::npos ? std::string()
                                                   : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
        return element;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

int ToInt(const std::string& text, int fallback = 0)
{
    int value = fallback;
    const char* begin = text.data();
    if (!text.empty() && text[0] == '+') ++begin;
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
    (void)end;
    return ec == std::errc() ? value : fallback;
}

// Durations may be written as decimals by some programs.
double ToNumber(const std::string& text)
{
    double value = 0.0;
    const char* begin = text.data();
    if (!text.empty() && text[0] == '+') ++begin;
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
    (void)end;
    return ec == std::errc() ? value : 0.0;
}

// ---- the score as events in ticks ----

struct NoteEvent {
    int start = 0;   // ticks from the song's start
    int length = 0;
    int pitch = -1;  // -1: rest
    bool tieStop = false;
    std::string lyric;  // UTF-8
};

struct HarmonyEvent {
    int tick = 0;
    std::string name;  // a chord cell name
};

struct Score {
    std::string title, composer;
    int beats = 4;
    int fifths = 0;
    int mode = 0;
    int tempo = 120;
    int bars = 0;
    std::vector<NoteEvent> notes;
    std::vector<HarmonyEvent> harmonies;
};

std::string HarmonyName(const Element& harmony)
{
    const Element* root = harmony.Child("root");
    if (!root) return {};
    const int pc = PitchClassOf(root->ChildText("root-step").c_str()[0], ToInt(root->ChildText("root-alter")));
    if (pc < 0) return {};
    HarmonyDegree degree;
    if (const Element* d = harmony.Child("degree")) {
        degree.value = ToInt(d->ChildText("degree-value"));
        degree.alter = ToInt(d->ChildText("degree-alter"));
        const std::string type = d->ChildText("degree-type");
        degree.type = type == "add" ? "add" : type == "alter" ? "alter" : "subtract";
    }
    ChordSymbol chord;
    chord.root = pc;
    chord.type = TypeOfHarmonyKind(harmony.ChildText("kind"), degree);
    if (chord.type < 0) chord.type = TypeOfHarmonyKind(harmony.ChildText("kind"), {});
    if (chord.type < 0) chord.type = 0;
    if (const Element* bass = harmony.Child("bass")) {
        chord.bass = PitchClassOf(bass->ChildText("bass-step").c_str()[0], ToInt(bass->ChildText("bass-alter")));
    }
    return ChordCellName(chord);
}

bool ReadPart(const Element& part, Score& score)
{
    int divisions = 1;
    int transpose = 0;  // written to sounding, semitones
    int measureStart = 0;
    for (const auto& measure : part.children) {
        if (measure->name != "measure") continue;
        int position = measureStart;
        int measureEnd = measureStart;
        int previousStart = position;
        std::string voice;
        for (const auto& item : measure->children) {
            const auto ticks = [&](const Element& e) {
                return static_cast<int>(ToNumber(e.ChildText("duration")) * kTicksPerBeat / divisions + 0.5);
            };
            if (item->name == "attributes") {
                if (const int d = ToInt(item->ChildText("divisions")); d > 0) divisions = d;
                if (const Element* key = item->Child("key")) {
                    score.fifths = ToInt(key->ChildText("fifths"));
                    score.mode = key->ChildText("mode") == "minor" ? 1 : 0;
                }
                if (const Element* time = item->Child("time")) {
                    score.beats = ToInt(time->ChildText("beats"));
                    if (ToInt(time->ChildText("beat-type")) != 4) score.beats = 0;
                }
                if (const Element* t = item->Child("transpose")) {
                    transpose = ToInt(t->ChildText("chromatic")) + 12 * ToInt(t->ChildText("octave-change"));
                }
            } else if (item->name == "direction" || item->name == "sound") {
                const Element* sound = item->name == "sound" ? item.get() : item->Child("sound");
                if (sound && !sound->Attribute("tempo").empty()) {
                    score.tempo = static_cast<int>(ToNumber(sound->Attribute("tempo")) + 0.5);
                }
            } else if (item->name == "harmony") {
                const int offset = static_cast<int>(ToNumber(item->ChildText("offset")) * kTicksPerBeat / divisions);
                const std::string name = HarmonyName(*item);
                if (!name.empty()) score.harmonies.push_back({position + offset, name});
            } else if (item->name == "backup") {
                position -= ticks(*item);
            } else if (item->name == "forward") {
                position += ticks(*item);
            } else if (item->name == "note") {
                if (item->Child("grace")) continue;
                const int length = ticks(*item);
                const bool chordNote = item->Child("chord") != nullptr;
                const std::string noteVoice = item->ChildText("voice");
                if (voice.empty()) voice = noteVoice;
                const bool ours = noteVoice == voice && !chordNote;
                const int start = chordNote ? previousStart : position;
                if (!chordNote) position += length;
                previousStart = start;
                measureEnd = std::max(measureEnd, position);
                if (!ours) continue;
                NoteEvent note;
                note.start = start;
                note.length = length;
                if (const Element* pitch = item->Child("pitch")) {
                    const int pc = PitchClassOf(pitch->ChildText("step").c_str()[0], 0);
                    if (pc >= 0) {
                        const int octave = ToInt(pitch->ChildText("octave"), 4);
                        const int alter = static_cast<int>(ToNumber(pitch->ChildText("alter")));
                        note.pitch = std::clamp((octave + 1) * 12 + pc + alter + transpose, 0, 127);
                    }
                }
                for (const auto& child : item->children) {
                    if (child->name == "tie" && child->Attribute("type") == "stop") note.tieStop = true;
                }
                if (const Element* lyric = item->Child("lyric")) note.lyric = lyric->ChildText("text");
                score.notes.push_back(std::move(note));
            }
            measureEnd = std::max(measureEnd, position);
        }
        measureStart = measureEnd;
        ++score.bars;
    }
    return true;
}

int KeyOf(int fifths, int mode)
{
    for (int k = 0; k < kKeyCount; ++k) {
        const KeyRow& row = KeyTable[static_cast<std::size_t>(k)];
        if (row.signature == fifths && row.mode == mode) return k;
    }
    return 0;
}

void CopyText(std::string_view utf8, char* field, std::size_t size)
{
    const std::string cp932 = TruncateCp932(Utf8ToCp932(utf8), size - 1);
    std::fill(field, field + size, '\0');
    std::copy(cp932.begin(), cp932.end(), field);
}

// The melody cells from the note events: a slot becomes a triplet slot
// when an event begins inside it at a third.
void WriteMelody(const Score& score, SongData& song)
{
    const int total = song.ActiveSlots() * kSlotTicks;
    // What begins at each grid point: -4 nothing, else the cell value.
    constexpr int kNothing = -4;
    std::vector<int> begins(static_cast<std::size_t>(total / kGrid), kNothing);
    std::vector<std::string> lyrics(begins.size());
    for (const NoteEvent& note : score.notes) {
        const int at = (note.start + kGrid / 2) / kGrid;
        if (note.length <= 0 || at < 0 || at >= static_cast<int>(begins.size())) continue;
        begins[static_cast<std::size_t>(at)] = note.pitch < 0 ? kRest : note.tieStop ? kHold : note.pitch;
        lyrics[static_cast<std::size_t>(at)] = note.lyric;
    }
    constexpr int kPerSlot = kSlotTicks / kGrid;  // 6 grid points
    for (int s = 0; s < song.ActiveSlots(); ++s) {
        const int base = s * kPerSlot;
        const auto at = [&](int offset) { return static_cast<std::size_t>(base + offset); };
        const bool triplet = begins[at(2)] != kNothing || begins[at(4)] != kNothing;
        MelodySlot slot;
        slot.cell = {kHold, kHold, triplet ? kHold : kNotTriplet};
        const int cells = triplet ? 3 : 2;
        const int step = kPerSlot / cells;
        for (int c = 0; c < cells; ++c) {
            // A begin between the cells (a sixteenth inside a triplet slot)
            // falls to the cell before it.
            for (int g = c * step; g < (c + 1) * step; ++g) {
                if (begins[at(g)] == kNothing) continue;
                slot.cell[static_cast<std::size_t>(c)] = begins[at(g)];
                if (!lyrics[at(g)].empty()) {
                    CopyText(lyrics[at(g)], slot.text[static_cast<std::size_t>(c)].data(), kTextBytes + 1);
                }
            }
        }
        if (s == 0 && slot.cell[0] == kHold) slot.cell[0] = kRest;
        song.melody[static_cast<std::size_t>(s)] = slot;
    }
}

}  // namespace

void MusicXmlErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "MXML", code, kMessages, kMessages[0].text);
}

bool ReadMusicXml(Reporter& reporter, std::string_view xml, SongData& song)
{
    XmlParser parser(xml);
    const auto root = parser.Parse();
    const Element* part = root && root->name == "score-partwise" ? root->Child("part") : nullptr;
    if (!part) {
        MusicXmlErrorMsg(reporter, mxml::kNotMusicXml);
        return false;
    }
    Score score;
    if (const Element* work = root->Child("work")) score.title = work->ChildText("work-title");
    if (score.title.empty()) score.title = root->ChildText("movement-title");
    if (const Element* id = root->Child("identification")) {
        for (const auto& c : id->children) {
            if (c->name == "creator" && c->Attribute("type") == "composer") score.composer = c->text;
        }
    }
    ReadPart(*part, score);
    if (score.beats != 3 && score.beats != 4) {
        MusicXmlErrorMsg(reporter, mxml::kMeter);
        return false;
    }
    if (score.bars > MaxBars) {
        MusicXmlErrorMsg(reporter, mxml::kTooLong);
        return false;
    }
    if (score.bars < 1 || !song.Reset(reporter, score.bars, score.beats, KeyOf(score.fifths, score.mode))) {
        MusicXmlErrorMsg(reporter, mxml::kNotMusicXml);
        return false;
    }
    CopyText(score.title, song.info.title.data(), song.info.title.size());
    CopyText(score.composer, song.info.composer.data(), song.info.composer.size());
    song.info.tempo = score.tempo;
    // Each beat holds the last chord named at or before it.
    std::stable_sort(score.harmonies.begin(), score.harmonies.end(),
                     [](const HarmonyEvent& a, const HarmonyEvent& b) { return a.tick < b.tick; });
    std::size_t next = 0;
    std::string current;
    for (int beat = 0; beat < song.ActiveBeats(); ++beat) {
        while (next < score.harmonies.size() && score.harmonies[next].tick < (beat + 1) * kTicksPerBeat) {
            current = score.harmonies[next++].name;
        }
        if (!current.empty()) song.SetChordName(beat, current);
    }
    WriteMelody(score, song);
    return true;
}

}  // namespace songloom::song
