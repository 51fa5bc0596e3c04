// The SET service through the entry points: the five request and the five
// response alternatives, the data block, exact messages and positions.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

using namespace vtest;

const TRoundTrip kRoundTrips[] = {
    {"C1 01 C1 00 01 00 00 60 01 00 FF 02 00 12 00 05", R"(
<SetRequest>
  <SetRequestNormal>
    <InvokeIdAndPriority Value="C1" />
    <AttributeDescriptor>
      <ClassId Value="0001" />
      <InstanceId Value="0000600100FF" />
      <AttributeId Value="02" />
    </AttributeDescriptor>
    <Value>
      <LongUnsigned Value="0005" />
    </Value>
  </SetRequestNormal>
</SetRequest>
)"},
    {"C1 02 C1 00 07 01 00 63 01 00 FF 02 01 01 00 00 00 00 00 01 04 01 02 03 04", R"(
<SetRequest>
  <SetRequestWithFirstDataBlock>
    <InvokeIdAndPriority Value="C1" />
    <AttributeDescriptor>
      <ClassId Value="0007" />
      <InstanceId Value="0100630100FF" />
      <AttributeId Value="02" />
    </AttributeDescriptor>
    <AccessSelection>
      <AccessSelector Value="01" />
      <AccessParameters>
        <NullData />
      </AccessParameters>
    </AccessSelection>
    <DataBlock>
      <LastBlock Value="00" />
      <BlockNumber Value="00000001" />
      <RawData Value="01020304" />
    </DataBlock>
  </SetRequestWithFirstDataBlock>
</SetRequest>
)"},
    // An empty raw data: the single length octet 00 and an empty Value.
    {"C1 03 C1 01 00 00 00 02 00", R"(
<SetRequest>
  <SetRequestWithDataBlock>
    <InvokeIdAndPriority Value="C1" />
    <DataBlock>
      <LastBlock Value="01" />
      <BlockNumber Value="00000002" />
      <RawData Value="" />
    </DataBlock>
  </SetRequestWithDataBlock>
</SetRequest>
)"},
    // Two descriptors and one value: the counts are not compared.
    {"C1 04 C1 02 00 01 00 00 60 01 00 FF 02 00 00 03 00 00 01 00 00 FF 03 00 01 09 02 41 42", R"(
<SetRequest>
  <SetRequestWithList>
    <InvokeIdAndPriority Value="C1" />
    <AttributeDescriptorList Qty="0002" >
      <_AttributeDescriptorWithSelection>
        <AttributeDescriptor>
          <ClassId Value="0001" />
          <InstanceId Value="0000600100FF" />
          <AttributeId Value="02" />
        </AttributeDescriptor>
      </_AttributeDescriptorWithSelection>
      <_AttributeDescriptorWithSelection>
        <AttributeDescriptor>
          <ClassId Value="0003" />
          <InstanceId Value="0000010000FF" />
          <AttributeId Value="03" />
        </AttributeDescriptor>
      </_AttributeDescriptorWithSelection>
    </AttributeDescriptorList>
    <ValueList Qty="0001" >
      <OctetString Value="\AB" />
    </ValueList>
  </SetRequestWithList>
</SetRequest>
)"},
    {"C1 05 C1 01 00 01 00 00 60 01 00 FF 02 00 00 00 00 00 01 02 AA BB", R"(
<SetRequest>
  <SetRequestWithListAndWithFirstDatablock>
    <InvokeIdAndPriority Value="C1" />
    <AttributeDescriptorList Qty="0001" >
      <_AttributeDescriptorWithSelection>
        <AttributeDescriptor>
          <ClassId Value="0001" />
          <InstanceId Value="0000600100FF" />
          <AttributeId Value="02" />
        </AttributeDescriptor>
      </_AttributeDescriptorWithSelection>
    </AttributeDescriptorList>
    <DataBlock>
      <LastBlock Value="00" />
      <BlockNumber Value="00000001" />
      <RawData Value="AABB" />
    </DataBlock>
  </SetRequestWithListAndWithFirstDatablock>
</SetRequest>
)"},
    {"C5 01 C1 00", R"(
<SetResponse>
  <SetResponseNormal>
    <InvokeIdAndPriority Value="C1" />
    <Result Value="Success" />
  </SetResponseNormal>
</SetResponse>
)"},
    {"C5 02 C1 00 00 01 00", R"(
<SetResponse>
  <SetResponseForDataBlock>
    <InvokeIdAndPriority Value="C1" />
    <BlockNumber Value="00000100" />
  </SetResponseForDataBlock>
</SetResponse>
)"},
    // The result comes before the block number.
    {"C5 03 C1 00 00 00 00 02", R"(
<SetResponse>
  <SetResponseForLastDataBlock>
    <InvokeIdAndPriority Value="C1" />
    <Result Value="Success" />
    <BlockNumber Value="00000002" />
  </SetResponseForLastDataBlock>
</SetResponse>
)"},
    {"C5 04 C1 00 00 00 00 07", R"(
<SetResponse>
  <SetResponseForLastDataBlockWithList>
    <InvokeIdAndPriority Value="C1" />
    <Result Qty="0000" >
    </Result>
    <BlockNumber Value="00000007" />
  </SetResponseForLastDataBlockWithList>
</SetResponse>
)"},
    {"C5 04 C1 01 11 00 00 00 03", R"(
<SetResponse>
  <SetResponseForLastDataBlockWithList>
    <InvokeIdAndPriority Value="C1" />
    <Result Qty="0001" >
      <_DataAccessResult Value="LongSetOrWriteAborted" />
    </Result>
    <BlockNumber Value="00000003" />
  </SetResponseForLastDataBlockWithList>
</SetResponse>
)"},
    {"C5 05 C1 02 00 03", R"(
<SetResponse>
  <SetResponseWithList>
    <InvokeIdAndPriority Value="C1" />
    <Result Qty="0002" >
      <_DataAccessResult Value="Success" />
      <_DataAccessResult Value="ReadWriteDenied" />
    </Result>
  </SetResponseWithList>
</SetResponse>
)"},
};

TEST(SetService, RoundTrips) { ExpectRoundTrips(kRoundTrips); }

const TDecodeFailure kDecodeFailures[] = {
    {"C1 06 C1", "T_SetRequest : illegal Tag 6", 3},
    {"C1 00", "T_SetRequest : illegal Tag 0", 3},
    {"C5 00", "T_SetResponse : illegal Tag 0", 3},
    {"C5 06 C1 00", "T_SetResponse : illegal Tag 6", 3},
    // A normal request without its value.
    {"C1 01 C1 00 01 00 00 60 01 00 FF 02 00", "Wrong encoding in pdu", 14},
    {"C1 03 C1 01 00 00 00 02 03 AA", "Wrong encoding in pdu", 10},
    {"C1 04 C1 00", "Wrong encoding in pdu", 5},
    {"C5 03 C1 00 00 00 00", "Wrong encoding in pdu", 8},
    {"C5 05 C1 02 00", "Wrong encoding in pdu", 6},
    {"C5 05 C1 02 00 06", "T_DataAccessResult: case range", 7},
    {"C5 01 C1 FF", "T_DataAccessResult: case range", 5},
};

TEST(SetService, DecodeFailures) { ExpectDecodeFailures(kDecodeFailures); }

const TXmlCase kXmlCases[] = {
    // The element name is matched without regard to case, so "DataBlock"
    // with a capital B selects the same alternative.
    {R"(<SetRequest><SetRequestWithListAndWithFirstDataBlock><InvokeIdAndPriority Value="C1" />
<AttributeDescriptorList Qty="0000"></AttributeDescriptorList><DataBlock><LastBlock Value="01" />
<BlockNumber Value="00000001" /><RawData Value="" /></DataBlock></SetRequestWithListAndWithFirstDataBlock></SetRequest>)",
     "C1 05 C1 00 01 00 00 00 01 00", nullptr, 0},
    // A selection written right after the descriptor; the value list may be AUTO.
    {R"(<SetRequest><SetRequestNormal><InvokeIdAndPriority Value="C1" /><AttributeDescriptor><ClassId Value="0001" />
<InstanceId Value="0.0.96.1.0.255" /><AttributeId Value="02" /></AttributeDescriptor>
<AccessSelection><AccessSelector Value="02" /><AccessParameters><Unsigned Value="01" /></AccessParameters>
</AccessSelection><Value><NullData /></Value></SetRequestNormal></SetRequest>)",
     "C1 01 C1 00 01 00 00 60 01 00 FF 02 01 02 11 01 00", nullptr, 0},
    {R"(<SetRequest><SetRequestWithList><InvokeIdAndPriority Value="C1" />
<AttributeDescriptorList Qty="0000"></AttributeDescriptorList>
<ValueList Qty="Auto"><Unsigned Value="01" /><Unsigned Value="02" /></ValueList></SetRequestWithList></SetRequest>)",
     "C1 04 C1 00 02 11 01 11 02", nullptr, 0},
    // Failures.
    {R"(<SetRequest><SetResponseNormal>)", nullptr, "T_SetRequest.CreateFromXml : illegal choice", 31},
    {R"(<SetResponse><SetRequestNormal>)", nullptr, "T_SetResponse.CreateFromXml : illegal choice", 31},
    // The value of a normal request is missing: the Data reader reports it.
    {R"(<SetRequest><SetRequestNormal><InvokeIdAndPriority Value="C1" /><AttributeDescriptor><ClassId Value="0001" />
<InstanceId Value="0000600100FF" /><AttributeId Value="02" /></AttributeDescriptor></SetRequestNormal>)",
     nullptr, "Start tag \"Value\" expected", 213},
    {R"(<SetResponse><SetResponseWithList><InvokeIdAndPriority Value="C1" /><Result Qty="0002">
<_DataAccessResult Value="Success" /></Result>)",
     nullptr, "ExpectedQty=2, ActualQty=1", 135},
    {R"(<SetResponse><SetResponseWithList><InvokeIdAndPriority Value="C1" /><Result Qty="0001">
<_DataAccessResult Value="LongActionAborted" /></Result>)",
     nullptr, "T_DataAccessResult: illegal element LongActionAborted", 136},
    {R"(<SetResponse><SetResponseForLastDataBlock><InvokeIdAndPriority Value="C1" /><BlockNumber Value="00000001" />
<Result Value="Success" />)",
     nullptr, "Start tag \"Result\" expected", 108},
};

TEST(SetService, FromXml) { ExpectXmlCases(kXmlCases); }

}  // namespace
