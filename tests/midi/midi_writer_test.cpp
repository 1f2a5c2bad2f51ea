#include <gtest/gtest.h>

#include "midi/midi_file.h"
#include "support/smf_builder.h"

namespace songloom::midi {
namespace {

CMidiTrack MessagesTrack(CapturingReporter& r, std::uint32_t capacity = kStandardCapacity)
{
    CMidiTrack t(r, capacity);
    t.State = TrackMessages;
    return t;
}

CMidiEvent Message(std::int32_t kind, std::int32_t delta, std::int32_t channel, std::int32_t a, std::int32_t b)
{
    CMidiEvent e(delta);
    e.Kind = kind;
    e.Channel = channel;
    e.Note = a;
    e.Number = a;
    e.Velocity = b;
    e.Value = b;
    return e;
}

// Parses the chunk a track wrote back into events.
CMidiTrack Reread(CapturingReporter& r, const CMidiTrack& written)
{
    CMidiTrack t(r);
    t.ParseChunk(written.Bytes, 0, 0);
    return t;
}

TEST(MidiWriter, RefusesATrackWithoutEndOfTrack)
{
    CapturingReporter r;
    auto t = MessagesTrack(r);
    t.AppendEvent(Message(kKindNoteOn, 0, 0, 60, 100));
    EXPECT_FALSE(t.WriteChunk("MTrk"));
    EXPECT_TRUE(r.Has("MDTK", 0x0D000001));
    EXPECT_EQ(t.Used(), 0);
    EXPECT_EQ(t.State, TrackMessages);
}

TEST(MidiWriter, EncodesEveryKindFromItsFields)
{
    CapturingReporter r;
    auto t = MessagesTrack(r);
    t.AppendEvent(Message(kKindNoteOn, 0, 3, 200, 100));  // a note outside 0..127 is written as 0
    t.AppendEvent(Message(kKindNoteOff, 5, 3, 0, 0));
    t.AppendEvent(Message(kKindControl, 0, 15, 7, 99));
    t.AppendEvent(Message(kKindProgram, 0, 1, 0, 12));
    t.AppendEvent(Message(kKindChannelPressure, 0, 1, 0, 50));
    CMidiEvent bend(0);
    bend.Kind = kKindPitchBend;
    bend.Channel = 2;
    bend.SetPitchBend(8192 + 5);
    t.AppendEvent(bend);
    CMidiEvent tempo;
    tempo.SetTempo(400000);
    t.AppendEvent(tempo);
    CMidiEvent name;
    name.Kind = kKindMeta;
    name.Number = kMetaLyric;
    const std::vector<std::uint8_t> lyric(200, 'a');  // longer than one length byte can say
    name.SetData(lyric);
    t.AppendEvent(name);
    t.AddEndOfTrack(0);
    ASSERT_TRUE(t.WriteChunk("MTrk"));
    EXPECT_EQ(t.State, TrackRaw);
    const std::vector<std::uint8_t> head(t.Bytes.begin() + 8, t.Bytes.begin() + 37);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{0, 0x93, 0, 100, 5, 0x83, 0, 0x40, 0, 0xBF, 7, 99,
                                                0, 0xC1, 12, 0, 0xD1, 50, 0, 0xE2, 5, 0x40,
                                                0, 0xFF, 0x51, 3, 0x06, 0x1A, 0x80}));
    EXPECT_EQ(t.Event(0).Note, 0);
    auto back = Reread(r, t);
    ASSERT_EQ(back.EventCount(), 9);
    EXPECT_EQ(back.Event(7).Data, lyric);
    EXPECT_TRUE(back.Event(8).IsEndOfTrack());
}

TEST(MidiWriter, LongDeltaTimesKeepTheirLength)
{
    CapturingReporter r;
    auto t = MessagesTrack(r);
    t.AppendEvent(Message(kKindControl, 2097151, 0, 7, 1));  // the largest three-byte quantity
    t.AppendEvent(Message(kKindControl, 2097152, 0, 7, 2));  // needs a fourth byte
    t.AddEndOfTrack(0);
    ASSERT_TRUE(t.WriteChunk("MTrk"));
    EXPECT_EQ(std::vector<std::uint8_t>(t.Bytes.begin() + 8, t.Bytes.begin() + 11), (std::vector<std::uint8_t>{0xFF, 0xFF, 0x7F}));
    auto back = Reread(r, t);
    ASSERT_EQ(back.EventCount(), 3);
    EXPECT_EQ(back.Event(0).DeltaTime, 2097151);
    EXPECT_EQ(back.Event(1).DeltaTime, 2097152);
}

TEST(MidiWriter, OversizedEventIsRefusedAndItsTimeKept)
{
    CapturingReporter r;
    auto t = MessagesTrack(r);
    t.AppendEvent(Message(kKindControl, 10, 0, 7, 1));
    CMidiEvent sysex(20);
    sysex.Kind = kKindSysEx;
    std::vector<std::uint8_t> bytes(70000, 0x11);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    sysex.SetData(bytes);
    t.AppendEvent(sysex);
    t.AppendEvent(Message(kKindControl, 30, 0, 7, 2));
    t.AddEndOfTrack(0);
    ASSERT_TRUE(t.WriteChunk("MTrk"));
    EXPECT_TRUE(r.Has("MDTK", 0x0D00001A));
    auto back = Reread(r, t);
    ASSERT_EQ(back.EventCount(), 3);
    EXPECT_EQ(back.Event(1).DeltaTime, 50);
    EXPECT_TRUE(back.Event(2).IsEndOfTrack());
}

TEST(MidiWriter, FullBufferEndsTheChunkCleanly)
{
    CapturingReporter r;
    auto t = MessagesTrack(r, 1024);
    for (int i = 0; i < 400; ++i) t.AppendEvent(Message(kKindControl, 1, 0, 7, i & 0x7F));
    t.AddEndOfTrack(0);
    ASSERT_TRUE(t.WriteChunk("MTrk"));
    EXPECT_TRUE(r.Has("MDTK", 0x0D00001A));
    EXPECT_LE(t.Used(), 1024 - 256 + 4);
    auto back = Reread(r, t);
    EXPECT_GT(back.EventCount(), 100);
    EXPECT_TRUE(back.Events().back().IsEndOfTrack());
}

TEST(MidiWriter, FileThatOutgrowsItsCapacityStillHasAValidHeader)
{
    CapturingReporter r;
    std::vector<CMidiTrack> tracks;
    for (int n = 0; n < 3; ++n) {
        CMidiTrack t(r, 4096);
        t.State = TrackNotes;
        for (int i = 0; i < 450; ++i) t.AddNote(n, 4, 60, 100, 2);
        t.AddEndOfTrack(0);
        tracks.push_back(t);
    }
    const CMidiTrack* list[] = {&tracks[0], &tracks[1], &tracks[2]};
    CMidiFile1 f(r, list, 96, 8192);
    f.SplitNotes();
    f.Serialize();
    EXPECT_TRUE(r.Has("M1DT", 0x03000019));
    CMidiFile1 back(r, f.Bytes, false);
    ASSERT_TRUE(back.Loaded());
    EXPECT_EQ(back.TrackCount(), (f.Bytes[10] << 8) | f.Bytes[11]);
    EXPECT_GE(back.TrackCount(), 1);
    EXPECT_LT(back.TrackCount(), 3);
}

TEST(MidiFile, SmpteDivisionBecomesTicksPerQuarterAtAFixedTempo)
{
    CapturingReporter r;
    // 25 frames per second, 40 ticks a frame: 1000 ticks a second.
    const auto bytes = test::SmfBuilder()
                           .Header(1, 1, 0xE728)
                           .Track([](test::TrackBytes& t) {
                               t.Tempo(250000).NoteOn(0, 60, 100).Delta(1000).NoteOff(0, 60);
                           })
                           .Bytes();
    CMidiFile1 f(r, bytes, false);
    ASSERT_TRUE(f.Loaded());
    EXPECT_TRUE(r.Has("M1DT", m1dt::kSmpteDivision));
    EXPECT_EQ(f.Division, 1000);
    // One tempo of a second per quarter note: 1000 ticks last one second.
    int tempos = 0;
    for (const auto& e : f.Tracks[0].Events()) {
        if (e.IsMeta(kMetaTempo)) {
            ++tempos;
            EXPECT_EQ(e.Value, 1000000);
        }
    }
    EXPECT_EQ(tempos, 1);
    CMidiFile0 zero(r, bytes);
    EXPECT_EQ(zero.Division, 1000);
}


// A track of notes with durations, as the engine builds them.
CMidiTrack NotesTrack(CapturingReporter& r, const std::vector<CMidiEvent>& events,
                      std::uint32_t capacity = kStandardCapacity)
{
    CMidiTrack t(r, capacity);
    for (const CMidiEvent& e : events) t.AppendEvent(e);
    t.State = TrackNotes;
    return t;
}

CMidiEvent Note(std::int32_t delta, std::int32_t channel, std::int32_t note, std::int32_t velocity,
                std::int32_t duration)
{
    CMidiEvent e = Message(kKindNote, delta, channel, note, velocity);
    e.Duration = duration;
    return e;
}

CMidiEvent EndOfTrack(std::int32_t delta)
{
    CMidiEvent e(delta);
    e.Kind = kKindMeta;
    e.Number = kMetaEndOfTrack;
    return e;
}

// The chunk and reports of SplitNotes then WriteChunk, and of the one pass.
struct Written {
    bool onePass;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> reports;
};

Written WriteBothWays(const std::vector<CMidiEvent>& events, Written& twoSteps,
                      std::uint32_t capacity = kStandardCapacity)
{
    CapturingReporter r1;
    CMidiTrack a = NotesTrack(r1, events, capacity);
    a.SplitNotes();
    twoSteps = {false, a.WriteChunk() ? a.Bytes : std::vector<std::uint8_t>{}, r1.lines()};
    CapturingReporter r2;
    CMidiTrack b = NotesTrack(r2, events, capacity);
    const bool done = b.WriteNotesChunk();
    if (!done) {
        EXPECT_EQ(b.State, TrackNotes);
        EXPECT_EQ(b.Events(), events) << "a refused track is left as it was";
        EXPECT_TRUE(b.Bytes.empty());
        return {false, {}, r2.lines()};
    }
    EXPECT_EQ(b.State, TrackRaw);
    return {true, b.Bytes, r2.lines()};
}

TEST(MidiWriter, OnePassNotesChunkIsTheSplitTrackWritten)
{
    CMidiEvent program(0);
    program.Kind = kKindProgram;
    program.Channel = 2;
    program.Value = 40;
    const std::vector<std::vector<CMidiEvent>> tracks = {
        // Overlapping notes ending together (the later note's off first),
        // a note ending where the next starts, a control among them.
        {program, Note(0, 2, 60, 100, 48), Note(0, 2, 64, 90, 96), Note(48, 2, 67, 80, 48), Note(0, 2, 48, 70, 10),
         [] { CMidiEvent c(5); c.Kind = kKindControl; c.Channel = 2; c.Number = 7; c.Value = 99; return c; }(),
         Note(43, 2, 72, 60, 1), EndOfTrack(0)},
        // Notes sounding past the End of Track, which moves behind them.
        {Note(0, 9, 36, 100, 500), Note(10, 9, 38, 100, 200), EndOfTrack(20)},
        // The End of Track in the instant of the last note-on.
        {Note(0, 0, 60, 100, 30), Note(30, 0, 62, 100, 30), EndOfTrack(0)},
        // Fields the writer repairs or reports: a channel out of range and a
        // note out of range.
        {Note(0, 20, 60, 100, 10), Note(10, 0, 200, 100, 10), EndOfTrack(10)},
        // Only an End of Track.
        {EndOfTrack(96)},
    };
    for (std::size_t k = 0; k < tracks.size(); ++k) {
        Written two;
        const Written one = WriteBothWays(tracks[k], two);
        EXPECT_TRUE(one.onePass) << "track " << k;
        EXPECT_EQ(one.bytes, two.bytes) << "track " << k;
        EXPECT_EQ(one.reports, two.reports) << "track " << k;
    }
}

TEST(MidiWriter, SplitPutsTheEndOfTrackBehindNotesStillSounding)
{
    // One note-off before the End of Track and one after it: the End of
    // Track once stayed where it was, and the track could not be written.
    CapturingReporter r;
    CMidiTrack t = NotesTrack(r, {Note(0, 0, 60, 100, 30), Note(30, 0, 62, 100, 30), EndOfTrack(0)});
    t.SplitNotes();
    ASSERT_EQ(t.EventCount(), 5);
    EXPECT_TRUE(t.Events().back().IsEndOfTrack());
    EXPECT_EQ(t.Events().back().DeltaTime, 0);
    EXPECT_EQ(t.Event(3).Kind, kKindNoteOff);
    EXPECT_EQ(t.Event(3).DeltaTime, 30);
    EXPECT_EQ(t.TotalTicks(), 60);
    EXPECT_TRUE(t.WriteChunk());
    EXPECT_TRUE(r.reports().empty());
}

TEST(MidiWriter, OnePassNotesChunkLeavesUnusualTracksToTheSplit)
{
    CMidiEvent deleted(4);
    const std::vector<std::vector<CMidiEvent>> refused = {
        {Note(0, 0, 60, 100, 10), Note(-5, 0, 62, 100, 10), EndOfTrack(0)},  // time falls
        {Note(0, 0, 60, 100, 10), deleted, EndOfTrack(0)},                    // an event to drop
        {Note(0, 0, 60, 0, 10), EndOfTrack(0)},                               // a silent note
        {Note(0, 0, 60, 100, 0), EndOfTrack(0)},                              // a note of no length
        {EndOfTrack(0), Note(10, 0, 60, 100, 10), EndOfTrack(0)},             // an End of Track early
        {Note(0, 0, 60, 100, 10)},                                            // no End of Track
        {Note(10, 0, 60, 100, INT32_MAX), EndOfTrack(0)},                     // an end past a delta time
    };
    for (std::size_t k = 0; k < refused.size(); ++k) {
        Written two;
        const Written one = WriteBothWays(refused[k], two);
        EXPECT_FALSE(one.onePass) << "track " << k;
        EXPECT_TRUE(one.reports.empty()) << "track " << k;
    }
}

TEST(MidiWriter, OnePassNotesChunkMatchesTheSplitOnRandomTracks)
{
    std::uint32_t state = 12345;
    auto draw = [&](int n) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(n));
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<CMidiEvent> events;
        const int count = draw(60);
        // Every fifth round a few fields the writer repairs or passes over:
        // channels and notes out of range, events of no kind it knows
        // (their time passes on to the next event written).
        const bool odd = round % 5 == 4;
        for (int i = 0; i < count; ++i) {
            const int delta = draw(3) == 0 ? 0 : draw(100);
            if (draw(8) == 0) {
                CMidiEvent c(delta);
                c.Kind = odd && draw(2) == 0 ? 0x20 : kKindControl;
                c.Channel = draw(16);
                c.Number = draw(128);
                c.Value = draw(128);
                events.push_back(c);
            } else {
                const int channel = odd && draw(6) == 0 ? 17 + draw(3) : draw(3);
                const int note = odd && draw(6) == 0 ? 128 + draw(50) : 40 + draw(40);
                events.push_back(Note(delta, channel, note, 1 + draw(127), 1 + draw(300)));
            }
        }
        events.push_back(EndOfTrack(draw(2) == 0 ? 0 : draw(200)));
        // Every third round a track whose room runs out part way: the chunk
        // ends early, the same way both ways.
        const std::uint32_t capacity = round % 3 == 2 ? 256 + static_cast<std::uint32_t>(draw(200)) : kStandardCapacity;
        Written two;
        const Written one = WriteBothWays(events, two, capacity);
        ASSERT_TRUE(one.onePass) << "round " << round;
        ASSERT_EQ(one.bytes, two.bytes) << "round " << round;
        ASSERT_EQ(one.reports, two.reports) << "round " << round;
    }
}

}  // namespace
}  // namespace songloom::midi
