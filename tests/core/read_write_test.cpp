// The confirmed short-name services: read and write requests and responses.
#include "TestSupport.h"

namespace {

using vtest::Xml;

TEST(ReadWrite, ApdusTranslateBothWays) {
    const vtest::TRoundTrip kVectors[] = {
        {"05 00", R"(
<ReadRequest Qty="0000" >
</ReadRequest>
)"},
        {"0C 02 00 12 00 05 01 03", R"(
<ReadResponse Qty="0002" >
  <Data>
    <LongUnsigned Value="0005" />
  </Data>
  <DataAccessError Value="ReadWriteDenied" />
</ReadResponse>
)"},
        {"0C 02 02 01 00 01 02 AA BB 03 00 09", R"(
<ReadResponse Qty="0002" >
  <DataBlockResult>
    <LastBlock Value="01" />
    <BlockNumber Value="0001" />
    <RawData Value="AABB" />
  </DataBlockResult>
  <BlockNumber Value="0009" />
</ReadResponse>
)"},
        {"06 01 02 FA 00 01 11 07", R"(
<WriteRequest>
  <ListOfVariableAccessSpecification Qty="0001" >
    <VariableName Value="FA00" />
  </ListOfVariableAccessSpecification>
  <ListOfData Qty="0001" >
    <Unsigned Value="07" />
  </ListOfData>
</WriteRequest>
)"},
        // The two counts of a write request are not compared.
        {"06 02 02 FA 00 02 FA 08 00", R"(
<WriteRequest>
  <ListOfVariableAccessSpecification Qty="0002" >
    <VariableName Value="FA00" />
    <VariableName Value="FA08" />
  </ListOfVariableAccessSpecification>
  <ListOfData Qty="0000" >
  </ListOfData>
</WriteRequest>
)"},
        {"0D 03 00 01 03 02 00 05", R"(
<WriteResponse Qty="0003" >
  <Success />
  <DataAccessError Value="ReadWriteDenied" />
  <BlockNumber Value="0005" />
</WriteResponse>
)"},
    };
    vtest::ExpectRoundTrips(kVectors);
}

TEST(ReadWrite, BadOctetsAreRefused) {
    const vtest::TDecodeFailure kRows[] = {
        {"0C 01 04", "T_SingleReadResponse : illegal Tag 4", 4},
        {"0D 01 03", "T_SingleWriteResponse : illegal Tag 3", 4},
        {"0D 02 00 FF", "T_SingleWriteResponse : illegal Tag 255", 5},
        {"0C 01 00 C6", "T_Data : illegal Tag 198", 5},
        {"0C 03 00 11 01", "Wrong encoding in pdu", 6},
        {"06 01 02 FA 00", "Wrong encoding in pdu", 6},
    };
    vtest::ExpectDecodeFailures(kRows);
}

TEST(ReadWrite, BadXmlIsRefused) {
    const vtest::TXmlFailure kRows[] = {
        {R"(
<ReadResponse Qty="0001" >
  <Success />
</ReadResponse>
)", "T_SingleReadResponse.CreateFromXml : illegal choice", 41},
        {R"(
<WriteResponse Qty="0001" >
  <Data>
    <Unsigned Value="01" />
  </Data>
</WriteResponse>
)", "T_SingleWriteResponse.CreateFromXml : illegal choice", 37},
        {R"(
<ReadResponse Qty="0001" >
  <DataAccessError Value="Denied" />
</ReadResponse>
)", "T_DataAccessResult: illegal element Denied", 64},
        {R"(
<WriteRequest>
  <ListOfData Qty="0000" >
  </ListOfData>
</WriteRequest>
)", "Start tag \"ListOfVariableAccessSpecification\" expected", 42},
    };
    vtest::ExpectXmlFailures(kRows);
}

}  // namespace
