// PduToXmlMany: many APDUs to XML in one call, for callers that pay for
// every call they make (the Python package's worker threads, which hold the
// interpreter lock for all but the time spent in here).
#include <cstdlib>
#include <cstring>

#include "StreamInternal.h"
#include "vantrel/vantrel.h"


namespace {

// One malloc'ed block that grows by doubling; handed over as the stream's data.
class TBlock {
public:
    ~TBlock() { std::free(FData); }

    bool Append(const char* Text, size_t Size) noexcept {
        if (Size > UINT32_MAX - FSize) return false;  // the stream's size is 32 bits
        if (FSize + Size > FCapacity) {
            size_t capacity = FCapacity ? FCapacity : 4096;
            while (capacity < FSize + Size) capacity *= 2;
            if (capacity > UINT32_MAX) capacity = UINT32_MAX;
            char* data = static_cast<char*>(std::realloc(FData, capacity));
            if (!data) return false;
            FData = data;
            FCapacity = capacity;
        }
        std::memcpy(FData + FSize, Text, Size);
        FSize += Size;
        return true;
    }

    VantrelStream* Release() noexcept {
        auto* stream = static_cast<VantrelStream*>(std::malloc(sizeof(VantrelStream)));
        if (!stream) return nullptr;
        stream->Data = FData ? FData : static_cast<char*>(std::malloc(1));
        if (!stream->Data) {
            std::free(stream);
            return nullptr;
        }
        stream->Size = static_cast<uint32_t>(FSize);
        FData = nullptr;
        FSize = FCapacity = 0;
        return stream;
    }

private:
    char* FData = nullptr;
    size_t FSize = 0;
    size_t FCapacity = 0;
};

void Fail(TTranslationError& Error, const char* Message) {
    Error.Code = 3;
    std::strncpy(Error.Message, Message, sizeof Error.Message - 1);
    Error.Message[sizeof Error.Message - 1] = '\0';
    Error.Position = 0;
}

uint32_t FailAll(TTranslationError* Errors, uint32_t Count, const char* Message) {
    for (uint32_t i = 0; i < Count; ++i) Fail(Errors[i], Message);
    return Count;
}

}  // namespace

extern "C" uint32_t PduToXmlMany(const uint8_t* Data, const uint32_t* Sizes, uint32_t Count,
                                 const VantrelKeys* Keys, uint32_t Flags, VantrelStream** Stream,
                                 TTranslationError* Errors) {
    if (!Stream || (Count && !Errors)) return Count;
    *Stream = nullptr;
    if (Count && (!Data || !Sizes)) return FailAll(Errors, Count, "No input");
    TBlock block;
    uint32_t failed = 0;
    const uint8_t* apdu = Data;
    for (uint32_t i = 0; i < Count; apdu += Sizes[i], ++i) {
        VantrelStream* xml = nullptr;
        PduToXmlEx(apdu, Sizes[i], Keys, Flags, &xml, &Errors[i]);
        bool added = false;
        if (Errors[i].Code == 0) {
            added = block.Append(xml->Data, xml->Size);  // the XML with its closing zero
            VantrelStreamFree(xml);
            if (!added) Fail(Errors[i], "Output too large");
        }
        if (!added) {
            ++failed;
            if (!block.Append("", 1)) return FailAll(Errors, Count, "Output too large");
        }
    }
    *Stream = block.Release();
    if (!*Stream) return FailAll(Errors, Count, "Out of memory");
    return failed;
}
