#pragma once
// External MIDI ports through the ALSA sequencer (RtMidi's ALSA API only:
// its JACK API brings the program down when no JACK server runs). RtMidi's
// exceptions stop here and become results.

#include <string>
#include <vector>

#include "playback/midi_output.h"

namespace songloom::playback {

// Names of the ALSA sequencer output ports in RtMidi's order; empty when
// there is no sequencer or no port (or RtMidi is not in the build).
std::vector<std::string> ListAlsaPorts();
// kNoOutput without any port, kFailed for a port number out of range or a
// port that refuses to open.
OpenResult OpenAlsaPort(int port);

}  // namespace songloom::playback
