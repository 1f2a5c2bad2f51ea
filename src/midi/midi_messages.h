#pragma once
// Reporters of the MIDI model and file layer: track data ("MDTK"), events
// ("MUEV"), system exclusive helpers ("MDSX"), format 0 files ("M0DT"),
// format 1 files ("M1DT") and format 1 track operations ("M1TK").
// Once-only warnings keep their shown-flags in a OnceOnlyWarnings value that
// the owning object holds, never in process-wide state.

#include <cstdint>
#include <vector>

#include "common/reporter.h"

namespace songloom::midi {

namespace mdtk {
inline constexpr std::uint32_t kInternal = 0x0D000001;
inline constexpr std::uint32_t kUndefinedEvent = 0x0D000002;
inline constexpr std::uint32_t kBadChannel = 0x0D000003;
inline constexpr std::uint32_t kBadTempo = 0x0D000005;
inline constexpr std::uint32_t kTooManyEvents = 0x0D000006;
inline constexpr std::uint32_t kNotMidi = 0x0D000007;
inline constexpr std::uint32_t kManyVolumes = 0x0D000009;
inline constexpr std::uint32_t kEventTooLarge = 0x0D00000B;
inline constexpr std::uint32_t kBadProgram = 0x0D00000C;
inline constexpr std::uint32_t kManyMasterVolumes = 0x0D000011;
inline constexpr std::uint32_t kPolyPressure = 0x0D000016;
inline constexpr std::uint32_t kBadNoteNumber = 0x0D000017;
inline constexpr std::uint32_t kBadPerformance = 0x0D000019;
inline constexpr std::uint32_t kAppendFailed = 0x0D00001A;
inline constexpr std::uint32_t kBadPerformance2 = 0x0D00001B;
inline constexpr std::uint32_t kNoChannel = 0x0D000020;
inline constexpr std::uint32_t kAddFault = 0x0D000022;
inline constexpr std::uint32_t kProcessFault = 0x0D000023;
inline constexpr std::uint32_t kTrackFault = 0x0D000026;
inline constexpr std::uint32_t kBadTimeSignature = 0x0D000027;
inline constexpr std::uint32_t kMetaTooLong = 0x0D000028;
// Once-only: a note-on that no note-off ends was ended at the end of its
// track when the file was loaded.
inline constexpr std::uint32_t kOpenNotesClosed = 0x0D00002E;
}  // namespace mdtk

namespace muev {
inline constexpr std::uint32_t kDataTooLarge = 0x06000001;
inline constexpr std::uint32_t kDataError = 0x06000002;
}  // namespace muev

namespace mdsx {
inline constexpr std::uint32_t kNoBuffer = 0x36000001;
}  // namespace mdsx

namespace m0dt {
inline constexpr std::uint32_t kNotFormat0 = 0x04000001;
inline constexpr std::uint32_t kTrackCount = 0x04000003;
inline constexpr std::uint32_t kNotMidi = 0x04000004;
inline constexpr std::uint32_t kInternal = 0x04000005;
inline constexpr std::uint32_t kStopFault = 0x0400000A;
}  // namespace m0dt

namespace m1dt {
inline constexpr std::uint32_t kTrackCount = 0x03000001;
inline constexpr std::uint32_t kNotFormat1 = 0x03000002;
inline constexpr std::uint32_t kInternal = 0x03000003;
inline constexpr std::uint32_t kNotMidi = 0x03000004;
inline constexpr std::uint32_t kManyMasterVolumes = 0x03000006;
inline constexpr std::uint32_t kMasterVolumeAdded = 0x03000016;
inline constexpr std::uint32_t kTooLarge = 0x03000019;
// Not in the format 1 table: the file layer's own code for a time base it
// cannot play (SMPTE frames instead of ticks per quarter note); shows the
// module's default text.
inline constexpr std::uint32_t kSmpteDivision = 0x03000022;
}  // namespace m1dt

namespace m1tk {
inline constexpr std::uint32_t kNoZeroVoices = 0x2E00000C;
inline constexpr std::uint32_t kManyBendRanges = 0x03000017;
inline constexpr std::uint32_t kTimeSignaturePosition = 0x2E00001A;
inline constexpr std::uint32_t kBendOutOfRange = 0x2E00001B;
}  // namespace m1tk

// Shown-flags of once-only warnings. Reset() (the reporters' code 0) clears
// them all.
class OnceOnlyWarnings {
public:
    // True the first time code is marked since the last Reset.
    bool MarkShown(std::uint32_t code);
    void Reset() { shown_.clear(); }

private:
    std::vector<std::uint32_t> shown_;
};

// Always shown; a code without a row shows the track default text.
void ReportTrackError(Reporter& reporter, std::uint32_t code);
// Once-only for the warning rows; code 0 clears the flags. Codes without a
// warning row are shown every time with the always-shown text.
void ReportTrackWarning(Reporter& reporter, OnceOnlyWarnings& flags, std::uint32_t code);
void ReportEventError(Reporter& reporter, std::uint32_t code);
void ReportSysExError(Reporter& reporter, std::uint32_t code);

void ReportFormat0Error(Reporter& reporter, std::uint32_t code);
void ReportFormat0Warning(Reporter& reporter, OnceOnlyWarnings& flags, std::uint32_t code);
void ReportFormat1Error(Reporter& reporter, std::uint32_t code);
void ReportFormat1Warning(Reporter& reporter, OnceOnlyWarnings& flags, std::uint32_t code);
void ReportFormat1TrackError(Reporter& reporter, std::uint32_t code);
void ReportFormat1TrackWarning(Reporter& reporter, OnceOnlyWarnings& flags, std::uint32_t code);

// M1DT 0x03000019 for a file that is not read at all: its text names the
// file's size and the largest size that is read, in bytes.
void ReportFileTooLarge(Reporter& reporter, std::uint64_t size, std::uint64_t limit);

}  // namespace songloom::midi
