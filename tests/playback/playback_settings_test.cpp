#include "playback/playback_settings.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/general.h"
#include "support/test_paths.h"

namespace songloom::playback {
namespace {

TEST(PlaybackSettings, SavedSettingsComeBackAndBadLinesKeepDefaults)
{
    songloom::test::TempDir dir;
    CapturingReporter reporter;
    const std::string path = dir.File("config/songloom/playback.ini");
    EXPECT_EQ(LoadPlaybackSettings(path), PlaybackSettings{});  // no file yet

    const PlaybackSettings chosen{"/usr/share/sounds/sf2/FluidR3_GM.sf2", 2, 0.35, -3, 1, "Eb", 3, false, 40};
    ASSERT_TRUE(SavePlaybackSettings(reporter, path, chosen));  // creates the folders
    EXPECT_EQ(LoadPlaybackSettings(path), chosen);

    ASSERT_TRUE(WriteWholeFile(reporter, path,
                               std::string_view("# comment\nport=two\nsoundfont=\n"
                                                "volume=3\nport = -7\r\nsoundfont = /x y.sf2 \r\n"
                                                "gain=0,8\ngain=\ngain=5\n")));
    const PlaybackSettings loaded = LoadPlaybackSettings(path);
    EXPECT_EQ(loaded.port, kSystemMapperPort);
    EXPECT_EQ(loaded.soundFont, "/x y.sf2");
    EXPECT_EQ(loaded.gain, kDefaultLiveGain);  // a comma, nothing, or out of range
    ASSERT_TRUE(WriteWholeFile(reporter, path, std::string_view("gain = 1.25\n")));
    EXPECT_EQ(LoadPlaybackSettings(path).gain, 1.25);
    ASSERT_TRUE(WriteWholeFile(reporter, path,
                               std::string_view("transpose=25\nkeyboard=-2\ninstrument_key=A\n")));
    EXPECT_EQ(LoadPlaybackSettings(path), PlaybackSettings{});  // out of range or no such instrument
    ASSERT_TRUE(WriteWholeFile(reporter, path, std::string_view("transpose=-24\nkeyboard=0\ninstrument_key=F\n")));
    const PlaybackSettings edges = LoadPlaybackSettings(path);
    EXPECT_EQ(edges.transpose, -24);
    EXPECT_EQ(edges.keyboard, 0);
    EXPECT_EQ(edges.instrumentKey, "F");
    EXPECT_TRUE(reporter.reports().empty());

    EXPECT_FALSE(SavePlaybackSettings(reporter, "/proc/no/such/playback.ini", chosen));
    EXPECT_TRUE(reporter.Has("GENE", 0x01000007));
}

TEST(PlaybackSettings, PerformanceOptionsAreKeptAsWords)
{
    songloom::test::TempDir dir;
    CapturingReporter reporter;
    const std::string path = dir.File("playback.ini");
    PlaybackSettings chosen;
    chosen.intro = 1;
    chosen.ending = false;
    chosen.humanize = 0;  // the exact grid, not the style's amount
    ASSERT_TRUE(SavePlaybackSettings(reporter, path, chosen));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes, 4096));
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("\nintro=count\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nending=off\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nhumanize=0\n"), std::string::npos) << text;
    EXPECT_EQ(LoadPlaybackSettings(path), chosen);

    chosen.humanize = kStyleHumanize;
    ASSERT_TRUE(SavePlaybackSettings(reporter, path, chosen));
    EXPECT_EQ(LoadPlaybackSettings(path).humanize, kStyleHumanize);

    // Values the options window cannot give keep their defaults.
    ASSERT_TRUE(WriteWholeFile(reporter, path, std::string_view("intro=3\nending=yes\nhumanize=101\n")));
    const PlaybackSettings odd = LoadPlaybackSettings(path);
    EXPECT_EQ(odd.intro, 0);
    EXPECT_TRUE(odd.ending);
    EXPECT_EQ(odd.humanize, kStyleHumanize);
    ASSERT_TRUE(WriteWholeFile(reporter, path, std::string_view("intro=4\nhumanize=100\n")));
    EXPECT_EQ(LoadPlaybackSettings(path).intro, 3);
    EXPECT_EQ(LoadPlaybackSettings(path).humanize, 100);
    EXPECT_TRUE(reporter.reports().empty());
}

}  // namespace
}  // namespace songloom::playback
