#include <sys/stat.h>

#include <QComboBox>
#include <QPainter>
#include <cstdlib>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>
#include <QSpinBox>
#include <QToolButton>
#include <QPushButton>
#include <QScrollArea>

#include "app/palettes/chord_palette.h"
#include "app/palettes/guitar_palette.h"
#include "app/palettes/keyboard_palette.h"
#include "app/palettes/library_window.h"
#include "app/palettes/options_window.h"
#include "app/palettes/palette_set.h"
#include "app/palettes/phrase_palette.h"
#include "app/palettes/song_info_panel.h"
#include "app/main_messages.h"
#include "app_fixture.h"
#include "common/general.h"
#include "pictures/keyboard_picture.h"
#include "song/drop_payload.h"
#include "song/song_image.h"

namespace songloom::app::test {
namespace {

class PalettesOnWindowTest : public AppTest {
protected:
    PaletteSet& Attach() { return Start().palettes(); }
};

TEST_F(PalettesOnWindowTest, CommandsOfThePalettesReachThem)
{
    PaletteSet& set = Attach();
    window->commandButton(kCmdLibrary)->click();
    EXPECT_TRUE(set.library().isVisible());
    window->commandButton(kCmdOptions)->click();
    EXPECT_TRUE(set.options().isVisible());
    window->commandButton(kCmdSongInfo)->click();
    EXPECT_TRUE(set.songInfo().isVisible());
    set.chordPalette().guitarButton()->click();
    EXPECT_TRUE(set.guitarPalette().isVisible());
    EXPECT_TRUE(reporter.reports().empty());

    // The start-up message shows the three palettes a second later.
    ProcessEvents();
    QTest::qWait(1200);
    EXPECT_TRUE(set.phrasePalette().isVisible());
    EXPECT_TRUE(set.chordPalette().isVisible());
    EXPECT_TRUE(set.keyboardPalette().isVisible());

    // With SONGLOOM_SCREENSHOT_DIR set: the window and the three palettes as
    // shown after start-up, side by side in one picture.
    if (const char* out = std::getenv("SONGLOOM_SCREENSHOT_DIR")) {
        const std::array<QWidget*, 4> shown{window.get(), &set.phrasePalette(), &set.chordPalette(),
                                            &set.keyboardPalette()};
        std::vector<QImage> images;
        int width = 0;
        int height = 0;
        for (QWidget* w : shown) {
            images.push_back(w->grab().toImage());
            width = std::max(width, images.back().width());
            height += images.back().height() + 8;
        }
        QImage all(width, height, QImage::Format_RGB32);
        all.fill(QColor(90, 90, 90));
        QPainter painter(&all);
        int y = 0;
        for (const QImage& image : images) {
            painter.drawImage(0, y, image);
            y += image.height() + 8;
        }
        all.save(QString::fromStdString(std::string(out) + "/main_window_palettes.png"));
    }
}

TEST_F(PalettesOnWindowTest, OptionsChangeTheKeyboardAndTheSettings)
{
    PaletteSet& set = Attach();
    set.options().lowSpin()->setValue(80);
    ProcessEvents();
    EXPECT_EQ(window->settings().keyboardLow, 71);
    EXPECT_EQ(window->settings().keyboardHigh, 83);
    EXPECT_EQ(set.keyboardPalette().range(), (KeyboardRange{71, 83}));
}

TEST_F(PalettesOnWindowTest, SongInformationChangesTheSong)
{
    PaletteSet& set = Attach();
    SongInfoPanel& info = set.songInfo();
    info.ChooseTimeSignature(1);
    ProcessEvents();
    EXPECT_EQ(window->song().beats(), 3);

    info.barSpin()->setValue(24);
    ProcessEvents();
    EXPECT_EQ(window->song().bars(), 24);
    EXPECT_EQ(info.barSpin()->value(), 24);

    // An untouched song is transposed without a question.
    ASSERT_TRUE(window->song().IsUntouched());
    info.ChooseKey(1);  // G
    ProcessEvents();
    EXPECT_EQ(window->song().key(), 1);
    EXPECT_EQ(transposeQuestions, 0);
    EXPECT_EQ(set.chordPalette().list().rows()[0][0], "G");

    // A song with notes asks; "key signature only" keeps the notes.
    ASSERT_TRUE(DropOnCell(QStringLiteral("note:67"), 0, 0));
    transposeAnswer = song::KeyChangeAnswer::kSignatureOnly;
    info.ChooseKey(2);  // D
    ProcessEvents();
    EXPECT_EQ(transposeQuestions, 1);
    EXPECT_EQ(window->song().key(), 2);
    EXPECT_EQ(window->song().melody[0].cell[0], 67);
    transposeAnswer = song::KeyChangeAnswer::kTranspose;
    info.ChooseKey(0);  // C: down a whole tone
    ProcessEvents();
    EXPECT_EQ(transposeQuestions, 2);
    EXPECT_NE(window->song().melody[0].cell[0], 67);
    EXPECT_EQ(set.guitarPalette().rootList()->itemText(1), QStringLiteral("C#"));

    // Category and style set the tempo and the melody instrument.
    info.ChooseCategory(2);
    ProcessEvents();
    const arrange::StyleRecord* style = services->StyleOf(window->song());
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(window->song().info.category, 2);
    EXPECT_EQ(window->song().info.style, info.styleList()->itemData(0).toInt());
    EXPECT_EQ(window->song().info.tempo, StyleDefaultTempo(*style));
    EXPECT_EQ(window->song().info.instrument, StyleDefaultInstrument(*style));
    ASSERT_GE(info.styleList()->count(), 2);
    info.ChooseStyle(1);
    ProcessEvents();
    style = services->StyleOf(window->song());
    EXPECT_EQ(window->song().info.style, info.styleList()->itemData(1).toInt());
    EXPECT_EQ(window->song().info.tempo, StyleDefaultTempo(*style));
    EXPECT_EQ(window->tempoSlider()->value(), StyleDefaultTempo(*style));
}

// A four-bar song made only by drops from the palettes, played, saved and
// opened again.
TEST_F(PalettesOnWindowTest, FourBarSessionFromThePalettes)
{
    PaletteSet& set = Attach();
    ChordPalette& chords = set.chordPalette();
    window->document().SetBarCount(4);

    // Chords: each bar's button of the C major list dragged onto beat 0.
    const std::array<int, 4> buttons{0, 5, 3, 4};  // C Am F G
    for (int bar = 0; bar < 4; ++bar) {
        const QRect r = ChordButtonRect(chords.geometry(), {0, buttons[bar]}, true);
        QTest::mousePress(&chords, Qt::LeftButton, {}, r.center());
        QMouseEvent move(QEvent::MouseMove, QPointF(r.center() + QPoint(10, 0)), QPointF(), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&chords, &move);
        ASSERT_EQ(drags.size(), static_cast<std::size_t>(bar + 1));
        ASSERT_TRUE(DropOnCell(drags.back(), bar, 0));
    }
    // Notes from the keyboard palette: a quarter-note rhythm in bar 0 by the
    // split tool, whole notes elsewhere.
    KeyboardPalette& keys = set.keyboardPalette();
    const auto keyCentre = [&](int note) {
        for (const auto& k : keys.keyboard().Layout(0).keys) {
            if (k.note == note) return keys.geometry().keyboard.topLeft() + QPoint((k.left + k.right) / 2, k.bottom - 5);
        }
        return QPoint();
    };
    const auto dragFrom = [&](QPoint p) {
        QTest::mousePress(&keys, Qt::LeftButton, {}, p);
        QMouseEvent move(QEvent::MouseMove, QPointF(p + QPoint(0, 10)), QPointF(), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(&keys, &move);
        QTest::mouseRelease(&keys, Qt::LeftButton, {}, p);
        return drags.back();
    };
    const std::array<int, 4> pitches{60, 64, 65, 67};
    for (int bar = 0; bar < 4; ++bar) ASSERT_TRUE(DropOnCell(dragFrom(keyCentre(pitches[bar])), bar, 0));
    ASSERT_TRUE(DropOnCell(dragFrom(keys.geometry().Tool(1, 1).center()), 0, 4));  // split bar 0 in halves
    ASSERT_TRUE(DropOnCell(dragFrom(keyCentre(62)), 0, 4));
    ProcessEvents();

    const song::SongData& song = window->song();
    EXPECT_EQ(song.ChordName(0), "C ");
    EXPECT_EQ(song.ChordName(4), "Am");
    EXPECT_EQ(song.ChordName(12), "G ");
    EXPECT_EQ(song.melody[0].cell[0], 60);
    EXPECT_EQ(song.melody[4].cell[0], 62);
    EXPECT_EQ(song.melody[8].cell[0], 64);

    // A bar through the phrase palette: the phrase gets bar 3 of the score
    // and gives it back as bar 4.
    set.phrasePalette().DropText(PayloadToQString(song::ScorePayload(3)),
                                 set.phrasePalette().geometry().Cell(0).center().x(),
                                 set.phrasePalette().geometry().Cell(0).center().y());
    ProcessEvents();
    EXPECT_EQ(window->phrase().melody[0].cell[0], 67);
    set.phrasePalette().StartCellDrag(0);
    ASSERT_TRUE(DropOnCell(drags.back(), 4, 0));
    EXPECT_EQ(song.bars(), 5);
    EXPECT_EQ(song.melody[32].cell[0], 67);

    // Rendered and played, saved, opened again: the same song.
    window->Command(kCmdPlay);
    ASSERT_EQ(playback->played.size(), 1u);
    EXPECT_TRUE(FileExists(playback->played[0]));
    window->Command(kCmdPlay);
    const std::string path = WorkFile("session.sld");
    ASSERT_TRUE(window->SaveSongTo(path));
    const std::vector<std::uint8_t> saved = song::BuildSongImage(window->song(), window->song().beats(),
                                                                 window->song().key());
    reporter.ScriptAnswers({true});
    window->Command(kCmdClear);
    ASSERT_TRUE(window->OpenSongFile(path));
    EXPECT_EQ(song::BuildSongImage(window->song(), window->song().beats(), window->song().key()), saved);
    EXPECT_TRUE(reporter.reports().empty());
    // Cleared songs hold nothing to lose: opening asked no question.
    EXPECT_TRUE(saveQuestions.empty());
}

TEST_F(PalettesOnWindowTest, ChordListOfThePaletteIsWhatShutDownWrites)
{
    ASSERT_TRUE(WriteFileAtomically(WorkFile("chord.txt"), std::vector<std::uint8_t>{'C', ',', 'G', '\r', '\n'}));
    PaletteSet& set = Attach();
    EXPECT_EQ(set.chordPalette().list().rows(), (song::ListRows{{"C", "G"}}));
    set.chordPalette().list().Replace({0, 0}, "C7");
    // Shut-down writes chord.txt once, after data.dat and before phrase.pdt.
    const auto modified = [this](const char* name) {
        struct stat st {};
        stat(WorkFile(name).c_str(), &st);
        return std::pair{st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    };
    window->ShutDown();
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(WorkFile("chord.txt"), bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "C7,G\r\n");
    EXPECT_LE(modified("data.dat"), modified("chord.txt"));
    EXPECT_LE(modified("chord.txt"), modified("phrase.pdt"));
    EXPECT_LE(modified("phrase.pdt"), modified("setup.ini"));
    // Closing the window later writes nothing more.
    const auto chordWritten = modified("chord.txt");
    window.reset();
    EXPECT_EQ(modified("chord.txt"), chordWritten);
}

}  // namespace
}  // namespace songloom::app::test
