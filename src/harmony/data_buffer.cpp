#include "harmony/data_buffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
    // Not blocking on a pipe or a device that waits: only a regular file is
    // read. A folder opens for reading on Linux but is no data file either
    // (an empty name resolves to the working folder itself).
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    std::array<char, kDataBufferCapacity> chunk{};
    std::size_t n = 0;
    bool failed = false;
    while (n < chunk.size()) {
        const ssize_t got = ::read(fd, chunk.data() + n, chunk.size() - n);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;
        n += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (failed) return false;
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
