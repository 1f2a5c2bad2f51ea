// A MIDI import that takes long: it runs off the window thread, the window
// keeps handling its events and shows a progress dialog, and the song
// changes afterwards as one undo step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/background_work.h"
#include "app_fixture.h"

namespace songloom::app::test {
namespace {

QProgressDialog* ShownProgressDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QProgressDialog*>(w);
        if (dialog != nullptr && dialog->objectName() == QLatin1String(kProgressDialogName) && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

TEST_F(AppTest, ALongImportKeepsTheWindowResponsiveAndShowsItsProgress)
{
    const std::thread::id windowThread = std::this_thread::get_id();
    std::atomic<bool> dialogSeen{false};
    std::atomic<bool> offTheWindowThread{false};
    // The importer finishes only once the window has shown the dialog: a
    // window thread blocked by the import would never get there (the
    // importer then gives up, and the test fails).
    services->import = [&](song::SongData& song, const std::string&, harmony::MidiImportReport*) {
        offTheWindowThread = std::this_thread::get_id() != windowThread;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!dialogSeen && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        CapturingReporter quiet;
        song.Reset(quiet, 10, 4, 0);
        return true;
    };
    MainWindow& w = Start();
    w.document().SetBarCount(40);
    const int steps = w.document().undoStack().count();
    int ticksWhileImporting = 0;
    bool modal = false;
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (!w.importing()) return;
        ++ticksWhileImporting;
        // Commands wait for the import: the play button does nothing.
        w.Command(kCmdPlay);
        if (QProgressDialog* dialog = ShownProgressDialog()) {
            modal = dialog->isModal();
            dialogSeen = true;
        }
    });
    watcher.start();
    dialogAnswer = WorkFile("big.mid");
    w.Command(kCmdImport);
    watcher.stop();

    EXPECT_TRUE(offTheWindowThread);
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(modal);
    EXPECT_GT(ticksWhileImporting, 0);
    EXPECT_TRUE(playback->played.empty());
    EXPECT_FALSE(w.importing());
    EXPECT_EQ(ShownProgressDialog(), nullptr);
    EXPECT_EQ(w.song().bars(), 10);
    EXPECT_EQ(w.document().undoStack().count(), steps + 1);
    EXPECT_EQ(w.document().undoStack().undoText(), QStringLiteral("MIDIファイルの読み込み"));
    w.undoAction()->trigger();
    EXPECT_EQ(w.song().bars(), 40);
}

TEST(RunWithProgress, ReturnsWhenTheWorkIsDoneWithItsResult)
{
    // The work's result is there when the call returns, and no dialog is
    // left behind.
    int result = 0;
    std::thread::id ranOn;
    RunWithProgress(nullptr, QStringLiteral("…"), [&] {
        ranOn = std::this_thread::get_id();
        result = 42;
    });
    EXPECT_EQ(result, 42);
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_EQ(ShownProgressDialog(), nullptr);
}

}  // namespace
}  // namespace songloom::app::test
