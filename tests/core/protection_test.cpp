// Ciphered and signed APDUs, translated without removing the protection.
#include "TestSupport.h"

namespace {

using vtest::Xml;

TEST(Protection, ApdusTranslateBothWays) {
    const vtest::TRoundTrip kVectors[] = {
        {"DD 00 08 4D 4D 4D 00 00 BC 61 4E 00 00 00 01 00 00 05 30 11 22 33 44", R"(
<GeneralCiphering>
  <TransactionId Value="" />
  <OriginatorSystemTitle Value="4D4D4D0000BC614E" />
  <RecipientSystemTitle Value="" />
  <DateTime Value="" />
  <OtherInformation Value="" />
  <KeyInfo>
    <IdentifiedKey>
      <KeyId Value="GlobalUnicastEncryptionKey" />
    </IdentifiedKey>
  </KeyInfo>
  <CipheredContent Value="3011223344" />
</GeneralCiphering>
)"},
        {"DD 01 01 02 01 03 01 04 01 05 00 00 02 AA BB", R"(
<GeneralCiphering>
  <TransactionId Value="01" />
  <OriginatorSystemTitle Value="0103" />
  <RecipientSystemTitle Value="04" />
  <DateTime Value="05" />
  <OtherInformation Value="" />
  <CipheredContent Value="AABB" />
</GeneralCiphering>
)"},
        {"DD 00 00 00 00 00 01 01 00 02 01 02 00", R"(
<GeneralCiphering>
  <TransactionId Value="" />
  <OriginatorSystemTitle Value="" />
  <RecipientSystemTitle Value="" />
  <DateTime Value="" />
  <OtherInformation Value="" />
  <KeyInfo>
    <WrappedKey>
      <KekId Value="MasterKey" />
      <KeyCipheredData Value="0102" />
    </WrappedKey>
  </KeyInfo>
  <CipheredContent Value="" />
</GeneralCiphering>
)"},
        {"DD 00 00 00 00 00 01 02 01 01 01 02 00", R"(
<GeneralCiphering>
  <TransactionId Value="" />
  <OriginatorSystemTitle Value="" />
  <RecipientSystemTitle Value="" />
  <DateTime Value="" />
  <OtherInformation Value="" />
  <KeyInfo>
    <AgreedKey>
      <KeyParameters Value="01" />
      <KeyCipheredData Value="02" />
    </AgreedKey>
  </KeyInfo>
  <CipheredContent Value="" />
</GeneralCiphering>
)"},
        {"DF 01 01 00 00 00 00 02 11 22 01 33", R"(
<GeneralSigning>
  <TransactionId Value="01" />
  <OriginatorSystemTitle Value="" />
  <RecipientSystemTitle Value="" />
  <DateTime Value="" />
  <OtherInformation Value="" />
  <Content Value="1122" />
  <Signature Value="\3" />
</GeneralSigning>
)"},
        {"DB 08 4D 4D 4D 00 00 BC 61 4E 03 30 01 02", R"(
<GeneralGloCiphering>
  <SystemTitle Value="4D4D4D0000BC614E" />
  <CipheredService Value="300102" />
</GeneralGloCiphering>
)"},
        {"DC 02 41 42 00", R"(
<GeneralDedCiphering>
  <SystemTitle Value="\AB" />
  <CipheredService Value="" />
</GeneralDedCiphering>
)"},
        // Service-specific ciphered APDUs stay one opaque octet string.
        {"21 03 41 42 43", R"(
<glo_InitiateRequest Value="\ABC" />
)"},
        {"D2 02 30 00", R"(
<ded_EventNotificationRequest Value="3000" />
)"},
    };
    vtest::ExpectRoundTrips(kVectors);
}

TEST(Protection, BadInputIsRefused) {
    const vtest::TDecodeFailure kRows[] = {
        {"DD 00 00 00 00 00 01 03", "T_KeyInfo : illegal Tag 3", 9},
        {"DD 00 00 00 00 00 01 00 02 00", "T_KeyId: case range", 11},
        {"DD 00 00 00 00 00 01 01 01 00 00", "T_KekId: case range", 12},
        {"CE 00", "T_COSEMpdu : illegal Tag 206", 2},
        {"DF 00 00 00 00 00 00", "Wrong encoding in pdu", 8},
        {"DB 08 4D 4D", "Wrong encoding in pdu", 3},
    };
    vtest::ExpectDecodeFailures(kRows);

    const std::string head = R"(
<GeneralCiphering>
  <TransactionId Value="" />
  <OriginatorSystemTitle Value="" />
  <RecipientSystemTitle Value="" />
  <DateTime Value="" />
  <OtherInformation Value="" />
  <KeyInfo>
)";
    const std::string tail = R"(
  </KeyInfo>
  <CipheredContent Value="" />
</GeneralCiphering>
)";
    struct TXmlRow {
        const char* KeyInfo;
        const char* Message;
        int Position;
    };
    const TXmlRow kXmlRows[] = {
        {"    <KeyId Value=\"GlobalUnicastEncryptionKey\" />", "T_KeyInfo.CreateFromXml : illegal choice", 244},
        {"    <IdentifiedKey>\n      <KeyId Value=\"MasterKey\" />\n    </IdentifiedKey>",
         "T_KeyId: illegal element MasterKey", 250},
        {"    <WrappedKey>\n      <KekId Value=\"GlobalKey\" />\n"
         "      <KeyCipheredData Value=\"\" />\n    </WrappedKey>",
         "T_KekId: illegal element GlobalKey", 247},
    };
    for (const TXmlRow& r : kXmlRows) vtest::ExpectXmlFailure(Xml(head + r.KeyInfo + tail), 1, r.Message, r.Position);
}

}  // namespace
