#include "app/setup_settings.h"

#include <gtest/gtest.h>

#include "common/general.h"
#include "support/test_paths.h"

namespace songloom::app {
namespace {

TEST(SetupSettings, ImageHasTheFieldsAtTheirOffsets)
{
    SetupSettings s;
    s.currentFile = "/home/user/song.sld";
    s.keyboardLow = -5;
    s.keyboardHigh = 0x01020304;
    const auto image = EncodeSettings(s);
    ASSERT_EQ(image.size(), 268u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data())), s.currentFile);
    EXPECT_EQ(image[260], 0xFB);  // -5, little-endian
    EXPECT_EQ(image[263], 0xFF);
    EXPECT_EQ(image[264], 0x04);
    EXPECT_EQ(image[267], 0x01);
    EXPECT_EQ(DecodeSettings(image, {}), s);
}

TEST(SetupSettings, LongPathKeepsItsTerminator)
{
    SetupSettings s;
    s.currentFile = std::string(400, 'a');
    const auto image = EncodeSettings(s);
    EXPECT_EQ(image[259], 0);
    EXPECT_EQ(DecodeSettings(image, {}).currentFile.size(), 259u);
}

TEST(SetupSettings, ShortFileKeepsTheDefaultsItDoesNotReach)
{
    test::TempDir dir;
    const std::string path = dir.File("setup.ini");
    SetupSettings written;
    written.currentFile = "x.sld";
    written.keyboardLow = 30;
    auto image = EncodeSettings(written);
    ASSERT_TRUE(WriteFileAtomically(path, std::span<const std::uint8_t>(image.data(), 264)));
    const SetupSettings read = LoadSettings(path, {});
    EXPECT_EQ(read.currentFile, "x.sld");
    EXPECT_EQ(read.keyboardLow, 30);
    EXPECT_EQ(read.keyboardHigh, kDefaultKeyboardHigh);
}

TEST(SetupSettings, MissingFileGivesDefaults)
{
    test::TempDir dir;
    EXPECT_EQ(LoadSettings(dir.File("setup.ini"), {}), SetupSettings{});
}

TEST(SetupSettings, RepairsEachValueOnceInOrder)
{
    struct Case {
        int low, high;
        int repairs;
        int wantLow, wantHigh;
    };
    const Case cases[] = {
        {48, 83, 0, 48, 83},
        {-5, 200, 2, 48, 83},
        {60, 50, 1, 60, 72},
        {-1, 20, 2, 48, 60},   // low repaired to 48, then high lies below it
        {0, 127, 0, 0, 127},
    };
    for (const Case& c : cases) {
        SetupSettings s;
        s.keyboardLow = c.low;
        s.keyboardHigh = c.high;
        int calls = 0;
        EXPECT_EQ(RepairSettings(s, [&] { ++calls; }), c.repairs) << c.low << " " << c.high;
        EXPECT_EQ(calls, c.repairs);
        EXPECT_EQ(s.keyboardLow, c.wantLow);
        EXPECT_EQ(s.keyboardHigh, c.wantHigh);
    }
}

}  // namespace
}  // namespace songloom::app
