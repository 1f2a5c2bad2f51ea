#pragma once
// Offline rendering of a sequence through the built-in synthesizer into a
// WAV file (16-bit stereo, 44.1 kHz), much faster than it would play, with
// the sound's release after the last event. The whole file gets one gain
// that brings the song's peak to 1 dB below full scale: a synthesizer set up
// for live play sounds far too quiet in a file, and a dense song that would
// overdrive it is brought down instead of clipped.

#include <cstdint>
#include <string>
#include <vector>

#include "common/reporter.h"
#include "playback/play_sequence.h"

namespace songloom::playback {

struct WavExportResult {
    std::int64_t frames = 0;         // frames written
    std::int64_t songFrames = 0;     // up to the last event
    double renderSeconds = 0;        // wall time the rendering took
    float gain = 1;                  // applied to the synthesizer's output
    double SecondsOf(std::int64_t n) const { return static_cast<double>(n) / 44100.0; }
};

inline constexpr int kWavSampleRate = 44100;
// Longest release rendered after the last event, in seconds.
inline constexpr int kMaxReleaseSeconds = 10;
// Peak of the written file, of full scale (-1 dBFS).
inline constexpr float kWavTargetPeak = 0.891f;
// A nearly silent song is not raised into audible noise.
inline constexpr float kWavMaxGain = 64.0f;

// The gain that brings a song whose peak (of full scale) is peak to the
// target peak, at most the largest gain; 1 for silence.
float NormalisingGain(float peak);

// A soundfont that cannot be loaded shows its path and reports GENE
// 0x01000007; without a synthesizer in the build, MDCT 0x07000001; a file
// that cannot be written shows its path and reports GENE 0x01000007; a song
// longer than a WAV file can hold (about six and a half hours) reports GENE
// 0x0100000A. False on any failure; an earlier file at outPath is kept then.
bool ExportWav(Reporter& reporter, const PlaySequence& sequence, const std::string& soundFont,
               const std::string& outPath, WavExportResult* result = nullptr);

// The 44-byte header of a PCM WAV file of 16-bit stereo frames.
std::vector<std::uint8_t> WavHeader(std::int64_t frames, int sampleRate);

}  // namespace songloom::playback
