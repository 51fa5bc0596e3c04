// The ACCESS service, which carries several GET, SET and ACTION operations
// in one APDU, and the event notification. Both ACCESS APDUs and the event
// notification are sequences: their fields follow the APDU tag at once.
#pragma once

#include "ActionService.h"

namespace vantrel {

class T_AccessRequestGet final : public TSequenceImpl<T_AccessRequestGet> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessRequestGet";
    static const TSequenceTable kTable;
    const T_AttributeDescriptor& AttributeDescriptor() const { return MemberAs<T_AttributeDescriptor>(0); }
};

class T_AccessRequestSet final : public TSequenceImpl<T_AccessRequestSet> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessRequestSet";
    static const TSequenceTable kTable;
    const T_AttributeDescriptor& AttributeDescriptor() const { return MemberAs<T_AttributeDescriptor>(0); }
};

class T_AccessRequestAction final : public TSequenceImpl<T_AccessRequestAction> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessRequestAction";
    static const TSequenceTable kTable;
    const T_MethodDescriptor& MethodDescriptor() const { return MemberAs<T_MethodDescriptor>(0); }
};

// The selection is mandatory here: no presence octet.
class T_AccessRequestGetWithSelection final : public TSequenceImpl<T_AccessRequestGetWithSelection> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessRequestGetWithSelection";
    static const TSequenceTable kTable;
    const T_AttributeDescriptor& AttributeDescriptor() const { return MemberAs<T_AttributeDescriptor>(0); }
    const T_SelectiveAccessDescriptor& AccessSelection() const { return MemberAs<T_SelectiveAccessDescriptor>(1); }
};

class T_AccessRequestSetWithSelection final : public TSequenceImpl<T_AccessRequestSetWithSelection> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessRequestSetWithSelection";
    static const TSequenceTable kTable;
    const T_AttributeDescriptor& AttributeDescriptor() const { return MemberAs<T_AttributeDescriptor>(0); }
    const T_SelectiveAccessDescriptor& AccessSelection() const { return MemberAs<T_SelectiveAccessDescriptor>(1); }
};

class T_AccessResponseGet final : public TSequenceImpl<T_AccessResponseGet> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessResponseGet";
    static const TSequenceTable kTable;
    const T_DataAccessResult& Result() const { return MemberAs<T_DataAccessResult>(0); }
};

class T_AccessResponseSet final : public TSequenceImpl<T_AccessResponseSet> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessResponseSet";
    static const TSequenceTable kTable;
    const T_DataAccessResult& Result() const { return MemberAs<T_DataAccessResult>(0); }
};

class T_AccessResponseAction final : public TSequenceImpl<T_AccessResponseAction> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessResponseAction";
    static const TSequenceTable kTable;
    const T_ActionResult& Result() const { return MemberAs<T_ActionResult>(0); }
};

class T_AccessRequestSpecification final : public TChoiceImpl<T_AccessRequestSpecification> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_AccessRequestSpecification";
    static const TChoiceTable kTable;
};

class T_AccessResponseSpecification final : public TChoiceImpl<T_AccessResponseSpecification> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_AccessResponseSpecification";
    static const TChoiceTable kTable;
};

class T_ListOfAccessRequestSpecification final : public TSequenceOfImpl<T_ListOfAccessRequestSpecification> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ListOfAccessRequestSpecification";
    static const TListTable kTable;
};

class T_ListOfAccessResponseSpecification final : public TSequenceOfImpl<T_ListOfAccessResponseSpecification> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ListOfAccessResponseSpecification";
    static const TListTable kTable;
};

// Nothing relates the specifications to the data values; each list is carried as it is.
class T_AccessRequestBody final : public TSequenceImpl<T_AccessRequestBody> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessRequestBody";
    static const TSequenceTable kTable;
    const T_ListOfAccessRequestSpecification& AccessRequestSpecification() const {
        return MemberAs<T_ListOfAccessRequestSpecification>(0);
    }
    const T_ListOfData& AccessRequestListOfData() const { return MemberAs<T_ListOfData>(1); }
};

class T_AccessResponseBody final : public TSequenceImpl<T_AccessResponseBody> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessResponseBody";
    static const TSequenceTable kTable;
    const T_ListOfAccessRequestSpecification* AccessRequestSpecification() const {
        return OptionalMember<T_ListOfAccessRequestSpecification>(0);
    }
    const T_ListOfData& AccessResponseListOfData() const { return MemberAs<T_ListOfData>(1); }
    const T_ListOfAccessResponseSpecification& AccessResponseSpecification() const {
        return MemberAs<T_ListOfAccessResponseSpecification>(2);
    }
};

// The AccessRequest APDU (tag D9). The date-time is opaque octets, possibly none.
class T_AccessRequest final : public TSequenceImpl<T_AccessRequest> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessRequest";
    static const TSequenceTable kTable;
    const T_LongInvokeIdAndPriority& LongInvokeIdAndPriority() const { return MemberAs<T_LongInvokeIdAndPriority>(0); }
    const T_OctetString& DateTime() const { return MemberAs<T_OctetString>(1); }
    const T_AccessRequestBody& AccessRequestBody() const { return MemberAs<T_AccessRequestBody>(2); }
};

// The AccessResponse APDU (tag DA).
class T_AccessResponse final : public TSequenceImpl<T_AccessResponse> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AccessResponse";
    static const TSequenceTable kTable;
    const T_LongInvokeIdAndPriority& LongInvokeIdAndPriority() const { return MemberAs<T_LongInvokeIdAndPriority>(0); }
    const T_OctetString& DateTime() const { return MemberAs<T_OctetString>(1); }
    const T_AccessResponseBody& AccessResponseBody() const { return MemberAs<T_AccessResponseBody>(2); }
};

// The EventNotificationRequest APDU (tag C2).
class T_EventNotificationRequest final : public TSequenceImpl<T_EventNotificationRequest> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_EventNotificationRequest";
    static const TSequenceTable kTable;
    const T_OctetString* Time() const { return OptionalMember<T_OctetString>(0); }
    const T_AttributeDescriptor& AttributeDescriptor() const { return MemberAs<T_AttributeDescriptor>(1); }
    const T_Data& AttributeValue() const { return MemberAs<T_Data>(2); }
};

}  // namespace vantrel
