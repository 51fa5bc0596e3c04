// The Data choice and every alternative, through the entry points: exact XML
// both ways, exact messages and positions.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "VectorFile.h"

namespace {

using namespace vtest;

TEST(DataValues, Vectors) { vtest::ExpectVectors("data_values"); }

TEST(DataValues, LongLengthsAndCounts) {
    // An octet string of 200 octets has the length 81 C8, of 300 octets 82 01 2C.
    const std::string s200 = "FF 09 81 C8 " + std::string(400, '1');
    vtest::ExpectOctetsSurvive(s200);
    const std::string s300 = "FF 09 82 01 2C " + std::string(600, '2');
    vtest::ExpectOctetsSurvive(s300);

    // An array of 300 elements: count 82 01 2C, Qty 012C.
    std::string a300 = "FF 01 82 01 2C";
    for (int i = 0; i < 300; ++i) a300 += " 00";
    const vtest::TResult x = vtest::ToXml(a300);
    ASSERT_EQ(x.Code, 0);
    EXPECT_NE(x.Text.find("<Array Qty=\"012C\" >\r\n"), std::string::npos);
    EXPECT_EQ(vtest::ToPdu(x.Text).Text, vtest::Norm(a300));

    // 65536 elements write a five-digit Qty.
    std::string a65536 = vtest::Bytes("FF 01 83 01 00 00") + std::string(65536, '\0');
    const vtest::TResult big = vtest::ToXmlOctets(a65536);
    ASSERT_EQ(big.Code, 0);
    EXPECT_NE(big.Text.find("<Array Qty=\"10000\" >\r\n"), std::string::npos);
}

TEST(DataValues, TrailingOctetsAreNamedInAComment) {
    const vtest::TResult r = vtest::ToXml("FF 11 05 AA BB");
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Position, 4);  // the first octet not read
    EXPECT_EQ(r.Text, Xml(R"(
<Data>
  <Unsigned Value="05" />
</Data>
<!-- 2 octets after the end of the APDU: AA BB --> 
)"));
}

}  // namespace
