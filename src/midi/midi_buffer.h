#pragma once
// The byte image behind every track and MIDI file object: at most Capacity
// bytes, with a cursor for parsing and writing. The bytes grow as they are
// filled but never past Capacity, so a small file costs little memory.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/reporter.h"

namespace songloom::midi {

// Standard capacity of tracks and files in bytes: what the engine writes
// with. Reading is not bound by it (see kMaxMidiFileSize).
inline constexpr std::uint32_t kStandardCapacity = 0x60000;  // 393,216
// Largest MIDI file that is read (64 MiB); a larger one is refused with one
// report that names its size. A file or track that reads more bytes than
// its capacity takes this as its capacity, so that what it read can be
// written again.
inline constexpr std::uint32_t kMaxMidiFileSize = 64u << 20;
// The capacity at which a read that fills the buffer is reported as too large.
inline constexpr std::uint32_t kLargeReadCapacity = 0xF0000;  // 983,040

class CMidiBuffer {
public:
    CMidiBuffer(Reporter& reporter, std::uint32_t capacity) : reporter_(&reporter), Capacity(capacity) {}

    std::int32_t Used() const { return static_cast<std::int32_t>(Bytes.size()); }
    // Reads the whole of path. Cannot open: GENE 0x01000007, Used 0, false;
    // larger than kMaxMidiFileSize: M1DT 0x03000019 with the size, Used 0,
    // false.
    bool ReadFile(const std::string& path);
    // Takes image as Bytes under the same size limit; false when refused.
    bool TakeImage(std::span<const std::uint8_t> image);
    // Writes the Used bytes atomically (temporary file and rename), without
    // waiting for the disk: a MIDI file is made from a song or another file.
    // Failure: GENE 0x01000007 and false; the previous file is left as it was.
    bool WriteFile(const std::string& path) const;

    Reporter& reporter() const { return *reporter_; }

    // Gives the image's memory back, for an owner that is done with it once
    // the events hold the file (a file object in State 2 writes its image
    // anew when it is saved).
    void ReleaseImage() { std::vector<std::uint8_t>().swap(Bytes); }

protected:
    // Raises Capacity to kMaxMidiFileSize when size bytes would not fit.
    void MakeRoomFor(std::size_t size);
    Reporter* reporter_;

public:
    std::vector<std::uint8_t> Bytes;  // Used bytes of image
    std::int32_t Cursor = 0;          // parse/write position in Bytes
    std::uint32_t Capacity;
};

}  // namespace songloom::midi
