// PduToXmlMany: the same XML and error records as one PduToXml per APDU,
// in input order, in one stream.
#include <gtest/gtest.h>

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

}  // namespace
