#include "playback/wav_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/general.h"
#include "playback/devices/fluid_synth_engine.h"
#include "playback_rig.h"
#include "support/test_paths.h"

namespace songloom::playback {
namespace {

using test::SequenceBuilder;

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int n)
{
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

// Runs only where the synthesizer and the small soundfont are there.
class WavExportWithSynth : public ::testing::Test {
protected:
    void SetUp() override
    {
#if !SONGLOOM_HAVE_FLUIDSYNTH
        GTEST_SKIP() << "built without the synthesizer";
#endif
        if (!FileExists(kSmallSoundFont)) GTEST_SKIP() << "no General MIDI soundfont";
    }
    songloom::test::TempDir dir;
    CapturingReporter reporter;
};

TEST_F(WavExportWithSynth, RendersTheSongWithItsReleaseIntoA16BitStereoFile)
{
    // Two seconds at 120: a piano chord for a bar, velocity 200 clamped.
    const auto song = SequenceBuilder()
                          .Tempo(0, 500000)
                          .Program(0, 0, 0)
                          .NoteOn(0, 0, 60, 200)
                          .NoteOn(0, 0, 64, 100)
                          .NoteOff(384, 0, 60)
                          .NoteOff(0, 0, 64)
                          .End(0)
                          .Build();
    WavExportResult result;
    const std::string out = dir.File("song.wav");
    ASSERT_TRUE(ExportWav(reporter, song, kSmallSoundFont, out, &result));
    EXPECT_TRUE(reporter.reports().empty());
    EXPECT_EQ(result.songFrames, 2 * kWavSampleRate);
    EXPECT_GT(result.frames, result.songFrames);  // the release is kept
    EXPECT_LT(result.frames, result.songFrames + kMaxReleaseSeconds * kWavSampleRate);

    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(out, bytes));
    ASSERT_EQ(bytes.size(), 44u + 4u * static_cast<std::size_t>(result.frames));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(Le(bytes, 4, 4), bytes.size() - 8);
    EXPECT_EQ(Le(bytes, 22, 2), 2u);       // stereo
    EXPECT_EQ(Le(bytes, 24, 4), 44100u);   // rate
    EXPECT_EQ(Le(bytes, 34, 2), 16u);      // bits
    EXPECT_EQ(Le(bytes, 40, 4), bytes.size() - 44);
    int peakSong = 0;
    int peakEnd = 0;
    for (std::size_t i = 44; i + 1 < bytes.size(); i += 2) {
        const int sample = std::abs(static_cast<std::int16_t>(Le(bytes, i, 2)));
        if (i < 44 + 4 * 44100) peakSong = std::max(peakSong, sample);
        if (i + 4 * 512 >= bytes.size()) peakEnd = std::max(peakEnd, sample);
    }
    // One gain for the whole file brings the song's peak to -1 dBFS.
    EXPECT_NEAR(peakSong, kWavTargetPeak * 32767, 2);
    EXPECT_GT(result.gain, 1.0f);
    // Rendered until the sound has died away: 60 dB below the peak.
    EXPECT_LT(peakEnd, 40);
}

// Peak of the 16-bit samples of a WAV file written by the export.
int FilePeak(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return -1;
    int peak = 0;
    for (std::size_t i = 44; i + 1 < bytes.size(); i += 2)
        peak = std::max(peak, std::abs(static_cast<std::int16_t>(Le(bytes, i, 2))));
    return peak;
}

TEST_F(WavExportWithSynth, ADenseSongIsBroughtDownInsteadOfClippedAndAQuietOneIsRaised)
{
    // Sixteen channels of brass at full volume and velocity, six notes
    // each: far beyond full scale at the synthesizer's output.
    SequenceBuilder loud;
    loud.Tempo(0, 500000);
    for (int channel = 0; channel < 16; ++channel) {
        loud.Program(0, channel, 61).Control(0, channel, 7, 127).Control(0, channel, 11, 127);
        for (int k = 0; k < 6; ++k) loud.NoteOn(0, channel, 48 + 5 * k, 127);
    }
    loud.NoteOff(192, 0, 48).End(0);
    WavExportResult result;
    ASSERT_TRUE(ExportWav(reporter, loud.Build(), kSmallSoundFont, dir.File("loud.wav"), &result));
    EXPECT_LT(result.gain, 1.0f);
    EXPECT_NEAR(FilePeak(dir.File("loud.wav")), kWavTargetPeak * 32767, 2);

    // One soft note: raised to the same peak.
    const auto soft = SequenceBuilder()
                          .Tempo(0, 500000)
                          .NoteOn(0, 0, 72, 90)
                          .NoteOff(96, 0, 72)
                          .End(0)
                          .Build();
    ASSERT_TRUE(ExportWav(reporter, soft, kSmallSoundFont, dir.File("soft.wav"), &result));
    EXPECT_GT(result.gain, 4.0f);
    EXPECT_NEAR(FilePeak(dir.File("soft.wav")), kWavTargetPeak * 32767, 2);
    EXPECT_TRUE(reporter.reports().empty());
    EXPECT_FALSE(FileExists(dir.File("soft.wav.part.f32")));
}

TEST(WavExport, NormalisingGainReachesTheTargetWithinItsLimits)
{
    EXPECT_FLOAT_EQ(NormalisingGain(kWavTargetPeak), 1.0f);
    EXPECT_FLOAT_EQ(NormalisingGain(2 * kWavTargetPeak), 0.5f);
    EXPECT_FLOAT_EQ(NormalisingGain(kWavTargetPeak / 10), 10.0f);
    // Near silence is not raised into noise; silence keeps its level.
    EXPECT_FLOAT_EQ(NormalisingGain(1e-6f), kWavMaxGain);
    EXPECT_FLOAT_EQ(NormalisingGain(0.0f), 1.0f);
}

TEST(WavExport, MissingSoundFontOrFolderFailsAndKeepsTheOldFile)
{
    songloom::test::TempDir dir;
    CapturingReporter reporter;
    const auto song = SequenceBuilder().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).Build();
    const std::string out = dir.File("old.wav");
    ASSERT_TRUE(WriteWholeFile(reporter, out, std::string_view("old")));
    EXPECT_FALSE(ExportWav(reporter, song, dir.File("none.sf2"), out));
    EXPECT_FALSE(reporter.reports().empty());
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(out, bytes));
    EXPECT_EQ(bytes.size(), 3u);
#if SONGLOOM_HAVE_FLUIDSYNTH
    if (FileExists(kSmallSoundFont)) {
        reporter.Clear();
        EXPECT_FALSE(ExportWav(reporter, song, kSmallSoundFont, dir.File("no/such/dir/x.wav")));
        EXPECT_TRUE(reporter.Has("GENE", 0x01000007));
        // Longer than a WAV file can hold: refused before rendering it.
        reporter.Clear();
        const auto endless = SequenceBuilder().NoteOn(0, 0, 60, 100).NoteOff(5000000, 0, 60).Build();
        EXPECT_FALSE(ExportWav(reporter, endless, kSmallSoundFont, out));
        EXPECT_TRUE(reporter.Has("GENE", 0x0100000A));
        ASSERT_TRUE(ReadWholeFile(out, bytes));
        EXPECT_EQ(bytes.size(), 3u);
        EXPECT_FALSE(FileExists(out + ".part"));
    }
#endif
}

}  // namespace
}  // namespace songloom::playback

namespace songloom::playback {
namespace {

// Peak of a tenth of a second of middle C on a fresh engine at a gain.
float PeakAtGain(double gain)
{
    FluidSynthEngine engine;
    if (!engine.LoadSoundFont(kSmallSoundFont)) return -1;
    engine.SetGain(gain);
    engine.SendShort(0x90, 60, 100);
    std::vector<float> frames(2 * 4410);
    if (!engine.RenderFloat(frames.data(), 4410)) return -1;
    float peak = 0;
    for (const float f : frames) peak = std::max(peak, std::fabs(f));
    return peak;
}

TEST_F(WavExportWithSynth, TheLiveGainScalesTheOutputWithinItsLimits)
{
    const float standard = PeakAtGain(0.2);
    ASSERT_GT(standard, 0.0f);
    EXPECT_NEAR(PeakAtGain(kDefaultLiveGain) / standard, kDefaultLiveGain / 0.2, 0.05);
    EXPECT_NEAR(PeakAtGain(100.0) / standard, kMaxGain / 0.2, 0.1);  // clamped
}

}  // namespace
}  // namespace songloom::playback
