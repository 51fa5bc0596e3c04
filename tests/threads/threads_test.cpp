// The entry points from many threads at once, all sharing one key set: every
// thread gets exactly what one call alone gives. Under ThreadSanitizer
// (make tsan) this also shows any data race between translations.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "vantrel/vantrel.h"

namespace {

constexpr int kThreads = 8;

// Octets, ciphered and in the clear, that the public example keys open:
// a glo GET request, a general-glo ciphered push, a plain request, an
// annotated clock value, and octets that fail.
const char* const kApdus[] = {
    "C81E300000000158446A0E59566AC9DF5162DA985541CE0ECA2AE688BD765C92",
    "C0 01 C1 00 08 00 00 01 00 00 FF 02 00",
    "FF 02 02 06 00 00 30 39 02 02 0F FD 16 1E",
    "FF 09 0C 07 E1 09 0E 04 15 11 00 00 FF C4 80",
    "C0 01 C1 00 08 00 00 01",
    "C81E300000000158446A0E59566AC9DF5162DA985541CE0ECA2AE688BD765C93",  // altered tag
};
const char* const kTexts[] = {
    "7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E",
    "C8 1E 30 00 00 00 01 58 44 6A 0E 59 56 6A C9 DF 51 62 DA 98 55 41 CE 0E CA 2A E6 88 BD 76 5C 92",
    "<Data><LongUnsigned Value=\"0102\" /></Data>",
    "7E A0 07 03 21 93 0F 01 7E",
};

struct TKeySet {
    TKeySet() : Keys(VantrelKeysNew()) {
        TTranslationError e;
        VantrelKeysSet(Keys, "BlockCipherKey", "000102030405060708090A0B0C0D0E0F", &e);
        VantrelKeysSet(Keys, "AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF", &e);
        VantrelKeysSet(Keys, "ClientSystemTitle", "4D4D4D0000000001", &e);
        VantrelKeysSet(Keys, "ServerSystemTitle", "4D4D4D0000BC614E", &e);
    }
    ~TKeySet() { VantrelKeysFree(Keys); }
    VantrelKeys* Keys;
};

// One call of each entry point on every input, written out as one text.
std::string AllOnce(const VantrelKeys* Keys, const std::vector<std::string>& Octets) {
    std::string out;
    const auto take = [&](VantrelStream* s, const TTranslationError& e) {
        out += std::to_string(e.Code) + ":" + std::to_string(e.Position) + ":" + e.Message + "\n";
        if (s) out.append(reinterpret_cast<const char*>(VantrelStreamData(s)), VantrelStreamSize(s));
        VantrelStreamFree(s);
    };
    for (const std::string& apdu : Octets) {
        for (const uint32_t flags : {0u, unsigned{VANTREL_ANNOTATE}}) {
            VantrelStream* xml = nullptr;
            TTranslationError e;
            PduToXmlEx(reinterpret_cast<const uint8_t*>(apdu.data()), static_cast<uint32_t>(apdu.size()), Keys, flags,
                       &xml, &e);
            // The XML back to octets, enciphered again with the same keys.
            std::string text = xml ? reinterpret_cast<const char*>(VantrelStreamData(xml)) : "";
            take(xml, e);
            VantrelStream* back = nullptr;
            XmlToPduEx(text.c_str(), Keys, 0, &back, &e);
            take(back, e);
        }
    }
    for (const char* text : kTexts) {
        VantrelStream* output = nullptr;
        VantrelStream* description = nullptr;
        VantrelTranslation result;
        const int32_t kind = VantrelTranslate(text, static_cast<uint32_t>(std::strlen(text)), Keys,
                                              VANTREL_DESCRIBE_FRAME, &output, &description, &result);
        out += "translate " + std::to_string(kind) + "\n";
        for (VantrelStream* s : {output, description}) {
            if (s) out.append(reinterpret_cast<const char*>(VantrelStreamData(s)), VantrelStreamSize(s));
            VantrelStreamFree(s);
        }
    }
    return out;
}

// A batch on threads of the library's own, every part written out.
std::string Batch(VantrelBatch* Batch, const VantrelKeys* Keys, const std::string& Joined,
                  const std::vector<uint32_t>& Sizes) {
    std::string out;
    if (VantrelBatchStart(Batch, reinterpret_cast<const uint8_t*>(Joined.data()), Sizes.data(),
                          static_cast<uint32_t>(Sizes.size()), Keys, VANTREL_ANNOTATE, 4) != 0)
        return "start failed";
    const char* text = nullptr;
    const uint32_t* offsets = nullptr;
    uint32_t failed = 0;
    for (uint32_t part = 0, n; (n = VantrelBatchPart(Batch, part, &text, &offsets, &failed)) != 0; ++part) {
        out.append(text, offsets[n]);
        out += "|" + std::to_string(failed) + "\n";
    }
    return out;
}

TEST(Threads, SharedKeysGiveEveryThreadTheSameResults) {
    const TKeySet keys;
    std::vector<std::string> octets;
    for (const char* hex : kApdus) octets.push_back(vtest::Bytes(hex));
    std::string joined;
    std::vector<uint32_t> sizes;
    for (int copy = 0; copy < 8; ++copy)
        for (const std::string& apdu : octets) {
            joined += apdu;
            sizes.push_back(static_cast<uint32_t>(apdu.size()));
        }
    const std::string alone = AllOnce(keys.Keys, octets);
    ASSERT_NE(alone.find("<glo_GetRequest>"), std::string::npos) << "the keys did not open the request";
    VantrelBatch* reference = VantrelBatchNew(0);
    const std::string batchAlone = Batch(reference, keys.Keys, joined, sizes);
    VantrelBatchFree(reference);

    std::vector<int> differences(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            VantrelBatch* batch = VantrelBatchNew(2);
            for (int round = 0; round < 4; ++round) {
                differences[t] += AllOnce(keys.Keys, octets) != alone;
                differences[t] += Batch(batch, keys.Keys, joined, sizes) != batchAlone;
            }
            VantrelBatchFree(batch);
        });
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(differences[t], 0) << "thread " << t;
}

}  // namespace
