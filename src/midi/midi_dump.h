#pragma once
// A stable text form of MIDI data, one line per event:
//   track<TAB>absolute tick<TAB>kind<TAB>channel (or -)<TAB>data bytes in hex
// used by the command line and by tests that compare whole files.

#include <cstdint>
#include <span>
#include <string>

#include "common/reporter.h"
#include "midi/midi_track.h"

namespace songloom::midi {

// "note-on", "control", "meta" ... for every Kind.
const char* EventKindName(std::int32_t kind);
// The bytes the event stands for: the channel message, the meta type and
// payload, the system exclusive bytes; a note with a duration gives its
// note and velocity and "len=" its duration.
std::string EventBytesText(const CMidiEvent& event);
// Appends one line per event of track.
void DumpTrack(std::string& out, const CMidiTrack& track, std::int32_t trackNumber);
// The file as stored: a header line "format F tracks N division D" and then
// every track chunk as it parses, without pairing or repair. An image that
// is not a MIDI file gives a single line saying so.
std::string DumpMidiImage(Reporter& reporter, std::span<const std::uint8_t> image);

}  // namespace songloom::midi
