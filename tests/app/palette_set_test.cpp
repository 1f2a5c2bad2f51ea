#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QSpinBox>
#include <QTest>
#include <cstdlib>
#include <fstream>

#include <QPushButton>

#include "app/palettes/chord_palette.h"
#include "app/palettes/chord_selector.h"
#include "app/palettes/guitar_palette.h"
#include "app/palettes/keyboard_palette.h"
#include "app/palettes/library_window.h"
#include "app/palettes/palette_set.h"
#include "app/palettes/phrase_palette.h"
#include "app/palettes/scale_selector.h"
#include "app/palettes/song_info_panel.h"
#include "arrange/style_catalogue.h"
#include "common/general.h"
#include "common/random.h"
#include "palette_fixture.h"

namespace songloom::app::test {
namespace {

class PaletteSetTest : public PaletteTest {
protected:
    PaletteSetTest()
    {
        Random random(7);
        arrange::StyleRecord active;
        arrange::BuildStyleCatalogue(random, catalogue, active);
    }
    std::unique_ptr<PaletteSet> Make()
    {
        return std::make_unique<PaletteSet>(host, catalogue, KeyboardRange{48, 83},
                                            [this](const std::string& path) { opened.push_back(path); });
    }
    arrange::StyleCatalogue catalogue;
    std::vector<std::string> opened;
};

TEST_F(PaletteSetTest, CommandsShowAndHideTheirWindows)
{
    auto set = Make();
    EXPECT_FALSE(set->guitarPalette().isVisible());
    QTest::mouseClick(set->chordPalette().guitarButton(), Qt::LeftButton);
    EXPECT_TRUE(set->guitarPalette().isVisible());
    set->ToggleGuitar();
    EXPECT_FALSE(set->guitarPalette().isVisible());
    QTest::mouseClick(set->chordPalette().scaleButton(), Qt::LeftButton);
    EXPECT_TRUE(set->scaleSelector().isVisible());
    set->ToggleLibrary();
    EXPECT_TRUE(set->library().isVisible());
    set->ToggleOptions();
    EXPECT_TRUE(set->options().isVisible());
    set->ShowSongInfo();
    EXPECT_TRUE(set->songInfo().isVisible());

    set->ShowStartUpPalettes();
    EXPECT_TRUE(set->phrasePalette().isVisible());
    EXPECT_TRUE(set->chordPalette().isVisible());
    EXPECT_TRUE(set->keyboardPalette().isVisible());
}

TEST_F(PaletteSetTest, SongChangesReachEveryWindow)
{
    auto set = Make();
    song::SongData other;
    other.Reset(reporter, 20, 3, 23);  // D minor, 3/4
    ASSERT_TRUE(other.Save(reporter, dir.File("other.sld")));
    ASSERT_TRUE(document.Open(dir.File("other.sld")));
    EXPECT_EQ(set->songInfo().barSpin()->value(), 20);
    EXPECT_EQ(set->scaleSelector().list()->count(), 3);
    EXPECT_EQ(set->chordPalette().list().rows()[0][0], "Dm");
    EXPECT_EQ(set->guitarPalette().rootList()->itemText(10), QStringLiteral("Bb"));
    EXPECT_EQ(set->ChordVoicing(0, 0), (std::vector<int>{62, 65, 69}));
    EXPECT_EQ(set->StrumFrets(), set->guitarPalette().Frets());

    // The scale selector's choice arrives at the chord palette.
    set->scaleSelector().Choose(1);
    RunPosted();
    EXPECT_EQ(set->chordPalette().list().rows()[0][2], "Faug");

    // The options' range reaches the keyboard.
    set->options().highSpin()->setValue(79);
    set->options().lowSpin()->setValue(55);
    EXPECT_EQ(set->keyboardPalette().range(), (KeyboardRange{55, 79}));

    // The selector's take button hands its choice to the chord palette.
    set->chordPalette().MenuAction({0, 0}, ChordMenuAction::kReplace);
    set->chordPalette().selector()->typeList()->setCurrentIndex(4);
    set->chordPalette().selector()->Take();
    RunPosted();
    EXPECT_EQ(set->chordPalette().list().At({0, 0}), "Cm7");

    // A new key (undone again) gives every window the list of its key.
    document.ChangeKey(2, [] { return song::KeyChangeAnswer::kTranspose; });
    EXPECT_EQ(set->chordPalette().list().rows()[0][0], "D");
    EXPECT_EQ(set->scaleSelector().list()->count(), 1);
    EXPECT_EQ(set->songInfo().keyList()->currentIndex(), 2);
    document.undoStack().undo();
    EXPECT_EQ(set->chordPalette().list().rows()[0][0], "Dm");
    EXPECT_EQ(set->songInfo().keyList()->currentIndex(), 23);

    EXPECT_TRUE(set->SaveChordList());
    EXPECT_TRUE(FileExists(dir.File("chord.txt")));
}

TEST_F(PaletteSetTest, PalettesAreArrangedClearOfTheMainWindow)
{
    const PaletteFrames sizes{QRect(0, 0, 880, 200), QRect(0, 0, 380, 120), QRect(0, 0, 700, 140),
                              QRect(0, 0, 220, 330)};
    const auto all = [](const PaletteFrames& f) { return std::array<QRect, 4>{f.phrase, f.chord, f.keyboard, f.guitar}; };
    // A large screen: nothing over the window, nothing over another palette.
    const QRect main(0, 0, 1016, 700);
    const QRect score(0, 60, 1008, 485);
    const QRect large(0, 0, 1600, 1200);
    const PaletteFrames placed = PlacePalettes(main, score, sizes, large);
    for (const QRect& r : all(placed)) {
        EXPECT_FALSE(r.intersects(main));
        EXPECT_TRUE(large.contains(r));
    }
    EXPECT_FALSE(placed.phrase.intersects(placed.keyboard));
    EXPECT_FALSE(placed.chord.intersects(placed.guitar));

    // 1366 x 768 with a window shrunk to leave room under it: the phrase and
    // keyboard palettes go there, everything stays on the screen and the
    // score's cells stay clear.
    const QRect small(0, 0, 1366, 740);
    const QRect shrunk(0, 0, 980, 380);
    const QRect cells(0, 60, 966, 280);
    const PaletteFrames fitted = PlacePalettes(shrunk, cells, sizes, small);
    for (const QRect& r : all(fitted)) {
        EXPECT_TRUE(small.contains(r)) << r.x() << "," << r.y();
    }
    EXPECT_FALSE(fitted.phrase.intersects(cells));
    EXPECT_FALSE(fitted.keyboard.intersects(cells));
    EXPECT_FALSE(fitted.chord.intersects(cells));

    // No room at all: still on the screen.
    const PaletteFrames crowded = PlacePalettes(QRect(0, 0, 1016, 700), score, sizes, QRect(0, 0, 1024, 768));
    for (const QRect& r : all(crowded)) EXPECT_TRUE(QRect(0, 0, 1024, 768).contains(r));
}

// Paints every palette; with SONGLOOM_SCREENSHOT_DIR set, the pictures are
// also written there as PNG files (one per window and one of them all).
TEST_F(PaletteSetTest, PalettesPaint)
{
    song.Reset(reporter, 8, 4, 15);
    auto set = Make();
    set->phrasePalette().DropText(QStringLiteral("chord:Am"), 80, 100);
    set->phrasePalette().DropText(QStringLiteral("note:69"), 80, 100);
    set->phrasePalette().DropText(QStringLiteral("note:72"), 80 + 100, 100);
    set->guitarPalette().Choose(9, 4);
    std::vector<std::pair<std::string, QWidget*>> windows{
        {"phrase", &set->phrasePalette()}, {"chord", &set->chordPalette()},  {"keyboard", &set->keyboardPalette()},
        {"guitar", &set->guitarPalette()}, {"songinfo", &set->songInfo()}, {"options", &set->options()},
        {"scale", &set->scaleSelector()},
    };
    int width = 0;
    int height = 0;
    std::vector<QImage> images;
    for (auto& [name, window] : windows) {
        window->show();
        window->adjustSize();
        QImage image = window->grab().toImage();
        ASSERT_FALSE(image.isNull()) << name;
        images.push_back(image);
        width = std::max(width, image.width());
        height += image.height() + 10;
    }
    // Chord buttons are drawn on black; the keyboard's white keys are white.
    const QImage& chord = images[1];
    EXPECT_EQ(chord.pixelColor(1, 1), QColor(0, 0, 0));
    const QRect am = ChordButtonRect(set->chordPalette().geometry(), {0, 0}, true);
    EXPECT_EQ(chord.pixelColor(am.left() + 3, am.top() + 3), QColor(210, 225, 225));
    const QImage& keyboard = images[2];
    const QRect keys = set->keyboardPalette().geometry().keyboard;
    EXPECT_EQ(keyboard.pixelColor(keys.left() + 4, keys.bottom() - 4), QColor(255, 255, 255));

    if (const char* out = std::getenv("SONGLOOM_SCREENSHOT_DIR")) {
        QImage all(width, height, QImage::Format_RGB32);
        all.fill(QColor(90, 90, 90));
        QPainter painter(&all);
        int y = 0;
        for (std::size_t i = 0; i < images.size(); ++i) {
            images[i].save(QString::fromStdString(std::string(out) + "/" + windows[i].first + ".png"));
            painter.drawImage(0, y, images[i]);
            y += images[i].height() + 10;
        }
        all.save(QString::fromStdString(std::string(out) + "/palettes.png"));
    }
}

}  // namespace
}  // namespace songloom::app::test
