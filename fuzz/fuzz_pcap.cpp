// Capture files as the command line reads them (libpcap): any file ends in
// units, messages or a refusal, never a crash or a hang. The size of the
// file picks JSON or text (its lowest bit) and the public keys (the next).
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzKeys.h"
#include "xmlPdu/security/Keys.h"
#include "Src/cli/Capture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 20 || Size == 0) return 0;
    FILE* in = fmemopen(const_cast<uint8_t*>(Data), Size, "rb");
    if (!in) return 0;
    static FILE* out = std::fopen("/dev/null", "w");
    vantrel::cli::TUnitWriter writer(out, (Size & 1) != 0);
    VantrelKeys keys = *vfuzz::PublicKeys();
    const bool keyed = (Size & 2) != 0;
    vantrel::TTranslateOptions options{.DescribeFrame = true};
    if (keyed) options.Keys = &keys;
    vantrel::cli::TranslateCaptureStream(in, "fuzz", 4059, options, writer, keyed ? &keys : nullptr);
    return 0;
}
