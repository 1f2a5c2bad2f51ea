#pragma once
// Standard MIDI Files in memory. CMidiFile0 holds a format 0 file with its
// single track, CMidiFile1 a format 1 file with its tracks; both keep the
// file image in their buffer. Either class loads either format: a file of
// the other format is loaded through the other class and converted.
//
// State of a file object: 0 the raw image only (after writing), 1 tracks in
// TrackMessages, 2 tracks in TrackNotes.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "midi/midi_buffer.h"
#include "midi/midi_messages.h"
#include "midi/midi_track.h"

namespace songloom::midi {

// The arrangement engine's fixed buffer for its MIDI output.
inline constexpr std::uint32_t kEngineMidiCapacity = 49152;
// Tracks a format 1 file may declare; a count at or above it is read as
// kFallbackTrackCount.
inline constexpr std::int32_t kMaxFormat1Tracks = 64;
inline constexpr std::int32_t kFallbackTrackCount = 32;
// Tracks of a format 1 file made by splitting a format 0 file by channel:
// metas, channel-less system exclusive, then channels 0..15.
inline constexpr std::int32_t kSplitTrackCount = 17;
// Division used when a file gives none that can be played (0 ticks).
inline constexpr std::int32_t kDefaultDivision = 96;

class CMidiFile1;

class CMidiFile0 : public CMidiBuffer {
public:
    // An empty file: State 2, an empty track in TrackNotes.
    explicit CMidiFile0(Reporter& reporter, std::uint32_t capacity = kStandardCapacity);
    // Loads path (a format 1 file is merged into one track).
    CMidiFile0(Reporter& reporter, const std::string& path, std::uint32_t capacity = kStandardCapacity);
    // Loads an image in memory the same way.
    CMidiFile0(Reporter& reporter, std::span<const std::uint8_t> image, std::uint32_t capacity = kStandardCapacity);
    // Copy at the standard capacity; the source's track must be in TrackNotes.
    CMidiFile0(const CMidiFile0& other);
    CMidiFile0(CMidiFile0&&) = default;
    CMidiFile0& operator=(CMidiFile0&&) = default;

    // The header check: empty image, no "MThd" (after removing a MacBinary
    // header), a format other than 0 or a track count other than 1 fail;
    // the loud form reports M0DT 0x04000004, 0x04000001 or 0x04000003.
    bool CheckHeader(bool loud);
    void ParseTrack();
    void PairNotes();
    void SplitNotes();
    void Serialize();
    // Writes the file from any state and comes back to that state.
    bool Save(const std::string& path);
    // Writes the file like Save but leaves only the image (State 0), for a
    // caller that is done with the events: nothing is read back.
    bool SaveImage(const std::string& path);
    // ChangeResolution of the track to newDivision (zero-length notes become
    // 1 tick); true when a note became 0 long.
    bool SetResolution(std::int32_t newDivision);
    // Ticks of one bar from TimeSignature or the track's first time
    // signature; 384 when neither gives one.
    std::int32_t BarLength() const;
    // Removes the whole bars before the first note; returns the ticks removed.
    Tick TrimLeadingTime();

    // True when a MIDI file was read (directly or through the other format).
    bool Loaded() const { return loaded_; }
    OnceOnlyWarnings& Warnings() { return warnings_; }

    std::int32_t Division = kDefaultDivision;
    std::int32_t State = 2;
    std::int32_t TimeSignature = 0;  // numerator * 256 + denominator; 0 = from the track
    CMidiTrack Track;

private:
    friend class CMidiFile1;
    void LoadImage(bool allowOtherFormat);
    bool loaded_ = false;
    OnceOnlyWarnings warnings_;
};

class CMidiFile1 : public CMidiBuffer {
public:
    // An empty format 1 file in State 2 without tracks.
    explicit CMidiFile1(Reporter& reporter, std::uint32_t capacity = kStandardCapacity);
    // Loads path; a format 0 file is split by channel into 17 tracks.
    CMidiFile1(Reporter& reporter, const std::string& path, std::uint32_t capacity = kStandardCapacity);
    // Loads an image in memory (at most capacity bytes of it). With
    // showRepair the added master volume is also reported.
    CMidiFile1(Reporter& reporter, std::span<const std::uint8_t> image, bool showRepair,
               std::uint32_t capacity = kStandardCapacity);
    // Splits a format 0 file (State 2) by channel.
    CMidiFile1(const CMidiFile0& source, std::uint32_t capacity = kStandardCapacity);
    // Copies TrackNotes tracks; State 2.
    CMidiFile1(Reporter& reporter, std::span<const CMidiTrack* const> tracks, std::int32_t division,
               std::uint32_t capacity = kStandardCapacity);
    // The same, taking the tracks' events over instead of copying them (each
    // track is left without events): for tracks that are finished with.
    struct TakeTracks {};
    CMidiFile1(Reporter& reporter, std::span<CMidiTrack* const> tracks, std::int32_t division, TakeTracks,
               std::uint32_t capacity = kStandardCapacity);

    void ParseTracks();
    void PairNotes();
    void SplitNotes();
    void Serialize();
    // Serialize from notes: each track is split just before it is written and
    // freed after, so that only one track at a time holds its note-offs.
    void SplitAndSerialize();
    bool Save(const std::string& path);
    bool SaveImage(const std::string& path);
    // Merges every track into target's track (State 2 required).
    void ToFormat0(CMidiFile0& target);

    std::int32_t TrackCount() const { return static_cast<std::int32_t>(Tracks.size()); }
    bool Loaded() const { return loaded_; }
    OnceOnlyWarnings& Warnings() { return warnings_; }

    std::int32_t Division = kDefaultDivision;
    std::int32_t State = 2;
    // Milliseconds each track loop sleeps (and each parsed track's
    // YieldPause); 0 = none.
    std::int32_t Pause = 0;
    std::vector<CMidiTrack> Tracks;

private:
    friend class CMidiFile0;
    void LoadImage(bool showRepair, bool allowOtherFormat);
    // With take, the tracks' events are moved into target (and the tracks
    // left empty).
    void ToFormat0(CMidiFile0& target, bool take);
    void SplitFrom(const CMidiFile0& source);
    // The same for a source that is done with: its events are moved.
    void SplitFrom(CMidiFile0&& source);
    bool StartSplit(const CMidiFile0& source);
    // With pair, each track is paired as soon as it is read (State 2).
    void ParseTracks(bool pair);
    void RepairMasterVolume(bool showRepair);
    // Writes every track as a chunk into Bytes (State 0); with split each
    // TrackNotes track is split into messages first.
    void WriteTracks(bool split);
    void Sleep() const;
    std::int32_t declaredTracks_ = 0;
    bool loaded_ = false;
    OnceOnlyWarnings warnings_;
};

// Which of the kSplitTrackCount tracks of a split an event goes to: 0 for
// meta events, c + 1 for channel c, 1 for the rest (system exclusive
// without a channel).
std::size_t SplitTrackOf(const CMidiEvent& e);
// The one track that splitting a TrackNotes source by channel gives for
// channel (0..15), without building the others; empty when the source is in
// another state.
CMidiTrack ChannelTrack(const CMidiTrack& source, std::int32_t channel);

// The engine's conversion of its format 1 output into the format 0 image
// that is played and saved. The image is replaced; returns its new size.
std::size_t ConvertToFormat0(Reporter& reporter, std::vector<std::uint8_t>& image,
                             std::uint32_t capacity = kEngineMidiCapacity);

}  // namespace songloom::midi
