// Capture files as the command line reads them (libpcap): any file ends in
// units, messages or a refusal, never a crash or a hang.
#include <cstdint>
#include <cstdio>
#include <string>

#include "Src/cli/Capture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 20 || Size == 0) return 0;
    FILE* in = fmemopen(const_cast<uint8_t*>(Data), Size, "rb");
    if (!in) return 0;
    static FILE* out = std::fopen("/dev/null", "w");
    vantrel::cli::TUnitWriter writer(out, (Size & 1) != 0);
    vantrel::cli::TranslateCaptureStream(in, "fuzz", 4059, vantrel::TTranslateOptions{.DescribeFrame = true}, writer);
    return 0;
}
