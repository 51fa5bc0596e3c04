// The release request (RLRQ) and response (RLRE).
#include "TestSupport.h"

namespace {

using vtest::Tlv;
using vtest::Xml;

TEST(Release, ApdusTranslateBothWays) {
    const vtest::TRoundTrip kVectors[] = {
        {"62 03 80 01 00", R"(
<ReleaseRequest>
  <Reason Value="Normal" />
</ReleaseRequest>
)"},
        {"62 03 80 01 01", R"(
<ReleaseRequest>
  <Reason Value="Urgent" />
</ReleaseRequest>
)"},
        {"62 03 80 01 1E", R"(
<ReleaseRequest>
  <Reason Value="UserDefined" />
</ReleaseRequest>
)"},
        {"63 03 80 01 00", R"(
<ReleaseResponse>
  <Reason Value="Normal" />
</ReleaseResponse>
)"},
        {"63 03 80 01 01", R"(
<ReleaseResponse>
  <Reason Value="NotFinished" />
</ReleaseResponse>
)"},
        {"62 00", R"(
<ReleaseRequest>
</ReleaseRequest>
)"},
        {"62 0D 80 01 00 BE 08 04 06 21 04 41 42 43 44", R"(
<ReleaseRequest>
  <Reason Value="Normal" />
  <UserInformation>
    <glo_InitiateRequest Value="\ABCD" />
  </UserInformation>
</ReleaseRequest>
)"},
        {"63 12 BE 10 04 0E 08 00 06 5F 1F 04 00 00 10 1D 04 B0 00 07", R"(
<ReleaseResponse>
  <UserInformation>
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
  </UserInformation>
</ReleaseResponse>
)"},
    };
    vtest::ExpectRoundTrips(kVectors);
}

TEST(Release, FieldsInEitherOrderAreWrittenReasonFirst) {
    const vtest::TCanonical kRows[] = {
        {"62 0D BE 08 04 06 21 04 41 42 43 44 80 01 00", "62 0D 80 01 00 BE 08 04 06 21 04 41 42 43 44"},
        {"63 00 80 01 01 BE 03 04 01 62 00", "63 09 80 01 01 BE 04 04 02 62 00"},
    };
    vtest::ExpectCanonical(kRows);
}

TEST(Release, BadInputIsRefused) {
    const vtest::TDecodeFailure kRows[] = {
        {"62 03 80 01 00 00", "Unexpected tag1 0", 7},
        {"62 03 A1 01 00", "Unexpected tag1 161", 4},
        {"62 03 80 02 00", "Byte[4]:, expected 0x01 found 0x02", 5},
        {"62 03 BE 02 05 00", "Unexpected tag2 5", 6},
        {"62 03 80 01 02", "T_ReleaseRequestReason: case range", 6},
        {"63 03 80 01 1F", "T_ReleaseResponseReason: case range", 6},
        {"62 03 80 01", "Wrong encoding in pdu", 5},
    };
    vtest::ExpectDecodeFailures(kRows);

    vtest::ExpectXmlFailure(Xml(R"(
<ReleaseRequest>
  <Reason Value="NotFinished" />
</ReleaseRequest>
)"), 1, "T_ReleaseRequestReason: illegal element NotFinished", 50);
    vtest::ExpectXmlFailure(Xml(R"(
<ReleaseResponse>
  <Reason Value="Urgent" />
</ReleaseResponse>
)"), 1, "T_ReleaseResponseReason: illegal element Urgent", 46);
    vtest::ExpectXmlFailure(Xml(R"(
<ReleaseRequest>
  <UserInformation>
  </UserInformation>
</ReleaseRequest>
)"), 1, "T_COSEMpdu.CreateFromXml : illegal choice", 59);
    vtest::ExpectXmlFailure(Xml(R"(
<ReleaseRequest>
  <UserInformation>
    <ReleaseResponse>
    </ReleaseResponse>
    <ReleaseResponse>
    </ReleaseResponse>
  </UserInformation>
</ReleaseRequest>
)"), 1, "Stop tag \"UserInformation\" expected", 107);
}

TEST(Release, CarriedApdusNestOnlySoDeepInXml) {
    const auto nested = [](int Depth) {
        std::string xml;
        for (int i = 0; i < Depth; ++i) xml += "<ReleaseRequest>\n<UserInformation>\n";
        xml += "<ReleaseResponse>\n</ReleaseResponse>\n";
        for (int i = 0; i < Depth; ++i) xml += "</UserInformation>\n</ReleaseRequest>\n";
        return xml;
    };
    const auto ok = vtest::ToPdu(nested(60));
    ASSERT_EQ(ok.Code, 0) << ok.Message;
    vtest::ExpectOctetsSurvive(ok.Text);

    const std::string deep = nested(70);
    size_t at = 0;
    for (int i = 0; i < 65; ++i) at = deep.find("<UserInformation>", at) + 1;
    const int position = static_cast<int>(at - 1 + std::string_view("<UserInformation>").size());
    vtest::ExpectXmlFailure(deep, 1, "Nesting too deep", position);
}

}  // namespace
