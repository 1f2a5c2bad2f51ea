#include <QComboBox>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/palettes/guitar_palette.h"
#include "app/palettes/keyboard_palette.h"
#include "palette_fixture.h"
#include "pictures/keyboard_picture.h"
#include "song/song_tables.h"

namespace songloom::app::test {
namespace {

class InstrumentTest : public PaletteTest {
protected:
    void Move(QWidget& w, QPoint to)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &move);
    }
    // The centre of the key of note, in the palette's coordinates.
    static QPoint KeyPoint(const KeyboardPalette& palette, int note)
    {
        for (const auto& key : palette.keyboard().Layout(0).keys) {
            if (key.note == note) {
                return palette.geometry().keyboard.topLeft() +
                       QPoint((key.left + key.right) / 2, key.black ? key.bottom / 2 : key.bottom - 5);
            }
        }
        return {};
    }
};

TEST_F(InstrumentTest, KeyboardKeysPreviewAndDragNotes)
{
    KeyboardPalette palette(host, {48, 83});
    std::vector<int> sounded;
    QObject::connect(&palette, &KeyboardPalette::notePressed, [&](int pitch) { sounded.push_back(pitch); });
    EXPECT_EQ(palette.keyboard().Layout(0).keys.size(), 36u);
    const QPoint c4 = KeyPoint(palette, 60);
    QTest::mousePress(&palette, Qt::LeftButton, {}, c4);
    QTest::mouseRelease(&palette, Qt::LeftButton, {}, c4);
    EXPECT_EQ(sounded, (std::vector<int>{60}));
    EXPECT_TRUE(drags.empty());

    const QPoint fSharp = KeyPoint(palette, 66);
    QTest::mousePress(&palette, Qt::LeftButton, {}, fSharp);
    Move(palette, fSharp + QPoint(0, 12));
    EXPECT_EQ(sounded.back(), 66);
    EXPECT_EQ(drags, (std::vector<QString>{QStringLiteral("note:66")}));
}

TEST_F(InstrumentTest, KeyboardToolsDragLengthsAndTheSplit)
{
    KeyboardPalette palette(host, {48, 83});
    int sounded = 0;
    QObject::connect(&palette, &KeyboardPalette::notePressed, [&](int) { ++sounded; });
    const std::array<std::pair<int, int>, 4> tools{{{0, 0}, {0, 1}, {1, 0}, {1, 1}}};
    for (const auto& [row, column] : tools) {
        const QPoint p = palette.geometry().Tool(row, column).center();
        QTest::mousePress(&palette, Qt::LeftButton, {}, p);
        Move(palette, p + QPoint(8, 0));
    }
    EXPECT_EQ(drags, (std::vector<QString>{"length:8", "length:4", "length:2", "note:-1"}));
    EXPECT_EQ(sounded, 0);  // tools sound nothing
    EXPECT_EQ(palette.ToolTipAt(palette.geometry().Tool(1, 1).center()),
              QStringLiteral("音符を区切りたい位置にドロップしてください。"));
    EXPECT_EQ(palette.ToolTipAt(palette.geometry().Tool(0, 0).center()),
              QStringLiteral("音を選択して、楽譜ウィンドウにドロップしてください。"));
    EXPECT_EQ(palette.ToolTipAt(KeyPoint(palette, 60)), palette.ToolTipAt(palette.geometry().Tool(0, 0).center()));
}

TEST_F(InstrumentTest, KeyboardFollowsTheRange)
{
    KeyboardPalette palette(host, {48, 83});
    palette.SetRange({60, 72});
    EXPECT_EQ(palette.range(), (KeyboardRange{60, 72}));
    const auto& keys = palette.keyboard().Layout(0).keys;
    ASSERT_EQ(keys.size(), 13u);
    EXPECT_EQ(keys.front().note, 60);
    EXPECT_EQ(keys.back().note, 72);
    const QImage painted = palette.PaintedImage();
    EXPECT_EQ(painted.size(), palette.size());
}

TEST(GuitarLogic, RootsFollowTheKeySignature)
{
    EXPECT_EQ(GuitarRootNames(0)[1], "C#");   // C major
    EXPECT_EQ(GuitarRootNames(2)[10], "A#");  // D major
    EXPECT_EQ(GuitarRootNames(8)[10], "Bb");  // F major: one flat
    EXPECT_EQ(GuitarRootNames(25)[3], "Eb");  // C minor
    EXPECT_EQ(GuitarRootNames(15)[8], "G#");  // A minor
}

TEST(GuitarLogic, EveryTypeFindsItsFingeringsButFour)
{
    const std::vector<std::string_view> none{"6", "9", "m6", "7b5"};
    for (int type = 0; type < song::kChordTypeCount; ++type) {
        const std::string_view suffix = song::ChordTypes[static_cast<std::size_t>(type)];
        const bool expectNone = std::find(none.begin(), none.end(), suffix) != none.end();
        for (int root = 0; root < 12; ++root) {
            EXPECT_EQ(GuitarFingerings(root, type).empty(), expectNone) << "root " << root << " type " << suffix;
        }
    }
    const auto c = GuitarFingerings(0, 0);
    ASSERT_GE(c.size(), 2u);
    EXPECT_EQ(c[0].frets, (std::array<int, 6>{0, 3, 2, 0, 1, 0}));
    EXPECT_EQ(c[1].frets, (std::array<int, 6>{-1, 3, 5, 5, 5, 3}));
    EXPECT_EQ(GuitarFingerings(2, 0)[0].frets[5], 2);  // D: F# on the top string
    EXPECT_TRUE(GuitarFingerings(1, 0)[0].name.starts_with("C#△/Db△"));
    EXPECT_TRUE(GuitarFingerings(10, 4)[0].name.starts_with("A#m7/"));
}

TEST(GuitarLogic, DroppedNamesAndFretWindows)
{
    EXPECT_EQ(GuitarChordOfName("Bbm7"), (std::pair{10, 4}));
    EXPECT_EQ(GuitarChordOfName("F#"), (std::pair{6, 0}));
    EXPECT_EQ(GuitarChordOfName("G"), (std::pair{7, 0}));
    EXPECT_EQ(GuitarChordOfName("Xm"), std::nullopt);
    EXPECT_EQ(FretWindow({"C△", {0, 3, 2, 0, 1, 0}}), (std::pair{1, 5}));
    EXPECT_EQ(FretWindow({"C△", {-1, 8, 10, 10, 10, 8}}), (std::pair{8, 12}));
    EXPECT_EQ(FretWindow({"x", {-1, 5, 10, 10, 10, -1}}), (std::pair{5, 10}));
}

TEST_F(InstrumentTest, GuitarPaletteShowsStrumsDragsAndTakesDrops)
{
    CapturingReporter r;
    song.Reset(r, 8, 4, 9);  // Bb major: flats
    GuitarPalette palette(host);
    EXPECT_EQ(palette.rootList()->count(), 12);
    EXPECT_EQ(palette.rootList()->itemText(10), QStringLiteral("Bb"));
    EXPECT_EQ(palette.typeList()->count(), 18);
    EXPECT_EQ(palette.Frets(), (std::array<int, 6>{0, 3, 2, 0, 1, 0}));
    EXPECT_EQ(palette.positionSpin()->minimum(), 1);
    EXPECT_EQ(palette.positionSpin()->maximum(), palette.positions());

    palette.positionSpin()->setValue(2);
    EXPECT_EQ(palette.Frets(), (std::array<int, 6>{-1, 3, 5, 5, 5, 3}));

    int strums = 0;
    QObject::connect(&palette, &GuitarPalette::strumRequested, [&] { ++strums; });
    QTest::mouseClick(palette.strumButton(), Qt::LeftButton);
    EXPECT_EQ(strums, 1);

    EXPECT_TRUE(palette.DropText(QStringLiteral("chord:D")));
    EXPECT_EQ(palette.rootList()->currentIndex(), 2);
    EXPECT_EQ(palette.typeList()->currentIndex(), 0);
    EXPECT_EQ(palette.positionSpin()->value(), 1);
    EXPECT_EQ(palette.Frets(), GuitarFingerings(2, 0)[0].frets);
    EXPECT_FALSE(palette.DropText(QStringLiteral("note:60")));
    EXPECT_FALSE(palette.DropText(std::nullopt));

    // A type without a fingering: nothing to show or strum.
    EXPECT_TRUE(palette.DropText(QStringLiteral("chord:Ebm6")));
    EXPECT_EQ(palette.positions(), 0);
    EXPECT_FALSE(palette.positionSpin()->isEnabled());
    EXPECT_EQ(palette.Frets(), (std::array<int, 6>{-1, -1, -1, -1, -1, -1}));

    palette.Choose(10, 4);  // Bbm7
    const QPoint p = palette.fingerboardRect().center();
    QTest::mousePress(&palette, Qt::LeftButton, {}, p);
    Move(palette, p + QPoint(10, 0));
    EXPECT_EQ(drags, (std::vector<QString>{QStringLiteral("chord:A#m7")}));
    EXPECT_TRUE(reporter.reports().empty());
}

}  // namespace
}  // namespace songloom::app::test
