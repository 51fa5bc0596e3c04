#include "Notifications.h"

namespace vantrel {

namespace {
constexpr TField kNotificationBodyFields[] = {
    {xmlDataValue, &ElementFactory<T_Data>},
};

constexpr TField kDataNotificationFields[] = {
    {xmlLongInvokeIdAndPriority, &ElementFactory<T_LongInvokeIdAndPriority>},
    {xmlDateTime, &ElementFactory<T_OctetString>},
    {xmlNotificationBody, &ElementFactory<T_NotificationBody>},
};

constexpr TAlternative kTypedDateTimeAlternatives[] = {
    {0x09, xmlOctetString, &ElementFactory<T_OctetString>},
};

// 09 0C and the twelve octets of the date-time.
constexpr TFieldVariant kTypedDateTime{1, "\x09\x0C", 14, &ElementFactory<T_TypedDateTime>};

constexpr TField kDataNotificationConfirmFields[] = {
    {xmlLongInvokeIdAndPriority, &ElementFactory<T_LongInvokeIdAndPriority>},
    {xmlDateTime, &ElementFactory<T_OctetString>},
};

constexpr TField kUnconfirmedWriteRequestFields[] = {
    {xmlListOfVariableAccessSpecification, &ElementFactory<T_ListOfVariableAccessSpecifications>},
    {xmlListOfData, &ElementFactory<T_ListOfData>},
};

constexpr TField kInformationReportRequestFields[] = {
    {xmlCurrentTime, &ElementFactory<T_OctetString>, Optional},
    {xmlListOfVariableAccessSpecification, &ElementFactory<T_ListOfVariableAccessSpecifications>},
    {xmlListOfData, &ElementFactory<T_ListOfData>},
};
}  // namespace

constinit const TSequenceTable T_NotificationBody::kTable{kNotificationBodyFields};
constinit const TChoiceTable T_TypedDateTime::kTable =
    MakeChoiceTable("T_TypedDateTime", xmlDateTime, kTypedDateTimeAlternatives);
constinit const TSequenceTable T_DataNotification::kTable{kDataNotificationFields, false, &kTypedDateTime};
constinit const TSequenceTable T_DataNotificationConfirm::kTable{kDataNotificationConfirmFields};
constinit const TSequenceTable T_UnconfirmedWriteRequest::kTable{kUnconfirmedWriteRequestFields};
constinit const TSequenceTable T_InformationReportRequest::kTable{kInformationReportRequestFields};

}  // namespace vantrel
