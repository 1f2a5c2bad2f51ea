#include "app/message_box_reporter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "app_fixture.h"

namespace songloom::app {
namespace {

struct SeenBox {
    QString text;
    int buttons = 0;
    bool onGuiThread = false;
    Qt::WindowModality modality = Qt::NonModal;
};

// Closes the next modal box with the button of role, remembering what it showed.
void AnswerNextBox(SeenBox& seen, QMessageBox::StandardButton button)
{
    QTimer::singleShot(50, qApp, [&seen, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            AnswerNextBox(seen, button);
            return;
        }
        seen.text = box->text();
        seen.buttons = static_cast<int>(box->buttons().size());
        seen.onGuiThread = box->thread() == qApp->thread();
        seen.modality = box->windowModality();
        box->button(button)->click();
    });
}

TEST(MessageBoxReporter, ShowsTheLineWithOneOkButton)
{
    MessageBoxReporter reporter;
    SeenBox seen;
    AnswerNextBox(seen, QMessageBox::Ok);
    reporter.Report({"GENE", 0x01000007, "ファイルが開けませんでした。\n二行目", true});
    EXPECT_EQ(seen.text, QStringLiteral("GENE01000007 ファイルが開けませんでした。\n二行目"));
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_EQ(seen.modality, Qt::ApplicationModal);
}

TEST(MessageBoxReporter, QuestionsHaveTwoButtons)
{
    MessageBoxReporter reporter;
    SeenBox seen;
    AnswerNextBox(seen, QMessageBox::Cancel);
    EXPECT_FALSE(reporter.Confirm("曲をクリアしますか？"));
    EXPECT_EQ(seen.buttons, 2);
    AnswerNextBox(seen, QMessageBox::Ok);
    EXPECT_TRUE(reporter.Confirm("曲をクリアしますか？"));
}

// The GUI thread may be waiting for the player's thread when that thread
// reports (a play waits for the device to open): the report must not wait
// for the GUI thread, and the box still comes up there.
TEST(MessageBoxReporter, ReportsFromAnotherThreadGoOnAndAreShownOnTheGuiThread)
{
    MessageBoxReporter reporter;
    SeenBox seen;
    std::atomic<bool> done{false};
    std::thread player([&] {
        reporter.Report({"MDCT", 0x07000001, "Midiデバイスを開けません。", true});
        done = true;
    });
    // The GUI thread waits without running its events, as a play does.
    for (int i = 0; i < 250 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(done);
    AnswerNextBox(seen, QMessageBox::Ok);
    for (int i = 0; i < 250 && (seen.text.isEmpty() || !done); ++i) {
        test::ProcessEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    player.join();
    EXPECT_TRUE(seen.onGuiThread);
    EXPECT_EQ(seen.text, QStringLiteral("MDCT07000001 Midiデバイスを開けません。"));
}

// A question from another thread waits for its answer.
TEST(MessageBoxReporter, QuestionsFromAnotherThreadWaitForTheAnswer)
{
    MessageBoxReporter reporter;
    SeenBox seen;
    std::atomic<int> answer{-1};
    std::thread asker([&] { answer = reporter.Confirm("続けますか？") ? 1 : 0; });
    AnswerNextBox(seen, QMessageBox::Ok);
    for (int i = 0; i < 500 && answer < 0; ++i) {
        test::ProcessEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    asker.join();
    EXPECT_EQ(answer, 1);
    EXPECT_TRUE(seen.onGuiThread);
}

}  // namespace
}  // namespace songloom::app
