#include "playback/devices/rtmidi_output.h"

#if SONGLOOM_HAVE_RTMIDI
#include "playback/devices/rtmidi_alsa.h"
#endif

namespace songloom::playback {

#if SONGLOOM_HAVE_RTMIDI
namespace {

class AlsaPortOutput : public MidiOutput {
public:
    explicit AlsaPortOutput(std::unique_ptr<RtMidiOut> out) : out_(std::move(out))
    {
        // After construction errors come to this callback instead of being
        // thrown; the failing call then returns 1.
        out_->setErrorCallback(
            [](RtMidiError::Type, const std::string&, void* self) {
                static_cast<AlsaPortOutput*>(self)->failed_ = true;
            },
            this);
    }

    int SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override
    {
        std::uint8_t bytes[3] = {status, data1, data2};
        return Send(bytes, 1 + static_cast<std::size_t>(ChannelMessageDataBytes(status)));
    }
    int SendLong(std::span<const std::uint8_t> message) override
    {
        return Send(message.data(), message.size());
    }
    int Reset() override
    {
        int result = 0;
        for (std::uint8_t channel = 0; channel < 16; ++channel) {
            result |= SendShort(0xB0 | channel, 64, 0);   // sustain off
            result |= SendShort(0xB0 | channel, 123, 0);  // all notes off
            result |= SendShort(0xB0 | channel, 121, 0);  // reset controllers
        }
        return result;
    }
    int Close() override
    {
        try {
            out_->closePort();
        } catch (const RtMidiError&) {
            return 1;
        }
        return failed_ ? 1 : 0;
    }

private:
    int Send(const std::uint8_t* bytes, std::size_t n)
    {
        failed_ = false;
        try {
            out_->sendMessage(bytes, n);
        } catch (const RtMidiError&) {
            return 1;
        }
        return failed_ ? 1 : 0;
    }

    std::unique_ptr<RtMidiOut> out_;
    bool failed_ = false;
};

}  // namespace

std::vector<std::string> ListAlsaPorts() { return alsa::PortNames<RtMidiOut>(); }

OpenResult OpenAlsaPort(int port)
{
    auto [status, out] = alsa::OpenPort<RtMidiOut>(port);
    if (!out) return {status, nullptr};
    return {OpenStatus::kOpened, std::make_unique<AlsaPortOutput>(std::move(out))};
}

#else  // without RtMidi there are no external ports

std::vector<std::string> ListAlsaPorts() { return {}; }
OpenResult OpenAlsaPort(int) { return {OpenStatus::kNoOutput, nullptr}; }

#endif

}  // namespace songloom::playback
