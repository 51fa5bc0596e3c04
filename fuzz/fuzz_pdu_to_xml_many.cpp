// Many APDUs in one call: any input, cut into APDUs, gives in PduToXmlMany
// exactly what one PduToXml per APDU gives, in order, and a batch on two
// threads gives the same again. Each APDU is preceded by one octet, its size.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "vantrel/vantrel.h"

namespace {

[[noreturn]] void Fail(const char* What, size_t Index) {
    std::fprintf(stderr, "%s (APDU %zu)\n", What, Index);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > (1u << 16)) return 0;
    std::string joined;
    std::vector<uint32_t> sizes;
    for (size_t i = 0; i < Size;) {
        const size_t n = std::min<size_t>(Data[i], Size - i - 1);
        joined.append(reinterpret_cast<const char*>(Data + i + 1), n);
        sizes.push_back(static_cast<uint32_t>(n));
        i += 1 + n;
    }
    std::vector<TTranslationError> errors(sizes.size() + 1);
    VantrelStream* stream = nullptr;
    const uint32_t failed = PduToXmlMany(reinterpret_cast<const uint8_t*>(joined.data()), sizes.data(),
                                         static_cast<uint32_t>(sizes.size()), nullptr, 0, &stream, errors.data());
    if (!stream) Fail("no stream", 0);
    const char* text = reinterpret_cast<const char*>(VantrelStreamData(stream));
    const char* end = text + VantrelStreamSize(stream);
    const uint8_t* apdu = reinterpret_cast<const uint8_t*>(joined.data());
    uint32_t failures = 0;
    for (size_t i = 0; i < sizes.size(); apdu += sizes[i], ++i) {
        TTranslationError error;
        VantrelStream* one = nullptr;
        PduToXml(apdu, sizes[i], &one, &error);
        if (error.Code != errors[i].Code || error.Position != errors[i].Position) Fail("error record differs", i);
        const char* zero = static_cast<const char*>(std::memchr(text, '\0', static_cast<size_t>(end - text)));
        if (!zero) Fail("stream ends early", i);
        if (error.Code != 0) {
            ++failures;
            if (std::strcmp(error.Message, errors[i].Message) != 0) Fail("message differs", i);
            if (zero != text) Fail("a failure adds text", i);
        } else {
            if (VantrelStreamSize(one) != static_cast<uint32_t>(zero - text) + 1 ||
                std::memcmp(VantrelStreamData(one), text, VantrelStreamSize(one)) != 0)
                Fail("XML differs", i);
        }
        VantrelStreamFree(one);
        text = zero + 1;
    }
    if (text != end) Fail("stream too long", sizes.size());
    if (failed != failures) Fail("failure count", sizes.size());

    // The batch, in parts of a size the input chooses, against the stream.
    VantrelBatch* batch = VantrelBatchNew(2);
    const uint32_t partSize = Size ? 1u + Data[0] % 8u : 1u;
    if (!batch || VantrelBatchStart(batch, reinterpret_cast<const uint8_t*>(joined.data()), sizes.data(),
                                    static_cast<uint32_t>(sizes.size()), nullptr, 0, partSize) != 0)
        Fail("no batch", 0);
    text = reinterpret_cast<const char*>(VantrelStreamData(stream));
    size_t index = 0;
    for (uint32_t part = 0; index < sizes.size(); ++part) {
        const char* xml = nullptr;
        const uint32_t* offsets = nullptr;
        uint32_t partFailed = 0;
        const uint32_t n = VantrelBatchPart(batch, part, &xml, &offsets, &partFailed);
        if (n == 0) Fail("part missing", index);
        for (uint32_t i = 0; i < n; ++i, ++index) {
            const size_t length = std::strlen(text);
            if (offsets[i + 1] - offsets[i] != length || std::memcmp(xml + offsets[i], text, length) != 0)
                Fail("batch XML differs", index);
            TTranslationError error;
            if (VantrelBatchError(batch, static_cast<uint32_t>(index), &error) != errors[index].Code)
                Fail("batch error differs", index);
            text += length + 1;
        }
    }
    VantrelBatchFree(batch);
    VantrelStreamFree(stream);
    return 0;
}
