#pragma once
// What the bass, accompaniment, effect and drum generators read, as plain
// values: the style's switches, its step grids, the chords they walk and a
// buffer that collects the notes they write at absolute ticks. The stage
// functions (arrange/generators.h) fill these from the engine context and
// hand the collected notes to the engine's note writer in time order, so the
// pattern routines themselves stay testable without tracks or catalogues.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "arrange/engine_context.h"
#include "arrange/style_record.h"
#include "common/random.h"
#include "common/reporter.h"

namespace songloom::arrange {

inline constexpr Tick kTicksPerBeat = 96;

// Engine error codes the generators report ("YRAC").
inline constexpr std::uint32_t kDrumPatternError = 0xFF010001;
inline constexpr std::uint32_t kDrumSoundError = 0xFF010002;
inline constexpr std::uint32_t kPatternError = 0xFF010027;
inline constexpr std::uint32_t kMeterError = 0xFF010133;
inline constexpr std::uint32_t kEffectProgramError = 0xFF0101D2;
inline constexpr std::uint32_t kMeterFeelConflict = 0xFF0101D4;

// A chord entry as the generators see it. `tones` are the entry's three upper
// notes (third, fifth and seventh as placed by the voicing) sorted rising, the
// "second, third and fourth note" of the routines; 0 stands for a missing one.
struct PatternChord {
    Tick length = 0;
    int root = 0;  // 60..71, 0 for no chord
    int bass = 0;
    std::array<int, 3> tones{};
    std::array<char, 4> code{'N', 'o', 'C', 'd'};
    std::array<std::uint8_t, 12> digits{9, 0, 9, 0, 9, 9, 0, 9, 0, 9, 0, 9};  // template weights by pitch class
    char section = 'A';  // section letter of the structure; a change toggles grid pairs

    int second() const { return tones[0]; }
    int third() const { return tones[1]; }
    int fourth() const { return tones[2]; }
    // Semitones above the root of the chord's third, fifth and seventh (or
    // added tone) by its code; 0 where the code names none.
    int ThirdInterval() const;
    int FifthInterval() const;
    int SeventhInterval() const;
    bool IsChordTone(int note) const { return note >= 0 && digits[static_cast<std::size_t>(note % 12)] >= 5; }
};

// Builds a chord from its parts, sorting the three upper notes; for tests and
// for the stage functions. `templateDigits` holds twelve digit characters
// (a chord template without its code), empty for the default C major scale.
PatternChord MakePatternChord(Tick length, std::string_view code, int root, int bass, int third, int fifth,
                              int seventh, std::string_view templateDigits = {});

// One note (or rest: note 0, velocity 0) at an absolute tick of the channel.
struct PlacedNote {
    Tick at = 0;
    int note = 0;
    int velocity = 0;
    Tick duration = 0;
    bool operator==(const PlacedNote&) const = default;
};

// Collects a generator's notes. Routines may write notes of one step out of
// order (a strum, a held voice); Ordered() gives them as the note writer
// needs them: by start time, ties in writing order. Order() puts the buffer
// itself in that order.
class NoteBuffer {
public:
    // barLength: ticks of the song's bar, to which figures fit their cycle
    // (0: figures play as written).
    explicit NoteBuffer(Tick barLength = 0) : barLength_(barLength) {}
    Tick BarLength() const { return barLength_; }
    void Note(Tick at, int note, int velocity, Tick duration) { notes_.push_back({at, note, velocity, duration}); }
    void Rest(Tick at, Tick duration) { notes_.push_back({at, 0, 0, duration}); }
    const std::vector<PlacedNote>& notes() const { return notes_; }
    std::vector<PlacedNote> Ordered() const;
    void Order();
    // Notes that sound: velocity above 0 and a note number of 13 or more.
    std::vector<PlacedNote> Sounding() const;

private:
    std::vector<PlacedNote> notes_;
    Tick barLength_ = 0;
};

// The style switches and data every generator may read, plus the engine's
// random source and reporter. Values mirror the active style's fields.
struct PatternContext {
    PatternContext(Random& rng, Reporter& rep) : random(rng), reporter(rep) {}

    Random& random;
    Reporter& reporter;
    int meter = 0;       // 0 = 4/4, 1 = 3/4, 2 = 7/8
    int rhythmFeel = 0;  // 3 = triplet based
    int accompanimentPattern = 17;  // channel 3's pattern number, read by several routines
    bool bassPlays = true;          // channel 2 has an instrument
    int drumPattern = 14;
    int drumVariation = 0;  // the style's groove of its drum pattern
    int drumKit = 1;  // channel 9's instrument value
    int genreBass = 0;  // the style's genre bass figure (0: the bass pattern's own)
    int soundModuleMode = 0;
    GridBlock grids{};  // the style's step grids, grid mode and pair switches
    std::array<std::uint8_t, kRhythmSeedSteps> rhythmSeed{};  // 1 where a new note starts; [0] == 0: none

    const StepGrid& Grid(int index) const { return grids.grids[static_cast<std::size_t>(index)]; }
    bool HasRhythmSeed() const { return rhythmSeed[0] != 0; }
    // Whether the rhythm table starts a note within [from, from + span) ticks
    // of the song: the table has 32 steps of 12 ticks a 4/4 bar and repeats
    // every 96 steps. Without a table, notes start on the beats.
    bool SeedStarts(Tick from, Tick span) const;
    // The onsets of a chord of `length` ticks at tick `from` of the song on
    // steps of `step`: its start, then every step where the table starts a
    // note. Replaces what `onsets` held.
    void SeedOnsets(Tick from, Tick length, Tick step, std::vector<Tick>& onsets) const;

    int RB(int a, int b) { return RandomBetween(random, a, b); }
    void Error(std::uint32_t code);
    bool Triplet() const { return rhythmFeel == 3; }
    Tick BarLength() const { return meter == 0 ? 384 : meter == 1 ? 288 : 336; }
};

// Default row labels of the melodic grids (5..18) and of the drum grid.
void SetDefaultGridLabels(PatternContext& context);

// The generator values of a style record.
void CopyStyleValues(PatternContext& context, const StyleRecord& style);

// Sum of the chord lengths.
Tick TotalLength(std::span<const PatternChord> chords);

}  // namespace songloom::arrange
