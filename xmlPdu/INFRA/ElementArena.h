// TElementArena: where the elements of one translation live. While an arena
// is open on a thread, every element created on that thread is carved out of
// the arena's chunks (a pointer bump), freeing one costs nothing, and the
// chunks are recycled when the arena closes. A translation builds hundreds of
// thousands of small elements; this keeps it from spending most of its time
// in the general-purpose allocator and in page faults.
//
// The entry points open one arena around each call. Every element created in
// the arena must be destroyed before the arena closes, on the same thread.
#pragma once

#include <cstddef>
#include <vector>

namespace vantrel {

class TElementArena {
public:
    TElementArena() noexcept;
    ~TElementArena();
    TElementArena(const TElementArena&) = delete;
    TElementArena& operator=(const TElementArena&) = delete;

    // Memory for one element: from the arena open on this thread, or from the
    // general allocator when none is open. Each block remembers its origin.
    static void* Allocate(size_t Size);
    static void Release(void* Block) noexcept;

private:
    void* Carve(size_t Size);
    static void* FromHeap(size_t Size);

    TElementArena* FPrevious;
    std::vector<char*> FChunks;
    char* FCursor = nullptr;
    char* FLimit = nullptr;
};

// Places the buffers of element containers in the open arena as well.
template <class T>
struct TArenaAllocator {
    using value_type = T;
    TArenaAllocator() noexcept = default;
    template <class U>
    TArenaAllocator(const TArenaAllocator<U>&) noexcept {}
    T* allocate(size_t n) { return static_cast<T*>(TElementArena::Allocate(n * sizeof(T))); }
    void deallocate(T* p, size_t) noexcept { TElementArena::Release(p); }
    template <class U>
    bool operator==(const TArenaAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace vantrel
