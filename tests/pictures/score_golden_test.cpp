// Drawn rows of bars compared pixel for pixel with the golden PNG images.
#include <gtest/gtest.h>

#include "common/reporter.h"
#include "golden_image.h"
#include "melody_builder.h"
#include "pictures/score_page.h"

namespace songloom::pictures {
namespace {

using test::MelodyBuilder;

void ExpectGolden(const MelodyBuilder& melody, const std::string& name, int bars) {
    CapturingReporter reporter;
    const QImage row = DrawScoreRow(reporter, melody.view(), 0, bars, true);
    EXPECT_TRUE(reporter.reports().empty()) << name;
    EXPECT_EQ(test::CompareWithGolden(row, name), "");
}

TEST(ScoreGolden, SharpKeyWithNaturalsAndSharps) {
    // D major: F natural twice (one sign), F sharp back (a sharp), C sharp
    // needs none, G sharp needs one; the second bar starts afresh.
    MelodyBuilder m(2, 4, 2);
    m.Add(65, 4).Add(65, 4).Add(66, 4).Add(73, 4);
    m.Add(68, 4).Add(69, 4).Add(67, 2).Add(68, 2).Add(74, 4);
    m.Chord(0, "D ").Chord(2, "Dm").Chord(4, "E7").Chord(6, "A ");
    ExpectGolden(m, "sharp_key_accidentals", 2);
}

TEST(ScoreGolden, FlatKeyWithNaturals) {
    // F major: B natural, then B flat gets its flat again; E flat in the low
    // octave, A flat, a note under middle C.
    MelodyBuilder m(2, 4, -1);
    m.Add(71, 4).Add(70, 4).Add(63, 4).Add(68, 4);
    m.Add(60, 4).Add(58, 4).Add(77, 4).Add(81, 4);
    ExpectGolden(m, "flat_key_accidentals", 2);
}

TEST(ScoreGolden, BeamedEighthsBothWays) {
    MelodyBuilder m(2, 4);
    m.Add(60, 2).Add(62, 2).Add(72, 2).Add(74, 2).Add(67, 2).Add(79, 2).Add(65, 2).Add(64, 2);
    m.Add(71, 2).Add(69, 2).Add(76, 2).Add(67, 2).Add(62, 2).Add(84, 2).Add(72, 4);
    ExpectGolden(m, "beamed_eighths", 2);
}

TEST(ScoreGolden, DottedAndTiedNotes) {
    MelodyBuilder m(3, 4);
    m.Add(67, 6).Add(69, 2).Add(71, 3).Add(72, 1).Add(74, 4);
    m.Add(76, 12).Add(72, 8);  // a dotted half, then a half tied over the bar
    m.Add(64, 5).Add(65, 7);  // lengths that split at the beat
    ExpectGolden(m, "dotted_and_tied", 3);
}

TEST(ScoreGolden, RestsOfEveryValue) {
    MelodyBuilder m(3, 4);
    m.Rest(16);                                                      // whole-bar rest
    m.Rest(8).Rest(4).Add(72, 4);                                    // half, quarter
    m.Rest(2).Add(67, 2).Rest(1).Add(69, 1).Add(71, 2).Add(72, 8);   // eighth, sixteenth
    ExpectGolden(m, "rests", 3);
}

TEST(ScoreGolden, TripletAndThreeFour) {
    MelodyBuilder m(2, 3);
    m.Triplet(72, 74, 76).Add(77, 2).Add(79, 8);
    m.Rest(12);
    ExpectGolden(m, "triplet_three_four", 2);
}

TEST(ScoreGolden, SevenSharpsAndSevenFlats) {
    // The widest signatures push the time signature right; notes of the key
    // need no signs, their naturals do.
    MelodyBuilder sharps(1, 4, 7);
    sharps.Add(61, 4).Add(60, 4).Add(66, 4).Add(65, 4);
    ExpectGolden(sharps, "seven_sharps", 1);
    MelodyBuilder flats(1, 3, -7);
    flats.Add(71, 4).Add(70, 4).Add(64, 4);
    ExpectGolden(flats, "seven_flats", 1);
}

TEST(ScoreGolden, SongEndsWithAFinalBar) {
    // Two bars of a song drawn in a row of four: the closing double bar, then
    // nothing.
    MelodyBuilder m(2, 4);
    m.Add(67, 8).Add(72, 8).Add(71, 4).Add(74, 4).Add(79, 8);
    CapturingReporter reporter;
    const QImage row = DrawScoreRow(reporter, m.view(), 0, 4, false);
    EXPECT_EQ(test::CompareWithGolden(row, "final_bar"), "");
    // Past the closing bar the row is blank.
    const int end = row.width() - 2 * (240 - 2);
    for (int x = end; x < row.width(); x += 7) {
        for (int y = 0; y < row.height(); y += 3) EXPECT_EQ(row.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    }
}

TEST(ScoreGolden, NotesBeyondTheStaffRange) {
    // Above C6 and below E2 the notes are written in octaves, marked.
    MelodyBuilder m(1, 4);
    m.Add(88, 4).Add(98, 4).Add(36, 4).Add(84, 4);
    ExpectGolden(m, "octave_marks", 1);
}

}  // namespace
}  // namespace songloom::pictures
