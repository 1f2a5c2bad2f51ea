#pragma once
// A player without clocks or sound: the manual scheduler, the recording
// outputs and a capturing reporter, plus a small builder of event lists.

#include <utility>
#include <vector>

#include "common/reporter.h"
#include "playback/devices/recording_output.h"
#include "playback/play_sequence.h"
#include "playback/playback_context.h"
#include "playback/scheduler.h"

namespace songloom::playback::test {

struct Rig {
    CapturingReporter reporter;
    ManualScheduler clock;
    RecordingOutputs outputs{[this] { return clock.Now(); }, 2};
    PlaybackContext context{reporter, outputs, clock};

    // (time, bytes) of every channel and system exclusive message sent.
    std::vector<std::pair<Micros, std::vector<std::uint8_t>>> Sent() const
    {
        std::vector<std::pair<Micros, std::vector<std::uint8_t>>> sent;
        for (const auto& m : outputs.SentMessages()) sent.emplace_back(m.time, m.bytes);
        return sent;
    }
};

using Bytes = std::vector<std::uint8_t>;

class SequenceBuilder {
public:
    SequenceBuilder& Tempo(Tick delta, int micros)
    {
        PlayEvent e = Meta(delta, 0x51);
        e.value = micros;
        return Add(e);
    }
    SequenceBuilder& TimeSignature(Tick delta, int numerator, int denominator)
    {
        PlayEvent e = Meta(delta, 0x58);
        e.value = numerator * 256 + denominator;
        return Add(e);
    }
    SequenceBuilder& NoteOn(Tick delta, int channel, int note, int velocity)
    {
        return Add(Channel(delta, 0x90, channel, [&](PlayEvent& e) {
            e.note = note;
            e.velocity = velocity;
        }));
    }
    SequenceBuilder& NoteOff(Tick delta, int channel, int note)
    {
        return Add(Channel(delta, 0x80, channel, [&](PlayEvent& e) { e.note = note; }));
    }
    SequenceBuilder& Program(Tick delta, int channel, int program)
    {
        return Add(Channel(delta, 0xC0, channel, [&](PlayEvent& e) { e.value = program; }));
    }
    SequenceBuilder& Control(Tick delta, int channel, int controller, int value)
    {
        return Add(Channel(delta, 0xB0, channel, [&](PlayEvent& e) {
            e.number = controller;
            e.value = value;
        }));
    }
    SequenceBuilder& Bend(Tick delta, int channel, int value)
    {
        return Add(Channel(delta, 0xE0, channel, [&](PlayEvent& e) {
            e.note = value & 0x7F;
            e.value = value >> 7;
        }));
    }
    SequenceBuilder& SysEx(Tick delta, Bytes stored)
    {
        PlayEvent e;
        e.kind = 0xF0;
        e.delta = delta;
        e.data = std::move(stored);
        return Add(e);
    }
    SequenceBuilder& End(Tick delta) { return Add(Meta(delta, 0x2F)); }
    PlaySequence Build() const { return sequence_; }

private:
    static PlayEvent Meta(Tick delta, int type)
    {
        PlayEvent e;
        e.kind = 0xFF;
        e.number = type;
        e.delta = delta;
        return e;
    }
    template <class Fill>
    static PlayEvent Channel(Tick delta, int kind, int channel, Fill fill)
    {
        PlayEvent e;
        e.kind = kind;
        e.delta = delta;
        e.channel = channel;
        fill(e);
        return e;
    }
    SequenceBuilder& Add(PlayEvent e)
    {
        sequence_.events.push_back(std::move(e));
        return *this;
    }
    PlaySequence sequence_;
};

}  // namespace songloom::playback::test
