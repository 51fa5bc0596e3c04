// Bounds the nesting of self-containing values (arrays, structures, type
// descriptions, carried APDUs) so that crafted input cannot exhaust the stack.
#pragma once

namespace vantrel {

inline constexpr int kMaxNesting = 64;

struct TNesting {
    int Depth = 0;
};

// Counts one level for its lifetime; fails with "Nesting too deep" beyond
// kMaxNesting levels.
class TNestingGuard {
public:
    explicit TNestingGuard(TNesting& Nesting);
    ~TNestingGuard() { --FNesting.Depth; }
    TNestingGuard(const TNestingGuard&) = delete;
    TNestingGuard& operator=(const TNestingGuard&) = delete;

private:
    TNesting& FNesting;
};

}  // namespace vantrel
