#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/general.h"
#include "common/text.h"
#include "song/chord_symbol.h"
#include "song/musicxml_reader.h"
#include "song/musicxml_writer.h"
#include "song/song_image.h"
#include "support/test_paths.h"

namespace songloom::song {
namespace {

// What sounds on an 8-tick grid (the common divisor of sixteenth and
// triplet cells) and where notes begin; rests that follow rests count as
// one, since notation cannot tell a rest start from a held rest.
struct GridPoint {
    int value;
    bool noteStart;
    bool operator==(const GridPoint&) const = default;
};

std::vector<GridPoint> SoundingGrid(const SongData& song)
{
    std::vector<GridPoint> grid;
    int sounding = kRest;
    for (int s = 0; s < song.ActiveSlots(); ++s) {
        const MelodySlot& slot = song.melody[static_cast<std::size_t>(s)];
        const int cells = slot.IsTriplet() ? 3 : 2;
        for (int c = 0; c < cells; ++c) {
            const int v = slot.cell[static_cast<std::size_t>(c)];
            if (v != kHold) sounding = v;
            for (int g = 0; g < 6 / cells; ++g) grid.push_back({sounding, g == 0 && v >= 0});
        }
    }
    return grid;
}

std::string Lyrics(const SongData& song)
{
    std::string all;
    for (int s = 0; s < song.ActiveSlots(); ++s) {
        for (const auto& t : song.melody[static_cast<std::size_t>(s)].text) {
            if (t[0] != 0) all += std::to_string(s) + ":" + std::string(FieldText(t.data(), t.size())) + " ";
        }
    }
    return all;
}

// The chord a cell names, whatever its spelling ("Bb" or "A#").
std::string ChordOf(const SongData& song, int beat)
{
    ChordSymbol chord;
    if (!ParseChordSymbol(song.ChordName(beat), chord)) return std::string(song.ChordName(beat));
    return ChordCellName(chord);
}

void ExpectSameMusic(const SongData& a, const SongData& b)
{
    EXPECT_EQ(a.bars(), b.bars());
    EXPECT_EQ(a.beats(), b.beats());
    EXPECT_EQ(a.key(), b.key());
    EXPECT_EQ(a.info.tempo, b.info.tempo);
    EXPECT_EQ(a.info.title, b.info.title);
    EXPECT_EQ(a.info.composer, b.info.composer);
    for (int beat = 0; beat < a.ActiveBeats(); ++beat) {
        EXPECT_EQ(ChordOf(a, beat), ChordOf(b, beat)) << "beat " << beat;
    }
    EXPECT_EQ(SoundingGrid(a), SoundingGrid(b));
    EXPECT_EQ(Lyrics(a), Lyrics(b));
}

SongData ReadBack(const SongData& song, CapturingReporter& r)
{
    SongData back;
    EXPECT_TRUE(ReadMusicXml(r, BuildMusicXml(r, song), back));
    return back;
}

TEST(MusicXml, DemoSongsReadBackWithTheirMelodyChordsAndInformation)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(test::SourceDir() + "/data/songs")) {
        if (entry.path().extension() != ".sld") continue;
        CapturingReporter r;
        SongData song;
        ASSERT_EQ(ReadSongFile(r, entry.path().string(), song, 8, 4, 0), SongFileStatus::kRead);
        SCOPED_TRACE(entry.path().filename().string());
        ExpectSameMusic(song, ReadBack(song, r));
        EXPECT_TRUE(r.reports().empty());
        ++count;
    }
    EXPECT_EQ(count, 6);
}

// Ties over bar lines, triplets, a sixteenth on the second cell, lyrics in
// CP932, every chord type, a named bass and a key with flats.
SongData RichSong(CapturingReporter& r)
{
    SongData song;
    song.Reset(r, 4, 4, 24);  // G minor
    EXPECT_TRUE(song.SetNote(r, 0, 0, 62, 3, 0));          // quarter
    EXPECT_TRUE(song.SetNote(r, 0, 2, 70, 0, 1));          // sixteenth on the off cell
    song.melody[4].cell = {67, 69, 70};                     // a triplet slot
    song.melody[5].cell = {72, kHold, kHold};               // held over the triplet rest of slot 5
    EXPECT_TRUE(song.SetNote(r, 0, 6, 74, 5, 0));           // half over the bar line
    EXPECT_TRUE(song.SetNote(r, 1, 6, 63, 9, 0));           // whole from beat 4 to bar 3
    std::memcpy(song.melody[0].text[0].data(), "\x89\xcc", 2);  // lyric "歌"
    std::memcpy(song.melody[6].text[0].data(), "la", 2);
    std::memcpy(song.info.title.data(), "\x89\xcc & <x>", 8);
    std::memcpy(song.info.composer.data(), "A \"B\"", 5);
    song.info.tempo = 76;
    for (int t = 0; t < kChordTypeCount; ++t) song.SetChord(r, t / 4 % 4, t % 4, (t * 5) % 12, t, 1);
    song.SetChordName(15, "DonF#");
    return song;
}

TEST(MusicXml, TiesTripletsLyricsAndEveryChordTypeReadBack)
{
    CapturingReporter r;
    const SongData song = RichSong(r);
    ExpectSameMusic(song, ReadBack(song, r));
    EXPECT_TRUE(r.reports().empty());
}

TEST(MusicXml, WritesWhatNotationProgramsExpect)
{
    CapturingReporter r;
    SongData song;
    song.Reset(r, 2, 3, 9);  // B-flat major, 3/4
    song.SetNote(r, 0, 0, 70, 7, 0);   // dotted half: the whole first bar
    song.SetNote(r, 1, 4, 70, 3, 0);   // quarter on the last beat
    song.SetChord(r, 0, 1, 3, 0, 1);   // D# spelled Eb, in the middle of the note
    const std::string xml = BuildMusicXml(r, song);
    EXPECT_NE(xml.find("<fifths>-2</fifths>"), std::string::npos);
    EXPECT_NE(xml.find("<beats>3</beats>"), std::string::npos);
    EXPECT_NE(xml.find("<step>B</step>\n          <alter>-1</alter>\n          <octave>4</octave>"),
              std::string::npos);
    EXPECT_NE(xml.find("<root-step>E</root-step>\n          <root-alter>-1</root-alter>"), std::string::npos);
    EXPECT_NE(xml.find("<offset>96</offset>"), std::string::npos);
    // The second bar opens with a whole-bar rest that is only two beats.
    EXPECT_NE(xml.find("<rest/>\n        <duration>192</duration>"), std::string::npos);
    EXPECT_NE(xml.find("<type>half</type>\n        <dot/>"), std::string::npos);
    EXPECT_NE(xml.find("<bar-style>light-heavy</bar-style>"), std::string::npos);
    EXPECT_EQ(xml.find("<tie "), std::string::npos);

    SongData empty;
    empty.Reset(r, 1, 3, 0);
    EXPECT_NE(BuildMusicXml(r, empty).find("<rest measure=\"yes\"/>\n        <duration>288</duration>"),
              std::string::npos);
}

TEST(MusicXml, TransposedPartIsWrittenUpAndSoundsAsTheSong)
{
    CapturingReporter r;
    SongData song;
    song.Reset(r, 1, 4, 0);
    song.SetNote(r, 0, 0, 60, 9, 0);
    MusicXmlOptions options;
    options.transposition = 2;  // B-flat instrument
    const std::string xml = BuildMusicXml(r, song, options);
    EXPECT_NE(xml.find("<fifths>2</fifths>"), std::string::npos);  // D major
    EXPECT_NE(xml.find("<step>D</step>"), std::string::npos);
    EXPECT_NE(xml.find("<root-step>D</root-step>"), std::string::npos);
    EXPECT_NE(xml.find("<diatonic>-1</diatonic>\n          <chromatic>-2</chromatic>"), std::string::npos);
    SongData back;
    ASSERT_TRUE(ReadMusicXml(r, xml, back));
    EXPECT_EQ(back.melody[0].cell[0], 60);
}

TEST(MusicXml, ReaderRefusesWhatItCannotHoldAndKeepsTheSong)
{
    const std::string fourFour = BuildMusicXml(*std::make_unique<CapturingReporter>(), SongData());
    std::string sixEight = fourFour;
    sixEight.replace(sixEight.find("<beats>4</beats>"), 16, "<beats>6</beats>");
    sixEight.replace(sixEight.find("<beat-type>4"), 12, "<beat-type>8");
    std::string long257 = fourFour.substr(0, fourFour.find("<measure number=\"2\""));
    const std::string empty = "<measure number=\"2\"><note><rest/><duration>384</duration></note></measure>";
    for (int i = 0; i < 256; ++i) long257 += empty;
    long257 += "</part></score-partwise>";
    struct Case {
        std::string text;
        std::uint32_t code;
    };
    const Case cases[] = {
        {"", mxml::kNotMusicXml},
        {"not xml at all", mxml::kNotMusicXml},
        {"<score-timewise><part/></score-timewise>", mxml::kNotMusicXml},
        {fourFour.substr(0, fourFour.size() / 2), mxml::kNotMusicXml},  // cut off
        {std::string(100, '<'), mxml::kNotMusicXml},
        {std::string(200, '<') + "a>", mxml::kNotMusicXml},
        {sixEight, mxml::kMeter},
        {long257, mxml::kTooLong},
    };
    for (const Case& c : cases) {
        CapturingReporter r;
        SongData song;
        song.SetNote(r, 0, 0, 64, 3, 0);
        const SongData before = song;
        EXPECT_FALSE(ReadMusicXml(r, c.text, song)) << c.text.substr(0, 40);
        ASSERT_EQ(r.reports().size(), 1u);
        EXPECT_EQ(r.reports()[0].tag, "MXML");
        EXPECT_EQ(r.reports()[0].code, c.code);
        EXPECT_EQ(song.melody, before.melody);
    }
}

TEST(ChordSymbol, NamesWithBassesParseAndTranspose)
{
    ChordSymbol c;
    ASSERT_TRUE(ParseChordSymbol("A#m7b5", c));
    EXPECT_EQ(c, (ChordSymbol{10, 13, -1}));
    EXPECT_EQ(ChordDisplayName(TransposedChord(c, 2), false), "Cm7b5");
    ASSERT_TRUE(ParseChordSymbol("C onE", c));
    EXPECT_EQ(c, (ChordSymbol{0, 0, 4}));
    EXPECT_EQ(ChordCellName(c), "C onE");
    EXPECT_EQ(ChordDisplayName(TransposedChord(c, -2), true), "Bb/D");
    ASSERT_TRUE(ParseChordSymbol("Bb/D", c));
    EXPECT_EQ(c, (ChordSymbol{10, 0, 2}));
    EXPECT_FALSE(ParseChordSymbol("----", c));
    EXPECT_FALSE(ParseChordSymbol("", c));
    EXPECT_FALSE(ParseChordSymbol("H7", c));
    EXPECT_FALSE(ParseChordSymbol("C7onH", c));
    EXPECT_FALSE(ParseChordSymbol("Cxyz", c));
}

TEST(ChordSymbol, KeysPlayedTogetherAreRecognised)
{
    const std::vector<std::vector<int>> shapes = {
        {0, 4, 7},     {0, 3, 7},     {0, 4, 7, 10},    {0, 4, 7, 11}, {0, 3, 7, 10}, {0, 3, 7, 11},
        {0, 3, 6},     {0, 5, 7},     {0, 5, 7, 10},    {0, 4, 8},     {0, 4, 8, 11}, {0, 4, 8, 10},
        {0, 3, 6, 9},  {0, 3, 6, 10}, {0, 4, 7, 9},     {0, 4, 7, 10, 14}, {0, 3, 7, 9}, {0, 4, 6, 10},
    };
    ASSERT_EQ(shapes.size(), static_cast<std::size_t>(kChordTypeCount));
    for (int type = 0; type < kChordTypeCount; ++type) {
        std::vector<int> keys;
        for (const int i : shapes[static_cast<std::size_t>(type)]) keys.push_back(50 + i);  // on D
        ChordSymbol c;
        ASSERT_TRUE(RecogniseChord(keys, c)) << type;
        // Symmetric chords (aug, dim7) read from the lowest note too.
        EXPECT_EQ(c, (ChordSymbol{2, type, -1})) << type;
    }
    ChordSymbol c;
    ASSERT_TRUE(RecogniseChord({57, 60, 64, 67}, c));  // A C E G from A: Am7
    EXPECT_EQ(c, (ChordSymbol{9, 4, -1}));
    ASSERT_TRUE(RecogniseChord({60, 64, 67, 69}, c));  // the same keys from C: C6
    EXPECT_EQ(c, (ChordSymbol{0, 14, -1}));
    ASSERT_TRUE(RecogniseChord({64, 67, 72, 76, 79}, c));  // first inversion, doubled: C
    EXPECT_EQ(c, (ChordSymbol{0, 0, -1}));
    EXPECT_FALSE(RecogniseChord({60, 64, 72}, c));      // two pitch classes
    EXPECT_FALSE(RecogniseChord({60, 61, 62}, c));
    EXPECT_FALSE(RecogniseChord({}, c));
}

// A notation program reads what we write: MuseScore engraves it without a
// complaint. Runs where mscore3 is installed.
TEST(MusicXml, MuseScoreEngravesTheExport)
{
    if (std::system("command -v mscore3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "mscore3 is not installed";
    test::TempDir dir;
    CapturingReporter r;
    ASSERT_TRUE(WriteMusicXml(r, RichSong(r), dir.File("song.musicxml")));
    const std::string command = "QT_QPA_PLATFORM=offscreen mscore3 -o " + dir.File("song.pdf") + " " +
                                dir.File("song.musicxml") + " >" + dir.File("log") + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::vector<std::uint8_t> pdf;
    ASSERT_TRUE(ReadWholeFile(dir.File("song.pdf"), pdf));
    ASSERT_GT(pdf.size(), 1000u);
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 5), "%PDF-");
}

}  // namespace
}  // namespace songloom::song
