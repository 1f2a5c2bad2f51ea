#include "playback/devices/fluid_synth_engine.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <unistd.h>

#if SONGLOOM_HAVE_FLUIDSYNTH
#include <fluidsynth.h>
#endif

namespace songloom::playback {
namespace {

class EngineOutput : public MidiOutput {
public:
    explicit EngineOutput(FluidSynthEngine& engine) : engine_(engine) {}

    int SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override
    {
        engine_.SendShort(status, data1, data2);
        return 0;
    }
    int SendLong(std::span<const std::uint8_t> message) override
    {
        engine_.SendSysEx(message);
        return 0;
    }
    int Reset() override
    {
        engine_.AllNotesOff();
        return 0;
    }
    int Close() override { return 0; }

private:
    FluidSynthEngine& engine_;
};

}  // namespace

std::unique_ptr<MidiOutput> MakeEngineOutput(FluidSynthEngine& engine)
{
    return std::make_unique<EngineOutput>(engine);
}

std::string DefaultSoundFont()
{
    return access(kFullSoundFont, R_OK) == 0 ? kFullSoundFont : kSmallSoundFont;
}

#if SONGLOOM_HAVE_FLUIDSYNTH

struct FluidSynthEngine::Impl {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* audio = nullptr;

    ~Impl()
    {
        if (audio) delete_fluid_audio_driver(audio);
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

FluidSynthEngine::FluidSynthEngine(double sampleRate)
    : impl_(std::make_unique<Impl>()), sampleRate_(sampleRate)
{
    // Failures are reported by the device with our own codes; the library's
    // own lines on stderr would only repeat them.
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
        fluid_set_log_function(level, nullptr, nullptr);
    }
    impl_->settings = new_fluid_settings();
    if (!impl_->settings) return;
    fluid_settings_setnum(impl_->settings, "synth.sample-rate", sampleRate);
    fluid_settings_setint(impl_->settings, "synth.dynamic-sample-loading", 1);
    impl_->synth = new_fluid_synth(impl_->settings);
}

FluidSynthEngine::~FluidSynthEngine() = default;

bool FluidSynthEngine::IsValid() const { return impl_->synth != nullptr; }

void FluidSynthEngine::SetGain(double gain)
{
    if (impl_->synth) fluid_synth_set_gain(impl_->synth, static_cast<float>(std::clamp(gain, kMinGain, kMaxGain)));
}

bool FluidSynthEngine::LoadSoundFont(const std::string& path)
{
    if (!impl_->synth) return false;
    return fluid_synth_sfload(impl_->synth, path.c_str(), 1) != FLUID_FAILED;
}

void FluidSynthEngine::SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    fluid_synth_t* s = impl_->synth;
    if (!s) return;
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(s, channel, data1);
        break;
    case 0x90:
        fluid_synth_noteon(s, channel, data1, data2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(s, channel, data1, data2);
        break;
    case 0xB0:
        fluid_synth_cc(s, channel, data1, data2);
        break;
    case 0xC0:
        fluid_synth_program_change(s, channel, data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(s, channel, data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(s, channel, data1 | (data2 << 7));
        break;
    default:
        break;
    }
}

void FluidSynthEngine::SendSysEx(std::span<const std::uint8_t> wire)
{
    if (!impl_->synth || wire.size() < 2 || wire.front() != 0xF0) return;
    // The synthesizer takes the body without the framing bytes.
    std::size_t length = wire.size() - 1;
    if (wire.back() == 0xF7) --length;
    std::vector<char> body(wire.begin() + 1, wire.begin() + 1 + static_cast<std::ptrdiff_t>(length));
    fluid_synth_sysex(impl_->synth, body.data(), static_cast<int>(body.size()), nullptr, nullptr,
                      nullptr, 0);
}

void FluidSynthEngine::AllNotesOff()
{
    if (!impl_->synth) return;
    for (int channel = 0; channel < 16; ++channel) fluid_synth_cc(impl_->synth, channel, 64, 0);
    fluid_synth_all_notes_off(impl_->synth, -1);
}

bool FluidSynthEngine::Render(std::int16_t* interleaved, int frames)
{
    if (!impl_->synth) return false;
    return fluid_synth_write_s16(impl_->synth, frames, interleaved, 0, 2, interleaved, 1, 2) ==
           FLUID_OK;
}

bool FluidSynthEngine::RenderFloat(float* interleaved, int frames)
{
    if (!impl_->synth) return false;
    return fluid_synth_write_float(impl_->synth, frames, interleaved, 0, 2, interleaved, 1, 2) ==
           FLUID_OK;
}

int FluidSynthEngine::ActiveVoices() const
{
    return impl_->synth ? fluid_synth_get_active_voice_count(impl_->synth) : 0;
}

std::string FluidSynthEngine::StartAudio()
{
    if (!impl_->synth) return {};
    if (impl_->audio) return "open";
    for (const char* driver : {"pipewire", "pulseaudio", "alsa"}) {
        // Without any sound card ALSA would only fill stderr with its search.
        if (std::string_view(driver) == "alsa" && access("/dev/snd", F_OK) != 0) continue;
        if (fluid_settings_setstr(impl_->settings, "audio.driver", driver) != FLUID_OK) continue;
        impl_->audio = new_fluid_audio_driver(impl_->settings, impl_->synth);
        if (impl_->audio) return driver;
    }
    return {};
}

#else  // without FluidSynth: an engine that is never valid

struct FluidSynthEngine::Impl {};

FluidSynthEngine::FluidSynthEngine(double sampleRate)
    : impl_(std::make_unique<Impl>()), sampleRate_(sampleRate)
{
}
FluidSynthEngine::~FluidSynthEngine() = default;
bool FluidSynthEngine::IsValid() const { return false; }
void FluidSynthEngine::SetGain(double) {}
bool FluidSynthEngine::LoadSoundFont(const std::string&) { return false; }
void FluidSynthEngine::SendShort(std::uint8_t, std::uint8_t, std::uint8_t) {}
void FluidSynthEngine::SendSysEx(std::span<const std::uint8_t>) {}
void FluidSynthEngine::AllNotesOff() {}
bool FluidSynthEngine::Render(std::int16_t*, int) { return false; }
bool FluidSynthEngine::RenderFloat(float*, int) { return false; }
int FluidSynthEngine::ActiveVoices() const { return 0; }
std::string FluidSynthEngine::StartAudio() { return {}; }

#endif

}  // namespace songloom::playback
