// The ACTION service: the ActionRequest and ActionResponse APDUs with their
// alternatives, the action result, and the lists of method descriptors and
// single-action responses. Parameter blocks are the SET data block.
#pragma once

#include "SetService.h"

namespace vantrel {

class T_ActionResult final : public TEnumImpl<T_ActionResult> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_ActionResult";
    static constexpr TEnumName kNames[] = {
        {0, "Success"},
        {1, "HardwareFault"},
        {2, "TemporaryFailure"},
        {3, "ReadWriteDenied"},
        {4, "ObjectUndefined"},
        {9, "ObjectClassInconsistent"},
        {11, "ObjectUnavailable"},
        {12, "TypeUnmatched"},
        {13, "ScopeOfAccessViolated"},
        {14, "DataBlockUnavailable"},
        {15, "LongActionAborted"},
        {16, "NoLongActionInProgress"},
        {250, "OtherReason"},
    };
};

class T_SingleActionResponse final : public TSequenceImpl<T_SingleActionResponse> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SingleActionResponse";
    static const TSequenceTable kTable;
    const T_ActionResult& Result() const { return MemberAs<T_ActionResult>(0); }
    const T_GetDataResult* ReturnParameters() const { return OptionalMember<T_GetDataResult>(1); }
};

class T_ListOfMethodDescriptor final : public TSequenceOfImpl<T_ListOfMethodDescriptor> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ListOfMethodDescriptor";
    static const TListTable kTable;
};

class T_ListOfSingleActionResponse final : public TSequenceOfImpl<T_ListOfSingleActionResponse> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ListOfSingleActionResponse";
    static const TListTable kTable;
};

class T_ActionRequestNormal final : public TSequenceImpl<T_ActionRequestNormal> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ActionRequestNormal";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_MethodDescriptor& MethodDescriptor() const { return MemberAs<T_MethodDescriptor>(1); }
    const T_Data* MethodInvocationParameters() const { return OptionalMember<T_Data>(2); }
};

class T_ActionRequestForNextPBlock final : public TSequenceImpl<T_ActionRequestForNextPBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ActionRequestForNextPBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_Unsigned32& BlockNumber() const { return MemberAs<T_Unsigned32>(1); }
};

// The descriptor count and the parameter count are independent.
class T_ActionRequestWithList final : public TSequenceImpl<T_ActionRequestWithList> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ActionRequestWithList";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_ListOfMethodDescriptor& MethodDescriptorList() const { return MemberAs<T_ListOfMethodDescriptor>(1); }
    const T_ListOfData& MethodInvocationParameters() const { return MemberAs<T_ListOfData>(2); }
};

class T_ActionRequestWithFirstPBlock final : public TSequenceImpl<T_ActionRequestWithFirstPBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ActionRequestWithFirstPBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_MethodDescriptor& MethodDescriptor() const { return MemberAs<T_MethodDescriptor>(1); }
    const T_DataBlock_SA& PBlock() const { return MemberAs<T_DataBlock_SA>(2); }
};

// Written as "ActionRequestWithListAndFirstPBlock".
class T_ActionRequestWithListAndWithFirstPBlock final : public TSequenceImpl<T_ActionRequestWithListAndWithFirstPBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ActionRequestWithListAndWithFirstPBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_ListOfMethodDescriptor& MethodDescriptorList() const { return MemberAs<T_ListOfMethodDescriptor>(1); }
    const T_DataBlock_SA& PBlock() const { return MemberAs<T_DataBlock_SA>(2); }
};

class T_ActionRequestWithPBlock final : public TSequenceImpl<T_ActionRequestWithPBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ActionRequestWithPBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_DataBlock_SA& PBlock() const { return MemberAs<T_DataBlock_SA>(1); }
};

class T_ActionResponseNormal final : public TSequenceImpl<T_ActionResponseNormal> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ActionResponseNormal";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_ActionResult& Result() const { return MemberAs<T_ActionResult>(1); }
    const T_GetDataResult* ReturnParameters() const { return OptionalMember<T_GetDataResult>(2); }
};

class T_ActionResponseWithPBlock final : public TSequenceImpl<T_ActionResponseWithPBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ActionResponseWithPBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_DataBlock_SA& PBlock() const { return MemberAs<T_DataBlock_SA>(1); }
};

class T_ActionResponseWithList final : public TSequenceImpl<T_ActionResponseWithList> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ActionResponseWithList";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_ListOfSingleActionResponse& ListOfSingleActionResponse() const {
        return MemberAs<T_ListOfSingleActionResponse>(1);
    }
};

class T_ActionResponseForNextPBlock final : public TSequenceImpl<T_ActionResponseForNextPBlock> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ActionResponseForNextPBlock";
    static const TSequenceTable kTable;
    const T_InvokeIdAndPriority& InvokeIdAndPriority() const { return MemberAs<T_InvokeIdAndPriority>(0); }
    const T_Unsigned32& BlockNumber() const { return MemberAs<T_Unsigned32>(1); }
};

// The ActionRequest APDU (tag C3).
class T_ActionRequest final : public TChoiceImpl<T_ActionRequest> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_ActionRequest";
    static const TChoiceTable kTable;
};

// The ActionResponse APDU (tag C7).
class T_ActionResponse final : public TChoiceImpl<T_ActionResponse> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_ActionResponse";
    static const TChoiceTable kTable;
};

}  // namespace vantrel
