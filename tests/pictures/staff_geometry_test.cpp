#include "pictures/staff_geometry.h"

#include <gtest/gtest.h>

namespace songloom::pictures {
namespace {

TEST(StaffGeometry, LinesAtSpacingSixAreDrawnForStaffNotesOnly) {
    // 40..84 has 14 line positions: a height of 90 gives s = 6.
    const StaffGeometry g = BuildStaffGeometry(40, 84, 200, 90);
    ASSERT_EQ(g.lineSlots.size(), 14U);
    EXPECT_DOUBLE_EQ(g.spacing, 6.0);
    std::vector<int> drawnY;
    for (std::size_t i = 0; i < g.lineSlots.size(); ++i) {
        if (g.lineSlots[i].drawn) drawnY.push_back(SlotLineY(g, i));
    }
    // 84 and 81 (ledger), 60 (middle C) and 40 stay undrawn.
    EXPECT_EQ(drawnY, (std::vector<int>{18, 24, 30, 36, 42, 54, 60, 66, 72, 78}));
    EXPECT_EQ(g.lineSlots.front().note, 84);
    EXPECT_FALSE(g.lineSlots[7].drawn);  // middle C
    EXPECT_EQ(g.lineSlots[7].note, 60);
}

TEST(StaffGeometry, RowsCentreNotesOnTheirLinesAndSpaces) {
    const StaffGeometry g = BuildStaffGeometry(40, 84, 200, 90);
    const double s = g.spacing;
    // A line note is centred on its slot line; the next white key half a space up.
    for (std::size_t i = 0; i < g.lineSlots.size(); ++i) {
        const int note = g.lineSlots[i].note;
        EXPECT_EQ(RowCentreY(g, kSharpMode, note), SlotLineY(g, i)) << note;
        EXPECT_EQ(RowCentreY(g, 1, note), SlotLineY(g, i)) << note;
    }
    EXPECT_EQ(RowY(g, kSharpMode, 65), RowY(g, kSharpMode, 64) - static_cast<int>(s / 2));
    // Sharp spelling shares the row below, flat spelling the row above.
    EXPECT_EQ(RowY(g, kSharpMode, 66), RowY(g, kSharpMode, 65));
    EXPECT_EQ(RowY(g, 1, 66), RowY(g, 1, 67));
    EXPECT_EQ(FindRow(g, kSharpMode, 66)->accidental, RowAccidental::Sharp);
    EXPECT_EQ(FindRow(g, 1, 70)->accidental, RowAccidental::Flat);
    EXPECT_EQ(FindRow(g, 1, 71)->accidental, RowAccidental::None);
    // Rows are a head wide, centred.
    EXPECT_EQ(FindRow(g, kSharpMode, 60)->left, 97);
    EXPECT_EQ(FindRow(g, kSharpMode, 60)->right, 103);
    EXPECT_EQ(RowY(g, kSharpMode, 39), 0);
    EXPECT_EQ(RowY(g, kSharpMode, 85), 0);
}

TEST(StaffGeometry, StemDirections) {
    EXPECT_TRUE(StemDown(71, 5));    // B4 down
    EXPECT_FALSE(StemDown(69, 5));   // A4 up
    EXPECT_TRUE(StemDown(50, 5));    // D3 down in the bass
    EXPECT_FALSE(StemDown(48, 5));   // C3 up
    EXPECT_FALSE(StemDown(60, 5));   // middle C up
    EXPECT_TRUE(StemDown(59, 5));
    EXPECT_TRUE(StemDown(47, 14));   // crosses follow their own rule
    EXPECT_FALSE(StemDown(71, 15));
    // A pair takes the direction of its average.
    EXPECT_FALSE(BeamedPairStemDown(67, 72));  // 69
    EXPECT_TRUE(BeamedPairStemDown(67, 74));   // 70
}

TEST(StaffGeometry, KeySignatureBytes) {
    EXPECT_EQ(SignatureFromByte(2), 2);
    EXPECT_EQ(SignatureFromByte(255), -1);
    EXPECT_EQ(SignatureFromByte(249), -7);
    EXPECT_EQ(ByteFromSignature(-3), 253);
    EXPECT_EQ(KeyAlteration(2, 3), 1);    // D major alters F
    EXPECT_EQ(KeyAlteration(2, 4), 0);    // not G
    EXPECT_EQ(KeyAlteration(-1, 6), -1);  // F major alters B
    EXPECT_EQ(KeyAlteration(-1, 2), 0);
}

TEST(AccidentalTracker, NaturalInSharpKeyShownOnce) {
    AccidentalTracker t(2, true);
    EXPECT_EQ(t.Next(65, RowAccidental::None), RowAccidental::None);  // F natural: sign
    EXPECT_EQ(t.Next(65, RowAccidental::None), std::nullopt);         // again: none
    EXPECT_EQ(t.Next(66, RowAccidental::Sharp), RowAccidental::Sharp);  // F sharp back
    EXPECT_EQ(t.Next(66, RowAccidental::Sharp), std::nullopt);
    EXPECT_EQ(t.Next(73, RowAccidental::Sharp), std::nullopt);        // C sharp is in the key
    EXPECT_EQ(t.Next(65, RowAccidental::None), RowAccidental::None);   // natural again after the sharp
}

TEST(AccidentalTracker, NaturalThenFlatInFlatKey) {
    AccidentalTracker t(-1, false);
    EXPECT_EQ(t.Next(71, RowAccidental::None), RowAccidental::None);  // B natural
    EXPECT_EQ(t.StateOf(11), AccidentalTracker::kNaturalShown);
    EXPECT_EQ(t.Next(70, RowAccidental::Flat), RowAccidental::Flat);  // B flat again
    EXPECT_EQ(t.StateOf(11), AccidentalTracker::kNone);
    EXPECT_EQ(t.Next(70, RowAccidental::Flat), std::nullopt);
    EXPECT_EQ(t.Next(63, RowAccidental::Flat), RowAccidental::Flat);  // E flat is not in the key
}

TEST(AccidentalTracker, CMajorSharpThenNatural) {
    AccidentalTracker t(0, true);
    EXPECT_EQ(t.Next(64, RowAccidental::None), std::nullopt);
    EXPECT_EQ(t.Next(66, RowAccidental::Sharp), RowAccidental::Sharp);
    EXPECT_EQ(t.Next(78, RowAccidental::Sharp), std::nullopt);  // same pitch class: shown
    EXPECT_EQ(t.Next(65, RowAccidental::None), RowAccidental::None);
    EXPECT_EQ(t.Next(66, RowAccidental::Sharp), RowAccidental::Sharp);
}

TEST(StaffGeometry, TimeSignatureLeftEdge) {
    // 6s = 36; 16 / (24 / 6 * 0.9) * 6 = 26.67.
    EXPECT_EQ(TimeSignatureX(6.0), 36 + 26 - 8);
    EXPECT_EQ(TimeSignatureX(8.0), 48 + 35 - 8);
}

}  // namespace
}  // namespace songloom::pictures
