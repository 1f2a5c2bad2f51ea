#pragma once
// Chord-tone templates: a chord code and one weight digit per pitch class
// (C first), looked up in the chord knowledge base ("NOTE.DB", or "NOTE.DBB"
// for the blues scale type). "9" marks a tone the generators may use freely,
// "0" a tone never to use, "1" to "8" tones in between.

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "harmony/data_buffer.h"
#include "common/reporter.h"
#include "harmony/chord_code.h"

namespace songloom::harmony {

struct ChordTemplate {
    std::array<char, 16> chars{};

    constexpr ChordTemplate() = default;
    // From a sixteen-character literal.
    constexpr ChordTemplate(const char (&text)[17])
    {
        for (std::size_t i = 0; i < chars.size(); ++i) chars[i] = text[i];
    }

    ChordCode code() const { return ChordCode::FromBytes(view().substr(0, 4)); }
    // Weight character of pitch class 0-11.
    char Digit(int pitchClass) const { return chars[static_cast<std::size_t>(4 + pitchClass)]; }
    void SetDigit(int pitchClass, char digit) { chars[static_cast<std::size_t>(4 + pitchClass)] = digit; }
    std::string_view view() const { return {chars.data(), chars.size()}; }
    std::string ToString() const { return std::string(view()); }

    friend constexpr bool operator==(const ChordTemplate&, const ChordTemplate&) = default;
};

// What a caller pre-fills before a lookup: the C major scale.
inline constexpr ChordTemplate kDefaultChordTemplate("xxxx909099090909");
// The scale of "no chord": C, D#, E, F#, G, A, A#.
inline constexpr ChordTemplate kNoChordTemplate("xxxx900990990990");
// The blank that chord analysis fills.
inline constexpr ChordTemplate kEmptyChordTemplate("xxxx000000000000");

// The knowledge base text; refilled before every composition.
struct ChordKnowledgeBase {
    harmony::DataBuffer buffer;
};

// Fills out with the knowledge base's template for code; the caller
// pre-fills out (usually kDefaultChordTemplate), which stands when no record
// matches. A triad is served by the record of its major-seventh form, a
// suspended chord by the major chord's record with the fourth marked "9" and
// the major third "4". NoCd always gives "NoCd900990990990". Returns true
// when out was filled.
bool LookUpChordTemplate(const ChordKnowledgeBase& knowledgeBase, ChordCode code, ChordTemplate& out);

// The templates of the chord codes one stage asks for, each looked up in the
// knowledge base once. The knowledge base must outlive the cache and stay as
// it is while the cache is in use.
class ChordTemplateCache {
public:
    explicit ChordTemplateCache(const ChordKnowledgeBase& knowledgeBase) : knowledgeBase_(knowledgeBase) {}
    // The template of code, pre-filled with kDefaultChordTemplate (which
    // stands when no record matches).
    ChordTemplate Get(ChordCode code);

private:
    const ChordKnowledgeBase& knowledgeBase_;
    std::vector<std::pair<ChordCode, ChordTemplate>> known_;
};

// The first MIDI note at or above note whose pitch class weighs "9"; note +
// 12 when none does.
int NextChordTone(const ChordTemplate& chordTemplate, int note);

// Which knowledge base file a style's note-database kind reads.
inline constexpr std::string_view kNoteDatabaseName = "NOTE.DB";
inline constexpr std::string_view kBluesNoteDatabaseName = "NOTE.DBB";
// The melody method that reads chord templates from the knowledge base.
inline constexpr int kKnowledgeBaseMelodyMethod = 8;

// Reads the knowledge base for scaleType (the style's note-database kind):
// kinds 1-24 read "NOTE.DBB" for 6 and "NOTE.DB" otherwise. Any other kind
// clears the buffer, unless melodyMethod is 8 and the buffer is empty, in
// which case "NOTE.DB" is read. The name is resolved by folder (working
// folder, then installed data). A file that cannot be opened reports YRAC
// 0xFF01000B and leaves the buffer as it was; returns false then.
bool LoadChordKnowledgeBase(Reporter& reporter, ChordKnowledgeBase& knowledgeBase,
                            const harmony::DataFolder& folder, int scaleType, int melodyMethod);

}  // namespace songloom::harmony
