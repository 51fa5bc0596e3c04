// What pushing meters send on their customer ports: data notifications of
// three meter families read whole and both ways, the typed date-time many of
// them use, the globally ciphered event notification (0xCA) and the comment
// that names octets after the end of an APDU.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

using vtest::Xml;

// Push messages published as test data of a public HAN-port decoder
// (github.com/toreamun/amshan, tests/test_kaifa.py, test_aidon.py and
// test_kamstrup.py), each without the LLC header E6 E7 00 that opens it there.
const vtest::TRoundTrip kMeterPushes[] = {
    // Kaifa, list_1: the typed date-time (09 0C), the active power.
    {"0F 40000000 09 0C 07E3020401173416FF800000 0201 06000016DC", R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="40000000" />
  <DateTime>
    <OctetString Value="07E3020401173416FF800000" />
  </DateTime>
  <NotificationBody>
    <DataValue>
      <Structure Qty="0001" >
        <DoubleLongUnsigned Value="000016DC" />
      </Structure>
    </DataValue>
  </NotificationBody>
</DataNotification>
)"},
    // Kaifa, list_3: identification, powers, currents, voltages, the clock
    // and the energy registers.
    {"0F 40000000 09 0C 07E40119060E000AFF800000 0212 09074B464D5F303031 091036393730363331343032363134343736 "
     "09084D41333034483345 0600001328 0600000000 0600000000 0600000179 06000038EB 0600003D1B 0600002535 0600000891 "
     "0600000000 060000089D 090C07E40119060E000AFF800000 0604BE76E8 0600000000 06000D922D 060030FEB4",
     R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="40000000" />
  <DateTime>
    <OctetString Value="07E40119060E000AFF800000" />
  </DateTime>
  <NotificationBody>
    <DataValue>
      <Structure Qty="0012" >
        <OctetString Value="\KFM_001" />
        <OctetString Value="\6970631402614476" />
        <OctetString Value="\MA304H3E" />
        <DoubleLongUnsigned Value="00001328" />
        <DoubleLongUnsigned Value="00000000" />
        <DoubleLongUnsigned Value="00000000" />
        <DoubleLongUnsigned Value="00000179" />
        <DoubleLongUnsigned Value="000038EB" />
        <DoubleLongUnsigned Value="00003D1B" />
        <DoubleLongUnsigned Value="00002535" />
        <DoubleLongUnsigned Value="00000891" />
        <DoubleLongUnsigned Value="00000000" />
        <DoubleLongUnsigned Value="0000089D" />
        <OctetString Value="07E40119060E000AFF800000" />
        <DoubleLongUnsigned Value="04BE76E8" />
        <DoubleLongUnsigned Value="00000000" />
        <DoubleLongUnsigned Value="000D922D" />
        <DoubleLongUnsigned Value="0030FEB4" />
      </Structure>
    </DataValue>
  </NotificationBody>
</DataNotification>
)"},
    // Aidon, list_1: an empty date-time, one register with its scaler and unit.
    {"0F 40000000 00 0101 0203 09060100010700FF 0600000118 0202 0F00 161B", R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="40000000" />
  <DateTime Value="" />
  <NotificationBody>
    <DataValue>
      <Array Qty="0001" >
        <Structure Qty="0003" >
          <OctetString Value="0100010700FF" />
          <DoubleLongUnsigned Value="00000118" />
          <Structure Qty="0002" >
            <Integer Value="00" />
            <Enum Value="1B" />
          </Structure>
        </Structure>
      </Array>
    </DataValue>
  </NotificationBody>
</DataNotification>
)"},
    // Kamstrup, list_2_single_phase: the standard date-time (length 0C),
    // logical names and values in turn.
    {"0F 00000000 0C 07E1081003100005FF800000 020F 0A0E4B616D73747275705F5630303031 09060101000005FF "
     "0A1035373036353637303030303030303030 09060101600101FF 0A12303030303030303030303030303030303030 "
     "09060101010700FF 0600000000 090601011F0700FF 0600000000 09060101200700FF 120000 09060001010000FF "
     "090C07E1081003100005FF800000 09060101010800FF 0600000000",
     R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="00000000" />
  <DateTime Value="07E1081003100005FF800000" />
  <NotificationBody>
    <DataValue>
      <Structure Qty="000F" >
        <VisibleString Value="\Kamstrup_V0001" />
        <OctetString Value="0101000005FF" />
        <VisibleString Value="\5706567000000000" />
        <OctetString Value="0101600101FF" />
        <VisibleString Value="\000000000000000000" />
        <OctetString Value="0101010700FF" />
        <DoubleLongUnsigned Value="00000000" />
        <OctetString Value="01011F0700FF" />
        <DoubleLongUnsigned Value="00000000" />
        <OctetString Value="0101200700FF" />
        <LongUnsigned Value="0000" />
        <OctetString Value="0001010000FF" />
        <OctetString Value="07E1081003100005FF800000" />
        <OctetString Value="0101010800FF" />
        <DoubleLongUnsigned Value="00000000" />
      </Structure>
    </DataValue>
  </NotificationBody>
</DataNotification>
)"},
};

TEST(MeterPush, ReadingsComeOutWholeAndRoundTrip) {
    vtest::ExpectRoundTrips(kMeterPushes);
    for (const vtest::TRoundTrip& r : kMeterPushes) {
        SCOPED_TRACE(r.Octets);
        // Every octet is read: nothing is left for a comment.
        EXPECT_EQ(vtest::ToXml(r.Octets).Position, static_cast<int>(vtest::Bytes(r.Octets).size()) + 1);
    }
}

// Which reading of the date-time wins: the standard one wherever it reads
// every octet, the typed one only where it gets further.
TEST(TypedDateTime, ReadOnlyWhereTheStandardReadingFallsShort) {
    const vtest::TRoundTrip kRows[] = {
        // A 9-octet date-time that begins with 0C, read completely: it stays
        // as it is, although the typed reading would read every octet too.
        {"0F 00000001 09 0C0102030405060708 0202 1101 1102", R"(
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
)"},
        // The standard reading fails (a structure of 0x11 elements): typed.
        {"0F 00000001 09 0C 0102030405060708 02110203 1134", R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="00000001" />
  <DateTime>
    <OctetString Value="010203040506070802110203" />
  </DateTime>
  <NotificationBody>
    <DataValue>
      <Unsigned Value="34" />
    </DataValue>
  </NotificationBody>
</DataNotification>
)"},
        // Not 09 0C: the typed reading is not tried.
        {"0F 00000001 00 1134", R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="00000001" />
  <DateTime Value="" />
  <NotificationBody>
    <DataValue>
      <Unsigned Value="34" />
    </DataValue>
  </NotificationBody>
</DataNotification>
)"},
    };
    vtest::ExpectRoundTrips(kRows);

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
    const vtest::TRoundTrip kRows[] = {
        {"CA 05 30 00 00 00 2A", R"(
<glo_EventNotificationRequest Value="300000002A" />
)"},
        {"CA 00", R"(
<glo_EventNotificationRequest Value="" />
)"},
    };
    vtest::ExpectRoundTrips(kRows);
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
