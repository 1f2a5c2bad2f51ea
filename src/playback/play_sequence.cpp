#include "playback/play_sequence.h"

#include <algorithm>

#include "midi/midi_transpose.h"
#include "playback/playback_messages.h"

namespace songloom::playback {
namespace {

constexpr int kMetaTimeSignature = 0x58;

bool IsNoteOn(const PlayEvent& e) { return e.kind == 0x90 && e.velocity > 0; }

}  // namespace

PlayTempo PlayableTempo(Reporter& reporter, std::int64_t microsecondsPerQuarter)
{
    constexpr int kSlowestBpm = 10;
    if (microsecondsPerQuarter < 1000) {
        MidiPlayerErrorMsg(reporter, mdpl::kBadTempo);
        return {60, 1000000};
    }
    const int bpm = static_cast<int>(60000 / (microsecondsPerQuarter / 1000));
    if (bpm < kSlowestBpm) {
        MidiPlayerErrorMsg(reporter, mdpl::kTempoTooSlow);
        return {kSlowestBpm, 60000000 / kSlowestBpm};
    }
    return {bpm, microsecondsPerQuarter};
}

Tick BarLength(const PlaySequence& sequence)
{
    int signature = sequence.timeSignature;
    if (signature == 0) {
        for (const auto& e : sequence.events) {
            if (e.kind == 0xFF && e.number == kMetaTimeSignature) {
                signature = e.value;
                break;
            }
        }
    }
    const int numerator = signature >> 8;
    const int denominator = signature & 0xFF;
    if (numerator == 0 || denominator == 0) return 4 * sequence.division;
    return 4 * numerator * sequence.division / denominator;
}

void TransposeSequence(PlaySequence& sequence, int semitones)
{
    for (PlayEvent& e : sequence.events) {
        const bool keyed = e.kind == 0x80 || e.kind == 0x90 || e.kind == 0xA0;
        if (keyed && e.channel != midi::kPercussionChannel) e.note = midi::TransposedNote(e.note, semitones);
    }
}

Tick TrimLeadingTime(PlaySequence& sequence)
{
    auto& events = sequence.events;
    if (events.empty()) return 0;
    std::size_t first = events.size() - 1;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (IsNoteOn(events[i])) {
            first = i;
            break;
        }
    }
    Tick time = 0;
    for (std::size_t i = 0; i <= first; ++i) time = AddTicks(time, events[i].delta);
    const Tick bar = BarLength(sequence);
    const Tick trimmed = bar > 0 ? time / bar * bar : 0;
    Tick left = trimmed;
    for (auto& e : events) {
        if (left <= 0) break;
        const Tick take = std::min(left, e.delta);
        e.delta -= take;
        left -= take;
    }
    return trimmed;
}

std::vector<Tick> AbsoluteTicks(const PlaySequence& sequence)
{
    std::vector<Tick> ticks;
    ticks.reserve(sequence.events.size());
    Tick t = 0;
    for (const auto& e : sequence.events) {
        t = AddTicks(t, e.delta);
        ticks.push_back(t);
    }
    return ticks;
}

Tick TotalTicks(const PlaySequence& sequence)
{
    Tick t = 0;
    for (const auto& e : sequence.events) t = AddTicks(t, e.delta);
    return t;
}

}  // namespace songloom::playback
