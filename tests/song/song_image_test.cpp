#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/text.h"
#include "song/song_image.h"
#include "support/test_paths.h"

namespace songloom::song {
namespace {

// Builds raw image bytes of any size, field by field.
class ImageBytes {
public:
    explicit ImageBytes(std::size_t size) : bytes_(size, 0) {}
    ImageBytes& I32(std::size_t at, std::int32_t v)
    {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
        return *this;
    }
    ImageBytes& Text(std::size_t at, std::string_view text)
    {
        std::memcpy(bytes_.data() + at, text.data(), text.size());
        return *this;
    }
    ImageBytes& Copy(std::size_t at, const std::uint8_t* from, std::size_t count)
    {
        std::memcpy(bytes_.data() + at, from, count);
        return *this;
    }
    ImageBytes& Fill(std::size_t at, std::size_t count, std::uint8_t value)
    {
        std::memset(bytes_.data() + at, value, count);
        return *this;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

std::int32_t I32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                     static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A song that uses every field of the image.
SongData BusySong()
{
    CapturingReporter r;
    SongData song;
    song.Reset(r, 12, 3, 18);
    song.SetChord(r, 0, 1, 9, 4, 2);
    song.SetNote(r, 1, 2, 66, 4, 0);
    song.SetNote(r, 3, 1, 70, 3, 1);
    song.melody[5].cell[2] = 61;  // a triplet slot, as phrase files may hold
    std::memcpy(song.melody[5].text[1].data(), "\x82\xa0\x82\xa2", 4);  // CP932 lyric
    std::memcpy(song.chords[3].extra.data(), "x", 1);
    std::memcpy(song.info.title.data(), "Title", 5);
    std::memcpy(song.info.composer.data(), "\x93\xfa\x96\x7b", 4);
    song.info.tempo = 96;
    song.info.category = 4;
    song.info.style = 7;
    song.info.instrument = 73;
    song.info.reserved[3] = 0x5A;
    song.reserved[0] = 0xDEADBEEF;
    song.reserved[511] = 7;
    EXPECT_TRUE(r.reports().empty());
    return song;
}

TEST(SongImage, FieldsLieAtTheirOffsets)
{
    const SongData song = BusySong();
    const auto b = BuildSongImage(song, song.beats(), song.key());
    ASSERT_EQ(b.size(), 92492u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[1 * 16])), "Am7");
    EXPECT_EQ(b[3 * 16 + 8], 'x');
    const std::size_t slot5 = 16384 + 5 * 36;
    EXPECT_EQ(I32At(b, slot5 + 8), 61);
    EXPECT_EQ(b[slot5 + 12 + 8], 0x82);
    EXPECT_EQ(I32At(b, 90112 + 200), 96);
    EXPECT_EQ(I32At(b, 90112 + 192), 4);
    EXPECT_EQ(I32At(b, 90112 + 196), 7);
    EXPECT_EQ(I32At(b, 90112 + 204), 73);
    EXPECT_EQ(b[90112 + 208 + 3], 0x5A);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[90112 + 256])), "Title");
    EXPECT_EQ(I32At(b, 90432), 12);
    EXPECT_EQ(I32At(b, 90436), 3);
    EXPECT_EQ(I32At(b, 90440), 18);
    EXPECT_EQ(static_cast<std::uint32_t>(I32At(b, 90444)), 0xDEADBEEFu);
    EXPECT_EQ(I32At(b, 92488), 7);
    // Inactive chord cells are written too.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[1023 * 16])), "----");
}

TEST(SongImage, SaveAndReadBackIsByteIdentical)
{
    test::TempDir dir;
    CapturingReporter r;
    const SongData song = BusySong();
    ASSERT_TRUE(song.Save(r, dir.File("busy.sld")));
    const auto written = ReadFile(dir.File("busy.sld"));
    ASSERT_EQ(written.size(), 92492u);

    int bars = 8, beats = 4, key = 0;
    SongData back(r, dir.File("busy.sld"), bars, beats, key);
    EXPECT_EQ(bars, 12);
    EXPECT_EQ(beats, 3);
    EXPECT_EQ(key, 18);
    EXPECT_EQ(back.keyName(), "F#m");
    EXPECT_EQ(BuildSongImage(back, back.beats(), back.key()), written);
    ASSERT_TRUE(back.Save(r, dir.File("again.sld")));
    EXPECT_EQ(ReadFile(dir.File("again.sld")), written);
    // Save without a path writes the home file.
    EXPECT_EQ(back.homePath(), dir.File("busy.sld"));
    EXPECT_TRUE(back.Save(r));
    EXPECT_TRUE(r.reports().empty());
}

TEST(SongImage, OldestLayoutWidensChordsAndSlots)
{
    ImageBytes img(32780);
    img.Text(0, "Am7").Text(8, "G7sus4xY");  // 8 bytes, no terminator
    for (int i = 2; i < 1024; ++i) img.Text(i * 8, "----");
    img.I32(8192 + 0 * 12, 64).Text(8192 + 0 * 12 + 4, "la");
    img.I32(8192 + 1 * 12, -2).I32(8192 + 2 * 12, -1).Text(8192 + 2 * 12 + 4, "12345678");
    img.I32(32768, 2).I32(32772, 3).I32(32776, 15);
    CapturingReporter r;
    SongData song;
    ASSERT_TRUE(DecodeSongImage(r, img.bytes(), song));
    EXPECT_EQ(song.bars(), 2);
    EXPECT_EQ(song.beats(), 3);
    EXPECT_EQ(song.keyName(), "Am");
    EXPECT_EQ(song.ChordName(0), "Am7");
    EXPECT_EQ(song.ChordName(1), "G7sus4x");  // the 8th byte becomes zero
    EXPECT_EQ(song.chords[1].extra, (std::array<char, 8>{}));
    for (const auto& slot : song.melody) {
        EXPECT_EQ(slot.cell[1], kHold);
        EXPECT_EQ(slot.cell[2], kNotTriplet);
    }
    EXPECT_EQ(song.melody[0].cell[0], 64);
    EXPECT_EQ(FieldText(song.melody[0].text[0].data(), 8), "la");
    EXPECT_EQ(FieldText(song.melody[2].text[0].data(), 8), "12345678");
    EXPECT_EQ(song.info, SongInfo{});
    EXPECT_EQ(song.info.tempo, 120);
    EXPECT_EQ(song.info.style, 1);
    EXPECT_TRUE(r.reports().empty());
}

TEST(SongImage, MiddleLayoutsKeepTheirAreas)
{
    const SongData busy = BusySong();
    const auto current = BuildSongImage(busy, busy.beats(), busy.key());

    // 90,444: the current image without its reserved area.
    std::vector<std::uint8_t> noReserved(current.begin(), current.begin() + 90444);
    CapturingReporter r;
    SongData a;
    ASSERT_TRUE(DecodeSongImage(r, noReserved, a));
    EXPECT_EQ(a.reserved, (std::array<std::uint32_t, 512>{}));
    EXPECT_EQ(a.info, busy.info);
    EXPECT_EQ(a.melody, busy.melody);
    EXPECT_EQ(a.bars(), 12);

    // 81,932: 8-byte chords, 36-byte slots, no info block.
    ImageBytes old(81932);
    for (int i = 0; i < 1024; ++i) old.Text(i * 8, busy.ChordName(i));
    old.Copy(8192, current.data() + 16384, 73728);
    old.I32(81920, 12).I32(81924, 3).I32(81928, 18);
    SongData b;
    ASSERT_TRUE(DecodeSongImage(r, old.bytes(), b));
    EXPECT_EQ(b.melody, busy.melody);
    EXPECT_EQ(b.ChordName(1), "Am7");
    EXPECT_EQ(b.chords[3].extra, (std::array<char, 8>{}));
    EXPECT_EQ(b.info, SongInfo{});
    EXPECT_EQ(b.keyName(), "F#m");
    EXPECT_TRUE(r.reports().empty());
}

TEST(SongImage, InfoRepairsOnLoad)
{
    struct Case {
        std::int32_t tempo, instrument, category, style;
        std::int32_t wantTempo, wantInstrument, wantCategory, wantStyle;
    };
    const Case cases[] = {
        {300, 0, 0, 1, 80, 0, 0, 1},
        {40, 127, 8, 23, 40, 127, 8, 23},
        {240, 128, 0, 1, 240, 128, 0, 1},  // extra voices and groups survive a reload
        {120, 152, 0, 1, 120, 0, 0, 1},
        {39, -1, static_cast<std::int32_t>(0xFEEEFEEE), static_cast<std::int32_t>(0xFEEEFEEE), 80, 0, 0, 1},
        {241, 151, 9, 24, 80, 151, 0, 1},
    };
    for (const auto& c : cases) {
        ImageBytes img(92492);
        img.I32(90112 + 200, c.tempo).I32(90112 + 204, c.instrument);
        img.I32(90112 + 192, c.category).I32(90112 + 196, c.style);
        img.Fill(90112 + 64, 1, 0xDD).Fill(90112 + 65, 1, 'q');
        img.I32(90432, 4).I32(90436, 4).I32(90440, 0);
        CapturingReporter r;
        SongData song;
        ASSERT_TRUE(DecodeSongImage(r, img.bytes(), song));
        EXPECT_EQ(song.info.tempo, c.wantTempo) << c.tempo;
        EXPECT_EQ(song.info.instrument, c.wantInstrument) << c.instrument;
        EXPECT_EQ(song.info.category, c.wantCategory);
        EXPECT_EQ(song.info.style, c.wantStyle);
        EXPECT_EQ(song.info.memo[0], 0);
        EXPECT_EQ(song.info.memo[1], 'q');
    }
}

TEST(SongImage, ZeroBarCountTakesTheWordsAfterTheMelody)
{
    // Current layout: the words right after the melody are the first twelve
    // bytes of the info block.
    ImageBytes img(92492);
    img.I32(90112, 6).I32(90116, 3).I32(90120, 23);
    img.I32(90432, 0).I32(90436, 4).I32(90440, 1);
    CapturingReporter r;
    SongData song;
    ASSERT_TRUE(DecodeSongImage(r, img.bytes(), song));
    EXPECT_EQ(song.bars(), 6);
    EXPECT_EQ(song.beats(), 3);
    EXPECT_EQ(song.key(), 23);
    EXPECT_EQ(song.keyName(), "Dm");

    // A negative count counts as below 1 too.
    img.I32(90432, -5);
    ASSERT_TRUE(DecodeSongImage(r, img.bytes(), song));
    EXPECT_EQ(song.bars(), 6);
    EXPECT_TRUE(r.reports().empty());
}

TEST(SongImage, ImagesThatFailTheirChecksAreRefusedAndReportedOnce)
{
    SongData kept;
    CapturingReporter setup;
    kept.Reset(setup, 12, 3, 5);
    const std::vector<std::uint8_t> keptImage = BuildSongImage(kept, 3, 5);
    const auto refuse = [&](ImageBytes& img, const char* what) {
        CapturingReporter r;
        SongData song = kept;
        EXPECT_FALSE(DecodeSongImage(r, img.bytes(), song)) << what;
        EXPECT_EQ(BuildSongImage(song, song.beats(), song.key()), keptImage) << what;
        EXPECT_EQ(r.Count("SGDT", 1), 1u) << what;
        EXPECT_EQ(r.reports().size(), 1u) << what;
    };
    // Header words the song cannot hold.
    struct Case {
        std::int32_t bars, beats, key;
    };
    for (const Case& c : {Case{300, 4, 0}, Case{8, 0, 0}, Case{8, 7, 0}, Case{8, 3, 30}, Case{8, 4, -1}}) {
        ImageBytes img(90444);
        img.I32(90432, c.bars).I32(90436, c.beats).I32(90440, c.key).I32(90112 + 200, 120);
        refuse(img, "header");
    }
    // Cell values outside the pitches and marks.
    for (const std::int32_t value : {128, -7}) {
        ImageBytes img(92492);
        img.I32(90432, 1).I32(90436, 4).I32(90440, 0).I32(90112 + 200, 120);
        img.I32(16384, value);
        refuse(img, "cell");
    }
    ImageBytes triplet(92492);
    triplet.I32(90432, 1).I32(90436, 4).I32(90440, 0).I32(16384 + 8, -4);
    refuse(triplet, "third cell");
    // A chord of the song that is no chord name; past the song's end any
    // bytes are left alone.
    ImageBytes chord(92492);
    chord.I32(90432, 1).I32(90436, 4).I32(90440, 0);
    chord.Fill(3 * 16, 3, 'Q');
    refuse(chord, "chord");
    chord.Fill(3 * 16, 3, 0).Fill(5 * 16, 3, 'Q');
    CapturingReporter r;
    SongData song;
    EXPECT_TRUE(DecodeSongImage(r, chord.bytes(), song));
    EXPECT_TRUE(r.reports().empty());
}

TEST(SongFile, EverySongWeShipPassesTheChecks)
{
    int read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(test::SourceDir() + "/data/songs")) {
        if (entry.path().extension() != ".sld") continue;
        CapturingReporter r;
        SongData song;
        EXPECT_EQ(ReadSongFile(r, entry.path().string(), song, 8, 4, 0), SongFileStatus::kRead) << entry.path();
        EXPECT_TRUE(r.reports().empty()) << entry.path();
        ++read;
    }
    EXPECT_GE(read, 6);
}

TEST(SongFile, GarbageOfTheImageSizeIsRefusedAndTheCallerValuesStay)
{
    test::TempDir dir;
    std::vector<std::uint8_t> garbage(92492);
    std::uint32_t x = 12345;
    for (auto& b : garbage) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    WriteFile(dir.File("garbage.sld"), garbage);
    CapturingReporter r;
    SongData song;
    EXPECT_EQ(ReadSongFile(r, dir.File("garbage.sld"), song, 4, 3, 15), SongFileStatus::kRefused);
    EXPECT_EQ(song.bars(), 4);
    EXPECT_EQ(song.keyName(), "Am");
    EXPECT_EQ(r.Count("SGDT", 1), 1u);
    EXPECT_EQ(r.reports().size(), 1u);
}

TEST(SongFile, MissingEmptyOddAndUnreadableFiles)
{
    test::TempDir dir;
    struct Case {
        std::string name;
        std::vector<std::uint8_t> bytes;  // not written when name is "missing"
        SongFileStatus want;
        std::uint32_t code;  // GENE code reported, 0 for none
    };
    const Case cases[] = {
        {"missing", {}, SongFileStatus::kNoFile, 0},
        {"empty.sld", {}, SongFileStatus::kNoFile, 0},
        {"short.sld", std::vector<std::uint8_t>(100, 1), SongFileStatus::kRefused, 0x0100000D},
        {"long.sld", std::vector<std::uint8_t>(92493, 1), SongFileStatus::kRefused, 0x0100000D},
        {"near.sld", std::vector<std::uint8_t>(92491, 1), SongFileStatus::kRefused, 0x0100000D},
    };
    for (const auto& c : cases) {
        if (c.name != "missing") WriteFile(dir.File(c.name), c.bytes);
        CapturingReporter r;
        SongData song;
        EXPECT_EQ(ReadSongFile(r, dir.File(c.name), song, 4, 3, 15), c.want) << c.name;
        EXPECT_EQ(song.bars(), 4);
        EXPECT_EQ(song.beats(), 3);
        EXPECT_EQ(song.keyName(), "Am");
        EXPECT_EQ(song.ChordName(11), "Am");
        EXPECT_EQ(song.ChordName(12), "----");
        if (c.code != 0) {
            EXPECT_TRUE(r.Has("GENE", c.code)) << c.name;
        } else {
            EXPECT_TRUE(r.reports().empty()) << c.name;
        }
    }
    // A folder reads as an empty file.
    CapturingReporter r;
    int bars = 4, beats = 4, key = 0;
    SongData fromFolder(r, dir.path(), bars, beats, key);
    EXPECT_EQ(bars, 4);
    EXPECT_TRUE(r.reports().empty());
    // Saving to a place that cannot be written reports and fails.
    EXPECT_FALSE(fromFolder.Save(r, dir.File("no/such/dir/x.sld")));
    EXPECT_TRUE(r.Has("GENE", 0x01000007));
}

TEST(SongFile, PhraseOfA34SongSavesThreeBeats)
{
    test::TempDir dir;
    CapturingReporter r;
    SongData phrase;
    phrase.Reset(r, 4, 3, 0);
    ASSERT_TRUE(phrase.Save(r, dir.File("phrase.pdt")));
    const auto b = ReadFile(dir.File("phrase.pdt"));
    EXPECT_EQ(I32At(b, 90436), 3);
    EXPECT_EQ(I32At(b, 90432), 4);
}

}  // namespace
}  // namespace songloom::song
