// The SET service: the SetRequest and SetResponse APDUs with their
// alternatives, and the data block that carries a value written in parts
// (also used by ACTION for its parameter blocks).
#pragma once

#include "GetService.h"

namespace vantrel {

// One block of a value written in parts; the raw data is always there.
class T_DataBlock_SA final : public TSequenceImpl<T_DataBlock_SA> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_DataBlock_SA";
    static const TSequenceTable kTable;
    const T_Boolean& LastBlock() const { return MemberAs<T_Boolean>(0); }
    const T_Unsigned32& BlockNumber() const { return MemberAs<T_Unsigned32>(1); }
    const T_OctetString& RawData() const { return MemberAs<T_OctetString>(2); }
};

class T_ListOfDataAccessResult final : public TSequenceOfImpl<T_ListOfDataAccessResult> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ListOfDataAccessResult";
    static const TListTable kTable;
};

class T_SetRequestNormal final : public TSequenceImpl<T_SetRequestNormal> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SetRequestNormal";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_AttributeDescriptor& AttributeDescriptor() const { return MemberAs<T_AttributeDescriptor>(1); }
    const T_SelectiveAccessDescriptor* AccessSelection() const {
        return OptionalMember<T_SelectiveAccessDescriptor>(2);
    }
    const T_Data& Value() const { return MemberAs<T_Data>(3); }
};

class T_SetRequestWithFirstDataBlock final : public TSequenceImpl<T_SetRequestWithFirstDataBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SetRequestWithFirstDataBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_AttributeDescriptor& AttributeDescriptor() const { return MemberAs<T_AttributeDescriptor>(1); }
    const T_SelectiveAccessDescriptor* AccessSelection() const {
        return OptionalMember<T_SelectiveAccessDescriptor>(2);
    }
    const T_DataBlock_SA& DataBlock() const { return MemberAs<T_DataBlock_SA>(3); }
};

class T_SetRequestWithDataBlock final : public TSequenceImpl<T_SetRequestWithDataBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SetRequestWithDataBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_DataBlock_SA& DataBlock() const { return MemberAs<T_DataBlock_SA>(1); }
};

// The descriptor count and the value count are independent.
class T_SetRequestWithList final : public TSequenceImpl<T_SetRequestWithList> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SetRequestWithList";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_ListOfAttributeDescriptorWithSelection& AttributeDescriptorList() const {
        return MemberAs<T_ListOfAttributeDescriptorWithSelection>(1);
    }
    const T_ListOfData& ValueList() const { return MemberAs<T_ListOfData>(2); }
};

class T_SetRequestWithListAndWithFirstDatablock final : public TSequenceImpl<T_SetRequestWithListAndWithFirstDatablock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SetRequestWithListAndWithFirstDatablock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_ListOfAttributeDescriptorWithSelection& AttributeDescriptorList() const {
        return MemberAs<T_ListOfAttributeDescriptorWithSelection>(1);
    }
    const T_DataBlock_SA& DataBlock() const { return MemberAs<T_DataBlock_SA>(2); }
};

class T_SetResponseNormal final : public TSequenceImpl<T_SetResponseNormal> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SetResponseNormal";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_DataAccessResult& Result() const { return MemberAs<T_DataAccessResult>(1); }
};

class T_SetResponseForDataBlock final : public TSequenceImpl<T_SetResponseForDataBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SetResponseForDataBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_Unsigned32& BlockNumber() const { return MemberAs<T_Unsigned32>(1); }
};

// The result comes before the block number.
class T_SetResponseForLastDataBlock final : public TSequenceImpl<T_SetResponseForLastDataBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SetResponseForLastDataBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_DataAccessResult& Result() const { return MemberAs<T_DataAccessResult>(1); }
    const T_Unsigned32& BlockNumber() const { return MemberAs<T_Unsigned32>(2); }
};

class T_SetResponseForLastDataBlockWithList final : public TSequenceImpl<T_SetResponseForLastDataBlockWithList> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SetResponseForLastDataBlockWithList";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_ListOfDataAccessResult& Result() const { return MemberAs<T_ListOfDataAccessResult>(1); }
    const T_Unsigned32& BlockNumber() const { return MemberAs<T_Unsigned32>(2); }
};

class T_SetResponseWithList final : public TSequenceImpl<T_SetResponseWithList> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SetResponseWithList";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_ListOfDataAccessResult& Result() const { return MemberAs<T_ListOfDataAccessResult>(1); }
};

// The SetRequest APDU (tag C1).
class T_SetRequest final : public TChoiceImpl<T_SetRequest> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_SetRequest";
    static const TChoiceTable kTable;
};

// The SetResponse APDU (tag C5).
class T_SetResponse final : public TChoiceImpl<T_SetResponse> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_SetResponse";
    static const TChoiceTable kTable;
};

}  // namespace vantrel
