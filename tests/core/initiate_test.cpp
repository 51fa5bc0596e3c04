// The conformance block and the xDLMS initiate request and response.
#include "TestSupport.h"

namespace {

using vtest::Xml;

TEST(Initiate, ApdusTranslateBothWays) {
    const vtest::TRoundTrip kVectors[] = {
        {"01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0", R"(
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
)"},
        {"01 01 02 41 42 01 00 01 FF 06 5F 1F 04 00 FF 00 01 FF FF", R"(
<InitiateRequest>
  <DedicatedKey Value="\AB" />
  <ResponseAllowed Value="00" />
  <ProposedQualityOfService Value="FF" />
  <ProposedDlmsVersionNumber Value="06" />
  <ProposedConformance>
    <ConformanceBit Name="Action" />
    <ConformanceBit Name="Reserved7" />
    <ConformanceBit Name="DeltaValueEncoding" />
    <ConformanceBit Name="UnconfirmedWrite" />
    <ConformanceBit Name="Write" />
    <ConformanceBit Name="Read" />
    <ConformanceBit Name="GeneralBlockTransfer" />
    <ConformanceBit Name="GeneralProtection" />
    <ConformanceBit Name="Reserved0" />
  </ProposedConformance>
  <ProposedMaxPduSize Value="FFFF" />
</InitiateRequest>
)"},
        {"08 00 06 5F 1F 04 00 00 10 1D 04 B0 00 07", R"(
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
)"},
        {"08 01 05 06 5F 1F 04 00 00 00 00 00 80 FA 00", R"(
<InitiateResponse>
  <NegotiatedQualityOfService Value="05" />
  <NegotiatedDlmsVersionNumber Value="06" />
  <NegotiatedConformance>
  </NegotiatedConformance>
  <NegotiatedMaxPduSize Value="0080" />
  <VaaName Value="FA00" />
</InitiateResponse>
)"},
    };
    vtest::ExpectRoundTrips(kVectors);
}

TEST(Initiate, DecodingAcceptsVariantsThatEncodeCanonically) {
    const vtest::TCanonical kRows[] = {
        // The conformance tag without its second octet.
        {"01 00 00 00 06 5F 04 00 00 7E 1F 04 B0", "01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0"},
        // Any non-zero presence octet.
        {"01 02 01 41 00 00 06 5F 1F 04 00 00 00 01 00 10", "01 01 01 41 00 00 06 5F 1F 04 00 00 00 01 00 10"},
        // Fewer than 24 bits: the XML names bits, so the block comes back whole.
        {"08 00 06 5F 1F 02 07 80 00 10 00 00", "08 00 06 5F 1F 04 00 80 00 00 00 10 00 00"},
    };
    vtest::ExpectCanonical(kRows);
}

// An initiate request whose conformance element holds Bits.
std::string RequestXml(std::string_view Optional, std::string_view Bits) {
    return Xml("\n<InitiateRequest>\n" + std::string(Optional) +
               "  <ProposedDlmsVersionNumber Value=\"06\" />\n  <ProposedConformance>\n" + std::string(Bits) +
               "  </ProposedConformance>\n  <ProposedMaxPduSize Value=\"0400\" />\n</InitiateRequest>\n");
}

TEST(Initiate, XmlInputTakesNamesAliasesAndAnyOrder) {
    struct TRow {
        const char* Optional;
        const char* Bits;
        const char* Hex;
    };
    const TRow kRows[] = {
        {"", "", "01 00 00 00 06 5F 1F 04 00 00 00 00 04 00"},
        {"", "    <ConformanceBit Name=\"BlockTransferWithGet\" />\n", "01 00 00 00 06 5F 1F 04 00 00 10 00 04 00"},
        {"",
         "    <ConformanceBit Name=\"Get\" />\n    <ConformanceBit Name=\"Attribute0Supported\" />\n"
         "    <ConformanceBit Name=\"BlockTransferWithSet\" />\n    <ConformanceBit Name=\"Get\" />\n",
         "01 00 00 00 06 5F 1F 04 00 00 28 10 04 00"},
        {"  <ResponseAllowed Value=\"00\" />\n", "", "01 00 01 00 00 06 5F 1F 04 00 00 00 00 04 00"},
        {"  <DedicatedKey Value=\"\" />\n  <ProposedQualityOfService Value=\"01\" />\n", "",
         "01 01 00 00 01 01 06 5F 1F 04 00 00 00 00 04 00"},
    };
    for (const TRow& r : kRows) {
        const auto p = vtest::ToPdu(RequestXml(r.Optional, r.Bits));
        ASSERT_EQ(p.Code, 0) << p.Message;
        EXPECT_EQ(p.Text, vtest::Norm(r.Hex)) << r.Bits;
    }
    // An alias is written back under its name.
    const auto x = vtest::ToXml("01 00 00 00 06 5F 1F 04 00 00 10 00 04 00");
    EXPECT_NE(x.Text.find("<ConformanceBit Name=\"BlockTransferWithGetOrRead\" />"), std::string::npos) << x.Text;
}

TEST(Initiate, BadInputIsRefused) {
    // Bit 24 of a 32-bit block has no name.
    vtest::ExpectPduFailure("01 00 00 00 06 5F 1F 05 00 00 00 00 80 04 B0",
                            "T_Conformance.ValueToName, illegal value 24", 16);
    vtest::ExpectPduFailure("01 00 00 00 06 1F 04 00 00 00 00 04 00", "Byte[6]:, expected 0x5F found 0x1F", 7);
    vtest::ExpectPduFailure("08 00 06 5F 1F 04 00 00 00 00 04 00 00", "Wrong encoding in pdu", 14);

    vtest::ExpectXmlFailure(RequestXml("", "    <ConformanceBit Name=\"get\" />\n"), 1,
                            "T_Conformance.NameToValue, no such name get", 121);
    vtest::ExpectXmlFailure(RequestXml("", "    <Unsigned Value=\"01\" />\n"), 1, "Unexpected keyword \"Unsigned\"",
                            115);
    vtest::ExpectXmlFailure(RequestXml("", "    <ConformanceBit Value=\"Get\" />\n"), 1, "\"Name\" expected", 122);
    vtest::ExpectXmlFailure(Xml(R"(
<InitiateRequest>
  <ProposedConformance>
  </ProposedConformance>
</InitiateRequest>
)"), 1, "Start tag \"ProposedDlmsVersionNumber\" expected", 42);
}

}  // namespace
