// The element contract: lengths, names, copies, comparisons, the data form
// and the class operations, on the Data value classes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestSupport.h"
#include "xmlPdu/types/COSEMpdu.h"
#include "xmlPdu/types/Data.h"

using namespace vantrel;

namespace {

template <class F>
std::string FailureOf(F&& f) {
    try {
        f();
    } catch (const EVantrelError& e) {
        return e.Message();
    }
    return "(no failure)";
}

TEST(ElementBase, VariableLengthIntegerEncoding) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "00"},         {127, "7F"},         {128, "8180"},         {255, "81FF"},
        {256, "820100"},   {65535, "82FFFF"},   {65536, "83010000"},   {16777215, "83FFFFFF"},
    };
    for (const auto& [value, hex] : cases) {
        std::string s;
        TCOSEMPduBase::EncodeVarLengthUnsignedInteger(s, value);
        EXPECT_EQ(vtest::Hex(s), hex) << value;
        TStringWrapper r(s);
        EXPECT_EQ(TCOSEMPduBase::DecodeVarLengthUnsignedInteger(r), static_cast<uint32_t>(value));
    }
    std::string s;
    EXPECT_EQ(FailureOf([&] { TCOSEMPduBase::EncodeVarLengthUnsignedInteger(s, 16777216); }),
              "Coding of variable-length integer 16777216 not implemented");
    EXPECT_EQ(FailureOf([&] { TCOSEMPduBase::EncodeLength(s, 16777216); }),
              "Coding of variable-length integer 16777216 not implemented");
}

TEST(ElementBase, VariableLengthIntegerDecoding) {
    const std::pair<const char*, uint32_t> accepted[] = {{"81 05", 5}, {"82 00 05", 5}, {"83 01 02 03", 0x010203}};
    for (const auto& [hex, value] : accepted) {
        const std::string octets = vtest::Bytes(hex);
        TStringWrapper r(octets);
        EXPECT_EQ(TCOSEMPduBase::DecodeVarLengthUnsignedInteger(r), value) << hex;
    }
    for (const char* hex : {"80", "84 00 00 01 00", "FF"}) {
        const std::string octets = vtest::Bytes(hex);
        TStringWrapper r(octets);
        EXPECT_EQ(FailureOf([&] { TCOSEMPduBase::DecodeVarLengthUnsignedInteger(r); }),
                  "Unsupported integer length. (xmlPdu/INFRA/COSEMPduBase.cpp, line 208)")
            << hex;
    }
}

TEST(ElementBase, FriendlyName) {
    EXPECT_EQ(TCOSEMPduBase::FriendlyNameOf("T_GetRequest"), "GetRequest");
    EXPECT_EQ(TCOSEMPduBase::FriendlyNameOf("TChoice"), "TChoice");
    EXPECT_EQ(TCOSEMPduBase::FriendlyNameOf("_T_X"), "T_X");
    EXPECT_EQ(T_Unsigned16(xmlLongUnsigned).FriendlyName(), "Unsigned16");
}

TEST(ElementBase, EqualType) {
    EXPECT_TRUE(T_Unsigned8(xmlUnsigned, 1).EqualType(T_Unsigned8(xmlDeltaUnsigned, 2)));
    EXPECT_FALSE(T_Unsigned8(xmlUnsigned).EqualType(T_Integer8(xmlInteger)));
    auto a = MakeAnyFromPdu<T_Data>(xmlIgnore, vtest::Bytes("02 02 11 01 12 00 02"));
    auto b = MakeAnyFromPdu<T_Data>(xmlIgnore, vtest::Bytes("02 02 11 09 12 FF FF"));
    auto c = MakeAnyFromPdu<T_Data>(xmlIgnore, vtest::Bytes("02 02 12 00 09 11 01"));
    auto d = MakeAnyFromPdu<T_Data>(xmlIgnore, vtest::Bytes("01 02 11 01 12 00 02"));
    EXPECT_TRUE(a->EqualType(*b));
    EXPECT_FALSE(a->EqualType(*c));  // members in another order
    EXPECT_FALSE(a->EqualType(*d));  // array against structure
}

TEST(ElementBase, CloneIsDeepAndIndependent) {
    const std::string octets = vtest::Bytes("02 02 09 03 61 62 63 01 01 13 01 00 02 11 02 01 02");
    auto original = MakeAnyFromPdu<T_Data>(xmlIgnore, octets);
    TElementPtr copy = original->Clone();
    EXPECT_EQ(copy->ClassName(), "T_Data");
    const std::string xml = original->ToXMLString();
    original.reset();
    std::string encoded;
    copy->EncodeToPduStr(encoded);
    EXPECT_EQ(encoded, octets);
    EXPECT_EQ(copy->ToXMLString(), xml);
}

TEST(ElementBase, EmitTagAttrLine) {
    TScriptStream s(2);
    TCOSEMPduBase::EmitTagAttrLine(s, xmlUnsigned, xmlValue, "0A");
    EXPECT_EQ(s.AsString(), "    <Unsigned Value=\"0A\" />\r\n");
}

TEST(ElementBase, OperationsWithoutBody) {
    const T_Data data(xmlData);
    EXPECT_EQ(FailureOf([&] { data.CheckRange(0, 1); }), "T_Data.CheckRange is not implemented");
    EXPECT_EQ(FailureOf([&] { data.CompareTo(data); }), "T_Data.CompareTo is not implemented");
    EXPECT_EQ(FailureOf([&] { data.DataTag(); }), "T_Data.DataTag not implemented");
    const T_Unsigned16 u(xmlLongUnsigned);
    std::string s;
    EXPECT_EQ(FailureOf([&] { u.EncodeToDataPduStr(s); }), "T_Unsigned16.EncodeToDataPduStr not implemented");
    auto compact = T_Data::CreateVariant(xmlCompactArray);
    EXPECT_EQ(FailureOf([&] { compact->EncodeToDataPduStr(s); }), "T_CompactArray.DataTag not implemented");
}

TEST(ElementBase, CheckRange) {
    EXPECT_TRUE(T_Integer8(xmlInteger, -128).CheckRange(-128, 127));
    EXPECT_TRUE(T_Integer8(xmlInteger, 127).CheckRange(-128, 127));
    EXPECT_TRUE(T_Unsigned32(xmlDoubleLongUnsigned, 0).CheckRange(-1, 10));
    EXPECT_FALSE(T_Unsigned32(xmlDoubleLongUnsigned, 0xFFFFFFFF).CheckRange(-1, 10));
    EXPECT_TRUE(T_Boolean(xmlBoolean, 200).CheckRange(0, 255));
    EXPECT_FALSE(T_Boolean(xmlBoolean, 200).CheckRange(0, 1));
    EXPECT_TRUE(T_Unsigned64(xmlLong64Unsigned, -1).CheckRange(-1, 0));  // first octet 80 or more is negative
    EXPECT_TRUE(T_Integer64(xmlLong64, 5).CheckRange(5, 5));
    EXPECT_TRUE(T_Float32(xmlFloat32, std::numeric_limits<float>::quiet_NaN()).CheckRange(0, 0));
    EXPECT_TRUE(T_Float64(xmlFloat64, 1.5).CheckRange(1, 2));
    EXPECT_FALSE(T_Float64(xmlFloat64, 2.5).CheckRange(1, 2));
}

TEST(ElementBase, CompareToHasTheReversedSign) {
    EXPECT_EQ(T_Integer8(xmlInteger, 1).CompareTo(T_Integer8(xmlInteger, 2)), 1);
    EXPECT_EQ(T_Integer8(xmlInteger, 2).CompareTo(T_Integer8(xmlInteger, 1)), -1);
    EXPECT_EQ(T_Integer8(xmlInteger, 2).CompareTo(T_Integer8(xmlDeltaInteger, 2)), 0);
    EXPECT_EQ(FailureOf([] { T_Integer8(xmlInteger).CompareTo(T_Unsigned8(xmlUnsigned)); }),
              "T_Integer8.CompareTo illegal type");
    EXPECT_EQ(T_Unsigned64(xmlLong64Unsigned, -1).CompareTo(T_Unsigned64(xmlLong64Unsigned, 1)), 1);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(T_Float32(xmlFloat32, nan).CompareTo(T_Float32(xmlFloat32, nan)), 1);
    const T_OctetString a(xmlOctetString, "ab"), b(xmlOctetString, "abc");
    EXPECT_EQ(a.CompareTo(b), 1);  // a proper prefix is smaller
    EXPECT_EQ(b.CompareTo(a), -1);
    EXPECT_EQ(a.CompareTo(T_VisibleString(xmlVisibleString, "ab")), 0);
    EXPECT_EQ(FailureOf([&] { a.CompareTo(T_Unsigned8(xmlUnsigned)); }), "TOctetString.CompareTo illegal type");
}

TEST(ElementBase, IsEqualAndPduSize) {
    auto a = MakeAnyFromPdu<T_Data>(xmlIgnore, vtest::Bytes("09 02 01 02"));
    auto b = MakeAnyFromXml<T_Data>(xmlIgnore, "<OctetString Value=\"0102\" />");
    EXPECT_TRUE(a->IsEqual(*b));
    EXPECT_EQ(a->PDUSize(), 4);
    EXPECT_FALSE(a->IsEqual(*MakeAnyFromPdu<T_Data>(xmlIgnore, vtest::Bytes("09 02 01 03"))));
}

TEST(ElementBase, CleanRewritesInCanonicalForm) {
    EXPECT_EQ(Clean<T_Data>(xmlData, "<data><octetstring value='616263'/></data>"),
              vtest::Xml(R"(
<Data>
  <OctetString Value="\abc" />
</Data>
)"));
}

TEST(ElementBase, ToStringListAndAddXmlToLines) {
    auto a = MakeAnyFromPdu<T_Data>(xmlData, vtest::Bytes("01 01 11 05"));
    EXPECT_EQ(a->ToStringList(1),
              (std::vector<std::string>{"  <Data>", "    <Array Qty=\"0001\" >", "      <Unsigned Value=\"05\" />",
                                        "    </Array>", "  </Data>"}));
    std::vector<std::string> lines{"first"};
    a->AddXmlToLines(3, lines);  // indent 3 / 2 = 1 level
    EXPECT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], "  <Data>");
}

TEST(ElementBase, CreateVariant) {
    auto v = T_Data::CreateVariant(xmlLongUnsigned);
    EXPECT_EQ(v->XMLId, xml_Data);
    EXPECT_EQ(v->Tag, 0x12);
    std::string s;
    v->EncodeToPduStr(s);
    EXPECT_EQ(vtest::Hex(s), "120000");

    auto given = T_Data::CreateVariant(xmlUnsigned, std::make_unique<T_Unsigned8>(xmlUnsigned, 7));
    s.clear();
    given->EncodeToPduStr(s);
    EXPECT_EQ(vtest::Hex(s), "1107");

    EXPECT_EQ(FailureOf([] { T_Data::CreateVariant(xmlSelector); }), "T_Data.CreateVariant : illegal choice");
    EXPECT_EQ(FailureOf([] { T_TypeDescription::CreateVariant(xmlCompactArray); }),
              "T_TypeDescription.CreateVariant : illegal choice");
    EXPECT_EQ(FailureOf([] { T_COSEMpdu::CreateVariant(xmlUnsigned); }), "T_COSEMpdu.CreateVariant : illegal choice");
    EXPECT_EQ(T_COSEMpdu::CreateVariant(xmlData)->XMLId, xmlIgnore);

    // Empty shells: a fixed-size string without octets, a description without alternative.
    s.clear();
    EXPECT_EQ(FailureOf([&] { T_Data::CreateVariant(xmlDateTime)->EncodeToPduStr(s); }),
              "T_DateTime: Illegal data size, expected 12, found 0");
    EXPECT_EQ(FailureOf([&] { T_Data::CreateVariant(xmlCompactArray)->EncodeToPduStr(s); }),
              "T_TypeDescription : no alternative selected");
    auto arrayType = T_TypeDescription::CreateVariant(xmlArray);
    EXPECT_EQ(arrayType->XMLId, xml_TypeDescription);
    EXPECT_EQ(FailureOf([&] { arrayType->ToXMLString(); }), "T_TypeDescription : no alternative selected");
}

TEST(ElementBase, DataForm) {
    // Encoding: the alternative's Data tag and its members in data form.
    auto array = MakeAnyFromPdu<T_Data>(xmlIgnore, vtest::Bytes("01 02 00 04 03 A0"));
    std::string s;
    array->EncodeToDataPduStr(s);
    EXPECT_EQ(vtest::Hex(s), "010200" "0403A0");
    auto structure = MakeAnyFromPdu<T_Data>(xmlIgnore, vtest::Bytes("02 01 00"));
    s.clear();
    structure->EncodeToDataPduStr(s);
    EXPECT_EQ(vtest::Hex(s), "020100");

    // Decoding: every member repeats its Data tag.
    const std::string octets = vtest::Bytes("01 01 02 00 00 04 04 03 A0");
    TStringWrapper r(octets);
    const T_Data decoded(xmlIgnore, r, DataForm);
    EXPECT_EQ(decoded.Tag, 1);
    EXPECT_EQ(r.GetRemainingBytes(), 0);
    const auto& list = static_cast<const T_Array&>(*decoded.Value);
    ASSERT_EQ(list.ElementCount(), 2);
    EXPECT_EQ(static_cast<const T_Data&>(list.GetElements(1)).Value->ToXMLString(), "<BitString Value=\"101\" />\r\n");

    const std::string scalar = vtest::Bytes("11 05");
    TStringWrapper r2(scalar);
    EXPECT_EQ(FailureOf([&] { T_Data(xmlIgnore, r2, DataForm); }), "T_Unsigned8.CreateFromDataPduStr not implemented");
    const std::string wrongTag = vtest::Bytes("01 02 00");
    TStringWrapper r3(wrongTag);
    EXPECT_EQ(FailureOf([&] { T_Structure(xmlStructure, r3, DataForm); }), "Byte[1]:, expected 0x02 found 0x01");
    const std::string typeDescription = vtest::Bytes("01 00 02 11");
    TStringWrapper r4(typeDescription);
    EXPECT_EQ(FailureOf([&] { T_TypeDescription(xmlIgnore, r4, DataForm); }),
              "T_ArrayTypeDescription.CreateFromDataPduStr not implemented");
}

TEST(ElementBase, NullElements) {
    const T_NullData n(xmlSuccess);
    EXPECT_EQ(n.ToXMLString(), "<Success />\r\n");
    std::string s;
    n.EncodeToPduStr(s);
    EXPECT_EQ(s, "");
    n.EncodeToDataPduStr(s);
    EXPECT_EQ(vtest::Hex(s), "00");
}

TEST(ElementBase, ListOperations) {
    T_Array list(xmlArray);
    for (int v : {5, 1, 4, 2, 3}) list.Add(T_Data::CreateVariant(xmlUnsigned, std::make_unique<T_Unsigned8>(xmlUnsigned, v)));
    EXPECT_EQ(list.ElementCount(), 5);
    EXPECT_EQ(FailureOf([&] { list.GetElements(5); }), "Argument out of range");
    EXPECT_EQ(list.IndexOf(&list.GetElements(2)), 2);
    EXPECT_EQ(list.IndexOf(nullptr), -1);
    const auto byValue = [](const TCOSEMPduBase& a, const TCOSEMPduBase& b) {
        return static_cast<const TChoice&>(a).Value->CompareTo(*static_cast<const TChoice&>(b).Value);
    };
    list.Sort(byValue);
    std::string s;
    list.EncodeToPduStr(s);
    EXPECT_EQ(vtest::Hex(s), "051101110211031104110" "5");
    int index = -1;
    const auto probe = T_Data::CreateVariant(xmlUnsigned, std::make_unique<T_Unsigned8>(xmlUnsigned, 4));
    EXPECT_TRUE(list.Search(*probe, index, byValue));
    EXPECT_EQ(index, 3);
    list.AtFree(0);
    list.FreeRange(1, 2);
    s.clear();
    list.EncodeToPduStr(s);
    EXPECT_EQ(vtest::Hex(s), "0211021105");
    EXPECT_EQ(FailureOf([&] { list.FreeRange(1, 2); }), "Argument out of range");
    EXPECT_EQ(list.DataTag(), 1);
    EXPECT_EQ(T_Structure(xmlStructure).DataTag(), 2);
    list.Clear();
    EXPECT_EQ(list.ElementCount(), 0);
}

TEST(ElementBase, MakeCloneAndRestoreValue) {
    auto d = MakeAnyFromPdu<T_Data>(xmlIgnore, vtest::Bytes("11 05"));
    EXPECT_THROW(d->RestoreValue(), EAssertionFailed);
    d->MakeClone();
    d->Value = std::make_unique<T_Unsigned8>(xmlUnsigned, 9);
    d->RestoreValue();
    EXPECT_EQ(static_cast<const T_Unsigned8&>(*d->Value).Value, 5);
    EXPECT_TRUE(d->IsA<T_Unsigned8>());
    EXPECT_FALSE(d->IsA<T_Integer8>());
}

}  // namespace
