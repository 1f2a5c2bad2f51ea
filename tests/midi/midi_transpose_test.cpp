#include "midi/midi_transpose.h"

#include <gtest/gtest.h>

#include "midi/midi_file.h"
#include "support/smf_builder.h"
#include "support/test_paths.h"

namespace songloom::midi {
namespace {

using test::SmfBuilder;
using test::TrackBytes;

struct Keyed {
    std::int32_t channel, note;
    bool operator==(const Keyed&) const = default;
};

std::vector<Keyed> KeyedEvents(const CMidiTrack& track)
{
    std::vector<Keyed> out;
    for (const auto& e : track.Events()) {
        if (e.Kind == kKindNote || e.Kind == kKindNoteOn || e.Kind == kKindPolyPressure) out.push_back({e.Channel, e.Note});
    }
    return out;
}

TEST(MidiTranspose, FileMovesAllButTheDrumsAndSavesAsItPlays)
{
    CapturingReporter r;
    const auto bytes = SmfBuilder()
                           .Header(0, 1, 96)
                           .Track([](TrackBytes& t) {
                               t.Program(1, 33).NoteOn(1, 40, 100).NoteOn(9, 42, 100).NoteOn(0, 2, 90);
                               t.Delta(48).PolyPressure(1, 40, 20).Delta(48).NoteOff(1, 40).NoteOff(9, 42).NoteOff(0, 2);
                           })
                           .Bytes();
    CMidiFile0 file(r, bytes);
    ASSERT_TRUE(file.Loaded());
    EXPECT_EQ(TransposeTrack(file.Track, -5), 3);
    test::TempDir dir;
    ASSERT_TRUE(file.Save(dir.File("t.mid")));
    CMidiFile0 back(r, dir.File("t.mid"));
    ASSERT_TRUE(back.Loaded());
    EXPECT_EQ(KeyedEvents(back.Track), (std::vector<Keyed>{{1, 35}, {9, 42}, {0, 9}, {1, 35}}));
    EXPECT_EQ(back.Track.TotalTicks(), 96);
    EXPECT_TRUE(r.reports().empty());
}

TEST(MidiTranspose, NotesStayInsideTheMidiRange)
{
    EXPECT_EQ(TransposedNote(60, 0), 60);
    EXPECT_EQ(TransposedNote(60, 14), 74);
    EXPECT_EQ(TransposedNote(120, 10), 118);
    EXPECT_EQ(TransposedNote(3, -5), 10);
    EXPECT_EQ(TransposedNote(0, -24), 0);
    EXPECT_EQ(TransposedNote(127, 12), 127);
}

}  // namespace
}  // namespace songloom::midi
