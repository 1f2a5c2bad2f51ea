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

}  // namespace
}  // namespace songloom::playback
