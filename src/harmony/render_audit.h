#pragma once
// Measures a rendered Standard MIDI File the way an arranger would look it
// over: per channel how many notes, over which range, how much of the bass
// and accompaniment note-time lies on tones of the chord sounding then (read
// from the chord markers the engine writes), drum notes off the General MIDI
// percussion map, notes that sound over a note of the same pitch, and the
// longest stretch a channel stays silent.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "midi/midi_file.h"

namespace songloom::harmony {

// A chord marker read back: the pitch classes that count as its tones.
struct MarkerChord {
    std::int64_t at = 0;          // tick of the marker
    std::array<bool, 12> tones{};  // by pitch class; all false for "N/C"
    // The tensions a jazz player adds to the chord (sixth, ninth, the seventh
    // of a triad, the eleventh of a minor chord), by pitch class.
    std::array<bool, 12> tensions{};
    bool noChord = false;
};

// Reads a marker text as the engine writes it ("C ", "Am 7", "Bb M7",
// "Cdim ", "C 7b5", "G onB"): root, third, fifth, seventh and the named bass.
// Empty for a text that is no chord name.
std::optional<MarkerChord> ParseChordMarker(std::string_view text);

struct ChannelAudit {
    int channel = 0;
    int notes = 0;
    int lowest = 127;
    int highest = 0;
    std::int64_t noteTicks = 0;       // summed durations
    // Of those, started on a tone of the sounding chord, or anticipating
    // the next: struck at most a beat before it on one of its tones and held into it.
    std::int64_t chordToneTicks = 0;
    std::int64_t chordedTicks = 0;    // of those, started under a chord (not N/C)
    // Of the chorded note-time off the chord, what moves by step (one or two
    // semitones) to the channel's next note: the passing and approach tones
    // of a walking line.
    std::int64_t passingToneTicks = 0;
    // Of the chorded note-time off the chord, what lies on one of its tensions.
    std::int64_t tensionTicks = 0;
    int offPercussionMap = 0;         // drum channel: notes outside 35-81
    int overlaps = 0;                 // notes starting while the same pitch sounds
    std::int64_t longestSilence = 0;  // ticks, from the start to the song's end
    // Chord tones and passing tones together.
    double ChordOrPassingTonePercent() const
    {
        return chordedTicks == 0 ? 100.0
                                 : 100.0 * static_cast<double>(chordToneTicks + passingToneTicks) /
                                       static_cast<double>(chordedTicks);
    }
    double ChordTonePercent() const
    {
        return chordedTicks == 0 ? 100.0
                                 : 100.0 * static_cast<double>(chordToneTicks) / static_cast<double>(chordedTicks);
    }
};

struct RenderAudit {
    std::int32_t division = 96;
    std::int64_t barTicks = 384;    // from the first time signature (4/4 without one)
    std::int64_t songTicks = 0;     // the latest end of any track
    int chordMarkers = 0;
    std::vector<ChannelAudit> channels;  // by channel number, only channels with notes

    const ChannelAudit* Channel(int channel) const;
};

// Bass channel and the two accompaniment channels of a rendering.
inline constexpr int kAuditBassChannel = 2;
inline constexpr int kAuditAccompanimentChannel = 3;
inline constexpr int kAuditAccompaniment2Channel = 7;
inline constexpr int kAuditDrumChannel = 9;
// Thresholds a rendering is held to.
inline constexpr double kAuditAccompanimentPercent = 80.0;
inline constexpr double kAuditBassPercent = 70.0;
inline constexpr int kAuditSilentBars = 2;

RenderAudit AuditRenderedFile(const midi::CMidiFile1& file);

// The chord-tone share of channels 3 and 7 together; with `countTensions`
// (a style whose comping adds sixths, sevenths and ninths) tensions count
// as chord tones.
double AccompanimentChordTonePercent(const RenderAudit& audit, bool countTensions = false);

// What fails the thresholds, one line each; empty when the file passes.
// Accompaniment share counts channels 3 and 7 together.
std::vector<std::string> AuditFailures(const RenderAudit& audit, bool countTensions = false);

}  // namespace songloom::harmony
