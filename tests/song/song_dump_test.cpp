#include <gtest/gtest.h>

#include <cstring>

#include "song/song_dump.h"

namespace songloom::song {
namespace {

TEST(SongDump, ShowsHeaderChordsAndEverySlotInUtf8)
{
    CapturingReporter r;
    SongData song;
    song.Reset(r, 1, 3, 9);
    song.SetChord(r, 0, 1, 10, 13, 1);
    song.SetNote(r, 0, 2, 70, 1, 1);
    std::memcpy(song.melody[2].text[1].data(), "\x82\xa0", 2);  // "あ" in CP932
    std::memcpy(song.info.title.data(), "\x89\xcc", 2);         // "歌"
    song.info.tempo = 90;
    EXPECT_EQ(SongDumpText(song),
              "bars 1\n"
              "beats 3 (3/4)\n"
              "key Bb (9)\n"
              "title \"歌\"\n"
              "composer \"\"\n"
              "category 0\n"
              "style 1\n"
              "tempo 90\n"
              "instrument 0\n"
              "chords\n"
              "  1: Bb | A#m7b5 | Bb\n"
              "melody\n"
              "  1.1   -1   -2   -3 \"\" \"\" \"\"\n"
              "  1.2   -2   -2   -3 \"\" \"\" \"\"\n"
              "  1.3   -2   70   -3 \"\" \"あ\" \"\"\n"
              "  1.4   -2   -1   -3 \"\" \"\" \"\"\n"
              "  1.5   -2   -2   -3 \"\" \"\" \"\"\n"
              "  1.6   -2   -2   -3 \"\" \"\" \"\"\n");
    EXPECT_TRUE(r.reports().empty());
}

}  // namespace
}  // namespace songloom::song
