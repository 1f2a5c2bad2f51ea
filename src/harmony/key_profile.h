#pragma once
// The key of a piece from its pitch-class content: the duration-weighted
// histogram of the notes is correlated with a major and a minor key profile
// turned to each of the twelve tonics. The opening and closing bars count
// double and the final note gets a share of its own, since tunes state their
// key most plainly where they begin and end.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "harmony/chord_analysis.h"

namespace songloom::harmony {

struct KeyCandidate {
    int tonic = 0;       // pitch class, 0 = C
    int mode = 0;        // 0 major, 1 minor
    double score = 0.0;  // correlation, -1..1
    bool operator==(const KeyCandidate&) const = default;
};

// A key-signature meta event: sharps (negative for flats), and the mode
// flag as the file states it.
struct KeySignature {
    int sharps = 0;
    int mode = 0;
};

// The duration-weighted pitch-class histogram the ranking reads (drums on
// channel 10 and silent notes left out). ticksPerBar marks the opening and
// closing bars.
std::array<double, 12> KeyHistogram(std::span<const AnalysisNote> notes, int ticksPerBar);

// All 24 keys, best first (equal scores: major before minor, lower tonic
// first). A histogram without any weight ranks C major first with score 0.
std::vector<KeyCandidate> RankKeys(const std::array<double, 12>& histogram);

// The key to use: the best estimate, unless the file's key signature
// names one of the two best estimates. Files often carry a signature with
// the mode flag left at major, so the signature is read as the pair of keys
// it stands for (a major key and its relative minor); of that pair the one
// the estimate ranks higher wins, and the flag only decides between the two
// when their scores are close.
KeyCandidate ChooseKey(const std::vector<KeyCandidate>& ranked, const std::optional<KeySignature>& signature,
                       bool* fromSignature = nullptr);

// The key table index for tonic and mode. Where two rows share them (F#/Gb,
// C#/Db, Cb/B ...) the row with the given signature is taken, else the
// first; -1 when no row has that tonic and mode.
int KeyIndexOf(int tonic, int mode, std::optional<int> sharps = std::nullopt);

// "xxxx" and twelve digits with '9' on the seven scale tones of the key
// (the natural minor scale for minor keys).
std::string KeyTemplateOf(int tonic, int mode);

}  // namespace songloom::harmony
