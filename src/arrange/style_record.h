#pragma once
// One music style: every parameter the arrangement engine reads that is
// particular to a style. The catalogue holds 216 of these; the engine works
// on a copy (the active style) and never writes a style back.
//
// Indexing: every per-part array is indexed by the zero-based MIDI channel,
// so the index is the part (1 melody, 2 bass, 3 and 7 accompaniment, 4 second
// melodic line, 5 melodic percussion, 6 melody double, 8 effects, 9 drums).
// Text fields hold CP932 bytes, NUL-terminated inside their fixed size.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace songloom::arrange {

// 0-127 General MIDI program, 128-135 extra voices, 136-151 instrument groups
// (a member is drawn each time the channel is set up), 256 channel not used.
using InstrumentCode = std::int32_t;
inline constexpr InstrumentCode kFirstExtraVoice = 128;
inline constexpr InstrumentCode kFirstInstrumentGroup = 136;
inline constexpr InstrumentCode kInstrumentCodeCount = 152;  // codes with a name
inline constexpr InstrumentCode kNoInstrument = 256;

inline constexpr int kStyleChannels = 10;   // channels 0-9 carry instruments and mixers
inline constexpr int kPartParamBlocks = 16;  // channels 0-15

// Meter codes and their bar lengths at 96 ticks per quarter note.
inline constexpr int kMeter44 = 0;
inline constexpr int kMeter34 = 1;
inline constexpr int kMeter78 = 2;
inline constexpr int kTicksPerQuarter = 96;
// 384 for 4/4, 288 for 3/4, 336 for 7/8 (any meter code but 0 and 1).
constexpr int BarTicks(int meter) { return meter == kMeter44 ? 384 : meter == kMeter34 ? 288 : 336; }

// rhythmFeel: 0 and 1 straight, 3 triplet-based (shuffle, swing).
inline constexpr int kTripletFeel = 3;

// drumKitProgram value that leaves the kit to the drum pattern's rule.
inline constexpr int kKitByPattern = -1;

// A mixer value of 64 in bytes 1-7 means "leave the controller alone": the
// channel set-up sends nothing for it.
inline constexpr std::uint8_t kMixerUntouched = 64;

// 16 bytes a channel; bytes 10-15 are carried but never read.
struct ChannelMixer {
    std::uint8_t volume = 0;         // controller 7
    std::uint8_t chorus = 0;         // controller 93
    std::uint8_t reverb = 0;         // controller 91
    std::uint8_t brightness = 0;     // controller 74
    std::uint8_t attack = 0;         // controller 73
    std::uint8_t decay = 0;          // controller 75
    std::uint8_t release = 0;        // controller 72
    std::uint8_t resonance = 0;      // controller 71
    std::uint8_t pan = 0;            // controller 10
    std::uint8_t doublingDelay = 0;  // ticks; channels 1 and 3 only; 0 = no doubling
    std::array<std::uint8_t, 6> unread{};

    // Byte by its position 0-15 (for code that walks the bytes in the order
    // the channel set-up sends them); 0 outside.
    std::uint8_t Byte(int index) const;
    void SetByte(int index, std::uint8_t value);

    bool operator==(const ChannelMixer&) const = default;
};

// Byte positions of ChannelMixer.
inline constexpr int kMixVolume = 0;
inline constexpr int kMixChorus = 1;
inline constexpr int kMixReverb = 2;
inline constexpr int kMixBrightness = 3;
inline constexpr int kMixAttack = 4;
inline constexpr int kMixDecay = 5;
inline constexpr int kMixRelease = 6;
inline constexpr int kMixResonance = 7;
inline constexpr int kMixPan = 8;
inline constexpr int kMixDoublingDelay = 9;

// Rendering parameters of one channel, 15 values.
struct PartParams {
    std::int32_t partKind = 0;         // read by the chord and rhythm generators
    std::int32_t partVariant = 0;      // melodic-line generator
    std::int32_t restInsertion = 0;    // 1: random rests in a generated line
    std::int32_t unread3 = 0;
    std::int32_t ornament = 0;         // melody rendering algorithm and first post-process code
    std::int32_t ornament2 = 0;        // second post-process code
    std::int32_t partFlag = 0;         // read by the composition driver
    std::int32_t highestNote = 0;      // MIDI note number, above lowestNote
    std::int32_t lowestNote = 0;
    std::int32_t lineMethod = 0;       // 1-7, see the melodic-line generator
    std::int32_t renderOption = 0;     // value 10: read by the melody renderer (0-2)
    std::int32_t rhythmImitation = 0;  // 0 never, 1 chance 1/2, 2 always
    std::int32_t pitchImitation = 0;   // the same for pitch steps
    std::int32_t lineOption13 = 0;     // values 13 and 14: melodic-line generator switches
    std::int32_t lineOption14 = 0;

    bool operator==(const PartParams&) const = default;
};

inline constexpr int kGridRows = 14;
inline constexpr int kGridSteps = 16;
inline constexpr int kGridCount = 16;  // grids 8-15 are carried but never read
inline constexpr int kGridPairs = 4;   // pair p: grid p (first bar) and grid p + 4 (second bar)

// Grid roles.
inline constexpr int kGridAccompaniment1 = 0;  // channel 3, first bar (second bar: 4)
inline constexpr int kGridAccompaniment2 = 1;  // channel 7, first bar (second bar: 5)
inline constexpr int kGridDrums = 2;           // drum pattern 28; labels are GM drum notes - 35
inline constexpr int kGridBass = 3;            // bass pattern 20

// 14 rows by 16 steps of flags (1 = on), 14 row labels, 16 hold flags.
struct StepGrid {
    std::array<std::array<std::int32_t, kGridSteps>, kGridRows> cells{};  // [row][step]
    std::array<std::int32_t, kGridRows> rowLabels{};
    std::array<std::int32_t, kGridSteps> holds{};  // 1: step c holds the notes of step c - 1

    bool operator==(const StepGrid&) const = default;
};

// gridMode: which player accompaniment pattern 47 uses on channel 3
// (0 and 1 the simpler players, 2 the two-bar player).
struct GridBlock {
    std::array<StepGrid, kGridCount> grids{};
    std::int32_t gridMode = 0;
    std::array<std::int32_t, 3> unread{};
    std::array<std::int32_t, kGridPairs> continueSwitch{};  // 1: step counter runs across chords
    std::array<std::int32_t, kGridPairs> strumSwitch{};     // 1: notes of a step 2 ticks apart

    bool operator==(const GridBlock&) const = default;
};

// The default row labels: 5..18 for grids 0, 1 and 3 (voice degrees), GM drum
// notes less 35 for grid 2.
inline constexpr std::array<std::int32_t, kGridRows> kVoiceRowLabels = {5,  6,  7,  8,  9,  10, 11,
                                                                        12, 13, 14, 15, 16, 17, 18};
inline constexpr std::array<std::int32_t, kGridRows> kDrumRowLabels = {0,  1,  3,  4,  5,  7,  9,
                                                                       10, 11, 14, 15, 16, 19, 24};

// One bar of the plan: length in ticks and the bar's four-character chord code.
struct BarPlanEntry {
    std::int32_t length = 0;
    std::array<char, 4> chord{};

    bool operator==(const BarPlanEntry&) const = default;
};
// The plan's room in the record: 4,156 bytes of 6-byte entries and two zero
// bytes at the end.
inline constexpr int kBarPlanBytes = 4156;
inline constexpr int kBarPlanCapacity = (kBarPlanBytes - 2) / 6;  // 692

inline constexpr int kStyleNameBytes = 20;
inline constexpr int kStyleDescriptionBytes = 256;
inline constexpr int kChordTemplateBytes = 17;
inline constexpr int kDatabaseNameBytes = 128;
inline constexpr int kRhythmSeedSteps = 96;

// copyMode value that makes FinishStyle copy channel 1's PartParams into
// channel 4's.
inline constexpr int kCopyMelodyParams = 6;
// timeChartIndex value that selects the alternative home chord code "CMPs".
inline constexpr int kAlternativeHomeChart = 6;

// A default-constructed record is all zero, like a record in static storage;
// ApplyStyleDefaults gives it the values of an undefined style.
struct StyleRecord {
    std::array<InstrumentCode, kStyleChannels> channelInstrument{};
    std::array<ChannelMixer, kStyleChannels> channelMixer{};
    std::array<std::int32_t, kStyleChannels> channelOctave{};  // -1, 0, 1 octaves after generation
    std::array<char, kStyleNameBytes> name{};
    std::int32_t formLength = 0;  // number of BarPlan entries
    std::array<char, kStyleDescriptionBytes> description{};
    std::int32_t meter = 0;             // kMeter44, kMeter34, kMeter78
    std::int32_t tempo = 0;             // microseconds per quarter note
    std::int32_t databaseSet = 0;       // 1 or 2: which time-chart names are chosen
    std::int32_t noteDatabaseKind = 0;  // selects the note database
    std::int32_t rhythmFeel = 0;        // 0, 1 straight; 3 triplet-based
    std::array<std::int32_t, 4> melodyOptions{};
    // 96 step codes of a rhythm drawn at start-up: 1 = a new note value starts
    // at this step, 0 = the previous one goes on. First entry 0 = no table.
    std::array<std::uint8_t, kRhythmSeedSteps> rhythmSeed{};
    std::int32_t chordOption = 0;
    std::array<char, kChordTemplateBytes> defaultChordTemplate{};
    std::array<std::int32_t, 4> voiceFlags{};
    std::array<std::int32_t, 8> choiceWeights{};
    std::array<std::int32_t, 8> choiceOffsets{};
    std::array<char, kDatabaseNameBytes> patternDatabase{};
    std::array<char, kDatabaseNameBytes> cadenceDatabase{};
    GridBlock grids{};
    std::int32_t formA = 0;
    std::int32_t formB = 0;
    std::int32_t copyMode = 0;
    std::int32_t accompanimentPattern = 0;   // channel 3, 1-60 (not 48)
    std::int32_t timeChartIndex = 0;
    std::int32_t drumPattern = 0;            // channel 9, 1-38
    // Which groove of the drum pattern the style plays: 0 is the pattern's
    // first; styles sharing a pattern number each take a groove of their own.
    std::int32_t drumVariation = 0;
    // Program change of the drum channel (a GS kit: 0 standard, 8 room, 16
    // power, 24 electronic, 25 TR-808, 32 jazz, 40 brush, 48 orchestra), or
    // kKitByPattern: the kit follows from the drum pattern and feel.
    std::int32_t drumKitProgram = 0;
    std::int32_t accompaniment2Pattern = 0;  // channel 7, 1-60 (not 48)
    std::int32_t bassPattern = 0;            // channel 2, 1-23
    std::int32_t introOption = 0;
    std::int32_t randomCategory = 0;  // 0 fixed style; category + 1 for a random slot
    std::vector<BarPlanEntry> barPlan;  // at most kBarPlanCapacity entries
    std::array<PartParams, kPartParamBlocks> partParams{};
    std::int32_t harmonyOption = 0;
    // Percentages 20-160, indexed by channel; entry 0 is not used (the
    // record carries channels 1-9).
    std::array<std::int32_t, kStyleChannels> channelDensity{};

    // Arranging choices of the style beyond the fields above; 0 everywhere
    // plays the patterns and lines as their numbers alone give them.
    std::int32_t secondLine = 0;  // SecondLineMode of channel 4
    // The genre's own bass figure (GenreBass of arrange/bass_patterns.h),
    // played in place of the bass pattern's routine; 0 plays the pattern.
    std::int32_t genreBass = 0;
    std::int32_t comping = 0;     // CompingVoicing of channels 3 and 7

    bool operator==(const StyleRecord&) const = default;

    std::string_view Name() const;         // CP932 bytes up to the NUL
    std::string_view Description() const;  // CP932
};

// Writes CP932 text into a fixed field, cut so that the NUL fits and no
// double-byte character is split; the rest of the field is zeroed.
template <std::size_t N>
void SetField(std::array<char, N>& field, std::string_view cp932);
void SetFieldBytes(char* field, std::size_t size, std::string_view cp932);

template <std::size_t N>
void SetField(std::array<char, N>& field, std::string_view cp932)
{
    SetFieldBytes(field.data(), N, cp932);
}

// The text of a fixed field: its bytes up to the first NUL.
template <std::size_t N>
std::string_view FieldView(const std::array<char, N>& field)
{
    return FieldText(field.data(), N);
}

}  // namespace songloom::arrange
