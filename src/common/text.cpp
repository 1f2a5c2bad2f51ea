#include "common/text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/general.h"

namespace songloom {
namespace {

// A conversion opened on first use and kept for the thread's life: opening
// one costs far more than converting a name.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter()
    {
        if (Opened()) ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Opened() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // Back to the initial shift state, as a fresh conversion starts.
    iconv_t Fresh()
    {
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    iconv_t cd_;
};

bool IsAscii(std::string_view in)
{
    return std::all_of(in.begin(), in.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Convert(Converter& converter, std::string_view in, std::size_t badWidth)
{
    // Both encodings keep ASCII as it is.
    if (IsAscii(in)) return std::string(in);
    if (!converter.Opened()) return std::string(in);
    iconv_t cd = converter.Fresh();
    std::string out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    while (srcLeft > 0) {
        const std::size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            const std::size_t used = static_cast<std::size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: replace the bad character and go on.
        if (dstLeft < 1) {
            const std::size_t used = static_cast<std::size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
        }
        *dst++ = '?';
        --dstLeft;
        std::size_t skip = 1;
        if (badWidth == 0) {
            // UTF-8 input: skip the whole sequence.
            const auto lead = static_cast<unsigned char>(*src);
            skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        } else if (IsCp932LeadByte(static_cast<std::uint8_t>(*src)) && srcLeft >= 2) {
            skip = 2;
        }
        if (skip > srcLeft) skip = srcLeft;
        src += skip;
        srcLeft -= skip;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    thread_local Converter converter("UTF-8", "CP932");
    return Convert(converter, cp932, 1);
}

std::string Utf8ToCp932(std::string_view utf8)
{
    thread_local Converter converter("CP932", "UTF-8");
    return Convert(converter, utf8, 0);
}

std::string TruncateCp932(std::string_view cp932, std::size_t maxBytes)
{
    std::size_t i = 0;
    while (i < cp932.size()) {
        const std::size_t width =
            IsCp932LeadByte(static_cast<std::uint8_t>(cp932[i])) && i + 1 < cp932.size() ? 2 : 1;
        if (i + width > maxBytes) break;
        i += width;
    }
    return std::string(cp932.substr(0, i));
}

std::string_view FieldText(const char* field, std::size_t size)
{
    const void* nul = std::memchr(field, 0, size);
    return std::string_view(field, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : size);
}

}  // namespace songloom
