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
constinit const TSequenceTable T_DataNotification::kTable{kDataNotificationFields};
constinit const TSequenceTable T_DataNotificationConfirm::kTable{kDataNotificationConfirmFields};
constinit const TSequenceTable T_UnconfirmedWriteRequest::kTable{kUnconfirmedWriteRequestFields};
constinit const TSequenceTable T_InformationReportRequest::kTable{kInformationReportRequestFields};

}  // namespace vantrel
