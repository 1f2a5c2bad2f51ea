#pragma once
// Chords one beat at a time, with the readings the analysis weighed: every
// beat gets its best chords ranked by how well their tones cover what sounds
// in the beat (harmony and bass by time, the melody lightly), the bass tone
// deciding between inversions. Beats without harmony or bass are read from
// the melody of the half bar (of the bar in 3/4) around them, leaning on the
// chords of the key.

#include <array>
#include <span>
#include <string>
#include <vector>

#include "harmony/chord_analysis.h"

namespace songloom::harmony {

inline constexpr std::size_t kChordAlternatives = 3;

struct ChordCandidate {
    int root = 0;  // pitch class 0..11
    int type = 0;  // index of the song's chord type suffixes
    double score = 0.0;
    bool operator==(const ChordCandidate&) const = default;
};

// The song chord name of a candidate without its trailing blank ("G", "Em7").
std::string CandidateName(const ChordCandidate& c);

struct BeatChordReading {
    // Best first, at most kChordAlternatives, distinct chords; empty when
    // nothing sounds in the beat.
    std::vector<ChordCandidate> candidates;
    bool fromHarmony = false;  // read from harmony or bass, not the melody alone
};

struct BeatChordOptions {
    int ticksPerQuarter = 96;
    int beatsPerBar = 4;
    int beatCount = 0;  // beats to read from tick 0 on
    int keyTonic = 0;
    int keyMode = 0;
};

// Notes need not be sorted; roles as for AnalyzeChords (1 bass, 2 harmony,
// 3 melody, others ignored), indexed by channel.
std::vector<BeatChordReading> ReadBeatChords(std::span<const AnalysisNote> notes, const std::array<int, 16>& roles,
                                             const BeatChordOptions& options);

}  // namespace songloom::harmony
