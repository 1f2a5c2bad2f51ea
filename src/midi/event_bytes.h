#pragma once
// The payload of one event: a byte sequence with the parts of std::vector's
// interface the model uses, in 12 bytes. Up to 8 bytes (every channel
// message and note, tempo, time and key signature) are held inside the
// event itself, so making, copying, moving and dropping such an event costs
// no heap traffic and a track of them stays one contiguous block; longer
// payloads (texts, system exclusive) go to one heap block of their own.
// Moving is a copy of the 12 bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <vector>

namespace songloom::midi {

class EventBytes {
public:
    using value_type = std::uint8_t;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = std::uint8_t&;
    using const_reference = const std::uint8_t&;
    using pointer = std::uint8_t*;
    using const_pointer = const std::uint8_t*;
    using iterator = std::uint8_t*;
    using const_iterator = const std::uint8_t*;

    static constexpr std::size_t kInline = 8;

    EventBytes() = default;
    EventBytes(std::initializer_list<std::uint8_t> bytes) { assign(bytes.begin(), bytes.end()); }
    EventBytes(const EventBytes& other)
    {
        if (other.OnHeap()) {
            assign(other.begin(), other.end());
        } else {
            std::memcpy(raw_, other.raw_, kInline);
            size_ = other.size_;
        }
    }
    EventBytes(EventBytes&& other) noexcept { Take(other); }
    EventBytes& operator=(const EventBytes& other)
    {
        if (this != &other) assign(other.begin(), other.end());
        return *this;
    }
    EventBytes& operator=(EventBytes&& other) noexcept
    {
        if (this != &other) {
            Release();
            Take(other);
        }
        return *this;
    }
    ~EventBytes() { Release(); }

    std::size_t size() const { return size_ & kSizeMask; }
    bool empty() const { return size() == 0; }
    std::size_t capacity() const { return OnHeap() ? Block()[0] : kInline; }
    std::uint8_t* data() { return OnHeap() ? HeapData() : raw_; }
    const std::uint8_t* data() const { return OnHeap() ? HeapData() : raw_; }
    iterator begin() { return data(); }
    iterator end() { return data() + size(); }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size(); }
    std::uint8_t& operator[](std::size_t i) { return data()[i]; }
    const std::uint8_t& operator[](std::size_t i) const { return data()[i]; }
    std::uint8_t& back() { return data()[size() - 1]; }
    const std::uint8_t& back() const { return data()[size() - 1]; }

    void clear() { SetSize(0); }  // keeps the room
    void reserve(std::size_t n)
    {
        if (n > capacity()) Grow(n);
    }
    void resize(std::size_t n, std::uint8_t fill = 0)
    {
        reserve(n);
        const std::size_t old = size();
        if (n > old) std::memset(data() + old, fill, n - old);
        SetSize(n);
    }
    void assign(std::size_t n, std::uint8_t value)
    {
        SetSize(0);
        resize(n, value);
    }
    template <std::input_iterator It>
    void assign(It first, It last)
    {
        const auto n = static_cast<std::size_t>(std::distance(first, last));
        if (n <= kInline && !OnHeap()) {
            // The usual case of a few bytes: no call into the library.
            for (std::size_t i = 0; i < n; ++i, ++first) raw_[i] = static_cast<std::uint8_t>(*first);
            size_ = static_cast<std::uint32_t>(n);
            return;
        }
        SetSize(0);
        reserve(n);
        std::copy(first, last, data());
        SetSize(n);
    }
    // Replaces the bytes by the first n (at most 3) of a, b, c: a channel
    // message stored byte by byte.
    void AssignMessage(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::size_t n)
    {
        Release();
        raw_[0] = a;
        raw_[1] = b;
        raw_[2] = c;
        size_ = static_cast<std::uint32_t>(n);
    }
    void push_back(std::uint8_t b)
    {
        const std::size_t n = size();
        if (n == capacity()) Grow(n * 2);
        data()[n] = b;
        SetSize(n + 1);
    }
    // The inserted range must not lie in this sequence.
    template <std::input_iterator It>
    iterator insert(const_iterator at, It first, It last)
    {
        const auto offset = static_cast<std::size_t>(at - data());
        const auto n = static_cast<std::size_t>(std::distance(first, last));
        const std::size_t old = size();
        reserve(old + n);
        std::uint8_t* p = data() + offset;
        std::memmove(p + n, p, old - offset);
        std::copy(first, last, p);
        SetSize(old + n);
        return p;
    }

    // Code that keeps a payload as a vector of its own takes a copy.
    operator std::vector<std::uint8_t>() const { return {begin(), end()}; }

    friend bool operator==(const EventBytes& a, const EventBytes& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator==(const EventBytes& a, const std::vector<std::uint8_t>& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }

private:
    // The top bit of size_ says that raw_ holds the address of a heap block:
    // its capacity (one size_t) followed by the bytes.
    static constexpr std::uint32_t kHeapBit = 0x80000000u;
    static constexpr std::uint32_t kSizeMask = ~kHeapBit;

    bool OnHeap() const { return (size_ & kHeapBit) != 0; }
    std::size_t* Block() const
    {
        std::size_t* block;
        std::memcpy(&block, raw_, sizeof block);
        return block;
    }
    std::uint8_t* HeapData() const { return reinterpret_cast<std::uint8_t*>(Block() + 1); }
    void SetSize(std::size_t n) { size_ = (size_ & kHeapBit) | static_cast<std::uint32_t>(n); }
    void Grow(std::size_t wanted)
    {
        const std::size_t room = std::max<std::size_t>(wanted, kInline * 4);
        auto* block = new std::size_t[1 + (room + sizeof(std::size_t) - 1) / sizeof(std::size_t)];
        block[0] = room;
        const std::size_t n = size();
        std::memcpy(block + 1, data(), n);
        Release();
        std::memcpy(raw_, &block, sizeof block);
        size_ = kHeapBit | static_cast<std::uint32_t>(n);
    }
    void Release()
    {
        if (OnHeap()) delete[] Block();
        size_ &= kSizeMask;
    }
    // Leaves other empty and inline.
    void Take(EventBytes& other)
    {
        std::memcpy(raw_, other.raw_, kInline);
        size_ = other.size_;
        other.size_ = 0;
    }

    static_assert(sizeof(std::size_t*) <= kInline);
    std::uint8_t raw_[kInline]{};
    std::uint32_t size_ = 0;
};

}  // namespace songloom::midi
