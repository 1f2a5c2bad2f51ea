#include "midi/midi_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/general.h"
#include "support/smf_builder.h"
#include "support/test_paths.h"

namespace songloom::midi {
namespace {

using test::SmfBuilder;
using test::TrackBytes;

struct Timed {
    std::int64_t time;
    std::int32_t kind, channel, note, number;
    bool operator==(const Timed&) const = default;
};

std::vector<Timed> Timeline(const CMidiTrack& t)
{
    std::vector<Timed> out;
    std::int64_t now = 0;
    for (const auto& e : t.Events()) {
        now += e.DeltaTime;
        out.push_back({now, e.Kind, e.Channel, e.Note, e.Number});
    }
    return out;
}

std::vector<std::uint8_t> TwoTrackFile()
{
    return SmfBuilder()
        .Header(1, 2, 96)
        .Track([](TrackBytes& t) { t.Tempo(600000).TimeSignature(3, 2).Text(3, "Song"); })
        .Track([](TrackBytes& t) {
            t.Program(0, 5).NoteOn(0, 60, 100).Delta(96).NoteOff(0, 60).NoteOn(0, 62, 100).Delta(96).NoteOff(0, 62);
        })
        .Bytes();
}

std::vector<std::uint8_t> FormatZeroFile()
{
    return SmfBuilder()
        .Header(0, 1, 120)
        .Track([](TrackBytes& t) {
            t.Tempo(500000).SysEx({0x7E, 0x7F, 0x09, 0x01, 0xF7}).Program(0, 1).Program(9, 0);
            t.NoteOn(0, 60, 100).NoteOn(9, 36, 100).Delta(60).NoteOff(9, 36).Delta(60).NoteOff(0, 60);
            t.Delta(240).Text(6, "end");
        })
        .Bytes();
}

TEST(MidiFile1, LoadsPairsAndAddsMasterVolumeToTheFirstChannelTrack)
{
    CapturingReporter r;
    CMidiFile1 f(r, TwoTrackFile(), false);
    ASSERT_TRUE(f.Loaded());
    EXPECT_EQ(f.State, 2);
    EXPECT_EQ(f.Division, 96);
    ASSERT_EQ(f.TrackCount(), 2);
    EXPECT_EQ(f.Tracks[1].GetMasterVolume(), 127);
    EXPECT_EQ(f.Tracks[0].GetMasterVolume(), -1);
    EXPECT_TRUE(f.Tracks[1].Event(0).Kind == kKindSysEx);
    EXPECT_FALSE(r.Has("M1DT", 0x03000016));  // quiet unless asked
    CapturingReporter loud;
    CMidiFile1 g(loud, TwoTrackFile(), true);
    EXPECT_TRUE(loud.Has("M1DT", 0x03000016));
}

TEST(MidiFile1, MoreThanOneMasterVolumeIsReported)
{
    CapturingReporter r;
    const auto volume = std::vector<std::uint8_t>{0x7F, 0x7F, 0x04, 0x01, 0x00, 0x50, 0xF7};
    const auto bytes = SmfBuilder()
                           .Track([&](TrackBytes& t) { t.SysEx(volume); })
                           .Track([&](TrackBytes& t) { t.SysEx(volume).NoteOn(1, 60, 1).Delta(5).NoteOff(1, 60); })
                           .Bytes();
    CMidiFile1 f(r, bytes, true);
    EXPECT_TRUE(r.Has("M1DT", 0x03000006));
    EXPECT_FALSE(r.Has("M1DT", 0x03000016));
    EXPECT_EQ(f.Tracks[0].GetMasterVolume(), 0x50);
}

TEST(MidiFile1, SeventyDeclaredTracksReadAsThirtyTwo)
{
    CapturingReporter r;
    SmfBuilder b;
    b.Header(1, 70, 96);
    for (int i = 0; i < 40; ++i) b.Track([](TrackBytes& t) { t.Delta(1).Control(0, 7, 100); });
    CMidiFile1 f(r, b.Bytes(), false);
    EXPECT_TRUE(r.Has("M1DT", 0x03000001));
    EXPECT_EQ(f.TrackCount(), 32);
}

TEST(MidiFile1, FewerChunksThanDeclaredCutsTheCount)
{
    CapturingReporter r;
    const auto bytes = SmfBuilder().Header(1, 5, 96).Track([](TrackBytes& t) { t.Control(0, 7, 1); }).Bytes();
    CMidiFile1 f(r, bytes, false);
    EXPECT_EQ(f.TrackCount(), 1);
    EXPECT_TRUE(r.Has("M1DT", 0));
}

TEST(MidiFile1, FormatZeroIsSplitIntoSeventeenTracks)
{
    CapturingReporter r;
    CMidiFile1 f(r, FormatZeroFile(), false);
    ASSERT_TRUE(f.Loaded());
    ASSERT_EQ(f.TrackCount(), 17);
    EXPECT_EQ(f.Division, 120);
    // Metas in 0; channel 0 with the channel-less system exclusive in 1;
    // channel 9 in 10; every track ends at the source's end.
    EXPECT_EQ(Timeline(f.Tracks[0]), (std::vector<Timed>{{0, kKindMeta, kNoChannel, 0, kMetaTempo},
                                                         {360, kKindMeta, kNoChannel, 0, kMetaMarker},
                                                         {360, kKindMeta, kNoChannel, 0, kMetaEndOfTrack}}));
    EXPECT_EQ(Timeline(f.Tracks[1]), (std::vector<Timed>{{0, kKindSysEx, kNoChannel, 0, kSysExMasterVolume},
                                                         {0, kKindSysEx, kNoChannel, 0, kSysExGmSystemOn},
                                                         {0, kKindProgram, 0, 0, 0},
                                                         {0, kKindNote, 0, 60, 0},
                                                         {360, kKindMeta, kNoChannel, 0, kMetaEndOfTrack}}));
    EXPECT_EQ(f.Tracks[10].Event(1).Note, 36);
    EXPECT_EQ(f.Tracks[10].Event(1).Duration, 60);
    for (const auto& t : f.Tracks) EXPECT_EQ(Timeline(t).back(), (Timed{360, kKindMeta, kNoChannel, 0, kMetaEndOfTrack}));
}

TEST(MidiFile0, FormatOneIsMergedInTrackOrder)
{
    CapturingReporter r;
    const auto bytes = SmfBuilder()
                           .Track([](TrackBytes& t) { t.Tempo(500000).Delta(96).Text(6, "B"); })
                           .Track([](TrackBytes& t) { t.Control(1, 7, 90).Delta(96).Control(1, 10, 64); })
                           .Track([](TrackBytes& t) { t.Control(2, 7, 80).Delta(96).Control(2, 10, 30); })
                           .Bytes();
    CMidiFile0 f(r, bytes);
    ASSERT_TRUE(f.Loaded());
    EXPECT_EQ(f.State, 2);
    std::vector<std::int32_t> order;
    for (const auto& e : f.Track.Events()) order.push_back(e.Kind == kKindControl ? e.Channel : e.Kind);
    EXPECT_EQ(order, (std::vector<std::int32_t>{kKindMeta, kKindSysEx, 1, 2, kKindMeta, 1, 2, kKindMeta}));
    EXPECT_EQ(f.Track.TotalTicks(), 96);
}

TEST(MidiFile0, MacBinaryHeaderIsIgnored)
{
    CapturingReporter r;
    const auto plain = FormatZeroFile();
    auto wrapped = SmfBuilder()
                       .Header(0, 1, 120)
                       .MacBinary()
                       .Track([](TrackBytes& t) {
                           t.Tempo(500000).SysEx({0x7E, 0x7F, 0x09, 0x01, 0xF7}).Program(0, 1).Program(9, 0);
                           t.NoteOn(0, 60, 100).NoteOn(9, 36, 100).Delta(60).NoteOff(9, 36).Delta(60).NoteOff(0, 60);
                           t.Delta(240).Text(6, "end");
                       })
                       .Bytes();
    ASSERT_EQ(wrapped.size(), plain.size() + 128);
    CMidiFile0 a(r, plain);
    CMidiFile0 b(r, wrapped);
    ASSERT_TRUE(b.Loaded());
    EXPECT_EQ(a.Track.Events(), b.Track.Events());
    CMidiFile1 c(r, wrapped, false);
    EXPECT_EQ(c.TrackCount(), 17);
    EXPECT_TRUE(r.reports().empty() || !r.Has("M1DT", 0x03000004));
}

TEST(MidiFile, NotAMidiFileIsReportedWithoutLoading)
{
    CapturingReporter r;
    const std::vector<std::uint8_t> junk = {'R', 'I', 'F', 'F', 1, 2, 3};
    CMidiFile1 f(r, junk, false);
    EXPECT_FALSE(f.Loaded());
    EXPECT_EQ(f.TrackCount(), 0);
    EXPECT_TRUE(r.Has("M1DT", 0x03000004));
    CMidiFile0 g(r, junk);
    EXPECT_FALSE(g.Loaded());
    EXPECT_EQ(g.State, 2);
}

TEST(MidiFile, SaveWorksFromEveryStateAndComesBack)
{
    CapturingReporter r;
    test::TempDir dir;
    CMidiFile1 f(r, TwoTrackFile(), false);
    std::vector<std::vector<CMidiEvent>> before;
    for (const auto& t : f.Tracks) before.push_back(t.Events());

    ASSERT_TRUE(f.Save(dir.File("notes.mid")));
    EXPECT_EQ(f.State, 2);
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(f.Tracks[i].Events(), before[i]);

    f.SplitNotes();
    const auto messages = f.Tracks[1].Events();
    ASSERT_TRUE(f.Save(dir.File("messages.mid")));
    EXPECT_EQ(f.State, 1);
    EXPECT_EQ(Timeline(f.Tracks[1]), Timeline(CMidiTrack(f.Tracks[1])));
    EXPECT_EQ(f.Tracks[1].EventCount(), static_cast<std::int32_t>(messages.size()));

    f.Serialize();
    EXPECT_EQ(f.State, 0);
    ASSERT_TRUE(f.Save(dir.File("raw.mid")));

    std::vector<std::uint8_t> a, b, c;
    ASSERT_TRUE(ReadWholeFile(dir.File("notes.mid"), a));
    ASSERT_TRUE(ReadWholeFile(dir.File("messages.mid"), b));
    ASSERT_TRUE(ReadWholeFile(dir.File("raw.mid"), c));
    EXPECT_EQ(a, b);
    EXPECT_EQ(b, c);
    CMidiFile1 again(r, dir.File("raw.mid"));
    ASSERT_EQ(again.TrackCount(), 2);
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(again.Tracks[i].Events(), before[i]);
    EXPECT_FALSE(r.Has("GENE", 0x01000007));
    EXPECT_FALSE(f.Save(dir.File("missing/x.mid")));
    EXPECT_TRUE(r.Has("GENE", 0x01000007));
}

TEST(MidiFile0, WriterPutsControlsFirstAndNoteOffsBeforeNoteOns)
{
    CapturingReporter r;
    CMidiFile0 f(r);
    f.Division = 96;
    CMidiTrack& t = f.Track;
    t.AddNote(0, 0, 60, 100, 96);
    t.AddNote(0, 96, 60, 100, 96);  // the same note again where the first ends
    t.AddNote(0, 0, 64, 100, 96);
    t.AddControlChange(0, 7, 100);  // stored behind the notes of its instant
    t.AddEndOfTrack(96);
    test::TempDir dir;
    ASSERT_TRUE(f.Save(dir.File("zero.mid")));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(dir.File("zero.mid"), bytes));
    const std::vector<std::uint8_t> expected = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 32,
        0x00, 0x90, 60, 100,        // first note
        0x60, 0xB0, 7, 100,         // the control leads its instant
        0x00, 0x80, 60, 64,         // the note-off before the new note-ons
        0x00, 0x90, 60, 100, 0x00, 0x90, 64, 100,
        0x60, 0x80, 64, 64, 0x00, 0x80, 60, 64, 0x00, 0xFF, 0x2F, 0x00};  // later note's off first
    EXPECT_EQ(bytes, expected);
}

TEST(MidiFile, EngineConversionGivesOneFormatZeroImage)
{
    CapturingReporter r;
    auto image = TwoTrackFile();
    const std::size_t size = ConvertToFormat0(r, image);
    EXPECT_EQ(size, image.size());
    EXPECT_TRUE(r.Has("M1DT", 0x03000016));
    CMidiFile0 f(r, image);
    ASSERT_TRUE(f.CheckHeader(true));
    CMidiFile0 loaded(r, image);
    EXPECT_EQ(loaded.Track.GetMasterVolume(), 127);
    EXPECT_EQ(loaded.Track.TotalTicks(), 192);
}

TEST(MidiFile1, TakingTracksWritesWhatCopyingThemWrites)
{
    CapturingReporter r;
    auto build = [&r] {
        std::vector<CMidiTrack> tracks;
        tracks.emplace_back(r).State = TrackNotes;
        tracks.back().AddTempo(600000);
        tracks.back().AddMarker(0, "A long marker text that does not fit inside an event");
        tracks.back().AddEndOfTrack(192);
        tracks.emplace_back(r).State = TrackNotes;
        tracks.back().AddProgramChange(1, 5);
        tracks.back().AddNote(1, 0, 60, 100, 96);
        tracks.back().AddNote(1, 48, 64, 90, 96);
        tracks.back().AddEndOfTrack(96);
        return tracks;
    };
    auto copied = build();
    std::vector<const CMidiTrack*> sources;
    for (const auto& t : copied) sources.push_back(&t);
    CMidiFile1 copy(r, sources, 96);
    copy.SplitNotes();
    copy.Serialize();

    auto taken = build();
    std::vector<CMidiTrack*> owned;
    for (auto& t : taken) owned.push_back(&t);
    CMidiFile1 take(r, owned, 96, CMidiFile1::TakeTracks{});
    ASSERT_EQ(take.TrackCount(), 2);
    EXPECT_EQ(take.Tracks[1].Capacity, kStandardCapacity / 2);
    // The sources gave their events away; the copied ones still hold theirs.
    EXPECT_EQ(taken[1].EventCount(), 0);
    EXPECT_EQ(copied[1].EventCount(), 4);
    take.SplitNotes();
    take.Serialize();
    EXPECT_EQ(take.Bytes, copy.Bytes);
    EXPECT_FALSE(r.Has("MDTK", mdtk::kInternal));

    // A track that is not in the noted state is refused as the copy refuses it.
    CMidiTrack raw(r);
    raw.State = TrackMessages;
    raw.AddEndOfTrack(0);
    CMidiTrack* rawSource[] = {&raw};
    CMidiFile1 refused(r, rawSource, 96, CMidiFile1::TakeTracks{});
    EXPECT_TRUE(r.Has("MDTK", mdtk::kInternal));
    ASSERT_EQ(refused.TrackCount(), 1);
    EXPECT_EQ(refused.Tracks[0].EventCount(), 0);
    EXPECT_EQ(raw.EventCount(), 1);
}

TEST(MidiFile0, BarLengthTrimAndResolution)
{
    CapturingReporter r;
    CMidiFile0 f(r);
    f.Division = 480;
    f.Track.AddTimeSignature(0, 6, 3);  // 6/8
    f.Track.AddNote(0, 1440 * 2 + 100, 60, 100, 480);
    f.Track.AddEndOfTrack(0);
    EXPECT_EQ(f.BarLength(), 1440);
    f.TimeSignature = 0x0304;  // 3/4 overrides the track
    EXPECT_EQ(f.BarLength(), 1440);
    f.TimeSignature = 0x0204;
    EXPECT_EQ(f.BarLength(), 960);
    f.TimeSignature = 0;
    EXPECT_EQ(f.TrimLeadingTime(), 2880);
    EXPECT_EQ(f.Track.Event(1).DeltaTime, 100);
    EXPECT_FALSE(f.SetResolution(96));
    EXPECT_EQ(f.Division, 96);
    EXPECT_EQ(f.Track.Event(1).DeltaTime, 20);
    EXPECT_EQ(f.Track.Event(1).Duration, 96);
    CMidiFile0 copy(f);
    EXPECT_EQ(copy.Track.Events(), f.Track.Events());
    EXPECT_EQ(copy.Division, 96);
    CMidiFile0 none(r);
    EXPECT_EQ(none.BarLength(), 384);
}

TEST(MidiFile0, LoudHeaderCheckNamesTheFault)
{
    CapturingReporter r;
    CMidiFile0 f(r);
    f.Bytes = SmfBuilder().Header(1, 1, 96).Track([](TrackBytes&) {}).Bytes();
    EXPECT_FALSE(f.CheckHeader(true));
    f.Bytes = SmfBuilder().Header(0, 2, 96).Track([](TrackBytes&) {}).Bytes();
    EXPECT_FALSE(f.CheckHeader(true));
    f.Bytes = {'x'};
    EXPECT_FALSE(f.CheckHeader(true));
    f.Bytes = FormatZeroFile();
    EXPECT_TRUE(f.CheckHeader(true));
    EXPECT_EQ(f.Division, 120);
    EXPECT_EQ(r.lines().size(), 3u);
    EXPECT_TRUE(r.Has("M0DT", 0x04000001));
    EXPECT_TRUE(r.Has("M0DT", 0x04000003));
    EXPECT_TRUE(r.Has("M0DT", 0x04000004));
}

// A format 0 file of 100,000 notes on 16 channels with chords and running
// status, about 700 kB: more than the standard capacity, and 200,000 events
// in one track before pairing.
std::vector<std::uint8_t> HundredThousandNotes()
{
    return SmfBuilder()
        .Header(0, 1, 480)
        .Track([](TrackBytes& t) {
            t.Tempo(500000);
            for (int i = 0; i < 100000; i += 2) {
                const int channel = (i / 2) % 16;
                const int note = 40 + (i / 2) % 40;
                t.Delta(i % 8 == 0 ? 60 : 0).NoteOn(channel, note, 90).Running({static_cast<std::uint8_t>(note + 4), 80});
                t.Delta(30).NoteOn(channel, note, 0).Running({static_cast<std::uint8_t>(note + 4), 0});
            }
        })
        .Bytes();
}

std::size_t NoteCount(std::span<const CMidiTrack> tracks)
{
    std::size_t n = 0;
    for (const auto& track : tracks) {
        n += static_cast<std::size_t>(std::count_if(track.Events().begin(), track.Events().end(),
                                                    [](const CMidiEvent& e) { return e.Kind == kKindNote; }));
    }
    return n;
}

TEST(MidiFileSize, AFileOfAHundredThousandNotesLoadsAndConvertsWhole)
{
    test::TempDir dir;
    const auto image = HundredThousandNotes();
    ASSERT_GT(image.size(), kStandardCapacity);
    CapturingReporter r;
    WriteWholeFile(r, dir.File("big.mid"), image);

    CMidiFile0 zero(r, dir.File("big.mid"));
    ASSERT_TRUE(zero.Loaded());
    EXPECT_EQ(NoteCount(std::span(&zero.Track, 1)), 100000u);
    ASSERT_TRUE(zero.Save(dir.File("zero.mid")));

    CMidiFile1 one(r, dir.File("big.mid"));
    ASSERT_TRUE(one.Loaded());
    EXPECT_EQ(one.TrackCount(), kSplitTrackCount);
    EXPECT_EQ(NoteCount(one.Tracks), 100000u);
    ASSERT_TRUE(one.Save(dir.File("one.mid")));
    // Nothing was cut: the only report says that the file is not format 1.
    for (const auto& line : r.lines()) EXPECT_EQ(line.substr(0, 12), "M1DT03000002") << line;

    // Read again in the other format, every note is still there at its time.
    CMidiFile1 fromZero(r, dir.File("zero.mid"));
    CMidiFile0 fromOne(r, dir.File("one.mid"));
    EXPECT_EQ(NoteCount(fromZero.Tracks), 100000u);
    ASSERT_EQ(NoteCount(std::span(&fromOne.Track, 1)), 100000u);
    const auto notesOnly = [](const CMidiTrack& t) {
        auto all = Timeline(t);
        std::erase_if(all, [](const Timed& e) { return e.kind != kKindNote; });
        return all;
    };
    EXPECT_EQ(notesOnly(fromOne.Track), notesOnly(zero.Track));
}

TEST(MidiFileSize, NotesWithoutNoteOffsAreEndedAtTheEndOfTheirTrackAndReportedOnce)
{
    CapturingReporter r;
    const auto image = SmfBuilder()
                           .Header(1, 3, 96)
                           .Track([](TrackBytes& t) { t.Tempo(500000).Delta(384).Text(6, "end"); })
                           .Track([](TrackBytes& t) { t.NoteOn(0, 60, 100).Delta(96).NoteOn(0, 62, 100); })
                           .Track([](TrackBytes& t) { t.Delta(48).NoteOn(1, 40, 100).Delta(200).Control(1, 7, 90); })
                           .Bytes();
    CMidiFile1 one(r, image, false);
    ASSERT_TRUE(one.Loaded());
    EXPECT_EQ(r.Count("MDTK", mdtk::kOpenNotesClosed), 1u);
    ASSERT_EQ(one.TrackCount(), 3);
    // The added master volume, two notes and the End of Track.
    ASSERT_EQ(Timeline(one.Tracks[1]).size(), 4u);
    EXPECT_EQ(one.Tracks[1].Event(1).Duration, 96);
    EXPECT_EQ(one.Tracks[1].Event(2).Duration, 1);  // began at the end of its track
    EXPECT_EQ(one.Tracks[2].Event(0).Duration, 200);

    r.Clear();
    CMidiFile0 zero(r, image);
    EXPECT_EQ(r.Count("MDTK", mdtk::kOpenNotesClosed), 1u);
    EXPECT_EQ(NoteCount(std::span(&zero.Track, 1)), 3u);
}

TEST(MidiFileSize, AFileOverTheLimitIsRefusedWithOneReportOfItsSize)
{
    test::TempDir dir;
    const std::string path = dir.File("huge.mid");
    CapturingReporter writer;
    WriteWholeFile(writer, path, HundredThousandNotes());
    std::filesystem::resize_file(path, 100u << 20);  // sparse: nothing is written

    for (int format = 0; format <= 1; ++format) {
        CapturingReporter r;
        const bool loaded = format == 0 ? CMidiFile0(r, path).Loaded() : CMidiFile1(r, path).Loaded();
        EXPECT_FALSE(loaded);
        ASSERT_EQ(r.reports().size(), 1u) << format;
        EXPECT_TRUE(r.Has("M1DT", m1dt::kTooLarge));
        EXPECT_NE(r.reports()[0].message.find("104,857,600"), std::string::npos) << r.reports()[0].message;
        EXPECT_NE(r.reports()[0].message.find("67,108,864"), std::string::npos);
    }
    // Exactly at the limit it is read; the zeros behind its track are not looked at.
    std::filesystem::resize_file(path, kMaxMidiFileSize);
    CapturingReporter r;
    CMidiFile0 atLimit(r, path);
    EXPECT_TRUE(atLimit.Loaded());
    EXPECT_FALSE(r.Has("M1DT", m1dt::kTooLarge));
    EXPECT_EQ(NoteCount(std::span(&atLimit.Track, 1)), 100000u);
}

}  // namespace
}  // namespace songloom::midi
