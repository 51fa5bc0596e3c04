// The GET service: the GetRequest and GetResponse APDUs with their
// alternatives, the result of one read, and the GET data block.
#pragma once

#include "Descriptors.h"

namespace vantrel {

class T_ListOfAttributeDescriptorWithSelection final : public TSequenceOfImpl<T_ListOfAttributeDescriptorWithSelection> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ListOfAttributeDescriptorWithSelection";
    static const TListTable kTable;
};

// The value read, or why it is not delivered ("Data" or "DataAccessError").
class T_GetDataResult final : public TChoiceImpl<T_GetDataResult> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_GetDataResult";
    static const TChoiceTable kTable;
};

class T_ListOfGetDataResult final : public TSequenceOfImpl<T_ListOfGetDataResult> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ListOfGetDataResult";
    static const TListTable kTable;
};

// The payload of one GET data block: raw octets or a data-access result.
class T_DataBlockGResult final : public TChoiceImpl<T_DataBlockGResult> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_DataBlockGResult";
    static const TChoiceTable kTable;
};

class T_DataBlock_G final : public TSequenceImpl<T_DataBlock_G> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_DataBlock_G";
    static const TSequenceTable kTable;
    const T_Boolean& LastBlock() const { return MemberAs<T_Boolean>(0); }
    const T_Unsigned32& BlockNumber() const { return MemberAs<T_Unsigned32>(1); }
    const T_DataBlockGResult& Result() const { return MemberAs<T_DataBlockGResult>(2); }
};

class T_GetRequestNormal final : public TSequenceImpl<T_GetRequestNormal> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_GetRequestNormal";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_AttributeDescriptor& AttributeDescriptor() const { return MemberAs<T_AttributeDescriptor>(1); }
    const T_SelectiveAccessDescriptor* AccessSelection() const {
        return OptionalMember<T_SelectiveAccessDescriptor>(2);
    }
};

class T_GetRequestForNextDatablock final : public TSequenceImpl<T_GetRequestForNextDatablock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_GetRequestForNextDatablock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_Unsigned32& BlockNumber() const { return MemberAs<T_Unsigned32>(1); }
};

class T_GetRequestWithList final : public TSequenceImpl<T_GetRequestWithList> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_GetRequestWithList";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_ListOfAttributeDescriptorWithSelection& AttributeDescriptorList() const {
        return MemberAs<T_ListOfAttributeDescriptorWithSelection>(1);
    }
};

class T_GetResponseNormal final : public TSequenceImpl<T_GetResponseNormal> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_GetResponseNormal";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_GetDataResult& Result() const { return MemberAs<T_GetDataResult>(1); }
};

class T_GetResponseWithDataBlock final : public TSequenceImpl<T_GetResponseWithDataBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_GetResponseWithDataBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_DataBlock_G& Result() const { return MemberAs<T_DataBlock_G>(1); }
};

class T_GetResponseWithList final : public TSequenceImpl<T_GetResponseWithList> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_GetResponseWithList";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_ListOfGetDataResult& Result() const { return MemberAs<T_ListOfGetDataResult>(1); }
};

// The GetRequest APDU (tag C0): normal, next data block, or with list.
class T_GetRequest final : public TChoiceImpl<T_GetRequest> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_GetRequest";
    static const TChoiceTable kTable;
};

// The GetResponse APDU (tag C4): normal, with data block, or with list.
class T_GetResponse final : public TChoiceImpl<T_GetResponse> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_GetResponse";
    static const TChoiceTable kTable;
};

}  // namespace vantrel
