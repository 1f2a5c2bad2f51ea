#include "playback/file_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "common/general.h"
#include "playback/midi_player.h"
#include "playback_rig.h"
#include "support/test_paths.h"

namespace songloom::playback {
namespace {

using test::Bytes;

// Builds Standard MIDI File bytes: header, then tracks of raw event bytes.
class SmfBuilder {
public:
    SmfBuilder& Header(int format, int tracks, int division)
    {
        Put("MThd");
        Be(6, 4);
        Be(format, 2);
        Be(tracks, 2);
        Be(division, 2);
        return *this;
    }
    SmfBuilder& Track(const Bytes& body)
    {
        Put("MTrk");
        Be(static_cast<int>(body.size()), 4);
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        return *this;
    }
    Bytes bytes() const { return bytes_; }

private:
    void Put(const char* tag) { bytes_.insert(bytes_.end(), tag, tag + 4); }
    void Be(int value, int n)
    {
        for (int i = n - 1; i >= 0; --i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    Bytes bytes_;
};

TEST(FileSequence, FormatOneFileBecomesOneTrackOfMessagesAt96)
{
    // Division 480: tick 480 becomes 96; a note 2 ticks long keeps 1 tick.
    const Bytes conductor = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,        // tempo 500000
                             0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08,  // 3/4
                             0x83, 0x60, 0xFF, 0x2F, 0x00};
    const Bytes melody = {0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,
                          0x00, 0xC1, 0x05,              // program
                          0x83, 0x60, 0x91, 0x3C, 0x64,  // on at 480
                          0x02, 0x3C, 0x00,              // running status, velocity 0: off at 482
                          0x00, 0xFF, 0x2F, 0x00};
    songloom::test::TempDir dir;
    const std::string path = dir.File("two.mid");
    CapturingReporter reporter;
    ASSERT_TRUE(WriteWholeFile(reporter, path,
                               SmfBuilder().Header(1, 2, 480).Track(conductor).Track(melody).bytes()));
    PlaySequence seq;
    ASSERT_TRUE(LoadPlayFile(reporter, path, seq));
    EXPECT_EQ(seq.state, 1);
    EXPECT_EQ(seq.division, kPlayDivision);
    std::vector<Tick> ticks = AbsoluteTicks(seq);
    const auto find = [&](int kind) {
        for (std::size_t i = 0; i < seq.events.size(); ++i) {
            if (seq.events[i].kind == kind) return static_cast<int>(i);
        }
        return -1;
    };
    const int on = find(0x90);
    const int off = find(0x80);
    ASSERT_GE(on, 0);
    ASSERT_GT(off, on);
    EXPECT_EQ(ticks[static_cast<std::size_t>(on)], 96);
    EXPECT_EQ(ticks[static_cast<std::size_t>(off)], 97);
    EXPECT_EQ(seq.events[static_cast<std::size_t>(on)].channel, 1);
    EXPECT_EQ(seq.events[static_cast<std::size_t>(on)].velocity, 100);
    // The system exclusive keeps its stored form (the loader may add others).
    const Bytes gmOn = {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_TRUE(std::any_of(seq.events.begin(), seq.events.end(),
                            [&](const PlayEvent& e) { return e.kind == 0xF0 && e.data == gmOn; }));
    EXPECT_EQ(BarLength(seq), 288);
    bool tempo = false;
    for (const auto& e : seq.events) tempo = tempo || (e.kind == 0xFF && e.number == 0x51 && e.value == 500000);
    EXPECT_TRUE(tempo);

    EXPECT_FALSE(LoadPlayFile(reporter, dir.File("missing.mid"), seq));
    EXPECT_TRUE(reporter.Has("GENE", 0x01000007));
}

TEST(FileSequence, PlayerPlaysAMidiFileObjectAtItsTempo)
{
    // Format 0 at 192 ticks: tempo 120, a quarter note of velocity 127.
    const Bytes track = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                         0x00, 0x90, 0x40, 0x7F, 0x81, 0x40, 0x80, 0x40, 0x00,
                         0x00, 0xFF, 0x2F, 0x00};
    test::Rig rig;
    midi::CMidiFile0 file(rig.reporter, SmfBuilder().Header(0, 1, 192).Track(track).bytes());
    ASSERT_TRUE(file.Loaded());
    PlayerOptions options;
    options.setupSpacing = 0;
    options.startLead = 0;
    MidiPlayer player(rig.context, options);
    std::atomic<int> ends{0};
    player.Play(file, [&] { ++ends; }, nullptr, false);
    ASSERT_TRUE(rig.clock.RunUntilIdle(60000000));
    player.WaitUntilDone();
    const std::vector<std::pair<Micros, Bytes>> expected = {
        {0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {0, {0x90, 0x40, 0x7F}},
        {500000, {0x80, 0x40, 0x00}},
    };
    EXPECT_EQ(rig.Sent(), expected);
    EXPECT_EQ(ends, 1);
}

TEST(FileSequence, EdgeCaseCorpusLoadsIntoWellFormedSequences)
{
    const std::string corpus = songloom::test::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no shared corpus";
    int files = 0;
    int played = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus + "/midi-edge")) {
        if (entry.path().extension() != ".mid") continue;
        ++files;
        CapturingReporter reporter;
        PlaySequence seq;
        if (!LoadPlayFile(reporter, entry.path().string(), seq)) continue;
        ++played;
        for (const PlayEvent& e : seq.events) {
            EXPECT_GE(e.delta, 0) << entry.path();
            const bool channelMessage = e.kind >= 0x80 && e.kind <= 0xE0 && (e.kind & 0x0F) == 0;
            const bool other = e.kind == 0xF0 || e.kind == 0xF7 || e.kind == 0xFF;
            EXPECT_TRUE(channelMessage || other) << entry.path() << " kind " << e.kind;
            if (channelMessage) {
                EXPECT_LT(e.channel, 16) << entry.path();
            }
        }
    }
    EXPECT_GT(files, 50);
    EXPECT_GT(played, files / 2);
}

}  // namespace
}  // namespace songloom::playback
