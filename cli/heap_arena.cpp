#include "heap_arena.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels answer EINVAL
#endif

namespace songloom::cli {
namespace {

constexpr std::uint32_t kSystemClass = 0xffffffffu;  // the C library's
constexpr std::uint32_t kLargeClass = 0xfffffffeu;   // a large block of the reserve
constexpr std::size_t kLargeGrain = std::size_t{64} << 10;
constexpr std::size_t kLargeBudgetBytes = std::size_t{64} << 20;  // large blocks of the reserve in use at once

// Sixteen bytes before every block: whether it is the C library's, and how
// large it is (a freed block of the reserve goes to the list of the largest
// class its size can serve).
struct BlockHeader {
    std::uint32_t sizeClass;
    std::uint32_t unused;
    std::uint64_t totalBytes;
};
static_assert(sizeof(BlockHeader) == HeapArena::kAlignment);
constexpr std::size_t kHeader = sizeof(BlockHeader);

// Classes 0-14: 32 to 256 bytes in steps of 16; then four steps to each
// power of two up to a megabyte. Sizes count the header.
int ClassOf(std::size_t total)
{
    if (total <= 256) return static_cast<int>((total + 15) / 16) - 2;
    const int e = std::bit_width(total - 1) - 1;  // 2^e < total <= 2^(e+1)
    const std::size_t base = std::size_t{1} << e;
    const std::size_t quarter = base >> 2;
    const int step = static_cast<int>((total - base + quarter - 1) / quarter);
    return 15 + (e - 8) * 4 + step - 1;
}

std::size_t ClassBytes(int sizeClass)
{
    if (sizeClass < 15) return static_cast<std::size_t>(sizeClass + 2) * 16;
    const int e = 8 + (sizeClass - 15) / 4;
    const std::size_t base = std::size_t{1} << e;
    return base + static_cast<std::size_t>((sizeClass - 15) % 4 + 1) * (base >> 2);
}

// The largest class a block of this size can serve.
int FloorClassOf(std::size_t total)
{
    const int up = ClassOf(total);
    return ClassBytes(up) == total ? up : up - 1;
}

char* AlignUp(char* p, std::size_t to)
{
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    return reinterpret_cast<char*>((a + to - 1) & ~(std::uintptr_t{to} - 1));
}

char* AlignDown(char* p, std::size_t to)
{
    return reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(p) & ~(std::uintptr_t{to} - 1));
}

const BlockHeader& HeaderOf(const void* block)
{
    return *reinterpret_cast<const BlockHeader*>(static_cast<const char*>(block) - kHeader);
}

BlockHeader& HeaderOf(void* block) { return *reinterpret_cast<BlockHeader*>(static_cast<char*>(block) - kHeader); }

// Cuts the block to `total` bytes when enough is left over for a block of
// its own, which is returned (nullptr otherwise).
void* CutRest(void* block, std::size_t total, std::uint32_t restClass)
{
    BlockHeader& header = HeaderOf(block);
    const std::size_t rest = header.totalBytes - total;
    if (rest < ClassBytes(0)) return nullptr;
    header.totalBytes = total;
    auto* restHeader = reinterpret_cast<BlockHeader*>(reinterpret_cast<char*>(&header) + total);
    *restHeader = {restClass, 0, rest};
    return restHeader + 1;
}

// False when the kernel cannot map ahead at all (then pages come on touch).
bool MapNow(char* from, char* to)
{
    if (from >= to) return true;
    return ::madvise(from, static_cast<std::size_t>(to - from), MADV_POPULATE_WRITE) == 0 || errno != EINVAL;
}

// Whether the system hands out transparent huge pages to memory that
// asks for them (not where they are switched off, or not built in).
bool SystemGivesHugePages()
{
    const int fd = ::open("/sys/kernel/mm/transparent_hugepage/enabled", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[128];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return false;
    text[n] = '\0';
    return std::strstr(text, "[never]") == nullptr;
}

}  // namespace

HeapArena::HeapArena() : HeapArena(Options{}) {}

HeapArena::HeapArena(const Options& options) : options_(options)
{
    if (const long page = ::sysconf(_SC_PAGESIZE); page > 0) pageBytes_ = static_cast<std::size_t>(page);
    options_.mapStepBytes = std::max(options_.mapStepBytes, pageBytes_);
    options_.hugeBytes = options_.hugeBytes / kHugePageBytes * kHugePageBytes;
    options_.smallFrontBytes = (options_.smallFrontBytes + pageBytes_ - 1) / pageBytes_ * pageBytes_;
    if (options_.hugeBytes != 0 &&
        (options_.smallFrontBytes + options_.hugeBytes > options_.reserveBytes || !SystemGivesHugePages())) {
        options_.hugeBytes = 0;
    }
    // With huge pages the run is mapped a huge page longer, so that the
    // huge part can start on a huge page's boundary; the slack is given back.
    const std::size_t slack = options_.hugeBytes != 0 ? kHugePageBytes : 0;
    void* run = ::mmap(nullptr, options_.reserveBytes + slack, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (run == MAP_FAILED) return;  // everything comes from the C library
    auto* const from = static_cast<char*>(run);
    begin_ = from;
    if (slack != 0) {
        // Some of the slack goes before the reserve, the rest (never none) after it.
        begin_ = AlignUp(from + options_.smallFrontBytes, kHugePageBytes) - options_.smallFrontBytes;
        const auto lead = static_cast<std::size_t>(begin_ - from);
        if (lead != 0) ::munmap(from, lead);
        ::munmap(begin_ + options_.reserveBytes, slack - lead);
    }
    next_ = mappedTo_ = begin_;
    end_ = begin_ + options_.reserveBytes;
    // Small pages even where the system gives huge ones to all memory, but
    // for the huge part; without transparent huge pages the calls fail,
    // harmlessly, and every page is small.
    ::madvise(begin_, options_.reserveBytes, MADV_NOHUGEPAGE);
    if (options_.hugeBytes != 0 &&
        ::madvise(begin_ + options_.smallFrontBytes, options_.hugeBytes, MADV_HUGEPAGE) == 0) {
        hugeBegin_ = begin_ + options_.smallFrontBytes;
        hugeEnd_ = hugeBegin_ + options_.hugeBytes;
    }
}

HeapArena::~HeapArena()
{
    if (begin_ != nullptr) ::munmap(begin_, static_cast<std::size_t>(end_ - begin_));
}

void HeapArena::Lock()
{
    while (busy_.test_and_set(std::memory_order_acquire)) {
        while (busy_.test(std::memory_order_relaxed)) {
        }
    }
}

void HeapArena::Unlock() { busy_.clear(std::memory_order_release); }

void* HeapArena::Allocate(std::size_t size)
{
    if (size == 0) size = 1;  // every block is a block of its own
    if (size > kLargestClassBytes - kHeader) return AllocateLarge(size);
    const int sizeClass = ClassOf(size + kHeader);
    const std::size_t total = ClassBytes(sizeClass);
    Lock();
    void* block = Pop(sizeClass);
    if (block == nullptr) block = SplitLarger(sizeClass, total);
    if (block == nullptr) block = Carve(total, true);
    Unlock();
    return block != nullptr ? block : FromSystem(size + kHeader);
}

// A large block (a track's events, a file's image) takes the free large
// block that fits it best, or new ground that is not mapped at once: such a
// block is written from its front, its pages come as they are first
// written, and the room a list reserved but never used is never mapped at
// all (mapping it ahead cost more than the traps it saved).
void* HeapArena::AllocateLarge(std::size_t size)
{
    const std::size_t total = (size + kHeader + kLargeGrain - 1) / kLargeGrain * kLargeGrain;
    Lock();
    if (largeLive_ + total > kLargeBudgetBytes) {
        // Many large lists at once (a file of many long tracks): the rest
        // come from the C library, so that they never use up the reserve
        // the small blocks live in.
        Unlock();
        return FromSystem(size + kHeader);
    }
    void** best = nullptr;
    for (void** link = &largeFree_; *link != nullptr; link = static_cast<void**>(*link)) {
        const std::size_t have = HeaderOf(*link).totalBytes;
        if (have >= total && (best == nullptr || have < HeaderOf(*best).totalBytes)) best = link;
    }
    void* block = nullptr;
    if (best != nullptr) {
        block = *best;
        *best = *static_cast<void**>(block);
        const bool restIsLarge = HeaderOf(block).totalBytes - total > kLargestClassBytes;
        if (void* rest = CutRest(block, total, restIsLarge ? kLargeClass : 0)) PushFree(rest);
    } else {
        block = Carve(total, false);
        if (block != nullptr) HeaderOf(block).sizeClass = kLargeClass;
    }
    if (block != nullptr) largeLive_ += HeaderOf(block).totalBytes;
    Unlock();
    return block != nullptr ? block : FromSystem(size + kHeader);
}

void* HeapArena::Pop(int list)
{
    void* block = freeLists_[list];
    if (block != nullptr) {
        freeLists_[list] = *static_cast<void**>(block);
        if (freeLists_[list] == nullptr) nonEmpty_ &= ~(std::uint64_t{1} << list);
    }
    return block;
}

void HeapArena::PushFree(void* block)
{
    if (HeaderOf(block).sizeClass == kLargeClass) {
        *static_cast<void**>(block) = largeFree_;
        largeFree_ = block;
    } else {
        Push(block);
    }
}

void HeapArena::Push(void* block)
{
    const int list = FloorClassOf(HeaderOf(block).totalBytes);
    *static_cast<void**>(block) = freeLists_[list];
    freeLists_[list] = block;
    nonEmpty_ |= std::uint64_t{1} << list;
}

// A freed block of a larger class serves before new ground is touched: the
// front of it goes out, the rest waits in the list its size belongs to.
void* HeapArena::SplitLarger(int sizeClass, std::size_t total)
{
    const std::uint64_t larger = sizeClass + 1 < kClasses ? nonEmpty_ >> (sizeClass + 1) : 0;
    if (larger == 0) return nullptr;
    void* block = Pop(sizeClass + 1 + std::countr_zero(larger));
    if (void* rest = CutRest(block, total, 0)) Push(rest);
    return block;
}

void* HeapArena::Carve(std::size_t total, bool mapNow)
{
    if (begin_ == nullptr || total > static_cast<std::size_t>(end_ - next_)) return nullptr;
    char* const blockEnd = next_ + total;
    if (!mapNow) {
        // Its own pages come when written; the page its end shares with the
        // blocks after it is mapped with them.
        mappedTo_ = std::max(mappedTo_, AlignDown(blockEnd, pageBytes_));
    } else if (blockEnd > mappedTo_) {
        // Among the huge pages a step is a whole huge page: one trap.
        const bool huge = hugeBegin_ != nullptr && blockEnd > hugeBegin_ && blockEnd <= hugeEnd_;
        char* to = AlignUp(blockEnd, huge ? kHugePageBytes : options_.mapStepBytes);
        if (to > end_) to = end_;
        if (populate_.load(std::memory_order_relaxed) && !MapNow(mappedTo_, to)) {
            populate_.store(false, std::memory_order_relaxed);
        }
        mappedTo_ = to;
    }
    auto* header = reinterpret_cast<BlockHeader*>(next_);
    *header = {0, 0, total};
    next_ = blockEnd;
    return header + 1;
}

void* HeapArena::FromSystem(std::size_t total)
{
    auto* header = static_cast<BlockHeader*>(std::malloc(total));
    if (header == nullptr) return nullptr;
    *header = {kSystemClass, 0, total};
    return header + 1;
}

void HeapArena::Free(void* block)
{
    if (block == nullptr) return;
    BlockHeader& header = HeaderOf(block);
    if (header.sizeClass == kSystemClass) {
        std::free(&header);
        return;
    }
    Lock();
    if (header.sizeClass == kLargeClass) largeLive_ -= header.totalBytes;
    char* const start = static_cast<char*>(block) - kHeader;
    if (start + header.totalBytes == next_) {
        next_ = start;  // the last block handed out: the front takes it back
    } else {
        if (header.sizeClass == kLargeClass) {
            // The memory goes back to the system until the block serves again.
            // Not among the huge pages, which would be split for it.
            char* const from = std::max(AlignUp(start + kHeader + sizeof(void*), pageBytes_), hugeEnd_);
            char* const to = AlignDown(start + header.totalBytes, pageBytes_);
            if (from < to) ::madvise(from, static_cast<std::size_t>(to - from), MADV_DONTNEED);
        }
        PushFree(block);
    }
    Unlock();
}

std::size_t HeapArena::UsableSize(const void* block) { return HeaderOf(block).totalBytes - kHeader; }

bool HeapArena::FromReserve(const void* block) { return HeaderOf(block).sizeClass != kSystemClass; }

}  // namespace songloom::cli
