// PduToXmlMany and the batch on the library's threads: the same XML and
// error records as one PduToXml per APDU, in input order.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

struct TBatch {
    uint32_t Failed = 0;
    bool HasStream = false;
    std::string Text;  // the stream's whole content
    std::vector<TTranslationError> Errors;
};

TBatch Many(const std::vector<std::string>& Apdus, bool NullData = false) {
    std::string joined;
    std::vector<uint32_t> sizes;
    for (const std::string& apdu : Apdus) {
        joined += apdu;
        sizes.push_back(static_cast<uint32_t>(apdu.size()));
    }
    TBatch batch;
    batch.Errors.resize(Apdus.size());
    VantrelStream* stream = nullptr;
    batch.Failed = PduToXmlMany(NullData ? nullptr : reinterpret_cast<const uint8_t*>(joined.data()), sizes.data(),
                                static_cast<uint32_t>(Apdus.size()), nullptr, 0, &stream, batch.Errors.data());
    batch.HasStream = stream != nullptr;
    if (stream)
        batch.Text.assign(reinterpret_cast<const char*>(VantrelStreamData(stream)), VantrelStreamSize(stream));
    VantrelStreamFree(stream);
    return batch;
}

TEST(PduToXmlMany, SameAsOneCallPerApdu) {
    const char* const kRows[] = {
        "C0 01 C1 00 08 00 00 01 00 00 FF 02 00",
        "",                          // fails at octet 1
        "FF 12 01 02",
        "07",                        // an unknown tag
        "C4 01 C1 00 06 00 00 30 39 AA",  // an octet after the APDU is ignored
        "C0 01 C1 00 08 00 00 01",   // cut short
        "62 0D 80 01 00 BE 08 04 06 21 04 41 42 43 44",
    };
    std::vector<std::string> apdus;
    std::string expected;
    uint32_t failures = 0;
    for (const char* row : kRows) apdus.push_back(vtest::Bytes(row));
    // Many times over, so that the stream grows past its first block.
    for (int i = 0; i < 40; ++i) apdus.insert(apdus.end(), apdus.begin(), apdus.begin() + std::size(kRows));
    for (const std::string& apdu : apdus) {
        const vtest::TResult one = vtest::ToXmlOctets(apdu);
        expected += one.Text;
        expected += '\0';
        failures += one.Code != 0;
    }
    const TBatch batch = Many(apdus);
    ASSERT_TRUE(batch.HasStream);
    EXPECT_EQ(batch.Failed, failures);
    EXPECT_EQ(batch.Text, expected);
    for (size_t i = 0; i < apdus.size(); ++i) {
        SCOPED_TRACE(i);
        const vtest::TResult one = vtest::ToXmlOctets(apdus[i]);
        EXPECT_EQ(batch.Errors[i].Code, one.Code);
        EXPECT_EQ(batch.Errors[i].Position, one.Position);
        if (one.Code != 0) {
            EXPECT_EQ(std::string(batch.Errors[i].Message), one.Message);
        }
    }
}

TEST(PduToXmlMany, NoApdusAndNoInput) {
    const TBatch none = Many({});
    EXPECT_EQ(none.Failed, 0u);
    EXPECT_TRUE(none.HasStream);
    EXPECT_EQ(none.Text, "");

    const TBatch missing = Many({"\xFF\x12\x01\x02", "\xFF\x12\x01\x03"}, true);
    EXPECT_EQ(missing.Failed, 2u);
    EXPECT_FALSE(missing.HasStream);
    for (const TTranslationError& e : missing.Errors) {
        EXPECT_EQ(e.Code, 3);
        EXPECT_STREQ(e.Message, "No input");
    }
}

// ---- The batch ---------------------------------------------------------------

// The rows of SameAsOneCallPerApdu, repeated: failures among translations.
std::vector<std::string> MixedApdus(size_t Count) {
    const char* const kRows[] = {
        "C0 01 C1 00 08 00 00 01 00 00 FF 02 00",
        "",
        "C4 01 C1 00 06 00 00 30 39 AA",
        "07",
        "C0 01 C1 00 08 00 00 01",
        "62 0D 80 01 00 BE 08 04 06 21 04 41 42 43 44",
        "FF 12 01 02",
    };
    std::vector<std::string> apdus;
    for (size_t i = 0; i < Count; ++i) apdus.push_back(vtest::Bytes(kRows[i % std::size(kRows)]));
    return apdus;
}

struct TJoined {
    std::string Octets;
    std::vector<uint32_t> Sizes;
    explicit TJoined(const std::vector<std::string>& Apdus) {
        for (const std::string& apdu : Apdus) {
            Octets += apdu;
            Sizes.push_back(static_cast<uint32_t>(apdu.size()));
        }
    }
    const uint8_t* Data() const { return reinterpret_cast<const uint8_t*>(Octets.data()); }
};

using TBatchPtr = std::unique_ptr<VantrelBatch, decltype(&VantrelBatchFree)>;

TBatchPtr NewBatch(uint32_t Threads) { return {VantrelBatchNew(Threads), &VantrelBatchFree}; }

// Reads every part of the batch started and checks it against PduToXml.
void ExpectSameAsOneCallPerApdu(VantrelBatch* Batch, const std::vector<std::string>& Apdus, uint32_t PartSize) {
    size_t index = 0;
    for (uint32_t part = 0; index < Apdus.size(); ++part) {
        SCOPED_TRACE("part " + std::to_string(part));
        const char* text = nullptr;
        const uint32_t* offsets = nullptr;
        uint32_t failed = 0;
        const uint32_t n = VantrelBatchPart(Batch, part, &text, &offsets, &failed);
        ASSERT_EQ(n, std::min<size_t>(PartSize, Apdus.size() - index));
        EXPECT_EQ(offsets[0], 0u);
        uint32_t failures = 0;
        uint32_t noted = 0;
        for (uint32_t i = 0; i < n; ++i, ++index) {
            SCOPED_TRACE(index);
            const vtest::TResult one = vtest::ToXmlOctets(Apdus[index]);
            const std::string xml(text + offsets[i], offsets[i + 1] - offsets[i]);
            TTranslationError error{};
            const int32_t code = VantrelBatchError(Batch, static_cast<uint32_t>(index), &error);
            EXPECT_EQ(code, one.Code);
            if (one.Code == 0) {
                EXPECT_EQ(xml, one.Text);
                // The notes of a translation come with its success record.
                EXPECT_EQ(std::string(error.Message), one.Message);
                noted += !one.Message.empty();
            } else {
                ++failures;
                EXPECT_EQ(xml, "");
                EXPECT_EQ(std::string(error.Message), one.Message);
                EXPECT_EQ(error.Position, one.Position);
            }
        }
        EXPECT_EQ(failed, failures);
        EXPECT_EQ(VantrelBatchNoted(Batch, part), noted);
    }
    EXPECT_EQ(VantrelBatchPart(Batch, static_cast<uint32_t>((Apdus.size() + PartSize - 1) / PartSize), nullptr,
                               nullptr, nullptr),
              0u);
}

TEST(VantrelBatch, SameAsOneCallPerApduWhateverTheThreadsAndParts) {
    struct TCase {
        uint32_t Threads, PartSize;
        size_t Count;
    };
    const TCase kCases[] = {
        {0, 1, 9},    {0, 16, 100}, {1, 7, 200}, {2, 1, 50},
        {3, 32, 500}, {8, 5, 300},  {2, 1000, 10}, {4, 0, 20},  // a part size of 0 is taken as 1
    };
    for (const TCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.Threads << " threads, parts of " << c.PartSize);
        const std::vector<std::string> apdus = MixedApdus(c.Count);
        const TJoined joined(apdus);
        const TBatchPtr batch = NewBatch(c.Threads);
        ASSERT_NE(batch, nullptr);
        ASSERT_EQ(VantrelBatchStart(batch.get(), joined.Data(), joined.Sizes.data(), static_cast<uint32_t>(apdus.size()),
                                    nullptr, 0, c.PartSize),
                  0);
        ExpectSameAsOneCallPerApdu(batch.get(), apdus, std::max<uint32_t>(1, std::min<uint32_t>(c.PartSize, 1000)));
    }
}

TEST(VantrelBatch, ServesBatchAfterBatchAndEndsOneLeftHalfRead) {
    std::vector<std::unique_ptr<TJoined>> inputs;  // each read by the batch till the next start
    const TBatchPtr batch = NewBatch(2);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const std::vector<std::string> apdus = MixedApdus(40 + 37 * round);
        const TJoined& joined = *inputs.emplace_back(std::make_unique<TJoined>(apdus));
        ASSERT_EQ(VantrelBatchStart(batch.get(), joined.Data(), joined.Sizes.data(), static_cast<uint32_t>(apdus.size()),
                                    nullptr, 0, 8),
                  0);
        if (round % 2) {
            // Only the first part read: the next start ends this batch, threads may be mid-part.
            EXPECT_EQ(VantrelBatchPart(batch.get(), 0, nullptr, nullptr, nullptr), 8u);
            continue;
        }
        ExpectSameAsOneCallPerApdu(batch.get(), apdus, 8);
    }
    // An empty batch: no parts.
    EXPECT_EQ(VantrelBatchStart(batch.get(), nullptr, nullptr, 0, nullptr, 0, 8), 0);
    EXPECT_EQ(VantrelBatchPart(batch.get(), 0, nullptr, nullptr, nullptr), 0u);
}

TEST(VantrelBatch, RefusesWhatItCannotRead) {
    const TBatchPtr batch = NewBatch(1);
    const uint32_t size = 3;
    EXPECT_EQ(VantrelBatchStart(batch.get(), nullptr, &size, 1, nullptr, 0, 4), -1);
    EXPECT_EQ(VantrelBatchStart(nullptr, nullptr, nullptr, 0, nullptr, 0, 4), -1);
    EXPECT_EQ(VantrelBatchPart(nullptr, 0, nullptr, nullptr, nullptr), 0u);
    TTranslationError error{};
    EXPECT_EQ(VantrelBatchError(batch.get(), 0, &error), 0);  // no batch started: nothing failed
    VantrelBatchFree(nullptr);
}

}  // namespace
