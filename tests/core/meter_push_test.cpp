// What pushing meters send on their customer ports: data notifications of
// three meter families read whole and both ways, the typed date-time many of
// them use, the globally ciphered event notification (0xCA) and the comment
// that names octets after the end of an APDU.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "VectorFile.h"

namespace {

using vtest::Xml;


// The pushes of three meter families, the typed date-time's reading rule and
// 0xCA, both ways: tests/vectors/meter_push.txt.
TEST(MeterPush, Vectors) { vtest::ExpectVectors("meter_push"); }

TEST(MeterPush, ReadingsComeOutWhole) {
    for (const vtest::TVector& v : vtest::LoadVectors("meter_push")) {
        if (v.Name.rfind("MeterPush", 0) != 0) continue;
        SCOPED_TRACE(v.Name);
        // Every octet is read: nothing is left for a comment.
        EXPECT_EQ(vtest::ToXml(v.Input).Position, static_cast<int>(vtest::Bytes(v.Input).size()) + 1);
    }
}

// Which reading of the date-time wins: the standard one wherever it reads
// every octet, the typed one only where it gets further.
TEST(TypedDateTime, ReadOnlyWhereTheStandardReadingFallsShort) {
    // Both readings stop two octets before the end: the tie goes to the
    // standard reading, and the comment names what is left.
    EXPECT_EQ(vtest::ToXml("0F 00000001 09 0C0102030405060708 0202 1101 1102 1102").Text, Xml(R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="00000001" />
  <DateTime Value="0C0102030405060708" />
  <NotificationBody>
    <DataValue>
      <Structure Qty="0002" >
        <Unsigned Value="01" />
        <Unsigned Value="02" />
      </Structure>
    </DataValue>
  </NotificationBody>
</DataNotification>
<!-- 2 octets after the end of the APDU: 11 02 --> 
)"));

    // Both fail: the failure of the reading that got further is reported.
    const vtest::TDecodeFailure kFailures[] = {
        // Standard: the body 02 0C needs twelve elements and fails at octet 20;
        // typed: the body 02 01 needs one and fails at octet 22.
        {"0F 00000001 09 0C 0102030405060708 020C0304 0201", "Wrong encoding in pdu", 22},
        // Too short for the typed form: the standard failure.
        {"0F 00000001 09 0C 01020304050607", "Wrong encoding in pdu", 7},
    };
    vtest::ExpectDecodeFailures(kFailures);
}

TEST(TypedDateTime, XmlForms) {
    const vtest::TXmlCase kCases[] = {
        {R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="40000000" />
  <DateTime>
    <OctetString Value="07E3020401173416FF800000" />
  </DateTime>
  <NotificationBody>
    <DataValue>
      <NullData />
    </DataValue>
  </NotificationBody>
</DataNotification>
)",
         "0F 40000000 09 0C 07E3020401173416FF800000 00", "", 0},
        // Any other size would read back as a standard date-time.
        {R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="40000000" />
  <DateTime>
    <OctetString Value="07E3020401173416FF8000" />
  </DateTime>
)",
         nullptr, "T_TypedDateTime: must encode as 14 octets beginning 090C", 149},
        // The typed form is an octet string, nothing else.
        {R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="40000000" />
  <DateTime>
    <DateTime Value="07E3020401173416FF800000" />
  </DateTime>
)",
         nullptr, "T_TypedDateTime.CreateFromXml : illegal choice", 131},
    };
    vtest::ExpectXmlCases(kCases);
}

TEST(GloEventNotification, OpaqueLikeItsSiblings) {
    vtest::ExpectPduFailure("CA 05 30", "Wrong encoding in pdu", 3);
}

TEST(OctetsAfterTheApdu, NamedInACommentThatReadsBack) {
    const struct {
        std::string Octets;
        const char* Comment;
    } kRows[] = {
        {"FF 11 05 AA", "<!-- 1 octet after the end of the APDU: AA --> "},
        // 16 octets, as the issue's meter left them when its date-time was misread.
        {"FF 11 05 80 00 00 02 01 06 00 00 16 DC 7E 3E 2D 2D 3E 00",
         "<!-- 16 octets after the end of the APDU: 80 00 00 02 01 06 00 00 16 DC 7E 3E 2D 2D 3E 00 --> "},
        // A long run is cut after 32 octets.
        {"FF 11 05" + std::string(40 * 3, ' ').replace(0, 0, vtest::Hex(std::string(40, '\x3E'))),
         "<!-- 40 octets after the end of the APDU: 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E 3E "
         "3E 3E 3E 3E 3E 3E 3E 3E 3E ... and 8 more --> "},
    };
    for (const auto& r : kRows) {
        SCOPED_TRACE(r.Octets);
        const vtest::TResult x = vtest::ToXml(r.Octets);
        ASSERT_EQ(x.Code, 0) << x.Message;
        EXPECT_EQ(x.Position, 4);  // as without the comment: the first octet not read
        EXPECT_EQ(x.Text, Xml(R"(
<Data>
  <Unsigned Value="05" />
</Data>
)") + r.Comment + "\r\n");
        // The comment holds no '>' of its own and the XML reads back to the APDU.
        const vtest::TResult back = vtest::ToPdu(x.Text);
        ASSERT_EQ(back.Code, 0) << back.Message;
        EXPECT_EQ(back.Text, "FF1105");
    }
}

}  // namespace
