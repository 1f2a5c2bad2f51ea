#pragma once
// The composition engine's state. The app keeps one EngineContext for its
// whole run, the CLI and every test make their own; every engine function
// takes it as its first parameter. A composition resets what it uses
// (ResetForComposition), so nothing of one rendering leaks into the next
// except what the engine keeps on purpose (the knowledge-base text, the
// answered long-pipe question, the remembered programs until set up anew).

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "arrange/data_files.h"
#include "arrange/style_catalogue.h"
#include "arrange/style_record.h"
#include "common/random.h"
#include "common/reporter.h"
#include "harmony/chord_entry.h"

namespace songloom::midi {
class CMidiTrack;
}

namespace songloom::arrange {

using Tick = std::int32_t;

// Time base: 96 ticks per quarter note; bar lengths by meter come from
// BarTicks of the style record.

// Channels of the engine, zero-based MIDI channels: every per-part array is
// indexed by them.
inline constexpr int kMelodyChannel = 1;
inline constexpr int kBassChannel = 2;
inline constexpr int kAccompanimentChannel = 3;
inline constexpr int kSecondLineChannel = 4;
inline constexpr int kPercussionLineChannel = 5;
inline constexpr int kMelodyDoubleChannel = 6;
inline constexpr int kAccompaniment2Channel = 7;
inline constexpr int kEffectChannel = 8;
inline constexpr int kDrumChannel = 9;
inline constexpr int kMelodyDoublingChannel = 10;
inline constexpr int kAccompanimentDoublingChannel = 11;

// Kind word of a note entry in the lists the driver builds; 0 marks a chord.
inline constexpr int kNoteKind = 144;
inline constexpr int kChordKind = 0;

// Capacity of a NoteList, in entries.
inline constexpr std::size_t kMaxEngineNotes = 16384;

// One entry of a NoteList: a note (or rest) with its length, or a chord that
// becomes the current chord of the notes after it.
struct EngineNote {
    Tick length = 0;          // ticks; 1..384 for notes
    int pitch = 0;            // MIDI note; below 12 or low byte 0 is a rest
    int kind = kNoteKind;     // kNoteKind (or any non-zero) note, kChordKind chord
    std::array<char, 4> chord{};       // chord entries: the four-character chord code
    std::array<char, 2> bassOffset{};  // chord entries: two digits, or {0, 0} for none

    bool IsChord() const { return kind == kChordKind; }
    bool IsRest() const { return pitch < 12 || (pitch & 0xFF) == 0; }
    std::string_view ChordCode() const { return {chord.data(), chord.size()}; }

    static EngineNote Note(Tick length, int pitch)
    {
        EngineNote n;
        n.length = length;
        n.pitch = pitch;
        return n;
    }
    static EngineNote Chord(Tick length, std::string_view code, std::string_view bass = {});

    bool operator==(const EngineNote&) const = default;
};

// The engine's note list: at most kMaxEngineNotes entries in time order.
class NoteList {
public:
    // Appends one entry. A list already holding 16,383 entries reports YRAC
    // 0xFF010134 and still takes this one; a full list ignores it (false).
    bool Append(Reporter& reporter, const EngineNote& entry);
    void Clear() { entries_.clear(); }

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const EngineNote& operator[](std::size_t i) const { return entries_[i]; }
    EngineNote& operator[](std::size_t i) { return entries_[i]; }
    const std::vector<EngineNote>& entries() const { return entries_; }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

    bool operator==(const NoteList&) const = default;

private:
    std::vector<EngineNote> entries_;
};

// One record of the drum list: a chord of a section, its length and a code
// "<section letter><E for the section's last chord, else X>XX".
struct DrumRecord {
    Tick length = 0;
    std::array<char, 4> code{};
    bool operator==(const DrumRecord&) const = default;
};

// A section as letter and engine chord records (six bytes each, length high
// byte first, then the chord code, without the closing zero bytes): the form
// in which a section's chords are handed between stages as bytes.
// How a composition takes its melody. The numbers are the engine's own.
enum class CompositionMode : int {
    kUserMelody = 3,  // the user's melody is taken as it is
};

// Whether a composition writes its file or only keeps the image.
enum class OutputMode : int {
    kImageOnly = 2,
    kWriteFile = 3,
};

struct SongSection {
    char letter = 'A';
    std::vector<std::uint8_t> chordRecords;
};

// Letter of a section of the song structure in the drum list: sections
// alternate between two kinds, 'A' for odd numbers and 'B' for even ones.
constexpr char SectionLetter(int sectionNumber) { return sectionNumber % 2 == 1 ? 'A' : 'B'; }

// The chord list of the engine's song structure: section 'A' is number 1,
// 'B' 2... Returns its length in beats.
int BuildChordList(const harmony::ChordEntryContext& context, harmony::ChordList& list,
                   std::span<const SongSection> sections);

// How the band performs a composition around its notes: an intro before
// the song, an ending on the last chord, phrase marks (crashes, fills,
// varied phrase ends) and the humanise amount 0-100 (-1: the style's).
enum class IntroKind { kNone, kCountIn, kGroove2, kGroove4 };
struct PerformanceSettings {
    IntroKind intro = IntroKind::kNone;
    bool ending = true;
    bool phrases = true;
    int humanize = -1;
};

// The engine's state. Members owned here unless said otherwise.
struct EngineContext {
    // catalogue: the app's catalogue, built once at start-up; the engine only
    // reads it (SelectStyle copies one record into activeStyle). workDir: the
    // working folder where data files are looked up and files written.
    EngineContext(Reporter& reporter, Random& random, const StyleCatalogue& catalogue,
                  std::string workDir);
    ~EngineContext();
    EngineContext(const EngineContext&) = delete;
    EngineContext& operator=(const EngineContext&) = delete;

    // Clears the lists, the tracks and the per-composition flags.
    void ResetForComposition();
    // The chord entry context of the active style for building entries.
    harmony::ChordEntryContext EntryContext();

    Reporter& reporter;
    Random& random;  // the engine's only source of chance (RandomBetween)
    const StyleCatalogue& catalogue;
    std::string workDir;

    StyleRecord activeStyle;     // the working copy every generator reads
    TimeChartNames timeCharts;   // chosen with the active style
    DataFiles dataFiles;         // the engine's data-file buffers
    harmony::ChordList chords;   // chord entries of the song structure, time order

    // Engine chord list of the converted song: six-byte records and the two
    // closing zero bytes.
    std::vector<std::uint8_t> chordRecords;
    NoteList userMelody;    // the song's melody as converted
    NoteList melody;        // melody source list rendered on channel 1 (and 4, 6)
    NoteList secondMelody;  // list of channel 6 when the second melody is on
    NoteList percussionLine;  // generated line of channel 5
    std::vector<harmony::ChordSection> sections;  // song structure, numbered from 1
    std::vector<DrumRecord> drums;      // drum list, one record per section chord

    // The engine's output: one track per playing channel, in stage order.
    std::vector<std::unique_ptr<midi::CMidiTrack>> tracks;

    // Composition settings (the driver's Prepare writes them).
    CompositionMode compositionMode = CompositionMode::kUserMelody;
    int userMelodyFlag = 1;
    int secondMelodySwitch = 0;   // 1 renders channel 6 from secondMelody
    int modulationFlag = 0;       // 1 when the engine found a modulation
    int modulationAt[2] = {0, 0};  // tick positions of the two key changes
    int plainOrnamentSwitchA = 0;  // ornaments 11 and 19 render plain when A is 1 and B is 3
    int plainOrnamentSwitchB = 0;
    OutputMode outputMode = OutputMode::kWriteFile;
    bool stopRetrying = false;    // set by a stage that cannot do better on another try
    bool chordDisplay = true;     // chord markers in the conductor track
    bool leadInBar = false;       // drums start after one bar's rest when set
    int soundModuleMode = 0;      // read by the drum kit choice
    PerformanceSettings performance;  // a setting: kept from one composition to the next

    // Programs remembered at channel set-up (channel 6 plays channel 1's).
    int melodyProgram = 0;
    int secondLineProgram = 0;

    // The long-pipe / siren question is asked at most once per process; a
    // Cancel keeps those effects off for the rest of the run.
    bool effectQuestionAsked = false;
    bool effectRefused = false;
};

// Stage entry points the driver calls, in this order, after the conductor
// track and the melody: each appends its track(s) to ctx.tracks and does
// nothing for a channel whose instrument is kNoInstrument.
//   RenderAccompanimentChannel(ctx, 3), RenderAccompanimentChannel(ctx, 7),
//   (second line 4 and percussion line 5: melody rendering),
//   RenderBassChannel(ctx), RenderDrumChannel(ctx), RenderEffectChannel(ctx).

}  // namespace songloom::arrange
