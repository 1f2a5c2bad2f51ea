// The window's play command on the real player with a recording output and
// a manual clock: what goes to the output, and the window's state.
#include <gtest/gtest.h>

#include <QSlider>
#include <thread>

#include "app/main_messages.h"
#include "app/playback_factory.h"
#include "app_fixture.h"
#include "playback/devices/recording_output.h"
#include "playback/scheduler.h"

namespace songloom::app::test {
namespace {

using playback::RecordedMessage;

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
    CSongloomDlg& w = Start();
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
    EXPECT_EQ(w.playingBar(), -1);
}

TEST_F(RecordedPlayTest, PressingPlayAgainStopsWithoutTheEndCallback)
{
    CSongloomDlg& w = Start();
    w.Command(kCmdPlay);
    ASSERT_TRUE(w.songPlaying());
    clock.AdvanceBy(1000);
    Settle();
    EXPECT_EQ(w.playingBar(), 0);
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

TEST_F(RecordedPlayTest, PreviewNotesGoToTheirOwnOutput)
{
    CSongloomDlg& w = Start();
    w.HandleWindowMessage(wm::kNotePreview, 72, 0);
    const auto sent = outputs.SentMessages();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].bytes, (std::vector<std::uint8_t>{0xC0, 0}));
    EXPECT_EQ(sent[2].bytes, (std::vector<std::uint8_t>{0xC2, 24}));
    EXPECT_EQ(sent[3].bytes, (std::vector<std::uint8_t>{0x90, 72, 115}));
}

}  // namespace
}  // namespace songloom::app::test
