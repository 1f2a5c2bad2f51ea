#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "app/palettes/chord_palette.h"
#include "app/palettes/chord_selector.h"
#include "app/palettes/scale_selector.h"
#include "common/general.h"
#include "palette_fixture.h"
#include "song/song_tables.h"

namespace songloom::app::test {
namespace {

using Rows = song::ListRows;

TEST(ChordPaletteList, ReplaceAddAndDeleteKeepTheLimits)
{
    ChordPaletteList list;
    list.SetDefault(0, 0);
    EXPECT_TRUE(list.isDefault());
    EXPECT_EQ(list.romans().size(), 7u);

    EXPECT_TRUE(list.Replace({0, 1}, "D7"));
    EXPECT_FALSE(list.isDefault());  // an edited list has no degree captions
    EXPECT_TRUE(list.Add({0, 1}, "G7"));
    EXPECT_EQ(list.rows(), (Rows{{"C", "D7", "G7", "Em", "F", "G", "Am", "Bdim"}}));
    EXPECT_TRUE(list.Delete({0, 0}));
    EXPECT_EQ(list.rows()[0].front(), "D7");
    EXPECT_FALSE(list.Replace({3, 0}, "C"));
    EXPECT_FALSE(list.Delete({0, 7}));

    // A full row passes new entries to a row below, then to a new row, up to ten rows.
    while (list.rows()[0].size() < 16) list.Add({0, 0}, "x");
    EXPECT_TRUE(list.Add({0, 3}, "Am7"));
    ASSERT_EQ(list.rows().size(), 2u);
    EXPECT_EQ(list.rows()[1], (std::vector<std::string>{"Am7"}));
    // Deleting the only entry of a row removes the row.
    EXPECT_TRUE(list.Delete({1, 0}));
    EXPECT_EQ(list.rows().size(), 1u);
    for (int i = 0; i < 16 * 9; ++i) list.Add({0, 0}, "y");
    EXPECT_EQ(list.rows().size(), 10u);
    EXPECT_FALSE(list.Add({0, 0}, "z"));
    // Names are cut to 31 bytes.
    list.Replace({0, 0}, std::string(40, 'A'));
    EXPECT_EQ(list.At({0, 0}).size(), 31u);
}

class ChordPaletteTest : public PaletteTest {};

TEST_F(ChordPaletteTest, StartUpListComesFromChordTxtOrTheKey)
{
    CapturingReporter r;
    song.Reset(r, 8, 4, 16);  // E minor
    {
        ChordPalette palette(host);
        palette.LoadAtStartUp();
        EXPECT_EQ(palette.list().rows(), (Rows{{"Em", "F#dim", "G", "Am", "Bm", "C", "D"}}));
        EXPECT_EQ(palette.list().romans()[2], "bIII");
    }
    {
        std::ofstream(dir.File("chord.txt"), std::ios::binary) << "\"C,E\",G7,,Am\r\nF\r\n";
        ChordPalette palette(host);
        palette.LoadAtStartUp();
        EXPECT_EQ(palette.list().rows(), (Rows{{"C,E", "G7", "", "Am"}, {"F"}}));
        palette.list().Delete({1, 0});  // the row of F goes with its only chord
        palette.list().Replace({0, 2}, "Dm");
        ASSERT_TRUE(palette.SaveAtShutDown());
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(ReadWholeFile(dir.File("chord.txt"), bytes));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\"C,E\",G7,Dm,Am\r\n");
    }
    {
        // The default list written at shut-down comes back with its degrees.
        std::remove(dir.File("chord.txt").c_str());
        ChordPalette before(host);
        before.LoadAtStartUp();
        ASSERT_TRUE(before.SaveAtShutDown());
        ChordPalette after(host);
        after.LoadAtStartUp();
        EXPECT_TRUE(after.list().isDefault());
        EXPECT_EQ(after.list().romans(), before.list().romans());
        EXPECT_EQ(after.list().rows(), before.list().rows());
    }
    {
        std::ofstream(dir.File("chord.txt"), std::ios::binary) << "C,\"G\r\n";
        ChordPalette palette(host);
        palette.LoadAtStartUp();
        EXPECT_TRUE(reporter.Has("GNLL", 0x1E000002));
        EXPECT_TRUE(palette.list().isDefault());
        EXPECT_EQ(palette.list().rows()[0][0], "Em");
    }
}

TEST_F(ChordPaletteTest, PressPreviewsAndMovingDragsTheChord)
{
    ChordPalette palette(host);
    std::vector<std::pair<int, int>> pressed;
    QObject::connect(&palette, &ChordPalette::chordPressed,
                     [&](int row, int column) { pressed.emplace_back(row, column); });
    using Pressed = std::vector<std::pair<int, int>>;
    const QRect em = ChordButtonRect(palette.geometry(), {0, 2}, true);
    QTest::mousePress(&palette, Qt::LeftButton, {}, em.center());
    QTest::mouseRelease(&palette, Qt::LeftButton, {}, em.center());
    EXPECT_TRUE(drags.empty());
    EXPECT_EQ(pressed, (Pressed{{0, 2}}));
    EXPECT_EQ(palette.PreviewNotes(0, 2), (std::vector<int>{64, 67, 71}));

    pressed.clear();
    QTest::mousePress(&palette, Qt::LeftButton, {}, em.center());
    QMouseEvent move(QEvent::MouseMove, QPointF(em.center() + QPoint(12, 0)), QPointF(), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&palette, &move);
    ASSERT_EQ(drags.size(), 1u);
    EXPECT_EQ(drags[0], QStringLiteral("chord:Em"));
    EXPECT_EQ(pressed, (Pressed{{0, 2}}));

    // Between buttons and beyond the row nothing starts.
    pressed.clear();
    QTest::mousePress(&palette, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseRelease(&palette, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_TRUE(pressed.empty());
}

TEST_F(ChordPaletteTest, MenuEditsThroughTheChordSelector)
{
    ChordPalette palette(host);
    ChordSelector& selector = *palette.selector();

    palette.MenuAction({0, 1}, ChordMenuAction::kReplace);
    EXPECT_TRUE(selector.isVisible());
    EXPECT_TRUE(selector.replacing());
    selector.rootList()->setCurrentIndex(2);   // D
    selector.typeList()->setCurrentIndex(2);   // 7
    QTest::mouseClick(selector.takeButton(), Qt::LeftButton);
    EXPECT_FALSE(selector.isVisible());
    RunPosted();
    EXPECT_EQ(palette.list().At({0, 1}), "D7");

    palette.MenuAction({0, 1}, ChordMenuAction::kAdd);
    EXPECT_FALSE(selector.replacing());
    selector.rootList()->setCurrentIndex(10);  // A#
    selector.typeList()->setCurrentIndex(13);  // m7b5
    selector.Take();
    RunPosted();
    EXPECT_EQ(palette.list().rows()[0], (std::vector<std::string>{"C", "D7", "A#m7b5", "Em", "F", "G", "Am", "Bdim"}));

    palette.MenuAction({0, 0}, ChordMenuAction::kDelete);
    EXPECT_EQ(palette.list().At({0, 0}), "D7");

    // Double-click: a name typed in place (one the lists do not offer).
    palette.EditName({0, 0});
    ASSERT_FALSE(palette.nameEditor()->isHidden());
    palette.nameEditor()->setText(QStringLiteral("Dadd9"));
    emit palette.nameEditor()->editingFinished();
    EXPECT_EQ(palette.list().At({0, 0}), "Dadd9");
    EXPECT_TRUE(palette.nameEditor()->isHidden());
}

TEST_F(ChordPaletteTest, ScaleSelectorChoosesTheDefaultList)
{
    CapturingReporter r;
    song.Reset(r, 8, 4, 15);  // A minor
    ChordPalette palette(host);
    ScaleSelector scales([&](int entry) {
        QMetaObject::invokeMethod(
            &palette, [&, entry] { palette.ChooseScale(entry); },
            Qt::QueuedConnection);
    });
    scales.Refill(song.key());
    ASSERT_EQ(scales.list()->count(), 3);
    EXPECT_EQ(scales.list()->currentRow(), 0);
    scales.Choose(1);
    RunPosted();
    EXPECT_EQ(palette.list().rows()[0], (std::vector<std::string>{"Am", "Bdim", "Caug", "Dm", "E", "F", "G#dim"}));
    scales.Choose(2);
    RunPosted();
    EXPECT_EQ(palette.list().rows()[0].size(), 10u);
    EXPECT_EQ(palette.list().scale(), 12);

    song.Reset(r, 8, 4, 1);  // G major: one scale, refilled silently
    scales.Refill(song.key());
    EXPECT_EQ(scales.list()->count(), 1);
    scales.Choose(0);
    RunPosted();
    EXPECT_EQ(palette.list().rows()[0][0], "G");
}

TEST_F(ChordPaletteTest, GuitarAndScaleButtonsAskForTheirWindows)
{
    ChordPalette palette(host);
    std::vector<std::string> asked;
    QObject::connect(&palette, &ChordPalette::guitarRequested, [&] { asked.push_back("guitar"); });
    QObject::connect(&palette, &ChordPalette::scaleRequested, [&] { asked.push_back("scale"); });
    QTest::mouseClick(palette.guitarButton(), Qt::LeftButton);
    QTest::mouseClick(palette.scaleButton(), Qt::LeftButton);
    EXPECT_EQ(asked, (std::vector<std::string>{"guitar", "scale"}));
    EXPECT_EQ(palette.ToolTipAt({5, 5}), QStringLiteral("コードをドラッグして、楽譜ウィンドウにドロップしてください。"));
}

}  // namespace
}  // namespace songloom::app::test
