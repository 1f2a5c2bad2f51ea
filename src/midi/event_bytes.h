#pragma once
// The payload of one event: a byte sequence with the parts of std::vector's
// interface the model uses. Up to 16 bytes (every channel message, tempo,
// time signature, the common system exclusive messages) are held inside the
// event itself, so making, copying and dropping such an event costs no heap
// traffic; longer payloads (texts, long system exclusive) go to the heap.

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

    static constexpr std::size_t kInline = 16;

    EventBytes() = default;
    EventBytes(std::initializer_list<std::uint8_t> bytes) { assign(bytes.begin(), bytes.end()); }
    EventBytes(const EventBytes& other) { assign(other.begin(), other.end()); }
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

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::size_t capacity() const { return capacity_; }
    std::uint8_t* data() { return OnHeap() ? heap_ : inline_; }
    const std::uint8_t* data() const { return OnHeap() ? heap_ : inline_; }
    iterator begin() { return data(); }
    iterator end() { return data() + size_; }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size_; }
    std::uint8_t& operator[](std::size_t i) { return data()[i]; }
    const std::uint8_t& operator[](std::size_t i) const { return data()[i]; }
    std::uint8_t& back() { return data()[size_ - 1]; }
    const std::uint8_t& back() const { return data()[size_ - 1]; }

    void clear() { size_ = 0; }  // keeps the room
    void reserve(std::size_t n)
    {
        if (n > capacity_) Grow(n);
    }
    void resize(std::size_t n, std::uint8_t fill = 0)
    {
        reserve(n);
        if (n > size_) std::memset(data() + size_, fill, n - size_);
        size_ = static_cast<std::uint32_t>(n);
    }
    void assign(std::size_t n, std::uint8_t value)
    {
        size_ = 0;
        resize(n, value);
    }
    template <std::input_iterator It>
    void assign(It first, It last)
    {
        const auto n = static_cast<std::size_t>(std::distance(first, last));
        size_ = 0;
        reserve(n);
        std::copy(first, last, data());
        size_ = static_cast<std::uint32_t>(n);
    }
    void push_back(std::uint8_t b)
    {
        if (size_ == capacity_) Grow(capacity_ * 2);
        data()[size_++] = b;
    }
    // The inserted range must not lie in this sequence.
    template <std::input_iterator It>
    iterator insert(const_iterator at, It first, It last)
    {
        const auto offset = static_cast<std::size_t>(at - data());
        const auto n = static_cast<std::size_t>(std::distance(first, last));
        reserve(size_ + n);
        std::uint8_t* p = data() + offset;
        std::memmove(p + n, p, size_ - offset);
        std::copy(first, last, p);
        size_ += static_cast<std::uint32_t>(n);
        return p;
    }

    // Code that keeps a payload as a vector of its own takes a copy.
    operator std::vector<std::uint8_t>() const { return {begin(), end()}; }

    friend bool operator==(const EventBytes& a, const EventBytes& b)
    {
        return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator==(const EventBytes& a, const std::vector<std::uint8_t>& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }

private:
    bool OnHeap() const { return capacity_ > kInline; }
    void Grow(std::size_t wanted)
    {
        const std::size_t room = std::max<std::size_t>(wanted, kInline * 2);
        auto* block = new std::uint8_t[room];
        std::memcpy(block, data(), size_);
        Release();
        heap_ = block;
        capacity_ = static_cast<std::uint32_t>(room);
    }
    void Release()
    {
        if (OnHeap()) delete[] heap_;
        capacity_ = kInline;
    }
    // Leaves other empty and inline.
    void Take(EventBytes& other)
    {
        size_ = other.size_;
        capacity_ = other.capacity_;
        if (other.OnHeap()) {
            heap_ = other.heap_;
        } else {
            std::memcpy(inline_, other.inline_, size_);
        }
        other.size_ = 0;
        other.capacity_ = kInline;
    }

    union {
        std::uint8_t inline_[kInline]{};
        std::uint8_t* heap_;
    };
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = kInline;
};

}  // namespace songloom::midi
