#include <gtest/gtest.h>

#include "midi/midi_channel_analyzer.h"

namespace songloom::midi {
namespace {

// Events of one merged track in TrackNotes form, built by absolute time.
class NotesTrack {
public:
    NotesTrack& Note(Tick time, int channel, int pitch, Tick duration, int velocity = 90)
    {
        CMidiEvent e;
        e.Kind = kKindNote;
        e.Channel = channel;
        e.Note = pitch;
        e.Velocity = velocity;
        e.Duration = duration;
        Add(time, e);
        return *this;
    }
    NotesTrack& Program(Tick time, int channel, int program)
    {
        CMidiEvent e;
        e.Kind = kKindProgram;
        e.Channel = channel;
        e.Value = program;
        Add(time, e);
        return *this;
    }
    NotesTrack& RhythmPart(Tick time, int channel, int mode)
    {
        CMidiEvent e;
        e.Kind = kKindSysEx;
        e.Number = kSysExUseForRhythmPart;
        e.Channel = channel;
        e.Value = mode;
        Add(time, e);
        return *this;
    }
    // A single line of quarter notes walking by steps.
    NotesTrack& Line(int channel, int first, int count, Tick step = 96, Tick start = 0)
    {
        static constexpr int kSteps[] = {0, 2, 4, 2, 0, -1, 0, 2};
        for (int i = 0; i < count; ++i) Note(start + i * step, channel, first + kSteps[i % 8], step - 8);
        return *this;
    }
    // Block chords of three notes every half bar.
    NotesTrack& Chords(int channel, int low, int count)
    {
        for (int i = 0; i < count; ++i) {
            for (int p : {low, low + 4, low + 7}) Note(i * 192, channel, p, 184);
        }
        return *this;
    }
    std::vector<CMidiEvent> Events()
    {
        std::stable_sort(items_.begin(), items_.end(), [](auto& a, auto& b) { return a.first < b.first; });
        std::vector<CMidiEvent> out;
        Tick last = 0;
        for (auto& [time, e] : items_) {
            e.DeltaTime = time - last;
            last = time;
            out.push_back(e);
        }
        return out;
    }

private:
    void Add(Tick time, const CMidiEvent& e) { items_.emplace_back(time, e); }
    std::vector<std::pair<Tick, CMidiEvent>> items_;
};

TEST(ChannelRoles, ASinglePianoLineIsTheMelody)
{
    auto events = NotesTrack().Line(0, 67, 64).Events();
    CMidiChannelAnalyzer a;
    a.Analyze(events, 96);
    EXPECT_EQ(a.Bars, 16);
    EXPECT_EQ(a.Channels[0].Role, RoleMelody);
    EXPECT_EQ(a.MelodyChannel(), 0);
    EXPECT_EQ(a.Channels[0].Mono, 64);
    EXPECT_EQ(a.Channels[0].Poly, 0);
    EXPECT_EQ(a.Channels[0].Long, 64);
}

TEST(ChannelRoles, MelodyBassAndChordsAreToldApart)
{
    auto events = NotesTrack()
                      .Program(0, 0, 73)
                      .Line(0, 72, 64)
                      .Program(0, 1, 0)
                      .Chords(1, 55, 32)
                      .Program(0, 2, 33)
                      .Line(2, 36, 32, 192)
                      .Events();
    CMidiChannelAnalyzer a;
    a.Analyze(events, 96);
    EXPECT_EQ(a.Channels[0].Role, RoleMelody);
    EXPECT_EQ(a.Channels[1].Role, RoleChords);
    EXPECT_EQ(a.Channels[2].Role, RoleBass);
    EXPECT_GT(a.Channels[1].Poly, a.Channels[1].Mono);
}

TEST(ChannelRoles, TheGsRhythmPartIsNeverTheMelody)
{
    // Channel 10 (index 10, part 11) is switched to a drum map and plays a
    // perfect melody line; channel 3 plays a weaker one.
    auto events = NotesTrack()
                      .RhythmPart(0, 10, 1)
                      .Line(10, 72, 64)
                      .Line(3, 70, 40)
                      .Events();
    CMidiChannelAnalyzer a;
    a.Analyze(events, 96);
    EXPECT_EQ(a.Channels[10].Role, RoleDrums);
    EXPECT_NE(a.MelodyChannel(), 10);
    // Switching the rhythm part off keeps a channel melodic.
    auto off = NotesTrack().RhythmPart(0, 10, 0).Line(10, 72, 64).Events();
    a.Analyze(off, 96);
    EXPECT_EQ(a.MelodyChannel(), 10);
}

TEST(ChannelRoles, WithOnlyChordalChannelsTheLeastOverlappingOneLeads)
{
    NotesTrack t;
    t.Chords(1, 60, 32);
    // Channel 2: mostly single notes with a few dyads.
    for (int i = 0; i < 64; ++i) {
        t.Note(i * 96, 2, 64 + (i % 5), 90);
        if (i % 4 == 0) t.Note(i * 96, 2, 60, 90);
    }
    auto events = t.Events();
    CMidiChannelAnalyzer a;
    a.Analyze(events, 96);
    EXPECT_EQ(a.MelodyChannel(), 2);
    EXPECT_EQ(a.Channels[1].Role, RoleChords);
}

TEST(ChannelRoles, FourMelodyLikeChannelsKeepThreeListed)
{
    NotesTrack t;
    for (int c = 0; c < 3; ++c) t.Line(c, 70 + c, 64);
    // Channel 4 moves by leaps only: it must not replace a listed channel.
    for (int i = 0; i < 64; ++i) t.Note(i * 96, 4, i % 2 ? 84 : 72, 88);
    auto events = t.Events();
    CMidiChannelAnalyzer a;
    a.Analyze(events, 96);
    EXPECT_EQ(a.MelodyCount, 3);
    EXPECT_EQ(a.MelodyList, (std::array<std::int32_t, 3>{0, 1, 2}));
    EXPECT_NE(a.Channels[4].Role, RoleMelody);
    EXPECT_NE(a.Channels[4].Role, RoleSubMelody);
    EXPECT_EQ(a.Channels[0].Role, RoleMelody);
    EXPECT_EQ(a.Channels[1].Role, RoleSubMelody);
}

TEST(ChannelRoles, ProgramLists)
{
    EXPECT_TRUE(InChordProgramList(0));
    EXPECT_FALSE(InChordProgramList(33));
    EXPECT_FALSE(InMelodyProgramList(9));
    EXPECT_TRUE(InBassProgramList(33));
    EXPECT_FALSE(InBassProgramList(9));
    int chords = 0, melody = 0, bass = 0;
    for (int p = 0; p < 128; ++p) {
        chords += InChordProgramList(p);
        melody += InMelodyProgramList(p);
        bass += InBassProgramList(p);
    }
    EXPECT_EQ(chords, 94);
    EXPECT_EQ(melody, 91);
    EXPECT_EQ(bass, 99);
}

}  // namespace
}  // namespace songloom::midi
