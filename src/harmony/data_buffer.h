#pragma once
// The fixed text buffer every engine data file is read into, and the reader
// that walks its "|"-separated records. The texts are CP932 bytes; nothing
// here converts them.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace songloom::harmony {

// Bytes of a data file the engine keeps; a longer file is cut here.
inline constexpr std::size_t kDataBufferCapacity = 6400;

// kDataBufferCapacity bytes and one more for the terminating NUL, so a file
// cut at the capacity is still terminated. The text ends at the first NUL.
class DataBuffer {
public:
    // The text up to its first NUL.
    std::string_view Text() const;
    bool IsEmpty() const { return bytes_[0] == '\0'; }
    // All zero: no text.
    void Clear() { bytes_.fill('\0'); }
    // Replaces the text; at most kDataBufferCapacity bytes are kept. Returns
    // the number of bytes kept.
    std::size_t Assign(std::string_view text);

    friend bool operator==(const DataBuffer&, const DataBuffer&) = default;

private:
    std::array<char, kDataBufferCapacity + 1> bytes_{};
};

// Where the engine's data files are looked for: an absolute name as given;
// otherwise the working folder, then (unless turned off) the installed data
// folder, so that a new, empty working folder works.
struct DataFolder {
    std::string workDir;
    bool useInstalledData = true;

    // The path to open; workDir/name when the file is nowhere, so a
    // message names the working folder.
    std::string Resolve(const std::string& name) const;
};

// Reads the first kDataBufferCapacity bytes of path into out (the rest of
// out cleared). false when path is not a regular file that can be opened;
// out is then unchanged.
bool ReadDataFile(const std::string& path, DataBuffer& out);

// Copies the next record of text from position into record, dropping
// carriage returns, line feeds and blanks, and moves position behind its
// "|". Returns true when the record ended at the end of the text instead of
// at a "|" (the text's last record, possibly empty); false otherwise.
// A text that does not end with "|" still yields its last record whole.
bool NextRecord(std::string_view text, std::size_t& position, std::string& record);

}  // namespace songloom::harmony
