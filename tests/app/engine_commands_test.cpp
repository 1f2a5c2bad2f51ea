// Import and export through the engine the program installs.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QAction>
#include <QSlider>

#include "app/main_messages.h"
#include "app_fixture.h"
#include "support/smf_builder.h"

namespace songloom::app::test {
namespace {

class EngineCommandTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        InstallEngine(*services);
    }
};

// 37 quarter notes of a C major melody over a chord part.
void WriteThirtySevenQuarters(const std::string& path)
{
    ::songloom::test::SmfBuilder()
        .Header(1, 3, 96)
        .Track([](auto& t) { t.Tempo(500000).TimeSignature(4, 2); })
        .Track([](auto& t) {
            static constexpr int kScale[] = {60, 62, 64, 65, 67, 69, 71, 72};
            for (int i = 0; i < 37; ++i) {
                t.Delta(0).NoteOn(0, kScale[i % 8], 100).Delta(96).NoteOff(0, kScale[i % 8]);
            }
        })
        .Track([](auto& t) {
            for (int bar = 0; bar < 9; ++bar) {
                t.Delta(0).NoteOn(1, 48, 80).NoteOn(1, 52, 80).NoteOn(1, 55, 80);
                t.Delta(384).NoteOff(1, 48).Delta(0).NoteOff(1, 52).Delta(0).NoteOff(1, 55);
            }
        })
        .WriteTo(path);
}

TEST_F(EngineCommandTest, ImportOfThirtySevenQuartersGivesTenBarsAtTempo120)
{
    MainWindow& w = Start();
    w.document().SetBarCount(40);
    w.document().ChangeTimeSignature(1);
    WriteThirtySevenQuarters(WorkFile("in.mid"));
    dialogAnswer = WorkFile("in.mid");
    w.Command(kCmdImport);
    EXPECT_EQ(w.song().bars(), 10);
    EXPECT_EQ(w.song().beats(), 4);
    EXPECT_EQ(w.song().info.tempo, 120);
    EXPECT_EQ(w.tempoSlider()->value(), 120);
    EXPECT_EQ(w.scrollBar()->maximum(), 1);
    bool melody = false;
    for (int bar = 0; bar < 10; ++bar) melody |= w.song().GetNote(bar, 0, 0).value >= 0;
    EXPECT_TRUE(melody);
    // One undo brings the song before the import back.
    w.undoAction()->trigger();
    EXPECT_EQ(w.song().bars(), 40);
    EXPECT_EQ(w.song().beats(), 3);
}

TEST_F(EngineCommandTest, ImportOfAFileThatIsNoMidiLeavesTheSong)
{
    MainWindow& w = Start();
    ASSERT_TRUE(WriteFileAtomically(WorkFile("bad.mid"), std::vector<std::uint8_t>{'n', 'o', 't'}));
    const auto before = w.song().melody;
    EXPECT_FALSE(w.ImportMidiFrom(WorkFile("bad.mid")));
    EXPECT_FALSE(reporter.reports().empty());
    EXPECT_EQ(w.song().melody, before);
    EXPECT_EQ(w.song().bars(), 8);
}

// A song the engine cannot read reports on every beat: one box per render.
TEST(OncePerRenderReporter, PassesEachReportOncePerRender)
{
    CapturingReporter boxes;
    OncePerRenderReporter reporter(boxes);
    const ErrorReport bad{"", 0, "コード名が読み取れません。", false};
    const ErrorReport other{"YRAC", 0xFF010022, "ルート音のエラーです！", true};
    reporter.BeginRender();
    for (int beat = 0; beat < 1000; ++beat) reporter.Report(bad);
    reporter.Report(other);
    reporter.Report(other);
    reporter.EndRender();
    EXPECT_EQ(boxes.reports().size(), 2u);
    // The next render reports again; outside a render nothing is held back.
    reporter.BeginRender();
    reporter.Report(bad);
    reporter.EndRender();
    reporter.Report(bad);
    reporter.Report(bad);
    EXPECT_EQ(boxes.reports().size(), 5u);
    boxes.ScriptAnswers({false});
    EXPECT_FALSE(reporter.Confirm("?"));
}

}  // namespace
}  // namespace songloom::app::test
