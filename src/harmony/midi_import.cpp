#include "harmony/midi_import.h"
#include "common/pitch.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "common/messages.h"
#include "common/text.h"
#include "midi/midi_file.h"
#include "song/drop_target.h"

namespace songloom::harmony {
namespace {

constexpr std::int32_t kImportDivision = 96;
constexpr Tick kEighth = kImportDivision / 2;

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

// What the file says of itself beside its notes: the first of each kind.
struct FileFacts {
    std::optional<std::int32_t> timeSignature;  // numerator * 256 + denominator
    Tick timeSignatureChange = -1;               // where a second, different one starts
    std::optional<std::uint32_t> tempo;          // microseconds per quarter
    std::optional<KeySignature> keySignature;
    std::string title;                           // bytes as the file holds them
};

// What the import keeps of a file once it is read: the statistics, the notes
// and the melody channel's own track, not the file's events.
struct LoadedFile {
    midi::CMidiChannelAnalyzer channels;
    // The notes as the file has them, then the bass taken from chords.
    std::vector<AnalysisNote> analysed;
    std::size_t fileNotes = 0;  // how many of analysed are the file's own
    midi::CMidiTrack melody;    // the melody channel split off (TrackNotes)
    std::array<int, 16> analysisRoles{};
    bool addedBass = false;
    Tick endTime = 0;
    FileFacts facts;

    explicit LoadedFile(Reporter& reporter) : melody(reporter) {}
    std::span<const AnalysisNote> notes() const { return std::span(analysed).first(fileNotes); }
};

std::vector<AnalysisNote> NotesOf(const midi::CMidiTrack& track)
{
    std::vector<AnalysisNote> notes;
    const auto isNote = [](const midi::CMidiEvent& e) {
        return e.Kind == midi::kKindNote && e.Channel >= 0 && e.Channel < 16;
    };
    notes.reserve(static_cast<std::size_t>(std::count_if(track.Events().begin(), track.Events().end(), isNote)));
    Tick time = 0;
    for (const auto& e : track.Events()) {
        time = midi::AddTicks(time, e.DeltaTime);
        if (isNote(e)) {
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

bool IsBlank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

FileFacts ReadFacts(const midi::CMidiTrack& track)
{
    FileFacts facts;
    Tick time = 0;
    for (const auto& e : track.Events()) {
        time = midi::AddTicks(time, e.DeltaTime);
        if (e.Kind != midi::kKindMeta) continue;
        if (e.Number == midi::kMetaTimeSignature && e.Value > 0) {
            if (!facts.timeSignature) {
                facts.timeSignature = e.Value;
            } else if (facts.timeSignatureChange < 0 && e.Value != *facts.timeSignature) {
                facts.timeSignatureChange = time;
            }
        } else if (e.Number == midi::kMetaTempo && !facts.tempo && e.Value > 0) {
            facts.tempo = static_cast<std::uint32_t>(e.Value);
        } else if (e.Number == midi::kMetaKeySignature && !facts.keySignature && e.Data.size() >= 2) {
            facts.keySignature = KeySignature{static_cast<std::int8_t>(e.Data[0]), e.Data[1] ? 1 : 0};
        } else if ((e.Number == midi::kMetaTrackName || e.Number == midi::kMetaText) && facts.title.empty()) {
            const std::size_t n = std::min<std::size_t>(e.Data.size(), static_cast<std::size_t>(std::max(0, e.DataLength)));
            std::string text(e.Data.begin(), e.Data.begin() + static_cast<std::ptrdiff_t>(n));
            text = text.substr(0, text.find('\0'));
            if (!IsBlank(text)) facts.title = std::move(text);
        }
    }
    return facts;
}

// True when text is well-formed UTF-8 with at least one multi-byte
// character: such a title was written by a tool of today, not in CP932.
bool IsMultiByteUtf8(std::string_view text)
{
    bool multi = false;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > text.size()) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        multi = multi || len > 1;
        i += len;
    }
    return multi;
}

// The song's title field from the file's text: CP932 as the song keeps it,
// control characters blanked, cut to the field without splitting a character.
std::string SongTitleOf(std::string text)
{
    if (IsMultiByteUtf8(text)) text = Utf8ToCp932(text);
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < ' ') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return TruncateCp932(text, sizeof(song::SongInfo::title) - 1);
}

MeterReading MeterOf(const FileFacts& facts, std::span<const AnalysisNote> notes, const std::array<int, 16>& roles,
                     std::vector<std::string>& messages)
{
    MeterReading m;
    if (!facts.timeSignature) {
        m.fromAccents = true;
        m.beats = BeatsFromAccents(notes, roles, kImportDivision);
        messages.push_back(std::string("the file states no meter: ") + (m.beats == 3 ? "3/4" : "4/4") +
                           " read from the accents of its notes");
        return m;
    }
    const int numerator = *facts.timeSignature >> 8;
    const int denominator = *facts.timeSignature & 0xFF;
    m.fileMeter = std::to_string(numerator) + "/" + std::to_string(denominator);
    if (numerator == 3 && denominator == 4) {
        m.beats = 3;
    } else if ((numerator == 4 && denominator == 4) || (numerator == 2 && denominator == 2)) {
        m.beats = 4;
    } else if (numerator == 2 && denominator == 4) {
        m.beats = 4;
        m.pairedBars = true;
    } else if (numerator == 6 && denominator == 8) {
        m.beats = 3;
        m.eighthsAsSlots = true;
        messages.push_back("6/8 is read as 3/4: the six eighths of each bar are the bar's six eighth slots");
    } else {
        m.beats = 4;
        messages.push_back("the meter " + m.fileMeter + " is not one a song can hold: imported in 4/4");
    }
    if (facts.timeSignatureChange >= 0) {
        messages.push_back("the meter changes at quarter " + std::to_string(facts.timeSignatureChange / kImportDivision + 1) +
                           ": the whole song keeps the first one");
    }
    return m;
}

bool LoadAndAnalyze(Reporter& reporter, midi::CMidiFile0 file, LoadedFile& out)
{
    if (!file.Loaded()) return false;
    if (file.State != 2) file.PairNotes();
    file.ReleaseImage();
    if (file.Division != kImportDivision) file.SetResolution(kImportDivision);
    midi::CMidiTrack& track = file.Track;
    out.channels.Analyze(track.Events(), kImportDivision);
    out.analysed = NotesOf(track);
    out.fileNotes = out.analysed.size();
    const bool anyNote = std::any_of(out.analysed.begin(), out.analysed.end(),
                                     [](const AnalysisNote& n) { return n.velocity > 0; });
    if (!anyNote) {
        // The analysis error, saying why: there is nothing to analyse.
        reporter.Report({"GENE", gene::kAnalysis,
                         std::string(GeneralMessageText(gene::kAnalysis)) + "このファイルには音符がありません。", true});
        return false;
    }
    out.facts = ReadFacts(track);
    const int melodyChannel = out.channels.MelodyChannel();
    if (melodyChannel >= 0) out.melody = midi::ChannelTrack(track, melodyChannel);
    // What the import needs of the events is taken: a large file's events
    // go before its notes are worked on.
    track.TakeEvents();
    for (int c = 0; c < 16; ++c) {
        out.analysisRoles[static_cast<std::size_t>(c)] =
            AnalysisRoleOf(out.channels.Channels[static_cast<std::size_t>(c)].Role);
    }
    for (const auto& n : out.notes()) {
        if (n.velocity > 0) out.endTime = std::max(out.endTime, midi::AddTicks(n.time, n.duration));
    }
    out.addedBass = AddBassFromChords(out.analysed, out.analysisRoles, out.channels);
    return true;
}

int BarsOf(Tick endTime, int beats)
{
    const std::int64_t quarters = (std::int64_t{endTime} + kImportDivision - 1) / kImportDivision;
    const std::int64_t bars = (quarters + beats - 1) / beats;
    return static_cast<int>(std::clamp<std::int64_t>(bars, 1, song::MaxBars));
}

// One song chord name per beat from the beat readings. Beats where nothing
// sounds keep the chord before them (the key's chord at the start); the
// beats before the first chord of the accompaniment (a pickup, or silence)
// take that first chord.
void ChooseBeatChords(std::vector<BeatChordReading> readings, int beats, std::string_view keyChord,
                      MidiImportReport& report)
{
    readings.resize(static_cast<std::size_t>(beats));
    auto first = std::find_if(readings.begin(), readings.end(),
                              [](const BeatChordReading& r) { return r.fromHarmony && !r.candidates.empty(); });
    if (first == readings.end()) {
        first = std::find_if(readings.begin(), readings.end(),
                             [](const BeatChordReading& r) { return !r.candidates.empty(); });
    }
    report.pickupBeats = 0;
    if (first != readings.end()) {
        report.pickupBeats = static_cast<int>(first - readings.begin());
        for (auto it = readings.begin(); it != first; ++it) it->candidates = first->candidates;
    }
    std::string previous(keyChord);
    while (!previous.empty() && previous.back() == ' ') previous.pop_back();
    report.beatChords.clear();
    report.alternatives.clear();
    for (const auto& r : readings) {
        if (!r.candidates.empty()) previous = CandidateName(r.candidates.front());
        report.beatChords.push_back(previous);
        report.alternatives.push_back(r.candidates);
    }
}

// The whole reading of a loaded file, without touching a song.
void ReadFile(const LoadedFile& loaded, MidiImportReport& report)
{
    report.notes.clear();
    report.meter = MeterOf(loaded.facts, loaded.analysed, loaded.analysisRoles, report.notes);
    const int beats = report.meter.beats;
    report.bars = BarsOf(loaded.endTime, beats);
    const std::int64_t quarters = (std::int64_t{loaded.endTime} + kImportDivision - 1) / kImportDivision;
    if (quarters > std::int64_t{song::MaxBars} * beats) {
        report.notes.push_back("the music is longer than " + std::to_string(song::MaxBars) +
                               " bars: what follows bar " + std::to_string(song::MaxBars) + " is left out");
    } else if (report.meter.pairedBars && (quarters + 1) / 2 % 2 == 1) {
        report.notes.push_back("2/4 bars are paired into 4/4 bars: the last 2/4 bar is padded with two beats of rest");
    } else if (report.meter.pairedBars) {
        report.notes.push_back("2/4 bars are paired into 4/4 bars");
    }

    const auto ranked = RankKeys(KeyHistogram(loaded.notes(), kImportDivision * beats));
    report.keyRanking.assign(ranked.begin(), ranked.begin() + 3);
    report.keySignature = loaded.facts.keySignature;
    const KeyCandidate key = ChooseKey(ranked, loaded.facts.keySignature, &report.keyFromSignature);
    std::optional<int> sharps;
    if (loaded.facts.keySignature) sharps = loaded.facts.keySignature->sharps;
    report.key = std::max(0, KeyIndexOf(key.tonic, key.mode, sharps));
    report.keyName = std::string(song::KeyTable[static_cast<std::size_t>(report.key)].name);

    BeatChordOptions options;
    options.ticksPerQuarter = kImportDivision;
    options.beatsPerBar = beats;
    options.beatCount = report.bars * beats;
    options.keyTonic = key.tonic;
    options.keyMode = key.mode;
    ChooseBeatChords(ReadBeatChords(loaded.analysed, loaded.analysisRoles, options), report.bars * beats,
                     song::KeyNameOf(report.key), report);

    report.tempo = loaded.facts.tempo ? ImportTempoOf(*loaded.facts.tempo) : kImportDefaultTempo;
    report.title = SongTitleOf(loaded.facts.title);
    for (int c = 0; c < 16; ++c) {
        const auto& channel = loaded.channels.Channels[static_cast<std::size_t>(c)];
        report.roles[static_cast<std::size_t>(c)] = channel.Role;
        report.used[static_cast<std::size_t>(c)] = channel.Used != 0;
    }
    report.melodyChannel = loaded.channels.MelodyChannel();
    report.addedBass = loaded.addedBass;
}

struct MelodyNote {
    Tick start;
    Tick length;
    int pitch;  // 0 = rest
};

// The melody channel reduced to one line: note-offs back, quantised to
// sixteenths, paired, overlaps removed; gaps become rests.
std::vector<MelodyNote> MelodyLine(midi::CMidiTrack track, int channel)
{
    std::vector<MelodyNote> line;
    if (channel < 0 || channel > 15) return line;
    track.SplitNotes();
    track.Quantize(4, kImportDivision);
    track.PairNotes();
    track.MakeMonophonic();
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
    // The last note ends with a rest, so that a bar padded to the song's
    // meter does not hold it to the bar's end.
    if (!line.empty()) line.push_back({cursor, 0, 0});
    return line;
}

void WriteMelody(song::SongData& song, const std::vector<MelodyNote>& line)
{
    const int slotsPerBar = song.SlotsPerBar();
    std::vector<bool> noteWritten(static_cast<std::size_t>(song::MaxSlots), false);
    std::vector<bool> anyWritten(static_cast<std::size_t>(song::MaxSlots), false);
    for (const auto& n : line) {
        // A rest starts in the first slot that begins in silence.
        const std::int64_t start = n.start;
        const int slot = static_cast<int>(n.pitch == 0 ? (start + kEighth - 1) / kEighth : start / kEighth);
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
                 MidiImportReport* out)
{
    MidiImportReport local;
    MidiImportReport& report = out ? *out : local;
    ReadFile(loaded, report);
    const int beats = report.meter.beats;
    const std::vector<MelodyNote> line = MelodyLine(std::move(loaded.melody), report.melodyChannel);

    song.TakeSnapshot();
    if (!song.Reset(reporter, report.bars, beats, report.key)) {
        song.RestoreSnapshot();
        return false;
    }
    for (int beat = 0; beat < report.bars * beats; ++beat) {
        song::DropChordOnScore(reporter, song, report.beatChords[static_cast<std::size_t>(beat)], beat / beats,
                               (beat % beats) * 2);
    }
    WriteMelody(song, line);
    song.info.tempo = report.tempo;
    song.info.instrument = instrument;
    std::copy(report.title.begin(), report.title.end(), song.info.title.begin());
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
    LoadedFile loaded(reporter);
    if (!LoadAndAnalyze(reporter, midi::CMidiFile0(reporter, path), loaded)) return false;
    ReadFile(loaded, report);
    return true;
}

bool ImportMidi(Reporter& reporter, const std::string& path, song::SongData& song, int instrument,
                MidiImportReport* report)
{
    LoadedFile loaded(reporter);
    if (!LoadAndAnalyze(reporter, midi::CMidiFile0(reporter, path), loaded)) return false;
    return ApplyImport(reporter, loaded, song, instrument, report);
}

bool ImportMidiImage(Reporter& reporter, std::span<const std::uint8_t> image, song::SongData& song,
                     int instrument, MidiImportReport* report)
{
    LoadedFile loaded(reporter);
    if (!LoadAndAnalyze(reporter, midi::CMidiFile0(reporter, image), loaded)) return false;
    return ApplyImport(reporter, loaded, song, instrument, report);
}

int ImportTempoOf(std::uint32_t microsecondsPerQuarter)
{
    if (microsecondsPerQuarter == 0) return kImportMaxTempo;
    const std::uint64_t bpm = (60'000'000ull + microsecondsPerQuarter / 2) / microsecondsPerQuarter;
    return static_cast<int>(std::clamp<std::uint64_t>(bpm, kImportMinTempo, kImportMaxTempo));
}

int BeatsFromAccents(std::span<const AnalysisNote> notes, const std::array<int, 16>& roles, int ticksPerQuarter)
{
    const std::int64_t tpq = std::max(1, ticksPerQuarter);
    // The beats a song can hold are plenty to tell the meter by.
    constexpr std::int64_t kBeatsRead = song::MaxBeats;
    std::vector<double> strength(kBeatsRead, 0.0);
    std::vector<std::array<bool, 12>> accompaniment(kBeatsRead);
    std::int64_t last = -1;
    for (const auto& n : notes) {
        if (n.velocity <= 0 || n.channel < 0 || n.channel > 15 || n.channel == 9 || n.time < 0) continue;
        const std::int64_t beat = (n.time + tpq / 8) / tpq;
        if (beat >= kBeatsRead || std::abs(n.time - beat * tpq) > tpq / 8) continue;
        // A note counts by how long it lasts, up to a whole 4/4 bar.
        strength[static_cast<std::size_t>(beat)] +=
            1.0 + static_cast<double>(std::clamp<std::int64_t>(n.duration, 0, 4 * tpq)) / static_cast<double>(tpq);
        const int role = roles[static_cast<std::size_t>(n.channel)];
        if (role == kAnalysisBass || role == kAnalysisHarmony) {
            accompaniment[static_cast<std::size_t>(beat)][static_cast<std::size_t>(PitchClass(n.pitch))] = true;
        }
        last = std::max(last, beat);
    }
    if (last < 0) return 4;
    const std::size_t count = static_cast<std::size_t>(last) + 1;
    // A change of the accompaniment's pitch classes marks a strong beat.
    std::array<bool, 12> previous{};
    for (std::size_t b = 0; b < count; ++b) {
        const auto& now = accompaniment[b];
        if (std::find(now.begin(), now.end(), true) != now.end() && now != previous) {
            strength[b] += 2.0;
            previous = now;
        }
    }
    // For each meter, the phase whose beats stand out most from the others.
    auto contrast = [&](std::size_t meter) {
        double best = -1e300;
        for (std::size_t phase = 0; phase < meter; ++phase) {
            double on = 0.0, off = 0.0;
            std::size_t nOn = 0, nOff = 0;
            for (std::size_t b = 0; b < count; ++b) {
                if (b % meter == phase) {
                    on += strength[b];
                    ++nOn;
                } else {
                    off += strength[b];
                    ++nOff;
                }
            }
            if (nOn == 0 || nOff == 0) continue;
            best = std::max(best, on / static_cast<double>(nOn) - off / static_cast<double>(nOff));
        }
        return best;
    };
    return contrast(3) > contrast(4) ? 3 : 4;
}

}  // namespace songloom::harmony
