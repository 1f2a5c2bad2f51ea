#include "midi/midi_splice.h"

#include <gtest/gtest.h>

#include <tuple>

#include "common/general.h"
#include "midi/midi_file.h"
#include "support/smf_builder.h"
#include "support/test_paths.h"

namespace songloom::midi {
namespace {

using test::SmfBuilder;
using test::TrackBytes;

struct Timed {
    std::int64_t time;
    std::int32_t kind, channel, note, duration;
    bool operator==(const Timed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Timed& t)
{
    return os << "{" << t.time << " k" << t.kind << " c" << t.channel << " n" << t.note << " d" << t.duration << "}";
}

std::vector<Timed> Events(const CMidiTrack& track)
{
    std::vector<Timed> out;
    std::int64_t t = 0;
    for (const auto& e : track.Events()) {
        t += e.DeltaTime;
        out.push_back({t, e.Kind, e.Channel, e.Kind == kKindMeta ? e.Number : e.Note, e.Duration});
    }
    return out;
}

// Notes as (channel, note, on, off) from a file's bytes: note-ons meet
// their note-offs in the file itself.
CMidiFile0 Load(Reporter& r, const std::vector<std::uint8_t>& bytes)
{
    CMidiFile0 file(r, bytes);
    EXPECT_TRUE(file.Loaded());
    return file;
}

TEST(MidiSplice, NotesOfThePartInTheBarsComeFromTheFreshRendering)
{
    CapturingReporter r;
    // Channel 2 is re-rolled from tick 384 to 1152; channel 1 is not.
    CMidiFile0 kept = Load(r, SmfBuilder()
                                  .Header(0, 1, 96)
                                  .Track([](TrackBytes& t) {
                                      t.Program(2, 33).NoteOn(2, 40, 100);                // sounds into the range
                                      t.Delta(400).NoteOn(2, 41, 100).NoteOn(1, 70, 90);  // in the range
                                      t.Delta(100).NoteOff(2, 40).Control(2, 7, 90).NoteOff(2, 41).NoteOff(1, 70);
                                      t.Delta(652).NoteOn(2, 43, 100).Delta(96).NoteOff(2, 43);
                                  })
                                  .Bytes());
    CMidiFile0 fresh = Load(r, SmfBuilder()
                                   .Header(0, 1, 96)
                                   .Track([](TrackBytes& t) {
                                       t.Program(2, 34).Delta(300).NoteOn(2, 50, 80);      // before the range
                                       t.Delta(84).NoteOff(2, 50).NoteOn(2, 52, 80);       // at its start
                                       t.Delta(96).NoteOff(2, 52).NoteOn(1, 72, 80);       // another channel
                                       t.Delta(620).NoteOn(2, 53, 80).Delta(200).NoteOff(2, 53).NoteOff(1, 72);
                                   })
                                   .Bytes());
    const SpliceRange range{384, 1152, ChannelsOfPart("bass")};
    CMidiTrack out(r);
    ASSERT_TRUE(SpliceNotes(kept.Track, fresh.Track, range, out));
    std::vector<Timed> notes;
    for (const Timed& e : Events(out)) {
        if (e.kind == kKindNote || e.kind == kKindProgram || e.kind == kKindControl) notes.push_back(e);
    }
    EXPECT_EQ(notes, (std::vector<Timed>{
                         {0, kKindProgram, 2, 0, 0},
                         {0, kKindNote, 2, 40, 384},   // cut where the fresh notes begin
                         {384, kKindNote, 2, 52, 96},
                         {400, kKindNote, 1, 70, 100},
                         {500, kKindControl, 2, 0, 0},
                         {1100, kKindNote, 2, 53, 52},  // cut where the kept notes go on
                         {1152, kKindNote, 2, 43, 96},
                     }));
    EXPECT_EQ(Events(out).back(), (Timed{1248, kKindMeta, kNoChannel, kMetaEndOfTrack, 0}));

    // Written and read again: every note-on has its note-off.
    kept.Track = out;
    test::TempDir dir;
    ASSERT_TRUE(kept.Save(dir.File("s.mid")));
    CMidiFile0 back(r, dir.File("s.mid"));
    int notesBack = 0;
    for (const auto& e : back.Track.Events()) notesBack += e.Kind == kKindNote && e.Duration > 0;
    EXPECT_EQ(notesBack, 5);
    EXPECT_TRUE(r.reports().empty());
}

TEST(MidiSplice, RefusesWhatItCannotSplice)
{
    CapturingReporter r;
    CMidiFile0 a = Load(r, SmfBuilder().Header(0, 1, 96).Track([](TrackBytes& t) { t.NoteOn(2, 40, 9); }).Bytes());
    CMidiTrack out(r);
    EXPECT_FALSE(SpliceNotes(a.Track, a.Track, {384, 384, 4}, out));
    EXPECT_FALSE(SpliceNotes(a.Track, a.Track, {0, 384, 0}, out));
    CMidiTrack raw(r);
    EXPECT_FALSE(SpliceNotes(raw, a.Track, {0, 384, 4}, out));
    EXPECT_EQ(out.EventCount(), 0);
}

TEST(MidiSplice, PartsByName)
{
    EXPECT_EQ(ChannelsOfPart("bass"), 1u << 2);
    EXPECT_EQ(ChannelsOfPart("melody"), (1u << 1) | (1u << 10));
    EXPECT_EQ(ChannelsOfPart("drums"), 1u << 9);
    EXPECT_EQ(ChannelsOfPart("all"), 0xFFFFu);
    EXPECT_EQ(ChannelsOfPart("15"), 1u << 15);
    EXPECT_EQ(ChannelsOfPart("16"), 0u);
    EXPECT_EQ(ChannelsOfPart("2x"), 0u);
    EXPECT_EQ(ChannelsOfPart(""), 0u);
    EXPECT_EQ(ChannelsOfPart("Bass"), 0u);

    RerollRange range;
    ASSERT_TRUE(ParseRerollRange("5-8:bass", range));
    EXPECT_EQ(std::make_tuple(range.firstBar, range.lastBar, range.channels), std::make_tuple(5, 8, 1 << 2));
    ASSERT_TRUE(ParseRerollRange("3", range));
    EXPECT_EQ(std::make_tuple(range.firstBar, range.lastBar, range.channels), std::make_tuple(3, 3, 0xFFFF));
    for (const char* bad : {"", ":bass", "0-2:bass", "5-3:bass", "5-8:", "5-8:tuba", "a-b", "5-8-9", "-2"}) {
        EXPECT_FALSE(ParseRerollRange(bad, range)) << bad;
    }
}

TEST(MidiSplice, FilesOfAnotherBarLengthAreNotSpliced)
{
    CapturingReporter r;
    test::TempDir dir;
    const auto write = [&](const std::string& name, int numerator) {
        const auto bytes = SmfBuilder()
                               .Header(0, 1, 96)
                               .Track([&](TrackBytes& t) { t.TimeSignature(numerator, 2).NoteOn(2, 40, 9).Delta(96).NoteOff(2, 40); })
                               .Bytes();
        ASSERT_TRUE(WriteWholeFile(r, dir.File(name), std::span<const std::uint8_t>(bytes)));
    };
    write("a.mid", 4);
    write("b.mid", 3);
    write("c.mid", 4);
    const RerollRange range{1, 1, 4};
    EXPECT_EQ(RerollFile(r, dir.File("a.mid"), dir.File("b.mid"), range, dir.File("o.mid")), RerollStatus::kMismatch);
    EXPECT_EQ(RerollFile(r, dir.File("a.mid"), dir.File("none.mid"), range, dir.File("o.mid")),
              RerollStatus::kUnreadable);
    EXPECT_FALSE(FileExists(dir.File("o.mid")));
    EXPECT_EQ(RerollFile(r, dir.File("a.mid"), dir.File("c.mid"), range, dir.File("o.mid")), RerollStatus::kDone);
    EXPECT_TRUE(FileExists(dir.File("o.mid")));
}

}  // namespace
}  // namespace songloom::midi
