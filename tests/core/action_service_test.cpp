// The ACTION service through the entry points: the six request and the four
// response alternatives, the action result, exact messages and positions.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "xmlPdu/types/ActionService.h"

namespace {

using namespace vtest;

const TRoundTrip kRoundTrips[] = {
    {"C3 01 C1 00 46 00 00 60 03 0A FF 01 01 0F 00", R"(
<ActionRequest>
  <ActionRequestNormal>
    <InvokeIdAndPriority Value="C1" />
    <MethodDescriptor>
      <ClassId Value="0046" />
      <InstanceId Value="000060030AFF" />
      <MethodId Value="01" />
    </MethodDescriptor>
    <MethodInvocationParameters>
      <Integer Value="00" />
    </MethodInvocationParameters>
  </ActionRequestNormal>
</ActionRequest>
)"},
    {"C3 01 C1 00 46 00 00 60 03 0A FF 01 00", R"(
<ActionRequest>
  <ActionRequestNormal>
    <InvokeIdAndPriority Value="C1" />
    <MethodDescriptor>
      <ClassId Value="0046" />
      <InstanceId Value="000060030AFF" />
      <MethodId Value="01" />
    </MethodDescriptor>
  </ActionRequestNormal>
</ActionRequest>
)"},
    {"C3 02 C1 00 00 00 03", R"(
<ActionRequest>
  <ActionRequestForNextPBlock>
    <InvokeIdAndPriority Value="C1" />
    <BlockNumber Value="00000003" />
  </ActionRequestForNextPBlock>
</ActionRequest>
)"},
    // Two descriptors and one parameter: the counts are not compared.
    {"C3 03 C1 02 00 46 00 00 60 03 0A FF 01 00 09 00 00 01 00 00 FF 01 01 12 00 10", R"(
<ActionRequest>
  <ActionRequestWithList>
    <InvokeIdAndPriority Value="C1" />
    <MethodDescriptorList Qty="0002" >
      <_MethodDescriptor>
        <ClassId Value="0046" />
        <InstanceId Value="000060030AFF" />
        <MethodId Value="01" />
      </_MethodDescriptor>
      <_MethodDescriptor>
        <ClassId Value="0009" />
        <InstanceId Value="0000010000FF" />
        <MethodId Value="01" />
      </_MethodDescriptor>
    </MethodDescriptorList>
    <MethodInvocationParameters Qty="0001" >
      <LongUnsigned Value="0010" />
    </MethodInvocationParameters>
  </ActionRequestWithList>
</ActionRequest>
)"},
    {"C3 04 C1 00 0F 00 00 28 00 00 FF 01 00 00 00 00 01 02 09 00", R"(
<ActionRequest>
  <ActionRequestWithFirstPBlock>
    <InvokeIdAndPriority Value="C1" />
    <MethodDescriptor>
      <ClassId Value="000F" />
      <InstanceId Value="0000280000FF" />
      <MethodId Value="01" />
    </MethodDescriptor>
    <PBlock>
      <LastBlock Value="00" />
      <BlockNumber Value="00000001" />
      <RawData Value="0900" />
    </PBlock>
  </ActionRequestWithFirstPBlock>
</ActionRequest>
)"},
    {"C3 05 C1 00 01 00 00 00 01 00", R"(
<ActionRequest>
  <ActionRequestWithListAndFirstPBlock>
    <InvokeIdAndPriority Value="C1" />
    <MethodDescriptorList Qty="0000" >
    </MethodDescriptorList>
    <PBlock>
      <LastBlock Value="01" />
      <BlockNumber Value="00000001" />
      <RawData Value="" />
    </PBlock>
  </ActionRequestWithListAndFirstPBlock>
</ActionRequest>
)"},
    {"C3 06 C1 01 00 00 00 02 03 31 32 33", R"(
<ActionRequest>
  <ActionRequestWithPBlock>
    <InvokeIdAndPriority Value="C1" />
    <PBlock>
      <LastBlock Value="01" />
      <BlockNumber Value="00000002" />
      <RawData Value="\123" />
    </PBlock>
  </ActionRequestWithPBlock>
</ActionRequest>
)"},
    {"C7 01 C1 00 00", R"(
<ActionResponse>
  <ActionResponseNormal>
    <InvokeIdAndPriority Value="C1" />
    <Result Value="Success" />
  </ActionResponseNormal>
</ActionResponse>
)"},
    {"C7 01 C1 00 01 00 11 05", R"(
<ActionResponse>
  <ActionResponseNormal>
    <InvokeIdAndPriority Value="C1" />
    <Result Value="Success" />
    <ReturnParameters>
      <Data>
        <Unsigned Value="05" />
      </Data>
    </ReturnParameters>
  </ActionResponseNormal>
</ActionResponse>
)"},
    {"C7 01 C1 00 01 01 0B", R"(
<ActionResponse>
  <ActionResponseNormal>
    <InvokeIdAndPriority Value="C1" />
    <Result Value="Success" />
    <ReturnParameters>
      <DataAccessError Value="ObjectUnavailable" />
    </ReturnParameters>
  </ActionResponseNormal>
</ActionResponse>
)"},
    {"C7 02 C1 00 00 00 00 01 01 AA", R"(
<ActionResponse>
  <ActionResponseWithPBlock>
    <InvokeIdAndPriority Value="C1" />
    <PBlock>
      <LastBlock Value="00" />
      <BlockNumber Value="00000001" />
      <RawData Value="AA" />
    </PBlock>
  </ActionResponseWithPBlock>
</ActionResponse>
)"},
    // One response without and one with return parameters.
    {"C7 03 C1 02 0F 00 02 01 01 0E", R"(
<ActionResponse>
  <ActionResponseWithList>
    <InvokeIdAndPriority Value="C1" />
    <ListOfSingleActionResponse Qty="0002" >
      <_SingleActionResponse>
        <Result Value="LongActionAborted" />
      </_SingleActionResponse>
      <_SingleActionResponse>
        <Result Value="TemporaryFailure" />
        <ReturnParameters>
          <DataAccessError Value="DataBlockUnavailable" />
        </ReturnParameters>
      </_SingleActionResponse>
    </ListOfSingleActionResponse>
  </ActionResponseWithList>
</ActionResponse>
)"},
    {"C7 04 C1 00 00 00 04", R"(
<ActionResponse>
  <ActionResponseForNextPBlock>
    <InvokeIdAndPriority Value="C1" />
    <BlockNumber Value="00000004" />
  </ActionResponseForNextPBlock>
</ActionResponse>
)"},
};

TEST(ActionService, RoundTrips) { ExpectRoundTrips(kRoundTrips); }

const TDecodeFailure kDecodeFailures[] = {
    {"C3 07 C1", "T_ActionRequest : illegal Tag 7", 3},
    {"C3 00", "T_ActionRequest : illegal Tag 0", 3},
    {"C7 05 C1", "T_ActionResponse : illegal Tag 5", 3},
    {"C7 00", "T_ActionResponse : illegal Tag 0", 3},
    {"C7 01 C1 00 01 02", "T_GetDataResult : illegal Tag 2", 7},
    {"C3 01 C1 00 46 00 00 60 03 0A FF 01 01", "Wrong encoding in pdu", 14},
    {"C3 03 C1 01 00 46 00 00 60 03 0A FF 01", "Wrong encoding in pdu", 14},
    {"C7 03 C1 01 00 01", "Wrong encoding in pdu", 7},
    // An action result without a name decodes; writing the XML fails.
    {"C7 01 C1 11 00", "T_ActionResult: case range", 6},
    {"C7 01 C1 05 00", "T_ActionResult: case range", 6},
    {"C7 03 C1 01 FF 00", "T_ActionResult: case range", 7},
};

TEST(ActionService, DecodeFailures) { ExpectDecodeFailures(kDecodeFailures); }

const TXmlCase kXmlCases[] = {
    // One single-action response without return parameters.
    {R"(<ActionResponse><ActionResponseWithList><InvokeIdAndPriority Value="C1" />
<ListOfSingleActionResponse Qty="0001"><_SingleActionResponse><Result Value="ReadWriteDenied" />
</_SingleActionResponse></ListOfSingleActionResponse></ActionResponseWithList></ActionResponse>)",
     "C7 03 C1 01 03 00", nullptr, 0},
    // Failures.
    {R"(<ActionRequest><ActionRequestWithListAndWithFirstPBlock>)", nullptr,
     "'ActionRequestWithListAndWithFirstPBlock' unknown identifier", 56},
    {R"(<ActionRequest><ActionResponseNormal>)", nullptr, "T_ActionRequest.CreateFromXml : illegal choice", 37},
    {R"(<ActionResponse><ActionRequestNormal>)", nullptr, "T_ActionResponse.CreateFromXml : illegal choice", 37},
    {R"(<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value="C1" />
<Result Value="LongGetOrReadAborted" />)",
     nullptr, "T_ActionResult: illegal element LongGetOrReadAborted", 113},
    {R"(<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value="C1" /><Result Value="Success" />
<ReturnParameters><Unsigned Value="01" />)",
     nullptr, "T_GetDataResult.CreateFromXml : illegal choice", 141},
    // The normal request's parameters are one Data value, not a list.
    {R"(<ActionRequest><ActionRequestNormal><InvokeIdAndPriority Value="C1" /><MethodDescriptor>
<ClassId Value="0046" /><InstanceId Value="000060030AFF" /><MethodId Value="01" /></MethodDescriptor>
<MethodInvocationParameters Qty="0002"><Integer Value="00" /><Integer Value="01" /></MethodInvocationParameters>)",
     nullptr, "Stop tag \"MethodInvocationParameters\" expected", 276},
};

TEST(ActionService, FromXml) { ExpectXmlCases(kXmlCases); }

TEST(ActionService, ResultNames) {
    // The action results share the access-result names where both have one;
    // 15 and 16 are their own, 17 to 19 have none.
    for (const vantrel::TEnumName& n : vantrel::T_ActionResult::kNames) {
        SCOPED_TRACE(n.Name);
        char octets[24];
        std::snprintf(octets, sizeof octets, "C7 01 C1 %02X 00", static_cast<unsigned>(n.Value));
        const vtest::TResult x = vtest::ToXml(octets);
        ASSERT_EQ(x.Code, 0) << x.Message;
        EXPECT_NE(x.Text.find("<Result Value=\"" + std::string(n.Name) + "\" />"), std::string::npos);
        EXPECT_EQ(vtest::ToPdu(x.Text).Text, vtest::Norm(octets));
    }
    EXPECT_EQ(vantrel::T_ActionResult::GetString(16), "NoLongActionInProgress");
    try {
        vantrel::T_ActionResult::GetString(17);
        ADD_FAILURE();
    } catch (const vantrel::EVantrelError& e) {
        EXPECT_STREQ(e.what(), "T_ActionResult: illegal enum value");
    }
}

}  // namespace
