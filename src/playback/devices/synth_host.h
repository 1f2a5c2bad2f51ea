#pragma once
// The built-in synthesizer of a running program: one FluidSynth engine whose
// audio output is opened and whose soundfont is loaded on a thread of its
// own, so that no caller waits for the file. Messages sent before the
// soundfont is in place reach the synthesizer all the same (programs are
// applied again when it arrives).

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "playback/devices/fluid_synth_engine.h"
#include "playback/midi_output.h"
#include "playback/scheduler.h"

namespace songloom::playback {

class SynthHost {
public:
    explicit SynthHost(std::string soundFont = DefaultSoundFont(), double gain = kDefaultLiveGain);
    ~SynthHost();
    SynthHost(const SynthHost&) = delete;
    SynthHost& operator=(const SynthHost&) = delete;

    // Starts opening the audio output and loading the soundfont; returns at
    // once. Later calls do nothing.
    void Start();
    // Waits at most limit for the audio output to be tried; true when it opened.
    bool WaitForAudio(Micros limit);
    // Waits at most limit for the soundfont; true when it loaded.
    bool WaitForSoundFont(Micros limit);
    const std::string& SoundFont() const { return soundFont_; }
    std::string AudioDriver() const;

    // An output on the synthesizer; the host must outlive it.
    std::unique_ptr<MidiOutput> OpenOutput();

private:
    void Load();

    std::string soundFont_;
    FluidSynthEngine engine_;
    std::thread loader_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    bool audioTried_ = false;
    bool audioOpen_ = false;
    bool fontTried_ = false;
    bool fontLoaded_ = false;
    std::string audioDriver_;
};

}  // namespace songloom::playback
