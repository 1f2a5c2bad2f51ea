#include "common/general.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>
#include <new>

#include "common/messages.h"

namespace songloom {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const
    {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::size_t ReadUpTo(std::FILE* f, std::uint8_t* out, std::size_t n)
{
    std::size_t total = 0;
    while (total < n) {
        const std::size_t got = std::fread(out + total, 1, n - total, f);
        if (got == 0) break;
        total += got;
    }
    return total;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t limit)
{
    out.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (static_cast<std::uint64_t>(st.st_size) > limit) return false;
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    out.resize(static_cast<std::size_t>(st.st_size));
    out.resize(ReadUpTo(f.get(), out.data(), out.size()));
    return true;
}

bool ReadFileShowingName(Reporter& reporter, const std::string& path,
                         std::vector<std::uint8_t>& out, std::size_t capacity)
{
    out.clear();
    struct stat st {};
    FilePtr f;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        f.reset(std::fopen(path.c_str(), "rb"));
    }
    if (!f) {
        ShowErrorBox(reporter, path);
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        return false;
    }
    out.resize(capacity);
    out.resize(ReadUpTo(f.get(), out.data(), capacity));
    if (capacity == kWholeFileCapacity && out.size() == capacity) {
        GeneralErrorMsg(reporter, gene::kTooLarge);
    }
    return true;
}

bool ReadFileExact(Reporter& reporter, const std::string& path, std::span<std::uint8_t> out)
{
    struct stat st {};
    FilePtr f;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        f.reset(std::fopen(path.c_str(), "rb"));
    }
    if (!f) {
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        return false;
    }
    const std::size_t got = ReadUpTo(f.get(), out.data(), out.size());
    if (got < out.size()) {
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), std::uint8_t{0});
        GeneralErrorMsg(reporter, gene::kTooLarge);
    }
    return true;
}

namespace {

// Opens a new temporary file beside path for writing, with the user's usual
// permissions (0666 less the umask, which the system applies as it creates
// the file); -1 when none can be made. The name ends in six letters or
// digits that differ from try to try.
int OpenTemporaryBeside(const std::string& path, std::string& temp)
{
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static std::atomic<std::uint64_t> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::uint64_t seed = (static_cast<std::uint64_t>(now.tv_sec) << 30) ^ static_cast<std::uint64_t>(now.tv_nsec) ^
                         (static_cast<std::uint64_t>(::getpid()) << 40);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::uint64_t bits = (seed + counter.fetch_add(1, std::memory_order_relaxed)) * 0x9E3779B97F4A7C15ull;
        bits ^= bits >> 29;
        temp = path + ".tmp-";
        for (int k = 0; k < 6; ++k, bits /= 62) temp += kDigits[bits % 62];
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    }
    return -1;
}

// Puts the new file (temp) in the place of an old regular file at path in
// one step, the two swapping names, and deletes the old one; false (and
// nothing changed) when there is no such file or the file system cannot
// swap. A rename over the old file does the same, but then the file
// system writes the new file out to disk at once, lest a power cut leave
// an empty file where the old one was: 1 ms of a 6 ms render on the
// machines we measure on. A file that can be made again does not wait
// for that.
bool ExchangeWithOld(const std::string& temp, const std::string& path)
{
    struct stat old {};
    if (::lstat(path.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return false;
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) != 0) return false;
    ::unlink(temp.c_str());  // the old file, under the temporary name now
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> data, SaveFlush flush)
{
    // The temporary file sits beside the target so the rename stays on one
    // file system and is atomic.
    std::string temp;
    const int fd = OpenTemporaryBeside(path, temp);
    if (fd < 0) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n <= 0) {
            ok = false;
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    if (ok && flush == SaveFlush::kToDisk && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && !(flush == SaveFlush::kNone && ExchangeWithOld(temp, path)) &&
        std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
    }
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool WriteWholeFile(Reporter& reporter, const std::string& path, std::span<const std::uint8_t> data,
                    SaveFlush flush)
{
    if (!WriteFileAtomically(path, data, flush)) {
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        return false;
    }
    return true;
}

bool WriteWholeFile(Reporter& reporter, const std::string& path, std::string_view data, SaveFlush flush)
{
    return WriteWholeFile(reporter, path,
                          std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), flush);
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
}

std::uint32_t FileSize(Reporter& reporter, const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size >= (std::uint64_t{1} << 32)) {
        GeneralErrorMsg(reporter, gene::kFileSize);
    }
    return static_cast<std::uint32_t>(size);
}

std::string FileNamePart(std::string_view path)
{
    // Walk forward by characters so that a '\' or '/' trail byte of a
    // double-byte character is never taken for a separator; looking back one
    // or two bytes from a separator misjudges runs of double-byte characters.
    const auto* p = reinterpret_cast<const std::uint8_t*>(path.data());
    std::size_t start = 0;
    bool found = false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsCp932LeadByte(p[i]) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (p[i] == '/' || p[i] == '\\') {
            start = i + 1;
            found = true;
        }
    }
    if (!found) return std::string(path);
    return std::string(path.substr(start));
}

std::string PathFileName(std::string_view path)
{
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string StripExtension(std::string_view name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::string(name);
    return std::string(name.substr(0, dot));
}

int BpmFromTempo(Reporter& reporter, std::uint32_t microsecondsPerQuarter)
{
    if (microsecondsPerQuarter < 1000) {
        GeneralErrorMsg(reporter, gene::kBpmConversion);
        return 0;
    }
    return static_cast<int>(60000 / (microsecondsPerQuarter / 1000));
}

std::uint32_t TempoFromBpm(Reporter& reporter, int bpm)
{
    if (bpm <= 0) {
        GeneralErrorMsg(reporter, gene::kTempoConversion);
        return 500000;
    }
    return static_cast<std::uint32_t>(60000 / bpm) * 1000;
}

std::vector<std::uint8_t> AllocZeroed(Reporter& reporter, std::size_t size)
{
    std::vector<std::uint8_t> block;
    try {
        block.assign(size, 0);
    } catch (const std::bad_alloc&) {
        GeneralErrorMsg(reporter, gene::kNoMemory);
    }
    return block;
}

int TimeSignatureData(int numeratorDenominator, std::uint8_t out[4])
{
    const int numerator = (numeratorDenominator >> 8) & 0xFF;
    const int denominator = numeratorDenominator & 0xFF;
    if (denominator < 2 || (denominator & (denominator - 1)) != 0) return 0;
    int power = 0;
    while ((1 << power) < denominator) ++power;
    out[0] = static_cast<std::uint8_t>(numerator);
    out[1] = static_cast<std::uint8_t>(power);
    out[2] = 18;
    out[3] = 8;
    return 4;
}

bool IsGsModuleName(std::string_view deviceName)
{
    for (std::string_view key : {"SC88B", "88B", "SC-88 B", "SC-88B"}) {
        if (deviceName.find(key) != std::string_view::npos) return true;
    }
    return false;
}

}  // namespace songloom
