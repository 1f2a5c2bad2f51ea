#include <gtest/gtest.h>

#include <QPainter>

#include "common/reporter.h"
#include "pictures/keyboard_picture.h"
#include "pictures/strings_multi_picture.h"

namespace songloom::pictures {
namespace {

TEST(KeyboardLayout, OctaveFromCToC) {
    const KeyboardLayout k = LayOutKeyboard(60, 72, 400, 100);
    EXPECT_DOUBLE_EQ(k.unit, 50.0);
    int whites = 0, blacks = 0;
    for (const KeyRect& key : k.keys) (key.black ? blacks : whites)++;
    EXPECT_EQ(whites, 8);
    EXPECT_EQ(blacks, 5);
    EXPECT_EQ(k.keys[0].left, 0);
    EXPECT_EQ(k.keys[0].right, 50);
    EXPECT_EQ(k.keys[0].bottom, 100);
    // C sharp: one unit wide, centred on the C/D line, half the height.
    EXPECT_EQ(k.keys[1].left, 25);
    EXPECT_EQ(k.keys[1].right, 75);
    EXPECT_EQ(k.keys[1].bottom, 50);
    EXPECT_EQ(k.keys[12].right, 400);
}

TEST(KeyboardLayout, RangeStartingOnABlackKey) {
    // 61..72: the black key at the start counts half a unit: 7.5 units.
    const KeyboardLayout k = LayOutKeyboard(61, 72, 300, 100);
    EXPECT_DOUBLE_EQ(k.unit, 40.0);
    EXPECT_TRUE(k.keys[0].black);
    EXPECT_EQ(k.keys[0].left, 0);
    EXPECT_EQ(k.keys[0].right, 40);
    EXPECT_EQ(k.keys[1].left, 20);  // D begins under the half key
    EXPECT_EQ(k.keys[1].right, 60);
    EXPECT_EQ(k.keys.back().right, 300);
}

TEST(KeyboardLayout, HitsOnTheLinesBetweenKeys) {
    const KeyboardLayout k = LayOutKeyboard(60, 72, 400, 100);
    // The C/D line at x = 50: the black key above, the white key's edge below.
    EXPECT_EQ(k.keys[static_cast<std::size_t>(HitKey(k, 50, 10))].note, 61);
    const int low = HitKey(k, 50, 80);
    ASSERT_GE(low, 0);
    EXPECT_EQ(k.keys[static_cast<std::size_t>(low)].note, 60);  // C's right edge comes first
    // E/F has no black key: a white key is hit at any height.
    for (int y : {5, 50, 95}) {
        const int hit = HitKey(k, 150, y);
        ASSERT_GE(hit, 0);
        EXPECT_FALSE(k.keys[static_cast<std::size_t>(hit)].black);
        EXPECT_TRUE(k.keys[static_cast<std::size_t>(hit)].note == 64 || k.keys[static_cast<std::size_t>(hit)].note == 65);
    }
    EXPECT_EQ(HitKey(k, 401, 10), -1);
}

TEST(KeyboardPicture, PressedColoursAndHeldKey) {
    CapturingReporter reporter;
    std::vector<int> notes;
    std::vector<int> releases;
    int repaints = 0;
    CKeyboardPicture keyboards(reporter, [&](int) { ++repaints; });
    const int index = keyboards.CreateKeyboard(QRect(10, 20, 400, 100), 60, 72, [&](int n) { notes.push_back(n); },
                                               [&](int n) { releases.push_back(n); });
    ASSERT_EQ(index, 0);
    const QImage& image = keyboards.Canvas(0).image();
    const QPoint eKey(125, 80);
    const QPoint dSharp(100, 20);
    EXPECT_EQ(image.pixel(eKey), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(dSharp), qRgb(0, 0, 0));

    keyboards.PressNote(64, 0);
    keyboards.PressNote(63, 0);
    EXPECT_EQ(image.pixel(eKey), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(dSharp), qRgb(0, 127, 0));
    keyboards.ClearPressed(0);
    EXPECT_EQ(image.pixel(eKey), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(dSharp), qRgb(0, 0, 0));

    keyboards.SetKeyColour(0, 67, QColor(0, 0, 255));
    keyboards.DrawKeyboard(0);
    EXPECT_EQ(image.pixel(225, 80), qRgb(0, 0, 255));

    // Window coordinates: the picture sits at (10, 20).
    EXPECT_TRUE(keyboards.MousePress(10 + 100, 20 + 20));
    EXPECT_EQ(notes, std::vector<int>{63});
    EXPECT_EQ(image.pixel(dSharp), qRgb(255, 0, 0));
    EXPECT_EQ(keyboards.HeldKey(0), 3);
    keyboards.MouseRelease();
    EXPECT_EQ(keyboards.HeldKey(0), -1);
    EXPECT_EQ(releases, std::vector<int>{63});
    EXPECT_EQ(image.pixel(dSharp), qRgb(0, 0, 0));
    EXPECT_FALSE(keyboards.MousePress(0, 0));
    EXPECT_GT(repaints, 0);

    keyboards.PressNote(60, -1);
    EXPECT_EQ(reporter.lines(), std::vector<std::string>{"CKeyboardPicture error"});
}

TEST(Fingerboard, DotsLabelsAndHits) {
    const FingerboardGeometry g = MakeFingerboard(140, 120, 1, 5, 6);
    EXPECT_DOUBLE_EQ(g.stringSpacing, 20.0);
    EXPECT_DOUBLE_EQ(g.fretSpacing, 20.0);
    const DotRect fretted = FingerDot(g, 2, 3);
    EXPECT_EQ(fretted.left, 36);
    EXPECT_EQ(fretted.right, 44);
    EXPECT_EQ(fretted.top, 68);
    EXPECT_EQ(fretted.bottom, 80);
    const DotRect silent = FingerDot(g, 1, -1);
    EXPECT_EQ(silent.top, 4);
    EXPECT_EQ(silent.bottom, 16);
    const DotRect label = LabelBox(g, 0, 0);
    EXPECT_EQ(label.left, 6);
    EXPECT_EQ(label.top, 6);
    // The inverse of the dots: the nearest string and the fret space.
    const auto hit = HitFingerboard(g, 41, 75);
    ASSERT_TRUE(hit.has_value());
    EXPECT_EQ(hit->string, 2);
    EXPECT_EQ(hit->position, 3);
    EXPECT_EQ(HitFingerboard(g, 21, 10)->position, 0);
    EXPECT_FALSE(HitFingerboard(g, 140, 10).has_value());
    EXPECT_EQ(FretToPosition(0, 1), 0);
    EXPECT_EQ(FretToPosition(7, 5), 3);
    EXPECT_EQ(FretToPosition(-1, 5), -1);
}

TEST(StringsMultiPicture, DrawsDotsAndLabelModes) {
    CapturingReporter reporter;
    std::vector<FingerboardHit> hits;
    CStringsMultiPicture boards(reporter);
    CStringsMultiPicture::Handlers handlers;
    handlers.press = [&](int, const FingerboardHit& h) { hits.push_back(h); };
    const int index = boards.CreateFingerboard(QRect(0, 0, 140, 120), 1, 5, handlers, 6);
    const QImage& image = boards.Canvas(index).image();
    EXPECT_EQ(image.pixel(20, 10), qRgb(180, 180, 180));  // every string starts silent
    boards.SetFrets(index, {{-1, Qt::red}, {3, QColor(200, 0, 0)}, {2, QColor(200, 0, 0)},
                            {0, QColor(200, 0, 0)}, {1, QColor(200, 0, 0)}, {0, QColor(200, 0, 0)}});
    EXPECT_EQ(image.pixel(40, 74), qRgb(200, 0, 0));
    EXPECT_EQ(boards.FrettedPosition(index, 2), 3);
    boards.ClearFrets(index);
    EXPECT_EQ(boards.FrettedPosition(index, 2), -1);
    EXPECT_NE(image.pixel(40, 74), qRgb(200, 0, 0));

    auto greenPixels = [&] {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGreen(image.pixel(x, y)) > qRed(image.pixel(x, y)) + 40) ++n;  // label ink
        return n;
    };
    boards.SetLabel(index, 3, 1, "C");
    boards.SetLabel(index, 2, 4, "E");
    boards.DrawFingerboard(index);
    EXPECT_EQ(greenPixels(), 0);  // mode 0: no labels
    boards.SetLabelMode(index, LabelMode::All);
    boards.DrawFingerboard(index);
    const int all = greenPixels();
    EXPECT_GT(all, 0);
    boards.SetLabelMode(index, LabelMode::FrettedOnly);
    boards.SetFrets(index, {{-1, Qt::red}, {-1, Qt::red}, {-1, Qt::red}, {-1, Qt::red}, {2, Qt::red}, {-1, Qt::red}});
    const int fretted = greenPixels();
    EXPECT_GT(fretted, 0);
    EXPECT_LT(fretted, all);

    EXPECT_TRUE(boards.MousePress(index, 41, 75));
    ASSERT_EQ(hits.size(), 1U);
    EXPECT_EQ(hits[0].string, 2);
    boards.ClearFrets(3);
    EXPECT_EQ(reporter.lines(), std::vector<std::string>{"指板を描けませんでした。"});
}

TEST(OffScreenPicture, BlitCopiesTheClipAndZooms) {
    CapturingReporter reporter;
    COffScreenPicture picture(reporter, QRect(5, 5, 20, 10), QColor(10, 20, 30));
    EXPECT_EQ(picture.width(), 20);
    picture.image().setPixel(3, 4, qRgb(255, 0, 0));
    QImage screen(60, 40, QImage::Format_RGB32);
    screen.fill(Qt::white);
    {
        QPainter painter(&screen);
        picture.Blit(painter, QRect(0, 0, 0, 0));  // empty clip: nothing
    }
    EXPECT_EQ(screen.pixel(0, 0), qRgb(255, 255, 255));
    {
        QPainter painter(&screen);
        picture.Blit(painter, QRect(2, 2, 4, 4));
    }
    EXPECT_EQ(screen.pixel(3, 4), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(2, 2), qRgb(10, 20, 30));
    EXPECT_EQ(screen.pixel(1, 1), qRgb(255, 255, 255));
    screen.fill(Qt::white);
    {
        QPainter painter(&screen);
        picture.Blit(painter, QRect(0, 0, 20, 10), RasterOp::Copy, 2.0);
    }
    EXPECT_EQ(screen.pixel(6, 8), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(7, 9), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(39, 19), qRgb(10, 20, 30));
    EXPECT_EQ(screen.pixel(41, 21), qRgb(255, 255, 255));

    picture.Resize(QRect(0, 0, 8, 6));
    EXPECT_EQ(picture.width(), 8);
    EXPECT_EQ(picture.image().pixel(3, 4), qRgb(10, 20, 30));

    picture.ErrorMsg(1);
    picture.ErrorMsg(1);  // shown once
    picture.ErrorMsg(0);
    picture.ErrorMsg(1);  // cleared: shown again
    picture.ErrorMsg(5);
    EXPECT_EQ(reporter.lines(), (std::vector<std::string>{"OSPC00000001 描画エラー。", "OSPC00000001 描画エラー。",
                                                          "OSPC00000005 画面の描画でエラーが発生しました。"}));
}

}  // namespace
}  // namespace songloom::pictures
