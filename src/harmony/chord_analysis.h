#pragma once
// Naming the key and the chords of a piece of MIDI music from its notes alone.
// The piece is cut into segments of two quarter notes; each segment's chord is
// named from how long each pitch class sounds in it, per channel role.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/reporter.h"

namespace songloom::harmony {

using Tick = std::int32_t;

// What the analysis needs of one note: its start, its length, its channel
// (0-15), pitch and velocity.
struct AnalysisNote {
    Tick time = 0;
    Tick duration = 0;
    int channel = 0;
    int pitch = 0;
    int velocity = 0;
};

// Channel roles as the analysis reads them; any other value is ignored.
inline constexpr int kAnalysisBass = 1;
inline constexpr int kAnalysisHarmony = 2;
inline constexpr int kAnalysisMelody = 3;

// Key segments the histogram holds; a longer piece is analysed up to here.
inline constexpr int kMaxKeySegments = 1800;
inline constexpr std::size_t kChordNameMax = 17;

struct KeyEstimate {
    std::string keyTemplate;  // "xxxx" and twelve digits, '9' on the key's seven pitch classes
    int tonic = 0;            // pitch class 0 (C) .. 11
    int mode = 0;             // always 0: the estimate does not tell minor from major
};

struct ChordAnalysis {
    KeyEstimate key;
    std::string keyName;            // from the song's key table
    std::vector<std::string> names;  // one per segment; "UnKnown" where nothing sounds
    Tick segmentLength = 0;          // two quarter notes in the piece's ticks
    bool truncated = false;          // the piece was longer than kMaxKeySegments
};

// Called before each of the two phases and once per 100 segments.
using AnalysisProgress = std::function<void()>;

// Fills the key histogram from the note onsets (drums on channel 10 left out)
// and ranks the pitch classes; the best-ranked one is the tonic.
KeyEstimate EstimateKey(std::span<const AnalysisNote> notes, int ticksPerQuarter);

// The key table name for tonic and mode; "C" when the first row with that
// tonic has another mode.
std::string KeyName(int tonic, int mode);

// Whether a tension counts over a root (both pitch classes).
bool TensionAllowed(int rootPitchClass, int tensionPitchClass);

// The text of one chord; intervals in semitones above the root, -1 absent.
// A root of -1 gives "UnKnown".
std::string NameChord(int root, int third, int fifth, int seventh, int ninth, int eleventh,
                      int thirteenth);

// Notes need not be sorted; roles is indexed by channel.
ChordAnalysis AnalyzeChords(Reporter& reporter, std::span<const AnalysisNote> notes,
                            int ticksPerQuarter, const std::array<int, 16>& roles,
                            const AnalysisProgress& progress = {});

}  // namespace songloom::harmony
