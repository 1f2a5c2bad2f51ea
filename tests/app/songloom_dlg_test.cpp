#include "app/songloom_dlg.h"

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

#include "app/bar_edit_window.h"
#include "app/main_messages.h"
#include "app_fixture.h"
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
    CSongloomDlg& w = Start();
    EXPECT_TRUE(w.initialised());
    EXPECT_EQ(w.settings().keyboardLow, 48);
    EXPECT_EQ(w.settings().keyboardHigh, 83);
    EXPECT_TRUE(w.windowTitle().isEmpty());
    EXPECT_EQ(w.song().bars(), 8);
    EXPECT_EQ(w.song().beats(), 4);
    EXPECT_EQ(w.phrase().bars(), 4);
    EXPECT_EQ(w.page(), 0);
    EXPECT_TRUE(w.selection().Empty());
    EXPECT_EQ(w.scrollBar()->minimum(), 0);
    EXPECT_EQ(w.scrollBar()->maximum(), 1);
    EXPECT_EQ(w.tempoSlider()->minimum(), 40);
    EXPECT_EQ(w.tempoSlider()->maximum(), 240);
    EXPECT_EQ(w.instrumentList()->count(), static_cast<int>(MelodyInstrumentEntries().size()));
    EXPECT_TRUE(reporter.reports().empty()) << reporter.lines().front();

    // The start-up message shows the picture and starts timer 103.
    ProcessEvents();
    EXPECT_TRUE(w.startUpPicture()->isVisible());
    EXPECT_TRUE(w.timerActive(timer::kStartPicture));

    // The chord list is written by its owner at its place in the order
    // data.dat, chord.txt, phrase.pdt, setup.ini.
    std::vector<std::vector<bool>> seenAtChordList;
    w.SetChordListWriter([&] {
        seenAtChordList.push_back({FileExists(WorkFile("data.dat")), FileExists(WorkFile("phrase.pdt")),
                                   FileExists(WorkFile("setup.ini"))});
    });
    w.tempoSlider()->setValue(150);
    w.ShutDown();
    w.ShutDown();  // runs once
    EXPECT_EQ(seenAtChordList, (std::vector<std::vector<bool>>{{true, false, false}}));
    EXPECT_EQ(FileSize(reporter, WorkFile("setup.ini")), 268u);
    EXPECT_EQ(FileSize(reporter, WorkFile("data.dat")), song::kSongImageSize);
    EXPECT_EQ(FileSize(reporter, WorkFile("phrase.pdt")), song::kSongImageSize);
    EXPECT_TRUE(NotAfter(ModifiedAt(WorkFile("phrase.pdt")), ModifiedAt(WorkFile("setup.ini"))));
    // The window keeps no chord list of its own.
    EXPECT_FALSE(FileExists(WorkFile("chord.txt")));
    window.reset();

    // The tempo of the slider at exit is the song's tempo at the next start.
    CSongloomDlg& again = Start();
    EXPECT_EQ(again.song().info.tempo, 150);
    EXPECT_EQ(again.tempoSlider()->value(), 150);
    EXPECT_EQ(again.tempoBox()->text(), QStringLiteral("150"));
}

TEST_F(AppTest, SettingsOutOfRangeAreRepairedWithOneMessageEach)
{
    const std::string text = std::string(MainMessageText(main_message::kBadSettings));
    WriteSettings(WorkFile("setup.ini"), -5, 200, "/songs/a.sld");
    {
        CSongloomDlg& w = Start();
        EXPECT_EQ(CountText(reporter, text), 2);
        EXPECT_EQ(w.settings().keyboardLow, 48);
        EXPECT_EQ(w.settings().keyboardHigh, 83);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("/songs/a.sld"));
        window.reset();
    }
    reporter.Clear();
    WriteSettings(WorkFile("setup.ini"), 60, 50);
    {
        CSongloomDlg& w = Start();
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
    CSongloomDlg& w = Start();
    EXPECT_EQ(w.song().bars(), 20);
    EXPECT_EQ(w.song().beats(), 3);
    EXPECT_EQ(w.song().key(), 1);
    EXPECT_EQ(w.tempoSlider()->value(), 90);
    EXPECT_EQ(w.scrollBar()->maximum(), 2);
}

// ---- commands without dialogs ------------------------------------------------

TEST_F(AppTest, ClearAsksAndResetsOnlyOnOk)
{
    CSongloomDlg& w = Start();
    ASSERT_TRUE(w.DropText(QStringLiteral("note:60"), CellPoint(0).x(), CellPoint(0).y()));
    w.SaveSongTo(WorkFile("kept.sld"));
    ASSERT_FALSE(w.windowTitle().isEmpty());

    reporter.ScriptAnswers({false, true});
    w.Command(kCmdClear);
    EXPECT_EQ(reporter.questions().back(), "曲をクリアしますか？");
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, 60);

    w.Command(kCmdClear);
    EXPECT_EQ(reporter.questions().size(), 2u);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, song::kRest);
    EXPECT_EQ(w.song().bars(), 8);
    EXPECT_TRUE(w.windowTitle().isEmpty());
    EXPECT_TRUE(w.settings().currentFile.empty());
    // Tempo and instrument come from the chosen style.
    const arrange::StyleRecord* style = services->StyleOf(w.song());
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(w.song().info.tempo, std::clamp(StyleDefaultTempo(*style), 40, 240));
}

TEST_F(AppTest, PlayTogglesAndTheEndCallbackResetsTheWindow)
{
    CSongloomDlg& w = Start();
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
    EXPECT_EQ(w.playingBar(), 3);

    // The phrase does not start while the song plays.
    w.Command(kCmdPhrasePlay);
    EXPECT_EQ(playback->played.size(), 1u);
    EXPECT_FALSE(w.phrasePlaying());

    w.Command(kCmdPlay);
    EXPECT_FALSE(w.songPlaying());
    EXPECT_EQ(playback->stops, 1);
    EXPECT_TRUE(w.tempoSlider()->isEnabled());
    EXPECT_EQ(w.playingBar(), -1);

    w.Command(kCmdPlay);
    EXPECT_TRUE(w.songPlaying());
    playback->end();
    ProcessEvents();
    EXPECT_FALSE(w.songPlaying());
    EXPECT_TRUE(w.tempoSlider()->isEnabled());
    EXPECT_EQ(playback->stops, 1);
}

TEST_F(AppTest, PlayingBarIsMarkedOnlyOnItsPage)
{
    CSongloomDlg& w = Start();
    ProcessEvents();
    w.HandleWindowMessage(wm::kBarCount, 32, 0);
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
    playback->position(16 * 4 * 96);  // bar 17 (1-based)
    ProcessEvents();
    EXPECT_EQ(w.playingBar(), 16);
    EXPECT_FALSE(tinted(w.PaintedImage(), cell0));
    w.Scroll(ScrollCode::kLineRight);
    playback->position(16 * 4 * 96 + 96);
    ProcessEvents();
    EXPECT_TRUE(tinted(w.PaintedImage(), cell0));
}

TEST_F(AppTest, FailedRenderingLeavesTheWindowIdle)
{
    CSongloomDlg& w = Start();
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
    CSongloomDlg& w = Start();
    w.song().info.tempo = 0;
    w.Command(kCmdPhrasePlay);
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
    CSongloomDlg& w = Start();
    w.ClickCell(1, false);
    w.ClickCell(2, true);
    w.Command(kCmdBarEdit);
    ASSERT_NE(w.barEditWindow(), nullptr);
    EXPECT_TRUE(w.barEditWindow()->isVisible());
    EXPECT_EQ(w.barEditWindow()->startSpin()->value(), 2);
    EXPECT_EQ(w.barEditWindow()->endSpin()->value(), 3);
    EXPECT_EQ(w.barEditWindow()->insertAtSpin()->value(), 4);

    w.barEditWindow()->applyButton()->click();  // copy bars 2-3 to 4
    EXPECT_EQ(w.song().bars(), 10);
    EXPECT_EQ(w.scrollBar()->maximum(), 1);
    w.barEditWindow()->undoButton()->click();
    EXPECT_EQ(w.song().bars(), 8);

    // The operation list hides the insert-at bar for delete.
    w.barEditWindow()->operationList()->setCurrentIndex(3);
    EXPECT_FALSE(w.barEditWindow()->insertAtSpin()->isVisible());
    w.Command(kCmdBarEditApply);
    EXPECT_EQ(w.song().bars(), 6);
}

TEST_F(AppTest, HelpOpensTheHelpPageAndQuitClosesAfterAPause)
{
    CSongloomDlg& w = Start();
    QString opened;
    w.SetUrlOpener([&](const QString& file) {
        opened = file;
        return true;
    });
    w.Command(kCmdHelp);
    EXPECT_TRUE(opened.endsWith(QStringLiteral("help/index.html"))) << opened.toStdString();
    EXPECT_TRUE(QFile::exists(opened));

    w.show();
    w.Command(kCmdQuit);
    EXPECT_TRUE(w.quitRequested());
    EXPECT_TRUE(w.isVisible());
    QTest::qWait(700);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(AppTest, SongInformationTakesASnapshotAndPalettesAreNotYetThere)
{
    CSongloomDlg& w = Start();
    EXPECT_FALSE(w.song().HasSnapshot());
    w.Command(kCmdSongInfo);
    EXPECT_TRUE(w.song().HasSnapshot());
    reporter.Clear();
    for (int command : {kCmdLibrary, kCmdOptions, kCmdGuitar, kCmdScale}) w.Command(command);
    EXPECT_EQ(CountText(reporter, kNotAvailableText), 4);
}

TEST_F(AppTest, ButtonsCarryTheirTooltips)
{
    CSongloomDlg& w = Start();
    EXPECT_EQ(w.commandButton(kCmdQuit)->toolTip(), QStringLiteral("Songloomを終了します。"));
    EXPECT_EQ(w.commandButton(kCmdPlay)->toolTip(), QStringLiteral("指定された音楽スタイルで曲を再生します。"));
    EXPECT_EQ(w.commandButton(kCmdImport)->toolTip(), QString::fromUtf8(kTipOther.data()));
    for (int c = 0; c <= kCmdQuit; ++c) EXPECT_FALSE(w.commandButton(c)->icon().isNull()) << c;
}

// ---- drops -----------------------------------------------------------------------

TEST_F(AppTest, EveryPayloadKindDropsOntoACell)
{
    CSongloomDlg& w = Start();
    song::SongData& s = w.song();
    const QPoint c0 = CellPoint(0, 0);
    ASSERT_TRUE(w.DropText(QStringLiteral("note:60"), c0.x(), c0.y()));
    EXPECT_EQ(s.GetNote(0, 0, 0).value, 60);
    EXPECT_EQ(s.GetNote(0, 0, 0).sixteenths, 16);

    const QPoint c1s6 = CellPoint(1, 6);
    w.DropText(QStringLiteral("note:64"), c1s6.x(), c1s6.y());
    EXPECT_EQ(s.GetNote(1, 6, 0).value, 64);
    EXPECT_EQ(s.GetNote(1, 6, 0).sixteenths, 4);

    const QPoint c2s2 = CellPoint(2, 2);
    w.DropText(QStringLiteral("chord:F"), c2s2.x(), c2s2.y());
    EXPECT_EQ(s.ChordName(8), "C ");
    for (int beat = 9; beat < 12; ++beat) EXPECT_EQ(s.ChordName(beat), "F ");

    // A length over a rest changes nothing.
    const auto before = s.melody;
    const QPoint c3 = CellPoint(3, 0);
    w.DropText(QStringLiteral("length:4"), c3.x(), c3.y());
    EXPECT_EQ(s.melody, before);

    // A bar of the score onto another cell.
    w.DropText(QStringLiteral("score:0"), CellPoint(4).x(), CellPoint(4).y());
    EXPECT_EQ(s.GetNote(4, 0, 0).value, 60);

    // A phrase bar.
    w.phrase().SetNote(reporter, 0, 0, 72, 3, 0);
    w.DropText(QStringLiteral("phrase:0"), CellPoint(5).x(), CellPoint(5).y());
    EXPECT_EQ(s.GetNote(5, 0, 0).value, 72);

    // An unknown keyword shows the class-name message.
    w.DropText(QStringLiteral("hello"), c0.x(), c0.y());
    EXPECT_TRUE(HasText(reporter, "CSongloomDlg"));

#if __has_include("pictures/score_page.h")
    // The display follows: cell 0 is no longer the empty staff of cell 6.
    const QImage image = w.PaintedImage();
    EXPECT_FALSE(image.copy(CellRect(0).x, CellRect(0).y, CellRect(0).width, CellRect(0).height) ==
                 image.copy(CellRect(6).x, CellRect(6).y, CellRect(6).width, CellRect(6).height));
#endif
}

TEST_F(AppTest, DataWithoutTextIsRefusedWithTheDropTargetMessage)
{
    CSongloomDlg& w = Start();
    const auto before = w.song().melody;
    EXPECT_FALSE(w.DropText(std::nullopt, CellPoint(0).x(), CellPoint(0).y()));
    ASSERT_TRUE(reporter.Has("DRTG", 1));
    EXPECT_EQ(reporter.lines().back(), "DRTG00000001 この形式はサポートしていません");
    EXPECT_EQ(w.song().melody, before);
    EXPECT_FALSE(w.song().HasSnapshot());
}

TEST_F(AppTest, UndoAfterADropRestoresTheSong)
{
    CSongloomDlg& w = Start();
    const auto melody = w.song().melody;
    const auto chords = w.song().chords;
    w.DropText(QStringLiteral("note:67"), CellPoint(2, 4).x(), CellPoint(2, 4).y());
    w.DropText(QStringLiteral("chord:Am7"), CellPoint(3, 0).x(), CellPoint(3, 0).y());
    ASSERT_NE(w.song().chords, chords);
    w.Undo();  // one level: the chord drop
    EXPECT_EQ(w.song().chords, chords);
    EXPECT_NE(w.song().melody, melody);
    // A miss takes no snapshot; the next undo restores the same song.
    w.DropText(QStringLiteral("note:60"), 2, 2);
    w.Undo();
    EXPECT_EQ(w.song().chords, chords);
}

TEST_F(AppTest, DropBeyondTheSongGrowsIt)
{
    CSongloomDlg& w = Start();
    w.HandleWindowMessage(wm::kBarCount, 16, 0);
    w.Scroll(ScrollCode::kLineRight);
    ASSERT_EQ(w.page(), 1);
    w.DropText(QStringLiteral("note:62"), CellPoint(3).x(), CellPoint(3).y());
    EXPECT_EQ(w.song().bars(), 20);
    EXPECT_EQ(w.song().GetNote(19, 0, 0).value, 62);
    EXPECT_EQ(w.scrollBar()->maximum(), 2);
}

TEST_F(AppTest, DragOverShowsABandByPayload)
{
    CSongloomDlg& w = Start();
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
    CSongloomDlg& w = Start();
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
    EXPECT_EQ(w.windowTitle().toStdString(), WorkFile("other.sld"));
}

TEST_F(AppTest, CellDragStartsAScorePayload)
{
    CSongloomDlg& w = Start();
    w.HandleWindowMessage(wm::kBarCount, 40, 0);
    w.Scroll(ScrollCode::kLineRight);
    w.StartCellDrag(2);
    ASSERT_EQ(drags.size(), 1u);
    EXPECT_EQ(drags[0], QStringLiteral("score:18"));
    // A press and a move over the drag distance on a cell do the same.
    QTest::mousePress(&w, Qt::LeftButton, {}, CellPoint(5));
    QTest::mouseMove(&w, CellPoint(5) + QPoint(20, 0));
    EXPECT_EQ(w.selection(), (CellSelection{5, 5}));
}

// ---- paging and selection ----------------------------------------------------------

TEST_F(AppTest, ScrollingPastTheEndAsksForMoreBars)
{
    CSongloomDlg& w = Start();
    ProcessEvents();
    w.ClickCell(3, false);
    w.Scroll(ScrollCode::kLineRight);
    EXPECT_EQ(w.page(), 1);
    EXPECT_TRUE(w.selection().Empty());
    ProcessEvents();
    EXPECT_TRUE(reporter.questions().empty());

    reporter.ScriptAnswers({false, true});
    w.Scroll(ScrollCode::kLineRight);
    EXPECT_EQ(w.page(), 1);
    ProcessEvents();
    ASSERT_EQ(reporter.questions().size(), 1u);
    EXPECT_EQ(reporter.questions()[0], kMorePagesQuestion);
    EXPECT_FALSE(w.song().HasSnapshot());

    // OK runs the song information command (snapshot first).
    w.scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ProcessEvents();
    EXPECT_EQ(reporter.questions().size(), 2u);
    EXPECT_TRUE(w.song().HasSnapshot());
    EXPECT_EQ(w.scrollBar()->value(), 1);

    w.scrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(w.page(), 0);
}

TEST_F(AppTest, BarCountChangesKeepThePageInsideTheSong)
{
    CSongloomDlg& w = Start();
    w.HandleWindowMessage(wm::kBarCount, 17, 0);
    EXPECT_EQ(w.scrollBar()->maximum(), 2);
    w.Scroll(ScrollCode::kLineRight);
    ASSERT_EQ(w.page(), 1);
    w.HandleWindowMessage(wm::kBarCount, 10, 0);
    EXPECT_EQ(w.page(), 0);
    EXPECT_EQ(w.scrollBar()->maximum(), 1);
}

TEST_F(AppTest, DeleteAndInsertWorkOnTheSelectedBarsOfThePage)
{
    CSongloomDlg& w = Start();
    w.DeleteSelectedBars();
    EXPECT_TRUE(HasText(reporter, "対象の領域を指定してください。"));
    w.HandleWindowMessage(wm::kBarCount, 20, 0);
    w.song().SetNote(reporter, 18, 0, 65, 9, 0);  // bar 19 (1-based)
    w.Scroll(ScrollCode::kLineRight);
    w.ClickCell(0, false);
    w.ClickCell(1, true);
    w.DeleteSelectedBars();  // bars 17 and 18 (1-based)
    EXPECT_EQ(w.song().bars(), 18);
    EXPECT_EQ(w.song().GetNote(16, 0, 0).value, 65);
    w.InsertSelectedBars();
    EXPECT_EQ(w.song().bars(), 20);
    EXPECT_EQ(w.song().GetNote(18, 0, 0).value, 65);
    EXPECT_EQ(w.song().GetNote(16, 0, 0).value, song::kRest);
}

TEST_F(AppTest, SelectedCellsAreTinted)
{
    CSongloomDlg& w = Start();
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

TEST_F(AppTest, SongInformationMessagesChangeTheSong)
{
    CSongloomDlg& w = Start();
    int asked = 0;
    w.SetTransposeAsker([&] {
        ++asked;
        return song::KeyChangeAnswer::kSignatureOnly;
    });
    w.HandleWindowMessage(wm::kKey, 1, 0);  // untouched: transposed without a question
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(w.song().key(), 1);
    w.song().SetNote(reporter, 0, 0, 60, 3, 0);
    w.HandleWindowMessage(wm::kKey, 2, 0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(w.song().key(), 2);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, 60);

    w.HandleWindowMessage(wm::kTimeSignature, 1, 0);
    EXPECT_EQ(w.song().beats(), 3);

    w.HandleWindowMessage(wm::kCategory, 1, 1);
    EXPECT_EQ(w.song().info.category, 1);
    const arrange::StyleRecord* style = services->StyleOf(w.song());
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(w.song().info.tempo, std::clamp(StyleDefaultTempo(*style), 40, 240));
    EXPECT_EQ(w.tempoBox()->text().toInt(), w.tempoSlider()->value());

    w.HandleWindowMessage(wm::kKeyboardRange, 40, 70);
    EXPECT_EQ(w.settings().keyboardLow, 40);
    EXPECT_EQ(w.settings().keyboardHigh, 70);

    w.song().SetNote(reporter, 2, 0, 71, 3, 0);
    w.HandleWindowMessage(wm::kScoreBarToPhrase, 1, 2);
    EXPECT_EQ(w.phrase().GetNote(1, 0, 0).value, 71);
}

TEST_F(AppTest, NotePreviewSoundsAndStopsAndIsSilentWhilePlaying)
{
    CSongloomDlg& w = Start();
    w.HandleWindowMessage(wm::kNotePreview, 64, 0);
    ASSERT_EQ(playback->previews.size(), 4u);
    EXPECT_EQ(playback->previews[0], (std::array<int, 3>{0xC0, 0, 0}));
    EXPECT_EQ(playback->previews[2], (std::array<int, 3>{0xC2, 24, 0}));
    EXPECT_EQ(playback->previews[3], (std::array<int, 3>{0x90, 64, 115}));
    EXPECT_EQ(w.previewNote(), 64);
    EXPECT_TRUE(w.timerActive(timer::kNoteOff));
    // A second note stops the first; the programs are set once.
    w.HandleWindowMessage(wm::kNotePreview, 67, 0);
    EXPECT_EQ(playback->previews[4], (std::array<int, 3>{0x80, 64, 0}));
    EXPECT_EQ(playback->previews[5], (std::array<int, 3>{0x90, 67, 115}));
    QTest::qWait(650);
    EXPECT_EQ(playback->previews.back(), (std::array<int, 3>{0x80, 67, 0}));
    EXPECT_EQ(w.previewNote(), -1);
    EXPECT_FALSE(w.timerActive(timer::kNoteOff));

    w.Command(kCmdPlay);
    const std::size_t n = playback->previews.size();
    w.HandleWindowMessage(wm::kNotePreview, 60, 0);
    EXPECT_EQ(playback->previews.size(), n);
}

TEST_F(AppTest, ChordAndStrumPreviews)
{
    CSongloomDlg& w = Start();
    w.SetChordVoicer([](int row, int column) { return std::vector<int>{60 + row, 64 + column, 67}; });
    w.HandleWindowMessage(wm::kChordPreview, 0, 1);
    ASSERT_EQ(playback->previews.size(), 3u);
    EXPECT_EQ(playback->previews[1], (std::array<int, 3>{0x91, 65, 100}));
    EXPECT_TRUE(w.timerActive(timer::kChordOff));

    w.SetStrumSource([] { return std::array<int, 6>{-1, 3, 2, 0, 1, 0}; });  // C major
    w.HandleWindowMessage(wm::kStrumPreview, 0, 0);
    QTest::qWait(400);
    std::vector<int> strummed;
    for (const auto& m : playback->previews) {
        if (m[0] == 0x92) strummed.push_back(m[1]);
    }
    EXPECT_EQ(strummed, (std::vector<int>{60, 64, 67, 72, 76}));
    EXPECT_TRUE(w.timerActive(timer::kStrumOff));
}

// ---- files ---------------------------------------------------------------------------

TEST_F(AppTest, SaveAndOpenSongFiles)
{
    CSongloomDlg& w = Start();
    w.DropText(QStringLiteral("note:69"), CellPoint(0).x(), CellPoint(0).y());
    w.tempoSlider()->setValue(100);
    dialogAnswer = WorkFile("mine.sld");
    w.Command(kCmdSave);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].kind, FileDialogKind::kSaveSong);
    EXPECT_EQ(w.settings().currentFile, WorkFile("mine.sld"));
    EXPECT_EQ(FileSize(reporter, WorkFile("mine.sld")), song::kSongImageSize);

    w.Command(kCmdClear);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, song::kRest);
    w.Command(kCmdOpen);
    EXPECT_EQ(dialogs.back().kind, FileDialogKind::kOpenSong);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, 69);
    EXPECT_EQ(w.song().info.tempo, 100);
    EXPECT_EQ(w.tempoSlider()->value(), 100);
    EXPECT_EQ(w.windowTitle().toStdString(), WorkFile("mine.sld"));

    // A cancelled dialog changes nothing.
    dialogAnswer.reset();
    w.Command(kCmdClear);
    w.Command(kCmdOpen);
    EXPECT_EQ(w.song().GetNote(0, 0, 0).value, song::kRest);
}

TEST_F(AppTest, ExportProposesTheHomeFileNameAndRendersThere)
{
    CSongloomDlg& w = Start();
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
    services->import = [&](song::SongData& song, const std::string& path) {
        asked = path;
        song.TakeSnapshot();
        CapturingReporter quiet;
        song.Reset(quiet, 10, 4, 0);
        return true;
    };
    CSongloomDlg& w = Start();
    w.HandleWindowMessage(wm::kBarCount, 40, 0);
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
    w.Undo();
    EXPECT_EQ(w.song().bars(), 40);
}

}  // namespace
}  // namespace songloom::app::test
