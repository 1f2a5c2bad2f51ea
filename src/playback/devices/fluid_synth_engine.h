#pragma once
// One FluidSynth synthesizer with its settings, fed with wire-format MIDI
// messages. Used live behind an audio driver and offline for WAV export.
// Without FluidSynth in the build the engine is never valid.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "playback/midi_output.h"

namespace songloom::playback {

// The full General MIDI set of the Debian soundfonts: the better balance
// between its instruments (TimGM6mb's string and brass ensembles drown a
// melody by some 6 dB).
inline constexpr const char* kFullSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
// Small General MIDI soundfont that loads fast; the fall-back.
inline constexpr const char* kSmallSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// The full soundfont when it is installed, else the small one.
std::string DefaultSoundFont();

// Output gain of the synthesizer in live play. FluidSynth's own default of
// 0.2 leaves a typical song's peaks some 20 dB below full scale; twice that
// still keeps the densest catalogue style (peaks at 0.38 at 0.2) clear of
// clipping at the audio driver.
inline constexpr double kDefaultLiveGain = 0.4;
inline constexpr double kMinGain = 0.01;
inline constexpr double kMaxGain = 2.0;

class FluidSynthEngine {
public:
    // Samples are loaded when a program first needs them, so that a large
    // soundfont starts quickly.
    explicit FluidSynthEngine(double sampleRate = 44100.0);
    ~FluidSynthEngine();
    FluidSynthEngine(const FluidSynthEngine&) = delete;
    FluidSynthEngine& operator=(const FluidSynthEngine&) = delete;

    bool IsValid() const;
    // Output gain, clamped to kMinGain..kMaxGain.
    void SetGain(double gain);
    // Blocks while the file is read; false when it cannot be loaded.
    bool LoadSoundFont(const std::string& path);

    // A channel message (status with channel and its data bytes).
    void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // A system exclusive message as on the wire (F0 ... F7).
    void SendSysEx(std::span<const std::uint8_t> wire);
    // Every note on every channel ends (with its release), the sustain pedal
    // is lifted.
    void AllNotesOff();

    // Renders frames of interleaved 16-bit stereo; false on failure.
    bool Render(std::int16_t* interleaved, int frames);
    // Renders frames of interleaved float stereo (full scale 1.0, not
    // clipped); false on failure.
    bool RenderFloat(float* interleaved, int frames);
    int ActiveVoices() const;
    double SampleRate() const { return sampleRate_; }

    // Opens an audio output on the synthesizer, trying PipeWire, PulseAudio
    // and ALSA in that order (never a file writer); the name of the driver
    // that opened, empty when none did.
    std::string StartAudio();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    double sampleRate_;
};

// An output that plays on engine; the engine must outlive it.
std::unique_ptr<MidiOutput> MakeEngineOutput(FluidSynthEngine& engine);

}  // namespace songloom::playback
