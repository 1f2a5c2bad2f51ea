#pragma once
// The command line's memory for C++ objects: one reserved run of address
// space, handed out from the front and mapped ahead of use in steps.
//
// A command runs for a few milliseconds and touches a few megabytes it has
// never touched before. Taking each of those pages on its first write costs
// a trap per page, and on a virtual machine that trap (and the host's own
// bookkeeping for the page) is many times dearer than the page: a render
// spent more time in them than in the music. The arena maps the pages of
// small blocks 64 KB at a time, in one call, and hands freed blocks out
// again before it touches new ground.
//
// Past its first 16 KB (all a command that only reads or prints needs)
// come four megabytes of huge pages: a render's two megabytes of notes and
// tracks then cost one trap, not hundreds. On the virtual machines we
// measure on, a page's first touch costs the host a fill of its own even
// when the guest mapped the page ahead (8 us a page), and a render in
// small pages took 12 ms where it takes 8 in huge ones; a fresh huge page
// costs 0.2 ms, now and then 5 ms when the host must find the memory
// anew. Beyond the huge pages, and where the system gives none, pages are
// small.
//
// Blocks come in size classes (multiples of 16 bytes, then four steps to
// each power of two); a freed block waits in the list of the largest class
// it can serve, and a request its own list cannot meet splits a larger
// free block before it takes new ground. Blocks over a megabyte are cut in
// steps of 64 KB and are not mapped ahead (see AllocateLarge); past 64 MB
// of them in use, and once the reserve is used up, blocks come from the C
// library.
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace songloom::cli {

class HeapArena {
public:
    struct Options {
        std::size_t reserveBytes = std::size_t{1} << 30;  // address space only
        std::size_t mapStepBytes = std::size_t{64} << 10;  // mapped at once for small blocks
        std::size_t smallFrontBytes = std::size_t{16} << 10;   // small pages before the huge ones
        std::size_t hugeBytes = std::size_t{4} << 20;          // 0: small pages only
    };

    static constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

    static constexpr std::size_t kAlignment = 16;
    static constexpr std::size_t kLargestClassBytes = std::size_t{1} << 20;  // header included

    HeapArena();
    explicit HeapArena(const Options& options);
    ~HeapArena();
    HeapArena(const HeapArena&) = delete;
    HeapArena& operator=(const HeapArena&) = delete;

    // nullptr only when no memory is left anywhere; a request of no bytes
    // gets a block of its own too.
    void* Allocate(std::size_t size);
    // Takes blocks of this arena's Allocate only; nullptr is ignored.
    void Free(void* block);

    // What a block can hold (at least what was asked for).
    static std::size_t UsableSize(const void* block);
    // Whether the block came from the reserve (rather than the C library).
    static bool FromReserve(const void* block);

    // Where the huge pages are asked for (empty when they are not).
    const char* HugeBegin() const { return hugeBegin_; }
    const char* HugeEnd() const { return hugeEnd_; }
    std::size_t MappedBytes() const { return static_cast<std::size_t>(mappedTo_ - begin_); }
    std::size_t HandedOutBytes() const { return static_cast<std::size_t>(next_ - begin_); }
    bool Reserved() const { return begin_ != nullptr; }

private:
    static constexpr int kClasses = 63;

    void* FromSystem(std::size_t total);
    void* AllocateLarge(std::size_t size);
    void* Pop(int list);
    void Push(void* block);      // to its size class's list
    void PushFree(void* block);  // to the list it belongs to, large or not
    void* SplitLarger(int sizeClass, std::size_t total);
    void* Carve(std::size_t total, bool mapNow);
    void Lock();
    void Unlock();

    Options options_;
    char* begin_ = nullptr;  // the reserve as mapped, to end_
    char* next_ = nullptr;      // the front: nothing past it was handed out
    char* mappedTo_ = nullptr;  // pages below are mapped
    char* end_ = nullptr;
    char* hugeBegin_ = nullptr;  // huge pages asked for from here to hugeEnd_
    char* hugeEnd_ = nullptr;
    std::size_t pageBytes_ = 4096;
    std::atomic<bool> populate_{true};  // off when the kernel cannot map ahead
    void* freeLists_[kClasses] = {};
    std::uint64_t nonEmpty_ = 0;  // bit n: list n holds a block
    void* largeFree_ = nullptr;   // free blocks over a megabyte
    std::size_t largeLive_ = 0;   // bytes of such blocks in use
    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
};

// The arena behind the program's operator new (global_new.cpp, where it is
// built in).
HeapArena& ProgramArena();

}  // namespace songloom::cli
