// The text form of the demo songs and the song files made from it.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/general.h"
#include "engine_fixture.h"
#include "harmony/song_text.h"
#include "song/song_image.h"

namespace songloom::test {
namespace {

TEST(SongText, NoteNames)
{
    EXPECT_EQ(harmony::NoteNumberOfName("C4"), 60);
    EXPECT_EQ(harmony::NoteNumberOfName("A4"), 69);
    EXPECT_EQ(harmony::NoteNumberOfName("F#3"), 54);
    EXPECT_EQ(harmony::NoteNumberOfName("Bb4"), 70);
    EXPECT_EQ(harmony::NoteNumberOfName("C-1"), 0);
    EXPECT_EQ(harmony::NoteNumberOfName("H4"), -1);
    EXPECT_EQ(harmony::NoteNumberOfName("C"), -1);
    EXPECT_EQ(harmony::NoteNumberOfName("G9"), 127);
    EXPECT_EQ(harmony::NoteNumberOfName("A9"), -1);
}

TEST(SongText, BarsBecomeChordCellsAndSlots)
{
    CapturingReporter reporter;
    song::SongData song;
    const auto r = harmony::ParseSongText(reporter,
                                          "title: T\nbeats: 3\nkey: Am\ntempo: 90\nstyle: 3 12\ninstrument: 24\n"
                                          "bar: Am . E7 | A4/q. B4/e (C5 D5 C5) r/e\n",
                                          song);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(song.bars(), 1);
    EXPECT_EQ(song.beats(), 3);
    EXPECT_EQ(r.key, 15);
    EXPECT_EQ(song.ChordName(0), "Am");
    EXPECT_EQ(song.ChordName(1), "Am");
    EXPECT_EQ(song.ChordName(2), "E7");
    using C = std::array<std::int32_t, 3>;
    EXPECT_EQ(song.melody[0].cell, (C{69, song::kHold, song::kNotTriplet}));
    EXPECT_EQ(song.melody[2].cell, (C{song::kHold, song::kHold, song::kNotTriplet}));
    EXPECT_EQ(song.melody[3].cell, (C{71, song::kHold, song::kNotTriplet}));
    EXPECT_EQ(song.melody[4].cell, (C{72, 74, 72}));
    EXPECT_EQ(song.melody[5].cell, (C{song::kRest, song::kHold, song::kNotTriplet}));
    EXPECT_EQ(song.info.tempo, 90);
    EXPECT_EQ(song.info.category, 3);
    EXPECT_EQ(song.info.style, 12);
    EXPECT_EQ(song.info.instrument, 24);

    const auto major = harmony::ParseSongText(reporter, "bar: C . G . | w/w\n", song);
    EXPECT_FALSE(major.ok);
    ASSERT_TRUE(harmony::ParseSongText(reporter, "bar: C . G . | C4/w\n", song).ok);
    EXPECT_EQ(song.ChordName(0), "C ");  // a bare root is the major triad, as the palette writes it
}

TEST(SongText, FaultsNameTheirLine)
{
    CapturingReporter reporter;
    song::SongData song;
    const std::pair<const char*, const char*> faults[] = {
        {"beats: 5\n", "line 1: bad beats"},
        {"key: H\n", "line 1: bad key"},
        {"colour: red\n", "line 1: bad colour"},
        {"# c\nbar: C . . . | C4/h\n", "line 2: the melody fills 8 sixteenths of 16"},
        {"bar: C . . | C4/w\n", "line 1: one chord a beat is needed"},
        {"bar: C . . . C4/w\n", "line 1: expected CHORDS | MELODY"},
        {"bar: C . . . | C4/x C4/h.\n", "line 1: unknown note value x"},
        {"bar: C . . . | C4/e (C4 D4) C4/h.\n", "line 1: a triplet takes three notes"},
        {"bar: C . . . | C4/s (C4 D4 E4) C4/h.\n", "line 1: a triplet must start on an eighth"},
        {"title: nothing else\n", "the song needs 1 to 256 bars"},
    };
    for (const auto& [text, error] : faults) {
        const auto r = harmony::ParseSongText(reporter, text, song);
        EXPECT_FALSE(r.ok) << text;
        EXPECT_EQ(r.error.substr(0, std::string(error).size()), error) << text;
    }
    EXPECT_TRUE(reporter.reports().empty());
}

// The committed song files are what the tool makes of the texts beside them.
TEST(SongText, DemoSongFilesMatchTheirTexts)
{
    CapturingReporter reporter;
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SourceDir() + "/data/songs")) {
        if (entry.path().extension() != ".txt") continue;
        std::vector<std::uint8_t> text;
        ASSERT_TRUE(ReadWholeFile(entry.path().string(), text));
        song::SongData song;
        const auto r = harmony::ParseSongText(reporter, {reinterpret_cast<const char*>(text.data()), text.size()}, song);
        ASSERT_TRUE(r.ok) << entry.path() << ": " << r.error;
        auto sld = entry.path();
        sld.replace_extension(".sld");
        std::vector<std::uint8_t> file;
        ASSERT_TRUE(ReadWholeFile(sld.string(), file)) << sld;
        EXPECT_EQ(file, song::BuildSongImage(song, song.beats(), r.key)) << sld;
        ++checked;
    }
    EXPECT_GE(checked, 6);
}

}  // namespace
}  // namespace songloom::test
