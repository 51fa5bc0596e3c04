// Short-name object names and variable access specifications, seen through
// the read request that carries a list of them.
#include "TestSupport.h"

namespace {

using vtest::Xml;

TEST(VariableAccess, EveryAlternativeTranslatesBothWays) {
    const vtest::TRoundTrip kVectors[] = {
        {"05 01 02 FA 00", R"(
<ReadRequest Qty="0001" >
  <VariableName Value="FA00" />
</ReadRequest>
)"},
        {"05 01 04 FA 08 01 11 05", R"(
<ReadRequest Qty="0001" >
  <ParameterisedAccess>
    <VariableName Value="FA08" />
    <Selector Value="01" />
    <Parameter>
      <Unsigned Value="05" />
    </Parameter>
  </ParameterisedAccess>
</ReadRequest>
)"},
        {"05 01 05 00 07", R"(
<ReadRequest Qty="0001" >
  <BlockNumberAccess>
    <BlockNumber Value="0007" />
  </BlockNumberAccess>
</ReadRequest>
)"},
        {"05 01 06 01 00 02 03 41 42 43", R"(
<ReadRequest Qty="0001" >
  <ReadDataBlockAccess>
    <LastBlock Value="01" />
    <BlockNumber Value="0002" />
    <RawData Value="\ABC" />
  </ReadDataBlockAccess>
</ReadRequest>
)"},
        {"05 01 07 00 00 01", R"(
<ReadRequest Qty="0001" >
  <WriteDataBlockAccess>
    <LastBlock Value="00" />
    <BlockNumber Value="0001" />
  </WriteDataBlockAccess>
</ReadRequest>
)"},
        // A parameter that is itself constructed, and raw data that is not text.
        {"05 02 04 00 10 02 02 02 11 01 12 00 02 06 00 FF FF 02 00 22", R"(
<ReadRequest Qty="0002" >
  <ParameterisedAccess>
    <VariableName Value="0010" />
    <Selector Value="02" />
    <Parameter>
      <Structure Qty="0002" >
        <Unsigned Value="01" />
        <LongUnsigned Value="0002" />
      </Structure>
    </Parameter>
  </ParameterisedAccess>
  <ReadDataBlockAccess>
    <LastBlock Value="00" />
    <BlockNumber Value="FFFF" />
    <RawData Value="0022" />
  </ReadDataBlockAccess>
</ReadRequest>
)"},
    };
    vtest::ExpectRoundTrips(kVectors);
}

TEST(VariableAccess, TagsWithoutAlternativeAreRefused) {
    const vtest::TDecodeFailure kRows[] = {
        {"05 01 00", "T_VariableAccessSpecification : illegal Tag 0", 4},
        {"05 01 01", "T_VariableAccessSpecification : illegal Tag 1", 4},
        {"05 01 03", "T_VariableAccessSpecification : illegal Tag 3", 4},
        {"05 02 02 FA 00 08", "T_VariableAccessSpecification : illegal Tag 8", 7},
        {"05 01 02 FA", "Wrong encoding in pdu", 5},
        {"05 01 06 01 00 02 05 41", "Wrong encoding in pdu", 8},
    };
    vtest::ExpectDecodeFailures(kRows);
}

TEST(VariableAccess, MalformedXmlIsRefusedWhereItIsFound) {
    const vtest::TXmlFailure kRows[] = {
        {R"(
<ReadRequest Qty="0002" >
  <VariableName Value="FA00" />
</ReadRequest>
)", "ExpectedQty=2, ActualQty=1", 74},
        {R"(
<ReadRequest Qty="0001" >
  <Unsigned Value="05" />
</ReadRequest>
)", "T_VariableAccessSpecification.CreateFromXml : illegal choice", 52},
        {R"(
<ReadRequest Qty="0001" >
  <VariableName Value="FA" />
</ReadRequest>
)", "Illegal data size, expected 2, found 1", 56},
        {R"(
<ReadRequest Qty="0001" >
  <WriteDataBlockAccess>
    <BlockNumber Value="0001" />
  </WriteDataBlockAccess>
</ReadRequest>
)", "Start tag \"LastBlock\" expected", 85},
        {R"(
<ReadRequest>
  <VariableName Value="FA00" />
</ReadRequest>
)", "\"Qty\" expected", 13},
    };
    vtest::ExpectXmlFailures(kRows);
}

TEST(VariableAccess, QtyAutoAcceptsAnyCount) {
    const auto r = vtest::ToPdu(Xml(R"(
<ReadRequest Qty="auto" >
  <VariableName Value="FA00" />
  <VariableName Value="\AB" />
</ReadRequest>
)"));
    ASSERT_EQ(r.Code, 0) << r.Message;
    EXPECT_EQ(r.Text, vtest::Norm("05 02 02 FA 00 02 41 42"));
}

}  // namespace
