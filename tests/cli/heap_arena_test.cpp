#include "heap_arena.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <random>
#include <thread>
#include <vector>

namespace songloom::cli {
namespace {

struct Live {
    unsigned char* block;
    std::size_t size;
    unsigned char mark;
};

void Fill(const Live& l) { std::memset(l.block, l.mark, l.size); }

bool Intact(const Live& l)
{
    for (std::size_t i = 0; i < l.size; ++i) {
        if (l.block[i] != l.mark) return false;
    }
    return true;
}

Live Take(HeapArena& arena, std::size_t size, unsigned char mark)
{
    Live l{static_cast<unsigned char*>(arena.Allocate(size)), size, mark};
    if (l.block != nullptr) Fill(l);
    return l;
}

TEST(HeapArenaTest, BlocksAreAlignedLargeEnoughAndKeepTheirContentsThroughReuse)
{
    HeapArena arena;
    ASSERT_TRUE(arena.Reserved());
    std::mt19937 rng(5);
    std::vector<Live> live;
    unsigned char mark = 1;
    for (int round = 0; round < 4000; ++round) {
        // Mostly small blocks, some of hundreds of kilobytes, a few beyond a megabyte.
        const int kind = static_cast<int>(rng() % 100);
        const std::size_t size = kind < 80 ? 1 + rng() % 300 : kind < 98 ? 1 + rng() % 300'000 : (1 << 20) + rng() % 100'000;
        live.push_back(Take(arena, size, mark++));
        ASSERT_NE(live.back().block, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(live.back().block) % HeapArena::kAlignment, 0u);
        EXPECT_GE(HeapArena::UsableSize(live.back().block), size);
        if (rng() % 2 == 0 && !live.empty()) {
            const std::size_t victim = rng() % live.size();
            ASSERT_TRUE(Intact(live[victim])) << "block " << victim << " was overwritten";
            arena.Free(live[victim].block);
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(victim));
        }
    }
    for (const Live& l : live) {
        EXPECT_TRUE(Intact(l));
        arena.Free(l.block);
    }
    EXPECT_GE(arena.MappedBytes(), arena.HandedOutBytes());
}

TEST(HeapArenaTest, FreedBlocksServeAgainBeforeNewGroundIsTaken)
{
    HeapArena arena;
    void* first = arena.Allocate(100);
    void* second = arena.Allocate(100);
    const std::size_t front = arena.HandedOutBytes();

    // A request of no bytes still gets a block of its own.
    void* none = arena.Allocate(0);
    void* noneToo = arena.Allocate(0);
    ASSERT_NE(none, nullptr);
    EXPECT_NE(none, noneToo);
    arena.Free(noneToo);
    arena.Free(none);

    // A block freed in the middle comes back for the next request of its size.
    arena.Free(first);
    EXPECT_EQ(arena.Allocate(90), first);
    EXPECT_EQ(arena.HandedOutBytes(), front);

    // The last block handed out goes back to the front.
    arena.Free(second);
    EXPECT_LT(arena.HandedOutBytes(), front);
    EXPECT_EQ(arena.Allocate(100), second);

    // A large free block is split for a small request; its rest serves the next.
    void* large = arena.Allocate(64 << 10);
    void* fence = arena.Allocate(16);
    const std::size_t before = arena.HandedOutBytes();
    arena.Free(large);
    void* small = arena.Allocate(200);
    EXPECT_EQ(small, large);
    void* rest = arena.Allocate(30 << 10);
    EXPECT_GT(static_cast<char*>(rest), static_cast<char*>(large));
    EXPECT_LT(static_cast<char*>(rest), static_cast<char*>(fence));
    EXPECT_EQ(arena.HandedOutBytes(), before);
    for (void* b : {first, second, small, rest, fence}) arena.Free(b);
}

TEST(HeapArenaTest, LargeBlocksComeFromTheReserveAndServeAgainWhenFreed)
{
    HeapArena arena;
    Live big = Take(arena, 3 << 20, 3);
    ASSERT_NE(big.block, nullptr);
    EXPECT_TRUE(HeapArena::FromReserve(big.block));
    EXPECT_GE(HeapArena::UsableSize(big.block), std::size_t{3} << 20);
    Live fence = Take(arena, 100, 4);
    const std::size_t front = arena.HandedOutBytes();

    // Freed in the middle, the block serves the next large request that fits,
    // and what it does not need serves the one after.
    arena.Free(big.block);
    Live second = Take(arena, 2 << 20, 5);
    EXPECT_EQ(second.block, big.block);
    Live third = Take(arena, (1 << 20) - 4096, 6);
    EXPECT_GT(third.block, second.block);
    EXPECT_LT(third.block, fence.block);
    EXPECT_EQ(arena.HandedOutBytes(), front);
    for (const Live& l : {second, third, fence}) {
        EXPECT_TRUE(Intact(l));
        arena.Free(l.block);
    }
}

TEST(HeapArenaTest, PastSixtyFourMegabytesOfLargeBlocksTheCLibraryServes)
{
    HeapArena arena;
    constexpr std::size_t kBlock = std::size_t{20} << 20;
    std::vector<void*> blocks;
    for (int i = 0; i < 4; ++i) blocks.push_back(arena.Allocate(kBlock));
    EXPECT_TRUE(HeapArena::FromReserve(blocks[0]));
    EXPECT_TRUE(HeapArena::FromReserve(blocks[2]));
    EXPECT_FALSE(HeapArena::FromReserve(blocks[3]));
    // Once one is given back, the reserve serves again (the freed block).
    arena.Free(blocks[1]);
    void* again = arena.Allocate(kBlock);
    EXPECT_EQ(again, blocks[1]);
    blocks[1] = again;
    for (void* b : blocks) {
        static_cast<char*>(b)[0] = 1;
        static_cast<char*>(b)[kBlock - 1] = 1;
        arena.Free(b);
    }
}

TEST(HeapArenaTest, LargeBlocksAndAnExhaustedReserveComeFromTheCLibrary)
{
    HeapArena::Options options;
    options.reserveBytes = std::size_t{1} << 20;
    HeapArena arena(options);
    ASSERT_TRUE(arena.Reserved());

    Live big = Take(arena, 3 << 20, 7);
    ASSERT_NE(big.block, nullptr);
    EXPECT_FALSE(HeapArena::FromReserve(big.block));

    std::vector<Live> blocks;
    for (int i = 0; i < 40; ++i) blocks.push_back(Take(arena, 60 << 10, static_cast<unsigned char>(i + 10)));
    EXPECT_TRUE(HeapArena::FromReserve(blocks.front().block));
    EXPECT_FALSE(HeapArena::FromReserve(blocks.back().block));
    EXPECT_LE(arena.HandedOutBytes(), options.reserveBytes);
    for (const Live& l : blocks) {
        EXPECT_TRUE(Intact(l));
        arena.Free(l.block);
    }
    EXPECT_TRUE(Intact(big));
    arena.Free(big.block);
    arena.Free(nullptr);
}

// Which of the pages from `from` (page-aligned) are in memory.
std::vector<bool> Resident(const void* from, std::size_t pages)
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> in(pages);
    if (::mincore(const_cast<void*>(from), pages * page, in.data()) != 0) return {};
    std::vector<bool> out(pages);
    for (std::size_t i = 0; i < pages; ++i) out[i] = (in[i] & 1) != 0;
    return out;
}

bool KernelMapsAhead()
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    void* probe = ::mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (probe == MAP_FAILED) return false;
    const bool ok = ::madvise(probe, page, 23 /* MADV_POPULATE_WRITE */) == 0;
    ::munmap(probe, page);
    return ok;
}

TEST(HeapArenaTest, SmallBlocksAreMappedAheadAndLargeBlocksAsTheyAreWritten)
{
    if (!KernelMapsAhead()) GTEST_SKIP() << "this kernel maps no pages ahead of use";
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    HeapArena::Options smallPages;
    smallPages.hugeBytes = 0;
    HeapArena arena(smallPages);
    EXPECT_EQ(arena.HugeBegin(), nullptr);

    // Sixteen blocks of 16 KB: only their headers are written, yet every
    // page they span is in memory, mapped ahead with the steps.
    std::vector<void*> small;
    for (int i = 0; i < 16; ++i) small.push_back(arena.Allocate((16 << 10) - 16));
    auto* const first = reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(small.front()) & ~(page - 1));
    const std::size_t spanned = static_cast<std::size_t>(static_cast<char*>(small.back()) + (16 << 10) - first) / page;
    const std::vector<bool> ahead = Resident(first, spanned);
    ASSERT_EQ(ahead.size(), spanned);
    EXPECT_EQ(std::count(ahead.begin(), ahead.end(), false), 0);
    EXPECT_GE(arena.MappedBytes(), arena.HandedOutBytes());

    // A 4 MB block: its pages come as they are written, the room it never
    // uses stays unmapped (past the last step the small blocks mapped).
    auto* const large = static_cast<char*>(arena.Allocate(4 << 20));
    ASSERT_TRUE(HeapArena::FromReserve(large));
    auto* const body =
        reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(large) + (64 << 10) + page) & ~(page - 1));
    const std::size_t pages = (std::size_t{3} << 20) / page;
    std::vector<bool> before = Resident(body, pages);
    ASSERT_EQ(before.size(), pages);
    EXPECT_EQ(std::count(before.begin(), before.end(), true), 0);
    body[10 * page] = 1;
    std::vector<bool> after = Resident(body, pages);
    EXPECT_EQ(std::count(after.begin(), after.end(), true), 1);
    EXPECT_TRUE(after[10]);

    // A small block after it is mapped ahead again, every page of it.
    void* next = arena.Allocate((16 << 10) - 16);
    EXPECT_GT(static_cast<char*>(next), large + (4 << 20));
    auto* const nextPage = reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(next) & ~(page - 1));
    const std::vector<bool> again = Resident(nextPage, (16 << 10) / page);
    EXPECT_EQ(std::count(again.begin(), again.end(), false), 0);
    for (void* b : small) arena.Free(b);
    arena.Free(large);
    arena.Free(next);
}

// The flags the kernel keeps for the mapping that holds `at` ("hg": huge
// pages asked for, "nh": refused), empty when it cannot tell.
std::string MappingFlags(const void* at)
{
    std::FILE* smaps = std::fopen("/proc/self/smaps", "r");
    if (smaps == nullptr) return {};
    const auto address = reinterpret_cast<std::uintptr_t>(at);
    bool inside = false;
    std::string flags;
    char line[512];
    while (std::fgets(line, sizeof line, smaps) != nullptr) {
        unsigned long from = 0;
        unsigned long to = 0;
        if (std::sscanf(line, "%lx-%lx ", &from, &to) == 2 && std::strchr(line, '-') < std::strchr(line, ' ')) {
            inside = address >= from && address < to;
        } else if (inside && std::strncmp(line, "VmFlags:", 8) == 0) {
            flags = line + 8;
            break;
        }
    }
    std::fclose(smaps);
    return flags;
}

bool HasFlag(const std::string& flags, const char* flag)
{
    return flags.find(std::string(" ") + flag + " ") != std::string::npos ||
           flags.find(std::string(" ") + flag + "\n") != std::string::npos;
}

TEST(HeapArenaTest, HugePagesFollowASmallFrontOnAHugePageBoundary)
{
    HeapArena arena;
    if (arena.HugeBegin() == nullptr) GTEST_SKIP() << "this system has no transparent huge pages";
    const HeapArena::Options defaults;
    const auto begin = reinterpret_cast<std::uintptr_t>(arena.HugeBegin());
    EXPECT_EQ(begin % HeapArena::kHugePageBytes, 0u);
    EXPECT_EQ(static_cast<std::size_t>(arena.HugeEnd() - arena.HugeBegin()), defaults.hugeBytes);

    // A command that only prints stays in the small front; the first
    // block past it lands among the huge pages.
    void* first = arena.Allocate(100);
    EXPECT_EQ(static_cast<const char*>(first) - 16, arena.HugeBegin() - defaults.smallFrontBytes);
    EXPECT_TRUE(HasFlag(MappingFlags(first), "nh"));
    std::vector<void*> blocks{first};
    while (static_cast<const char*>(blocks.back()) < arena.HugeBegin()) blocks.push_back(arena.Allocate(4000));
    const std::string huge = MappingFlags(blocks.back());
    ASSERT_FALSE(huge.empty());
    EXPECT_TRUE(HasFlag(huge, "hg")) << huge;
    EXPECT_FALSE(HasFlag(huge, "nh")) << huge;
    // Past them, small pages again, even where the system hands out huge ones unasked.
    EXPECT_TRUE(HasFlag(MappingFlags(arena.HugeEnd()), "nh"));
    for (void* b : blocks) arena.Free(b);
}

TEST(HeapArenaTest, LargeBlocksAmongTheHugePagesKeepTheirPagesWhenFreed)
{
    if (!KernelMapsAhead()) GTEST_SKIP() << "this kernel maps no pages ahead of use";
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    HeapArena::Options options;
    options.hugeBytes = std::size_t{8} << 20;
    HeapArena arena(options);
    if (arena.HugeBegin() == nullptr) GTEST_SKIP() << "this system has no transparent huge pages";

    // A freed large block in the middle of the huge pages is not given back
    // page by page (that would split them); one past them is.
    void* small = arena.Allocate(100);
    auto* const inside = static_cast<char*>(arena.Allocate(3 << 20));
    auto* const outside = static_cast<char*>(arena.Allocate(6 << 20));
    void* fence = arena.Allocate(100);
    ASSERT_LT(inside + (3 << 20), arena.HugeEnd());
    ASSERT_GT(outside + (6 << 20), arena.HugeEnd() + (std::size_t{1} << 20));
    std::memset(inside, 1, 3 << 20);
    std::memset(outside, 2, 6 << 20);
    arena.Free(inside);
    arena.Free(outside);
    auto* const body = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(inside) + page) & ~(page - 1));
    const std::vector<bool> kept = Resident(body, (std::size_t{2} << 20) / page);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(std::count(kept.begin(), kept.end(), false), 0);
    const std::vector<bool> past = Resident(arena.HugeEnd() + page, (std::size_t{512} << 10) / page);
    ASSERT_FALSE(past.empty());
    EXPECT_EQ(std::count(past.begin(), past.end(), true), 0);
    arena.Free(small);
    arena.Free(fence);
}

TEST(HeapArenaTest, ThreadsShareOneArena)
{
    HeapArena arena;
    auto work = [&arena](unsigned seed) {
        std::mt19937 rng(seed);
        std::vector<Live> live;
        bool ok = true;
        for (int i = 0; i < 5000; ++i) {
            live.push_back(Take(arena, 1 + rng() % 2000, static_cast<unsigned char>(seed * 31 + i)));
            if (live.size() > 50) {
                ok = ok && Intact(live.front());
                arena.Free(live.front().block);
                live.erase(live.begin());
            }
        }
        for (const Live& l : live) {
            ok = ok && Intact(l);
            arena.Free(l.block);
        }
        return ok;
    };
    bool results[4] = {};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t) threads.emplace_back([&, t] { results[t] = work(t + 1); });
    for (auto& t : threads) t.join();
    for (bool ok : results) EXPECT_TRUE(ok);
}

}  // namespace
}  // namespace songloom::cli
