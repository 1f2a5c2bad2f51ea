// The window's play command and the style preview on the real player with a
// recording output and a manual clock: what goes to the output, and the
// window's state.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <thread>

#include "app/main_messages.h"
#include "app/message_box_reporter.h"
#include "app/palettes/keyboard_palette.h"
#include "app/palettes/options_window.h"
#include "app/palettes/palette_set.h"
#include "app/palettes/song_info_panel.h"
#include "app/playback_factory.h"
#include "app/sound_preview.h"
#include "app/style_preview.h"
#include "app_fixture.h"
#include "playback/devices/recording_output.h"
#include "playback/scheduler.h"
#include "song/song_image.h"

namespace songloom::app::test {
namespace {

using playback::RecordedMessage;

// A Standard MIDI File at 96 ticks per quarter note (120 quarter notes a
// minute: a 4/4 bar lasts two seconds) with one quarter note at the start
// of each of the first three bars.
std::vector<std::uint8_t> ThreeBarMidiFile()
{
    std::vector<std::uint8_t> track;
    for (int bar = 0; bar < 3; ++bar) {
        // From the previous note-off to this bar: 288 ticks, or none at the start.
        if (bar == 0) track.push_back(0x00);
        else track.insert(track.end(), {0x82, 0x20});
        track.insert(track.end(), {0x90, static_cast<std::uint8_t>(60 + bar), 100, 0x60, 0x80,
                                   static_cast<std::uint8_t>(60 + bar), 0});
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<std::uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0,
                                   static_cast<std::uint8_t>(track.size())};
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

constexpr playback::Micros kBarMicros = 2'000'000;

// The cells painted in the playing colour.
std::vector<int> MarkedCells(MainWindow& window)
{
    const QImage image = window.score().PaintedImage();
    std::vector<int> marked;
    for (int cell = 0; cell < kCellsPerPage; ++cell) {
        const PixelRect r = CellRect(cell);
        if (image.pixelColor(r.x + 3, r.y + 2) == QColor(255, 200, 200)) marked.push_back(cell);
    }
    return marked;
}

class RecordedPlayTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        playback::PlayerOptions options;
        options.setupSpacing = 0;
        options.startLead = 0;
        options.previousPlayWait = 200000;
        services->playback = MakePlayback(reporter, outputs, clock, options);
        playback = nullptr;
    }

    // The port uses the clock and outputs of this fixture: it goes first.
    void TearDown() override
    {
        AppTest::TearDown();
        services->playback.reset();
    }

    std::vector<std::vector<std::uint8_t>> NoteMessages() const
    {
        std::vector<std::vector<std::uint8_t>> notes;
        for (const RecordedMessage& m : outputs.SentMessages()) {
            if (!m.bytes.empty() && ((m.bytes[0] & 0xF0) == 0x90 || (m.bytes[0] & 0xF0) == 0x80)) {
                notes.push_back(m.bytes);
            }
        }
        return notes;
    }

    // Lets the playback thread and the queued calls catch up.
    void Settle()
    {
        for (int i = 0; i < 20; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ProcessEvents();
        }
    }

    playback::ManualScheduler clock;
    playback::RecordingOutputs outputs{[this] { return clock.Now(); }, 1};
};

TEST_F(RecordedPlayTest, PlayToTheEndSendsTheNotesAndResetsTheWindow)
{
    MainWindow& w = Start();
    w.Command(kCmdPlay);
    ASSERT_TRUE(w.songPlaying());
    EXPECT_FALSE(w.tempoSlider()->isEnabled());
    clock.RunUntilIdle(10'000'000);
    Settle();
    const auto notes = NoteMessages();
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes.front(), (std::vector<std::uint8_t>{0x90, 60, 100}));
    EXPECT_EQ(notes.back()[1], 60);
    EXPECT_FALSE(w.songPlaying());
    EXPECT_TRUE(w.tempoSlider()->isEnabled());
    EXPECT_EQ(w.score().playingBar(), -1);
}

TEST_F(RecordedPlayTest, PressingPlayAgainStopsWithoutTheEndCallback)
{
    MainWindow& w = Start();
    w.Command(kCmdPlay);
    ASSERT_TRUE(w.songPlaying());
    clock.AdvanceBy(1000);
    Settle();
    EXPECT_EQ(w.score().playingBar(), 0);
    w.Command(kCmdPlay);
    EXPECT_FALSE(w.songPlaying());
    EXPECT_TRUE(w.tempoSlider()->isEnabled());
    clock.RunUntilIdle(10'000'000);
    Settle();
    EXPECT_FALSE(w.songPlaying());
    bool reset = false;
    for (const RecordedMessage& m : outputs.Messages()) reset |= m.kind == RecordedMessage::Kind::kReset;
    EXPECT_TRUE(reset);
    // Playing again works on a fresh player.
    w.Command(kCmdPlay);
    EXPECT_TRUE(w.songPlaying());
    w.Command(kCmdPlay);
}

TEST_F(RecordedPlayTest, TheBarBeingPlayedIsMarkedUntilStopOrEnd)
{
    services->render = [](const song::SongData&, const std::string& path) {
        return WriteFileAtomically(path, ThreeBarMidiFile());
    };
    MainWindow& w = Start();
    ProcessEvents();
    EXPECT_TRUE(MarkedCells(w).empty());
    w.Command(kCmdPlay);
    ASSERT_TRUE(w.songPlaying());
    clock.AdvanceBy(1000);
    Settle();
    EXPECT_EQ(w.score().playingBar(), 0);
    EXPECT_EQ(MarkedCells(w), (std::vector<int>{0}));
    // Time runs on into the second bar: the mark moves with it.
    clock.AdvanceTo(kBarMicros + 1000);
    Settle();
    EXPECT_EQ(w.score().playingBar(), 1);
    EXPECT_EQ(MarkedCells(w), (std::vector<int>{1}));
    // Stop clears the mark.
    w.Command(kCmdPlay);
    EXPECT_FALSE(w.songPlaying());
    EXPECT_EQ(w.score().playingBar(), -1);
    EXPECT_TRUE(MarkedCells(w).empty());

    // Played to its end, the song leaves no mark either.
    w.Command(kCmdPlay);
    ASSERT_TRUE(w.songPlaying());
    clock.AdvanceBy(2 * kBarMicros + 1000);
    Settle();
    EXPECT_EQ(MarkedCells(w), (std::vector<int>{2}));
    clock.RunUntilIdle(clock.Now() + 10 * kBarMicros);
    Settle();
    EXPECT_FALSE(w.songPlaying());
    EXPECT_EQ(w.score().playingBar(), -1);
    EXPECT_TRUE(MarkedCells(w).empty());
    EXPECT_TRUE(reporter.reports().empty());
}

// A machine without a sound output: the message box reporter tells so once,
// from the player's thread while the window waits for the player, and the
// song plays on silently with its bar marked.
TEST_F(RecordedPlayTest, WithoutASoundOutputTheSongStillRunsAndIsMarked)
{
    MessageBoxReporter boxes;
    services = std::make_unique<AppServices>(boxes, dir.path());
    services->render = [](const song::SongData&, const std::string& path) {
        return WriteFileAtomically(path, ThreeBarMidiFile());
    };
    playback::PlayerOptions options;
    options.setupSpacing = 0;
    options.startLead = 0;
    services->playback = MakePlayback(boxes, outputs, clock, options);
    outputs.SetOpenStatus(playback::OpenStatus::kNoOutput);
    MainWindow& w = Start();
    ProcessEvents();

    int boxesShown = 0;
    QString shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxesShown;
            shown = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    closer.start(10);

    w.Command(kCmdPlay);  // returns although the player reports while the window waits
    ASSERT_TRUE(w.songPlaying());
    clock.AdvanceTo(kBarMicros + 1000);
    Settle();
    EXPECT_EQ(boxesShown, 1);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("MDCT07000001"))) << shown.toStdString();
    EXPECT_EQ(w.score().playingBar(), 1);
    EXPECT_EQ(MarkedCells(w), (std::vector<int>{1}));
    // The window says so for as long as it lasts, not only in the one box.
    EXPECT_TRUE(w.statusLine()->text().startsWith(QString::fromUtf8(kSilentPrefix.data())))
        << w.statusLine()->text().toStdString();
    w.Command(kCmdPlay);
    EXPECT_TRUE(MarkedCells(w).empty());
    w.Command(kCmdPlay);
    Settle();
    EXPECT_EQ(boxesShown, 1);
    EXPECT_FALSE(w.statusLine()->text().isEmpty());
    w.Command(kCmdPlay);
    window.reset();
    services->playback.reset();
}

TEST_F(RecordedPlayTest, PreviewNotesGoToTheirOwnOutput)
{
    MainWindow& w = Start();
    w.preview().Note(72);
    const auto sent = outputs.SentMessages();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].bytes, (std::vector<std::uint8_t>{0xC0, 0}));
    EXPECT_EQ(sent[2].bytes, (std::vector<std::uint8_t>{0xC2, 24}));
    EXPECT_EQ(sent[3].bytes, (std::vector<std::uint8_t>{0x90, 72, 115}));
    EXPECT_TRUE(w.statusLine()->text().isEmpty());
}

TEST_F(RecordedPlayTest, AKeyThatFindsNoOutputSaysSoInTheStatusLine)
{
    outputs.SetOpenStatus(playback::OpenStatus::kNoOutput);
    MainWindow& w = Start();
    emit w.palettes().keyboardPalette().notePressed(64);
    EXPECT_TRUE(w.statusLine()->text().startsWith(QString::fromUtf8(kSilentPrefix.data())))
        << w.statusLine()->text().toStdString();
}

// The style preview of the song information panel, rendered by the engine.
class RecordedPreviewTest : public RecordedPlayTest {
protected:
    void SetUp() override
    {
        RecordedPlayTest::SetUp();
        InstallEngine(*services);
    }
    int RecordedNoteOns() const
    {
        int count = 0;
        for (const auto& bytes : NoteMessages()) count += (bytes[0] & 0xF0) == 0x90 && bytes.size() == 3 && bytes[2] > 0;
        return count;
    }
};

TEST_F(RecordedPreviewTest, FourBarsReachTheOutputAndTheSongAndItsUndoStayUntouched)
{
    MainWindow& w = Start();
    ASSERT_TRUE(w.OpenSongFile(songloom::test::SourceDir() + "/data/songs/twinkle.sld"));
    ASSERT_GT(w.song().bars(), 4);
    ASSERT_EQ(w.song().beats(), 4);
    EditSong([](song::SongData& s) { s.info.tempo = 100; });  // one step to keep
    // An intro chosen for the song does not delay the style's preview.
    w.palettes().options().introList()->setCurrentIndex(3);
    const std::vector<std::uint8_t> image = song::BuildSongImage(w.song(), w.song().beats(), w.song().key());
    const int steps = w.document().undoStack().count();
    const int index = w.document().undoStack().index();
    const bool dirty = w.document().dirty();

    w.Command(kCmdSongInfo);
    SongInfoPanel& panel = w.palettes().songInfo();
    const int entry = panel.styleList()->currentIndex() == 0 ? 1 : 0;
    ASSERT_LT(entry, panel.styleList()->count());
    emit panel.styleList()->highlighted(entry);
    QTRY_VERIFY_WITH_TIMEOUT(w.stylePreview().playing(), 10000);

    // Four bars from the first: the last chord may ring on as the ending.
    constexpr long kBar = 384;
    const RenderedNotes file = ReadRenderedNotes(WorkFile("preview.mid"));
    EXPECT_GT(file.notes, 8);
    EXPECT_LT(file.firstOnset, kBar) << "an intro before the preview";
    EXPECT_LT(file.lastOnset, 4 * kBar) << "more than four bars";
    EXPECT_GE(file.lastOnset, 3 * kBar) << "less than four bars";
    EXPECT_LE(file.end, 5 * kBar);
    clock.RunUntilIdle(60'000'000);
    Settle();
    EXPECT_FALSE(w.stylePreview().playing());
    EXPECT_EQ(RecordedNoteOns(), file.notes);

    EXPECT_EQ(song::BuildSongImage(w.song(), w.song().beats(), w.song().key()), image);
    EXPECT_EQ(w.document().undoStack().count(), steps);
    EXPECT_EQ(w.document().undoStack().index(), index);
    EXPECT_EQ(w.document().dirty(), dirty);
    EXPECT_FALSE(FileExists(WorkFile("play.mid")));
    EXPECT_TRUE(reporter.reports().empty());
}

}  // namespace
}  // namespace songloom::app::test
