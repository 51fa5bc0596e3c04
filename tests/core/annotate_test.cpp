// Annotated XML: the comments the annotator adds line by line (class and
// object names, decimals, date-times, scaler-unit pairs), that everything
// else stays byte for byte, and that annotated XML reads back to the same
// octets over seeded random values.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "RandomData.h"
#include "Src/annotate/CosemNames.h"
#include "TestSupport.h"

namespace {

// PduToXmlEx with the annotate flag; empty when the octets do not translate.
std::string Annotated(std::string_view Octets) {
    TTranslationError e{};
    VantrelStream* s = nullptr;
    PduToXmlEx(reinterpret_cast<const uint8_t*>(Octets.data()), static_cast<uint32_t>(Octets.size()), nullptr,
               VANTREL_ANNOTATE, &s, &e);
    if (e.Code != 0) return {};
    std::string xml(reinterpret_cast<const char*>(VantrelStreamData(s)));
    VantrelStreamFree(s);
    return xml;
}

// The annotated line of the element Tag (without indentation and line end).
std::string LineOf(const std::string& Xml, std::string_view Tag) {
    const size_t at = Xml.find("<" + std::string(Tag) + " ");
    if (at == std::string::npos) return "(no " + std::string(Tag) + ")";
    return Xml.substr(at, Xml.find("\r\n", at) - at);
}

// The comments removed again: " <!-- ... -->" at the end of each line (a
// value may hold comment-like text of its own).
std::string WithoutComments(const std::string& Xml) {
    std::string plain;
    for (size_t from = 0; from < Xml.size();) {
        const size_t end = std::min(Xml.find("\r\n", from), Xml.size());
        std::string_view line(Xml.data() + from, end - from);
        if (line.ends_with(" -->")) line = line.substr(0, line.rfind(" <!-- "));
        plain.append(line);
        plain.append(Xml, end, end < Xml.size() ? 2 : 0);
        from = end + 2;
    }
    return plain;
}

// Every comment's text: no ">" and no "--" inside.
void ExpectCleanComments(const std::string& Xml) {
    for (size_t at = 0; (at = Xml.find("<!-- ", at)) != std::string::npos;) {
        const size_t end = Xml.find(" -->", at);
        ASSERT_NE(end, std::string::npos);
        const std::string text = Xml.substr(at + 5, end - at - 5);
        EXPECT_EQ(text.find('>'), std::string::npos) << text;
        EXPECT_EQ(text.find("--"), std::string::npos) << text;
        at = end;
    }
}

// Octets (hex), the element whose line is looked at, and that whole line.
struct TAnnotatedLine {
    const char* Octets;
    const char* Tag;
    const char* Line;
};

void ExpectLines(std::span<const TAnnotatedLine> Rows) {
    for (const TAnnotatedLine& r : Rows) {
        SCOPED_TRACE(r.Octets);
        const std::string xml = Annotated(vtest::Bytes(r.Octets));
        ASSERT_FALSE(xml.empty());
        EXPECT_EQ(LineOf(xml, r.Tag), r.Line);
        ExpectCleanComments(xml);
        // Read back, the comments change nothing.
        EXPECT_EQ(vtest::ToPdu(xml).Text, vtest::Norm(r.Octets));
    }
}

TEST(Annotate, WithoutTheFlagNothingChanges) {
    const std::string octets = vtest::Bytes("C0 01 C1 00 08 00 00 01 00 00 FF 02 00");
    TTranslationError e{};
    VantrelStream* s = nullptr;
    PduToXmlEx(reinterpret_cast<const uint8_t*>(octets.data()), static_cast<uint32_t>(octets.size()), nullptr, 0, &s, &e);
    ASSERT_EQ(e.Code, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(VantrelStreamData(s))), vtest::ToXmlOctets(octets).Text);
    VantrelStreamFree(s);
}

TEST(Annotate, AGetRequestLineByLine) {
    EXPECT_EQ(Annotated(vtest::Bytes("C0 01 C1 00 08 00 00 01 00 00 FF 02 00")), vtest::Xml(R"(
<GetRequest>
  <GetRequestNormal>
    <InvokeIdAndPriority Value="C1" /> <!-- invoke id 1, confirmed, high priority -->
    <AttributeDescriptor>
      <ClassId Value="0008" /> <!-- 8 Clock -->
      <InstanceId Value="0000010000FF" /> <!-- 0.0.1.0.0.255 Clock -->
      <AttributeId Value="02" /> <!-- 2 time -->
    </AttributeDescriptor>
  </GetRequestNormal>
</GetRequest>
)"));
}

TEST(Annotate, ClassNames) {
    static constexpr TAnnotatedLine kRows[] = {
        {"C0 01 41 0001 0000600100FF 02 00", "ClassId", R"(<ClassId Value="0001" /> <!-- 1 Data -->)"},
        {"C0 01 41 0003 0100010800FF 02 00", "ClassId", R"(<ClassId Value="0003" /> <!-- 3 Register -->)"},
        {"C0 01 41 0004 0100010800FF 05 00", "ClassId", R"(<ClassId Value="0004" /> <!-- 4 Extended register -->)"},
        {"C0 01 41 0005 0100010400FF 02 00", "ClassId", R"(<ClassId Value="0005" /> <!-- 5 Demand register -->)"},
        {"C0 01 41 0007 0100630100FF 02 00", "ClassId", R"(<ClassId Value="0007" /> <!-- 7 Profile generic -->)"},
        {"C0 01 41 000F 0000280000FF 02 00", "ClassId", R"(<ClassId Value="000F" /> <!-- 15 Association LN -->)"},
        {"C0 01 41 0040 00002B0000FF 02 00", "ClassId", R"(<ClassId Value="0040" /> <!-- 64 Security setup -->)"},
        {"C0 01 41 0028 0000190900FF 02 00", "ClassId", R"(<ClassId Value="0028" /> <!-- 40 Push setup -->)"},
        {"C0 01 41 0046 0000600300FF 02 00", "ClassId", R"(<ClassId Value="0046" /> <!-- 70 Disconnect control -->)"},
        {"C0 01 41 270F 0102030405FF 02 00", "ClassId", R"(<ClassId Value="270F" /> <!-- 9999 -->)"},
    };
    ExpectLines(kRows);
}

TEST(Annotate, EveryClassRowIsNamedInADescriptor) {
    for (const vantrel::names::TClassRow& row : vantrel::names::kClasses) {
        SCOPED_TRACE(row.Name);
        const std::string hex = vtest::Hex(std::string{static_cast<char>(row.Id >> 8), static_cast<char>(row.Id & 0xFF)});
        const std::string xml = Annotated(vtest::Bytes("C0 01 41" + hex + "0102030405FF 02 00"));
        EXPECT_EQ(LineOf(xml, "ClassId"),
                  "<ClassId Value=\"" + hex + "\" /> <!-- " + std::to_string(row.Id) + " " + std::string(row.Name) + " -->");
        EXPECT_EQ(LineOf(xml, "AttributeId"), "<AttributeId Value=\"02\" /> <!-- 2" +
                                                  (vantrel::names::AttributeName(row, 2).empty()
                                                       ? std::string()
                                                       : " " + std::string(vantrel::names::AttributeName(row, 2))) +
                                                  " -->");
        ExpectCleanComments(xml);
    }
}

TEST(Annotate, AttributeAndMethodNames) {
    static constexpr TAnnotatedLine kRows[] = {
        {"C0 01 41 0003 0100010800FF 03 00", "AttributeId", R"(<AttributeId Value="03" /> <!-- 3 scaler_unit -->)"},
        {"C0 01 41 0008 0000010000FF 01 00", "AttributeId", R"(<AttributeId Value="01" /> <!-- 1 logical_name -->)"},
        {"C0 01 41 0007 0100630100FF 03 00", "AttributeId", R"(<AttributeId Value="03" /> <!-- 3 capture_objects -->)"},
        {"C0 01 41 0008 0000010000FF 0A 00", "AttributeId", R"(<AttributeId Value="0A" /> <!-- 10 -->)"},
        {"C0 01 41 270F 0000010000FF 02 00", "AttributeId", R"(<AttributeId Value="02" /> <!-- 2 -->)"},
        {"C3 01 41 0008 0000010000FF 06 00", "MethodId", R"(<MethodId Value="06" /> <!-- 6 shift_time -->)"},
        {"C3 01 41 000F 0000280000FF 01 00", "MethodId", R"(<MethodId Value="01" /> <!-- 1 reply_to_HLS_authentication -->)"},
        {"C3 01 41 0046 0000600300FF 01 00", "MethodId", R"(<MethodId Value="01" /> <!-- 1 remote_disconnect -->)"},
    };
    ExpectLines(kRows);
}

TEST(Annotate, WellKnownObjects) {
    static constexpr TAnnotatedLine kRows[] = {
        {"C0 01 41 0001 00002A0000FF 02 00", "InstanceId",
         R"(<InstanceId Value="00002A0000FF" /> <!-- 0.0.42.0.0.255 Logical device name -->)"},
        {"C0 01 41 0001 00002B0100FF 02 00", "InstanceId",
         R"(<InstanceId Value="00002B0100FF" /> <!-- 0.0.43.1.0.255 Invocation counter -->)"},
        {"C0 01 41 0001 00002B0103FF 02 00", "InstanceId",
         R"(<InstanceId Value="00002B0103FF" /> <!-- 0.0.43.1.3.255 Invocation counter -->)"},
        {"C0 01 41 0007 0100630100FF 02 00", "InstanceId",
         R"(<InstanceId Value="0100630100FF" /> <!-- 1.0.99.1.0.255 Load profile 1 -->)"},
        {"C0 01 41 0003 0100010800FF 02 00", "InstanceId",
         R"(<InstanceId Value="0100010800FF" /> <!-- 1.0.1.8.0.255 Active energy import (+A), total -->)"},
        {"C0 01 41 0003 0100020801FF 02 00", "InstanceId",
         R"(<InstanceId Value="0100020801FF" /> <!-- 1.0.2.8.1.255 Active energy export (-A), tariff -->)"},
        {"C0 01 41 0001 0000600100FF 02 00", "InstanceId",
         R"(<InstanceId Value="0000600100FF" /> <!-- 0.0.96.1.0.255 Meter serial number -->)"},
        {"C0 01 41 0001 0102030405FF 02 00", "InstanceId", R"(<InstanceId Value="0102030405FF" /> <!-- 1.2.3.4.5.255 -->)"},
        // Printable octets are written as text; the name is read all the same.
        {"C0 01 41 0001 414243444546 02 00", "InstanceId", R"(<InstanceId Value="\ABCDEF" /> <!-- 65.66.67.68.69.70 -->)"},
    };
    ExpectLines(kRows);
}

// Every row of the object table names its objects: no row is hidden by a
// wider one before it.
TEST(Annotate, EveryWellKnownObjectRowIsReached) {
    for (const vantrel::names::TObjectRow& row : vantrel::names::kObjects) {
        SCOPED_TRACE(row.Name);
        std::string ln;
        std::string dotted;
        for (int16_t group : row.Groups) {
            const int value = group == vantrel::names::kAny ? 7 : group;
            ln += static_cast<char>(value);
            dotted += (dotted.empty() ? "" : ".") + std::to_string(value);
        }
        const std::string xml = Annotated(vtest::Bytes("C0 01 41 0001") + ln + vtest::Bytes("02 00"));
        EXPECT_EQ(LineOf(xml, "InstanceId"),
                  "<InstanceId Value=\"" + vtest::Hex(ln) + "\" /> <!-- " + dotted + " " + std::string(row.Name) + " -->");
        ExpectCleanComments(xml);
    }
}

TEST(Annotate, IntegersInDecimal) {
    static constexpr TAnnotatedLine kRows[] = {
        {"FF 0F 7F", "Integer", R"(<Integer Value="7F" /> <!-- 127 -->)"},
        {"FF 0F 80", "Integer", R"(<Integer Value="80" /> <!-- -128 -->)"},
        {"FF 0F FF", "Integer", R"(<Integer Value="FF" /> <!-- -1 -->)"},
        {"FF 10 FF C4", "Long", R"(<Long Value="FFC4" /> <!-- -60 -->)"},
        {"FF 10 7F FF", "Long", R"(<Long Value="7FFF" /> <!-- 32767 -->)"},
        {"FF 05 80 00 00 00", "DoubleLong", R"(<DoubleLong Value="80000000" /> <!-- -2147483648 -->)"},
        {"FF 14 80 00 00 00 00 00 00 00", "Long64",
         R"(<Long64 Value="8000000000000000" /> <!-- -9223372036854775808 -->)"},
        {"FF 14 FF FF FF FF FF FF FF FE", "Long64", R"(<Long64 Value="FFFFFFFFFFFFFFFE" /> <!-- -2 -->)"},
        {"FF 1C FE", "DeltaInteger", R"(<DeltaInteger Value="FE" /> <!-- -2 -->)"},
        {"FF 1D 80 00", "DeltaLong", R"(<DeltaLong Value="8000" /> <!-- -32768 -->)"},
        {"FF 1E FF FF FF FF", "DeltaDoubleLong", R"(<DeltaDoubleLong Value="FFFFFFFF" /> <!-- -1 -->)"},
        {"FF 11 FF", "Unsigned", R"(<Unsigned Value="FF" /> <!-- 255 -->)"},
        {"FF 12 FF FF", "LongUnsigned", R"(<LongUnsigned Value="FFFF" /> <!-- 65535 -->)"},
        {"FF 06 FF FF FF FF", "DoubleLongUnsigned", R"(<DoubleLongUnsigned Value="FFFFFFFF" /> <!-- 4294967295 -->)"},
        {"FF 15 FF FF FF FF FF FF FF FF", "Long64Unsigned",
         R"(<Long64Unsigned Value="FFFFFFFFFFFFFFFF" /> <!-- 18446744073709551615 -->)"},
        {"FF 1F 80", "DeltaUnsigned", R"(<DeltaUnsigned Value="80" /> <!-- 128 -->)"},
        {"FF 20 80 00", "DeltaLongUnsigned", R"(<DeltaLongUnsigned Value="8000" /> <!-- 32768 -->)"},
        {"FF 21 80 00 00 00", "DeltaDoubleLongUnsigned", R"(<DeltaDoubleLongUnsigned Value="80000000" /> <!-- 2147483648 -->)"},
        {"FF 16 FF", "Enum", R"(<Enum Value="FF" /> <!-- 255 -->)"},
        {"FF 03 00", "Boolean", R"(<Boolean Value="00" /> <!-- false -->)"},
        {"FF 03 01", "Boolean", R"(<Boolean Value="01" /> <!-- true -->)"},
        {"FF 17 3F C0 00 00", "Float32", R"(<Float32 Value="3FC00000" /> <!-- 1.5 -->)"},
        {"FF 18 C0 09 21 FB 54 44 2D 18", "Float64", R"(<Float64 Value="C00921FB54442D18" /> <!-- -3.141592653589793 -->)"},
    };
    ExpectLines(kRows);
}

TEST(Annotate, DateTimesDatesAndTimes) {
    static constexpr TAnnotatedLine kRows[] = {
        {"FF 19 07E1 09 0E 04 15 11 00 00 FFC4 80", "DateTime",
         R"(<DateTime Value="07E1090E0415110000FFC480" /> <!-- Thu 2017-09-14 21:17:00, deviation -60 min, DST -->)"},
        {"FF 1A 07E8 0C 08 07", "Date", R"(<Date Value="07E80C0807" /> <!-- Sun 2024-12-08 -->)"},
        {"FF 1A FFFF FE FD FF", "Date", R"(<Date Value="FFFFFEFDFF" /> <!-- *-(DST begin)-(second last day) -->)"},
        {"FF 1A 07E8 FD FE FF", "Date", R"(<Date Value="07E8FDFEFF" /> <!-- 2024-(DST end)-(last day) -->)"},
        {"FF 1B 08 00 00 32", "Time", R"(<Time Value="08000032" /> <!-- 08:00:00.50 -->)"},
        {"FF 1B FF 1E FF FF", "Time", R"(<Time Value="FF1EFFFF" /> <!-- *:30:* -->)"},
        // A twelve-octet string that reads as a date-time is one.
        {"FF 09 0C 07E8 0C 08 07 10 1E 00 00 8000 00", "OctetString",
         R"(<OctetString Value="07E80C0807101E0000800000" /> <!-- Sun 2024-12-08 16:30:00, deviation not specified -->)"},
        {"FF 09 0C 07E8 0C 08 FF 10 1E 00 FF 0078 0F", "OctetString",
         R"(<OctetString Value="07E80C08FF101E00FF00780F" /> <!-- 2024-12-08 16:30:00, deviation 120 min, invalid, doubtful, different clock base, invalid clock status -->)"},
        // One that does not (month 13) is left alone.
        {"FF 09 0C 07E8 0D 08 07 10 1E 00 00 8000 00", "OctetString",
         R"(<OctetString Value="07E80D0807101E0000800000" />)"},
    };
    ExpectLines(kRows);
}

// Every combination of fields not specified in a date-time: each field reads
// either as its value or as its "not specified" form.
TEST(Annotate, DateTimeWithEveryNotSpecifiedCombination) {
    struct TField {
        int Offset, Size;
        unsigned Value, NotSpecified;
    };
    // year, month, day, weekday, hour, minute, second, hundredths, deviation, status
    static constexpr TField kFields[] = {{0, 2, 0x07E1, 0xFFFF}, {2, 1, 9, 0xFF},  {3, 1, 14, 0xFF},
                                         {4, 1, 4, 0xFF},        {5, 1, 21, 0xFF}, {6, 1, 17, 0xFF},
                                         {7, 1, 5, 0xFF},        {8, 1, 25, 0xFF}, {9, 2, 0xFFC4, 0x8000},
                                         {10 + 1, 1, 0x80, 0xFF}};
    for (unsigned mask = 0; mask < 1u << 10; ++mask) {
        std::string octets(12, '\0');
        auto field = [&](int i) { return (mask >> i & 1) ? kFields[i].NotSpecified : kFields[i].Value; };
        for (int i = 0; i < 10; ++i)
            for (int k = 0; k < kFields[i].Size; ++k)
                octets[static_cast<size_t>(kFields[i].Offset + k)] =
                    static_cast<char>(field(i) >> (8 * (kFields[i].Size - 1 - k)));
        auto part = [&](int i, const char* Shown) { return (mask >> i & 1) ? std::string("*") : std::string(Shown); };
        std::string expected = (mask & 8) ? "" : "Thu ";
        expected += part(0, "2017") + "-" + part(1, "09") + "-" + part(2, "14") + " " + part(4, "21") + ":" +
                    part(5, "17") + ":" + part(6, "05") + ((mask & 128) ? "" : ".25");
        expected += (mask & 256) ? ", deviation not specified" : ", deviation -60 min";
        expected += (mask & 512) ? ", status not specified" : ", DST";
        const std::string xml = Annotated("\xFF\x19" + octets);
        EXPECT_EQ(LineOf(xml, "DateTime"), "<DateTime Value=\"" + vtest::Hex(octets) + "\" /> <!-- " + expected + " -->")
            << mask;
        EXPECT_EQ(vtest::ToPdu(xml).Text, vtest::Hex("\xFF\x19" + octets));
    }
}

TEST(Annotate, ScalerUnitWithTheValue) {
    static constexpr TAnnotatedLine kRows[] = {
        // A register's value and scaler-unit in one structure.
        {"FF 02 02 06 00003039 02 02 0F FD 16 1E", "Enum", R"(<Enum Value="1E" /> <!-- 30 Wh, scaler -3, value 12.345 Wh -->)"},
        {"FF 02 02 10 FFFB 02 02 0F FE 16 21", "Enum", R"(<Enum Value="21" /> <!-- 33 A, scaler -2, value -0.05 A -->)"},
        {"FF 02 02 12 0017 02 02 0F 02 16 1B", "Enum", R"(<Enum Value="1B" /> <!-- 27 W, scaler 2, value 2300 W -->)"},
        {"FF 02 02 12 0017 02 02 0F 00 16 FF", "Enum", R"(<Enum Value="FF" /> <!-- 255 count, scaler 0, value 23 -->)"},
        // An extended register's captures: value, scaler-unit, status, capture time.
        {"FF 02 04 05 FFFFFF85 02 02 0F FF 16 23 11 00 09 0C 07E8 0C 08 07 10 1E 00 00 8000 00", "Enum",
         R"(<Enum Value="23" /> <!-- 35 V, scaler -1, value -12.3 V -->)"},
        // A scaler-unit pair alone (attribute 3 of a register).
        {"FF 02 02 0F 00 16 1B", "Enum", R"(<Enum Value="1B" /> <!-- 27 W, scaler 0 -->)"},
        // Not a pair: three members.
        {"FF 02 03 0F 00 16 1B 11 00", "Enum", R"(<Enum Value="1B" /> <!-- 27 -->)"},
    };
    ExpectLines(kRows);
}

TEST(Annotate, CaptureObjects) {
    static constexpr TAnnotatedLine kRows[] = {
        {"FF 02 04 12 0008 09 06 0000010000FF 0F 02 12 0000", "OctetString",
         R"(<OctetString Value="0000010000FF" /> <!-- 0.0.1.0.0.255 Clock, class 8 Clock -->)"},
        {"FF 02 04 12 0008 09 06 0000010000FF 0F 02 12 0000", "Integer", R"(<Integer Value="02" /> <!-- 2, attribute time -->)"},
        {"FF 02 04 12 0003 09 06 0100020800FF 0F 03 12 0000", "Integer", R"(<Integer Value="03" /> <!-- 3, attribute scaler_unit -->)"},
        // An object-list entry: class id, version, logical name, access rights.
        {"FF 02 04 12 0001 11 00 09 06 0102030405FF 02 00", "OctetString",
         R"(<OctetString Value="0102030405FF" /> <!-- 1.2.3.4.5.255, class 1 Data -->)"},
        // Six octets anywhere else are named only when well known.
        {"FF 09 06 0000010000FF", "OctetString", R"(<OctetString Value="0000010000FF" /> <!-- 0.0.1.0.0.255 Clock -->)"},
        {"FF 09 06 0102030405FF", "OctetString", R"(<OctetString Value="0102030405FF" />)"},
    };
    ExpectLines(kRows);
}

TEST(Annotate, InvokeIds) {
    static constexpr TAnnotatedLine kRows[] = {
        {"C0 01 C1 0008 0000010000FF 02 00", "InvokeIdAndPriority",
         R"(<InvokeIdAndPriority Value="C1" /> <!-- invoke id 1, confirmed, high priority -->)"},
        {"C0 01 05 0008 0000010000FF 02 00", "InvokeIdAndPriority",
         R"(<InvokeIdAndPriority Value="05" /> <!-- invoke id 5, unconfirmed, normal priority -->)"},
        {"0F 40 00 00 07 00 12 0102", "LongInvokeIdAndPriority",
         R"(<LongInvokeIdAndPriority Value="40000007" /> <!-- invoke id 7, confirmed, normal priority -->)"},
    };
    ExpectLines(kRows);
}

// Seeded random Data values: the annotated XML is the plain XML with comments
// at line ends, its comments are clean, and it reads back to the same octets.
TEST(Annotate, RandomValuesReadBackToTheSameOctets) {
    vtest::TRandomData random(20261209);
    for (int i = 0; i < 1500; ++i) {
        const std::string octets = "\xFF" + random.Data(4);
        const vtest::TResult plain = vtest::ToXmlOctets(octets);
        ASSERT_EQ(plain.Code, 0) << vtest::Hex(octets);
        const std::string xml = Annotated(octets);
        ASSERT_EQ(WithoutComments(xml), plain.Text) << i;
        ExpectCleanComments(xml);
        const vtest::TResult back = vtest::ToPdu(xml);
        ASSERT_EQ(back.Code, 0) << back.Message << "\n" << xml;
        ASSERT_EQ(back.Text, vtest::Hex(octets)) << i;
    }
}

// The same over random APDUs built around random descriptors.
TEST(Annotate, RandomRequestsReadBackToTheSameOctets) {
    vtest::TRandomData random(14);
    for (int i = 0; i < 1000; ++i) {
        std::string octets = vtest::Bytes(random.Below(2) ? "C1 01 C1" : "C3 01 C1");
        octets += random.Octets(2 + 6 + 1);  // class id, logical name, attribute or method id
        octets += '\x00';                    // no selective access; no method parameters
        if (octets[0] == '\xC1') octets += random.Data(3);
        const vtest::TResult plain = vtest::ToXmlOctets(octets);
        ASSERT_EQ(plain.Code, 0) << vtest::Hex(octets) << ": " << plain.Message;
        const std::string xml = Annotated(octets);
        ASSERT_EQ(WithoutComments(xml), plain.Text) << i;
        ExpectCleanComments(xml);
        ASSERT_EQ(vtest::ToPdu(xml).Text, vtest::Hex(octets)) << i;
    }
}

}  // namespace
