#pragma once
// A re-roll keeps a rendered arrangement and takes new random choices for
// some bars of some parts only: the notes of those channels that begin in
// the bars come from a fresh rendering of the same song, everything else
// from the kept one. Notes are cut at the range's edges, so none sounds on
// into the other rendering's notes and none is doubled.

#include <cstdint>
#include <string>
#include <string_view>

#include "midi/midi_track.h"

namespace songloom::midi {

struct SpliceRange {
    Tick from = 0;  // first tick taken from the fresh rendering
    Tick to = 0;    // first tick kept again
    std::uint16_t channels = 0;  // bit c for zero-based channel c
    bool Has(std::int32_t channel) const { return channel >= 0 && channel < 16 && ((channels >> channel) & 1u); }
};

// kept and fresh are tracks of notes with durations (TrackNotes); out gets
// the splice in the same state. Within the range's channels: a kept note
// that begins in [from, to) is left out, a kept note that begins before
// from and sounds into it ends at from, a fresh note that begins in
// [from, to) comes in and ends at to at the latest. Controllers, programs,
// bends and meta events all come from kept, so everything outside the
// range's channels and bars stays as it was. The end of the track is the
// later of kept's and the last note's end. False (out untouched) when a
// track is not in TrackNotes or the range is empty.
bool SpliceNotes(const CMidiTrack& kept, const CMidiTrack& fresh, const SpliceRange& range, CMidiTrack& out);

// Channels of a part by name: "melody" (1 and its doubling 10), "bass" (2),
// "chords" (3), "chords2" (7), "line" (4), "percussion" (5), "double" (6),
// "effects" (8), "drums" (9), "all", or a zero-based channel number 0-15.
// 0 for anything else.
std::uint16_t ChannelsOfPart(std::string_view part);

// The bars and part of a re-roll as the user writes them: "5-8:bass",
// "5:drums", "5-8" (every part); bars from 1, both ends included. False for
// anything else.
struct RerollRange {
    int firstBar = 1;
    int lastBar = 1;
    std::uint16_t channels = 0;
};
bool ParseRerollRange(std::string_view text, RerollRange& out);

enum class RerollStatus {
    kDone,
    kUnreadable,  // a file is no MIDI file (reported by the reader)
    kMismatch,    // the two renderings differ in division or bar length
    kUnwritable,  // reported by the writer
};

// Splices the fresh rendering at freshPath into the kept one at keptPath
// for the range's bars (of the kept file's bar length, counted from its
// start) and channels, and writes the result to outPath (which may be
// freshPath) in the kept file's format and track layout. A channel that has
// no notes in the kept file is not taken over.
RerollStatus RerollFile(Reporter& reporter, const std::string& keptPath, const std::string& freshPath,
                        const RerollRange& range, const std::string& outPath);

}  // namespace songloom::midi
