#include "midi/midi_buffer.h"

#include <cstdio>
#include <memory>
#include <sys/stat.h>

#include "common/general.h"
#include "common/messages.h"

namespace songloom::midi {

bool CMidiBuffer::ReadFile(const std::string& path)
{
    Bytes.clear();
    Cursor = 0;
    struct stat st {};
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(nullptr, &std::fclose);
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) f.reset(std::fopen(path.c_str(), "rb"));
    if (!f) {
        GeneralErrorMsg(*reporter_, gene::kCannotOpen);
        return false;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    Bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, Capacity)));
    Bytes.resize(std::fread(Bytes.data(), 1, Bytes.size(), f.get()));
    if (Capacity == kLargeReadCapacity && Bytes.size() == Capacity) GeneralErrorMsg(*reporter_, gene::kTooLarge);
    return true;
}

bool CMidiBuffer::WriteFile(const std::string& path) const { return WriteWholeFile(*reporter_, path, Bytes); }

}  // namespace songloom::midi
