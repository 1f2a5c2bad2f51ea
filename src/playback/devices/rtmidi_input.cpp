#include "playback/devices/rtmidi_input.h"

#if SONGLOOM_HAVE_RTMIDI
#include "playback/devices/rtmidi_alsa.h"
#endif

namespace songloom::playback {

#if SONGLOOM_HAVE_RTMIDI
namespace {

class AlsaPortInput : public MidiInput {
public:
    AlsaPortInput(std::unique_ptr<RtMidiIn> in, InputCallback callback)
        : in_(std::move(in)), callback_(std::move(callback))
    {
        in_->setErrorCallback([](RtMidiError::Type, const std::string&, void*) {}, nullptr);
        // System exclusive, timing clock and active sensing are left out.
        in_->ignoreTypes(true, true, true);
        in_->setCallback(&AlsaPortInput::Receive, this);
    }
    ~AlsaPortInput() override
    {
        try {
            in_->cancelCallback();
            in_->closePort();
        } catch (const RtMidiError&) {
            // Closing a port that went away: nothing more to do.
        }
    }

private:
    static void Receive(double deltaSeconds, std::vector<unsigned char>* bytes, void* self)
    {
        auto* input = static_cast<AlsaPortInput*>(self);
        input->seconds_ += deltaSeconds;
        if (!bytes || bytes->empty()) return;
        input->callback_({std::vector<std::uint8_t>(bytes->begin(), bytes->end()),
                          static_cast<Micros>(input->seconds_ * 1e6)});
    }

    std::unique_ptr<RtMidiIn> in_;
    InputCallback callback_;
    double seconds_ = 0;  // RtMidi gives the time since the previous message
};

}  // namespace

std::vector<std::string> AlsaInputs::PortNames() { return alsa::PortNames<RtMidiIn>(); }

InputOpenResult AlsaInputs::Open(int port, InputCallback callback)
{
    auto [status, in] = alsa::OpenPort<RtMidiIn>(port);
    if (!in) return {status, nullptr};
    return {OpenStatus::kOpened, std::make_unique<AlsaPortInput>(std::move(in), std::move(callback))};
}

#else  // without RtMidi there are no keyboards

std::vector<std::string> AlsaInputs::PortNames() { return {}; }
InputOpenResult AlsaInputs::Open(int, InputCallback) { return {OpenStatus::kNoOutput, nullptr}; }

#endif

}  // namespace songloom::playback
