// Confirmed service errors and exception responses through the entry points:
// every ServiceError kind and every name, exact messages and positions.
#include <gtest/gtest.h>

#include <span>

#include "TestSupport.h"
#include "VectorFile.h"
#include "xmlPdu/types/ServiceErrors.h"

namespace {

using namespace vantrel;
using namespace vtest;

TEST(ServiceErrors, Vectors) { vtest::ExpectVectors("service_errors"); }

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
