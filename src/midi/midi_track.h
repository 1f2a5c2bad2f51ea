#pragma once
// A track: events in time order with delta times, plus the byte image of the
// same track as a Standard MIDI File chunk. The track is in one of four
// states: built from scratch (TrackEmpty), a raw chunk (TrackRaw), note-on /
// note-off messages (TrackMessages) or notes with durations (TrackNotes).
// Every tick count is in the division of the file that owns the track.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "midi/midi_buffer.h"
#include "midi/midi_event.h"
#include "midi/midi_messages.h"

namespace songloom::midi {

enum TrackState : std::int32_t { TrackEmpty = -1, TrackRaw = 0, TrackMessages = 1, TrackNotes = 2 };

// Most events a track of the standard capacity or less holds; a larger
// track holds one event per three bytes of capacity.
inline constexpr std::int32_t kMaxTrackEvents = 0x20000;  // 131,072
// Largest delta time the writer can put in its three-byte quantity.
inline constexpr std::int32_t kMaxWrittenDelta = 0x1FFFFF;  // 2,097,151
// One event is encoded in a scratch area of this size; a longer event is
// refused by the writer (reported, the rest of the track is still written).
inline constexpr std::size_t kEventScratchSize = 0x10000;
// Meta and system exclusive payloads at or above this size are reported as
// too large (once per parse) but kept.
inline constexpr std::int32_t kLargeEventSize = 256;

class CMidiTrack : public CMidiBuffer {
public:
    explicit CMidiTrack(Reporter& reporter, std::uint32_t capacity = kStandardCapacity);
    // Deep copy of a TrackNotes source; another state reports MDTK 0x0D000001
    // and leaves this track empty.
    CMidiTrack(const CMidiTrack& source, std::uint32_t capacity);
    // The same, taking the events over instead of copying them (source is
    // left without events).
    CMidiTrack(CMidiTrack&& source, std::uint32_t capacity);
    CMidiTrack(const CMidiTrack&) = default;
    CMidiTrack(CMidiTrack&&) = default;
    CMidiTrack& operator=(const CMidiTrack&) = default;
    CMidiTrack& operator=(CMidiTrack&&) = default;

    // --- chunk reading and writing ------------------------------------------
    // Parses the chunk at offset of file into this track (the track is
    // cleared first). Returns the bytes the chunk occupies in the file (its
    // header and declared length, cut at the end of the file) so a caller can
    // step over it even when it was refused; 0 when not even a chunk header
    // fits.
    std::size_t ParseChunk(std::span<const std::uint8_t> file, std::size_t offset, std::int32_t pause);
    // ParseChunk, then the End of Track repaired (an End of Track before the
    // last event is dropped, its time passing on, and a missing one added)
    // and PairNotes(kKeepEveryNote), in one pass that never stores a
    // note-off. closed: the notes ended at the end of the track.
    std::size_t ParseNotesChunk(std::span<const std::uint8_t> file, std::size_t offset, std::int32_t pause,
                                std::int32_t& closed);
    // Encodes the TrackMessages events as a chunk with id into Bytes; State
    // becomes TrackRaw. False (and nothing written) when the track is not in
    // TrackMessages, is empty or does not end with an End of Track.
    bool WriteChunk(std::string_view id = "MTrk");
    // SplitNotes and WriteChunk of a TrackNotes track in one pass, without
    // making the list of note-ons and note-offs: the same bytes. False (and
    // the track as it was) when the track is not one SplitNotes would only
    // interleave with its note-offs (times that fall, events to drop, an End
    // of Track that is not last): then the two steps do it.
    bool WriteNotesChunk(std::string_view id = "MTrk");

    // --- the event list -----------------------------------------------------
    const std::vector<CMidiEvent>& Events() const { return events_; }
    CMidiEvent& Event(std::int32_t index) { return events_[static_cast<std::size_t>(index)]; }
    const CMidiEvent& Event(std::int32_t index) const { return events_[static_cast<std::size_t>(index)]; }
    std::int32_t EventCount() const { return static_cast<std::int32_t>(events_.size()); }
    std::int32_t MaxEvents() const
    {
        return std::max(kMaxTrackEvents, static_cast<std::int32_t>(Capacity / 3));
    }

    // At MaxEvents(): MDTK 0x0D000006, false, nothing stored.
    bool AppendEvent(CMidiEvent event)
    {
        if (EventCount() >= MaxEvents()) return RefuseEvent();
        events_.push_back(std::move(event));
        return true;
    }
    // Mode 2 inserts before index; any other mode behind it.
    bool InsertEvent(std::int32_t index, std::int32_t mode, CMidiEvent event);
    // Inserts at an absolute time keeping later events' times; mode 2 puts
    // the event first in its instant, mode 1 last. Time -1 inserts before the
    // last event, taking its delta.
    bool InsertAtTime(std::int64_t time, CMidiEvent event, std::int32_t mode);
    // Removes the event, passing its delta time on to the next one.
    void DeleteEvent(std::int32_t index);
    // Removes every Kind 0 event, passing delta times on.
    void PurgeDeleted();
    void Clear() { events_.clear(); }
    // Room for events, so that appending them does not move the others.
    void Reserve(std::size_t events) { events_.reserve(events); }
    // Hands the events over to the caller; the track is left without any.
    std::vector<CMidiEvent> TakeEvents() { return std::exchange(events_, {}); }
    // Exchanges two events but leaves each slot's delta time in place.
    void SwapEvents(std::int32_t i, std::int32_t j);

    // --- notes --------------------------------------------------------------
    // kDropUnpaired: a note-on without its note-off, or ended in the same
    // instant, is dropped. kKeepEveryNote (files read from outside): the
    // first sounds to the end of the track, the second lasts one tick.
    // Returns the notes that were ended at the end of the track.
    enum class NotePairing { kDropUnpaired, kKeepEveryNote };
    std::int32_t PairNotes(NotePairing pairing = NotePairing::kDropUnpaired);
    void SplitNotes();

    // --- building -----------------------------------------------------------
    bool AddNote(std::int32_t channel, std::int32_t deltaTime, std::int32_t note, std::int32_t velocity,
                 std::int32_t duration);
    bool AddProgramChange(std::int32_t channel, std::int32_t program);
    bool AddControlChange(std::int32_t channel, std::int32_t controller, std::int32_t value);
    void AddBankAndProgram(std::int32_t channel, std::int32_t bankMsb, std::int32_t bankLsb, std::int32_t program);
    void AddBankAndProgram(std::int32_t channel, std::int32_t bankMsb, std::int32_t program);
    bool AddEndOfTrack(std::int32_t deltaTime);
    bool AddTempo(std::int32_t microsecondsPerQuarter);
    bool AddTimeSignature(std::int32_t deltaTime, std::int32_t numerator, std::int32_t denominatorPower);
    bool AddGmSystemOn();
    bool AddGsReset();
    bool AddXgSystemOn();
    // A payload of 128 bytes or more is reported (MDTK 0x0D000028) and still
    // appended.
    bool AddMetaEvent(std::int32_t deltaTime, std::int32_t type, std::span<const std::uint8_t> bytes);
    bool AddMarker(std::int32_t deltaTime, std::string_view text);
    bool InsertMasterVolume(std::int32_t volume);
    bool InsertTextMeta(std::int32_t type, std::string_view text);

    // --- removing and finding -----------------------------------------------
    bool RemoveControlChange(std::int32_t controller);
    void RemovePitchBends();
    bool RemoveMetaEvents(std::int32_t type, bool all);
    bool FindMetaText(std::int32_t type, std::string& out) const;
    bool GetTimeSignature(std::int32_t& out) const;
    // Value of the last master volume event, -1 when none.
    std::int32_t GetMasterVolume();
    // Last program change on channel, else an XG multi-part program for
    // that part, else -1.
    std::int32_t GetProgram(std::int32_t channel) const;
    bool IsAbovePianoGroup(std::int32_t channel) const;
    std::int32_t FirstNoteIndex();
    std::int32_t FirstChannel() const;
    // Latest event time or note end (TrackNotes only; -1 otherwise).
    Tick EndTime();
    // Sum of all delta times; notes are measured with their note-offs.
    Tick TotalTicks() const;

    // --- editing ------------------------------------------------------------
    void TransposeNotes(std::int32_t channel, std::int32_t semitones);
    void OffsetVelocity(std::int32_t amount);
    // True when a note's duration became 0 (deleted with deleteZero, else 1).
    bool ChangeResolution(std::int32_t oldDivision, std::int32_t newDivision, bool deleteZero);
    void Quantize(std::int32_t divisionsPerQuarter, std::int32_t division);
    // Mode 1 ends a doubled note before it sounds again; other modes drop the
    // doubled note-on. True when anything changed.
    bool FixOverlaps(std::int32_t mode);
    void MakeMonophonic();
    void MakeLegato(std::int32_t maximum);
    // Replaces this track's events by the merge of sources (TrackNotes).
    void MergeTracks(std::span<const CMidiTrack* const> sources);
    // The same, moving the events out of sources, which are left empty; a
    // large source gives back its memory while it is merged.
    void MergeTracksTaking(std::span<CMidiTrack* const> sources);
    void ControlsFirst();
    void SysExFirst();
    void NoteOffsFirst();
    // Within each instant moves events of kind (meta type number, -1 any;
    // text: a substring of Data, empty = any) to the front.
    void MoveToFront(std::int32_t kind, std::int32_t number, std::string_view text);
    void ThinPitchBends();
    bool RechannelPartEvent(CMidiEvent& event, std::int32_t from, std::int32_t to);

    // --- effects the engine applies to format 1 tracks (reports: "M1TK") ---
    // Deletes every data entry while pitch-bend sensitivity (RPN 0/0) is selected.
    void RemoveBendRangeSettings();
    // RPN 0/0 with semitones as data entry on the first channel, at time 0
    // behind the other time-0 events.
    void AddBendRange(std::int32_t semitones);
    // Expression (control 11) rising in steps to 127 behind every long note.
    void AddExpressionSwell(std::int32_t length, std::int32_t steps);
    // Modulation (control 1) off at each note, full delay ticks into long notes.
    void AddDelayedVibrato(std::int32_t delay);
    // Pitch bends gliding towards the next note over the last length ticks
    // of each long note, at most range semitones.
    void AddPitchGlide(std::int32_t length, std::int32_t steps, std::int32_t range);
    // Semitones of the last RPN 0/0 setting, 12 when there is none.
    std::int32_t GetBendRange();
    // Turns pitch bends (range semitones each way) into notes.
    void BendsToNotes(std::int32_t range);

    OnceOnlyWarnings& Warnings() { return warnings_; }
    OnceOnlyWarnings& Format1Warnings() { return format1Warnings_; }

    std::int32_t State = TrackEmpty;
    // Milliseconds to sleep every few hundred events in long loops, 0 = never.
    std::int32_t YieldPause = 0;

private:
    bool RequireState(std::int32_t state);
    // MDTK 0x0D000006 and false: the track holds MaxEvents() already.
    bool RefuseEvent();
    void Warn(std::uint32_t code) { ReportTrackWarning(*reporter_, warnings_, code); }
    void Error(std::uint32_t code) { ReportTrackError(*reporter_, code); }
    void Format1Error(std::uint32_t code) { ReportFormat1TrackError(*reporter_, code); }
    void Yield(std::size_t counter, std::size_t every) const
    {
        if (YieldPause != 0 && counter != 0 && counter % every == 0) Sleep();
    }
    void Sleep() const;
    std::vector<std::int64_t> AbsoluteTimes() const;
    // The chunk being parsed: its bytes (header included), their number and
    // the read position.
    struct ChunkReader {
        const std::uint8_t* bytes;
        std::int32_t used;
        std::int32_t at;
    };
    // Reads the chunk; take() is called with each event read standing at
    // the end of the list.
    template <typename Take>
    std::size_t ReadChunk(std::span<const std::uint8_t> file, std::size_t offset, std::int32_t pause, Take take);
    // Reads one event into event (default-made); false when reading stops
    // and event is not one.
    bool ParseEvent(ChunkReader& reader, std::int32_t& runningStatus, CMidiEvent& event);
    // A paired track: State TrackNotes, spare room given back.
    void FinishNotes();
    // Fields of a channel message (status 0x80..0xEF) from its data bytes.
    void DecodeChannelMessage(std::int32_t status, const std::uint8_t* data, CMidiEvent& event);
    std::int32_t DecodeMessage(const ChunkReader& reader, std::int32_t status, std::int32_t at, CMidiEvent& event);
    void WriteEvents();
    // Fills in the chunk header of Bytes (id, length); State becomes TrackRaw.
    void FinishChunk(std::string_view id);
    // Events written one after another behind Bytes: where the next goes,
    // where writing stops (room is kept there to close the chunk), delta
    // time of events that made no bytes, and whether the last written was
    // an End of Track.
    struct ChunkWriter {
        std::size_t limit = 0;
        std::size_t used = 0;
        std::int64_t carry = 0;
        bool endWritten = false;
    };
    // About count events are to come.
    ChunkWriter StartEvents(std::size_t count);
    // Bytes large enough for n more bytes at the write position.
    std::uint8_t* Room(ChunkWriter& w, std::size_t n);
    // Writes a note-on or note-off at once when it needs no repair (channel,
    // number and delta time in range, no time carried, room before the
    // limit); false, with nothing written, when it does.
    bool PutPlainNote(ChunkWriter& w, bool on, std::int32_t delta, std::int32_t number, std::int32_t channel,
                      std::uint8_t third);
    // Writes e (whose fields it may repair); false when it no longer fits
    // and the chunk must end.
    bool PutEvent(ChunkWriter& w, CMidiEvent& e);
    // Closes the chunk with an End of Track unless one was written last.
    void EndEvents(ChunkWriter& w);
    template <typename Source>
    void Merge(std::span<Source* const> sources);

    std::vector<CMidiEvent> events_;
    OnceOnlyWarnings warnings_;
    OnceOnlyWarnings format1Warnings_;  // "M1TK" once-only warnings
};

// Appends the variable-length quantity of value to out (any size).
void AppendVarLen(std::vector<std::uint8_t>& out, std::uint32_t value);
// Writes the quantity to out (room for 5 bytes) and returns its length.
std::size_t EncodeVarLen(std::uint8_t* out, std::uint32_t value);

}  // namespace songloom::midi
