// The conformance block and the xDLMS initiate request and response.
#include "TestSupport.h"
#include "VectorFile.h"

namespace {

TEST(Initiate, Vectors) { vtest::ExpectVectors("initiate"); }

using vtest::Xml;

// An initiate request whose conformance element holds Bits.
std::string RequestXml(std::string_view Optional, std::string_view Bits) {
    return Xml("\n<InitiateRequest>\n" + std::string(Optional) +
               "  <ProposedDlmsVersionNumber Value=\"06\" />\n  <ProposedConformance>\n" + std::string(Bits) +
               "  </ProposedConformance>\n  <ProposedMaxPduSize Value=\"0400\" />\n</InitiateRequest>\n");
}

TEST(Initiate, XmlInputTakesNamesAliasesAndAnyOrder) {
    struct TRow {
        const char* Optional;
        const char* Bits;
        const char* Hex;
    };
    const TRow kRows[] = {
        {"", "", "01 00 00 00 06 5F 1F 04 00 00 00 00 04 00"},
        {"", "    <ConformanceBit Name=\"BlockTransferWithGet\" />\n", "01 00 00 00 06 5F 1F 04 00 00 10 00 04 00"},
        {"",
         "    <ConformanceBit Name=\"Get\" />\n    <ConformanceBit Name=\"Attribute0Supported\" />\n"
         "    <ConformanceBit Name=\"BlockTransferWithSet\" />\n    <ConformanceBit Name=\"Get\" />\n",
         "01 00 00 00 06 5F 1F 04 00 00 28 10 04 00"},
        {"  <ResponseAllowed Value=\"00\" />\n", "", "01 00 01 00 00 06 5F 1F 04 00 00 00 00 04 00"},
        {"  <DedicatedKey Value=\"\" />\n  <ProposedQualityOfService Value=\"01\" />\n", "",
         "01 01 00 00 01 01 06 5F 1F 04 00 00 00 00 04 00"},
    };
    for (const TRow& r : kRows) {
        const auto p = vtest::ToPdu(RequestXml(r.Optional, r.Bits));
        ASSERT_EQ(p.Code, 0) << p.Message;
        EXPECT_EQ(p.Text, vtest::Norm(r.Hex)) << r.Bits;
    }
    // An alias is written back under its name.
    const auto x = vtest::ToXml("01 00 00 00 06 5F 1F 04 00 00 10 00 04 00");
    EXPECT_NE(x.Text.find("<ConformanceBit Name=\"BlockTransferWithGetOrRead\" />"), std::string::npos) << x.Text;
}

}  // namespace
