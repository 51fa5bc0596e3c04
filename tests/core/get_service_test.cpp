// The GET service through the entry points: every alternative of the request
// and the response, both result kinds, exact messages and positions.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "xmlPdu/types/AccessService.h"
#include "xmlPdu/types/ServiceErrors.h"

namespace {

using namespace vtest;

const TRoundTrip kRoundTrips[] = {
    {"C0 01 C1 00 08 00 00 01 00 00 FF 02 00", R"(
<GetRequest>
  <GetRequestNormal>
    <InvokeIdAndPriority Value="C1" />
    <AttributeDescriptor>
      <ClassId Value="0008" />
      <InstanceId Value="0000010000FF" />
      <AttributeId Value="02" />
    </AttributeDescriptor>
  </GetRequestNormal>
</GetRequest>
)"},
    {"C0 01 81 00 07 01 00 63 01 00 FF 02 01 02 12 00 05", R"(
<GetRequest>
  <GetRequestNormal>
    <InvokeIdAndPriority Value="81" />
    <AttributeDescriptor>
      <ClassId Value="0007" />
      <InstanceId Value="0100630100FF" />
      <AttributeId Value="02" />
    </AttributeDescriptor>
    <AccessSelection>
      <AccessSelector Value="02" />
      <AccessParameters>
        <LongUnsigned Value="0005" />
      </AccessParameters>
    </AccessSelection>
  </GetRequestNormal>
</GetRequest>
)"},
    {"C0 02 C1 00 00 00 05", R"(
<GetRequest>
  <GetRequestForNextDataBlock>
    <InvokeIdAndPriority Value="C1" />
    <BlockNumber Value="00000005" />
  </GetRequestForNextDataBlock>
</GetRequest>
)"},
    {"C0 03 C1 00", R"(
<GetRequest>
  <GetRequestWithList>
    <InvokeIdAndPriority Value="C1" />
    <AttributeDescriptorList Qty="0000" >
    </AttributeDescriptorList>
  </GetRequestWithList>
</GetRequest>
)"},
    {"C0 03 C1 02 00 08 00 00 01 00 00 FF 02 00 00 01 00 00 60 01 00 FF 02 01 00 00", R"(
<GetRequest>
  <GetRequestWithList>
    <InvokeIdAndPriority Value="C1" />
    <AttributeDescriptorList Qty="0002" >
      <_AttributeDescriptorWithSelection>
        <AttributeDescriptor>
          <ClassId Value="0008" />
          <InstanceId Value="0000010000FF" />
          <AttributeId Value="02" />
        </AttributeDescriptor>
      </_AttributeDescriptorWithSelection>
      <_AttributeDescriptorWithSelection>
        <AttributeDescriptor>
          <ClassId Value="0001" />
          <InstanceId Value="0000600100FF" />
          <AttributeId Value="02" />
        </AttributeDescriptor>
        <AccessSelection>
          <AccessSelector Value="00" />
          <AccessParameters>
            <NullData />
          </AccessParameters>
        </AccessSelection>
      </_AttributeDescriptorWithSelection>
    </AttributeDescriptorList>
  </GetRequestWithList>
</GetRequest>
)"},
    {"C4 01 C1 00 12 00 01", R"(
<GetResponse>
  <GetResponseNormal>
    <InvokeIdAndPriority Value="C1" />
    <Result>
      <Data>
        <LongUnsigned Value="0001" />
      </Data>
    </Result>
  </GetResponseNormal>
</GetResponse>
)"},
    {"C4 01 C1 01 04", R"(
<GetResponse>
  <GetResponseNormal>
    <InvokeIdAndPriority Value="C1" />
    <Result>
      <DataAccessError Value="ObjectUndefined" />
    </Result>
  </GetResponseNormal>
</GetResponse>
)"},
    {"C4 02 C1 01 00 00 00 01 00 03 0A 0B 0C", R"(
<GetResponse>
  <GetResponseWithDataBlock>
    <InvokeIdAndPriority Value="C1" />
    <Result>
      <LastBlock Value="01" />
      <BlockNumber Value="00000001" />
      <Result>
        <RawData Value="0A0B0C" />
      </Result>
    </Result>
  </GetResponseWithDataBlock>
</GetResponse>
)"},
    {"C4 02 C1 00 FF FF FF FF 01 0E", R"(
<GetResponse>
  <GetResponseWithDataBlock>
    <InvokeIdAndPriority Value="C1" />
    <Result>
      <LastBlock Value="00" />
      <BlockNumber Value="FFFFFFFF" />
      <Result>
        <DataAccessResult Value="DataBlockUnavailable" />
      </Result>
    </Result>
  </GetResponseWithDataBlock>
</GetResponse>
)"},
    {"C4 02 C1 01 00 00 00 02 00 00", R"(
<GetResponse>
  <GetResponseWithDataBlock>
    <InvokeIdAndPriority Value="C1" />
    <Result>
      <LastBlock Value="01" />
      <BlockNumber Value="00000002" />
      <Result>
        <RawData Value="" />
      </Result>
    </Result>
  </GetResponseWithDataBlock>
</GetResponse>
)"},
    // Data and access errors mixed in any order, each with its own octet.
    {"C4 03 C1 03 01 0B 00 11 05 01 FA", R"(
<GetResponse>
  <GetResponseWithList>
    <InvokeIdAndPriority Value="C1" />
    <Result Qty="0003" >
      <DataAccessError Value="ObjectUnavailable" />
      <Data>
        <Unsigned Value="05" />
      </Data>
      <DataAccessError Value="OtherReason" />
    </Result>
  </GetResponseWithList>
</GetResponse>
)"},
};

TEST(GetService, RoundTrips) { ExpectRoundTrips(kRoundTrips); }

const TDecodeFailure kDecodeFailures[] = {
    {"C0", "Wrong encoding in pdu", 2},
    {"C0 04", "T_GetRequest : illegal Tag 4", 3},
    {"C0 00", "T_GetRequest : illegal Tag 0", 3},
    {"C0 FF", "T_GetRequest : illegal Tag 255", 3},
    {"C4 00", "T_GetResponse : illegal Tag 0", 3},
    {"C4 04 C1", "T_GetResponse : illegal Tag 4", 3},
    {"C4 01 C1 02", "T_GetDataResult : illegal Tag 2", 5},
    {"C4 03 C1 02 00 11 05 05", "T_GetDataResult : illegal Tag 5", 9},
    {"C4 02 C1 01 00 00 00 01 02", "T_DataBlockGResult : illegal Tag 2", 10},
    // The presence octet 01 asks for a selector and a whole Data value.
    {"C0 01 C1 00 08 00 00 01 00 00 FF 02 01", "Wrong encoding in pdu", 14},
    {"C0 02 C1 00 00 00", "Wrong encoding in pdu", 7},
    {"C0 03 C1 02 00 08 00 00 01 00 00 FF 02 00", "Wrong encoding in pdu", 15},
    {"C0 03 C1 83 FF FF FF 00", "Wrong encoding in pdu", 9},  // a count far beyond the input
    {"C4 02 C1 01 00 00 00 01 00 05 0A 0B", "Wrong encoding in pdu", 11},
    {"C4 02 C1 01 00 00 00 01 00 84 00 00 00 01 00", "Unsupported integer length. (xmlPdu/INFRA/COSEMPduBase.cpp, line 208)",
     11},
    {"C4 01 C1 00 08", "T_Data : illegal Tag 8", 6},
    {"C4 01 C1 01 07", "T_DataAccessResult: case range", 6},
};

TEST(GetService, DecodeFailures) { ExpectDecodeFailures(kDecodeFailures); }

const TXmlCase kXmlCases[] = {
    // Letter case of names is free on input; Qty may be AUTO.
    {R"(<getrequest><GETREQUESTFORNEXTDATABLOCK><invokeidandpriority value="C1"/>
<blocknumber value="00000005"/></GETREQUESTFORNEXTDATABLOCK></getrequest>)",
     "C0 02 C1 00 00 00 05", nullptr, 0},
    {R"(<GetRequest><GetRequestWithList><InvokeIdAndPriority Value="C1" /><AttributeDescriptorList Qty="auto">
<_AttributeDescriptorWithSelection><AttributeDescriptor><ClassId Value="0008" /><InstanceId Value="0.0.1.0.0.255" />
<AttributeId Value="02" /></AttributeDescriptor></_AttributeDescriptorWithSelection>
</AttributeDescriptorList></GetRequestWithList></GetRequest>)",
     "C0 03 C1 01 00 08 00 00 01 00 00 FF 02 00", nullptr, 0},
    {R"(<GetResponse><GetResponseWithList><InvokeIdAndPriority Value="C1" /><Result Qty="AUTO">
<Data><NullData /></Data><DataAccessError Value="Success" /><Data><Boolean Value="01" /></Data>
</Result></GetResponseWithList></GetResponse>)",
     "C4 03 C1 03 00 00 01 00 00 03 01", nullptr, 0},
    // The raw data of a block takes any octet-string notation.
    {R"(<GetResponse><GetResponseWithDataBlock><InvokeIdAndPriority Value="C1" /><Result><LastBlock Value="00" />
<BlockNumber Value="00000001" /><Result><RawData Value="\AB" /></Result></Result></GetResponseWithDataBlock>
</GetResponse>)",
     "C4 02 C1 00 00 00 00 01 00 02 41 42", nullptr, 0},
    // Failures.
    {R"(<GetResponse><GetRequestNormal>)", nullptr, "T_GetResponse.CreateFromXml : illegal choice", 31},
    {R"(<GetRequest></GetRequest>)", nullptr, "T_GetRequest.CreateFromXml : illegal choice", 25},
    {R"(<GetRequest><GetResponseNormal>)", nullptr, "T_GetRequest.CreateFromXml : illegal choice", 31},
    {R"(<GetResponse><GetResponseNormal><InvokeIdAndPriority Value="C1" /><Result><NullData /></Result>)", nullptr,
     "T_GetDataResult.CreateFromXml : illegal choice", 86},
    {R"(<GetResponse><GetResponseWithDataBlock><InvokeIdAndPriority Value="C1" /><Result><LastBlock Value="00" />
<BlockNumber Value="00000001" /><Result><DataAccessError Value="Success" /></Result>)",
     nullptr, "T_DataBlockGResult.CreateFromXml : illegal choice", 182},
    {R"(<GetResponse><GetResponseNormal><InvokeIdAndPriority Value="C1" /><Result>
<DataAccessError Value="objectUndefined" /></Result>)",
     nullptr, "T_DataAccessResult: illegal element objectUndefined", 119},
    {R"(<GetRequest><GetRequestForNextDataBlock><InvokeIdAndPriority Value="C1" /><BlockNumber Value="0005" />)",
     nullptr, "Illegal data size, expected 4, found 2", 102},
    {R"(<GetRequest><GetRequestWithList><InvokeIdAndPriority Value="C1" /><AttributeDescriptorList Qty="0001">
</AttributeDescriptorList>)",
     nullptr, "ExpectedQty=1, ActualQty=0", 130},
    {R"(<GetRequest><GetRequestWithList><InvokeIdAndPriority Value="C1" /><AttributeDescriptorList>)", nullptr,
     "\"Qty\" expected", 91},
    // A missing end tag of the APDU itself.
    {R"(<GetRequest><GetRequestForNextDataBlock><InvokeIdAndPriority Value="C1" /><BlockNumber Value="00000005" />
</GetRequestForNextDataBlock>)",
     nullptr, "Stop tag \"GetRequest\" expected", 137},
};

TEST(GetService, FromXml) { ExpectXmlCases(kXmlCases); }

// The message of the failure that Call raises.
template <class TCall>
std::string FailureOf(TCall&& Call) {
    try {
        Call();
    } catch (const vantrel::EVantrelError& e) {
        return e.what();
    }
    return "no failure";
}

struct TVariantCase {
    std::string_view Name;
    vantrel::TXMLId OwnId;  // the identifier a choice made programmatically carries
    vantrel::TXMLId (*Make)(vantrel::TXMLId Alternative);  // the XMLId of the new choice
    vantrel::TXMLId Alternative;
};

template <class T>
vantrel::TXMLId MakeVariant(vantrel::TXMLId Alternative) {
    return T::CreateVariant(Alternative)->XMLId;
}

// Every service choice made from one of its alternatives, and refusing an
// identifier that is none of them.
TEST(ServiceChoices, CreateVariant) {
    using namespace vantrel;
    const TVariantCase cases[] = {
        {"T_GetRequest", xml_GetRequest, &MakeVariant<T_GetRequest>, xmlGetRequestWithList},
        {"T_GetResponse", xml_GetResponse, &MakeVariant<T_GetResponse>, xmlGetResponseNormal},
        {"T_GetDataResult", xml_GetDataResult, &MakeVariant<T_GetDataResult>, xmlDataAccessError},
        {"T_DataBlockGResult", xml_DataBlockGResult, &MakeVariant<T_DataBlockGResult>, xmlRawData},
        {"T_SetRequest", xml_SetRequest, &MakeVariant<T_SetRequest>, xmlSetRequestWithDataBlock},
        {"T_SetResponse", xml_SetResponse, &MakeVariant<T_SetResponse>, xmlSetResponseWithList},
        {"T_ActionRequest", xml_ActionRequest, &MakeVariant<T_ActionRequest>, xmlActionRequestWithListAndFirstPBlock},
        {"T_ActionResponse", xml_ActionResponse, &MakeVariant<T_ActionResponse>, xmlActionResponseForNextPBlock},
        {"T_AccessRequestSpecification", xml_AccessRequestSpecification, &MakeVariant<T_AccessRequestSpecification>,
         xmlAccessRequestSetWithSelection},
        {"T_AccessResponseSpecification", xml_AccessResponseSpecification,
         &MakeVariant<T_AccessResponseSpecification>, xmlAccessResponseAction},
        {"T_ServiceError", xml_ServiceError, &MakeVariant<T_ServiceError>, xmlOtherError},
    };
    for (const TVariantCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Make(c.Alternative), c.OwnId);
        EXPECT_EQ(FailureOf([&] { c.Make(xmlGetRequest); }), std::string(c.Name) + ".CreateVariant : illegal choice");
    }
    // An empty alternative of the right class, and a given one kept as it is.
    const auto block = T_DataBlockGResult::CreateVariant(xmlDataAccessResult);
    EXPECT_EQ(block->Tag, 1);
    EXPECT_TRUE(block->IsA<T_DataAccessResult>());
    EXPECT_EQ(block->Value->XMLId, xmlDataAccessResult);
    auto result = std::make_unique<T_DataAccessResult>(xmlDataAccessError);
    result->Value = 3;
    const auto chosen = T_GetDataResult::CreateVariant(xmlDataAccessError, std::move(result));
    std::string octets;
    chosen->EncodeToPduStr(octets);
    EXPECT_EQ(vtest::Hex(octets), "0103");
}

// Only the Data alternative of a read result has a data form.
TEST(ServiceChoices, DataForm) {
    using namespace vantrel;
    // The readers borrow their octets.
    const std::string nullOctets = vtest::Bytes("00 00 00"), errorOctets = vtest::Bytes("01 00"),
                      badOctets = vtest::Bytes("02 00"), requestOctets = vtest::Bytes("01 C1");
    TStringWrapper nullData(nullOctets);
    const T_GetDataResult result(xmlResult, nullData, DataForm);
    EXPECT_EQ(result.Tag, 0);
    EXPECT_TRUE(result.IsA<T_Data>());
    EXPECT_EQ(nullData.FIndex, 4);

    TStringWrapper accessError(errorOctets);
    EXPECT_EQ(FailureOf([&] { T_GetDataResult(xmlResult, accessError, DataForm); }),
              "T_DataAccessResult.CreateFromDataPduStr not implemented");
    TStringWrapper badTag(badOctets);
    EXPECT_EQ(FailureOf([&] { T_GetDataResult(xmlResult, badTag, DataForm); }), "T_GetDataResult : illegal Tag 2");
    TStringWrapper request(requestOctets);
    EXPECT_EQ(FailureOf([&] { T_GetRequest(xmlGetRequest, request, DataForm); }),
              "T_GetRequestNormal.CreateFromDataPduStr not implemented");
}

}  // namespace
