#include "midi/midi_buffer.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

#include "common/general.h"
#include "common/messages.h"
#include "midi/midi_messages.h"

namespace songloom::midi {

bool CMidiBuffer::ReadFile(const std::string& path)
{
    Bytes.clear();
    Cursor = 0;
    struct stat st {};
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(nullptr, &std::fclose);
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        const auto size = static_cast<std::uint64_t>(st.st_size);
        if (size > kMaxMidiFileSize) {
            ReportFileTooLarge(*reporter_, size, kMaxMidiFileSize);
            return false;
        }
        f.reset(std::fopen(path.c_str(), "rb"));
    }
    if (!f) {
        GeneralErrorMsg(*reporter_, gene::kCannotOpen);
        return false;
    }
    Bytes.resize(static_cast<std::size_t>(st.st_size));
    Bytes.resize(std::fread(Bytes.data(), 1, Bytes.size(), f.get()));
    MakeRoomFor(Bytes.size());
    return true;
}

bool CMidiBuffer::TakeImage(std::span<const std::uint8_t> image)
{
    Bytes.clear();
    Cursor = 0;
    if (image.size() > kMaxMidiFileSize) {
        ReportFileTooLarge(*reporter_, image.size(), kMaxMidiFileSize);
        return false;
    }
    Bytes.assign(image.begin(), image.end());
    MakeRoomFor(Bytes.size());
    return true;
}

void CMidiBuffer::MakeRoomFor(std::size_t size)
{
    if (size > Capacity) Capacity = std::max(Capacity, kMaxMidiFileSize);
}

bool CMidiBuffer::WriteFile(const std::string& path) const
{
    return WriteWholeFile(*reporter_, path, Bytes, SaveFlush::kNone);
}

}  // namespace songloom::midi
