#pragma once
// Opening a Standard MIDI File as a song: the channels get their roles, the
// key and the chords are named by analysis (one chord per beat), and the
// melody channel is reduced to one line at eighth-note resolution.

#include <array>
#include <string>
#include <vector>

#include "common/reporter.h"
#include "harmony/chord_analysis.h"
#include "midi/midi_channel_analyzer.h"
#include "song/song_data.h"

namespace songloom::harmony {

// What the analysis of a file found, for the CLI and the tests.
struct MidiImportReport {
    std::array<int, 16> roles{};  // ChannelRole per channel
    int melodyChannel = -1;
    int bars = 0;
    int key = 0;                     // key table index written into the song
    std::string keyName;
    std::vector<std::string> beatChords;  // song chord names, one per beat
    bool addedBass = false;          // bass notes were taken from a chord part
};

// Loads path at 96 ticks per quarter note and analyses it without touching
// any song. False (with the MIDI reader's report) when the file is no MIDI
// file or holds no notes.
bool AnalyzeMidiFile(Reporter& reporter, const std::string& path, MidiImportReport& report);

// The import: analysis, one undo snapshot of song, Reset(bars, 4, key), the
// chords applied beat by beat with the chord-drop rule, the melody written
// slot by slot, tempo 120 and the given melody instrument. On failure the
// song is unchanged and false is returned.
bool ImportMidi(Reporter& reporter, const std::string& path, song::SongData& song, int instrument,
                MidiImportReport* report = nullptr);

// The same from an image in memory (fuzzing, tests).
bool ImportMidiImage(Reporter& reporter, std::span<const std::uint8_t> image, song::SongData& song,
                     int instrument, MidiImportReport* report = nullptr);

// An analysed chord name ("Dm7(9,11)", "Bdim7", "UnKnown") as a song chord
// name ("Dm7", "Bm7b5"); empty for "UnKnown".
std::string SongChordFromAnalysis(std::string_view analysed);

}  // namespace songloom::harmony
