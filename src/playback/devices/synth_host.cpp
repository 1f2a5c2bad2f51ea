#include "playback/devices/synth_host.h"

#include <chrono>

namespace songloom::playback {

SynthHost::SynthHost(std::string soundFont, double gain) : soundFont_(std::move(soundFont))
{
    engine_.SetGain(gain);
}

SynthHost::~SynthHost()
{
    if (loader_.joinable()) loader_.join();
}

void SynthHost::Start()
{
    {
        std::lock_guard lock(mutex_);
        if (started_) return;
        started_ = true;
    }
    loader_ = std::thread([this] { Load(); });
}

void SynthHost::Load()
{
    const std::string driver = engine_.IsValid() ? engine_.StartAudio() : std::string();
    {
        std::lock_guard lock(mutex_);
        audioTried_ = true;
        audioOpen_ = !driver.empty();
        audioDriver_ = driver;
    }
    changed_.notify_all();
    // Without an audio output the soundfont would only cost memory.
    const bool loaded = !driver.empty() && engine_.LoadSoundFont(soundFont_);
    {
        std::lock_guard lock(mutex_);
        fontTried_ = true;
        fontLoaded_ = loaded;
    }
    changed_.notify_all();
}

bool SynthHost::WaitForAudio(Micros limit)
{
    Start();
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::microseconds(limit), [this] { return audioTried_; });
    return audioOpen_;
}

bool SynthHost::WaitForSoundFont(Micros limit)
{
    Start();
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::microseconds(limit), [this] { return fontTried_; });
    return fontLoaded_;
}

std::string SynthHost::AudioDriver() const
{
    std::lock_guard lock(mutex_);
    return audioDriver_;
}

std::unique_ptr<MidiOutput> SynthHost::OpenOutput() { return MakeEngineOutput(engine_); }

}  // namespace songloom::playback
