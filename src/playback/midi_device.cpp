#include "playback/midi_device.h"

#include <vector>

#include "playback/playback_messages.h"

namespace songloom::playback {
namespace {

constexpr std::uint8_t kStoredGmSystemOn[] = {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

std::uint8_t DataByte(int value) { return static_cast<std::uint8_t>(value & 0x7F); }

}  // namespace

CMidiDevice::CMidiDevice(PlaybackContext& context, int port) : context_(context)
{
    OpenResult opened = context.outputs.Open(port);
    openStatus_ = opened.status;
    if (opened.status == OpenStatus::kOpened && opened.output) {
        output_ = std::move(opened.output);
        return;
    }
    if (opened.status == OpenStatus::kNoOutput) {
        if (context.noOutputReported.exchange(true)) return;
    }
    MidiDeviceErrorMsg(context.reporter, mdct::kOpenFailed);
}

CMidiDevice::~CMidiDevice() { Close(); }

void CMidiDevice::Close()
{
    if (!output_) return;
    const int reset = output_->Reset();
    const int closed = output_->Close();
    output_.reset();
    if (reset != 0 || closed != 0) MidiDeviceErrorMsg(context_.reporter, mdct::kCloseFailed);
}

int CMidiDevice::NoteOn(int note, int velocity, int channel)
{
    if (velocity > 127) velocity = 127;
    return ShortMessage(velocity, note, 0x90 + (channel & 0x0F));
}

int CMidiDevice::NoteOff(int note, int channel)
{
    return ShortMessage(0, note, 0x80 + (channel & 0x0F));
}

int CMidiDevice::ProgramChange(int program, int channel)
{
    const int result = ShortMessage(0, program, 0xC0 + (channel & 0x0F));
    if (result != 0) MidiDeviceErrorMsg(context_.reporter, mdct::kProgramFailed);
    return result;
}

int CMidiDevice::ShortMessage(int data2, int data1, int status)
{
    if (!output_) return 0;
    return output_->SendShort(static_cast<std::uint8_t>(status), DataByte(data1), DataByte(data2));
}

int CMidiDevice::SendSysEx(std::span<const std::uint8_t> bytes)
{
    if (!output_ || bytes.empty()) return 0;
    int result;
    if (bytes[0] == 0xF0) {
        // Skip the whole length quantity, not just one byte, so that a
        // message of 128 bytes or more is not sent with its length inside.
        std::size_t body = 1;
        while (body < bytes.size() && (bytes[body] & 0x80) != 0) ++body;
        ++body;
        std::vector<std::uint8_t> wire;
        wire.reserve(bytes.size());
        wire.push_back(0xF0);
        if (body < bytes.size()) wire.insert(wire.end(), bytes.begin() + body, bytes.end());
        result = output_->SendLong(wire);
    } else {
        result = output_->SendLong(bytes);
    }
    if (result != 0) MidiDeviceErrorMsg(context_.reporter, mdct::kSysExFailed);
    return result;
}

int CMidiDevice::SendGmSystemOn() { return SendSysEx(kStoredGmSystemOn); }

}  // namespace songloom::playback
