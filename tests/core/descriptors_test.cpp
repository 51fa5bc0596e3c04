// Identifiers, descriptors, selective access and the data-access result:
// through the entry points inside GET APDUs, and the element operations that
// no translation reaches (ranges, comparisons, names, defaults).
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "VectorFile.h"
#include "xmlPdu/types/Descriptors.h"

namespace {

using namespace vantrel;
using namespace vtest;

TEST(Descriptors, Vectors) { vtest::ExpectVectors("descriptors"); }

// A GET request for class 8, 0.0.1.0.0.255, attribute 2 with the given
// descriptor lines in place of the usual ones.
std::string GetRequestWith(const std::string& Descriptor, const std::string& After = "") {
    return "<GetRequest><GetRequestNormal><InvokeIdAndPriority Value=\"C1\" /><AttributeDescriptor>" + Descriptor +
           "</AttributeDescriptor>" + After + "</GetRequestNormal></GetRequest>";
}

const std::string kClassId = "<ClassId Value=\"0008\" />";
const std::string kInstanceId = "<InstanceId Value=\"0000010000FF\" />";
const std::string kAttributeId = "<AttributeId Value=\"02\" />";
const char* const kEncoded = "C0 01 C1 00 08 00 00 01 00 00 FF 02 00";

struct TDescriptorXml {
    std::string Text;
    const char* Octets;
    const char* Message;
    int Position;
};

const TDescriptorXml kDescriptorXml[] = {
    {GetRequestWith(kClassId + kInstanceId + kAttributeId), kEncoded, nullptr, 0},
    // Dotted decimal and backslash text on input.
    {GetRequestWith(kClassId + "<InstanceId Value=\"0.0.1.0.0.255\" />" + kAttributeId), kEncoded, nullptr, 0},
    {GetRequestWith("<ClassId Value=\"\\AB\" />" + kInstanceId + kAttributeId),
     "C0 01 C1 41 42 00 00 01 00 00 FF 02 00", nullptr, 0},
    {GetRequestWith(kClassId + kInstanceId + "<AttributeId Value=\"FF\" />"), "C0 01 C1 00 08 00 00 01 00 00 FF FF 00",
     nullptr, 0},
    // Sizes.
    {GetRequestWith("<ClassId Value=\"08\" />" + kInstanceId + kAttributeId), nullptr,
     "Illegal data size, expected 2, found 1", 107},
    {GetRequestWith("<ClassId Value=\"0.0.1.0.0.255\" />" + kInstanceId + kAttributeId), nullptr,
     "Illegal data size, expected 2, found 6", 118},
    {GetRequestWith(kClassId + "<InstanceId Value=\"00000100FF\" />" + kAttributeId), nullptr,
     "T_ObjectInstanceId: Illegal data size, expected 6, found 5", 142},
    {GetRequestWith(kClassId + kInstanceId + "<AttributeId Value=\"0102\" />"), nullptr,
     "Illegal data size, expected 1, found 2", 172},
    {"<GetRequest><GetRequestNormal><InvokeIdAndPriority Value=\"\" />", nullptr,
     "Illegal data size, expected 1, found 0", 62},
    // Malformed values.
    {GetRequestWith("<ClassId Value=\"00G8\" />" + kInstanceId + kAttributeId), nullptr, "Illegal hex-character",
     109},
    {GetRequestWith("<ClassId Value=\"008\" />" + kInstanceId + kAttributeId), nullptr,
     "HexStrToByteStr: Hex-character missing", 108},
    {GetRequestWith("<ClassId />" + kInstanceId + kAttributeId), nullptr, "\"Value\" expected", 96},
    // Fields out of order or missing.
    {GetRequestWith(kInstanceId + kClassId + kAttributeId), nullptr, "Start tag \"ClassId\" expected", 120},
    {GetRequestWith(kClassId + kInstanceId), nullptr, "Start tag \"AttributeId\" expected", 166},
    {GetRequestWith(kClassId + kInstanceId + kAttributeId + "<MethodId Value=\"01\" />"), nullptr,
     "Stop tag \"AttributeDescriptor\" expected", 193},
};

TEST(Descriptors, FromXml) {
    for (const TDescriptorXml& c : kDescriptorXml) {
        SCOPED_TRACE(c.Text);
        const vtest::TResult r = vtest::ToPdu(c.Text);
        if (c.Octets) {
            EXPECT_EQ(r.Code, 0) << r.Message;
            EXPECT_EQ(r.Text, vtest::Norm(c.Octets));
        } else {
            EXPECT_EQ(r.Code, 1);
            EXPECT_EQ(r.Message, c.Message);
            EXPECT_EQ(r.Position, c.Position);
        }
    }
}

TEST(Descriptors, SelectionPresence) {
    // Any non-zero presence octet reads as present and is written back as 01.
    const vtest::TResult x = vtest::ToXml("C0 01 C1 00 08 00 00 01 00 00 FF 02 02 05 11 07");
    ASSERT_EQ(x.Code, 0) << x.Message;
    EXPECT_NE(x.Text.find("<AccessSelector Value=\"05\" />"), std::string::npos);
    EXPECT_EQ(vtest::ToPdu(x.Text).Text, vtest::Norm("C0 01 C1 00 08 00 00 01 00 00 FF 02 01 05 11 07"));

    // That the selector does not steer the parameters: descriptors.txt.
}

TEST(Descriptors, DataAccessResultNames) {
    // Every name round-trips; names are matched exactly.
    for (const TEnumName& n : T_DataAccessResult::kNames) {
        SCOPED_TRACE(n.Name);
        char octets[16];
        std::snprintf(octets, sizeof octets, "C5 01 C1 %02X", static_cast<unsigned>(n.Value));
        const vtest::TResult x = vtest::ToXml(octets);
        ASSERT_EQ(x.Code, 0) << x.Message;
        EXPECT_NE(x.Text.find("<Result Value=\"" + std::string(n.Name) + "\" />"), std::string::npos);
        EXPECT_EQ(vtest::ToPdu(x.Text).Text, vtest::Norm(octets));
        EXPECT_EQ(T_DataAccessResult::GetString(n.Value), n.Name);
    }
    const vtest::TResult r = vtest::ToPdu(
        "<SetResponse><SetResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result Value=\"success\" />"
        "</SetResponseNormal></SetResponse>");
    EXPECT_EQ(r.Message, "T_DataAccessResult: illegal element success");
    EXPECT_EQ(r.Position, 92);
    try {
        T_DataAccessResult::GetString(5);
        ADD_FAILURE();
    } catch (const EVantrelError& e) {
        EXPECT_STREQ(e.what(), "T_DataAccessResult: illegal enum value");
    }
    auto decoded = MakeAnyFromPdu<T_DataAccessResult>(xmlResult, vtest::Bytes("13"));
    EXPECT_EQ(decoded->GetString(), "DataBlockNumberInvalid");
}

// The message of the failure that Call raises.
template <class TCall>
std::string FailureOf(TCall&& Call) {
    try {
        Call();
    } catch (const EVantrelError& e) {
        return e.what();
    }
    return "no failure";
}

TEST(Descriptors, RangesAndComparisons) {
    const auto attributeFF = MakeAnyFromPdu<T_ObjectAttributeId>(xmlAttributeId, vtest::Bytes("FF"));
    EXPECT_EQ(attributeFF->Value, -1);
    EXPECT_TRUE(attributeFF->CheckRange(-1, 0));
    EXPECT_FALSE(attributeFF->CheckRange(0, 127));
    const auto invokeFF = MakeAnyFromPdu<T_InvokeIdAndPriority>(xmlInvokeIdAndPriority, vtest::Bytes("FF"));
    EXPECT_FALSE(invokeFF->CheckRange(0, 200));
    EXPECT_TRUE(invokeFF->CheckRange(0, 255));
    const auto classFFFF = MakeAnyFromPdu<T_ClassId>(xmlClassId, vtest::Bytes("FF FF"));
    EXPECT_TRUE(classFFFF->CheckRange(0, 65535));
    EXPECT_FALSE(classFFFF->CheckRange(-1, 0));
    const auto longFF = MakeAnyFromPdu<T_LongInvokeIdAndPriority>(xmlLongInvokeIdAndPriority, vtest::Bytes("FFFFFFFF"));
    EXPECT_TRUE(longFF->CheckRange(0, -1));  // as unsigned: 0 to FFFFFFFF
    EXPECT_FALSE(longFF->CheckRange(0, 0x7FFFFFFF));

    // +1 when the argument is greater, signed for the indexes.
    const auto method01 = MakeAnyFromPdu<T_ObjectMethodId>(xmlMethodId, vtest::Bytes("01"));
    const auto method80 = MakeAnyFromPdu<T_ObjectMethodId>(xmlMethodId, vtest::Bytes("80"));
    EXPECT_EQ(method80->CompareTo(*method01), 1);
    EXPECT_EQ(method01->CompareTo(*method80), -1);
    EXPECT_EQ(method01->CompareTo(*method01), 0);
    const auto invoke01 = MakeAnyFromPdu<T_InvokeIdAndPriority>(xmlInvokeIdAndPriority, vtest::Bytes("01"));
    EXPECT_EQ(invoke01->CompareTo(*invokeFF), 1);

    EXPECT_EQ(FailureOf([&] { invoke01->CompareTo(*method01); }), "T_InvokeIdAndPriority.CompareTo illegal type");
    EXPECT_EQ(FailureOf([&] { classFFFF->CompareTo(*method01); }), "T_ClassId.CompareTo illegal type");
    EXPECT_EQ(FailureOf([&] { attributeFF->CompareTo(*method01); }), "T_ObjectAttributeId.CompareTo illegal type");
    EXPECT_EQ(FailureOf([&] { method01->CompareTo(*attributeFF); }), "T_ObjectMethodId.CompareTo illegal type");
    EXPECT_EQ(FailureOf([&] { longFF->CompareTo(*invoke01); }), "T_LongInvokeIdAndPriority.CompareTo illegal type");
}

TEST(Descriptors, OperationsWithoutMeaning) {
    const auto descriptor =
        MakeAnyFromPdu<T_AttributeDescriptor>(xmlAttributeDescriptor, vtest::Bytes("00 08 00 00 01 00 00 FF 02"));
    EXPECT_EQ(FailureOf([&] { descriptor->CompareTo(*descriptor); }), "T_AttributeDescriptor.CompareTo is not implemented");
    EXPECT_EQ(FailureOf([&] { descriptor->CheckRange(0, 1); }), "T_AttributeDescriptor.CheckRange is not implemented");
    std::string octets;
    EXPECT_EQ(FailureOf([&] { descriptor->EncodeToDataPduStr(octets); }), "T_AttributeDescriptor.DataTag not implemented");
    const auto result = MakeAnyFromPdu<T_DataAccessResult>(xmlResult, vtest::Bytes("00"));
    EXPECT_EQ(FailureOf([&] { result->CompareTo(*result); }), "T_DataAccessResult.CompareTo is not implemented");
}

TEST(Descriptors, DefaultsAndCopies) {
    // Made empty: numbers 0, no logical name yet, no selection.
    const T_AttributeDescriptorWithSelection empty(xml_AttributeDescriptorWithSelection);
    EXPECT_EQ(empty.AttributeDescriptor().ClassId().Value, 0);
    EXPECT_EQ(empty.AttributeDescriptor().InstanceId().Value, "");
    EXPECT_EQ(empty.AccessSelection(), nullptr);
    std::string octets;
    EXPECT_EQ(FailureOf([&] { empty.EncodeToPduStr(octets); }),
              "T_ObjectInstanceId: Illegal data size, expected 6, found 0");
    const T_SelectiveAccessDescriptor selection(xmlAccessSelection);
    EXPECT_EQ(FailureOf([&] { selection.ToXMLString(); }), "T_Data : no alternative selected");

    // A copy is deep and keeps an absent selection absent.
    const auto withSelection = MakeAnyFromPdu<T_AttributeDescriptorWithSelection>(
        xmlIgnore, vtest::Bytes("00 07 01 00 63 01 00 FF 02 01 01 11 05"));
    const auto withoutSelection = MakeAnyFromPdu<T_AttributeDescriptorWithSelection>(
        xmlIgnore, vtest::Bytes("00 07 01 00 63 01 00 FF 02 00"));
    const TElementPtr copy = withSelection->Clone();
    EXPECT_TRUE(copy->IsEqual(*withSelection));
    ASSERT_NE(static_cast<const T_AttributeDescriptorWithSelection&>(*copy).AccessSelection(), nullptr);
    EXPECT_NE(static_cast<const T_AttributeDescriptorWithSelection&>(*copy).AccessSelection(),
              withSelection->AccessSelection());
    const TElementPtr copyWithout = withoutSelection->Clone();
    EXPECT_EQ(static_cast<const T_AttributeDescriptorWithSelection&>(*copyWithout).AccessSelection(), nullptr);
    EXPECT_EQ(copyWithout->PDUSize(), 10);
    EXPECT_EQ(withSelection->AccessSelection()->AccessSelector().Value, 1);
}

}  // namespace
