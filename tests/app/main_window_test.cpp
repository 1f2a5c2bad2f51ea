#include "app/main_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <set>

#include "app/bar_edit_window.h"
#include "app/main_messages.h"
#include "app/palettes/palette_set.h"
#include "app/palettes/song_info_panel.h"
#include "app/score_view.h"
#include "app/sound_preview.h"
#include <QTextBrowser>
#include "app_fixture.h"
#include "support/smf_builder.h"
#include "song/song_image.h"

namespace songloom::app::test {
namespace {

bool HasText(const CapturingReporter& reporter, std::string_view text)
{
    for (const auto& r : reporter.reports()) {
        if (r.message == text) return true;
    }
    return false;
}

int CountText(const CapturingReporter& reporter, std::string_view text)
{
    int n = 0;
    for (const auto& r : reporter.reports()) n += r.message == text ? 1 : 0;
    return n;
}

void WriteSettings(const std::string& path, int low, int high, const std::string& file = {})
{
    SetupSettings s;
    s.currentFile = file;
    s.keyboardLow = low;
    s.keyboardHigh = high;
    const auto image = EncodeSettings(s);
    ASSERT_TRUE(WriteFileAtomically(path, image));
}

timespec ModifiedAt(const std::string& path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mtim;
}

bool NotAfter(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec <= b.tv_nsec);
}

// ---- start-up and shut-down ------------------------------------------------

TEST_F(AppTest, StartsWithoutSettingsAndWritesEveryFileAtShutDown)
{
    MainWindow& w = Start();
    EXPECT_TRUE(w.initialised());
    EXPECT_EQ(w.settings().keyboardLow, 48);
    EXPECT_EQ(w.settings().keyboardHigh, 83);
    EXPECT_EQ(w.document().DisplayName(), QStringLiteral("無題"));
    EXPECT_FALSE(w.isWindowModified());
    EXPECT_EQ(w.song().bars(), 8);
    EXPECT_EQ(w.song().beats(), 4);
    EXPECT_EQ(w.phrase().bars(), 4);
    EXPECT_EQ(w.page(), 0);
    EXPECT_TRUE(w.score().selection().Empty());
    EXPECT_EQ(w.scrollBar()->minimum(), 0);
    EXPECT_EQ(w.scrollBar()->maximum(), 1);
    EXPECT_EQ(w.tempoSlider()->minimum(), 40);
    EXPECT_EQ(w.tempoSlider()->maximum(), 240);
    EXPECT_EQ(w.instrumentList()->count(), static_cast<int>(MelodyInstrumentEntries().size()));
    EXPECT_TRUE(reporter.reports().empty()) << reporter.lines().front();

    // Start-up shows the picture for a second.
    ProcessEvents();
    EXPECT_TRUE(w.startUpPicture()->isVisible());

    // Shut-down writes data.dat, chord.txt, phrase.pdt and setup.ini, in
    // that order, once.
    w.tempoSlider()->setValue(150);
    w.ShutDown();
    const timespec chordWritten = ModifiedAt(WorkFile("chord.txt"));
    w.ShutDown();  // runs once
    EXPECT_EQ(FileSize(reporter, WorkFile("setup.ini")), 268u);
    EXPECT_EQ(FileSize(reporter, WorkFile("data.dat")), song::kSongImageSize);
    EXPECT_EQ(FileSize(reporter, WorkFile("phrase.pdt")), song::kSongImageSize);
    EXPECT_TRUE(NotAfter(ModifiedAt(WorkFile("data.dat")), chordWritten));
    EXPECT_TRUE(NotAfter(chordWritten, ModifiedAt(WorkFile("phrase.pdt"))));
    EXPECT_TRUE(NotAfter(ModifiedAt(WorkFile("phrase.pdt")), ModifiedAt(WorkFile("setup.ini"))));
    EXPECT_EQ(ModifiedAt(WorkFile("chord.txt")).tv_nsec, chordWritten.tv_nsec);
    window.reset();

    // The tempo of the slider at exit is the song's tempo at the next start.
    MainWindow& again = Start();
    EXPECT_EQ(again.song().info.tempo, 150);
    EXPECT_EQ(again.tempoSlider()->value(), 150);
    EXPECT_EQ(again.tempoBox()->text(), QStringLiteral("150"));
}

TEST_F(AppTest, SettingsOutOfRangeAreRepairedWithOneMessageEach)
{
    const std::string text = std::string(MainMessageText(main_message::kBadSettings));
    WriteSettings(WorkFile("setup.ini"), -5, 200, "/songs/a.sld");
    {
        MainWindow& w = Start();
        EXPECT_EQ(CountText(reporter, text), 2);
        EXPECT_EQ(w.settings().keyboardLow, 48);
        EXPECT_EQ(w.settings().keyboardHigh, 83);
        // A song file that is gone is no longer the current file.
        EXPECT_EQ(w.document().DisplayName(), QStringLiteral("無題"));
        EXPECT_TRUE(w.settings().currentFile.empty());
        window.reset();
    }
    reporter.Clear();
    WriteSettings(WorkFile("setup.ini"), 60, 50);
    {
        MainWindow& w = Start();
        EXPECT_EQ(CountText(reporter, text), 1);
        EXPECT_EQ(w.settings().keyboardLow, 60);
        EXPECT_EQ(w.settings().keyboardHigh, 72);
        window.reset();
    }
    // The repaired values are what shut-down writes back.
    EXPECT_EQ(LoadSettings(WorkFile("setup.ini")).keyboardHigh, 72);
    reporter.Clear();
    WriteSettings(WorkFile("setup.ini"), 36, 96);
    Start();
    EXPECT_TRUE(reporter.reports().empty());
    EXPECT_EQ(window->settings().keyboardLow, 36);
}

TEST_F(AppTest, WorkingSongComesFromTheWorkingFolder)
{
    song::SongData song;
    song.Reset(reporter, 20, 3, 1);  // G major, 3/4
    song.info.tempo = 90;
    ASSERT_TRUE(song.Save(reporter, WorkFile("data.dat")));
    MainWindow& w = Start();
    EXPECT_EQ(w.song().bars(), 20);
    EXPECT_EQ(w.song().beats(), 3);
    EXPECT_EQ(w.song().key(), 1);
    EXPECT_EQ(w.tempoSlider()->value(), 90);
    EXPECT_EQ(w.scrollBar()->maximum(), 2);
}

// ---- commands without dialogs ------------------------------------------------

TEST_F(AppTest, ClearAsksAndResetsOnlyOnOk)
{
    MainWindow& w = Start();
    ASSERT_TRUE(DropOnCell(QStringLiteral("note:60"), 0));
    ASSERT_TRUE(w.SaveSongTo(WorkFile("kept.sld")));
    EXPECT_EQ(w.document().DisplayName(), QStringLiteral("kept.sld"));
    EXPECT_FALSE(w.isWindowModified());

    reporter.ScriptAnswers({false, true});
    w.Command(kCmdClear);
    EXPECT_EQ(reporter.questions().back(), "曲をクリアしますか？");
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, 60);

    w.Command(kCmdClear);
    EXPECT_EQ(reporter.questions().size(), 2u);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, song::kRest);
    EXPECT_EQ(w.song().bars(), 8);
    EXPECT_EQ(w.document().DisplayName(), QStringLiteral("無題"));
    EXPECT_FALSE(w.isWindowModified());
    EXPECT_TRUE(w.settings().currentFile.empty());
    // Tempo and instrument come from the chosen style.
    const arrange::StyleRecord* style = services->StyleOf(w.song());
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(w.song().info.tempo, std::clamp(StyleDefaultTempo(*style), 40, 240));
}

TEST_F(AppTest, PlayTogglesAndTheEndCallbackResetsTheWindow)
{
    MainWindow& w = Start();
    w.Command(kCmdPlay);
    ASSERT_EQ(rendered.size(), 1u);
    EXPECT_EQ(rendered[0], WorkFile("play.mid"));
    ASSERT_EQ(playback->played.size(), 1u);
    EXPECT_TRUE(w.songPlaying());
    EXPECT_FALSE(w.tempoSlider()->isEnabled());
    EXPECT_EQ(playback->previewCloses, 1);

    // Positions arrive from the player's thread as queued calls.
    playback->position(4 * 96 * 3 + 10);
    ProcessEvents();
    EXPECT_EQ(w.score().playingBar(), 3);

    // The phrase does not start while the song plays.
    w.PlayPhrase();
    EXPECT_EQ(playback->played.size(), 1u);
    EXPECT_FALSE(w.phrasePlaying());

    w.Command(kCmdPlay);
    EXPECT_FALSE(w.songPlaying());
    EXPECT_EQ(playback->stops, 1);
    EXPECT_TRUE(w.tempoSlider()->isEnabled());
    EXPECT_EQ(w.score().playingBar(), -1);

    w.Command(kCmdPlay);
    EXPECT_TRUE(w.songPlaying());
    playback->end();
    ProcessEvents();
    EXPECT_FALSE(w.songPlaying());
    EXPECT_TRUE(w.tempoSlider()->isEnabled());
    EXPECT_EQ(playback->stops, 1);
}

TEST_F(AppTest, PlayingBarIsMarkedAndThePageFollowsIt)
{
    MainWindow& w = Start();
    ProcessEvents();
    w.document().SetBarCount(32);
    w.Command(kCmdPlay);
    const QRect cell0(CellRect(0).x, CellRect(0).y, CellRect(0).width, CellRect(0).height);
    auto tinted = [&](const QImage& image, const QRect& r) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                if (image.pixelColor(x, y) == QColor(255, 200, 200)) return true;
            }
        }
        return false;
    };
    playback->position(96);  // bar 1 on page 0
    ProcessEvents();
    EXPECT_TRUE(tinted(w.score().PaintedImage(), cell0));
    playback->position(16 * 4 * 96);  // bar 17 (1-based): the page turns
    ProcessEvents();
    EXPECT_EQ(w.score().playingBar(), 16);
    EXPECT_EQ(w.page(), 1);
    EXPECT_EQ(w.scrollBar()->value(), 1);
    EXPECT_EQ(w.pageLabel()->text(), QStringLiteral("2 / 2 ページ　32 小節"));
    EXPECT_TRUE(tinted(w.score().PaintedImage(), cell0));
    // Paged back by hand, the mark is not on the page shown.
    w.Scroll(ScrollCode::kLineLeft);
    EXPECT_FALSE(tinted(w.score().PaintedImage(), cell0));
}

TEST_F(AppTest, FailedRenderingLeavesTheWindowIdle)
{
    MainWindow& w = Start();
    renderResult = false;
    w.Command(kCmdPlay);
    EXPECT_FALSE(w.songPlaying());
    EXPECT_TRUE(playback->played.empty());
    renderResult = true;
    playback->playResult = false;
    w.Command(kCmdPlay);
    EXPECT_FALSE(w.songPlaying());
    EXPECT_TRUE(w.tempoSlider()->isEnabled());
}

TEST_F(AppTest, PhrasePlayRepairsAMissingTempo)
{
    MainWindow& w = Start();
    EditSong([](song::SongData& s) { s.info.tempo = 0; });
    w.PlayPhrase();
    EXPECT_TRUE(HasText(reporter, MainMessageText(main_message::kTempoRepaired)));
    EXPECT_EQ(w.tempoSlider()->value(), 40);
    EXPECT_EQ(w.song().info.tempo, 40);
    ASSERT_EQ(rendered.size(), 1u);
    EXPECT_EQ(rendered[0], WorkFile("phrase.mid"));
    EXPECT_TRUE(w.phrasePlaying());
    w.Command(kCmdPlay);  // ignored while the phrase plays
    EXPECT_FALSE(w.songPlaying());
    playback->end();
    ProcessEvents();
    EXPECT_FALSE(w.phrasePlaying());
}

TEST_F(AppTest, BarEditingPanelOpensWithTheSelectionAndAppliesWithUndo)
{
    MainWindow& w = Start();
    w.score().ClickCell(1, false);
    w.score().ClickCell(2, true);
    w.Command(kCmdBarEdit);
    ASSERT_NE(w.barEditWindow(), nullptr);
    EXPECT_TRUE(w.barEditWindow()->isVisible());
    EXPECT_EQ(w.barEditWindow()->startSpin()->value(), 2);
    EXPECT_EQ(w.barEditWindow()->endSpin()->value(), 3);
    EXPECT_EQ(w.barEditWindow()->insertAtSpin()->value(), 4);

    w.barEditWindow()->applyButton()->click();  // copy bars 2-3 to 4
    EXPECT_EQ(w.song().bars(), 10);
    EXPECT_EQ(w.scrollBar()->maximum(), 1);
    // The panel's undo button is the window's undo, naming the step.
    EXPECT_EQ(w.barEditWindow()->undoButton()->toolTip(), QStringLiteral("元に戻す コピー（小節の編集）"));
    w.barEditWindow()->undoButton()->click();
    EXPECT_EQ(w.song().bars(), 8);
    w.redoAction()->trigger();
    EXPECT_EQ(w.song().bars(), 10);
    w.undoAction()->trigger();

    // The operation list hides the insert-at bar for delete.
    w.barEditWindow()->operationList()->setCurrentIndex(3);
    EXPECT_FALSE(w.barEditWindow()->insertAtSpin()->isVisible());
    w.barEditWindow()->applyButton()->click();
    EXPECT_EQ(w.song().bars(), 6);
}

TEST_F(AppTest, HelpShowsInItsOwnWindowAndQuitClosesAfterAPause)
{
    MainWindow& w = Start();
    w.Command(kCmdHelp);
    ASSERT_NE(w.helpWindow(), nullptr);
    EXPECT_TRUE(w.helpWindow()->isVisible());
    const QString opened = w.helpWindow()->source().toLocalFile();
    EXPECT_TRUE(opened.endsWith(QStringLiteral("help/index.html"))) << opened.toStdString();
    EXPECT_TRUE(QFile::exists(opened));
    EXPECT_FALSE(w.helpWindow()->toPlainText().isEmpty());

    w.show();
    w.Command(kCmdQuit);
    EXPECT_TRUE(w.quitRequested());
    EXPECT_TRUE(w.isVisible());
    QTest::qWait(700);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(AppTest, ButtonsCarryTheirTooltips)
{
    MainWindow& w = Start();
    EXPECT_EQ(w.commandButton(kCmdQuit)->toolTip(), QStringLiteral("Songloomを終了します。"));
    EXPECT_EQ(w.commandButton(kCmdPlay)->toolTip(), QStringLiteral("指定された音楽スタイルで曲を再生します。"));
    // Every button has its own text, none the scroll bar's.
    std::set<QString> tips;
    for (int c = 0; c <= kCmdQuit; ++c) {
        EXPECT_FALSE(w.commandButton(c)->icon().isNull()) << c;
        EXPECT_NE(w.commandButton(c)->toolTip(), QString::fromUtf8(kTipOther.data())) << c;
        tips.insert(w.commandButton(c)->toolTip());
    }
    EXPECT_EQ(tips.size(), 12u);
    EXPECT_EQ(w.commandButton(kCmdImport)->toolTip(), QString::fromUtf8(kTipImport.data()));
}

// ---- drops -----------------------------------------------------------------------

TEST_F(AppTest, EveryPayloadKindDropsOntoACell)
{
    MainWindow& w = Start();
    const song::SongData& s = w.song();
    ASSERT_TRUE(DropOnCell(QStringLiteral("note:60"), 0, 0));
    EXPECT_EQ(s.GetNote(0, 0, 0).value, 60);
    EXPECT_EQ(s.GetNote(0, 0, 0).sixteenths, 16);

    DropOnCell(QStringLiteral("note:64"), 1, 6);
    EXPECT_EQ(s.GetNote(1, 6, 0).value, 64);
    EXPECT_EQ(s.GetNote(1, 6, 0).sixteenths, 4);

    DropOnCell(QStringLiteral("chord:F"), 2, 2);
    EXPECT_EQ(s.ChordName(8), "C ");
    for (int beat = 9; beat < 12; ++beat) EXPECT_EQ(s.ChordName(beat), "F ");

    // A length over a rest changes nothing.
    const auto before = s.melody;
    const int steps = w.document().undoStack().count();
    DropOnCell(QStringLiteral("length:4"), 3, 0);
    EXPECT_EQ(s.melody, before);
    EXPECT_EQ(w.document().undoStack().count(), steps);  // and leaves no step

    // A bar of the score onto another cell.
    DropOnCell(QStringLiteral("score:0"), 4);
    EXPECT_EQ(s.GetNote(4, 0, 0).value, 60);

    // A phrase bar.
    w.phrase().SetNote(reporter, 0, 0, 72, 3, 0);
    DropOnCell(QStringLiteral("phrase:0"), 5);
    EXPECT_EQ(s.GetNote(5, 0, 0).value, 72);

    // An unknown keyword says what went wrong, not a class name.
    DropOnCell(QStringLiteral("hello"), 0);
    EXPECT_TRUE(HasText(reporter, MainMessageText(main_message::kUnknownDrop)));
    for (const auto& line : reporter.lines()) EXPECT_EQ(line.find("Dlg"), std::string::npos) << line;

    // The display follows: cell 0 is no longer the empty staff of cell 6.
    const QImage image = w.score().PaintedImage();
    EXPECT_FALSE(image.copy(CellRect(0).x, CellRect(0).y, CellRect(0).width, CellRect(0).height) ==
                 image.copy(CellRect(6).x, CellRect(6).y, CellRect(6).width, CellRect(6).height));
    // Each drop that changed the song is one named step.
    EXPECT_EQ(w.document().undoStack().count(), 5);
    EXPECT_EQ(w.document().undoStack().text(0), QStringLiteral("音符の入力"));
    EXPECT_EQ(w.document().undoStack().text(2), QStringLiteral("コードの入力"));
    EXPECT_EQ(w.document().undoStack().text(4), QStringLiteral("フレーズの入力"));
}

TEST_F(AppTest, NeighbouringBarsShareOneBarLine)
{
    MainWindow& w = Start();
    const QImage image = w.score().PaintedImage();
    const auto blackColumnsAround = [&](int x0, int y) {
        int n = 0;
        for (int x = x0 - 5; x <= x0 + 5; ++x) n += image.pixelColor(x, y) == QColor(0, 0, 0) ? 1 : 0;
        return n;
    };
    const int y = CellRect(0).y + CellRect(0).height / 2;
    for (int cell : {1, 2, 3, 5}) EXPECT_EQ(blackColumnsAround(CellRect(cell).x, y), 1) << cell;
    // No line between the key signature and the first bar of a row.
    EXPECT_EQ(blackColumnsAround(CellRect(4).x, CellRect(4).y + CellRect(4).height / 2), 0);
}

TEST_F(AppTest, DataWithoutTextIsRefusedWithTheDropTargetMessage)
{
    MainWindow& w = Start();
    const auto before = w.song().melody;
    EXPECT_FALSE(w.score().DropText(std::nullopt, CellPoint(0).x(), CellPoint(0).y()));
    ASSERT_TRUE(reporter.Has("DRTG", 1));
    EXPECT_EQ(reporter.lines().back(), "DRTG00000001 この形式はサポートしていません");
    EXPECT_EQ(w.song().melody, before);
    EXPECT_EQ(w.document().undoStack().count(), 0);
}

TEST_F(AppTest, UndoAndRedoStepThroughDrops)
{
    MainWindow& w = Start();
    const auto melody = w.song().melody;
    const auto chords = w.song().chords;
    DropOnCell(QStringLiteral("note:67"), 2, 4);
    DropOnCell(QStringLiteral("chord:Am7"), 3, 0);
    ASSERT_NE(w.song().chords, chords);
    EXPECT_EQ(w.undoAction()->toolTip(), QStringLiteral("元に戻す コードの入力"));
    w.undoAction()->trigger();  // the chord drop
    EXPECT_EQ(w.song().chords, chords);
    EXPECT_NE(w.song().melody, melody);
    EXPECT_EQ(w.redoAction()->toolTip(), QStringLiteral("やり直す コードの入力"));
    // A miss makes no step: the next undo is the note.
    w.score().DropText(QStringLiteral("note:60"), 2, 2);
    w.undoAction()->trigger();
    EXPECT_EQ(w.song().melody, melody);
    EXPECT_FALSE(w.undoAction()->isEnabled());
    w.redoAction()->trigger();
    w.redoAction()->trigger();
    EXPECT_NE(w.song().chords, chords);
    EXPECT_NE(w.song().melody, melody);
    // The keys: Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z.
    EXPECT_EQ(w.undoAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_TRUE(w.redoAction()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
    EXPECT_TRUE(w.redoAction()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
}

TEST_F(AppTest, DropBeyondTheSongGrowsIt)
{
    MainWindow& w = Start();
    w.document().SetBarCount(16);
    w.Scroll(ScrollCode::kLineRight);
    ASSERT_EQ(w.page(), 1);
    DropOnCell(QStringLiteral("note:62"), 3);
    EXPECT_EQ(w.song().bars(), 20);
    EXPECT_EQ(w.song().GetNote(19, 0, 0).value, 62);
    EXPECT_EQ(w.scrollBar()->maximum(), 2);
}

TEST_F(AppTest, DragOverShowsABandByPayload)
{
    Start();
    ScoreView& w = window->score();
    const int eighth = CellRect(0).width / 8;
    w.DragOverText(QStringLiteral("note:60"), CellPoint(1, 3).x(), CellPoint(1, 3).y());
    ASSERT_TRUE(w.dragBand().has_value());
    EXPECT_EQ(*w.dragBand(), (song::HighlightBand{1, 3 * eighth, 4 * eighth}));
    w.DragOverText(QStringLiteral("chord:G"), CellPoint(1, 3).x(), CellPoint(1, 3).y());
    EXPECT_EQ(*w.dragBand(), (song::HighlightBand{1, 2 * eighth, 4 * eighth}));
    w.DragOverText(QStringLiteral("score:0"), CellPoint(7, 3).x(), CellPoint(7, 3).y());
    EXPECT_EQ(w.dragBand()->cell, 7);
    EXPECT_EQ(w.dragBand()->from, 0);
    const QImage image = w.PaintedImage();
    EXPECT_EQ(image.pixelColor(CellRect(7).x + 3, CellRect(7).y + 2), QColor(200, 255, 200));
    w.DragLeft();
    EXPECT_FALSE(w.dragBand().has_value());
    // The drop itself clears the band.
    w.DragOverText(QStringLiteral("note:60"), CellPoint(1).x(), CellPoint(1).y());
    w.DropText(QStringLiteral("note:60"), CellPoint(1).x(), CellPoint(1).y());
    EXPECT_FALSE(w.dragBand().has_value());
}

TEST_F(AppTest, FilesDroppedFromTheDesktop)
{
    MainWindow& w = Start();
    song::SongData other;
    other.Reset(reporter, 12, 4, 2);
    ASSERT_TRUE(other.Save(reporter, WorkFile("other.sld")));
    w.DropFiles({QString::fromStdString(WorkFile("a.sld")), QString::fromStdString(WorkFile("b.sld"))});
    EXPECT_TRUE(HasText(reporter, "複数のファイルをドロップすることはできません。"));
    EXPECT_EQ(w.song().bars(), 8);
    w.DropFiles({QString::fromStdString(WorkFile("other.sld"))});
    EXPECT_EQ(w.song().bars(), 12);
    EXPECT_EQ(w.song().key(), 2);
    EXPECT_EQ(w.settings().currentFile, WorkFile("other.sld"));
    EXPECT_EQ(w.document().DisplayName(), QStringLiteral("other.sld"));
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("other.sld")));
}

TEST_F(AppTest, CellDragStartsAScorePayload)
{
    MainWindow& w = Start();
    w.document().SetBarCount(40);
    w.Scroll(ScrollCode::kLineRight);
    w.score().StartCellDrag(2);
    ASSERT_EQ(drags.size(), 1u);
    EXPECT_EQ(drags[0], QStringLiteral("score:18"));
    // A press and a move over the drag distance on a cell do the same.
    QTest::mousePress(&w.score(), Qt::LeftButton, {}, CellPoint(5));
    QTest::mouseMove(&w.score(), CellPoint(5) + QPoint(20, 0));
    EXPECT_EQ(w.score().selection(), (CellSelection{5, 5}));
}

// ---- paging and selection ----------------------------------------------------------

TEST_F(AppTest, ScrollingPastTheEndAsksForMoreBars)
{
    MainWindow& w = Start();
    ProcessEvents();
    w.score().ClickCell(3, false);
    w.Scroll(ScrollCode::kLineRight);
    EXPECT_EQ(w.page(), 1);
    EXPECT_TRUE(w.score().selection().Empty());
    EXPECT_EQ(w.pageLabel()->text(), QStringLiteral("最後のページの後 (1 ページ)　8 小節"));
    ProcessEvents();
    EXPECT_TRUE(reporter.questions().empty());

    reporter.ScriptAnswers({false, true});
    w.Scroll(ScrollCode::kLineRight);
    EXPECT_EQ(w.page(), 1);
    ProcessEvents();
    ASSERT_EQ(reporter.questions().size(), 1u);
    EXPECT_EQ(reporter.questions()[0], kMorePagesQuestion);
    EXPECT_FALSE(w.palettes().songInfo().isVisible());

    // OK opens the song information panel.
    w.scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ProcessEvents();
    EXPECT_EQ(reporter.questions().size(), 2u);
    EXPECT_TRUE(w.palettes().songInfo().isVisible());
    EXPECT_EQ(w.scrollBar()->value(), 1);

    w.scrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(w.page(), 0);
}

TEST_F(AppTest, BarCountChangesKeepThePageInsideTheSong)
{
    MainWindow& w = Start();
    w.document().SetBarCount(17);
    EXPECT_EQ(w.scrollBar()->maximum(), 2);
    w.Scroll(ScrollCode::kLineRight);
    ASSERT_EQ(w.page(), 1);
    w.document().SetBarCount(10);
    EXPECT_EQ(w.page(), 0);
    EXPECT_EQ(w.scrollBar()->maximum(), 1);
}

TEST_F(AppTest, DeleteAndInsertWorkOnTheSelectedBarsOfThePage)
{
    MainWindow& w = Start();
    w.DeleteSelectedBars();
    EXPECT_TRUE(HasText(reporter, "対象の領域を指定してください。"));
    w.document().SetBarCount(20);
    EditSong([this](song::SongData& s) { s.SetNote(reporter, 18, 0, 65, 9, 0); });  // bar 19 (1-based)
    w.Scroll(ScrollCode::kLineRight);
    w.score().ClickCell(0, false);
    w.score().ClickCell(1, true);
    w.DeleteSelectedBars();  // bars 17 and 18 (1-based)
    EXPECT_EQ(w.song().bars(), 18);
    EXPECT_EQ(w.song().GetNote(16, 0, 0).value, 65);
    w.InsertSelectedBars();
    EXPECT_EQ(w.song().bars(), 20);
    EXPECT_EQ(w.song().GetNote(18, 0, 0).value, 65);
    EXPECT_EQ(w.song().GetNote(16, 0, 0).value, song::kRest);
    // Both are steps of their own: undone, the song is as before the delete.
    EXPECT_EQ(w.document().undoStack().undoText(), QStringLiteral("小節の挿入"));
    w.undoAction()->trigger();
    w.undoAction()->trigger();
    EXPECT_EQ(w.song().bars(), 20);
    EXPECT_EQ(w.song().GetNote(18, 0, 0).value, 65);
}

TEST_F(AppTest, SelectedCellsAreTinted)
{
    Start();
    ScoreView& w = window->score();
    const QRect r(CellRect(9).x, CellRect(9).y, CellRect(9).width, CellRect(9).height);
    EXPECT_NE(w.PaintedImage().pixelColor(r.x() + 3, r.y() + 2), QColor(255, 200, 200));
    w.ClickCell(9, false);
    w.ClickCell(5, true);
    EXPECT_EQ(w.selection(), (CellSelection{5, 9}));
    const QImage image = w.PaintedImage();
    EXPECT_EQ(image.pixelColor(r.x() + 3, r.y() + 2), QColor(255, 200, 200));
    EXPECT_EQ(image.pixelColor(CellRect(7).x + 3, CellRect(7).y + 2), QColor(255, 200, 200));
    EXPECT_NE(image.pixelColor(CellRect(10).x + 3, CellRect(10).y + 2), QColor(255, 200, 200));
}

// ---- window messages and previews ---------------------------------------------------

TEST_F(AppTest, SongInformationChangesTheSong)
{
    MainWindow& w = Start();
    SongInfoPanel& info = w.palettes().songInfo();
    info.ChooseKey(1);  // untouched: transposed without a question
    EXPECT_EQ(transposeQuestions, 0);
    EXPECT_EQ(w.song().key(), 1);
    EditSong([this](song::SongData& s) { s.SetNote(reporter, 0, 0, 60, 3, 0); });
    transposeAnswer = song::KeyChangeAnswer::kSignatureOnly;
    info.ChooseKey(2);
    EXPECT_EQ(transposeQuestions, 1);
    EXPECT_EQ(w.song().key(), 2);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, 60);

    info.ChooseTimeSignature(1);
    EXPECT_EQ(w.song().beats(), 3);
    const int waltzTempo = w.song().info.tempo;

    info.ChooseCategory(1);
    EXPECT_EQ(w.song().info.category, 1);
    const arrange::StyleRecord* style = services->StyleOf(w.song());
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(w.song().info.tempo, std::clamp(StyleDefaultTempo(*style), 40, 240));
    EXPECT_EQ(w.tempoBox()->text().toInt(), w.tempoSlider()->value());
    EXPECT_EQ(w.tempoSlider()->value(), w.song().info.tempo);

    // Undo brings tempo, time signature and key back, on every display.
    w.undoAction()->trigger();
    EXPECT_EQ(w.tempoSlider()->value(), waltzTempo);
    EXPECT_EQ(info.categoryList()->currentIndex(), 0);
    w.undoAction()->trigger();
    EXPECT_EQ(w.song().beats(), 4);
    EXPECT_EQ(info.timeSignatureList()->currentIndex(), 0);
    EXPECT_EQ(w.tempoSlider()->value(), 120);  // the 4/4 default style's, with it
    w.undoAction()->trigger();
    EXPECT_EQ(info.keyList()->currentIndex(), 1);

    w.palettes().options().highSpin()->setValue(70);
    w.palettes().options().lowSpin()->setValue(40);
    EXPECT_EQ(w.settings().keyboardLow, 40);
    EXPECT_EQ(w.settings().keyboardHigh, 70);

    EditSong([this](song::SongData& s) { s.SetNote(reporter, 2, 0, 71, 3, 0); });
    w.document().CopyScoreBarToPhrase(1, 2);
    EXPECT_EQ(w.phrase().GetNote(1, 0, 0).value, 71);
}

TEST_F(AppTest, TempoSliderDragIsOneStep)
{
    MainWindow& w = Start();
    ASSERT_TRUE(w.SaveSongTo(WorkFile("tempo.sld")));
    for (int tempo = 121; tempo <= 140; ++tempo) w.tempoSlider()->setValue(tempo);
    EXPECT_EQ(w.song().info.tempo, 140);
    EXPECT_EQ(w.document().undoStack().count(), 1);
    EXPECT_TRUE(w.isWindowModified());
    w.undoAction()->trigger();
    EXPECT_EQ(w.song().info.tempo, 120);
    EXPECT_EQ(w.tempoBox()->text(), QStringLiteral("120"));
    EXPECT_FALSE(w.isWindowModified());
}

TEST_F(AppTest, NotePreviewSoundsAndStopsAndIsSilentWhilePlaying)
{
    MainWindow& w = Start();
    SoundPreview& preview = w.preview();
    preview.Note(64);
    ASSERT_EQ(playback->previews.size(), 4u);
    EXPECT_EQ(playback->previews[0], (std::array<int, 3>{0xC0, 0, 0}));
    EXPECT_EQ(playback->previews[2], (std::array<int, 3>{0xC2, 24, 0}));
    EXPECT_EQ(playback->previews[3], (std::array<int, 3>{0x90, 64, 115}));
    EXPECT_EQ(preview.note(), 64);
    EXPECT_TRUE(preview.noteTimerActive());
    // A second note stops the first; the programs are set once.
    preview.Note(67);
    EXPECT_EQ(playback->previews[4], (std::array<int, 3>{0x80, 64, 0}));
    EXPECT_EQ(playback->previews[5], (std::array<int, 3>{0x90, 67, 115}));
    QTest::qWait(650);
    EXPECT_EQ(playback->previews.back(), (std::array<int, 3>{0x80, 67, 0}));
    EXPECT_EQ(preview.note(), -1);
    EXPECT_FALSE(preview.noteTimerActive());

    w.Command(kCmdPlay);
    const std::size_t n = playback->previews.size();
    preview.Note(60);
    EXPECT_EQ(playback->previews.size(), n);
}

TEST_F(AppTest, ChordAndStrumPreviews)
{
    MainWindow& w = Start();
    SoundPreview& preview = w.preview();
    preview.Chord({60, 65, 67});
    ASSERT_EQ(playback->previews.size(), 3u);
    EXPECT_EQ(playback->previews[1], (std::array<int, 3>{0x91, 65, 100}));
    EXPECT_TRUE(preview.chordTimerActive());

    preview.Strum({-1, 3, 2, 0, 1, 0});  // C major
    QTest::qWait(400);
    std::vector<int> strummed;
    for (const auto& m : playback->previews) {
        if (m[0] == 0x92) strummed.push_back(m[1]);
    }
    EXPECT_EQ(strummed, (std::vector<int>{60, 64, 67, 72, 76}));
    EXPECT_TRUE(preview.strumTimerActive());
}

// ---- files ---------------------------------------------------------------------------

TEST_F(AppTest, SaveAndOpenSongFiles)
{
    MainWindow& w = Start();
    DropOnCell(QStringLiteral("note:69"), 0);
    w.tempoSlider()->setValue(100);
    EXPECT_TRUE(w.isWindowModified());
    dialogAnswer = WorkFile("mine.sld");
    w.Command(kCmdSave);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].kind, FileDialogKind::kSaveSong);
    EXPECT_EQ(w.settings().currentFile, WorkFile("mine.sld"));
    EXPECT_EQ(FileSize(reporter, WorkFile("mine.sld")), song::kSongImageSize);
    EXPECT_FALSE(w.isWindowModified());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("mine.sld[*] - Songloom"));

    w.Command(kCmdClear);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, song::kRest);
    w.Command(kCmdOpen);
    EXPECT_EQ(dialogs.back().kind, FileDialogKind::kOpenSong);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, 69);
    EXPECT_EQ(w.song().info.tempo, 100);
    EXPECT_EQ(w.tempoSlider()->value(), 100);
    EXPECT_EQ(w.document().DisplayName(), QStringLiteral("mine.sld"));
    EXPECT_EQ(dialogs.back().proposed, "");
    // The save dialog proposes the file opened.
    dialogAnswer.reset();
    w.Command(kCmdSave);
    EXPECT_EQ(dialogs.back().proposed, WorkFile("mine.sld"));

    // A cancelled dialog changes nothing.
    w.Command(kCmdClear);
    w.Command(kCmdOpen);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, song::kRest);
    EXPECT_TRUE(saveQuestions.empty());  // nothing was ever lost
}

TEST_F(AppTest, ExportProposesTheHomeFileNameAndRendersThere)
{
    MainWindow& w = Start();
    dialogAnswer = WorkFile("out.mid");
    w.Command(kCmdExport);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].kind, FileDialogKind::kExportMidi);
    EXPECT_EQ(dialogs[0].proposed, "data");
    ASSERT_EQ(rendered.size(), 1u);
    EXPECT_EQ(rendered[0], WorkFile("out.mid"));
    dialogAnswer.reset();
    w.Command(kCmdExport);
    EXPECT_EQ(rendered.size(), 1u);
}

TEST_F(AppTest, ImportReplacesTheSongThroughTheImporter)
{
    std::string asked;
    services->import = [&](song::SongData& song, const std::string& path, harmony::MidiImportReport*) {
        asked = path;
        song.TakeSnapshot();
        CapturingReporter quiet;
        song.Reset(quiet, 10, 4, 0);
        return true;
    };
    MainWindow& w = Start();
    w.document().SetBarCount(40);
    w.Scroll(ScrollCode::kLineRight);
    dialogAnswer = WorkFile("in.mid");
    w.Command(kCmdImport);
    EXPECT_EQ(dialogs.back().kind, FileDialogKind::kImportMidi);
    EXPECT_EQ(asked, WorkFile("in.mid"));
    EXPECT_EQ(w.song().bars(), 10);
    EXPECT_EQ(w.song().info.tempo, 120);
    EXPECT_EQ(w.tempoSlider()->value(), 120);
    EXPECT_EQ(w.page(), 0);
    EXPECT_EQ(w.scrollBar()->maximum(), 1);
    EXPECT_EQ(w.document().undoStack().undoText(), QStringLiteral("MIDIファイルの読み込み"));
    w.undoAction()->trigger();
    EXPECT_EQ(w.song().bars(), 40);
}

TEST_F(AppTest, TheScoreOffersTheReadingsOfTheBeatUnderThePoint)
{
    services->import = [this](song::SongData& song, const std::string& path, harmony::MidiImportReport* report) {
        return harmony::ImportMidi(reporter, path, song, 0, report);
    };
    // Four 4/4 bars, one chord a bar: | C | F | G7 | C |.
    songloom::test::SmfBuilder()
        .Header(0, 1, 96)
        .Track([](songloom::test::TrackBytes& t) {
            const std::vector<std::vector<int>> bars = {{48, 52, 55}, {41, 45, 48}, {43, 47, 50, 53}, {48, 52, 55}};
            for (const auto& chord : bars) {
                for (int p : chord) t.Delta(0).NoteOn(1, p, 90);
                t.Delta(4 * 96);
                for (int p : chord) t.NoteOff(1, p).Delta(0);
            }
        })
        .WriteTo(WorkFile("in.mid"));
    MainWindow& w = Start();
    dialogAnswer = WorkFile("in.mid");
    w.Command(kCmdImport);
    ASSERT_EQ(w.song().bars(), 4);
    ScoreView& score = w.score();
    const QPoint inSecondBar = CellPoint(1, 2);
    const int beat = score.BeatAt(inSecondBar.x(), inSecondBar.y());
    EXPECT_EQ(beat, 5);
    const auto texts = score.ChordAlternativeTexts(beat);
    ASSERT_FALSE(texts.empty());
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("F  "))) << texts[0].toStdString();
    // Cells past the song's end have no beat, and no readings.
    const QPoint past = CellPoint(7);
    EXPECT_EQ(score.BeatAt(past.x(), past.y()), -1);
    EXPECT_TRUE(score.ChordAlternativeTexts(-1).empty());
}

}  // namespace
}  // namespace songloom::app::test
