// The association request (AARQ) and response (AARE).
#include "TestSupport.h"

namespace {

using vtest::Tlv;
using vtest::Xml;

constexpr const char* kLN = "A1 09 06 07 60 85 74 05 08 01 01";
constexpr const char* kInitiateRequest = "01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0";
constexpr const char* kInitiateResponse = "08 00 06 5F 1F 04 00 00 10 1D 04 B0 00 07";
// An AARE's context name, result and diagnostic.
constexpr const char* kAccepted = "A1 09 06 07 60 85 74 05 08 01 01 A2 03 02 01 00 A3 05 A1 03 02 01 00";

// The user-information field around a carried APDU.
std::string UserInformation(std::string_view ApduHex) { return Tlv("BE", Tlv("04", ApduHex)); }

TEST(Association, WorkedExamplesTranslateBothWays) {
    vtest::ExpectRoundTrip(
        "60 1D A1 09 06 07 60 85 74 05 08 01 01 BE 10 04 0E 01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0", Xml(R"(
<AssociationRequest>
  <ApplicationContextName Value="LN" />
  <InitiateRequest>
    <ProposedDlmsVersionNumber Value="06" />
    <ProposedConformance>
      <ConformanceBit Name="Action" />
      <ConformanceBit Name="EventNotification" />
      <ConformanceBit Name="SelectiveAccess" />
      <ConformanceBit Name="Set" />
      <ConformanceBit Name="Get" />
      <ConformanceBit Name="MultipleReferences" />
      <ConformanceBit Name="BlockTransferWithAction" />
      <ConformanceBit Name="BlockTransferWithSetOrWrite" />
      <ConformanceBit Name="BlockTransferWithGetOrRead" />
      <ConformanceBit Name="Attribute0SupportedWithGet" />
      <ConformanceBit Name="PriorityMgmtSupported" />
    </ProposedConformance>
    <ProposedMaxPduSize Value="04B0" />
  </InitiateRequest>
</AssociationRequest>
)"));
    vtest::ExpectRoundTrip(
        "61 29 A1 09 06 07 60 85 74 05 08 01 01 A2 03 02 01 00 A3 05 A1 03 02 01 00 "
        "BE 10 04 0E 08 00 06 5F 1F 04 00 00 10 1D 04 B0 00 07",
        Xml(R"(
<AssociationResponse>
  <ApplicationContextName Value="LN" />
  <AssociationResult Value="00" />
  <ResultSourceDiagnostic>
    <ACSEServiceUser Value="00" />
  </ResultSourceDiagnostic>
  <InitiateResponse>
    <NegotiatedDlmsVersionNumber Value="06" />
    <NegotiatedConformance>
      <ConformanceBit Name="Action" />
      <ConformanceBit Name="SelectiveAccess" />
      <ConformanceBit Name="Set" />
      <ConformanceBit Name="Get" />
      <ConformanceBit Name="BlockTransferWithGetOrRead" />
    </NegotiatedConformance>
    <NegotiatedMaxPduSize Value="04B0" />
    <VaaName Value="0007" />
  </InitiateResponse>
</AssociationResponse>
)"));
}

TEST(Association, EveryFieldTranslatesBothWays) {
    const std::string aarq = Tlv(
        "60", std::string("80 02 07 80 ") + kLN + Tlv("A2", Tlv("04", "41 50")) + Tlv("A3", Tlv("04", "01")) +
                  "A4 03 02 01 01 A5 03 02 01 02" + Tlv("A6", Tlv("04", "4D 4D 4D 00 00 BC 61 4E")) +
                  Tlv("A7", Tlv("04", "02")) + "A8 03 02 01 03 A9 03 02 01 04 8A 02 07 80" +
                  "8B 07 60 85 74 05 08 02 01" + Tlv("AC", Tlv("80", "31 32 33 34 35 36 37 38")) + "9D 02 49 44" +
                  UserInformation("21 03 30 00 01"));
    vtest::ExpectRoundTrip(aarq, Xml(R"(
<AssociationRequest>
  <ProtocolVersion Value="1" />
  <ApplicationContextName Value="LN" />
  <CalledAPTitle Value="\AP" />
  <CalledAEQualifier Value="01" />
  <CalledAPInvocationId Value="01" />
  <CalledAEInvocationId Value="02" />
  <CallingAPTitle Value="4D4D4D0000BC614E" />
  <CallingAEQualifier Value="02" />
  <CallingAPInvocationId Value="03" />
  <CallingAEInvocationId Value="04" />
  <SenderACSERequirements Value="1" />
  <MechanismName Value="LOW_SECURITY" />
  <CallingAuthenticationValue Value="\12345678" />
  <ImplementationInformation Value="\ID" />
  <glo_InitiateRequest Value="300001" />
</AssociationRequest>
)"));
    const std::string aare = Tlv(
        "61", std::string("80 02 07 80 ") + "A1 09 06 07 60 85 74 05 08 01 03 A2 03 02 01 01 A3 05 A2 03 02 01 02" +
                  Tlv("A4", Tlv("04", "41")) + Tlv("A5", Tlv("04", "42")) + "A6 03 02 01 05 A7 03 02 01 06" +
                  "88 02 07 80 89 07 60 85 74 05 08 02 05" + Tlv("AA", Tlv("80", "01 02")) +
                  UserInformation("DB 02 41 42 01 00"));
    vtest::ExpectRoundTrip(aare, Xml(R"(
<AssociationResponse>
  <ProtocolVersion Value="1" />
  <ApplicationContextName Value="LN_WITH_CIPHERING" />
  <AssociationResult Value="01" />
  <ResultSourceDiagnostic>
    <ACSEServiceProvider Value="02" />
  </ResultSourceDiagnostic>
  <RespondingAPTitle Value="\A" />
  <RespondingAEQualifier Value="\B" />
  <RespondingAPInvocationId Value="05" />
  <RespondingAEInvocationId Value="06" />
  <ResponderACSERequirement Value="1" />
  <MechanismName Value="HIGH_SECURITY_GMAC" />
  <RespondingAuthenticationValue Value="0102" />
  <GeneralGloCiphering>
    <SystemTitle Value="\AB" />
    <CipheredService Value="00" />
  </GeneralGloCiphering>
</AssociationResponse>
)"));
}

TEST(Association, UserInformationCarriesAnyApdu) {
    for (const char* apdu : {kInitiateRequest, "21 02 41 42", "DB 00 00"})
        vtest::ExpectOctetsSurvive(Tlv("60", kLN + UserInformation(apdu)));
    for (const char* apdu : {kInitiateResponse, "28 00", "2E 01 00", "DB 00 00", "0E 01 06 01"})
        vtest::ExpectOctetsSurvive(Tlv("61", kAccepted + UserInformation(apdu)));
    // Not only the initiate APDUs and their protected forms: whatever decodes
    // there is written as its own element and reads back.
    vtest::ExpectRoundTrip(Tlv("60", kLN + UserInformation("05 01 02 FA 00")), Xml(R"(
<AssociationRequest>
  <ApplicationContextName Value="LN" />
  <ReadRequest Qty="0001" >
    <VariableName Value="FA00" />
  </ReadRequest>
</AssociationRequest>
)"));
    vtest::ExpectOctetsSurvive(Tlv("61", kAccepted + UserInformation("62 00")));
}

TEST(Association, DecodingTakesFieldsInAnyOrderAndRecomputesLengths) {
    const vtest::TCanonical kRows[] = {
        // User information before the context name; the APDU length is not trusted.
        {"60 00 BE 10 04 0E 01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0 A1 09 06 07 60 85 74 05 08 01 01",
         "60 1D A1 09 06 07 60 85 74 05 08 01 01 BE 10 04 0E 01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0"},
        // A field that comes again replaces the earlier one.
        {"60 16 A1 09 06 07 60 85 74 05 08 01 01 A1 09 06 07 60 85 74 05 08 01 02",
         "60 0B A1 09 06 07 60 85 74 05 08 01 02"},
        // Outer lengths in the long form.
        {"60 81 0B A1 81 09 06 07 60 85 74 05 08 01 01", "60 0B A1 09 06 07 60 85 74 05 08 01 01"},
        // The diagnostic first, the result last.
        {"61 00 A3 05 A2 03 02 01 01 A1 09 06 07 60 85 74 05 08 01 01 A2 03 02 01 00",
         "61 17 A1 09 06 07 60 85 74 05 08 01 01 A2 03 02 01 00 A3 05 A2 03 02 01 01"},
    };
    vtest::ExpectCanonical(kRows);
    // More than 127 octets of contents take the long length form.
    const std::string title(140, 'T');
    const std::string aarq = Tlv("60", kLN + Tlv("A6", Tlv("04", vtest::Hex(title))));
    EXPECT_EQ(aarq.substr(0, 6), "60819D");
    vtest::ExpectOctetsSurvive(aarq);
}

TEST(Association, BadOctetsAreRefused) {
    const vtest::TDecodeFailure kRows[] = {
        {Tlv("60", kLN) + "00", "Unexpected tag1 0", 15},
        {Tlv("60", "A1 09 04 07 60 85 74 05 08 01 01"), "Unexpected tag2 4", 6},
        {Tlv("60", "88 02 07 80"), "Unexpected tag1 136", 4},
        {Tlv("61", "A9 03 02 01 00"), "Unexpected tag1 169", 4},
        {Tlv("60", "BE 04 05 02 21 00"), "Unexpected tag2 5", 6},
        {Tlv("61", std::string(kLN) + "A3 05 A4 03 02 01 00"), "T_ResultSourceDiagnostic : illegal Tag 164", 17},
        {Tlv("61", std::string(kLN) + "A3 05 A1 03 04 01 00"), "Byte[18]:, expected 0x02 found 0x04", 19},
        {Tlv("61", std::string(kLN) + "A3 05 A1 03 02 02 00 00"), "T_ACSEServiceUser: Illegal data size", 20},
        {Tlv("61", std::string(kLN) + "A3 05 A2 03 02 02 00 00"), "T_ACSEServiceProvider: Illegal data size", 20},
        {Tlv("61", std::string(kLN) + "A2 03 02 02 00 00"), "T_AssociationResult: Illegal data size", 18},
        {Tlv("60", kLN + UserInformation("C6")), "T_COSEMpdu : illegal Tag 198", 19},
        {"60 0B A1 09 06 07 60 85", "Wrong encoding in pdu", 7},
        // Decoded without a required field: nothing to write for it.
        {"60 00", "Field ApplicationContextName missing", 3},
        {Tlv("61", std::string(kLN) + "A3 05 A1 03 02 01 00"), "Field AssociationResult missing", 21},
        {Tlv("61", std::string(kLN) + "A2 03 02 01 00"), "Field ResultSourceDiagnostic missing", 19},
    };
    vtest::ExpectDecodeFailures(kRows);
}

TEST(Association, BadXmlIsRefused) {
    const vtest::TXmlFailure kRows[] = {
        {R"(
<AssociationRequest>
  <CalledAPTitle Value="" />
</AssociationRequest>
)", "Start tag \"ApplicationContextName\" expected", 50},
        // Fields are read in table order only.
        {R"(
<AssociationRequest>
  <ApplicationContextName Value="LN" />
  <ProtocolVersion Value="1" />
</AssociationRequest>
)", "Stop tag \"AssociationRequest\" expected", 94},
        {R"(
<AssociationResponse>
  <ApplicationContextName Value="LN" />
  <AssociationResult Value="00" />
  <ResultSourceDiagnostic>
  </ResultSourceDiagnostic>
</AssociationResponse>
)", "T_ResultSourceDiagnostic : illegal choice", 155},
        {R"(
<AssociationResponse>
  <ApplicationContextName Value="LN" />
  <ResultSourceDiagnostic>
    <ACSEServiceUser Value="00" />
  </ResultSourceDiagnostic>
</AssociationResponse>
)", "Start tag \"AssociationResult\" expected", 90},
        {R"(
<AssociationResponse>
  <ApplicationContextName Value="LN" />
  <AssociationResult Value="00" />
  <ResultSourceDiagnostic>
    <ACSEServiceUser Value="0000" />
  </ResultSourceDiagnostic>
</AssociationResponse>
)", "Illegal data size, expected 1, found 2", 164},
    };
    vtest::ExpectXmlFailures(kRows);
}

// Depth association requests, each carrying the next in its user information.
std::string NestedRequests(int Depth) {
    std::string hex = vtest::Hex(vtest::Bytes("62 00"));
    for (int i = 0; i < Depth; ++i) hex = Tlv("60", kLN + UserInformation(hex));
    return hex;
}

TEST(Association, CarriedApdusNestOnlySoDeep) {
    vtest::ExpectOctetsSurvive(NestedRequests(60));
    const auto r = vtest::ToXml(NestedRequests(70));
    EXPECT_EQ(r.Code, 3);
    EXPECT_EQ(r.Message, "Nesting too deep");
    // Lengths are not trusted: a flat run of empty carriers fails the same way.
    std::string flat;
    for (int i = 0; i < 100000; ++i) flat += "60 00 BE 00 04 00 ";
    vtest::ExpectPduFailure(flat, "Nesting too deep", 65 * 6 + 1);

    std::string xml;
    for (int i = 0; i < 70; ++i) xml += "<AssociationRequest>\n<ApplicationContextName Value=\"LN\" />\n";
    xml += "<ReleaseRequest>\n</ReleaseRequest>\n";
    for (int i = 0; i < 70; ++i) xml += "</AssociationRequest>\n";
    const size_t line = std::string_view("<AssociationRequest>\n<ApplicationContextName Value=\"LN\" />\n").size();
    // Found at the 65th carried APDU's start tag.
    vtest::ExpectXmlFailure(xml, 1, "Nesting too deep", static_cast<int>(65 * line + 20));
}

}  // namespace
