// The A-XDR Data choice and its constructed members: arrays, structures,
// compact arrays with their type descriptions, and the list of Data values.
#pragma once

#include "../INFRA/Choice.h"
#include "../INFRA/Null.h"
#include "../INFRA/Sequence.h"
#include "../INFRA/SequenceOf.h"
#include "Scalars.h"
#include "Strings.h"

namespace vantrel {

class T_NullData final : public TElementImpl<T_NullData, TNull> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_NullData";
};

class T_DontCare final : public TElementImpl<T_DontCare, TNull> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_DontCare";
};

// Data: one tag octet, then the chosen alternative.
class T_Data final : public TChoiceImpl<T_Data> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_Data";
    static const TChoiceTable kTable;
};

class T_Array final : public TSequenceOfImpl<T_Array> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_Array";
    static const TListTable kTable;
};

class T_Structure final : public TSequenceOfImpl<T_Structure> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_Structure";
    static const TListTable kTable;
};

// A list of Data values (written values, method parameters, notification data).
class T_ListOfData final : public TSequenceOfImpl<T_ListOfData> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ListOfData";
    static const TListTable kTable;
};

// The type description of a compact array: a simple type, or an array or
// structure of type descriptions.
class T_TypeDescription final : public TChoiceImpl<T_TypeDescription> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_TypeDescription";
    static const TChoiceTable kTable;
};

class T_ArrayTypeDescription final : public TSequenceImpl<T_ArrayTypeDescription> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ArrayTypeDescription";
    static const TSequenceTable kTable;
    const T_Unsigned16& NumberOfElements() const { return MemberAs<T_Unsigned16>(0); }
    const T_TypeDescription& TypeDescription() const { return MemberAs<T_TypeDescription>(1); }
};

class T_StructureTypeDescription final : public TSequenceOfImpl<T_StructureTypeDescription> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_StructureTypeDescription";
    static const TListTable kTable;
};

// A type description and the packed contents, kept as one opaque octet string.
class T_CompactArray final : public TSequenceImpl<T_CompactArray> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_CompactArray";
    static const TSequenceTable kTable;
    const T_TypeDescription& ContentDescription() const { return MemberAs<T_TypeDescription>(0); }
    const T_OctetString& ArrayContent() const { return MemberAs<T_OctetString>(1); }
};

}  // namespace vantrel
