#include <QPushButton>
#include <QTest>
#include <fstream>

#include "app/palettes/phrase_palette.h"
#include "common/general.h"
#include "palette_fixture.h"
#include "song/song_image.h"

namespace songloom::app::test {
namespace {

class PhrasePaletteTest : public PaletteTest {
protected:
    PhrasePaletteTest() : phrase(document.phrase()) { phrase.Reset(reporter, 4, 4, 0); }

    // A point in bar's cell over eighth slot.
    QPoint At(const PhrasePalette& palette, int bar, int slot) const
    {
        const QRect cell = palette.geometry().Cell(bar);
        return QPoint(cell.left() + slot * cell.width() / 8 + 2, cell.center().y());
    }
    bool Drop(PhrasePalette& palette, const QString& text, QPoint p)
    {
        return palette.DropText(text, p.x(), p.y());
    }

    song::SongData& phrase;  // the document's
};

TEST_F(PhrasePaletteTest, DropsChangeThePhrase)
{
    PhrasePalette palette(host);
    EXPECT_TRUE(Drop(palette, "chord:F", At(palette, 1, 2)));  // bar 1, beat 1
    EXPECT_EQ(phrase.ChordName(4), "C ");
    for (int beat = 5; beat < 8; ++beat) EXPECT_EQ(phrase.ChordName(beat), "F ");

    EXPECT_TRUE(Drop(palette, "note:60", At(palette, 2, 0)));
    EXPECT_EQ(phrase.melody[16].cell[0], 60);
    EXPECT_EQ(phrase.melody[17].cell[0], song::kHold);

    // A phrase bar copied onto another.
    EXPECT_TRUE(Drop(palette, "phrase:2", At(palette, 3, 5)));
    EXPECT_EQ(phrase.melody[24].cell[0], 60);

    // A bar of the score, copied in from the working song.
    song.SetNote(reporter, 7, 0, 71, 3, 0);
    EXPECT_TRUE(Drop(palette, "score:7", At(palette, 0, 0)));
    EXPECT_EQ(phrase.GetNote(0, 0, 0).value, 71);
    EXPECT_TRUE(reporter.reports().empty());
}

TEST_F(PhrasePaletteTest, UnknownAndTextlessDropsAreReported)
{
    PhrasePalette palette(host);
    const std::vector<std::uint8_t> before = song::BuildSongImage(phrase, 4, 0);
    EXPECT_TRUE(Drop(palette, "test", At(palette, 0, 0)));
    ASSERT_EQ(reporter.reports().size(), 1u);
    EXPECT_EQ(reporter.lines()[0], std::string(kPhraseDropRefused));
    EXPECT_FALSE(reporter.reports()[0].systemModal);
    EXPECT_FALSE(palette.DropText(std::nullopt, 300, 100));
    EXPECT_TRUE(reporter.Has("DRTG", 1));
    EXPECT_EQ(song::BuildSongImage(phrase, 4, 0), before);
}

TEST_F(PhrasePaletteTest, CellsDragTheirBar)
{
    PhrasePalette palette(host);
    const QPoint start = At(palette, 2, 3);
    QTest::mousePress(&palette, Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(0, 10)), QPointF(), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&palette, &move);
    EXPECT_EQ(drags, (std::vector<QString>{QStringLiteral("phrase:2")}));
    // A press on the row head starts nothing.
    QTest::mousePress(&palette, Qt::LeftButton, {}, palette.geometry().Head().center());
    QCoreApplication::sendEvent(&palette, &move);
    EXPECT_EQ(drags.size(), 1u);
}

TEST_F(PhrasePaletteTest, CommandsClearOpenSaveAndPlay)
{
    PhrasePalette palette(host);
    song.Reset(reporter, 12, 3, 1);  // the working song: 3/4 in G
    Drop(palette, "note:62", At(palette, 0, 0));

    chooserAnswer = dir.File("mine.pdt");
    QTest::mouseClick(palette.commandButton(14), Qt::LeftButton);
    ASSERT_TRUE(FileExists(dir.File("mine.pdt")));

    QTest::mouseClick(palette.commandButton(12), Qt::LeftButton);
    EXPECT_EQ(phrase.bars(), 4);
    EXPECT_EQ(phrase.beats(), 3);
    EXPECT_EQ(phrase.key(), 1);
    EXPECT_TRUE(phrase.IsUntouched());

    QTest::mouseClick(palette.commandButton(13), Qt::LeftButton);
    EXPECT_EQ(phrase.beats(), 4);
    EXPECT_EQ(phrase.melody[0].cell[0], 62);

    // A file that is no phrase leaves the phrase as it was; a cancelled
    // dialog does nothing.
    std::ofstream(dir.File("bad.pdt")) << "nothing";
    chooserAnswer = dir.File("bad.pdt");
    palette.Command(13);
    EXPECT_TRUE(reporter.Has("GENE", 0x0100000D));
    EXPECT_EQ(phrase.melody[0].cell[0], 62);
    chooserAnswer.reset();
    palette.Command(13);
    palette.Command(14);
    EXPECT_EQ(chooserCalls, (std::vector<bool>{true, false, false, false, true}));

    int plays = 0;
    QObject::connect(&palette, &PhrasePalette::playRequested, [&] { ++plays; });
    QTest::mouseClick(palette.commandButton(15), Qt::LeftButton);
    EXPECT_EQ(plays, 1);
}

TEST_F(PhrasePaletteTest, Tooltips)
{
    PhrasePalette palette(host);
    EXPECT_EQ(palette.ToolTipAt(At(palette, 1, 1)),
              QStringLiteral("コードパレットやキーボードパレットからドラッグ＆ドロップしてコードや音符を入力してください。"));
    EXPECT_EQ(palette.ToolTipAt(palette.geometry().Head().center()),
              QStringLiteral("フレーズを入力し、楽譜ウィンドウにドロップしてください。"));
    EXPECT_EQ(palette.ToolTipAt(palette.commandButton(12)->geometry().center()),
              QStringLiteral("すでに入力されている内容をクリアし、新しいフレーズを表示します。"));
    EXPECT_EQ(palette.commandButton(13)->toolTip(), QStringLiteral("保存してあるフレーズ・データを読み込みます。"));
    EXPECT_EQ(palette.commandButton(14)->toolTip(), QStringLiteral("フレーズ・データを保存します。"));
    EXPECT_EQ(palette.commandButton(15)->toolTip(), QStringLiteral("フレーズを再生します。"));
}

}  // namespace
}  // namespace songloom::app::test
