#include "playback/midi_device.h"

#include <gtest/gtest.h>

#include "playback/playback_messages.h"
#include "playback_rig.h"

namespace songloom::playback {
namespace {

using test::Bytes;
using test::Rig;

TEST(MidiDevice, SendsChannelMessagesAsPackedAndClampsVelocity)
{
    Rig rig;
    {
        CMidiDevice device(rig.context);
        ASSERT_TRUE(device.IsOpen());
        device.NoteOn(60, 200, 2);
        device.NoteOn(61, 127, 2);
        device.NoteOff(60, 2);
        device.ProgramChange(40, 15);
        device.ShortMessage(100, 7, 0xB3);   // volume on channel 3
        device.ShortMessage(0x40, 0x00, 0xE0);
    }
    const auto sent = rig.Sent();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[0].second, (Bytes{0x92, 60, 127}));
    EXPECT_EQ(sent[1].second, (Bytes{0x92, 61, 127}));
    EXPECT_EQ(sent[2].second, (Bytes{0x82, 60, 0}));
    EXPECT_EQ(sent[3].second, (Bytes{0xCF, 40}));
    EXPECT_EQ(sent[4].second, (Bytes{0xB3, 7, 100}));
    EXPECT_EQ(sent[5].second, (Bytes{0xE0, 0x00, 0x40}));
    // Destruction resets, then closes.
    const auto all = rig.outputs.Messages();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2].kind, RecordedMessage::Kind::kReset);
    EXPECT_EQ(all.back().kind, RecordedMessage::Kind::kClose);
    EXPECT_TRUE(rig.reporter.reports().empty());
}

TEST(MidiDevice, SystemExclusiveDropsTheStoredLength)
{
    Rig rig;
    CMidiDevice device(rig.context);
    device.SendGmSystemOn();
    // A body of 130 bytes has a two-byte length; neither byte goes out.
    Bytes stored{0xF0, 0x81, 0x02};
    for (int i = 0; i < 129; ++i) stored.push_back(static_cast<std::uint8_t>(i));
    stored.push_back(0xF7);
    device.SendSysEx(stored);
    device.SendSysEx(Bytes{0xF7, 0x01, 0x02});  // a continuation goes out as stored
    const auto sent = rig.Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].second, (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    ASSERT_EQ(sent[1].second.size(), 131u);
    EXPECT_EQ(sent[1].second[0], 0xF0);
    EXPECT_EQ(sent[1].second[1], 0);
    EXPECT_EQ(sent[1].second.back(), 0xF7);
    EXPECT_EQ(sent[2].second, (Bytes{0xF7, 0x01, 0x02}));
}

TEST(MidiDevice, MissingOutputIsReportedOncePerContextAndStaysSilent)
{
    Rig rig;
    rig.outputs.SetOpenStatus(OpenStatus::kNoOutput);
    for (int i = 0; i < 3; ++i) {
        CMidiDevice device(rig.context);
        EXPECT_FALSE(device.IsOpen());
        EXPECT_FALSE(device.OpenFailed());
        EXPECT_EQ(device.NoteOn(60, 100, 0), 0);
        EXPECT_EQ(device.ProgramChange(1, 0), 0);
        EXPECT_EQ(device.SendGmSystemOn(), 0);
    }
    EXPECT_EQ(rig.reporter.Count("MDCT", mdct::kOpenFailed), 1u);
    EXPECT_EQ(rig.reporter.reports().size(), 1u);
    EXPECT_TRUE(rig.outputs.Messages().empty());

    // Another context (another process) reports again.
    Rig other;
    other.outputs.SetOpenStatus(OpenStatus::kNoOutput);
    CMidiDevice device(other.context);
    EXPECT_EQ(other.reporter.Count("MDCT", mdct::kOpenFailed), 1u);
}

TEST(MidiDevice, PortThatRefusesIsReportedEveryTime)
{
    Rig rig;
    CMidiDevice first(rig.context, 7);  // the rig has ports 0 and 1 only
    CMidiDevice second(rig.context, 7);
    EXPECT_TRUE(first.OpenFailed());
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(rig.reporter.Count("MDCT", mdct::kOpenFailed), 2u);
    CMidiDevice port1(rig.context, 1);
    EXPECT_TRUE(port1.IsOpen());
}

TEST(MidiDevice, FailuresReportTheirCodes)
{
    Rig rig;
    {
        CMidiDevice device(rig.context);
        rig.outputs.FailSends(true);
        EXPECT_NE(device.NoteOn(60, 100, 0), 0);  // note results are not reported
        EXPECT_TRUE(rig.reporter.reports().empty());
        EXPECT_NE(device.ProgramChange(3, 0), 0);
        EXPECT_NE(device.SendGmSystemOn(), 0);
        rig.outputs.FailResets(true);
    }
    EXPECT_EQ(rig.reporter.Count("MDCT", mdct::kProgramFailed), 1u);
    EXPECT_EQ(rig.reporter.Count("MDCT", mdct::kSysExFailed), 1u);
    EXPECT_EQ(rig.reporter.Count("MDCT", mdct::kCloseFailed), 1u);
    EXPECT_EQ(rig.reporter.lines().back(), "MDCT07000002 Midiデバイスのクローズに失敗しました。");
}

}  // namespace
}  // namespace songloom::playback
