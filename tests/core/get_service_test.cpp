// The GET service through the entry points: every alternative of the request
// and the response, both result kinds, exact messages and positions.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "VectorFile.h"
#include "xmlPdu/types/AccessService.h"
#include "xmlPdu/types/ServiceErrors.h"

namespace {

using namespace vtest;

TEST(GetService, Vectors) { vtest::ExpectVectors("get_service"); }

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
