#include <gtest/gtest.h>

#include "midi/midi_track.h"

namespace songloom::midi {
namespace {

struct At {
    std::int64_t time;
    std::int32_t kind, number, value;
    bool operator==(const At&) const = default;
};

// Controls as (time, 0xB0, controller, value), bends as (time, 0xE0, 0,
// bend), notes as (time, 0x10, note, duration).
std::vector<At> Listing(const CMidiTrack& t)
{
    std::vector<At> out;
    std::int64_t now = 0;
    for (const auto& e : t.Events()) {
        now += e.DeltaTime;
        if (e.Kind == kKindControl) out.push_back({now, e.Kind, e.Number, e.Value});
        if (e.Kind == kKindPitchBend) out.push_back({now, e.Kind, 0, e.GetPitchBend()});
        if (e.Kind == kKindNote) out.push_back({now, e.Kind, e.Note, e.Duration});
        if (e.IsEndOfTrack()) out.push_back({now, e.Kind, kMetaEndOfTrack, 0});
    }
    return out;
}

CMidiTrack Melody(CapturingReporter& r, std::initializer_list<std::array<int, 3>> notes, int tail)
{
    CMidiTrack t(r);
    t.State = TrackNotes;
    for (const auto& n : notes) t.AddNote(3, n[0], n[1], 100, n[2]);
    t.AddEndOfTrack(tail);
    return t;
}

TEST(MidiEffects, BendRangeIsSetReadAndRemoved)
{
    CapturingReporter r;
    auto t = Melody(r, {{0, 60, 96}}, 96);
    EXPECT_EQ(t.GetBendRange(), 12);
    t.AddBendRange(2);
    EXPECT_EQ(Listing(t), (std::vector<At>{{0, 0x10, 60, 96}, {0, 0xB0, 101, 0}, {0, 0xB0, 100, 0}, {0, 0xB0, 6, 2},
                                           {96, 0xFF, kMetaEndOfTrack, 0}}));
    EXPECT_EQ(t.GetBendRange(), 2);
    t.AddBendRange(7);
    EXPECT_EQ(t.GetBendRange(), 7);
    EXPECT_EQ(t.GetBendRange(), 7);
    EXPECT_EQ(r.Count("M1TK", 0x03000017), 1u);  // once only
    t.AddControlChange(3, 99, 1);                 // a non-registered parameter
    t.AddControlChange(3, 6, 64);                 // whose data entry stays
    t.RemoveBendRangeSettings();
    int entries = 0;
    for (const auto& e : t.Events()) entries += e.Kind == kKindControl && e.Number == 6;
    EXPECT_EQ(entries, 1);

    CMidiTrack silent(r);
    silent.State = TrackNotes;
    silent.AddEndOfTrack(0);
    silent.AddBendRange(2);
    EXPECT_TRUE(r.Has("M1TK", 0x0D000020));
    EXPECT_EQ(silent.EventCount(), 1);
}

TEST(MidiEffects, ExpressionSwellRisesBehindLongNotes)
{
    CapturingReporter r;
    auto t = Melody(r, {{0, 60, 200}, {200, 62, 40}}, 100);
    t.AddExpressionSwell(96, 4);
    EXPECT_EQ(Listing(t), (std::vector<At>{{0, 0x10, 60, 200},
                                           {0, 0xB0, 11, 103},
                                           {24, 0xB0, 11, 111},
                                           {48, 0xB0, 11, 119},
                                           {72, 0xB0, 11, 127},
                                           {200, 0x10, 62, 40},
                                           {300, 0xFF, kMetaEndOfTrack, 0}}));
    t.AddExpressionSwell(10, 3);
    EXPECT_TRUE(r.Has("M1TK", 0x0D000022));
}

TEST(MidiEffects, DelayedVibratoStartsLateInLongNotes)
{
    CapturingReporter r;
    auto t = Melody(r, {{10, 60, 300}, {300, 62, 50}}, 50);
    t.AddDelayedVibrato(120);
    EXPECT_EQ(Listing(t), (std::vector<At>{{10, 0xB0, 1, 0},
                                           {10, 0x10, 60, 300},
                                           {130, 0xB0, 1, 127},
                                           {310, 0xB0, 1, 0},
                                           {310, 0x10, 62, 50},
                                           {360, 0xFF, kMetaEndOfTrack, 0}}));
}

TEST(MidiEffects, PitchGlideBendsTowardsTheNextNote)
{
    CapturingReporter r;
    auto t = Melody(r, {{0, 60, 192}, {192, 64, 192}}, 192);
    t.AddPitchGlide(48, 4, 2);
    // Up two semitones (the range) into 64; down two at the end.
    const std::int32_t up = 8191 / 2 * 2 / 4;
    const std::int32_t down = 8191 / 2 * -2 / 4;
    EXPECT_EQ(Listing(t), (std::vector<At>{{0, 0xE0, 0, 8192},
                                           {0, 0x10, 60, 192},
                                           {144, 0xE0, 0, 8192},
                                           {156, 0xE0, 0, 8192 + up},
                                           {168, 0xE0, 0, 8192 + 2 * up},
                                           {180, 0xE0, 0, 8192 + 3 * up},
                                           {192, 0xE0, 0, 8192},
                                           {192, 0x10, 64, 192},
                                           {336, 0xE0, 0, 8192},
                                           {348, 0xE0, 0, 8192 + down},
                                           {360, 0xE0, 0, 8192 + 2 * down},
                                           {372, 0xE0, 0, 8192 + 3 * down},
                                           {384, 0xE0, 0, 8192},
                                           {384, 0xFF, kMetaEndOfTrack, 0}}));
    auto bad = Melody(r, {{0, 60, 192}}, 10);
    bad.AddPitchGlide(50, 4, 2);
    EXPECT_TRUE(r.Has("M1TK", 0x0D000023));
    EXPECT_EQ(bad.EventCount(), 2);
}

TEST(MidiEffects, BendsBecomeNotes)
{
    CapturingReporter r;
    CMidiTrack t(r);
    t.State = TrackNotes;
    const std::int32_t semitone = 8191 / 2;
    auto bend = [&](int delta, int value) {
        CMidiEvent e(delta);
        e.Kind = kKindPitchBend;
        e.Channel = 3;
        e.SetPitchBend(value);
        t.AppendEvent(e);
    };
    t.AddNote(3, 0, 60, 100, 100);
    bend(40, 8192 + semitone);      // up one semitone inside the note
    bend(10, 8192 + semitone + 5);  // the same semitone: dropped
    t.AddControlChange(3, 1, 64);   // modulation goes
    t.AddNote(3, 100, 62, 100, 50); // starts bent
    t.AddEndOfTrack(50);
    t.BendsToNotes(2);
    EXPECT_EQ(Listing(t), (std::vector<At>{{0, 0x10, 60, 40}, {40, 0x10, 61, 60}, {150, 0x10, 63, 50},
                                           {200, 0xFF, kMetaEndOfTrack, 0}}));
    EXPECT_EQ(t.Event(1).Velocity, 90);
    EXPECT_EQ(t.Event(2).Velocity, 90);
}

}  // namespace
}  // namespace songloom::midi
