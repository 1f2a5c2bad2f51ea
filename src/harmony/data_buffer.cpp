#include "harmony/data_buffer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/data_paths.h"

namespace songloom::harmony {

std::string_view DataBuffer::Text() const
{
    return {bytes_.data(), ::strnlen(bytes_.data(), bytes_.size())};
}

std::size_t DataBuffer::Assign(std::string_view text)
{
    Clear();
    const std::size_t n = std::min(text.size(), kDataBufferCapacity);
    std::copy_n(text.data(), n, bytes_.begin());
    return n;
}

std::string DataFolder::Resolve(const std::string& name) const
{
    if (useInstalledData) return ResolveDataFile(workDir, name);
    if (!name.empty() && name.front() == '/') return name;
    return JoinPath(workDir, name);
}

bool ReadDataFile(const std::string& path, DataBuffer& out)
{
    // A folder opens for reading on Linux but is no data file (an empty
    // name resolves to the working folder itself).
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::array<char, kDataBufferCapacity> chunk{};
    const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), file);
    std::fclose(file);
    out.Assign({chunk.data(), n});
    return true;
}

bool NextRecord(std::string_view text, std::size_t& position, std::string& record)
{
    record.clear();
    while (position < text.size()) {
        const char c = text[position++];
        if (c == '|') return false;
        if (c == '\r' || c == '\n' || c == ' ') continue;
        record.push_back(c);
    }
    return true;
}

}  // namespace songloom::harmony
