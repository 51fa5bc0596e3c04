// Confirmed service errors and exception responses through the entry points:
// every ServiceError kind and every name, exact messages and positions.
#include <gtest/gtest.h>

#include <span>

#include "TestSupport.h"
#include "xmlPdu/types/ServiceErrors.h"

namespace {

using namespace vantrel;
using namespace vtest;

const TRoundTrip kRoundTrips[] = {
    {"0E 01 06 01", R"(
<ConfirmedServiceError>
  <Service Value="01" />
  <ServiceError>
    <Initiate Value="DlmsVersionTooLow" />
  </ServiceError>
</ConfirmedServiceError>
)"},
    {"0E 06 0A FF", R"(
<ConfirmedServiceError>
  <Service Value="06" />
  <ServiceError>
    <OtherError Value="FF" />
  </ServiceError>
</ConfirmedServiceError>
)"},
    {"D8 01 02", R"(
<ExceptionResponse>
  <StateError Value="ServiceNotAllowed" />
  <ServiceError Value="ServiceNotSupported" />
</ExceptionResponse>
)"},
};

TEST(ServiceErrors, RoundTrips) { ExpectRoundTrips(kRoundTrips); }

struct TKind {
    int Tag;
    const char* Element;
    std::span<const TEnumName> Names;
};

// Every kind of ServiceError with every one of its names.
TEST(ServiceErrors, EveryKindAndName) {
    const TKind kinds[] = {
        {0, "ApplicationReference", T_ApplicationReference::kNames},
        {1, "HardwareResource", T_HardwareResource::kNames},
        {2, "VdeStateError", T_VdeStateError::kNames},
        {3, "Service", T_Service::kNames},
        {4, "Definition", T_Definition::kNames},
        {5, "Access", T_Access::kNames},
        {6, "Initiate", T_Initiate::kNames},
        {7, "LoadDataSet", T_LoadDataSet::kNames},
        {9, "Task", T_Task::kNames},
    };
    for (const TKind& k : kinds) {
        for (const TEnumName& n : k.Names) {
            char octets[16];
            std::snprintf(octets, sizeof octets, "0E 05 %02X %02X", k.Tag, static_cast<unsigned>(n.Value));
            SCOPED_TRACE(octets);
            vtest::ExpectRoundTrip(octets, "<ConfirmedServiceError>\r\n  <Service Value=\"05\" />\r\n  <ServiceError>\r\n    <" +
                                               std::string(k.Element) + " Value=\"" + std::string(n.Name) +
                                               "\" />\r\n  </ServiceError>\r\n</ConfirmedServiceError>\r\n");
        }
    }
    for (const TEnumName& state : T_ExceptionStateError::kNames) {
        for (const TEnumName& service : T_ExceptionServiceError::kNames) {
            char octets[16];
            std::snprintf(octets, sizeof octets, "D8 %02X %02X", static_cast<unsigned>(state.Value),
                          static_cast<unsigned>(service.Value));
            SCOPED_TRACE(octets);
            vtest::ExpectRoundTrip(octets, "<ExceptionResponse>\r\n  <StateError Value=\"" + std::string(state.Name) +
                                               "\" />\r\n  <ServiceError Value=\"" + std::string(service.Name) +
                                               "\" />\r\n</ExceptionResponse>\r\n");
        }
    }
}

const TDecodeFailure kDecodeFailures[] = {
    {"0E 05 08 00", "T_ServiceError : illegal Tag 8", 4},
    {"0E 05 0B 00", "T_ServiceError : illegal Tag 11", 4},
    {"0E 05", "Wrong encoding in pdu", 3},
    {"0E 05 06", "Wrong encoding in pdu", 4},
    {"D8 01", "Wrong encoding in pdu", 3},
    // Octets without a name decode; writing the XML fails.
    {"0E 01 00 07", "T_ApplicationReference: case range", 5},
    {"0E 01 01 05", "T_HardwareResource: case range", 5},
    {"0E 01 02 05", "T_VdeStateError: case range", 5},
    {"0E 01 03 03", "T_Service: case range", 5},
    {"0E 01 04 04", "T_Definition: case range", 5},
    {"0E 01 05 05", "T_Access: case range", 5},
    {"0E 01 06 05", "T_Initiate: case range", 5},
    {"0E 01 07 08", "T_LoadDataSet: case range", 5},
    {"0E 01 09 05", "T_Task: case range", 5},
    {"D8 00 01", "T_ExceptionStateError: case range", 4},
    {"D8 01 07", "T_ExceptionServiceError: case range", 4},
    {"D8 01 00", "T_ExceptionServiceError: case range", 4},
};

TEST(ServiceErrors, DecodeFailures) { ExpectDecodeFailures(kDecodeFailures); }

const TXmlCase kXmlCases[] = {
    // An invocation-counter error is the two octets and nothing after them.
    {R"(<ExceptionResponse><StateError Value="ServiceUnknown" /><ServiceError Value="InvocationCounterError" />
</ExceptionResponse>)",
     "D8 02 06", nullptr, 0},
    {R"(<ConfirmedServiceError><Service Value="0E" /><ServiceError><VdeStateError Value="StatusNochange" />
</ServiceError></ConfirmedServiceError>)",
     "0E 0E 02 03", nullptr, 0},
    {R"(<ConfirmedServiceError><Service Value="01" /><ServiceError><OtherError Value="\A" /></ServiceError>
</ConfirmedServiceError>)",
     "0E 01 0A 41", nullptr, 0},
    // Failures.
    {R"(<ConfirmedServiceError><Service Value="01" /><ServiceError><VdeStateError Value="statusNochange" />)",
     nullptr, "T_VdeStateError: illegal element statusNochange", 99},
    {R"(<ConfirmedServiceError><Service Value="01" /><ServiceError><VdeStateError Value="StatusNoChange" />)",
     nullptr, "T_VdeStateError: illegal element StatusNoChange", 99},
    {R"(<ConfirmedServiceError><Service Value="01" /><ServiceError><StateError Value="ServiceUnknown" />)", nullptr,
     "T_ServiceError.CreateFromXml : illegal choice", 96},
    {R"(<ConfirmedServiceError><Service Value="01" /><Initiate Value="Other" />)", nullptr,
     "Start tag \"ServiceError\" expected", 71},
    {R"(<ConfirmedServiceError><Service Value="01" /><ServiceError><OtherError Value="0102" />)", nullptr,
     "Illegal data size, expected 1, found 2", 86},
    {R"(<ConfirmedServiceError><Service Value="01" /><ServiceError><Task Value="Other" /><Task Value="Other" />)",
     nullptr, "Stop tag \"ServiceError\" expected", 103},
    {R"(<ExceptionResponse><StateError Value="ServiceNotSupported" />)", nullptr,
     "T_ExceptionStateError: illegal element ServiceNotSupported", 61},
    {R"(<ExceptionResponse><StateError Value="ServiceUnknown" /><ServiceError Value="ServiceUnknown" />)", nullptr,
     "T_ExceptionServiceError: illegal element ServiceUnknown", 95},
};

TEST(ServiceErrors, FromXml) { ExpectXmlCases(kXmlCases); }

TEST(ServiceErrors, ElementOperations) {
    // A choice made programmatically carries its own type identifier.
    const auto task = T_ServiceError::CreateVariant(xmlTask);
    EXPECT_EQ(task->XMLId, xml_ServiceError);
    EXPECT_EQ(task->Tag, 9);
    EXPECT_TRUE(task->IsA<T_Task>());
    std::string octets;
    task->EncodeToPduStr(octets);
    EXPECT_EQ(vtest::Hex(octets), "0900");
    try {
        T_ServiceError::CreateVariant(xmlStateError);
        ADD_FAILURE();
    } catch (const EVantrelError& e) {
        EXPECT_STREQ(e.what(), "T_ServiceError.CreateVariant : illegal choice");
    }

    // The other error compares as an unsigned octet.
    const auto low = MakeAnyFromPdu<T_OtherError>(xmlOtherError, vtest::Bytes("01"));
    const auto high = MakeAnyFromPdu<T_OtherError>(xmlOtherError, vtest::Bytes("FF"));
    EXPECT_EQ(low->CompareTo(*high), 1);
    EXPECT_EQ(high->CompareTo(*low), -1);
    EXPECT_TRUE(high->CheckRange(200, 255));
    EXPECT_FALSE(high->CheckRange(-1, 127));
    try {
        low->CompareTo(*task);
        ADD_FAILURE();
    } catch (const EVantrelError& e) {
        EXPECT_STREQ(e.what(), "T_OtherError.CompareTo illegal type");
    }

    EXPECT_EQ(T_LoadDataSet::GetString(7), "DataSetNotReady");
    EXPECT_EQ(T_ExceptionServiceError::GetString(6), "InvocationCounterError");
    try {
        T_ExceptionStateError::GetString(0);
        ADD_FAILURE();
    } catch (const EVantrelError& e) {
        EXPECT_STREQ(e.what(), "T_ExceptionStateError: illegal enum value");
    }

    // A deep copy of a whole APDU.
    const auto error = MakeAnyFromPdu<T_ConfirmedServiceError>(xmlConfirmedServiceError, vtest::Bytes("01 06 01"));
    const TElementPtr copy = error->Clone();
    EXPECT_TRUE(copy->IsEqual(*error));
    EXPECT_EQ(copy->ToXMLString(), error->ToXMLString());
    EXPECT_NE(&static_cast<const T_ConfirmedServiceError&>(*copy).ServiceError(), &error->ServiceError());
    EXPECT_EQ(error->Service().Value, 1);
}

}  // namespace
