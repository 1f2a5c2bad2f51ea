// The options for how the band performs: shown, kept in the playback
// settings file, and heard in what the engine renders.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

#include "app/palettes/options_window.h"
#include "app/palettes/palette_set.h"
#include "app_fixture.h"
#include "playback/playback_settings.h"

namespace songloom::app::test {
namespace {

using arrange::IntroKind;

TEST_F(AppTest, PerformanceOptionsAreShownKeptAndGivenToTheEngine)
{
    services->playbackSettingsPath = WorkFile("config/playback.ini");
    services->playbackSettings.intro = 2;
    services->playbackSettings.ending = false;
    services->playbackSettings.humanize = 0;
    services->playbackSettings.transpose = -3;
    MainWindow& w = Start();
    OptionsWindow& options = w.palettes().options();
    EXPECT_EQ(options.introList()->currentIndex(), 2);
    EXPECT_FALSE(options.endingBox()->isChecked());
    EXPECT_EQ(options.humanizeSpin()->value(), 0);
    EXPECT_EQ(services->performance.intro, IntroKind::kGroove2);
    EXPECT_FALSE(services->performance.ending);
    EXPECT_EQ(services->performance.humanize, 0);

    options.introList()->setCurrentIndex(1);
    options.endingBox()->setChecked(true);
    options.humanizeSpin()->setValue(65);
    EXPECT_EQ(services->performance.intro, IntroKind::kCountIn);
    EXPECT_TRUE(services->performance.ending);
    EXPECT_EQ(services->performance.humanize, 65);
    playback::PlaybackSettings saved = playback::LoadPlaybackSettings(WorkFile("config/playback.ini"));
    EXPECT_EQ(saved.intro, 1);
    EXPECT_TRUE(saved.ending);
    EXPECT_EQ(saved.humanize, 65);

    // The spin's lowest value is the style's own amount, shown in words.
    options.humanizeSpin()->setValue(options.humanizeSpin()->minimum());
    EXPECT_EQ(options.humanizeSpin()->text(), QStringLiteral("スタイルの標準"));
    EXPECT_EQ(services->performance.humanize, -1);
    saved = playback::LoadPlaybackSettings(WorkFile("config/playback.ini"));
    EXPECT_EQ(saved.humanize, playback::kStyleHumanize);
    // The other options in the same file are kept.
    EXPECT_EQ(saved.transpose, -3);
    EXPECT_FALSE(w.document().dirty());
    EXPECT_EQ(w.document().undoStack().count(), 0);
}

class EnginePerformanceTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        InstallEngine(*services);
    }
    // Renders the song as the play button does and reads the file.
    RenderedNotes Play(MainWindow& w)
    {
        if (w.songPlaying()) w.Command(kCmdPlay);
        w.Command(kCmdPlay);
        EXPECT_TRUE(w.songPlaying());
        return ReadRenderedNotes(WorkFile("play.mid"));
    }
};

TEST_F(EnginePerformanceTest, TheIntroChosenComesBeforeTheSongInTheRendering)
{
    MainWindow& w = Start();
    ASSERT_TRUE(w.OpenSongFile(songloom::test::SourceDir() + "/data/songs/twinkle.sld"));
    ASSERT_EQ(w.song().beats(), 4);
    OptionsWindow& options = w.palettes().options();
    options.humanizeSpin()->setValue(0);
    options.introList()->setCurrentIndex(0);
    const RenderedNotes plain = Play(w);
    ASSERT_GE(plain.firstMelody, 0);

    constexpr long kBar = 384;
    options.introList()->setCurrentIndex(3);  // four bars of groove
    const RenderedNotes fourBars = Play(w);
    EXPECT_EQ(fourBars.firstMelody, plain.firstMelody + 4 * kBar);
    EXPECT_EQ(fourBars.end, plain.end + 4 * kBar);

    options.introList()->setCurrentIndex(1);  // one bar counted in
    EXPECT_EQ(Play(w).firstMelody, plain.firstMelody + kBar);
    EXPECT_TRUE(reporter.reports().empty());
}

}  // namespace
}  // namespace songloom::app::test
