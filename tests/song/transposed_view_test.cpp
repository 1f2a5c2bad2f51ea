#include <gtest/gtest.h>

#include "song/bar_notation.h"
#include "song/song_data.h"
#include "song/transposing_instrument.h"

namespace songloom::song {
namespace {

TEST(TransposedView, KeySignatureOfTheMovedTonicWithFewerAccidentals)
{
    struct Case {
        int signature, semitones, expected;
    };
    const Case cases[] = {
        {0, 2, 2},     // C -> D
        {0, 9, 3},     // C -> A (E-flat instrument)
        {0, 7, 1},     // C -> G (F instrument)
        {-1, 2, 1},    // F -> G
        {-4, 2, -2},   // Ab -> Bb
        {5, 2, -5},    // B -> Db rather than C#
        {4, 2, 6},     // E -> F#: a tie stays on the sharp side
        {-4, 10, -6},  // Ab -> Gb: and on the flat side
        {3, -12, 3},   // octaves change nothing
        {2, 0, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TransposedSignature(c.signature, c.semitones), c.expected) << c.signature << " + " << c.semitones;
    }
}

TEST(TransposedView, PitchesAndChordsMoveRestsHoldsAndTextsStay)
{
    SongView view;
    view.bars = 1;
    view.beats = 4;
    view.keySignature = -3;  // E-flat major
    view.melody.resize(8);
    view.melody[0].cell = {63, -2, -3};
    view.melody[0].text[0] = "la";
    view.melody[1].cell = {-1, 126, -3};
    view.melody[2].cell = {60, 62, 64};
    view.chordNames = {"D#M7 ", "G#", "----", "A#7onD"};
    const SongView bb = TransposedView(view, FindTransposingInstrument("Bb")->writtenAbove);
    EXPECT_EQ(bb.keySignature, -1);  // F major
    EXPECT_EQ(bb.melody[0].cell, (std::array<int, 3>{65, -2, -3}));
    EXPECT_EQ(bb.melody[0].text[0], "la");
    EXPECT_EQ(bb.melody[1].cell, (std::array<int, 3>{-1, 116, -3}));  // past 127: an octave down
    EXPECT_EQ(bb.melody[2].cell, (std::array<int, 3>{62, 64, 66}));
    EXPECT_EQ(bb.melody[3].cell, view.melody[3].cell);
    EXPECT_EQ(bb.chordNames, (std::vector<std::string>{"FM7", "Bb", "----", "C7/E"}));
    // In a sharp key the names take sharps.
    const SongView a = TransposedView(view, -3);  // C major
    EXPECT_EQ(a.chordNames[1], "F");
    EXPECT_EQ(TransposedView(view, 4).chordNames[1], "C");  // G major
    EXPECT_EQ(TransposedView(view, 1).chordNames[0], "EM7");
    EXPECT_EQ(TransposedView(view, 3).keySignature, -6);    // Gb rather than F#
    EXPECT_EQ(TransposedView(view, 3).chordNames[3], "Db7/F");
}

TEST(TransposedView, InstrumentsByTheirNames)
{
    EXPECT_EQ(FindTransposingInstrument("C")->writtenAbove, 0);
    EXPECT_EQ(FindTransposingInstrument("Eb")->writtenAbove, 9);
    EXPECT_EQ(FindTransposingInstrument("F")->writtenAbove, 7);
    EXPECT_EQ(FindTransposingInstrument("Bb")->writtenAbove, 2);
    EXPECT_EQ(FindTransposingInstrument("B"), nullptr);
}

}  // namespace
}  // namespace songloom::song
