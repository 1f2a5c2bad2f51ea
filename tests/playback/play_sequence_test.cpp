#include "playback/play_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "playback/playback_messages.h"
#include "playback_rig.h"
#include "support/test_paths.h"

namespace songloom::playback {
namespace {

using test::Bytes;
using test::SequenceBuilder;

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

TEST(PlaySequenceFile, MergesTracksRescalesAndKeepsShortNotes)
{
    // Division 480: tick 480 becomes 96; a note 2 ticks long would round to 0.
    const Bytes conductor = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo 500000
                             0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08,  // 3/4
                             0x83, 0x60, 0xFF, 0x2F, 0x00};                 // end at 480
    const Bytes melody = {0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,
                          0x00, 0xC1, 0x05,                    // program
                          0x83, 0x60, 0x91, 0x3C, 0x64,        // on at 480
                          0x02, 0x3C, 0x00,                    // running status, velocity 0: off at 482
                          0x00, 0xE1, 0x00, 0x40,              // centre bend
                          0x00, 0xFF, 0x2F, 0x00};
    const Bytes file = SmfBuilder().Header(1, 2, 480).Track(conductor).Track(melody).bytes();
    CapturingReporter reporter;
    PlaySequence seq;
    ASSERT_TRUE(ParseStandardMidiFile(reporter, file, seq));
    EXPECT_TRUE(reporter.reports().empty());
    EXPECT_EQ(seq.state, 1);
    EXPECT_EQ(seq.division, kPlayDivision);
    ASSERT_EQ(seq.events.size(), 8u);
    EXPECT_EQ(seq.events[0].value, 500000);
    EXPECT_EQ(seq.events[1].value, 3 * 256 + 4);
    EXPECT_EQ(seq.events[2].data, (Bytes{0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(seq.events[3].kind, 0xC0);
    EXPECT_EQ(seq.events[3].channel, 1);
    EXPECT_EQ(seq.events[4].kind, 0x90);
    EXPECT_EQ(seq.events[4].delta, 96);
    EXPECT_EQ(seq.events[5].kind, 0xE0);  // the bend at 96 stays before the kept-long note-off
    EXPECT_EQ(seq.events[6].kind, 0x80);
    EXPECT_EQ(seq.events[6].delta, 1);
    EXPECT_EQ(seq.events[7].number, 0x2F);
    EXPECT_EQ(TotalTicks(seq), 97);
    EXPECT_EQ(BarLength(seq), 288);
}

TEST(PlaySequenceFile, MalformedFilesAreReportedWithoutCrashing)
{
    const Bytes goodStart = {0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x00};
    struct Case {
        const char* name;
        Bytes file;
        bool readable;
        std::size_t events;  // including the closing end of track
    };
    Bytes truncated = goodStart;
    truncated.push_back(0x81);  // a delta that never ends
    const Case cases[] = {
        {"empty", {}, false, 0},
        {"not a header", Bytes(20, 'x'), false, 0},
        {"timecode division", SmfBuilder().Header(0, 1, 0xE728).Track(goodStart).bytes(), false, 0},
        {"cut delta", SmfBuilder().Header(0, 1, 96).Track(truncated).bytes(), true, 3},
        {"no running status", SmfBuilder().Header(0, 1, 96).Track({0x00, 0x3C, 0x64}).bytes(), true, 1},
        {"meta longer than chunk", SmfBuilder().Header(0, 1, 96).Track({0x00, 0xFF, 0x01, 0x40, 0x41}).bytes(), true, 1},
        {"chunk longer than file", [&] {
             Bytes b = SmfBuilder().Header(0, 1, 96).Track(goodStart).bytes();
             b.resize(b.size() - 3);
             return b;
         }(), true, 2},
    };
    for (const Case& c : cases) {
        CapturingReporter reporter;
        PlaySequence seq;
        EXPECT_EQ(ParseStandardMidiFile(reporter, c.file, seq), c.readable) << c.name;
        EXPECT_TRUE(reporter.Has("MDPL", mdpl::kBadDelta)) << c.name;
        EXPECT_EQ(seq.events.size(), c.events) << c.name;
    }
    CapturingReporter reporter;
    PlaySequence seq;
    EXPECT_FALSE(LoadStandardMidiFile(reporter, "/nonexistent/song.mid", seq));
    EXPECT_TRUE(reporter.Has("GENE", 0x01000007));
}

TEST(PlaySequenceFile, EdgeCaseCorpusLoadsIntoWellFormedSequences)
{
    const std::string corpus = songloom::test::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no shared corpus";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus + "/midi-edge")) {
        if (entry.path().extension() != ".mid") continue;
        ++files;
        CapturingReporter reporter;
        PlaySequence seq;
        if (!LoadStandardMidiFile(reporter, entry.path().string(), seq)) continue;
        ASSERT_FALSE(seq.events.empty()) << entry.path();
        EXPECT_EQ(seq.events.back().number, 0x2F) << entry.path();
        for (const PlayEvent& e : seq.events) {
            EXPECT_GE(e.delta, 0) << entry.path();
            const bool channelMessage = e.kind >= 0x80 && e.kind <= 0xE0 && (e.kind & 0x0F) == 0;
            const bool other = e.kind == 0xF0 || e.kind == 0xF7 || e.kind == 0xFF;
            EXPECT_TRUE(channelMessage || other) << entry.path() << " kind " << e.kind;
            if (channelMessage) {
                EXPECT_LT(e.channel, 16) << entry.path();
            }
            if (e.kind == 0xF0) {
                EXPECT_EQ(e.data.front(), 0xF0) << entry.path();
            }
        }
    }
    EXPECT_GT(files, 50);
}

TEST(PlaySequence, TrimLeadingTimeRemovesWholeBarsOnly)
{
    {  // 3/4: the first note at 700 lies in bar 3 (576 to 863)
        auto seq = SequenceBuilder()
                       .TimeSignature(0, 3, 4)
                       .Control(100, 0, 7, 100)
                       .NoteOn(600, 0, 60, 100)
                       .NoteOff(10, 0, 60)
                       .Build();
        EXPECT_EQ(TrimLeadingTime(seq), 576);
        EXPECT_EQ(seq.events[1].delta, 0);
        EXPECT_EQ(seq.events[2].delta, 124);
        EXPECT_EQ(seq.events[3].delta, 10);
    }
    {  // a note in the first bar: nothing to trim
        auto seq = SequenceBuilder().NoteOn(383, 0, 60, 100).Build();
        EXPECT_EQ(TrimLeadingTime(seq), 0);
        EXPECT_EQ(seq.events[0].delta, 383);
    }
    {  // no note: up to the last event; silent note-ons do not count
        auto seq = SequenceBuilder().NoteOn(100, 0, 60, 0).End(700).Build();
        EXPECT_EQ(TrimLeadingTime(seq), 768);
        EXPECT_EQ(TotalTicks(seq), 32);
    }
}

}  // namespace
}  // namespace songloom::playback
