#pragma once
// The player's copy of a MIDI file object: the file is copied, set to 96
// ticks per quarter note (notes that would become 0 ticks long keep 1 tick)
// and split into note-on and note-off messages, then taken over as the
// player's event list.

#include <string>

#include "common/reporter.h"
#include "midi/midi_file.h"
#include "playback/play_sequence.h"

namespace songloom::playback {

// A file whose track is not in TrackNotes (State 2) gives a sequence in the
// file's state, which the player refuses.
PlaySequence MakePlayCopy(const midi::CMidiFile0& file);

// Loads a Standard MIDI File of either format for playing. The MIDI file
// layer reports what it finds wrong; false when no file was read.
bool LoadPlayFile(Reporter& reporter, const std::string& path, PlaySequence& out);

}  // namespace songloom::playback
