// The ACCESS service and the event notification through the entry points:
// every request and response specification, the optional echo of the
// request in the response, the optional time of the notification.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

using namespace vtest;

const TRoundTrip kRoundTrips[] = {
    {"D9 00 00 00 01 00 01 01 00 08 00 00 01 00 00 FF 02 01 00", R"(
<AccessRequest>
  <LongInvokeIdAndPriority Value="00000001" />
  <DateTime Value="" />
  <AccessRequestBody>
    <AccessRequestSpecification Qty="0001" >
      <AccessRequestGet>
        <AttributeDescriptor>
          <ClassId Value="0008" />
          <InstanceId Value="0000010000FF" />
          <AttributeId Value="02" />
        </AttributeDescriptor>
      </AccessRequestGet>
    </AccessRequestSpecification>
    <AccessRequestListOfData Qty="0001" >
      <NullData />
    </AccessRequestListOfData>
  </AccessRequestBody>
</AccessRequest>
)"},
    // Five specifications, one of each kind, and one data value; a date-time.
    {"D9 80 00 00 02 0C 07 E8 0C 08 02 10 1E 00 00 80 00 00 05"
     " 02 00 01 00 00 60 01 00 FF 02"
     " 03 00 09 00 00 0A 00 00 FF 01"
     " 04 00 07 01 00 63 01 00 FF 02 01 11 02"
     " 05 00 07 01 00 63 01 00 FF 03 02 00"
     " 01 00 08 00 00 01 00 00 FF 02"
     " 01 12 00 05",
     R"(
<AccessRequest>
  <LongInvokeIdAndPriority Value="80000002" />
  <DateTime Value="07E80C0802101E0000800000" />
  <AccessRequestBody>
    <AccessRequestSpecification Qty="0005" >
      <AccessRequestSet>
        <AttributeDescriptor>
          <ClassId Value="0001" />
          <InstanceId Value="0000600100FF" />
          <AttributeId Value="02" />
        </AttributeDescriptor>
      </AccessRequestSet>
      <AccessRequestAction>
        <MethodDescriptor>
          <ClassId Value="0009" />
          <InstanceId Value="00000A0000FF" />
          <MethodId Value="01" />
        </MethodDescriptor>
      </AccessRequestAction>
      <AccessRequestGetWithSelection>
        <AttributeDescriptor>
          <ClassId Value="0007" />
          <InstanceId Value="0100630100FF" />
          <AttributeId Value="02" />
        </AttributeDescriptor>
        <AccessSelection>
          <AccessSelector Value="01" />
          <AccessParameters>
            <Unsigned Value="02" />
          </AccessParameters>
        </AccessSelection>
      </AccessRequestGetWithSelection>
      <AccessRequestSetWithSelection>
        <AttributeDescriptor>
          <ClassId Value="0007" />
          <InstanceId Value="0100630100FF" />
          <AttributeId Value="03" />
        </AttributeDescriptor>
        <AccessSelection>
          <AccessSelector Value="02" />
          <AccessParameters>
            <NullData />
          </AccessParameters>
        </AccessSelection>
      </AccessRequestSetWithSelection>
      <AccessRequestGet>
        <AttributeDescriptor>
          <ClassId Value="0008" />
          <InstanceId Value="0000010000FF" />
          <AttributeId Value="02" />
        </AttributeDescriptor>
      </AccessRequestGet>
    </AccessRequestSpecification>
    <AccessRequestListOfData Qty="0001" >
      <LongUnsigned Value="0005" />
    </AccessRequestListOfData>
  </AccessRequestBody>
</AccessRequest>
)"},
    {"DA 00 00 00 01 00 00 01 12 00 05 01 01 00", R"(
<AccessResponse>
  <LongInvokeIdAndPriority Value="00000001" />
  <DateTime Value="" />
  <AccessResponseBody>
    <AccessResponseListOfData Qty="0001" >
      <LongUnsigned Value="0005" />
    </AccessResponseListOfData>
    <AccessResponseSpecification Qty="0001" >
      <AccessResponseGet>
        <Result Value="Success" />
      </AccessResponseGet>
    </AccessResponseSpecification>
  </AccessResponseBody>
</AccessResponse>
)"},
    // The echoed request may be an empty list; results of every kind.
    {"DA 00 00 00 01 00 01 00 00 03 01 0B 02 03 03 0F", R"(
<AccessResponse>
  <LongInvokeIdAndPriority Value="00000001" />
  <DateTime Value="" />
  <AccessResponseBody>
    <AccessRequestSpecification Qty="0000" >
    </AccessRequestSpecification>
    <AccessResponseListOfData Qty="0000" >
    </AccessResponseListOfData>
    <AccessResponseSpecification Qty="0003" >
      <AccessResponseGet>
        <Result Value="ObjectUnavailable" />
      </AccessResponseGet>
      <AccessResponseSet>
        <Result Value="ReadWriteDenied" />
      </AccessResponseSet>
      <AccessResponseAction>
        <Result Value="LongActionAborted" />
      </AccessResponseAction>
    </AccessResponseSpecification>
  </AccessResponseBody>
</AccessResponse>
)"},
    {"DA 00 00 00 07 00 01 01 03 00 46 00 00 60 03 0A FF 01 01 00 01 03 00", R"(
<AccessResponse>
  <LongInvokeIdAndPriority Value="00000007" />
  <DateTime Value="" />
  <AccessResponseBody>
    <AccessRequestSpecification Qty="0001" >
      <AccessRequestAction>
        <MethodDescriptor>
          <ClassId Value="0046" />
          <InstanceId Value="000060030AFF" />
          <MethodId Value="01" />
        </MethodDescriptor>
      </AccessRequestAction>
    </AccessRequestSpecification>
    <AccessResponseListOfData Qty="0001" >
      <NullData />
    </AccessResponseListOfData>
    <AccessResponseSpecification Qty="0001" >
      <AccessResponseAction>
        <Result Value="Success" />
      </AccessResponseAction>
    </AccessResponseSpecification>
  </AccessResponseBody>
</AccessResponse>
)"},
    {"C2 00 00 01 00 00 60 0A 01 FF 02 11 05", R"(
<EventNotificationRequest>
  <AttributeDescriptor>
    <ClassId Value="0001" />
    <InstanceId Value="0000600A01FF" />
    <AttributeId Value="02" />
  </AttributeDescriptor>
  <AttributeValue>
    <Unsigned Value="05" />
  </AttributeValue>
</EventNotificationRequest>
)"},
    {"C2 01 0C 07 E8 0C 08 02 10 1E 00 00 80 00 00 00 01 00 00 60 0A 01 FF 02 11 05", R"(
<EventNotificationRequest>
  <Time Value="07E80C0802101E0000800000" />
  <AttributeDescriptor>
    <ClassId Value="0001" />
    <InstanceId Value="0000600A01FF" />
    <AttributeId Value="02" />
  </AttributeDescriptor>
  <AttributeValue>
    <Unsigned Value="05" />
  </AttributeValue>
</EventNotificationRequest>
)"},
};

TEST(AccessService, RoundTrips) { ExpectRoundTrips(kRoundTrips); }

const TDecodeFailure kDecodeFailures[] = {
    {"D9 00 00 00 01 00 01 06", "T_AccessRequestSpecification : illegal Tag 6", 9},
    {"D9 00 00 00 01 00 01 00", "T_AccessRequestSpecification : illegal Tag 0", 9},
    {"DA 00 00 00 01 00 00 00 01 04 00", "T_AccessResponseSpecification : illegal Tag 4", 11},
    {"DA 00 00 00 01 00 01 01 06", "T_AccessRequestSpecification : illegal Tag 6", 10},
    {"D9 00 00 00 01 05 01 02", "Wrong encoding in pdu", 7},
    {"D9 00 00 00 01 00 01 04 00 08 00 00 01 00 00 FF 02 01", "Wrong encoding in pdu", 19},
    {"DA 00 00 00 01 00 00 00", "Wrong encoding in pdu", 9},
    {"C2 01 0C 07 E8", "Wrong encoding in pdu", 4},
    {"C2 00 00 01 00 00 60 0A 01 FF 02", "Wrong encoding in pdu", 12},
    // A result octet without a name fails only when the XML is written.
    {"DA 00 00 00 01 00 00 00 01 01 05", "T_DataAccessResult: case range", 12},
    {"DA 00 00 00 01 00 00 00 01 03 11", "T_ActionResult: case range", 12},
};

TEST(AccessService, DecodeFailures) { ExpectDecodeFailures(kDecodeFailures); }

const TXmlCase kXmlCases[] = {
    // Without "Time" the notification encodes the presence octet 00.
    {R"(<EventNotificationRequest><AttributeDescriptor><ClassId Value="0001" /><InstanceId Value="0.0.96.10.1.255" />
<AttributeId Value="02" /></AttributeDescriptor><AttributeValue><Unsigned Value="05" /></AttributeValue>
</EventNotificationRequest>)",
     "C2 00 00 01 00 00 60 0A 01 FF 02 11 05", nullptr, 0},
    {R"(<AccessResponse><LongInvokeIdAndPriority Value="00000001" /><DateTime Value="" /><AccessResponseBody>
<AccessResponseListOfData Qty="0000"></AccessResponseListOfData><AccessResponseSpecification Qty="0001">
<AccessResponseAction><Result Value="LongActionAborted" /></AccessResponseAction></AccessResponseSpecification>
</AccessResponseBody></AccessResponse>)",
     "DA 00 00 00 01 00 00 00 01 03 0F", nullptr, 0},
    // Failures.
    {R"(<AccessResponse><LongInvokeIdAndPriority Value="00000001" /><DateTime Value="" /><AccessResponseBody>
<AccessResponseListOfData Qty="0000"></AccessResponseListOfData><AccessResponseSpecification Qty="0001">
<AccessResponseGet><Result Value="LongActionAborted" />)",
     nullptr, "T_DataAccessResult: illegal element LongActionAborted", 264},
    {R"(<AccessRequest><LongInvokeIdAndPriority Value="00000001" /><DateTime Value="" /><AccessRequestBody>
<AccessRequestSpecification Qty="0001"><AccessRequestGetWithSelection><AttributeDescriptor>
<ClassId Value="0008" /><InstanceId Value="0000010000FF" /><AttributeId Value="02" /></AttributeDescriptor>
</AccessRequestGetWithSelection>)",
     nullptr, "Start tag \"AccessSelection\" expected", 335},
    {R"(<AccessRequest><LongInvokeIdAndPriority Value="00000001" /><DateTime Value="" /><AccessRequestBody>
<AccessRequestSpecification Qty="0001"><AccessResponseGet>)",
     nullptr, "T_AccessRequestSpecification.CreateFromXml : illegal choice", 159},
    {R"(<AccessResponse><LongInvokeIdAndPriority Value="00000001" /><DateTime Value="" /><AccessResponseBody>
<AccessResponseListOfData Qty="0000"></AccessResponseListOfData><AccessResponseSpecification Qty="0001">
<AccessRequestGet>)",
     nullptr, "T_AccessResponseSpecification.CreateFromXml : illegal choice", 227},
    {R"(<AccessRequest><LongInvokeIdAndPriority Value="0001" />)", nullptr, "Illegal data size, expected 4, found 2", 55},
    {R"(<AccessRequest><LongInvokeIdAndPriority Value="00000001" /><AccessRequestBody>)", nullptr,
     "Start tag \"DateTime\" expected", 78},
    // The time of a notification is optional only in front.
    {R"(<EventNotificationRequest><AttributeDescriptor><ClassId Value="0001" /><InstanceId Value="0000600A01FF" />
<AttributeId Value="02" /></AttributeDescriptor><Time Value="" />)",
     nullptr, "Start tag \"AttributeValue\" expected", 173},
};

TEST(AccessService, FromXml) { ExpectXmlCases(kXmlCases); }

}  // namespace
