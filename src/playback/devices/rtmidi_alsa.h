#pragma once
// What the ALSA input and output ports share: making an RtMidi client on
// the sequencer, listing its ports and opening one. Included only where
// RtMidi is in the build; its exceptions end here.

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "playback/midi_output.h"

namespace songloom::playback::alsa {

inline constexpr const char* kClientName = "Songloom";
inline constexpr const char* kSequencerDevice = "/dev/snd/seq";

// RtMidiIn or RtMidiOut on the ALSA API (its JACK API brings the program
// down when no JACK server runs); null without a sequencer.
template <class Client>
std::unique_ptr<Client> MakeClient()
{
    // Without the sequencer device both ALSA and RtMidi would print their
    // failure on stderr before RtMidi throws; there is simply no port then.
    if (access(kSequencerDevice, R_OK | W_OK) != 0) return nullptr;
    try {
        return std::make_unique<Client>(RtMidi::LINUX_ALSA, kClientName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

template <class Client>
std::vector<std::string> PortNames()
{
    std::vector<std::string> names;
    auto client = MakeClient<Client>();
    if (!client) return names;
    try {
        const unsigned count = client->getPortCount();
        for (unsigned i = 0; i < count; ++i) names.push_back(client->getPortName(i));
    } catch (const RtMidiError&) {
        names.clear();
    }
    return names;
}

// kNoOutput without any port, kFailed for a port number out of range or a
// port that refuses to open; the client comes only with kOpened.
template <class Client>
std::pair<OpenStatus, std::unique_ptr<Client>> OpenPort(int port)
{
    auto client = MakeClient<Client>();
    if (!client) return {OpenStatus::kNoOutput, nullptr};
    try {
        const unsigned count = client->getPortCount();
        if (count == 0) return {OpenStatus::kNoOutput, nullptr};
        if (port < 0 || static_cast<unsigned>(port) >= count) return {OpenStatus::kFailed, nullptr};
        client->openPort(static_cast<unsigned>(port), kClientName);
    } catch (const RtMidiError&) {
        return {OpenStatus::kFailed, nullptr};
    }
    if (!client->isPortOpen()) return {OpenStatus::kFailed, nullptr};
    return {OpenStatus::kOpened, std::move(client)};
}

}  // namespace songloom::playback::alsa
