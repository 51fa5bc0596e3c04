#include "ElementArena.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace vantrel {

namespace {
// Elements need no more than pointer alignment; the header in front of each
// block records where it came from.
constexpr size_t kAlignment = alignof(void*);
constexpr size_t kHeader = kAlignment;
constexpr uintptr_t kFromHeap = 0, kFromArena = 1;

constexpr size_t kChunkSize = 256 * 1024;
// Chunks kept on a thread between translations, so that the next one does
// not fault its memory in again.
constexpr size_t kCachedChunks = 64;

struct TChunkCache {
    std::vector<char*> Chunks;
    ~TChunkCache() {
        for (char* c : Chunks) std::free(c);
    }
};

// Looked up for every element: a plain pointer in the initial TLS block.
__attribute__((tls_model("initial-exec"))) thread_local TElementArena* tOpenArena = nullptr;
thread_local TChunkCache tCache;

char* NewChunk() {
    if (!tCache.Chunks.empty()) {
        char* c = tCache.Chunks.back();
        tCache.Chunks.pop_back();
        return c;
    }
    char* c = static_cast<char*>(std::malloc(kChunkSize));
    if (!c) throw std::bad_alloc();
    return c;
}
}  // namespace

TElementArena::TElementArena() noexcept : FPrevious(tOpenArena) { tOpenArena = this; }

TElementArena::~TElementArena() {
    tOpenArena = FPrevious;
    for (char* c : FChunks) {
        if (tCache.Chunks.size() < kCachedChunks) tCache.Chunks.push_back(c);
        else std::free(c);
    }
}

void* TElementArena::Carve(size_t Size) {
    Size = (Size + kHeader + kAlignment - 1) & ~(kAlignment - 1);
    if (static_cast<size_t>(FLimit - FCursor) < Size) {
        if (Size > kChunkSize / 8) return FromHeap(Size);  // a large list buffer
        FChunks.reserve(FChunks.size() + 1);
        char* c = NewChunk();
        FChunks.push_back(c);
        FCursor = c;
        FLimit = c + kChunkSize;
    }
    char* block = FCursor;
    FCursor += Size;
    *reinterpret_cast<uintptr_t*>(block) = kFromArena;
    return block + kHeader;
}

void* TElementArena::FromHeap(size_t Size) {
    char* block = static_cast<char*>(::operator new(Size + kHeader));
    *reinterpret_cast<uintptr_t*>(block) = kFromHeap;
    return block + kHeader;
}

void* TElementArena::Allocate(size_t Size) {
    if (TElementArena* arena = tOpenArena) return arena->Carve(Size);
    return FromHeap(Size);
}

void TElementArena::Release(void* Block) noexcept {
    char* block = static_cast<char*>(Block) - kHeader;
    if (*reinterpret_cast<uintptr_t*>(block) == kFromHeap) ::operator delete(block);
    // An arena block goes back with its arena's chunks.
}

}  // namespace vantrel
