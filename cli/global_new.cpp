// The program's global allocation functions, served by the heap arena
// (heap_arena.h). Sanitizer builds leave this file out: their runtime
// brings its own.
#include <new>

#include "heap_arena.h"

// Made on the first allocation (before main) and never destroyed: blocks
// are still freed while the program's statics are torn down.
songloom::cli::HeapArena& songloom::cli::ProgramArena()
{
    alignas(HeapArena) static unsigned char storage[sizeof(HeapArena)];
    static HeapArena* const arena = new (storage) HeapArena();
    return *arena;
}

namespace {

using songloom::cli::ProgramArena;

void* Allocate(std::size_t size)
{
    for (;;) {
        if (void* block = ProgramArena().Allocate(size)) return block;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return ProgramArena().Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return ProgramArena().Allocate(size); }
void operator delete(void* block) noexcept { ProgramArena().Free(block); }
void operator delete[](void* block) noexcept { ProgramArena().Free(block); }
void operator delete(void* block, std::size_t) noexcept { ProgramArena().Free(block); }
void operator delete[](void* block, std::size_t) noexcept { ProgramArena().Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { ProgramArena().Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { ProgramArena().Free(block); }
