#include "midi/midi_dump.h"

#include <gtest/gtest.h>

#include "support/smf_builder.h"

namespace songloom::midi {
namespace {

TEST(MidiDump, OneStableLinePerEventOfEveryChunk)
{
    CapturingReporter r;
    const auto bytes = test::SmfBuilder()
                           .Header(1, 2, 480)
                           .Track([](test::TrackBytes& t) { t.Tempo(500000).Delta(960).Text(6, "A"); })
                           .Chunk("JUNK", {1, 2, 3})
                           .Track([](test::TrackBytes& t) {
                               t.Program(9, 0).NoteOn(9, 36, 100).Delta(120).Running({36, 0});
                               t.SysEx({0x7E, 0x7F, 0x09, 0x01, 0xF7}).PitchBend(1, 8192);
                           })
                           .Bytes();
    EXPECT_EQ(DumpMidiImage(r, bytes),
              "format 1 tracks 2 division 480\n"
              "0\t0\tmeta\t-\t51 07 A1 20\n"
              "0\t960\tmeta\t-\t06 41\n"
              "0\t960\tmeta\t-\t2F\n"
              "1\t0\tprogram\t9\t00\n"
              "1\t0\tnote-on\t9\t24 64\n"
              "1\t120\tnote-off\t9\t24 00\n"
              "1\t120\tsysex\t-\tF0 05 7E 7F 09 01 F7\n"
              "1\t120\tpitch-bend\t1\t00 40\n"
              "1\t120\tmeta\t-\t2F\n");
    EXPECT_EQ(DumpMidiImage(r, std::vector<std::uint8_t>{'n', 'o'}), "not a MIDI file\n");
}

TEST(MidiDump, NotesShowTheirLength)
{
    CapturingReporter r;
    CMidiTrack t(r);
    t.State = TrackNotes;
    t.AddNote(2, 10, 60, 90, 48);
    t.OffsetVelocity(50);
    t.AddNote(2, 5, 62, 10, 100);
    t.OffsetVelocity(-20);
    t.AddEndOfTrack(0);
    EXPECT_EQ(t.FirstNoteIndex(), 0);
    EXPECT_EQ(t.EndTime(), 115);  // the second note outlasts the End of Track
    std::string text;
    DumpTrack(text, t, 3);
    EXPECT_EQ(text, "3\t10\tnote\t2\t3C 6B len=48\n3\t15\tnote\t2\t3E 00 len=100\n3\t15\tmeta\t-\t2F\n");
}

}  // namespace
}  // namespace songloom::midi
