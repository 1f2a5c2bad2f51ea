#pragma once
// Gives each of the sixteen channels of a MIDI file a role (bass, chords,
// melody, drums, second melody) from per-channel statistics, so that an
// opened file's melody can be taken into a song and its harmony analysed.

#include <array>
#include <cstdint>
#include <span>

#include "midi/midi_event.h"

namespace songloom::midi {

// Sum of two tick counts that never overflows: files may carry absurd delta
// times, and a time this late is beyond any music anyway.
inline constexpr Tick kLatestTick = 0x3FFFFFFF;
constexpr Tick AddTicks(Tick a, Tick b)
{
    const std::int64_t sum = std::int64_t{a} + std::int64_t{b < 0 ? 0 : b};
    return sum > kLatestTick ? kLatestTick : static_cast<Tick>(sum);
}

enum ChannelRole : std::int32_t {
    RoleNone = 0,
    RoleBass = 1,
    RoleChords = 2,
    RoleMelody = 3,
    RoleDrums = 4,
    RoleSubMelody = 5,
};

// Membership of the three program lists (General MIDI programs from 0).
bool InChordProgramList(int program);
bool InMelodyProgramList(int program);
bool InBassProgramList(int program);

class CMidiChannelAnalyzer {
public:
    struct Channel {
        std::int32_t Program = 0;
        std::int32_t Poly = 0;
        std::int32_t Mono = 0;
        std::int32_t Low = 0;
        std::int32_t High = 0;
        std::int32_t Short = 0;
        std::int32_t Medium = 0;
        std::int32_t Long = 0;
        std::int32_t Leaps = 0;
        std::int32_t Steps = 0;
        std::int32_t Used = 0;
        std::int32_t Role = RoleNone;
        std::int32_t Notes() const { return Mono + Poly; }
    };

    // events: one merged track in delta-time order with notes in the
    // note-with-duration form (Kind 0x10); division: ticks per quarter note.
    void Analyze(std::span<const CMidiEvent> events, std::int32_t division);

    // The main melody channel (the first with RoleMelody), or -1.
    int MelodyChannel() const;

    std::int32_t Bars = 0;
    std::int32_t MelodyCount = 0;
    std::int32_t BassCount = 0;
    std::int32_t ChordCount = 0;
    std::int32_t UsedCount = 0;
    std::array<Channel, 16> Channels{};
    std::array<std::int32_t, 3> MelodyList = {-1, -1, -1};

private:
    void Gather(std::span<const CMidiEvent> events, std::int32_t division);
    void Classify();
    bool BassTest(int c) const;
    bool MelodyTest(int c) const;
    bool BetterMelody(int c, int m) const;
    bool ChordTest(int c) const;
    bool StrictBassTest(int c, int t) const;
    bool LooseBassTest(int c) const;
    bool MelodyCandidateTest(int c) const;
    void AppendMelody(int c);
};

}  // namespace songloom::midi
