// The Data choice and every alternative, through the entry points: exact XML
// both ways, exact messages and positions.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

using namespace vtest;

// Octets → exactly this XML → the same octets.
const TRoundTrip kRoundTrips[] = {
    {"FF 11 05", R"(
<Data>
  <Unsigned Value="05" />
</Data>
)"},
    {"FF 12 01 02", R"(
<Data>
  <LongUnsigned Value="0102" />
</Data>
)"},
    {"FF 1C 85", R"(
<Data>
  <DeltaInteger Value="85" />
</Data>
)"},
    {"FF 00", R"(
<Data>
  <NullData />
</Data>
)"},
    {"FF FF", R"(
<Data>
  <DontCare />
</Data>
)"},
    {"FF 10 FF FE", R"(
<Data>
  <Long Value="FFFE" />
</Data>
)"},
    {"FF 17 3F 80 00 00", R"(
<Data>
  <Float32 Value="3F800000" />
</Data>
)"},
    {"FF 18 40 09 21 FB 54 44 2D 18", R"(
<Data>
  <Float64 Value="400921FB54442D18" />
</Data>
)"},
    {"FF 03 05", R"(
<Data>
  <Boolean Value="05" />
</Data>
)"},
    {"FF 0D 9A", R"(
<Data>
  <Bcd Value="9A" />
</Data>
)"},
    {"FF 05 FF FF FF FE", R"(
<Data>
  <DoubleLong Value="FFFFFFFE" />
</Data>
)"},
    {"FF 14 80 00 00 00 00 00 00 01", R"(
<Data>
  <Long64 Value="8000000000000001" />
</Data>
)"},
    {"FF 15 FF FF FF FF FF FF FF FF", R"(
<Data>
  <Long64Unsigned Value="FFFFFFFFFFFFFFFF" />
</Data>
)"},
    {"FF 16 07", R"(
<Data>
  <Enum Value="07" />
</Data>
)"},
    {"FF 1D 80 00", R"(
<Data>
  <DeltaLong Value="8000" />
</Data>
)"},
    {"FF 1E 00 00 00 01", R"(
<Data>
  <DeltaDoubleLong Value="00000001" />
</Data>
)"},
    {"FF 1F 01", R"(
<Data>
  <DeltaUnsigned Value="01" />
</Data>
)"},
    {"FF 20 00 02", R"(
<Data>
  <DeltaLongUnsigned Value="0002" />
</Data>
)"},
    {"FF 21 00 00 00 03", R"(
<Data>
  <DeltaDoubleLongUnsigned Value="00000003" />
</Data>
)"},
    {"FF 06 00 00 00 2A", R"(
<Data>
  <DoubleLongUnsigned Value="0000002A" />
</Data>
)"},
    {"FF 0F 80", R"(
<Data>
  <Integer Value="80" />
</Data>
)"},
    {"FF 09 03 61 62 63", R"(
<Data>
  <OctetString Value="\abc" />
</Data>
)"},
    {"FF 09 02 22 41", R"(
<Data>
  <OctetString Value="2241" />
</Data>
)"},
    {"FF 0A 03 3C 26 3E", R"(
<Data>
  <VisibleString Value="\<&>" />
</Data>
)"},
    {"FF 0C 02 C3 A4", R"(
<Data>
  <UTF8String Value="C3A4" />
</Data>
)"},
    {"FF 09 00", R"(
<Data>
  <OctetString Value="" />
</Data>
)"},
    {"FF 07 41 42 43 44", R"(
<Data>
  <FloatingPoint Value="\ABCD" />
</Data>
)"},
    {"FF 07 3F 80 00 00", R"(
<Data>
  <FloatingPoint Value="3F800000" />
</Data>
)"},
    {"FF 19 07 E4 01 01 03 0C 00 00 FF 80 00 00", R"(
<Data>
  <DateTime Value="07E40101030C0000FF800000" />
</Data>
)"},
    {"FF 1A 07 E4 01 01 03", R"(
<Data>
  <Date Value="07E4010103" />
</Data>
)"},
    {"FF 1B 61 62 63 64", R"(
<Data>
  <Time Value="\abcd" />
</Data>
)"},
    {"FF 04 03 A0", R"(
<Data>
  <BitString Value="101" />
</Data>
)"},
    {"FF 04 0A FF C0", R"(
<Data>
  <BitString Value="1111111111" />
</Data>
)"},
    {"FF 04 00", R"(
<Data>
  <BitString Value="" />
</Data>
)"},
    {"FF 01 02 11 05 11 06", R"(
<Data>
  <Array Qty="0002" >
    <Unsigned Value="05" />
    <Unsigned Value="06" />
  </Array>
</Data>
)"},
    {"FF 02 00", R"(
<Data>
  <Structure Qty="0000" >
  </Structure>
</Data>
)"},
    {"FF 02 02 01 01 02 01 00 12 00 08", R"(
<Data>
  <Structure Qty="0002" >
    <Array Qty="0001" >
      <Structure Qty="0001" >
        <NullData />
      </Structure>
    </Array>
    <LongUnsigned Value="0008" />
  </Structure>
</Data>
)"},
    {"FF 13 01 00 03 11 03 01 02 03", R"(
<Data>
  <CompactArray>
    <ContentDescription>
      <Array>
        <NumberOfElements Value="0003" />
        <TypeDescription>
          <Unsigned />
        </TypeDescription>
      </Array>
    </ContentDescription>
    <ArrayContent Value="010203" />
  </CompactArray>
</Data>
)"},
    {"FF 13 02 02 11 12 00", R"(
<Data>
  <CompactArray>
    <ContentDescription>
      <Structure Qty="0002" >
        <Unsigned />
        <LongUnsigned />
      </Structure>
    </ContentDescription>
    <ArrayContent Value="" />
  </CompactArray>
</Data>
)"},
    // Contents that do not match the description are carried unchanged.
    {"FF 13 01 00 03 11 04 41 42 43 44", R"(
<Data>
  <CompactArray>
    <ContentDescription>
      <Array>
        <NumberOfElements Value="0003" />
        <TypeDescription>
          <Unsigned />
        </TypeDescription>
      </Array>
    </ContentDescription>
    <ArrayContent Value="\ABCD" />
  </CompactArray>
</Data>
)"},
    {"FF 13 02 03 00 FF 01 00 02 19 00", R"(
<Data>
  <CompactArray>
    <ContentDescription>
      <Structure Qty="0003" >
        <NullData />
        <DontCare />
        <Array>
          <NumberOfElements Value="0002" />
          <TypeDescription>
            <DateTime />
          </TypeDescription>
        </Array>
      </Structure>
    </ContentDescription>
    <ArrayContent Value="" />
  </CompactArray>
</Data>
)"},
    // A service-specific ciphered APDU: one opaque octet string.
    {"C8 04 30 00 00 01", R"(
<glo_GetRequest Value="30000001" />
)"},
    {"21 03 41 42 43", R"(
<glo_InitiateRequest Value="\ABC" />
)"},
    {"D7 00", R"(
<ded_ActionResponse Value="" />
)"},
};

TEST(DataValues, RoundTrips) { ExpectRoundTrips(kRoundTrips); }

const TDecodeFailure kDecodeFailures[] = {
    {"", "Wrong encoding in pdu", 1},
    {"07", "T_COSEMpdu : illegal Tag 7", 2},
    {"C6", "T_COSEMpdu : illegal Tag 198", 2},
    {"02", "T_COSEMpdu : illegal Tag 2", 2},
    {"CE", "T_COSEMpdu : illegal Tag 206", 2},
    {"FF", "Wrong encoding in pdu", 2},
    {"FF 08 00", "T_Data : illegal Tag 8", 3},
    {"FF 22", "T_Data : illegal Tag 34", 3},
    {"FF 0B", "T_Data : illegal Tag 11", 3},
    {"FF 12 01", "Wrong encoding in pdu", 4},
    {"FF 09 05 01 02", "Wrong encoding in pdu", 4},
    {"FF 09 82 01", "Wrong encoding in pdu", 5},
    {"FF 09 80", "Unsupported integer length. (xmlPdu/INFRA/COSEMPduBase.cpp, line 208)", 4},
    {"FF 09 84 00 00 01 00", "Unsupported integer length. (xmlPdu/INFRA/COSEMPduBase.cpp, line 208)", 4},
    {"FF 19 01 02", "Wrong encoding in pdu", 3},
    {"FF 01 03 11 01 11", "Wrong encoding in pdu", 7},
    {"FF 01 83 FF FF FF 00", "Wrong encoding in pdu", 8},  // a count far beyond the input
    {"FF 04 10 FF", "Wrong encoding in pdu", 4},
    {"FF 13 13", "T_TypeDescription : illegal Tag 19", 4},
    {"FF 13 1C", "T_TypeDescription : illegal Tag 28", 4},
    {"FF 13 01 00 01", "Wrong encoding in pdu", 6},
    {"C8 05 01", "Wrong encoding in pdu", 3},
};

TEST(DataValues, DecodeFailures) { ExpectDecodeFailures(kDecodeFailures); }

const TXmlCase kXmlCases[] = {
    // Value forms accepted on input and normalised on output.
    {"<Data><Long Value=\"001 2\" /></Data>", "FF 10 00 12", nullptr, 0},
    {"<Data><LongUnsigned Value=\"\\AB\" /></Data>", "FF 12 41 42", nullptr, 0},
    {"<Data><OctetString Value=\"1.0.1.8.0.255\" /></Data>", "FF 09 06 01 00 01 08 00 FF", nullptr, 0},
    {"<Data><Time Value=\"\\abcd\" /></Data>", "FF 1B 61 62 63 64", nullptr, 0},
    {"<data><unsigned value='07'/></DATA>", "FF 11 07", nullptr, 0},
    {"<?xml version=\"1.0\"?>\n<!-- a value -->\n<Data>\n  <Unsigned Value=\"07\" />\n</Data>", "FF 11 07", nullptr, 0},
    {"// bare value\n<Data>(* tag 0 *)<NullData /></Data>", "FF 00", nullptr, 0},
    {"<Data><Array Qty=\"auto\"><Unsigned Value=\"01\"/><Unsigned Value=\"02\"/><Unsigned Value=\"03\"/></Array></Data>",
     "FF 01 03 11 01 11 02 11 03", nullptr, 0},
    {"<Data><Array Qty=\"AuTo\"></Array></Data>", "FF 01 00", nullptr, 0},
    {"<Data><Structure Qty=\"2\"><NullData/><DontCare/></Structure></Data>", "FF 02 02 00 FF", nullptr, 0},
    {"<glo_GetRequest Value=\"30 00 00 01\" />", "C8 04 30 00 00 01", nullptr, 0},
    {"<Data><BitString Value=\"1\" /></Data>", "FF 04 01 80", nullptr, 0},
    {"<Data><NullData></Data>", "FF 00", nullptr, 0},
    {"<Data><Unsigned Value=\"05\" /></Data> trailing text is not read", "FF 11 05", nullptr, 0},
    // Failures, with the message and the reader's position.
    {"", nullptr, "T_COSEMpdu.CreateFromXml : illegal choice", 0},
    {"   ", nullptr, "T_COSEMpdu.CreateFromXml : illegal choice", 3},
    {"<Unsigned Value=\"05\" />", nullptr, "T_COSEMpdu.CreateFromXml : illegal choice", 23},
    {"<Foo>", nullptr, "'Foo' unknown identifier", 5},
    {"text", nullptr, "T_COSEMpdu.CreateFromXml : illegal choice", 0},
    {"<Data><Selector Value=\"01\" /></Data>", nullptr, "T_Data.CreateFromXml : illegal choice", 29},
    {"<Data><Long Value=\"12\" /></Data>", nullptr, "Illegal data size, expected 2, found 1", 25},
    {"<Data><Long Value=\"0G12\" /></Data>", nullptr, "Illegal hex-character", 27},
    {"<Data><Long Value=\"123\" /></Data>", nullptr, "HexStrToByteStr: Hex-character missing", 26},
    {"<Data><Long /></Data>", nullptr, "\"Value\" expected", 14},
    {"<Data><Unsigned Value=\"05\"></Unsigned></Data>", nullptr, "Stop tag \"Data\" expected", 38},
    {"<Data><Unsigned Value=\"05\" /></Datum>", nullptr, "'Datum' unknown identifier", 37},
    {"<Data><Unsigned Value=\"05\" />", nullptr, "Stop tag \"Data\" expected", 29},
    {"<Data><DateTime Value=\"0102030405060708090A0B\" /></Data>", nullptr,
     "T_DateTime: Illegal data size, expected 12, found 11", 49},
    {"<Data><FloatingPoint Value=\"\\ABC\" /></Data>", nullptr, "T_FloatingPoint: Illegal data size, expected 4, found 3",
     36},
    {"<Data><Array Qty=\"3\"><Unsigned Value=\"01\"/><Unsigned Value=\"02\"/></Array></Data>", nullptr,
     "ExpectedQty=3, ActualQty=2", 73},
    {"<Data><Array Qty=\"000A\"></Array></Data>", nullptr, "ExpectedQty=10, ActualQty=0", 32},
    {"<Data><Array><Unsigned Value=\"01\"/></Array></Data>", nullptr, "\"Qty\" expected", 13},
    {"<Data><Array Qty=\"x1\"></Array></Data>", nullptr, "'$x1' is not a valid integer value", 22},
    {"<Data><Array Qty=\"auto\"> 05 </Array></Data>", nullptr, "UnexpectedKeyword", 25},
    {"<Data><Array Qty=\"auto\"><Unsigned Value=\"01\"/>", nullptr, "Stop tag \"Array\" expected", 46},
    {"<Data><BitString Value=\"10x1\" /></Data>", nullptr, "BERBitString: illegal character", 0, 2},
    {"<Data><CompactArray><ContentDescription><Selector/></ContentDescription></CompactArray></Data>", nullptr,
     "T_TypeDescription.CreateFromXml : illegal choice", 51},
    {"<Data><CompactArray><ContentDescription><Unsigned/></ContentDescription></CompactArray></Data>", nullptr,
     "Start tag \"ArrayContent\" expected", 87},
};

TEST(DataValues, FromXml) { ExpectXmlCases(kXmlCases); }

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
