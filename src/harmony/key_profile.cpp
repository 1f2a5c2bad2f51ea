#include "harmony/key_profile.h"
#include "common/pitch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "song/song_tables.h"

namespace songloom::harmony {
namespace {

// Pitch-class profiles of major and minor tunes (Aarden's, drawn from a
// large folk-song collection: the closest match to the tunes people bring
// in), from the tonic upwards.
constexpr std::array<double, 12> kMajorProfile = {17.7661, 0.145624, 14.9265, 0.160186, 19.8049, 11.3587,
                                                  0.291248, 22.062, 0.145624, 8.15494, 0.232998, 4.95122};
constexpr std::array<double, 12> kMinorProfile = {18.2648, 0.737619, 14.0499, 16.8599, 0.702494, 14.4362,
                                                  0.702494, 18.6161, 4.56621, 1.93186, 7.37619, 1.75623};

// Weight of notes starting in the first or the last bar of the music.
constexpr double kEdgeBarWeight = 2.0;
// Share of the whole histogram given to the final note(s).
constexpr double kFinalNoteShare = 0.02;
// Two keys of one signature whose scores differ by less than this are a
// tie that the signature's mode flag breaks.
constexpr double kSignatureTie = 0.02;

constexpr std::array<int, 7> kMajorScale = {0, 2, 4, 5, 7, 9, 11};
constexpr std::array<int, 7> kMinorScale = {0, 2, 3, 5, 7, 8, 10};

bool Counts(const AnalysisNote& n) { return n.velocity > 0 && n.channel != 9 && n.time >= 0; }

double Correlation(const std::array<double, 12>& a, const std::array<double, 12>& profile, int tonic)
{
    double meanA = 0.0, meanB = 0.0;
    for (int i = 0; i < 12; ++i) {
        meanA += a[static_cast<std::size_t>(i)];
        meanB += profile[static_cast<std::size_t>(i)];
    }
    meanA /= 12.0;
    meanB /= 12.0;
    double num = 0.0, da = 0.0, db = 0.0;
    for (int pc = 0; pc < 12; ++pc) {
        const double x = a[static_cast<std::size_t>(pc)] - meanA;
        const double y = profile[static_cast<std::size_t>((pc - tonic + 12) % 12)] - meanB;
        num += x * y;
        da += x * x;
        db += y * y;
    }
    return da > 0.0 && db > 0.0 ? num / std::sqrt(da * db) : 0.0;
}

int MajorTonicOf(int sharps) { return ((sharps * 7) % 12 + 12) % 12; }

}  // namespace

std::array<double, 12> KeyHistogram(std::span<const AnalysisNote> notes, int ticksPerBar)
{
    std::array<double, 12> h{};
    const std::int64_t bar = std::max(1, ticksPerBar);
    std::int64_t first = -1, last = -1;
    for (const auto& n : notes) {
        if (!Counts(n)) continue;
        if (first < 0 || n.time < first) first = n.time;
        last = std::max<std::int64_t>(last, n.time);
    }
    if (first < 0) return h;
    const std::int64_t openingEnd = (first / bar + 1) * bar;
    const std::int64_t closingStart = (last / bar) * bar;
    double total = 0.0;
    for (const auto& n : notes) {
        if (!Counts(n)) continue;
        // A note held for ever must not outweigh the tune: two bars at most.
        double w = static_cast<double>(std::clamp<std::int64_t>(n.duration, 0, 2 * bar));
        if (n.time < openingEnd || n.time >= closingStart) w *= kEdgeBarWeight;
        h[static_cast<std::size_t>(PitchClass(n.pitch))] += w;
        total += w;
    }
    int finals = 0;
    for (const auto& n : notes) finals += Counts(n) && n.time == last ? 1 : 0;
    for (const auto& n : notes) {
        if (Counts(n) && n.time == last) {
            h[static_cast<std::size_t>(PitchClass(n.pitch))] += kFinalNoteShare * total / finals;
        }
    }
    return h;
}

std::vector<KeyCandidate> RankKeys(const std::array<double, 12>& histogram)
{
    std::vector<KeyCandidate> keys;
    keys.reserve(24);
    for (int mode = 0; mode < 2; ++mode) {
        for (int tonic = 0; tonic < 12; ++tonic) {
            keys.push_back({tonic, mode, Correlation(histogram, mode == 0 ? kMajorProfile : kMinorProfile, tonic)});
        }
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const KeyCandidate& a, const KeyCandidate& b) { return a.score > b.score; });
    return keys;
}

KeyCandidate ChooseKey(const std::vector<KeyCandidate>& ranked, const std::optional<KeySignature>& signature,
                       bool* fromSignature)
{
    if (fromSignature) *fromSignature = false;
    if (ranked.empty()) return {};
    if (!signature || signature->sharps < -7 || signature->sharps > 7) return ranked.front();
    const int major = MajorTonicOf(signature->sharps);
    const int minor = (major + 9) % 12;
    auto inPair = [&](const KeyCandidate& k) {
        return (k.mode == 0 && k.tonic == major) || (k.mode == 1 && k.tonic == minor);
    };
    const std::size_t top = std::min<std::size_t>(2, ranked.size());
    if (std::none_of(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(top), inPair)) {
        return ranked.front();
    }
    const KeyCandidate* better = nullptr;
    const KeyCandidate* other = nullptr;
    for (const auto& k : ranked) {
        if (!inPair(k)) continue;
        (better ? other : better) = &k;
    }
    if (fromSignature) *fromSignature = true;
    if (other && better->score - other->score < kSignatureTie && other->mode == (signature->mode ? 1 : 0)) {
        return *other;
    }
    return *better;
}

int KeyIndexOf(int tonic, int mode, std::optional<int> sharps)
{
    int found = -1;
    for (int k = 0; k < song::kKeyCount; ++k) {
        const auto& row = song::KeyTable[static_cast<std::size_t>(k)];
        if (row.tonic != tonic || row.mode != mode) continue;
        if (sharps && row.signature == *sharps) return k;
        if (found < 0) found = k;
    }
    return found;
}

std::string KeyTemplateOf(int tonic, int mode)
{
    std::string t = "xxxx000000000000";
    for (int step : mode == 0 ? kMajorScale : kMinorScale) {
        t[4 + static_cast<std::size_t>((tonic + step) % 12)] = '9';
    }
    return t;
}

}  // namespace songloom::harmony
