#include "playback/play_sequence.h"

#include <gtest/gtest.h>

#include "playback_rig.h"

namespace songloom::playback {
namespace {

using test::SequenceBuilder;

TEST(PlaySequence, TrimLeadingTimeRemovesWholeBarsOnly)
{
    {  // 3/4: the first note at 700 lies in bar 3 (576 to 863)
        auto seq = SequenceBuilder()
                       .TimeSignature(0, 3, 4)
                       .Control(100, 0, 7, 100)
                       .NoteOn(600, 0, 60, 100)
                       .NoteOff(10, 0, 60)
                       .Build();
        EXPECT_EQ(TrimLeadingTime(seq), 576);
        EXPECT_EQ(seq.events[1].delta, 0);
        EXPECT_EQ(seq.events[2].delta, 124);
        EXPECT_EQ(seq.events[3].delta, 10);
    }
    {  // a note in the first bar: nothing to trim
        auto seq = SequenceBuilder().NoteOn(383, 0, 60, 100).Build();
        EXPECT_EQ(TrimLeadingTime(seq), 0);
        EXPECT_EQ(seq.events[0].delta, 383);
    }
    {  // no note: up to the last event; silent note-ons do not count
        auto seq = SequenceBuilder().NoteOn(100, 0, 60, 0).End(700).Build();
        EXPECT_EQ(TrimLeadingTime(seq), 768);
        EXPECT_EQ(TotalTicks(seq), 32);
    }
}

TEST(PlaySequence, TransposeMovesEveryPartButTheDrums)
{
    auto seq = SequenceBuilder()
                   .Program(0, 0, 5)
                   .NoteOn(0, 0, 60, 100)
                   .NoteOn(0, 9, 36, 100)
                   .NoteOn(0, 2, 126, 90)
                   .Control(0, 0, 7, 64)
                   .NoteOff(96, 0, 60)
                   .NoteOff(0, 9, 36)
                   .NoteOff(0, 2, 126)
                   .End(0)
                   .Build();
    const PlaySequence before = seq;
    TransposeSequence(seq, 3);
    std::vector<int> notes;
    for (const auto& e : seq.events) notes.push_back(e.note);
    EXPECT_EQ(notes, (std::vector<int>{0, 63, 36, 117, 0, 63, 36, 117, 0}));  // 129 is an octave down
    for (std::size_t i = 0; i < seq.events.size(); ++i) {
        EXPECT_EQ(seq.events[i].value, before.events[i].value);
        EXPECT_EQ(seq.events[i].delta, before.events[i].delta);
    }
    TransposeSequence(seq, -3 - 12);
    EXPECT_EQ(seq.events[1].note, 48);
    EXPECT_EQ(seq.events[2].note, 36);
}

}  // namespace
}  // namespace songloom::playback
