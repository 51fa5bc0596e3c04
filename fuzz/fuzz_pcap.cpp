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
    bool opensLikeCapture = false;  // read whatever it is: libpcap refuses what is none
    in = vantrel::cli::PeekCapture(in, opensLikeCapture);  // a memory stream is no regular file: peeked
    if (!in) return 0;
    static FILE* out = std::fopen("/dev/null", "w");
    vantrel::cli::TUnitWriter writer(out, (Size & 1) != 0);
    static FILE* messages = std::fopen("/dev/null", "w");
    VantrelKeys keys = *vfuzz::PublicKeys();
    // Sizes with bit 1 set: every port, as by default, and the public keys;
    // the others: port 4059 alone, no keys.
    const bool keyed = (Size & 2) != 0;
    vantrel::TTranslateOptions options{.DescribeFrame = true};
    if (keyed) options.Keys = &keys;
    const vantrel::cli::TCaptureOptions capture{static_cast<uint16_t>(keyed ? 0 : 4059), true, messages};
    vantrel::cli::TranslateCaptureStream(in, "fuzz", capture, options, writer, keyed ? &keys : nullptr);
    return 0;
}
