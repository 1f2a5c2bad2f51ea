#include "harmony/midi_import.h"

#include <algorithm>
#include <map>

#include "common/messages.h"
#include "midi/midi_file.h"
#include "song/drop_target.h"

namespace songloom::harmony {
namespace {

constexpr std::int32_t kImportDivision = 96;
constexpr Tick kEighth = kImportDivision / 2;
constexpr int kImportTempo = 120;

// What the analysis passes for each channel role: the bass decides roots,
// chords decide chord tones, melodies (main and second) only where nothing
// else sounds; drums and unused channels are left out.
int AnalysisRoleOf(int role)
{
    switch (role) {
    case midi::RoleBass: return kAnalysisBass;
    case midi::RoleChords: return kAnalysisHarmony;
    case midi::RoleMelody:
    case midi::RoleSubMelody: return kAnalysisMelody;
    default: return 0;
    }
}

struct LoadedFile {
    midi::CMidiFile0 file;
    midi::CMidiChannelAnalyzer channels;
    ChordAnalysis chords;
    std::vector<AnalysisNote> notes;
    std::array<int, 16> analysisRoles{};
    bool addedBass = false;
    Tick endTime = 0;
};

std::vector<AnalysisNote> NotesOf(const midi::CMidiTrack& track)
{
    std::vector<AnalysisNote> notes;
    Tick time = 0;
    for (const auto& e : track.Events()) {
        time = midi::AddTicks(time, e.DeltaTime);
        if (e.Kind == midi::kKindNote && e.Channel >= 0 && e.Channel < 16) {
            notes.push_back({time, e.Duration, e.Channel, e.Note, e.Velocity});
        }
    }
    return notes;
}

// Songs whose chords come as block chords without a bass part (the usual
// lead sheet rendering) name their roots by the harmony's longest tone,
// which is no better than chance for equal-length voicings. The lowest note
// of each chord onset on a harmony channel is the bass such a player plays:
// it is given to the analysis as a bass line on a channel the file leaves
// unused.
bool AddBassFromChords(std::vector<AnalysisNote>& notes, std::array<int, 16>& roles,
                       const midi::CMidiChannelAnalyzer& channels)
{
    for (int c = 0; c < 16; ++c) {
        if (roles[static_cast<std::size_t>(c)] == kAnalysisBass) return false;
    }
    int freeChannel = -1;
    for (int c = 15; c >= 0; --c) {
        if (c != 9 && !channels.Channels[static_cast<std::size_t>(c)].Used) {
            freeChannel = c;
            break;
        }
    }
    if (freeChannel < 0) return false;
    std::map<Tick, AnalysisNote> lowest;
    for (const auto& n : notes) {
        if (roles[static_cast<std::size_t>(n.channel)] != kAnalysisHarmony || n.velocity <= 0) continue;
        auto [it, fresh] = lowest.try_emplace(n.time, n);
        if (!fresh && n.pitch < it->second.pitch) it->second = n;
    }
    bool added = false;
    for (auto& [time, n] : lowest) {
        // Only chords with a clear low voice: a tone below middle C.
        if (n.pitch >= 60) continue;
        n.channel = freeChannel;
        notes.push_back(n);
        added = true;
    }
    if (added) roles[static_cast<std::size_t>(freeChannel)] = kAnalysisBass;
    return added;
}

bool LoadAndAnalyze(Reporter& reporter, midi::CMidiFile0 file, LoadedFile& out)
{
    if (!file.Loaded()) return false;
    if (file.State != 2) file.PairNotes();
    if (file.Division != kImportDivision) file.SetResolution(kImportDivision);
    out.file = std::move(file);
    const auto& events = out.file.Track.Events();
    out.channels.Analyze(events, kImportDivision);
    out.notes = NotesOf(out.file.Track);
    const bool anyNote = std::any_of(out.notes.begin(), out.notes.end(),
                                     [](const AnalysisNote& n) { return n.velocity > 0; });
    if (!anyNote) {
        GeneralErrorMsg(reporter, gene::kAnalysis);
        return false;
    }
    for (int c = 0; c < 16; ++c) {
        out.analysisRoles[static_cast<std::size_t>(c)] =
            AnalysisRoleOf(out.channels.Channels[static_cast<std::size_t>(c)].Role);
    }
    std::vector<AnalysisNote> analysed = out.notes;
    out.addedBass = AddBassFromChords(analysed, out.analysisRoles, out.channels);
    out.chords = AnalyzeChords(reporter, analysed, kImportDivision, out.analysisRoles);
    for (const auto& n : out.notes) {
        if (n.velocity > 0) out.endTime = std::max(out.endTime, midi::AddTicks(n.time, n.duration));
    }
    return true;
}

int KeyIndexOf(int tonic, int mode)
{
    for (int k = 0; k < song::kKeyCount; ++k) {
        if (song::KeyTable[static_cast<std::size_t>(k)].tonic == tonic) {
            return song::KeyTable[static_cast<std::size_t>(k)].mode == mode ? k : 0;
        }
    }
    return 0;
}

int BarsOf(Tick endTime)
{
    const Tick quarters = (endTime + kImportDivision - 1) / kImportDivision;
    const int bars = static_cast<int>((quarters + 3) / 4);
    return std::clamp(bars, 1, song::MaxBars);
}

// One song chord name per beat: each analysis segment covers two beats; a
// segment where nothing could be named keeps the chord before it (the key's
// chord at the start).
std::vector<std::string> BeatChords(const ChordAnalysis& analysis, int beats, std::string_view keyChord)
{
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(beats));
    std::string previous(keyChord);
    while (!previous.empty() && previous.back() == ' ') previous.pop_back();
    for (int beat = 0; beat < beats; ++beat) {
        const std::size_t segment = static_cast<std::size_t>(beat / 2);
        std::string name;
        if (segment < analysis.names.size()) name = SongChordFromAnalysis(analysis.names[segment]);
        if (name.empty()) name = previous;
        previous = name;
        out.push_back(name);
    }
    return out;
}

struct MelodyNote {
    Tick start;
    Tick length;
    int pitch;  // 0 = rest
};

// The melody channel reduced to one line: note-offs back, quantised to
// sixteenths, paired, overlaps removed; gaps become rests.
std::vector<MelodyNote> MelodyLine(Reporter& reporter, const midi::CMidiFile0& file, int channel)
{
    std::vector<MelodyNote> line;
    if (channel < 0 || channel > 15) return line;
    midi::CMidiFile1 split(file);
    const std::size_t index = static_cast<std::size_t>(channel) + 1;
    if (index >= split.Tracks.size()) return line;
    midi::CMidiTrack& track = split.Tracks[index];
    track.SplitNotes();
    track.Quantize(4, kImportDivision);
    track.PairNotes();
    track.MakeMonophonic();
    (void)reporter;
    Tick time = 0;
    Tick cursor = 0;
    for (const auto& e : track.Events()) {
        time = midi::AddTicks(time, e.DeltaTime);
        if (e.Kind != midi::kKindNote || e.Velocity <= 0 || e.Duration <= 0) continue;
        if (time > cursor) line.push_back({cursor, time - cursor, 0});
        if (time < cursor) continue;  // still overlapping after the reduction
        line.push_back({time, e.Duration, e.Note});
        cursor = midi::AddTicks(time, e.Duration);
    }
    return line;
}

void WriteMelody(song::SongData& song, const std::vector<MelodyNote>& line)
{
    const int slotsPerBar = song.SlotsPerBar();
    std::vector<bool> noteWritten(static_cast<std::size_t>(song::MaxSlots), false);
    std::vector<bool> anyWritten(static_cast<std::size_t>(song::MaxSlots), false);
    for (const auto& n : line) {
        const int slot = static_cast<int>(n.start / kEighth);
        if (slot < 0 || slot >= song.ActiveSlots()) continue;
        const auto s = static_cast<std::size_t>(slot);
        // Two onsets in one eighth: the first note is kept, and a rest never
        // takes the place of a note that starts in the same slot.
        if (noteWritten[s] || (n.pitch == 0 && anyWritten[s])) continue;
        song::MelodySlot fresh;
        fresh.cell = {n.pitch == 0 ? song::kRest : n.pitch, song::kHold, song::kNotTriplet};
        song.PutSlot(slot / slotsPerBar, slot % slotsPerBar, fresh);
        anyWritten[s] = true;
        if (n.pitch != 0) noteWritten[s] = true;
    }
}

bool ApplyImport(Reporter& reporter, LoadedFile& loaded, song::SongData& song, int instrument,
                 MidiImportReport* report)
{
    const int key = KeyIndexOf(loaded.chords.key.tonic, loaded.chords.key.mode);
    const int bars = BarsOf(loaded.endTime);
    const std::string keyChord = song::KeyNameOf(key);
    const std::vector<std::string> chords = BeatChords(loaded.chords, bars * 4, keyChord);
    const int melodyChannel = loaded.channels.MelodyChannel();
    const std::vector<MelodyNote> line = MelodyLine(reporter, loaded.file, melodyChannel);

    song.TakeSnapshot();
    if (!song.Reset(reporter, bars, 4, key)) {
        song.RestoreSnapshot();
        return false;
    }
    for (int beat = 0; beat < bars * 4; ++beat) {
        song::DropChordOnScore(reporter, song, chords[static_cast<std::size_t>(beat)], beat / 4, (beat % 4) * 2);
    }
    WriteMelody(song, line);
    song.info.tempo = kImportTempo;
    song.info.instrument = instrument;

    if (report) {
        for (int c = 0; c < 16; ++c) report->roles[static_cast<std::size_t>(c)] = loaded.channels.Channels[static_cast<std::size_t>(c)].Role;
        report->melodyChannel = melodyChannel;
        report->bars = bars;
        report->key = key;
        report->keyName = loaded.chords.keyName;
        report->beatChords = chords;
        report->addedBass = loaded.addedBass;
    }
    return true;
}

}  // namespace

std::string SongChordFromAnalysis(std::string_view analysed)
{
    if (analysed.empty() || analysed == "UnKnown") return {};
    std::string name(analysed.substr(0, analysed.find('(')));
    // The analysis calls a minor triad with a flat fifth and a minor seventh
    // "dim7" and the true diminished seventh "dim6"; the song's names for
    // them are m7b5 and dim7.
    const std::size_t root = song::ChordRootLength(name);
    std::string suffix = name.substr(root);
    if (suffix == "dim7") suffix = "m7b5";
    else if (suffix == "dim6") suffix = "dim7";
    else if (suffix == "sus47") suffix = "7sus4";
    name = name.substr(0, root) + suffix;
    const song::ChordParts parts = song::ParseChordName(song::CompleteChordName(name));
    if (!parts.ok()) return {};
    std::string out = song::ChordNameOf(parts.root, parts.type);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

bool AnalyzeMidiFile(Reporter& reporter, const std::string& path, MidiImportReport& report)
{
    LoadedFile loaded{midi::CMidiFile0(reporter), {}, {}, {}, {}, false, 0};
    if (!LoadAndAnalyze(reporter, midi::CMidiFile0(reporter, path), loaded)) return false;
    song::SongData scratch;
    return ApplyImport(reporter, loaded, scratch, 0, &report);
}

bool ImportMidi(Reporter& reporter, const std::string& path, song::SongData& song, int instrument,
                MidiImportReport* report)
{
    LoadedFile loaded{midi::CMidiFile0(reporter), {}, {}, {}, {}, false, 0};
    if (!LoadAndAnalyze(reporter, midi::CMidiFile0(reporter, path), loaded)) return false;
    return ApplyImport(reporter, loaded, song, instrument, report);
}

bool ImportMidiImage(Reporter& reporter, std::span<const std::uint8_t> image, song::SongData& song,
                     int instrument, MidiImportReport* report)
{
    LoadedFile loaded{midi::CMidiFile0(reporter), {}, {}, {}, {}, false, 0};
    if (!LoadAndAnalyze(reporter, midi::CMidiFile0(reporter, image), loaded)) return false;
    return ApplyImport(reporter, loaded, song, instrument, report);
}

}  // namespace songloom::harmony
