#include "playback/playback_settings.h"

#include <gtest/gtest.h>

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

    const PlaybackSettings chosen{"/usr/share/sounds/sf2/FluidR3_GM.sf2", 2, 0.35, -3, 1, "Eb"};
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

}  // namespace
}  // namespace songloom::playback
