#include "harmony/render_audit.h"
#include "common/pitch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "harmony/chord_code.h"

namespace songloom::harmony {
namespace {

constexpr int kLowestDrum = 35;
constexpr int kHighestDrum = 81;

// Pitch class of a root spelled as in marker texts: a letter, then "b" or
// "#"; -1 when there is none. `used` is set to the characters read.
int ReadRoot(std::string_view text, std::size_t& used)
{
    used = 0;
    if (text.empty()) return -1;
    const int natural = RootPitchClass(text[0]);
    if (natural < 0 || text[0] < 'A' || text[0] > 'G') return -1;
    used = 1;
    if (text.size() > 1 && (text[1] == 'b' || text[1] == '#')) {
        used = 2;
        return (natural + (text[1] == 'b' ? 11 : 1)) % 12;
    }
    return natural;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<MarkerChord> ParseChordMarker(std::string_view text)
{
    text = Trimmed(text);
    MarkerChord chord;
    if (text == "N/C") {
        chord.noChord = true;
        return chord;
    }
    std::size_t used = 0;
    const int root = ReadRoot(text, used);
    if (root < 0) return std::nullopt;
    std::string_view rest = text.substr(used);

    // A named bass ("onC#") counts as a tone of the chord.
    int bass = -1;
    if (const auto on = rest.find("on"); on != std::string_view::npos) {
        std::size_t bassUsed = 0;
        bass = ReadRoot(rest.substr(on + 2), bassUsed);
        if (bass < 0 || on + 2 + bassUsed != rest.size()) return std::nullopt;
        rest = Trimmed(rest.substr(0, on));
    }
    int third = 4;
    int fifth = 7;
    if (rest.starts_with("dim")) {
        third = 3;
        fifth = 6;
        rest.remove_prefix(3);
    } else if (rest.starts_with("m")) {
        third = 3;
        rest.remove_prefix(1);
    }
    if (rest.starts_with(" ")) rest.remove_prefix(1);
    int seventh = -1;
    if (rest.starts_with("M7")) {
        seventh = 11;
        rest.remove_prefix(2);
    } else if (rest.starts_with("7")) {
        seventh = 10;
        rest.remove_prefix(1);
    }
    if (rest == "b5") {
        fifth = 6;
        rest = {};
    }
    if (!rest.empty()) return std::nullopt;
    for (const int interval : {0, third, fifth, seventh}) {
        if (interval >= 0) chord.tones[static_cast<std::size_t>((root + interval) % 12)] = true;
    }
    if (bass >= 0) chord.tones[static_cast<std::size_t>(bass)] = true;
    std::vector<int> tensions{2};  // the ninth on every chord
    if (third == 4 && fifth == 7) {
        tensions.push_back(9);
        if (seventh < 0) tensions.insert(tensions.end(), {10, 11});
    } else if (third == 3 && fifth == 7) {
        tensions.push_back(5);
        if (seventh < 0) tensions.insert(tensions.end(), {9, 10});
    } else if (third == 3 && fifth == 6 && seventh < 0) {
        tensions.insert(tensions.end(), {9, 10});
    }
    for (const int interval : tensions) {
        const auto pc = static_cast<std::size_t>((root + interval) % 12);
        chord.tensions[pc] = !chord.tones[pc];
    }
    return chord;
}

const ChannelAudit* RenderAudit::Channel(int channel) const
{
    for (const ChannelAudit& c : channels) {
        if (c.channel == channel) return &c;
    }
    return nullptr;
}

RenderAudit AuditRenderedFile(const midi::CMidiFile1& file)
{
    RenderAudit audit;
    audit.division = file.Division > 0 ? file.Division : 96;
    audit.barTicks = 4 * std::int64_t{audit.division};
    bool meterSeen = false;

    struct Note {
        std::int64_t at;
        int pitch;
        std::int64_t duration;
    };
    std::map<int, std::vector<Note>> notes;
    std::vector<MarkerChord> chords;
    for (const midi::CMidiTrack& track : file.Tracks) {
        std::int64_t time = 0;
        for (const midi::CMidiEvent& e : track.Events()) {
            time += e.DeltaTime;
            if (e.Kind == midi::kKindNote && e.Velocity > 0) {
                notes[e.Channel].push_back({time, e.Note, e.Duration});
            } else if (e.IsMeta(midi::kMetaMarker)) {
                const std::string text(e.Data.begin(), e.Data.end());
                if (auto chord = ParseChordMarker(text)) {
                    chord->at = time;
                    chords.push_back(*chord);
                }
            } else if (e.IsMeta(midi::kMetaTimeSignature) && !meterSeen && e.Data.size() >= 2) {
                meterSeen = true;
                const int numerator = e.Data[0];
                const int denominator = 1 << std::min<int>(e.Data[1], 6);
                // A bar shorter than a tick (0/4, 1/64 at a small division)
                // keeps the 4/4 bar.
                const std::int64_t bar = std::int64_t{audit.division} * 4 * numerator / denominator;
                if (bar > 0) audit.barTicks = bar;
            }
        }
        audit.songTicks = std::max(audit.songTicks, time);
    }
    std::stable_sort(chords.begin(), chords.end(),
                     [](const MarkerChord& a, const MarkerChord& b) { return a.at < b.at; });
    audit.chordMarkers = static_cast<int>(chords.size());
    // The chord sounding at a tick: the last marker at or before it.
    const auto chordAt = [&](std::int64_t at) -> const MarkerChord* {
        const auto after = std::upper_bound(chords.begin(), chords.end(), at,
                                            [](std::int64_t t, const MarkerChord& c) { return t < c.at; });
        return after == chords.begin() ? nullptr : &*(after - 1);
    };

    for (auto& [channel, list] : notes) {
        std::stable_sort(list.begin(), list.end(), [](const Note& a, const Note& b) { return a.at < b.at; });
        ChannelAudit c;
        c.channel = channel;
        std::map<int, std::int64_t> soundingUntil;
        std::int64_t covered = 0;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Note& n = list[i];
            ++c.notes;
            c.lowest = std::min(c.lowest, n.pitch);
            c.highest = std::max(c.highest, n.pitch);
            c.noteTicks += n.duration;
            if (channel == kAuditDrumChannel && (n.pitch < kLowestDrum || n.pitch > kHighestDrum)) {
                ++c.offPercussionMap;
            }
            auto& until = soundingUntil[n.pitch];
            if (n.at < until) ++c.overlaps;
            until = std::max(until, n.at + n.duration);
            c.longestSilence = std::max(c.longestSilence, n.at - covered);
            covered = std::max(covered, n.at + n.duration);
            if (const MarkerChord* chord = chordAt(n.at); chord != nullptr && !chord->noChord) {
                c.chordedTicks += n.duration;
                const auto pitchClass = static_cast<std::size_t>(PitchClass(n.pitch));
                // An anticipation: struck up to a beat early on a tone of the
                // next chord and held into it.
                const MarkerChord* next = chord + 1 < chords.data() + chords.size() ? chord + 1 : nullptr;
                const bool anticipates = next != nullptr && !next->noChord && next->at - n.at <= audit.division &&
                                         n.at + n.duration > next->at && next->tones[pitchClass];
                if (chord->tones[pitchClass] || anticipates) {
                    c.chordToneTicks += n.duration;
                } else if (chord->tensions[pitchClass]) {
                    c.tensionTicks += n.duration;
                } else if (i + 1 < list.size() && list[i + 1].pitch != n.pitch &&
                           std::abs(list[i + 1].pitch - n.pitch) <= 2) {
                    c.passingToneTicks += n.duration;
                }
            }
        }
        c.longestSilence = std::max(c.longestSilence, audit.songTicks - covered);
        audit.channels.push_back(c);
    }
    return audit;
}

double AccompanimentChordTonePercent(const RenderAudit& audit, bool countTensions)
{
    ChannelAudit both;
    for (const int channel : {kAuditAccompanimentChannel, kAuditAccompaniment2Channel}) {
        if (const ChannelAudit* c = audit.Channel(channel)) {
            both.chordToneTicks += c->chordToneTicks + (countTensions ? c->tensionTicks : 0);
            both.chordedTicks += c->chordedTicks;
        }
    }
    return both.ChordTonePercent();
}

std::vector<std::string> AuditFailures(const RenderAudit& audit, bool countTensions)
{
    std::vector<std::string> failures;
    const auto line = [](const char* what, double value, double limit) {
        char text[96];
        std::snprintf(text, sizeof text, "%s %.1f%% of note-time on chord tones (at least %.0f%%)", what, value,
                      limit);
        return std::string(text);
    };
    if (const double accompaniment = AccompanimentChordTonePercent(audit, countTensions);
        accompaniment < kAuditAccompanimentPercent) {
        failures.push_back(line("accompaniment", accompaniment, kAuditAccompanimentPercent));
    }
    if (const ChannelAudit* bass = audit.Channel(kAuditBassChannel);
        bass != nullptr && bass->ChordTonePercent() < kAuditBassPercent) {
        failures.push_back(line("bass", bass->ChordTonePercent(), kAuditBassPercent));
    }
    for (const ChannelAudit& c : audit.channels) {
        if (c.offPercussionMap > 0) {
            failures.push_back("channel 9: " + std::to_string(c.offPercussionMap) + " notes off the percussion map");
        }
        if (c.longestSilence > kAuditSilentBars * audit.barTicks) {
            failures.push_back("channel " + std::to_string(c.channel) + ": silent for " +
                               std::to_string(c.longestSilence) + " ticks (over two bars)");
        }
    }
    return failures;
}

}  // namespace songloom::harmony
