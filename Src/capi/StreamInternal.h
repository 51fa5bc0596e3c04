// The C ABI's output stream: one malloc'ed block handed to the caller.
#pragma once

#include <cstdint>

struct VantrelStream {
    char* Data;  // malloc'ed
    uint32_t Size;
};
