// The unconfirmed APDUs by which a server pushes data or a client writes
// without an answer: data notification and its confirmation, unconfirmed
// write and information report.
#pragma once

#include "../INFRA/Choice.h"
#include "Descriptors.h"
#include "VariableAccess.h"

namespace vantrel {

class T_NotificationBody final : public TSequenceImpl<T_NotificationBody> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_NotificationBody";
    static const TSequenceTable kTable;
    const T_Data& DataValue() const { return MemberAs<T_Data>(0); }
};

// The date-time of a data notification as many meters send it: a typed Data
// octet string, 09 0C and twelve octets, where the standard has the length
// and the octets. In XML: <DateTime> holding <OctetString Value="..." />.
class T_TypedDateTime final : public TChoiceImpl<T_TypedDateTime> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_TypedDateTime";
    static const TChoiceTable kTable;
};

// The date-time fields are plain octet strings (possibly empty), not the
// twelve-octet date-time value. A data notification's date-time may also be
// typed (T_TypedDateTime): read so only where the standard reading fails or
// leaves octets unread.
class T_DataNotification final : public TSequenceImpl<T_DataNotification> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_DataNotification";
    static const TSequenceTable kTable;
    const T_LongInvokeIdAndPriority& LongInvokeIdAndPriority() const { return MemberAs<T_LongInvokeIdAndPriority>(0); }
    // The standard date-time; null when the typed one was read.
    const T_OctetString* DateTime() const { return dynamic_cast<const T_OctetString*>(Members[1].get()); }
    const T_TypedDateTime* TypedDateTime() const { return dynamic_cast<const T_TypedDateTime*>(Members[1].get()); }
    const T_NotificationBody& NotificationBody() const { return MemberAs<T_NotificationBody>(2); }
};

class T_DataNotificationConfirm final : public TSequenceImpl<T_DataNotificationConfirm> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_DataNotificationConfirm";
    static const TSequenceTable kTable;
    const T_LongInvokeIdAndPriority& LongInvokeIdAndPriority() const { return MemberAs<T_LongInvokeIdAndPriority>(0); }
    const T_OctetString& DateTime() const { return MemberAs<T_OctetString>(1); }
};

class T_UnconfirmedWriteRequest final : public TSequenceImpl<T_UnconfirmedWriteRequest> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_UnconfirmedWriteRequest";
    static const TSequenceTable kTable;
    const T_ListOfVariableAccessSpecifications& ListOfVariableAccessSpecification() const {
        return MemberAs<T_ListOfVariableAccessSpecifications>(0);
    }
    const T_ListOfData& ListOfData() const { return MemberAs<T_ListOfData>(1); }
};

class T_InformationReportRequest final : public TSequenceImpl<T_InformationReportRequest> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_InformationReportRequest";
    static const TSequenceTable kTable;
    const T_OctetString* CurrentTime() const { return OptionalMember<T_OctetString>(0); }
    const T_ListOfVariableAccessSpecifications& ListOfVariableAccessSpecification() const {
        return MemberAs<T_ListOfVariableAccessSpecifications>(1);
    }
    const T_ListOfData& ListOfData() const { return MemberAs<T_ListOfData>(2); }
};

}  // namespace vantrel
