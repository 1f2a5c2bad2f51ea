#include <gtest/gtest.h>

#include <memory>

#include "arrange/part_voicing.h"
#include "common/reporter.h"
#include "midi/midi_track.h"

namespace songloom::arrange {
namespace {

struct Placed {
    std::int64_t at;
    int note;
    int duration;
};

std::unique_ptr<midi::CMidiTrack> TrackOf(Reporter& reporter, int channel, int program,
                                          std::initializer_list<Placed> notes)
{
    auto track = std::make_unique<midi::CMidiTrack>(reporter);
    if (program >= 0) track->AddProgramChange(channel, program);
    std::int64_t previous = 0;
    for (const Placed& n : notes) {
        track->AddNote(channel, static_cast<std::int32_t>(n.at - previous), n.note, 64, n.duration);
        previous = n.at;
    }
    return track;
}

std::vector<int> Pitches(const midi::CMidiTrack& track)
{
    std::vector<int> pitches;
    for (const midi::CMidiEvent& e : track.Events()) {
        if (e.Kind == midi::kKindNote) pitches.push_back(e.Note);
    }
    return pitches;
}

TEST(InstrumentRanges, RealInstrumentsAndTheBassFloor)
{
    EXPECT_EQ(ProgramRange(32).low, kLowestBassNote);  // acoustic bass: E1
    EXPECT_EQ(ProgramRange(43).low, 28);               // contrabass
    EXPECT_EQ(ProgramRange(73).low, 60);               // flute: middle C
    EXPECT_EQ(ProgramRange(9).low, 77);                // glockenspiel sounds high
    EXPECT_EQ(ProgramRange(58).high, 58);              // tuba
    EXPECT_TRUE(ProgramRange(0).Contains(21) && ProgramRange(0).Contains(108));
    for (int p = 0; p < 128; ++p) EXPECT_LT(ProgramRange(p).low, ProgramRange(p).high) << p;
    // Outside General MIDI nothing is known.
    EXPECT_EQ(ProgramRange(-1).low, 0);
    EXPECT_EQ(ProgramRange(200).high, 127);
}

TEST(InstrumentRanges, FoldingKeepsPitchClasses)
{
    CapturingReporter reporter;
    auto track = TrackOf(reporter, 2, 32, {{0, 24, 90}, {96, 26, 90}, {192, 70, 90}, {288, 40, 90}});
    FoldIntoRange(*track, ProgramRange(TrackProgram(*track)));
    EXPECT_EQ(Pitches(*track), (std::vector<int>{36, 38, 58, 40}));
    EXPECT_EQ(TrackProgram(*TrackOf(reporter, 3, -1, {{0, 60, 10}})), -1);
}

TEST(MelodyCeilingTest, TopOfWhatSoundsOverTime)
{
    // 0-96 E5, 96-192 C5 with G4 under it, a rest, 288-384 A4.
    MelodyCeiling melody({{0, 96, 76}, {96, 192, 72}, {96, 192, 67}, {288, 384, 69}});
    EXPECT_EQ(melody.Lowest(0, 384), 69);
    EXPECT_EQ(melody.Lowest(0, 96), 76);
    EXPECT_EQ(melody.Lowest(192, 288), -1);  // the rest
    // C5 is above the A4 only; the rest does not count.
    EXPECT_EQ(melody.TicksAbove(0, 384, 72), 96);
    EXPECT_EQ(melody.TicksAbove(0, 384, 80), 288);
    EXPECT_EQ(melody.TicksAbove(50, 120, 74), 24);  // above C5 from 96 to 120
}

TEST(MelodyCeilingTest, PiecesAddUpToTheTicksAboveEveryPitch)
{
    // Overlapping notes, a rest and a note inside another.
    MelodyCeiling melody({{0, 96, 76}, {48, 200, 72}, {96, 150, 79}, {300, 400, 60}, {320, 340, 65}});
    const std::pair<std::int64_t, std::int64_t> windows[] = {{0, 400}, {10, 20}, {90, 310}, {150, 150}, {200, 300},
                                                             {330, 500}, {-50, 30}};
    for (const auto& [from, to] : windows) {
        std::vector<MelodyCeiling::Piece> pieces = {{1, 7}};  // what was there stays
        melody.Pieces(from, to, pieces);
        ASSERT_FALSE(pieces.empty());
        EXPECT_EQ(pieces.front().top, 1);
        for (int pitch = 55; pitch <= 85; ++pitch) {
            std::int64_t sum = 0;
            for (std::size_t i = 1; i < pieces.size(); ++i) {
                if (pitch > pieces[i].top) sum += pieces[i].ticks;
            }
            EXPECT_EQ(sum, melody.TicksAbove(from, to, pitch)) << from << "-" << to << " pitch " << pitch;
        }
    }
    std::vector<MelodyCeiling::Piece> rest;
    melody.Pieces(210, 290, rest);
    EXPECT_TRUE(rest.empty());
}

TEST(MelodyCeilingTest, AWalkFindsThePiecesASearchFindsInAnyOrderOfNotes)
{
    MelodyCeiling melody({{0, 96, 76}, {48, 200, 72}, {96, 150, 79}, {300, 400, 60}, {320, 340, 65}});
    // Starts in order (repeats, long and empty windows, past the end), then
    // a step back.
    const std::pair<std::int64_t, std::int64_t> windows[] = {{-50, 30}, {0, 400}, {0, 10}, {60, 60}, {90, 310},
                                                             {149, 151}, {330, 500}, {450, 460}, {10, 320}};
    // The same notes in another order make the same ceiling.
    const MelodyCeiling reversed({{320, 340, 65}, {300, 400, 60}, {96, 150, 79}, {48, 200, 72}, {0, 96, 76}});
    MelodyCeiling::Walk walk(reversed);
    for (const auto& [from, to] : windows) {
        std::vector<MelodyCeiling::Piece> searched;
        std::vector<MelodyCeiling::Piece> walked;
        melody.Pieces(from, to, searched);
        walk.Pieces(from, to, walked);
        ASSERT_EQ(walked.size(), searched.size()) << from << "-" << to;
        for (std::size_t i = 0; i < walked.size(); ++i) {
            EXPECT_EQ(walked[i].top, searched[i].top) << from << "-" << to;
            EXPECT_EQ(walked[i].ticks, searched[i].ticks) << from << "-" << to;
        }
    }
}

TEST(MelodyCeilingTest, ShortRestsKeepTheNoteBeforeThem)
{
    CapturingReporter reporter;
    // G4 to 96, a rest of two beats, A4 at 288 to 384, a rest of a bar, C5 at 768.
    std::vector<std::unique_ptr<midi::CMidiTrack>> tracks;
    tracks.push_back(TrackOf(reporter, 1, 73, {{0, 67, 96}, {288, 69, 96}, {768, 72, 96}}));
    const MelodyCeiling sounding = CollectMelody(tracks, 1);
    const MelodyCeiling line = CollectMelody(tracks, 1, 192);
    EXPECT_EQ(sounding.TicksAbove(96, 288, 71), 0);
    EXPECT_EQ(line.TicksAbove(96, 288, 71), 192);  // B4 over the G4 still in the ear
    EXPECT_EQ(line.Lowest(96, 288), 67);
    EXPECT_EQ(line.Lowest(384, 768), -1);  // a bar's rest is the comping's own
}

TEST(UnderMelody, ChordBlocksMoveTogetherBelowTheTune)
{
    CapturingReporter reporter;
    // Melody around A4-C5; the comping chord E5-G5-C6 sits on top of it.
    std::vector<std::unique_ptr<midi::CMidiTrack>> tracks;
    tracks.push_back(TrackOf(reporter, 1, 73, {{0, 72, 190}, {192, 69, 190}, {384, 71, 380}}));
    const MelodyCeiling melody = CollectMelody(tracks, 1);
    auto comp = TrackOf(reporter, 3, 0,
                        {{0, 76, 180}, {0, 79, 180}, {0, 84, 180}, {192, 76, 180}, {192, 79, 180}, {192, 84, 180},
                         {384, 74, 370}, {384, 79, 370}, {384, 83, 370}});
    const std::vector<Tick> blocks{384, 384};
    VoiceUnderMelody(*comp, melody, blocks, ProgramRange(0), 45);
    // Each chord moves down an octave as a whole; the one voice that would
    // still cover the A4 drops a further octave, so nothing sounds over the
    // tune.
    EXPECT_EQ(Pitches(*comp), (std::vector<int>{64, 67, 72, 64, 67, 60, 62, 67, 71}));
    std::int64_t time = 0;
    for (const midi::CMidiEvent& e : comp->Events()) {
        time += e.DeltaTime;
        if (e.Kind == midi::kKindNote) {
            EXPECT_EQ(melody.TicksAbove(time, time + e.Duration, e.Note), 0) << time;
        }
    }
}

TEST(UnderMelody, RangeAndFloorWinOverTheMelody)
{
    CapturingReporter reporter;
    // A very low tune (a rap line at A2): chords cannot go under it without
    // sinking into the bass, so they stay where they are.
    std::vector<std::unique_ptr<midi::CMidiTrack>> tracks;
    tracks.push_back(TrackOf(reporter, 1, 53, {{0, 45, 384}}));
    auto comp = TrackOf(reporter, 3, 24, {{0, 60, 380}, {0, 64, 380}, {0, 67, 380}});
    const std::vector<Tick> blocks{384};
    VoiceUnderMelody(*comp, CollectMelody(tracks, 1), blocks, ProgramRange(24), 45);
    EXPECT_EQ(Pitches(*comp), (std::vector<int>{60, 64, 67}));
    // Without any melody the part is only folded into its range (a nylon
    // guitar cannot play C7).
    auto high = TrackOf(reporter, 3, 24, {{0, 96, 10}});
    VoiceUnderMelody(*high, MelodyCeiling(), blocks, ProgramRange(24), 45);
    EXPECT_EQ(Pitches(*high), (std::vector<int>{72}));
}

}  // namespace
}  // namespace songloom::arrange
