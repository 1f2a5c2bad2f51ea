#include "app/message_box_reporter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
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

TEST(MessageBoxReporter, ReportsFromAnotherThreadAreShownOnTheGuiThread)
{
    MessageBoxReporter reporter;
    SeenBox seen;
    std::atomic<bool> done{false};
    std::thread player([&] {
        reporter.Report({"MDPL", 0x08000006, "テンポに誤りがあります。", true});
        done = true;
    });
    AnswerNextBox(seen, QMessageBox::Ok);
    while (!done) test::ProcessEvents();
    player.join();
    EXPECT_TRUE(seen.onGuiThread);
    EXPECT_EQ(seen.text, QStringLiteral("MDPL08000006 テンポに誤りがあります。"));
}

}  // namespace
}  // namespace songloom::app
