#include "midi/midi_channel_analyzer.h"

#include <algorithm>
#include <vector>

namespace songloom::midi {
namespace {

// Programs that never carry the harmony: tubular bells, overdriven-to-synth
// basses, timpani, some pads and the sound effects.
bool OutsideChordList(int p)
{
    return p == 14 || (p >= 31 && p <= 39) || p == 47 || (p >= 90 && p <= 92) || p == 99 ||
           (p >= 101 && p <= 103) || (p >= 112 && p <= 127);
}

}  // namespace

bool InChordProgramList(int program)
{
    return program >= 0 && program <= 127 && !OutsideChordList(program);
}

bool InMelodyProgramList(int program)
{
    return InChordProgramList(program) && program != 9 && program != 28 && program != 45;
}

bool InBassProgramList(int program)
{
    return InMelodyProgramList(program) || (program >= 32 && program <= 39);
}

void CMidiChannelAnalyzer::Gather(std::span<const CMidiEvent> events, std::int32_t division)
{
    // Onset times of each channel's sounding notes in list order, to count
    // the later notes that start under a note without walking the track
    // again; the second walk counts each channel's notes to find a note's
    // place among them.
    auto sounding = [](const CMidiEvent& e) {
        return e.Kind == kKindNote && e.Velocity > 0 && e.Channel >= 0 && e.Channel < 16;
    };
    std::array<std::vector<Tick>, 16> onsets;
    Tick time = 0;
    for (const CMidiEvent& e : events) {
        time = AddTicks(time, e.DeltaTime);
        if (sounding(e)) onsets[static_cast<std::size_t>(e.Channel)].push_back(time);
    }
    const Tick endTime = time;

    std::array<int, 16> last;
    last.fill(-1);
    std::array<std::size_t, 16> seen{};  // sounding notes of each channel walked so far
    const std::int32_t shortLimit = division / 5;
    const std::int32_t mediumLimit = division / 2;
    time = 0;
    for (const CMidiEvent& e : events) {
        time = AddTicks(time, e.DeltaTime);
        if (e.Kind == kKindProgram && e.Channel >= 0 && e.Channel < 16) {
            Channels[static_cast<std::size_t>(e.Channel)].Program = e.Value;
            continue;
        }
        if (e.Kind == kKindSysEx && e.Number == kSysExUseForRhythmPart && e.Channel >= 0 &&
            e.Channel < 16) {
            // A message switching the rhythm part off leaves the channel melodic.
            if (e.Value != 0) Channels[static_cast<std::size_t>(e.Channel)].Role = RoleDrums;
            continue;
        }
        if (!sounding(e)) continue;
        const int c = e.Channel;
        const std::size_t place = seen[static_cast<std::size_t>(c)]++;
        Channel& ch = Channels[static_cast<std::size_t>(c)];
        ch.Used = 1;
        if (last[static_cast<std::size_t>(c)] >= 0) {
            const int move = e.Note - last[static_cast<std::size_t>(c)];
            if (move >= 5 || move < -4) {
                ++ch.Leaps;
            } else {
                ++ch.Steps;
            }
        }
        last[static_cast<std::size_t>(c)] = e.Note;

        const auto& times = onsets[static_cast<std::size_t>(c)];
        const auto after = times.begin() + static_cast<std::ptrdiff_t>(place) + 1;
        const Tick end = AddTicks(time, e.Duration);
        const auto under = std::lower_bound(after, times.end(), end) - after;
        if (under > 0) {
            ch.Poly += static_cast<std::int32_t>(under);
        } else {
            ++ch.Mono;
        }
        if (e.Duration > 0) {
            if (e.Duration < shortLimit) {
                ++ch.Short;
            } else if (e.Duration < mediumLimit) {
                ++ch.Medium;
            } else {
                ++ch.Long;
            }
        }
        if (e.Note < 48) {
            ++ch.Low;
        } else {
            ++ch.High;
        }
    }
    // Channel 10 is the General MIDI percussion channel: its notes are drums
    // whatever its statistics say.
    if (Channels[9].Used) Channels[9].Role = RoleDrums;
    const Tick bar = std::max(1, 4 * division);
    Bars = (endTime + bar - 1) / bar;
    UsedCount = 0;
    for (const auto& ch : Channels) UsedCount += ch.Used;
    MelodyCount = BassCount = ChordCount = 0;
}

bool CMidiChannelAnalyzer::BassTest(int c) const
{
    const Channel& ch = Channels[static_cast<std::size_t>(c)];
    return InBassProgramList(ch.Program) && ch.Low > 10 * ch.High && 10 * ch.Poly < ch.Mono;
}

bool CMidiChannelAnalyzer::MelodyTest(int c) const
{
    const Channel& ch = Channels[static_cast<std::size_t>(c)];
    return 6 * ch.Poly < ch.Mono && ch.Role != RoleBass && 3 * ch.Low < ch.High &&
           InMelodyProgramList(ch.Program) && ch.Role != RoleDrums;
}

bool CMidiChannelAnalyzer::BetterMelody(int c, int m) const
{
    const Channel& a = Channels[static_cast<std::size_t>(c)];
    const Channel& b = Channels[static_cast<std::size_t>(m)];
    if (2 * a.Short < b.Medium + b.Short || a.Steps <= 0) return false;
    if (b.Steps == 0) return true;
    return a.Leaps / a.Steps < b.Leaps / b.Steps && a.Leaps + a.Steps > b.Leaps + b.Steps;
}

bool CMidiChannelAnalyzer::ChordTest(int c) const
{
    const Channel& ch = Channels[static_cast<std::size_t>(c)];
    if (!InChordProgramList(ch.Program) || ch.Role == RoleMelody) return false;
    if (2 * ch.Low >= ch.High) {
        if (ch.Low >= ch.High) return false;
        return ch.Poly + ch.Mono > 4 * Bars && 3 * ch.Poly > ch.Mono;
    }
    for (int o = 0; o < 16; ++o) {
        if (o == c || o == 9) continue;
        if (Channels[static_cast<std::size_t>(o)].Notes() >= ch.Notes()) return ch.Poly > ch.Mono;
    }
    return true;
}

bool CMidiChannelAnalyzer::StrictBassTest(int c, int t) const
{
    const Channel& ch = Channels[static_cast<std::size_t>(c)];
    return ch.Used && ch.Role == RoleNone && c != 9 && ch.Low > t * ch.High && t * ch.Poly < ch.Mono;
}

bool CMidiChannelAnalyzer::LooseBassTest(int c) const
{
    const Channel& ch = Channels[static_cast<std::size_t>(c)];
    return ch.Used && ch.Role == RoleNone && ch.Poly < ch.Mono;
}

bool CMidiChannelAnalyzer::MelodyCandidateTest(int c) const
{
    const Channel& ch = Channels[static_cast<std::size_t>(c)];
    return ch.Poly < 2 * ch.Mono && InMelodyProgramList(ch.Program) && ch.Notes() > 2 * Bars &&
           MelodyCount < 3;
}

void CMidiChannelAnalyzer::AppendMelody(int c)
{
    Channels[static_cast<std::size_t>(c)].Role = RoleMelody;
    MelodyList[static_cast<std::size_t>(MelodyCount++)] = c;
}

void CMidiChannelAnalyzer::Classify()
{
    // 1. The direct tests.
    for (int c = 0; c < 16; ++c) {
        Channel& ch = Channels[static_cast<std::size_t>(c)];
        if (!ch.Used || ch.Role == RoleDrums) continue;
        if (BassTest(c)) {
            ch.Role = RoleBass;
            ++BassCount;
        }
        if (MelodyTest(c)) {
            if (MelodyCount < 3) {
                AppendMelody(c);
            } else {
                for (auto& m : MelodyList) {
                    if (BetterMelody(c, m)) {
                        ch.Role = RoleMelody;
                        Channels[static_cast<std::size_t>(m)].Role = RoleNone;
                        m = c;
                        break;
                    }
                }
            }
        }
        if (ChordTest(c)) {
            ch.Role = RoleChords;
            ++ChordCount;
        }
    }
    // 2. A bass at all costs.
    if (BassCount == 0) {
        bool found = false;
        for (int t = 10; t >= 1 && !found; --t) {
            for (int c = 0; c < 16; ++c) {
                if (StrictBassTest(c, t)) {
                    Channels[static_cast<std::size_t>(c)].Role = RoleBass;
                    ++BassCount;
                    found = true;
                    break;
                }
            }
        }
        for (int c = 0; c < 16 && !found; ++c) {
            if (LooseBassTest(c)) {
                Channels[static_cast<std::size_t>(c)].Role = RoleBass;
                ++BassCount;
                found = true;
            }
        }
    }
    // 3. Channel 0, then the candidates.
    {
        const Channel& ch0 = Channels[0];
        if (ch0.Role == RoleNone && MelodyCount < 3 && ch0.Notes() > 2 * Bars &&
            InMelodyProgramList(ch0.Program)) {
            AppendMelody(0);
        }
    }
    if (MelodyCount == 0) {
        for (int c = 0; c < 16; ++c) {
            Channel& ch = Channels[static_cast<std::size_t>(c)];
            if (!MelodyCandidateTest(c) || ch.Role == RoleDrums) continue;
            if (ch.Role == RoleNone) {
                AppendMelody(c);
            } else if (ch.Role == RoleChords && ChordCount >= 2 &&
                       (ch.Notes() < 8 * Bars || UsedCount == 2)) {
                AppendMelody(c);
                --ChordCount;
            }
        }
    }
    // 4. Some harmony, preferring the most chordal channel.
    if (ChordCount < 1) {
        for (int c = 0; c < 16; ++c) {
            Channel& ch = Channels[static_cast<std::size_t>(c)];
            if (!InChordProgramList(ch.Program) || ch.Role != RoleNone) continue;
            bool beaten = false;
            if (ch.Mono > 0) {
                for (int o = 0; o < 16 && !beaten; ++o) {
                    const Channel& other = Channels[static_cast<std::size_t>(o)];
                    if (o == 9 || o == c || other.Role != RoleNone || other.Mono <= 0) continue;
                    beaten = other.Poly / other.Mono > ch.Poly / ch.Mono;
                }
            }
            if (!beaten) {
                ch.Role = RoleChords;
                ++ChordCount;
            }
        }
    }
    // 5. The main melody among the listed ones.
    int main = -1;
    for (int c = 0; c < 16; ++c) {
        if (Channels[static_cast<std::size_t>(c)].Role == RoleMelody) {
            main = c;
            break;
        }
    }
    if (main < 0) main = 0;
    for (int c = main + 1; c < 16; ++c) {
        const Channel& ch = Channels[static_cast<std::size_t>(c)];
        const Channel& m = Channels[static_cast<std::size_t>(main)];
        if (ch.Role == RoleMelody && m.Short + m.Medium < ch.Short + ch.Medium && ch.Short < 5 * ch.Medium) {
            main = c;
        }
    }
    if (MelodyCount > 0) {
        for (int i = 0; i < MelodyCount; ++i) {
            auto& ch = Channels[static_cast<std::size_t>(MelodyList[static_cast<std::size_t>(i)])];
            if (ch.Role == RoleMelody) ch.Role = RoleSubMelody;
        }
        Channels[static_cast<std::size_t>(main)].Role = RoleMelody;
    }
    // 6. Busy leftover channels carry harmony.
    for (auto& ch : Channels) {
        if (ch.Role == RoleNone && ch.Notes() > Bars && InChordProgramList(ch.Program)) ch.Role = RoleChords;
    }
    // 7. Without bass or chords, everything but the melody is harmony.
    bool anyBassOrChords = false;
    for (const auto& ch : Channels) {
        if (ch.Used && (ch.Role == RoleBass || ch.Role == RoleChords)) anyBassOrChords = true;
    }
    if (!anyBassOrChords && UsedCount > 1) {
        for (auto& ch : Channels) {
            if (ch.Used && ch.Role != RoleMelody && ch.Role != RoleDrums) ch.Role = RoleChords;
        }
    }
    // 8. No melody yet: the bass, or the least chordal harmony channel.
    if (MelodyCount == 0) {
        for (int c = 0; c < 16; ++c) {
            if (Channels[static_cast<std::size_t>(c)].Role == RoleBass) {
                AppendMelody(c);
                return;
            }
        }
        int best = -1;
        double bestRatio = 0.0;
        for (int c = 0; c < 16; ++c) {
            const Channel& ch = Channels[static_cast<std::size_t>(c)];
            if (ch.Role != RoleChords || ch.Notes() == 0) continue;
            const double ratio = static_cast<double>(ch.Mono) / ch.Notes();
            if (ratio > bestRatio) {
                bestRatio = ratio;
                best = c;
            }
        }
        if (best >= 0) AppendMelody(best);
    }
}

void CMidiChannelAnalyzer::Analyze(std::span<const CMidiEvent> events, std::int32_t division)
{
    *this = CMidiChannelAnalyzer{};
    Gather(events, std::max(1, division));
    Classify();
}

int CMidiChannelAnalyzer::MelodyChannel() const
{
    for (int c = 0; c < 16; ++c) {
        if (Channels[static_cast<std::size_t>(c)].Role == RoleMelody) return c;
    }
    return -1;
}

}  // namespace songloom::midi
