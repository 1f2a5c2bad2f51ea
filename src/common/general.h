#pragma once
// Small services every subsystem uses: whole files, file names aware of
// double-byte characters, tempo conversions, time-signature meta data and
// the sound-module name test. None keeps state.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/reporter.h"

namespace songloom {

// Largest file ReadFileShowingName takes when the caller gives no smaller
// capacity; a read that fills it exactly is reported as too large.
inline constexpr std::size_t kWholeFileCapacity = 983040;

// Reads at most capacity bytes of path into out. A file that cannot be opened
// shows its path, then GENE 0x01000007, and returns false; a read that fills
// a capacity of 983,040 exactly also reports GENE 0x0100000A (and returns true
// with what was read).
bool ReadFileShowingName(Reporter& reporter, const std::string& path,
                         std::vector<std::uint8_t>& out, std::size_t capacity = kWholeFileCapacity);

// Reads exactly out.size() bytes. Cannot open: GENE 0x01000007, false.
// Short file: GENE 0x0100000A, true with the bytes there were (rest zero).
bool ReadFileExact(Reporter& reporter, const std::string& path, std::span<std::uint8_t> out);

// Whether a save waits for the disk before it replaces the old file. What
// the user made (songs, settings) does, so not even a power cut leaves
// neither file. What is made from it (a rendering, a converted MIDI file)
// can be made again and does not: it is still written beside the old file
// and then takes its place in one step (the two swap names and the old one
// is deleted), so a failed write never destroys it either; nor does the
// file system write it out early for its own safety's sake.
enum class SaveFlush { kToDisk, kNone };

// Writes data to path through a temporary file in the same folder and a
// rename, so a failed write never destroys the previous file. Failure:
// GENE 0x01000007, false; nothing is lost in memory.
bool WriteWholeFile(Reporter& reporter, const std::string& path, std::span<const std::uint8_t> data,
                    SaveFlush flush = SaveFlush::kToDisk);
bool WriteWholeFile(Reporter& reporter, const std::string& path, std::string_view data,
                    SaveFlush flush = SaveFlush::kToDisk);

// Quiet variant for callers that report with their own codes.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> data,
                         SaveFlush flush = SaveFlush::kToDisk);
// Quiet whole-file read; false when it cannot be opened or is larger than limit.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out,
                   std::size_t limit = SIZE_MAX);

bool FileExists(const std::string& path);
// Size in bytes, 0 for a folder or a missing file. 4 GiB or more: GENE
// 0x0100000D and the low 32 bits.
std::uint32_t FileSize(Reporter& reporter, const std::string& path);

// Shift-JIS lead byte (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsCp932LeadByte(std::uint8_t b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The part of path after its last '/' or '\' that is not the trail byte of a
// double-byte character; empty when the path ends with a separator.
std::string FileNamePart(std::string_view path);
// The same for a file-system path in UTF-8, where '/' is the only separator
// and never part of a multi-byte character.
std::string PathFileName(std::string_view path);
// name cut at its last '.'; unchanged without one.
std::string StripExtension(std::string_view name);

// 60000 / (microseconds / 1000). Below 1000: GENE 0x01000012 and 0.
int BpmFromTempo(Reporter& reporter, std::uint32_t microsecondsPerQuarter);
// (60000 / bpm) * 1000. 0: GENE 0x01000013 and 500000 (120 BPM).
std::uint32_t TempoFromBpm(Reporter& reporter, int bpm);

// A zero-filled block. No memory: GENE 0x01000002, which ends the process.
std::vector<std::uint8_t> AllocZeroed(Reporter& reporter, std::size_t size);

// The four data bytes of a time-signature meta event for
// numerator * 256 + denominator: numerator, power of two of the denominator,
// 18 clocks per click, 8. Returns the data length (4), or 0 when the
// denominator is not a power of two of at least 2.
int TimeSignatureData(int numeratorDenominator, std::uint8_t out[4]);

// True for the names of the one sound module that needs its own reset.
bool IsGsModuleName(std::string_view deviceName);

}  // namespace songloom
