// The reader's Canonical mark: a reading that ends with it set encodes back
// to exactly the octets it read. Deciphering relies on it to skip encoding a
// deciphered APDU again, so every reader that accepts a form the encoder does
// not write must clear it. The vectors of every family, and random Data
// values, are mutated octet by octet to reach those forms.
#include <gtest/gtest.h>

#include <memory>

#include "RandomData.h"
#include "TestSupport.h"
#include "VectorFile.h"
#include "xmlPdu/INFRA/ElementArena.h"
#include "xmlPdu/types/COSEMpdu.h"

using namespace vantrel;

namespace {

struct TTally {
    size_t Canonical = 0;  // readings that kept the mark
    size_t Other = 0;      // readings that cleared it
};

// Reads Octets whole; when the mark stays, the encoding must give them back.
void ExpectCanonicalEncodesBack(const std::string& Octets, TTally& Tally) {
    TStringWrapper reader(Octets);
    std::unique_ptr<T_COSEMpdu> pdu;
    TElementArena arena;
    try {
        pdu = std::make_unique<T_COSEMpdu>(xmlIgnore, reader);
    } catch (const EVantrelError&) {
        return;
    }
    if (reader.GetRemainingBytes() > 0) return;
    if (!reader.Canonical) {
        ++Tally.Other;
        return;
    }
    ++Tally.Canonical;
    std::string again;
    try {
        pdu->EncodeToPduStr(again);
    } catch (const EVantrelError& e) {
        ADD_FAILURE() << vtest::Hex(Octets) << ": read as canonical, but does not encode: " << e.what();
        return;
    }
    EXPECT_EQ(vtest::Hex(again), vtest::Hex(Octets)) << "read as canonical";
}

// Each octet of Base (the first Reach of them) replaced by values that reach
// other forms: lengths in long form, presence octets, padding, tags.
void ExpectForMutants(const std::string& Base, TTally& Tally, size_t Reach = 48) {
    static constexpr uint8_t kValues[] = {0x00, 0x01, 0x02, 0x03, 0x05, 0x0F, 0x7F, 0x80,
                                          0x81, 0x82, 0x83, 0x84, 0xC0, 0xFE, 0xFF};
    ExpectCanonicalEncodesBack(Base, Tally);
    for (size_t at = 0; at < Base.size() && at < Reach; ++at) {
        std::string mutant = Base;
        for (uint8_t v : kValues) {
            mutant[at] = static_cast<char>(v);
            ExpectCanonicalEncodesBack(mutant, Tally);
        }
        for (int delta : {-1, 1}) {
            mutant[at] = static_cast<char>(static_cast<uint8_t>(Base[at]) + delta);
            ExpectCanonicalEncodesBack(mutant, Tally);
        }
        // A long-form length inserted: 81 nn before a short one.
        if (static_cast<uint8_t>(Base[at]) < 0x80) {
            std::string longer = Base;
            longer.insert(at, 1, '\x81');
            ExpectCanonicalEncodesBack(longer, Tally);
        }
    }
}

TEST(CanonicalReading, EncodesBackForTheMutantsOfEveryVector) {
    const char* const kFamilies[] = {
        "access_service", "action_service", "association", "ber_primitives", "block_transfer", "data_values",
        "descriptors",    "get_service",    "initiate",    "meter_push",     "notifications",  "protection",
        "read_write",     "release",        "service_errors", "set_service", "variable_access",
    };
    TTally tally;
    for (const char* family : kFamilies) {
        SCOPED_TRACE(family);
        for (const vtest::TVector& v : vtest::LoadVectors(family))
            if (v.HasInput && v.FromHex) ExpectForMutants(vtest::Bytes(v.Input), tally);
    }
    // Both kinds are reached: the test is not vacuous either way.
    EXPECT_GT(tally.Canonical, 10000u);
    EXPECT_GT(tally.Other, 1000u);
}

TEST(CanonicalReading, EncodesBackForMutatedDataValues) {
    vtest::TRandomData random(20261209);
    TTally tally;
    for (int i = 0; i < 400; ++i) {
        const std::string value = random.Data(3);
        if (value.size() > 160) continue;
        ExpectForMutants("\xFF" + value, tally, 160);
    }
    EXPECT_GT(tally.Canonical, 10000u);
    EXPECT_GT(tally.Other, 100u);
}

// Each form the encoder does not write clears the mark, and its reading
// encodes to other octets; the same value in the encoder's form keeps it.
TEST(CanonicalReading, FormsTheEncoderDoesNotWrite) {
    struct TRow {
        const char* Octets;
        bool Canonical;
    };
    const TRow kRows[] = {
        {"FF 09 02 41 42", true},
        {"FF 09 81 02 41 42", false},              // a length in long form
        {"FF 01 82 00 01 11 05", false},           // a count in more octets than it needs
        {"FF 04 03 E0", true},
        {"FF 04 03 E1", true},                     // padding bits set: the XML keeps them
        {"C0 01 C1 00 08 00 00 01 00 00 FF 02 00", true},
        {"C0 01 C1 00 08 00 00 01 00 00 FF 02 01 02 12 00 05", true},
        {"C0 01 C1 00 08 00 00 01 00 00 FF 02 07 02 12 00 05", false},  // a presence octet other than 01
    };
    for (const TRow& row : kRows) {
        SCOPED_TRACE(row.Octets);
        const std::string octets = vtest::Bytes(row.Octets);
        TStringWrapper reader(octets);
        TElementArena arena;
        const auto pdu = std::make_unique<T_COSEMpdu>(xmlIgnore, reader);
        EXPECT_EQ(reader.Canonical, row.Canonical);
        std::string again;
        pdu->EncodeToPduStr(again);
        EXPECT_EQ(again == octets, row.Canonical);
    }
}

}  // namespace
