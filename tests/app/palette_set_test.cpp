#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QSpinBox>
#include <cstdlib>
#include <fstream>

#include "app/palettes/chord_palette.h"
#include "app/palettes/chord_selector.h"
#include "app/palettes/guitar_palette.h"
#include "app/palettes/keyboard_palette.h"
#include "app/palettes/library_window.h"
#include "app/palettes/palette_set.h"
#include "app/palettes/phrase_pallet_dlg.h"
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
        phrase.Reset(reporter, 4, 4, 0);
        Random random(7);
        arrange::StyleRecord active;
        arrange::BuildStyleCatalogue(random, catalogue, active);
    }
    std::unique_ptr<PaletteSet> Make()
    {
        return std::make_unique<PaletteSet>(host, phrase, catalogue, KeyboardRange{48, 83},
                                            [this](const std::string& path) { opened.push_back(path); });
    }
    song::SongData phrase;
    arrange::StyleCatalogue catalogue;
    std::vector<std::string> opened;
};

TEST_F(PaletteSetTest, CommandsShowAndHideTheirWindows)
{
    auto set = Make();
    EXPECT_FALSE(set->guitarPalette().isVisible());
    EXPECT_TRUE(set->Command(16));
    EXPECT_TRUE(set->guitarPalette().isVisible());
    EXPECT_TRUE(set->Command(16));
    EXPECT_FALSE(set->guitarPalette().isVisible());
    EXPECT_TRUE(set->Command(17));
    EXPECT_TRUE(set->scaleSelector().isVisible());
    EXPECT_TRUE(set->Command(6));
    EXPECT_TRUE(set->library().isVisible());
    EXPECT_TRUE(set->Command(8));
    EXPECT_TRUE(set->options().isVisible());
    EXPECT_TRUE(set->Command(7));
    EXPECT_TRUE(set->songInfo().isVisible());
    EXPECT_FALSE(set->Command(15));  // the main window plays the phrase
    EXPECT_FALSE(set->Command(5));

    set->ShowStartUpPalettes();
    EXPECT_TRUE(set->phrasePalette().isVisible());
    EXPECT_TRUE(set->chordPalette().isVisible());
    EXPECT_TRUE(set->keyboardPalette().isVisible());
}

TEST_F(PaletteSetTest, SongChangesReachEveryWindow)
{
    auto set = Make();
    song.Reset(reporter, 20, 3, 23);  // D minor, 3/4
    set->SongChanged();
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

    set->HandleMessage(0x801C, 55, 79);
    EXPECT_EQ(set->keyboardPalette().range(), (KeyboardRange{55, 79}));
    EXPECT_EQ(set->options().lowSpin()->value(), 55);

    // Command 20 takes the chord selector's choice.
    set->chordPalette().MenuAction({0, 0}, ChordMenuAction::kReplace);
    set->chordPalette().selector()->typeList()->setCurrentIndex(4);
    EXPECT_TRUE(set->Command(20));
    RunPosted();
    EXPECT_EQ(set->chordPalette().list().At({0, 0}), "Cm7");

    EXPECT_TRUE(set->SaveChordList());
    EXPECT_TRUE(FileExists(dir.File("chord.txt")));
}

TEST_F(PaletteSetTest, PalettesAreArrangedClearOfTheMainWindow)
{
    auto set = Make();
    const QRect main(0, 0, 1000, 640);
    set->ArrangeAround(main, QSize(1600, 1200));
    for (QWidget* w : std::initializer_list<QWidget*>{&set->phrasePalette(), &set->chordPalette(),
                                                      &set->keyboardPalette(), &set->guitarPalette()}) {
        EXPECT_FALSE(w->frameGeometry().intersects(main)) << w->windowTitle().toStdString();
    }
    EXPECT_FALSE(set->phrasePalette().frameGeometry().intersects(set->keyboardPalette().frameGeometry()));
    // A small screen: the palettes stay on it.
    set->ArrangeAround(QRect(0, 0, 800, 560), QSize(1024, 768));
    EXPECT_LE(set->phrasePalette().frameGeometry().bottom(), 768);
    EXPECT_GE(set->keyboardPalette().y(), 0);
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
