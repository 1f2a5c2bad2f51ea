#pragma once
// Opening a Standard MIDI File as a song: the channels get their roles; the
// meter comes from the file's time signature (or from the accents of its
// onsets), the key from a key-profile estimate checked against the file's
// key signature, the chords from a reading of every beat that keeps its
// runners-up, and the melody channel is reduced to one line at eighth-note
// resolution. Tempo and title come from the file.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/reporter.h"
#include "harmony/beat_chords.h"
#include "harmony/chord_analysis.h"
#include "harmony/key_profile.h"
#include "midi/midi_channel_analyzer.h"
#include "song/song_data.h"

namespace songloom::harmony {

inline constexpr int kImportMinTempo = 40;
inline constexpr int kImportMaxTempo = 240;
inline constexpr int kImportDefaultTempo = 120;

// How the file's meter became the song's.
struct MeterReading {
    int beats = 4;                // the song's beats per bar, 4 or 3
    std::string fileMeter;        // "3/4", "6/8" ... as the file states it; empty without one
    bool fromAccents = false;     // no time signature: beats read from the onsets
    bool pairedBars = false;      // 2/4 bars taken two to a song bar
    bool eighthsAsSlots = false;  // 6/8 bars as 3/4 bars of six eighth slots
};

// What the analysis of a file found, for the CLI, the app and the tests.
struct MidiImportReport {
    std::array<int, 16> roles{};  // ChannelRole per channel
    std::array<bool, 16> used{};  // the channel has a sounding note
    int melodyChannel = -1;
    int bars = 0;
    MeterReading meter;
    int key = 0;                        // key table index written into the song
    std::string keyName;                // the key table's name ("G", "Em")
    std::vector<KeyCandidate> keyRanking;  // best estimates first (three)
    std::optional<KeySignature> keySignature;  // the file's first one
    bool keyFromSignature = false;      // the signature chose between the estimates
    int tempo = kImportDefaultTempo;
    std::string title;                  // CP932, as written into the song
    int pickupBeats = 0;                // beats before the first chord that took it
    std::vector<std::string> beatChords;  // song chord names, one per beat
    // The readings of each song beat, best first (the first is the chord
    // written); empty where nothing sounded and the chord was carried on.
    std::vector<std::vector<ChordCandidate>> alternatives;
    bool addedBass = false;             // bass notes were taken from a chord part
    // What the user should know about the import (a meter the song cannot
    // hold, bars paired or padded, music cut at the song's end), one line each.
    std::vector<std::string> notes;
};

// Loads path at 96 ticks per quarter note and analyses it without touching
// any song. False (with the MIDI reader's report) when the file is no MIDI
// file or holds no notes.
bool AnalyzeMidiFile(Reporter& reporter, const std::string& path, MidiImportReport& report);

// The import: analysis, one undo snapshot of song, Reset(bars, beats, key),
// the chords applied beat by beat with the chord-drop rule, the melody
// written slot by slot, the file's tempo and title and the given melody
// instrument. On failure the song is unchanged and false is returned.
bool ImportMidi(Reporter& reporter, const std::string& path, song::SongData& song, int instrument,
                MidiImportReport* report = nullptr);

// The same from an image in memory (fuzzing, tests).
bool ImportMidiImage(Reporter& reporter, std::span<const std::uint8_t> image, song::SongData& song,
                     int instrument, MidiImportReport* report = nullptr);

// An analysed chord name ("Dm7(9,11)", "Bdim7", "UnKnown") as a song chord
// name ("Dm7", "Bm7b5"); empty for "UnKnown".
std::string SongChordFromAnalysis(std::string_view analysed);

// Tempo in quarter notes per minute from a tempo event's microseconds per
// quarter, rounded and kept within 40..240.
int ImportTempoOf(std::uint32_t microsecondsPerQuarter);

// Beats per bar (3 or 4) read from the accents of the onsets when a file
// states no meter: bar starts are where notes begin, last longest, and the
// accompaniment changes. Equal evidence gives 4.
int BeatsFromAccents(std::span<const AnalysisNote> notes, const std::array<int, 16>& roles, int ticksPerQuarter);

}  // namespace songloom::harmony
