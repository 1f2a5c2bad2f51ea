#include <gtest/gtest.h>

#include "harmony/diatonic_chord_list.h"
#include "song/song_tables.h"

namespace songloom::harmony {
namespace {

using Names = std::vector<std::string>;

TEST(DiatonicChordList, MajorKey)
{
    EXPECT_EQ(DiatonicChordList(kScaleMajor, 0), (Names{"C", "Dm", "Em", "F", "G", "Am", "Bdim"}));
    // Bb major (tonic 10): sharp-spelled roots, wrapping past B.
    EXPECT_EQ(DiatonicChordList(kScaleMajor, 10), (Names{"A#", "Cm", "Dm", "D#", "F", "Gm", "Adim"}));
    EXPECT_EQ(DiatonicChordList(kScaleMajor, std::nullopt),
              (Names{"I", "IIm", "IIIm", "IV", "V", "VIm", "VIIdim"}));
}

TEST(DiatonicChordList, EachMinorScale)
{
    EXPECT_EQ(DiatonicChordList(kScaleNaturalMinor, 9), (Names{"Am", "Bdim", "C", "Dm", "Em", "F", "G"}));
    EXPECT_EQ(DiatonicChordList(kScaleHarmonicMinor, 9),
              (Names{"Am", "Bdim", "Caug", "Dm", "E", "F", "G#dim"}));
    EXPECT_EQ(DiatonicChordList(kScaleNaturalHarmonicMinor, 9),
              (Names{"Am", "Bdim", "C", "Caug", "Dm", "Em", "E", "F", "G", "G#dim"}));
    EXPECT_EQ(DiatonicChordList(kScaleNaturalMinor, std::nullopt),
              (Names{"Im", "IIdim", "bIII", "IVm", "Vm", "bVI", "bVII"}));
    EXPECT_EQ(DiatonicChordList(kScaleHarmonicMinor, std::nullopt),
              (Names{"Im", "IIdim", "bIIIaug", "IVm", "V", "bVI", "VIIdim"}));
    EXPECT_TRUE(DiatonicChordList(5, 0).empty());
}

TEST(DiatonicChordList, ScaleSelectorOffersThreeScalesForMinorKeysOneForMajor)
{
    const int cMajor = 0;
    const int aMinor = 15;
    ASSERT_EQ(song::KeyTable[aMinor].name, "Am");
    EXPECT_EQ(ScaleSelectorEntries(cMajor).size(), 1u);
    EXPECT_EQ(ScaleSelectorEntries(aMinor).size(), 3u);
    EXPECT_EQ(ScaleOfSelection(cMajor, 2), kScaleMajor);
    EXPECT_EQ(ScaleOfSelection(aMinor, 0), kScaleNaturalMinor);
    EXPECT_EQ(ScaleOfSelection(aMinor, 1), kScaleHarmonicMinor);
    EXPECT_EQ(ScaleOfSelection(aMinor, 2), kScaleNaturalHarmonicMinor);
    EXPECT_EQ(ScaleOfSelection(aMinor, -1), kScaleNaturalMinor);
}

TEST(DiatonicChordList, PreviewNotesOfNames)
{
    EXPECT_EQ(ChordPreviewNotes("C"), (std::vector<int>{60, 64, 67}));
    EXPECT_EQ(ChordPreviewNotes("Bbm7"), (std::vector<int>{70, 73, 77, 80}));
    EXPECT_EQ(ChordPreviewNotes("F#m7b5"), (std::vector<int>{66, 69, 72, 76}));
    EXPECT_TRUE(ChordPreviewNotes("").empty());
    EXPECT_TRUE(ChordPreviewNotes("Hm").empty());
}

}  // namespace
}  // namespace songloom::harmony
