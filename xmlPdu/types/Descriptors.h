// The building blocks of the logical-name services: the invoke-id octets,
// the identifiers of a COSEM object, the attribute and method descriptors,
// selective access, and the data-access result.
#pragma once

#include "../INFRA/Enum.h"
#include "../INFRA/Sequence.h"
#include "Data.h"

namespace vantrel {

// The invoke-id-and-priority octet, carried whole: no bit is taken apart.
class T_InvokeIdAndPriority final : public TFixedWidthImpl<T_InvokeIdAndPriority, uint8_t, 1> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_InvokeIdAndPriority";
};

// The four-octet invoke-id-and-priority of data notifications and ACCESS.
class T_LongInvokeIdAndPriority final : public TFixedWidthImpl<T_LongInvokeIdAndPriority, uint32_t, 4> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_LongInvokeIdAndPriority";
    // Compares as unsigned 32-bit numbers.
    bool CheckRange(int32_t Low, int32_t High) const override {
        return static_cast<uint32_t>(Low) <= Value && Value <= static_cast<uint32_t>(High);
    }
};

class T_ClassId final : public TFixedWidthImpl<T_ClassId, uint16_t, 2> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_ClassId";
};

// The six-octet logical name.
class T_ObjectInstanceId final : public TOctetStringImpl<T_ObjectInstanceId, 6> {
public:
    using TOctetStringImpl::TOctetStringImpl;
    static constexpr std::string_view kClassName = "T_ObjectInstanceId";
};

class T_ObjectAttributeId final : public TFixedWidthImpl<T_ObjectAttributeId, int8_t, 1> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_ObjectAttributeId";
};

class T_ObjectMethodId final : public TFixedWidthImpl<T_ObjectMethodId, int8_t, 1> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_ObjectMethodId";
};

class T_AttributeDescriptor final : public TSequenceImpl<T_AttributeDescriptor> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AttributeDescriptor";
    static const TSequenceTable kTable;
    const T_ClassId& ClassId() const { return MemberAs<T_ClassId>(0); }
    const T_ObjectInstanceId& InstanceId() const { return MemberAs<T_ObjectInstanceId>(1); }
    const T_ObjectAttributeId& AttributeId() const { return MemberAs<T_ObjectAttributeId>(2); }
};

class T_MethodDescriptor final : public TSequenceImpl<T_MethodDescriptor> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_MethodDescriptor";
    static const TSequenceTable kTable;
    const T_ClassId& ClassId() const { return MemberAs<T_ClassId>(0); }
    const T_ObjectInstanceId& InstanceId() const { return MemberAs<T_ObjectInstanceId>(1); }
    const T_ObjectMethodId& MethodId() const { return MemberAs<T_ObjectMethodId>(2); }
};

// The selector is a plain octet; the parameters are always one Data value.
class T_SelectiveAccessDescriptor final : public TSequenceImpl<T_SelectiveAccessDescriptor> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_SelectiveAccessDescriptor";
    static const TSequenceTable kTable;
    const T_Unsigned8& AccessSelector() const { return MemberAs<T_Unsigned8>(0); }
    const T_Data& AccessParameters() const { return MemberAs<T_Data>(1); }
};

class T_AttributeDescriptorWithSelection final : public TSequenceImpl<T_AttributeDescriptorWithSelection> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AttributeDescriptorWithSelection";
    static const TSequenceTable kTable;
    const T_AttributeDescriptor& AttributeDescriptor() const { return MemberAs<T_AttributeDescriptor>(0); }
    const T_SelectiveAccessDescriptor* AccessSelection() const { return OptionalMember<T_SelectiveAccessDescriptor>(1); }
};

class T_DataAccessResult final : public TEnumImpl<T_DataAccessResult> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_DataAccessResult";
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
        {15, "LongGetOrReadAborted"},
        {16, "NoLongGetOrReadInProgress"},
        {17, "LongSetOrWriteAborted"},
        {18, "NoLongSetOrWriteInProgress"},
        {19, "DataBlockNumberInvalid"},
        {250, "OtherReason"},
    };
};

// Field rows that recur across the service sequences.
inline constexpr TField kInvokeIdAndPriorityField{xmlInvokeIdAndPriority, &ElementFactory<T_InvokeIdAndPriority>};
inline constexpr TField kLongInvokeIdAndPriorityField{xmlLongInvokeIdAndPriority,
                                                      &ElementFactory<T_LongInvokeIdAndPriority>};
inline constexpr TField kAttributeDescriptorField{xmlAttributeDescriptor, &ElementFactory<T_AttributeDescriptor>};
inline constexpr TField kMethodDescriptorField{xmlMethodDescriptor, &ElementFactory<T_MethodDescriptor>};
inline constexpr TField kAccessSelectionField{xmlAccessSelection, &ElementFactory<T_SelectiveAccessDescriptor>};
inline constexpr TField kOptionalAccessSelectionField{xmlAccessSelection,
                                                      &ElementFactory<T_SelectiveAccessDescriptor>, Optional};
inline constexpr TField kBlockNumberField{xmlBlockNumber, &ElementFactory<T_Unsigned32>};
inline constexpr TField kLastBlockField{xmlLastBlock, &ElementFactory<T_Boolean>};

}  // namespace vantrel
