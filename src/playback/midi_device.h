#pragma once
// CMidiDevice: the thin layer between the program and one MIDI output. It
// opens a port at construction, sends channel and system exclusive messages,
// and resets and closes the port when closed or destroyed. A device whose
// port did not open accepts every operation and sends nothing.

#include <cstdint>
#include <memory>
#include <span>

#include "playback/midi_output.h"
#include "playback/playback_context.h"

namespace songloom::playback {

class CMidiDevice {
public:
    // Port kSystemMapperPort (-1) is the built-in synthesizer; 0 and up are the
    // external ports. Where the system has no output at all, MDCT 0x07000001
    // is reported the first time in the context only; a port that exists but
    // fails to open reports it every time.
    explicit CMidiDevice(PlaybackContext& context, int port = kSystemMapperPort);
    ~CMidiDevice();
    CMidiDevice(const CMidiDevice&) = delete;
    CMidiDevice& operator=(const CMidiDevice&) = delete;

    bool IsOpen() const { return output_ != nullptr; }
    // True when a port exists but refused to open (the player gives up);
    // false for a silent device on a system without outputs.
    bool OpenFailed() const { return openStatus_ == OpenStatus::kFailed; }

    // Resets and closes the port; a failure reports MDCT 0x07000002.
    void Close();

    // Results are the back end's codes (0 = sent), not reported.
    int NoteOn(int note, int velocity, int channel);  // velocity above 127 goes out as 127
    int NoteOff(int note, int channel);
    // A failure reports MDCT 0x07000003.
    int ProgramChange(int program, int channel);
    // Status, first and second data byte (control change: 0xB0 + channel,
    // controller, value; pitch bend: 0xE0 + channel, low 7 bits, high 7 bits).
    int ShortMessage(int data2, int data1, int status);
    // bytes in the stored form: F0, the length as a variable-length quantity,
    // the body through F7 (sent as F0 and the body); any other first byte is
    // a continuation sent as stored. A failure reports MDCT 0x07000004.
    int SendSysEx(std::span<const std::uint8_t> bytes);
    // The stored F0 05 7E 7F 09 01 F7, which goes out as F0 7E 7F 09 01 F7.
    int SendGmSystemOn();

private:
    PlaybackContext& context_;
    std::unique_ptr<MidiOutput> output_;
    OpenStatus openStatus_ = OpenStatus::kNoOutput;
};

}  // namespace songloom::playback
