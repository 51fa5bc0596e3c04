// Many APDUs to XML in one call, for callers that pay for every call they
// make: PduToXmlMany in the caller's thread, and the batch on threads of the
// library's own (the Python package: its interpreter lock stays with the
// caller, and the threads never need it).
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

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
        char* data = FData ? FData : static_cast<char*>(std::malloc(1));
        const auto size = static_cast<uint32_t>(FSize);
        FData = nullptr;
        FSize = FCapacity = 0;
        return data ? vantrel::NewStream(data, size) : nullptr;
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
        PduToXmlEx(apdu, Sizes[i], Keys, Flags & ~VANTREL_MAP, &xml, &Errors[i]);
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

// ---- A batch on threads of the library's own ----------------------------
// A batch is cut into parts of PartSize APDUs. The threads take parts in
// order; the consumer waits for each part in turn and, when no thread has
// taken it yet, translates it itself. The same VantrelBatch serves batch after
// batch: its threads wait for the next, and its parts keep their memory, so a
// long run of batches allocates nothing new.

namespace {

struct TFailure {
    uint32_t Index;  // in the batch
    TTranslationError Error;
};

constexpr size_t kKeptPartText = 256 * 1024;

struct TPart {
    std::string Text;                // the XML texts back to back
    // The failures and the translations with notes (their Code 0, their
    // Message the notes), in index order.
    std::vector<TFailure> Failures;
    uint32_t Noted = 0;              // of Failures, the translations with notes
    bool OutOfMemory = false;        // every APDU of the part failed so
    bool Done = false;               // guarded by the batch's mutex
};

}  // namespace

struct VantrelBatch {
    // The batch being translated; changed only while no thread works on it.
    const uint8_t* Data = nullptr;
    const uint32_t* Sizes = nullptr;
    uint32_t Count = 0;
    const VantrelKeys* Keys = nullptr;
    uint32_t Flags = 0;
    uint32_t PartSize = 1;
    uint32_t PartTotal = 0;
    std::vector<uint64_t> Starts;   // where each part's first APDU starts in Data
    std::vector<uint32_t> Offsets;  // per part: PartSize + 1 offsets into its text
    std::vector<TPart> Parts;       // PartTotal of them in use

    std::atomic<uint64_t> Next{0};  // the first part no one has taken
    mutable std::mutex Mutex;
    std::condition_variable PartDone;  // a part is done, or a thread has stopped working
    std::condition_variable NewBatch;
    uint64_t Generation = 0;  // counts the batches started
    uint32_t Working = 0;     // threads taking parts
    bool Open = false;        // parts may be taken: the batch above is set
    bool Closing = false;
    std::vector<std::thread> Threads;

    uint32_t PartCount(uint32_t Part) const { return std::min(PartSize, Count - Part * PartSize); }
    uint32_t* PartOffsets(uint32_t Part) { return Offsets.data() + static_cast<size_t>(Part) * (PartSize + 1); }

    void Translate(uint32_t Part) noexcept {
        TPart& part = Parts[Part];
        const uint32_t first = Part * PartSize;
        const uint32_t count = PartCount(Part);
        uint32_t* offsets = PartOffsets(Part);
        const uint8_t* apdu = Data + Starts[Part];
        offsets[0] = 0;
        try {
            for (uint32_t i = 0; i < count; apdu += Sizes[first + i], ++i) {
                TTranslationError error;
                VantrelStream* xml = nullptr;
                PduToXmlEx(apdu, Sizes[first + i], Keys, Flags, &xml, &error);
                if (error.Code == 0 && xml->Size - 1 > UINT32_MAX - part.Text.size())
                    Fail(error, "Output too large");  // the part's offsets are 32 bits
                if (error.Code == 0) part.Text.append(xml->Data, xml->Size - 1);  // without its closing zero
                VantrelStreamFree(xml);
                if (error.Code != 0 || error.Message[0] != '\0') part.Failures.push_back({first + i, error});
                part.Noted += error.Code == 0 && error.Message[0] != '\0';
                offsets[i + 1] = static_cast<uint32_t>(part.Text.size());
            }
        } catch (const std::bad_alloc&) {
            part.OutOfMemory = true;
            part.Text.clear();
            part.Failures.clear();
            part.Noted = 0;
            std::fill(offsets, offsets + count + 1, 0u);
        }
        {
            const std::lock_guard lock(Mutex);
            part.Done = true;
        }
        PartDone.notify_all();
    }

    void Work() noexcept {
        uint64_t seen = 0;
        std::unique_lock lock(Mutex);
        for (;;) {
            NewBatch.wait(lock, [&] { return Closing || (Open && Generation != seen); });
            if (Closing) return;
            seen = Generation;
            ++Working;
            lock.unlock();
            for (uint64_t part; (part = Next.fetch_add(1)) < PartTotal;) Translate(static_cast<uint32_t>(part));
            lock.lock();
            --Working;
            PartDone.notify_all();
        }
    }

    // No part is taken from here on; returns once no thread works on one,
    // and none starts before the next batch opens.
    void Settle() {
        Next.store(kNoMoreParts);
        std::unique_lock lock(Mutex);
        Open = false;
        PartDone.wait(lock, [&] { return Working == 0; });
    }

    static constexpr uint64_t kNoMoreParts = uint64_t{1} << 62;  // far from wrapping however often taken
};

extern "C" VantrelBatch* VantrelBatchNew(uint32_t Threads) {
    constexpr uint32_t kMostThreads = 256;
    try {
        auto batch = std::make_unique<VantrelBatch>();
        for (uint32_t i = 0; i < std::min(Threads, kMostThreads); ++i) {
            try {
                batch->Threads.emplace_back([b = batch.get()] { b->Work(); });
            } catch (const std::system_error&) {
                break;  // fewer threads: the consumer translates what they leave
            }
        }
        return batch.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

extern "C" int32_t VantrelBatchStart(VantrelBatch* Batch, const uint8_t* Data, const uint32_t* Sizes, uint32_t Count,
                                     const VantrelKeys* Keys, uint32_t Flags, uint32_t PartSize) {
    if (!Batch || (Count && (!Data || !Sizes))) return -1;
    Batch->Settle();
    Batch->PartTotal = 0;
    const uint32_t partSize = std::max<uint32_t>(1, std::min(PartSize, std::max<uint32_t>(Count, 1)));
    const uint32_t parts = Count / partSize + (Count % partSize != 0);
    try {
        if (Batch->Parts.size() < parts) Batch->Parts.resize(parts);
        Batch->Offsets.resize(static_cast<size_t>(parts) * (partSize + 1));
        Batch->Starts.clear();
        Batch->Starts.reserve(parts);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    uint64_t at = 0;
    for (uint32_t i = 0; i < Count; at += Sizes[i], ++i)
        if (i % partSize == 0) Batch->Starts.push_back(at);
    for (TPart& part : Batch->Parts) {
        // A part keeps the memory typical APDUs need; what a run of large
        // ones took goes back.
        if (part.Text.capacity() > kKeptPartText) std::string().swap(part.Text);
        part.Text.clear();
        part.Failures.clear();
        part.Noted = 0;
        part.OutOfMemory = part.Done = false;
    }
    Batch->Data = Data;
    Batch->Sizes = Sizes;
    Batch->Count = Count;
    Batch->Keys = Keys;
    Batch->Flags = Flags & ~VANTREL_MAP;  // nothing keeps a map
    Batch->PartSize = partSize;
    Batch->PartTotal = parts;
    Batch->Next.store(0);
    {
        const std::lock_guard lock(Batch->Mutex);
        Batch->Open = true;
        ++Batch->Generation;
    }
    Batch->NewBatch.notify_all();
    return 0;
}

extern "C" uint32_t VantrelBatchPart(VantrelBatch* Batch, uint32_t Part, const char** Text, const uint32_t** Offsets,
                                     uint32_t* Failed) {
    if (!Batch || Part >= Batch->PartTotal) return 0;
    // Until the part is done, the consumer translates the first part nobody
    // has taken (this one, or one ahead while a thread finishes this one),
    // and waits only when every part is taken.
    TPart& part = Batch->Parts[Part];
    for (;;) {
        {
            const std::lock_guard lock(Batch->Mutex);
            if (part.Done) break;
        }
        uint64_t next = Batch->Next.load();
        if (next < Batch->PartTotal) {
            if (Batch->Next.compare_exchange_weak(next, next + 1)) Batch->Translate(static_cast<uint32_t>(next));
            continue;
        }
        std::unique_lock lock(Batch->Mutex);
        Batch->PartDone.wait(lock, [&] { return part.Done; });
        break;
    }
    const uint32_t count = Batch->PartCount(Part);
    if (Text) *Text = part.Text.data();
    if (Offsets) *Offsets = Batch->PartOffsets(Part);
    if (Failed) *Failed = part.OutOfMemory ? count : static_cast<uint32_t>(part.Failures.size()) - part.Noted;
    return count;
}

extern "C" uint32_t VantrelBatchNoted(const VantrelBatch* Batch, uint32_t Part) {
    if (!Batch || Part >= Batch->PartTotal) return 0;
    const TPart& part = Batch->Parts[Part];
    const std::lock_guard lock(Batch->Mutex);
    return part.Done && !part.OutOfMemory ? part.Noted : 0;
}

extern "C" int32_t VantrelBatchError(const VantrelBatch* Batch, uint32_t Index, TTranslationError* Error) {
    if (!Batch || !Error || Index >= Batch->Count) return 0;
    const TPart& part = Batch->Parts[Index / Batch->PartSize];
    {
        const std::lock_guard lock(Batch->Mutex);
        if (!part.Done) return 0;
    }
    if (part.OutOfMemory) {
        Fail(*Error, "Out of memory");
        return Error->Code;
    }
    const auto found = std::lower_bound(part.Failures.begin(), part.Failures.end(), Index,
                                        [](const TFailure& f, uint32_t i) { return f.Index < i; });
    if (found == part.Failures.end() || found->Index != Index) return 0;
    *Error = found->Error;
    return Error->Code;
}

extern "C" void VantrelBatchFree(VantrelBatch* Batch) {
    if (!Batch) return;
    Batch->Settle();
    {
        const std::lock_guard lock(Batch->Mutex);
        Batch->Closing = true;
    }
    Batch->NewBatch.notify_all();
    for (std::thread& thread : Batch->Threads) thread.join();
    delete Batch;
}
