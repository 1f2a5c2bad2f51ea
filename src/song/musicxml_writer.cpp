#include "song/musicxml_writer.h"

#include <algorithm>
#include <array>
#include <map>
#include <cstdlib>
#include <string_view>

#include "common/general.h"
#include "common/text.h"
#include "song/bar_notation.h"
#include "song/chord_symbol.h"
#include "song/musicxml_chords.h"
#include "song/pitch_spelling.h"
#include "song/song_tables.h"

namespace songloom::song {
namespace {

constexpr int kBarsPerSystem = 4;
constexpr int kBarsPerPage = 16;
constexpr int kSlotTicks = 48;

// Written in semitones -> diatonic steps of the interval.
constexpr std::array<int, 12> kDiatonicSteps = {0, 1, 1, 2, 2, 3, 3, 4, 5, 5, 6, 6};

class XmlOut {
public:
    void Open(std::string_view tag, std::string_view attributes = {})
    {
        StartTag(tag, attributes);
        text_ += ">\n";
        ++depth_;
    }
    void Close(std::string_view tag)
    {
        --depth_;
        Indent();
        EndTag(tag);
    }
    void Leaf(std::string_view tag, std::string_view value, std::string_view attributes = {})
    {
        StartTag(tag, attributes);
        text_ += '>';
        Escape(value);
        EndTag(tag);
    }
    void Leaf(std::string_view tag, int value) { Leaf(tag, std::to_string(value)); }
    void Empty(std::string_view tag, std::string_view attributes = {})
    {
        StartTag(tag, attributes);
        text_ += "/>\n";
    }
    void Raw(std::string_view text) { text_ += text; }
    std::string Take() { return std::move(text_); }

    // An attribute value in double quotes, escaped.
    static std::string Attribute(std::string_view name, std::string_view value)
    {
        XmlOut out;
        out.Escape(value);
        return std::string(name) + "=\"" + out.text_ + "\"";
    }

private:
    void Indent() { text_.append(static_cast<std::size_t>(depth_) * 2, ' '); }
    // "<tag attributes", indented, still open.
    void StartTag(std::string_view tag, std::string_view attributes)
    {
        Indent();
        text_ += '<';
        text_ += tag;
        if (!attributes.empty()) text_ += ' ', text_ += attributes;
    }
    void EndTag(std::string_view tag)
    {
        text_ += "</";
        text_ += tag;
        text_ += ">\n";
    }
    void Escape(std::string_view value)
    {
        for (const char c : value) {
            switch (c) {
            case '&': text_ += "&amp;"; break;
            case '<': text_ += "&lt;"; break;
            case '>': text_ += "&gt;"; break;
            case '"': text_ += "&quot;"; break;
            case '\'': text_ += "&apos;"; break;
            default:
                // Control characters other than tab and line breaks are not
                // allowed in XML 1.0 at all.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') text_ += c;
            }
        }
    }

    std::string text_;
    int depth_ = 0;
};

// <type> and dots of a written length in ticks; empty when the symbol set
// has no single value for it.
struct NoteType {
    std::string_view type;
    int dots = 0;
};

NoteType NoteTypeOf(Tick writtenLength)
{
    switch (writtenLength) {
    case 24: return {"16th", 0};
    case 48: return {"eighth", 0};
    case 72: return {"eighth", 1};
    case 96: return {"quarter", 0};
    case 144: return {"quarter", 1};
    case 192: return {"half", 0};
    case 288: return {"half", 1};
    case 336: return {"half", 2};
    case 384: return {"whole", 0};
    default: return {};
    }
}

std::string FieldUtf8(const char* field, std::size_t size) { return Cp932ToUtf8(FieldText(field, size)); }

void WriteHarmony(XmlOut& out, const std::string& name, Tick offset, bool flats)
{
    ChordSymbol chord;
    if (!ParseChordSymbol(name, chord)) {
        // Outside the song's vocabulary: the name as plain text.
        out.Open("direction", "placement=\"above\"");
        out.Open("direction-type");
        out.Leaf("words", name);
        out.Close("direction-type");
        if (offset != 0) out.Leaf("offset", offset);
        out.Close("direction");
        return;
    }
    const HarmonyKind& kind = HarmonyKindOfType(chord.type);
    out.Open("harmony");
    out.Open("root");
    const Spelling root = SpellPitchClass(chord.root, flats);
    out.Leaf("root-step", std::string(1, root.step));
    if (root.alter != 0) out.Leaf("root-alter", root.alter);
    out.Close("root");
    out.Leaf("kind", kind.kind, XmlOut::Attribute("text", kind.text));
    if (chord.bass >= 0) {
        const Spelling bass = SpellPitchClass(chord.bass, flats);
        out.Open("bass");
        out.Leaf("bass-step", std::string(1, bass.step));
        if (bass.alter != 0) out.Leaf("bass-alter", bass.alter);
        out.Close("bass");
    }
    for (const HarmonyDegree& degree : kind.degrees) {
        if (degree.value == 0) continue;
        out.Open("degree");
        out.Leaf("degree-value", degree.value);
        out.Leaf("degree-alter", degree.alter);
        out.Leaf("degree-type", degree.type);
        out.Close("degree");
    }
    if (offset != 0) out.Leaf("offset", offset);
    out.Close("harmony");
}

void WriteAttributes(XmlOut& out, const SongView& view, int mode, int transposition, bool bassClef)
{
    out.Open("attributes");
    out.Leaf("divisions", kMusicXmlDivisions);
    out.Open("key");
    out.Leaf("fifths", view.keySignature);
    out.Leaf("mode", mode == 1 ? "minor" : "major");
    out.Close("key");
    out.Open("time");
    out.Leaf("beats", view.beats);
    out.Leaf("beat-type", 4);
    out.Close("time");
    out.Open("clef");
    out.Leaf("sign", bassClef ? "F" : "G");
    out.Leaf("line", bassClef ? 4 : 2);
    out.Close("clef");
    if (transposition != 0) {
        // From written to sounding pitch.
        const int sounding = -transposition;
        const int semitones = std::abs(sounding) % 12;
        const int sign = sounding < 0 ? -1 : 1;
        out.Open("transpose");
        out.Leaf("diatonic", sign * kDiatonicSteps[static_cast<std::size_t>(semitones)]);
        out.Leaf("chromatic", sign * semitones);
        if (std::abs(sounding) >= 12) out.Leaf("octave-change", sign * (std::abs(sounding) / 12));
        out.Close("transpose");
    }
    out.Close("attributes");
}

void WriteScorePart(XmlOut& out, int number, const std::string& name, int channel, int program)
{
    std::string id = "P";
    id += std::to_string(number);
    out.Open("score-part", "id=\"" + id + "\"");
    out.Leaf("part-name", name);
    out.Open("score-instrument", "id=\"" + id + "-I1\"");
    out.Leaf("instrument-name", name);
    out.Close("score-instrument");
    out.Open("midi-instrument", "id=\"" + id + "-I1\"");
    out.Leaf("midi-channel", std::clamp(channel, 0, 15) + 1);
    out.Leaf("midi-program", std::clamp(program, 0, 127) + 1);
    out.Close("midi-instrument");
    out.Close("score-part");
}

void WriteTempo(XmlOut& out, int tempo)
{
    if (tempo <= 0) return;
    out.Open("direction", "placement=\"above\"");
    out.Open("direction-type");
    out.Open("metronome");
    out.Leaf("beat-unit", "quarter");
    out.Leaf("per-minute", tempo);
    out.Close("metronome");
    out.Close("direction-type");
    out.Empty("sound", "tempo=\"" + std::to_string(tempo) + "\"");
    out.Close("direction");
}

// A note of a chord after its first carries <chord/> and no lyric.
void WriteNote(XmlOut& out, const StaffNote& note, bool tieStop, bool flats, bool measureRest,
               const std::string& lyric, int chordPitch = -1)
{
    out.Open("note");
    if (chordPitch >= 0) out.Empty("chord");
    const int pitch = chordPitch >= 0 ? chordPitch : note.pitch;
    if (note.IsRest()) {
        out.Empty("rest", measureRest ? "measure=\"yes\"" : "");
    } else {
        const Spelling s = SpellPitchClass(pitch, flats);
        out.Open("pitch");
        out.Leaf("step", std::string(1, s.step));
        if (s.alter != 0) out.Leaf("alter", s.alter);
        out.Leaf("octave", (pitch - s.alter) / 12 - 1);
        out.Close("pitch");
    }
    out.Leaf("duration", note.length);
    const bool tieStart = !note.IsRest() && note.tieToNext;
    if (tieStop) out.Empty("tie", "type=\"stop\"");
    if (tieStart) out.Empty("tie", "type=\"start\"");
    out.Leaf("voice", 1);
    // Three triplet cells stand in the time of two sixteenths.
    const NoteType type = NoteTypeOf(note.triplet ? note.length * 3 / 2 : note.length);
    if (!measureRest && !type.type.empty()) {
        out.Leaf("type", type.type);
        for (int d = 0; d < type.dots; ++d) out.Empty("dot");
    }
    if (note.triplet) {
        out.Open("time-modification");
        out.Leaf("actual-notes", 3);
        out.Leaf("normal-notes", 2);
        out.Close("time-modification");
    }
    if (chordPitch < 0 && note.kind == kind::kBeamStart) out.Leaf("beam", "begin", "number=\"1\"");
    if (chordPitch < 0 && note.kind == kind::kBeamEnd) out.Leaf("beam", "end", "number=\"1\"");
    const bool tupletStart = note.triplet && note.start % kSlotTicks == 0;
    const bool tupletStop = note.triplet && (note.start + note.length) % kSlotTicks == 0;
    if (tieStop || tieStart || tupletStart || tupletStop) {
        out.Open("notations");
        if (tieStop) out.Empty("tied", "type=\"stop\"");
        if (tieStart) out.Empty("tied", "type=\"start\"");
        if (tupletStart) out.Empty("tuplet", "type=\"start\" bracket=\"yes\"");
        if (tupletStop) out.Empty("tuplet", "type=\"stop\"");
        out.Close("notations");
    }
    if (!lyric.empty()) {
        out.Open("lyric", "number=\"1\"");
        out.Leaf("syllabic", "single");
        out.Leaf("text", lyric);
        out.Close("lyric");
    }
    out.Close("note");
}

// Index of the note sounding at tick (the last that starts at or before it).
std::size_t NoteAt(const std::vector<StaffNote>& notes, Tick tick)
{
    std::size_t index = 0;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].start <= tick) index = i;
    }
    return index;
}

// A rendered part laid out as melody cells of its lowest notes, with the
// pitches of the chord sounding at each sixteenth cell.
struct PartLayout {
    SongView view;
    std::vector<std::vector<int>> chordAt;  // by sixteenth cell; empty in rests
    bool bassClef = false;
};

constexpr int kCellTicks = 24;
constexpr int kLowestTrebleMedian = 57;  // below it the part takes the bass clef

PartLayout LayOutPart(const SongView& melody, const NotatedPart& part)
{
    PartLayout layout;
    layout.view = melody;
    layout.view.chordNames.clear();
    const int cells = static_cast<int>(melody.melody.size()) * 2;
    std::map<int, std::pair<int, std::vector<int>>> groups;  // cell: length in cells, pitches
    for (const PartNote& n : part.notes) {
        const int at = (n.start + kCellTicks / 2) / kCellTicks;
        if (at < 0 || at >= cells || n.pitch < 0 || n.pitch > 127) continue;
        const int length = std::max(1, (n.length + kCellTicks / 2) / kCellTicks);
        auto [it, fresh] = groups.try_emplace(at, length, std::vector<int>{});
        if (!fresh) it->second.first = std::min(it->second.first, length);
        it->second.second.push_back(n.pitch);
    }
    std::vector<int> value(static_cast<std::size_t>(cells), kHold);
    if (cells > 0) value[0] = kRest;
    layout.chordAt.assign(static_cast<std::size_t>(cells), {});
    std::vector<int> all;
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        auto& [at, group] = *it;
        std::vector<int>& pitches = group.second;
        std::sort(pitches.begin(), pitches.end());
        pitches.erase(std::unique(pitches.begin(), pitches.end()), pitches.end());
        all.insert(all.end(), pitches.begin(), pitches.end());
        const auto next = std::next(it);
        const int end = std::min({at + group.first, next == groups.end() ? cells : next->first, cells});
        value[static_cast<std::size_t>(at)] = pitches.front();
        for (int c = at; c < end; ++c) layout.chordAt[static_cast<std::size_t>(c)] = pitches;
        if (end < cells && (next == groups.end() || next->first != end)) value[static_cast<std::size_t>(end)] = kRest;
    }
    for (std::size_t s = 0; s < layout.view.melody.size(); ++s) {
        layout.view.melody[s].cell = {value[2 * s], value[2 * s + 1], kNotTriplet};
        layout.view.melody[s].text = {};
    }
    if (!all.empty()) {
        std::nth_element(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(all.size() / 2), all.end());
        layout.bassClef = all[all.size() / 2] < kLowestTrebleMedian;
    }
    return layout;
}

void WriteMeasure(Reporter& reporter, XmlOut& out, const SongView& view, int bar, int mode, int tempo,
                  const MusicXmlOptions& options, const PartLayout* part = nullptr)
{
    out.Open("measure", "number=\"" + std::to_string(bar + 1) + "\"");
    if (bar > 0 && bar % kBarsPerPage == 0) {
        out.Empty("print", "new-page=\"yes\"");
    } else if (bar > 0 && bar % kBarsPerSystem == 0) {
        out.Empty("print", "new-system=\"yes\"");
    }
    if (bar == 0) {
        WriteAttributes(out, view, mode, part ? 0 : options.transposition, part && part->bassClef);
        if (!part) WriteTempo(out, tempo);
    }
    const BarContent content = BuildBarContent(reporter, view, bar);
    const bool flats = view.keySignature < 0;
    std::vector<std::string> lyrics(content.notes.size());
    for (const StaffText& lyric : content.lyrics) {
        std::string& text = lyrics[NoteAt(content.notes, lyric.tick)];
        if (!text.empty()) text += ' ';
        text += Cp932ToUtf8(lyric.text);
    }
    std::size_t chord = 0;
    for (std::size_t i = 0; i < content.notes.size(); ++i) {
        const StaffNote& note = content.notes[i];
        for (; chord < content.chordNames.size() && content.chordNames[chord].tick < note.start + note.length;
             ++chord) {
            const Tick offset = std::max<Tick>(0, content.chordNames[chord].tick - note.start);
            WriteHarmony(out, content.chordNames[chord].text, offset, flats);
        }
        const bool tieStop = !note.IsRest() && (i > 0 ? content.notes[i - 1].tieToNext : note.tieFromBefore);
        const bool measureRest = note.IsRest() && note.start == 0 && note.length == content.length;
        WriteNote(out, note, tieStop, flats, measureRest, lyrics[i]);
        if (part && !note.IsRest()) {
            const auto cell = static_cast<std::size_t>((bar * content.length + note.start) / kCellTicks);
            if (cell < part->chordAt.size()) {
                const std::vector<int>& pitches = part->chordAt[cell];
                for (std::size_t p = 1; p < pitches.size(); ++p) {
                    WriteNote(out, note, tieStop, flats, false, {}, pitches[p]);
                }
            }
        }
    }
    if (bar == view.bars - 1) {
        out.Open("barline", "location=\"right\"");
        out.Leaf("bar-style", "light-heavy");
        out.Close("barline");
    }
    out.Close("measure");
}

}  // namespace

std::string BuildMusicXml(Reporter& reporter, const SongData& song, const MusicXmlOptions& options)
{
    const SongView view = TransposedView(SongViewOf(song), options.transposition);
    const int mode = IsValidKey(song.key()) ? KeyTable[static_cast<std::size_t>(song.key())].mode : 0;
    XmlOut out;
    out.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
            "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 3.1 Partwise//EN\" "
            "\"http://www.musicxml.org/dtds/partwise.dtd\">\n");
    out.Open("score-partwise", "version=\"3.1\"");
    const std::string title = FieldUtf8(song.info.title.data(), song.info.title.size());
    const std::string composer = FieldUtf8(song.info.composer.data(), song.info.composer.size());
    out.Open("work");
    out.Leaf("work-title", title);
    out.Close("work");
    out.Open("identification");
    if (!composer.empty()) out.Leaf("creator", composer, "type=\"composer\"");
    out.Open("encoding");
    out.Leaf("software", "Songloom");
    out.Close("encoding");
    out.Close("identification");
    out.Open("part-list");
    // The extra voices and instrument groups (128 and up) have no General
    // MIDI program; the piano stands in.
    const int instrument = song.info.instrument;
    WriteScorePart(out, 1, options.partName, 1, instrument >= 0 && instrument < 128 ? instrument : 0);
    for (std::size_t p = 0; p < options.parts.size(); ++p) {
        const NotatedPart& part = options.parts[p];
        WriteScorePart(out, static_cast<int>(p) + 2, part.name, part.channel, part.program);
    }
    out.Close("part-list");
    out.Open("part", "id=\"P1\"");
    for (int bar = 0; bar < view.bars; ++bar) WriteMeasure(reporter, out, view, bar, mode, song.info.tempo, options);
    out.Close("part");
    const SongView concert = SongViewOf(song);
    // A rendered part may hold a note longer than the score's melody cells
    // may (a pad over two bars): what the bar layout says of such lengths
    // concerns the melody only, and is not shown for the parts.
    CapturingReporter partLengths;
    for (std::size_t p = 0; p < options.parts.size(); ++p) {
        const PartLayout layout = LayOutPart(concert, options.parts[p]);
        out.Open("part", "id=\"P" + std::to_string(p + 2) + "\"");
        for (int bar = 0; bar < view.bars; ++bar) {
            WriteMeasure(partLengths, out, layout.view, bar, mode, song.info.tempo, options, &layout);
        }
        out.Close("part");
    }
    out.Close("score-partwise");
    return out.Take();
}

bool WriteMusicXml(Reporter& reporter, const SongData& song, const std::string& path,
                   const MusicXmlOptions& options)
{
    return WriteWholeFile(reporter, path, BuildMusicXml(reporter, song, options));
}

}  // namespace songloom::song
