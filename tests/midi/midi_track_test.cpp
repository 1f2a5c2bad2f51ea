#include "midi/midi_track.h"

#include <gtest/gtest.h>

#include "support/smf_builder.h"
#include "support/two_pass_track.h"

namespace songloom::midi {
namespace {

using test::SmfBuilder;
using test::TrackBytes;

// Parses one chunk built by fill (the builder closes it with an End of Track).
CMidiTrack Parse(CapturingReporter& r, const SmfBuilder::Filler& fill, bool closed = true)
{
    SmfBuilder b;
    closed ? b.Track(fill) : b.RawTrack(fill);
    const auto bytes = b.Bytes();
    CMidiTrack track(r);
    track.ParseChunk(bytes, 14, 0);
    return track;
}

struct Heard {
    std::int64_t time;
    std::int32_t kind, channel, note, duration;
    bool operator==(const Heard&) const = default;
};

std::vector<Heard> Notes(const CMidiTrack& t)
{
    std::vector<Heard> out;
    std::int64_t now = 0;
    for (const auto& e : t.Events()) {
        now += e.DeltaTime;
        if (e.Kind == kKindNote || e.Kind == kKindNoteOn || e.Kind == kKindNoteOff) {
            out.push_back({now, e.Kind, e.Channel, e.Note, e.Duration});
        }
    }
    return out;
}

TEST(MidiTrackParse, DecodesChannelMessagesUnderRunningStatus)
{
    CapturingReporter r;
    auto t = Parse(r, [](TrackBytes& b) {
        b.NoteOn(2, 60, 100).Delta(10).Running({62, 90}).Delta(5).Control(3, 7, 99).Running({10, 64});
        b.Program(4, 5).PitchBend(5, 8192 + 3).ChannelPressure(6, 33).PolyPressure(7, 64, 12);
    });
    ASSERT_EQ(t.State, TrackMessages);
    ASSERT_EQ(t.EventCount(), 9);
    EXPECT_EQ(t.Event(1).Kind, kKindNoteOn);
    EXPECT_EQ(t.Event(1).Note, 62);
    EXPECT_EQ(t.Event(1).DeltaTime, 10);
    // Running status keeps the full message, status byte included.
    EXPECT_EQ(t.Event(1).Data, (std::vector<std::uint8_t>{0x92, 62, 90}));
    EXPECT_EQ(t.Event(3).Kind, kKindControl);
    EXPECT_EQ(t.Event(3).Number, 10);
    EXPECT_EQ(t.Event(3).Channel, 3);
    EXPECT_EQ(t.Event(4).Value, 5);
    EXPECT_EQ(t.Event(5).GetPitchBend(), 8195);
    EXPECT_EQ(t.Event(6).Value, 33);
    EXPECT_EQ(t.Event(7).Note, 64);
    EXPECT_EQ(t.Event(7).Value, 12);
    EXPECT_TRUE(t.Event(8).IsEndOfTrack());
    EXPECT_TRUE(r.reports().empty());
}

TEST(MidiTrackParse, MetaEventsTakeTheirFixedLengthsAndRepairBadValues)
{
    CapturingReporter r;
    auto t = Parse(r, [](TrackBytes& b) {
        b.Tempo(0).TimeSignature(0, 2).TimeSignature(6, 3).Meta(0x21, {1}).Text(9, "GS").Text(3, "Piano");
        b.Meta(0x59, {0xFE, 1});
    });
    t.PurgeDeleted();
    ASSERT_EQ(t.EventCount(), 7);
    EXPECT_EQ(t.Event(0).Value, 500000);
    EXPECT_TRUE(r.Has("MDTK", 0x0D000005));
    EXPECT_EQ(t.Event(1).Value, 0x0404);
    EXPECT_TRUE(r.Has("MDTK", 0x0D000027));
    EXPECT_EQ(t.Event(2).Value, 6 * 256 + 8);
    // The port prefix (0x21) is dropped; a device name becomes an instrument name.
    EXPECT_TRUE(t.Event(3).IsMeta(kMetaInstrumentName));
    EXPECT_EQ(t.Event(3).Data, (std::vector<std::uint8_t>{'G', 'S'}));
    std::string name;
    EXPECT_TRUE(t.FindMetaText(kMetaTrackName, name));
    EXPECT_EQ(name, "Piano");
    EXPECT_EQ(t.Event(5).Data, (std::vector<std::uint8_t>{0xFE, 1}));
}

TEST(MidiTrackParse, ClassifiesSystemExclusive)
{
    CapturingReporter r;
    auto t = Parse(r, [](TrackBytes& b) {
        b.SysEx({0x7F, 0x7F, 0x04, 0x01, 0x00, 0x64, 0xF7});                    // master volume 100
        b.SysEx({0x7E, 0x7F, 0x09, 0x01, 0xF7});                                // GM on
        b.SysEx({0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x02, 0x0F, 0xF7});  // rhythm part, block A
        b.SysEx({0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x38, 0x05, 0x42, 0xF7});  // class 33
        b.SysEx({0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x36, 0x05, 0x42, 0xF7});  // 0x36: no class
    });
    EXPECT_EQ(t.Event(0).Number, kSysExMasterVolume);
    EXPECT_EQ(t.Event(0).Value, 100);
    EXPECT_EQ(t.Event(0).Data, (std::vector<std::uint8_t>{0xF0, 7, 0x7F, 0x7F, 4, 1, 0, 0x64, 0xF7}));
    EXPECT_EQ(t.Event(1).Number, kSysExGmSystemOn);
    EXPECT_EQ(t.Event(2).Number, kSysExUseForRhythmPart);
    EXPECT_EQ(t.Event(2).Channel, 10);
    EXPECT_EQ(t.Event(2).Value, 2);
    EXPECT_EQ(t.Event(3).Number, 33);
    EXPECT_EQ(t.Event(4).Number, 0);
    EXPECT_EQ(t.Event(4).Channel, kNoChannel);
    EXPECT_EQ(t.GetMasterVolume(), 100);

    // Moving the part event to channel 0 rewrites its block and checksum.
    CMidiEvent part = t.Event(2);
    ASSERT_TRUE(t.RechannelPartEvent(part, 10, 0));
    EXPECT_EQ(part.Data[7], 0x11);
    EXPECT_EQ((part.Data[6] + part.Data[7] + part.Data[8] + part.Data[9] + part.Data[10]) % 128, 0);
    EXPECT_FALSE(t.RechannelPartEvent(part, 10, 3));
}

TEST(MidiTrackParse, MalformedChunksAreReportedAndReadAsFarAsPossible)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> body;
        std::uint32_t code;
        int events;
    };
    const std::vector<Case> cases = {
        {"undefined status", {0, 0xF4, 0, 0x90, 60, 1, 0, 0xFF, 0x2F, 0}, 0x0D000002, 3},
        // Two unreadable data bytes, then a delta time and the End of Track.
        {"running status first", {0, 60, 100, 0, 0xFF, 0x2F, 0}, 0x0D000002, 2},
        {"unterminated sysex", {0, 0xF0, 3, 0x7E, 0x7F, 0x09}, 0x0D000001, 1},
        {"cut message", {0, 0x90, 60}, 0x0D000001, 0},
        {"program out of range", {0, 0xC0, 0x80, 0, 0xFF, 0x2F, 0}, 0x0D00000C, 2},
        {"endless delta", {0x80, 0x80, 0x80, 0x80, 0x80}, 0x0D000001, 0},
    };
    for (const auto& c : cases) {
        CapturingReporter r;
        SmfBuilder b;
        b.Chunk("MTrk", c.body);
        const auto bytes = b.Bytes();
        CMidiTrack t(r);
        t.ParseChunk(bytes, 14, 0);
        EXPECT_TRUE(r.Has("MDTK", c.code)) << c.name;
        EXPECT_EQ(t.EventCount(), c.events) << c.name;
        EXPECT_EQ(t.State, TrackMessages) << c.name;
    }
    CapturingReporter r;
    const std::vector<std::uint8_t> alien = {'M', 'T', 'h', 'd', 0, 0, 0, 0};
    CMidiTrack t(r);
    EXPECT_EQ(t.ParseChunk(alien, 0, 0), 8u);
    EXPECT_TRUE(r.Has("MDTK", 0x0D000007));
    EXPECT_EQ(t.Used(), 0);
}

TEST(MidiTrackParse, UndefinedEventWarningIsShownOncePerParse)
{
    CapturingReporter r;
    SmfBuilder b;
    b.Chunk("MTrk", {0, 0xF4, 0, 0xF5, 0, 0xF9, 0, 0xFF, 0x2F, 0});
    const auto bytes = b.Bytes();
    CMidiTrack t(r);
    t.ParseChunk(bytes, 14, 0);
    EXPECT_EQ(r.Count("MDTK", 0x0D000002), 1u);
    t.ParseChunk(bytes, 14, 0);
    EXPECT_EQ(r.Count("MDTK", 0x0D000002), 2u);
}

TEST(MidiTrackNotes, PairingMatchesEachNoteOffWithTheOldestOpenNote)
{
    CapturingReporter r;
    auto t = Parse(r, [](TrackBytes& b) {
        b.NoteOn(0, 60, 100).Delta(10).NoteOn(0, 60, 90).Delta(10).NoteOn(0, 60, 0);  // velocity 0 = off
        b.Delta(5).NoteOn(1, 60, 80).Delta(5).NoteOff(0, 64).Delta(20).NoteOff(1, 60);
    });
    t.PairNotes();
    ASSERT_EQ(t.State, TrackNotes);
    // The second note-on of 60 finds no free note-off and is dropped; the
    // stray note-off of 64 goes, and every delta time is carried over.
    EXPECT_EQ(Notes(t), (std::vector<Heard>{{0, kKindNote, 0, 60, 20}, {25, kKindNote, 1, 60, 25}}));
    EXPECT_EQ(t.TotalTicks(), 50);
    EXPECT_TRUE(t.Events().back().IsEndOfTrack());
}

TEST(MidiTrackNotes, PairingThatKeepsEveryNoteEndsOpenNotesAtTheEndOfTheTrack)
{
    CapturingReporter r;
    auto t = Parse(r, [](TrackBytes& b) {
        b.NoteOn(0, 60, 100).Delta(10).NoteOn(0, 60, 90).Delta(10).NoteOff(0, 60);
        b.NoteOn(9, 36, 100).NoteOff(9, 36);  // ended in the instant it began
        b.Delta(5).NoteOn(1, 64, 80).Delta(30).Control(1, 7, 100);
    });
    EXPECT_EQ(t.PairNotes(CMidiTrack::NotePairing::kKeepEveryNote), 2);
    EXPECT_EQ(Notes(t), (std::vector<Heard>{{0, kKindNote, 0, 60, 20},
                                            {10, kKindNote, 0, 60, 45},
                                            {20, kKindNote, 9, 36, 1},
                                            {25, kKindNote, 1, 64, 30}}));
    EXPECT_EQ(t.TotalTicks(), 55);
    // Written and read again, the same notes come back with their note-offs.
    t.SplitNotes();
    ASSERT_TRUE(t.WriteChunk());
    CMidiTrack again(r);
    again.ParseChunk(t.Bytes, 0, 0);
    EXPECT_EQ(again.PairNotes(CMidiTrack::NotePairing::kKeepEveryNote), 0);
    EXPECT_EQ(Notes(again).size(), 4u);
}

void ExpectOnePassMatches(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    const test::TwoPassTrack two = test::ReadTrackInTwoPasses(bytes, offset);
    CapturingReporter r;
    CMidiTrack t(r);
    std::int32_t closed = -1;
    EXPECT_EQ(t.ParseNotesChunk(bytes, offset, 0, closed), two.used);
    EXPECT_EQ(t.State, TrackNotes);
    EXPECT_EQ(t.Events(), two.events);
    EXPECT_EQ(closed, two.closed);
    EXPECT_EQ(r.lines(), two.reports);
}

TEST(MidiTrackNotes, ReadingAndPairingInOnePassGivesWhatTheTwoPassesGive)
{
    const std::vector<SmfBuilder::Filler> chunks = {
        // Overlapping notes of one key, a note-on of velocity 0, a stray
        // note-off, a note ended at once and notes left open.
        [](TrackBytes& b) {
            b.NoteOn(0, 60, 100).Delta(10).NoteOn(0, 60, 90).Delta(10).NoteOn(0, 60, 0);
            b.NoteOff(3, 70).NoteOn(9, 36, 100).NoteOff(9, 36).Delta(7).NoteOn(1, 64, 80);
            b.Delta(3).Running({65, 70}).Delta(30).Control(1, 7, 100).EndOfTrack();
        },
        // An End of Track in the middle, time carried past dropped meta types
        // and undefined bytes, and no End of Track at the end.
        [](TrackBytes& b) {
            b.Delta(4).NoteOn(2, 50, 60).Delta(6).EndOfTrack().Delta(5).Meta(0x21, {1}).Delta(3);
            b.Raw({0xF5}).Delta(2).NoteOff(2, 50).Delta(9).Meta(0x60, {1, 2, 3}).Delta(11);
            b.Program(2, 7);
        },
        // Events behind the last note-off only dropped ones, then an End of
        // Track that follows a dropped event.
        [](TrackBytes& b) {
            b.Tempo(400000).NoteOn(4, 127, 1).Delta(20).NoteOff(4, 127).Delta(8).Meta(0x21, {0});
            b.Delta(6).EndOfTrack();
        },
        // Only dropped events and a bad note number read as a note-off.
        [](TrackBytes& b) { b.Delta(12).Meta(0x21, {2}).Delta(4).Raw({0x90, 0x80, 0x40}).Delta(1).Raw({0xF9}); },
        // A message cut by the end of the chunk, under an open note.
        [](TrackBytes& b) { b.NoteOn(5, 40, 90).Delta(3).SysEx({0x7E, 0x7F, 0x09, 0x01, 0xF7}).Raw({0xB5, 7}); },
    };
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        SCOPED_TRACE(i);
        SmfBuilder b;
        b.RawTrack(chunks[i]);
        ExpectOnePassMatches(b.Bytes(), 14);
    }
    // Not a chunk at all, and a chunk whose header is cut.
    SmfBuilder alien;
    alien.Chunk("ABCD", {1, 2, 3});
    ExpectOnePassMatches(alien.Bytes(), 14);
    const std::vector<std::uint8_t> cut = {'M', 'T', 'r', 'k', 0, 0};
    ExpectOnePassMatches(cut, 0);
}

TEST(MidiTrackParse, AnUndefinedStatusByteCostsOnlyThatByte)
{
    CapturingReporter r;
    SmfBuilder b;
    // F4 and F9 between a delta time and a note-on; F5 as an event of its
    // own with a delta time behind it; the last note-off under running status.
    b.Chunk("MTrk", {0, 0xF4, 0x90, 60, 100, 10, 0xF5, 10, 0x80, 60, 64,
                     0, 0xF9, 0x90, 62, 100, 20, 62, 0, 0, 0xFF, 0x2F, 0});
    const auto bytes = b.Bytes();
    CMidiTrack t(r);
    t.ParseChunk(bytes, 14, 0);
    EXPECT_EQ(r.Count("MDTK", 0x0D000002), 1u);
    t.PairNotes();
    EXPECT_EQ(Notes(t), (std::vector<Heard>{{0, kKindNote, 0, 60, 20}, {20, kKindNote, 0, 62, 20}}));
    EXPECT_EQ(t.TotalTicks(), 40);
}

TEST(MidiTrackParse, AChunkLargerThanTheCapacityIsReadWhole)
{
    CapturingReporter r;
    constexpr int kNotes = 70000;  // 140,000 events, more than a standard track holds
    SmfBuilder b;
    b.Track([](TrackBytes& t) {
        for (int i = 0; i < kNotes; ++i) t.Delta(1).NoteOn(i % 16, 36 + i % 60, 100).Delta(1).NoteOff(i % 16, 36 + i % 60);
    });
    const auto bytes = b.Bytes();
    ASSERT_GT(bytes.size(), kStandardCapacity);
    CMidiTrack t(r, 8192);
    t.ParseChunk(bytes, 14, 0);
    EXPECT_EQ(t.EventCount(), 2 * kNotes + 1);
    EXPECT_FALSE(r.Has("MDTK", 0x0D000006));
    EXPECT_FALSE(r.Has("MDTK", 0x0D000001));
    // What was read can be written again.
    t.PairNotes();
    t.SplitNotes();
    ASSERT_TRUE(t.WriteChunk());
    EXPECT_FALSE(r.Has("MDTK", 0x0D00001A));
    EXPECT_EQ(t.Bytes.size(), bytes.size() - 14);
}

TEST(MidiTrackNotes, SplitThenPairGivesBackTheAudibleNotes)
{
    CapturingReporter r;
    CMidiTrack t(r);
    t.State = TrackNotes;
    t.AddNote(0, 0, 60, 100, 96);
    t.AddNote(0, 0, 64, 100, 48);
    t.AddNote(0, 48, 67, 100, 96);
    t.AddNote(0, 0, 50, 0, 500);  // silent: only spaces time
    t.AddNote(0, 48, 60, 100, 0);  // zero length
    t.AddNote(0, 0, 72, 100, 200);
    t.AddEndOfTrack(10);
    const CMidiTrack before = t;
    t.SplitNotes();
    ASSERT_EQ(t.State, TrackMessages);
    EXPECT_EQ(Notes(t), (std::vector<Heard>{{0, kKindNoteOn, 0, 60, 0},
                                            {0, kKindNoteOn, 0, 64, 0},
                                            {48, kKindNoteOff, 0, 64, 0},
                                            {48, kKindNoteOn, 0, 67, 0},
                                            {96, kKindNoteOff, 0, 60, 0},
                                            {96, kKindNoteOn, 0, 72, 0},
                                            {144, kKindNoteOff, 0, 67, 0},
                                            {296, kKindNoteOff, 0, 72, 0}}));
    EXPECT_TRUE(t.Events().back().IsEndOfTrack());
    EXPECT_EQ(t.TotalTicks(), 296);
    t.PairNotes();
    std::vector<Heard> expected;
    for (const auto& h : Notes(before)) {
        if (h.note != 50 && h.duration > 0) expected.push_back(h);
    }
    EXPECT_EQ(Notes(t), expected);
}

TEST(MidiTrackNotes, NoteOffsMeetingAtOneTimeComeLaterNoteFirstBeforeTheEventThere)
{
    CapturingReporter r;
    CMidiTrack t(r);
    t.State = TrackNotes;
    t.AddNote(0, 0, 60, 100, 96);   // 0..96
    t.AddNote(1, 0, 62, 100, 200);  // 0..200, sounds through the others
    t.AddNote(0, 0, 64, 100, 96);   // 0..96
    t.AddNote(0, 48, 67, 100, 48);  // 48..96
    t.AddControlChange(0, 7, 90);   // at 48
    t.AddNote(0, 48, 69, 100, 10);  // 96..106, after the three note-offs of 96
    t.AddEndOfTrack(0);
    t.SplitNotes();
    EXPECT_EQ(Notes(t), (std::vector<Heard>{{0, kKindNoteOn, 0, 60, 0},
                                            {0, kKindNoteOn, 1, 62, 0},
                                            {0, kKindNoteOn, 0, 64, 0},
                                            {48, kKindNoteOn, 0, 67, 0},
                                            {96, kKindNoteOff, 0, 67, 0},
                                            {96, kKindNoteOff, 0, 64, 0},
                                            {96, kKindNoteOff, 0, 60, 0},
                                            {96, kKindNoteOn, 0, 69, 0},
                                            {106, kKindNoteOff, 0, 69, 0},
                                            {200, kKindNoteOff, 1, 62, 0}}));
    EXPECT_EQ(t.Event(4).Kind, kKindControl);
    EXPECT_TRUE(t.Events().back().IsEndOfTrack());
    EXPECT_EQ(t.TotalTicks(), 200);
}

TEST(MidiTrackNotes, StateChecksRefuseTheWrongState)
{
    CapturingReporter r;
    CMidiTrack t(r);
    t.State = TrackMessages;
    t.SplitNotes();
    EXPECT_EQ(t.FirstNoteIndex(), -1);
    EXPECT_FALSE(t.ChangeResolution(480, 96, true));
    EXPECT_EQ(r.Count("MDTK", 0x0D000001), 3u);
    t.State = TrackNotes;
    t.PairNotes();
    EXPECT_EQ(r.Count("MDTK", 0x0D000001), 4u);
    EXPECT_EQ(t.State, TrackNotes);
    CMidiTrack copy(t, kStandardCapacity);
    EXPECT_EQ(copy.State, TrackNotes);
    t.State = TrackRaw;
    CMidiTrack refused(t, kStandardCapacity);
    EXPECT_EQ(refused.State, TrackEmpty);
}

}  // namespace
}  // namespace songloom::midi
