// Short-name addressing: the 16-bit object name, the variable access
// specification with its four constructed forms, and the list of them that
// the short-name services carry.
#pragma once

#include "../INFRA/Choice.h"
#include "../INFRA/Sequence.h"
#include "../INFRA/SequenceOf.h"
#include "Data.h"

namespace vantrel {

// A COSEM object's short name: a signed 16-bit number.
class T_ObjectName final : public TFixedWidthImpl<T_ObjectName, int16_t, 2> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_ObjectName";
};

class T_ParametrisedAccess final : public TSequenceImpl<T_ParametrisedAccess> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ParametrisedAccess";
    static const TSequenceTable kTable;
    const T_ObjectName& VariableName() const { return MemberAs<T_ObjectName>(0); }
    const T_Unsigned8& Selector() const { return MemberAs<T_Unsigned8>(1); }
    const T_Data& Parameter() const { return MemberAs<T_Data>(2); }
};

class T_BlockNumberAccess final : public TSequenceImpl<T_BlockNumberAccess> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_BlockNumberAccess";
    static const TSequenceTable kTable;
    const T_Unsigned16& BlockNumber() const { return MemberAs<T_Unsigned16>(0); }
};

class T_ReadDataBlockAccess final : public TSequenceImpl<T_ReadDataBlockAccess> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ReadDataBlockAccess";
    static const TSequenceTable kTable;
    const T_Boolean& LastBlock() const { return MemberAs<T_Boolean>(0); }
    const T_Unsigned16& BlockNumber() const { return MemberAs<T_Unsigned16>(1); }
    const T_OctetString& RawData() const { return MemberAs<T_OctetString>(2); }
};

class T_WriteDataBlockAccess final : public TSequenceImpl<T_WriteDataBlockAccess> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_WriteDataBlockAccess";
    static const TSequenceTable kTable;
    const T_Boolean& LastBlock() const { return MemberAs<T_Boolean>(0); }
    const T_Unsigned16& BlockNumber() const { return MemberAs<T_Unsigned16>(1); }
};

class T_VariableAccessSpecification final : public TChoiceImpl<T_VariableAccessSpecification> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_VariableAccessSpecification";
    static const TChoiceTable kTable;
};

class T_ListOfVariableAccessSpecifications final : public TSequenceOfImpl<T_ListOfVariableAccessSpecifications> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ListOfVariableAccessSpecifications";
    static const TListTable kTable;
};

}  // namespace vantrel
