// Data notification and its confirmation, unconfirmed write, information report.
#include "TestSupport.h"

namespace {

using vtest::Xml;

TEST(Notifications, ApdusTranslateBothWays) {
    const vtest::TRoundTrip kVectors[] = {
        {"0F 00 00 00 01 00 11 34", R"(
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
        {"0F FF FF FF FF 0C 07 E8 0C 08 02 10 1E 00 00 80 00 00 01 01 12 00 02", R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="FFFFFFFF" />
  <DateTime Value="07E80C0802101E0000800000" />
  <NotificationBody>
    <DataValue>
      <Array Qty="0001" >
        <LongUnsigned Value="0002" />
      </Array>
    </DataValue>
  </NotificationBody>
</DataNotification>
)"},
        {"10 80 00 00 05 00", R"(
<DataNotificationConfirm>
  <LongInvokeIdAndPriority Value="80000005" />
  <DateTime Value="" />
</DataNotificationConfirm>
)"},
        {"16 01 02 FA 00 01 11 07", R"(
<UnconfirmedWriteRequest>
  <ListOfVariableAccessSpecification Qty="0001" >
    <VariableName Value="FA00" />
  </ListOfVariableAccessSpecification>
  <ListOfData Qty="0001" >
    <Unsigned Value="07" />
  </ListOfData>
</UnconfirmedWriteRequest>
)"},
        // Without current time: no element, 00 in the octets.
        {"18 00 01 02 FA 00 01 11 07", R"(
<InformationReportRequest>
  <ListOfVariableAccessSpecification Qty="0001" >
    <VariableName Value="FA00" />
  </ListOfVariableAccessSpecification>
  <ListOfData Qty="0001" >
    <Unsigned Value="07" />
  </ListOfData>
</InformationReportRequest>
)"},
        // A current time of length 0 is present and empty.
        {"18 01 00 00 00", R"(
<InformationReportRequest>
  <CurrentTime Value="" />
  <ListOfVariableAccessSpecification Qty="0000" >
  </ListOfVariableAccessSpecification>
  <ListOfData Qty="0000" >
  </ListOfData>
</InformationReportRequest>
)"},
    };
    vtest::ExpectRoundTrips(kVectors);
}

TEST(Notifications, AnyNonZeroPresenceOctetMeansPresent) {
    const auto x = vtest::ToXml("18 02 01 41 00 00");
    ASSERT_EQ(x.Code, 0) << x.Message;
    EXPECT_NE(x.Text.find("<CurrentTime Value=\"\\A\" />"), std::string::npos) << x.Text;
    EXPECT_EQ(vtest::ToPdu(x.Text).Text, vtest::Norm("18 01 01 41 00 00"));
}

TEST(Notifications, BadInputIsRefused) {
    vtest::ExpectPduFailure("0F 00 00 00 01 00", "Wrong encoding in pdu", 7);
    vtest::ExpectPduFailure("0F 00 00 00 01 00 C6", "T_Data : illegal Tag 198", 8);
    vtest::ExpectXmlFailure(Xml(R"(
<DataNotificationConfirm>
  <LongInvokeIdAndPriority Value="000001" />
  <DateTime Value="" />
</DataNotificationConfirm>
)"), 1, "Illegal data size, expected 4, found 3", 71);
    vtest::ExpectXmlFailure(Xml(R"(
<DataNotificationConfirm>
  <DateTime Value="" />
</DataNotificationConfirm>
)"), 1, "Start tag \"LongInvokeIdAndPriority\" expected", 50);
}

}  // namespace
