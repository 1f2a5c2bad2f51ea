#include "pictures/long_staff_picture.h"

#include <gtest/gtest.h>

#include "common/reporter.h"

namespace songloom::pictures {
namespace {

int CountColour(const QImage& image, QRgb colour, QRect area) {
    int n = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) == colour) ++n;
    return n;
}

TEST(LongStaffPicture, StaffLinesAtSpacingSix) {
    CapturingReporter reporter;
    CLongStaffPicture staff(reporter);
    const int cell = staff.CreateCell(QRect(0, 0, 200, 90), 40, 84);
    staff.Cell(cell).barLines = false;
    staff.DrawCell(cell);
    const QImage& image = staff.Cell(cell).canvas->image();
    std::vector<int> lineRows;
    for (int y = 0; y < 90; ++y) {
        if (image.pixel(100, y) == qRgb(100, 100, 100)) lineRows.push_back(y);
    }
    EXPECT_EQ(lineRows, (std::vector<int>{18, 24, 30, 36, 42, 54, 60, 66, 72, 78}));
    EXPECT_EQ(CountColour(image, qRgb(100, 100, 100), image.rect()), 10 * 200);
    EXPECT_EQ(staff.RowY(cell, 64), 39);
    EXPECT_EQ(staff.RowY(cell, 30), 0);
    // A press finds the white note of the nearest line or space.
    EXPECT_EQ(staff.NoteAtY(cell, 42), 64);   // on the E line
    EXPECT_EQ(staff.NoteAtY(cell, 38), 65);   // in the F space
    EXPECT_EQ(staff.NoteAtY(cell, 0), 84);
    EXPECT_EQ(staff.NoteAtY(cell, 89), 40);
    // The proportional x rule and its inverse.
    const int x = staff.NoteX(cell, 192);
    EXPECT_EQ(staff.TickAtX(cell, x), 192);
    EXPECT_EQ(staff.TickAtX(cell, 0), 0);
    EXPECT_EQ(staff.TickAtX(cell, 199), 384 * 190 / 200);
}

TEST(LongStaffPicture, AccidentalsShownOncePerCell) {
    CapturingReporter reporter;
    CLongStaffPicture staff(reporter);
    const int cell = staff.CreateCell(QRect(0, 0, 240, 120), 40, 84);
    StaffCell& c = staff.Cell(cell);
    c.barLines = false;
    c.keySignature = 2;  // D major
    auto note = [](int pitch, Tick start) {
        StaffNote n;
        n.pitch = pitch;
        n.start = start;
        n.length = 96;
        n.kind = kind::kHeadOnly;  // heads only: the accidentals stand alone
        return n;
    };
    c.notes = {note(65, 0), note(65, 96), note(66, 192), note(73, 288)};
    staff.DrawCell(cell);
    const QImage& image = c.canvas->image();
    const double s = c.geometry.spacing;
    auto inkBefore = [&](int index) {
        const int x = staff.NoteX(cell, c.notes[static_cast<std::size_t>(index)].start);
        const int top = staff.RowY(cell, c.notes[static_cast<std::size_t>(index)].pitch);
        return CountColour(image, qRgb(0, 0, 0),
                           QRect(x - static_cast<int>(1.3 * s), top - 2, static_cast<int>(1.2 * s), static_cast<int>(s) + 4));
    };
    EXPECT_GT(inkBefore(0), 0);   // F natural: a natural sign
    EXPECT_EQ(inkBefore(1), 0);   // the second one has none
    EXPECT_GT(inkBefore(2), 0);   // F sharp again after the natural
    EXPECT_EQ(inkBefore(3), 0);   // C sharp belongs to the key
}

TEST(LongStaffPicture, SecondInAChordMovesAside) {
    CapturingReporter reporter;
    CLongStaffPicture staff(reporter);
    const int cell = staff.CreateCell(QRect(0, 0, 240, 120), 40, 84);
    StaffCell& c = staff.Cell(cell);
    c.barLines = false;
    StaffNote e;
    e.pitch = 64;
    e.kind = kind::kHeadOnly;
    e.length = 96;
    StaffNote f = e;
    f.pitch = 65;
    c.notes = {e, f};
    staff.DrawCell(cell);
    const int s = static_cast<int>(c.geometry.spacing);
    const int x = staff.NoteX(cell, 0);
    // E's lower half and F's upper half are where the other head cannot be.
    auto inkE = [&](int left) {
        return CountColour(c.canvas->image(), qRgb(0, 0, 0), QRect(left + 1, staff.RowY(cell, 64) + s / 2 + 1, s - 2, s / 2 - 2));
    };
    auto inkF = [&](int left) {
        return CountColour(c.canvas->image(), qRgb(0, 0, 0), QRect(left + 1, staff.RowY(cell, 65) + 1, s - 2, s / 2 - 2));
    };
    EXPECT_GT(inkE(x), 0);
    EXPECT_EQ(inkE(x + s), 0);
    EXPECT_EQ(inkF(x), 0);
    EXPECT_GT(inkF(x + s), 0);  // F beside E, one head to the right
}

TEST(LongStaffPicture, LabelsAndBadCellIndex) {
    CapturingReporter reporter;
    CLongStaffPicture staff(reporter);
    const int cell = staff.CreateCell(QRect(0, 0, 200, 90), 40, 84);
    staff.Cell(cell).labels = {{"Am7", 10, 0}};
    staff.DrawCell(cell);
    const QImage& image = staff.Cell(cell).canvas->image();
    int labelInk = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 70; ++x)
            if (qGreen(image.pixel(x, y)) > qRed(image.pixel(x, y)) + 10) ++labelInk;
    EXPECT_GT(labelInk, 0);
    staff.DrawCell(3);
    EXPECT_EQ(reporter.lines(), std::vector<std::string>{"楽譜を描けませんでした。"});
}

TEST(GlyphMasks, SizesAndShapes) {
    const GlyphSet g = BuildGlyphSet();
    for (const GlyphMask* m : {&g.sharp, &g.natural, &g.flat, &g.eighthRest, &g.sixteenthRest, &g.blockRest}) {
        EXPECT_EQ(m->width, 24);
        EXPECT_EQ(m->height, 24);
        EXPECT_GT(m->CountSet(), 20);
    }
    EXPECT_EQ(g.quarterRest.width, 32);
    EXPECT_EQ(g.filledHead[0].bits, g.filledHead[1].bits);
    EXPECT_GT(g.filledHead[0].CountSet(), g.openHead.CountSet());
    for (int x = 0; x < 24; ++x) {
        for (int y = 0; y < 24; ++y) EXPECT_EQ(g.blockRest.At(x, y), y < 7 && x >= 3 && x <= 20) << x << "," << y;
    }
    // A stem down starts where a stem up ends, one head width to the left.
    EXPECT_TRUE(g.stemUp.plain.At(7, 16));
    EXPECT_TRUE(g.stemDown.plain.At(8, 16));
    EXPECT_GT(g.stemUp.twoFlags.CountSet(), g.stemUp.oneFlag.CountSet());
    EXPECT_GT(g.stemUp.oneFlag.CountSet(), g.stemUp.plain.CountSet());
}

}  // namespace
}  // namespace songloom::pictures
