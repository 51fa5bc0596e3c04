// The confirmed short-name services: read and write requests and their
// responses. None of them carries an invoke id.
#pragma once

#include "Descriptors.h"
#include "VariableAccess.h"

namespace vantrel {

// The objects to read: the whole APDU body is the list.
class T_ReadRequest final : public TSequenceOfImpl<T_ReadRequest> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ReadRequest";
    static const TListTable kTable;
};

class T_WriteRequest final : public TSequenceImpl<T_WriteRequest> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_WriteRequest";
    static const TSequenceTable kTable;
    // The two lists are not compared: their counts may differ.
    const T_ListOfVariableAccessSpecifications& ListOfVariableAccessSpecification() const {
        return MemberAs<T_ListOfVariableAccessSpecifications>(0);
    }
    const T_ListOfData& ListOfData() const { return MemberAs<T_ListOfData>(1); }
};

// One block of a long read.
class T_DataBlockResult final : public TSequenceImpl<T_DataBlockResult> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_DataBlockResult";
    static const TSequenceTable kTable;
    const T_Boolean& LastBlock() const { return MemberAs<T_Boolean>(0); }
    const T_Unsigned16& BlockNumber() const { return MemberAs<T_Unsigned16>(1); }
    const T_OctetString& RawData() const { return MemberAs<T_OctetString>(2); }
};

class T_SingleReadResponse final : public TChoiceImpl<T_SingleReadResponse> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_SingleReadResponse";
    static const TChoiceTable kTable;
};

class T_SingleWriteResponse final : public TChoiceImpl<T_SingleWriteResponse> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_SingleWriteResponse";
    static const TChoiceTable kTable;
};

class T_ReadResponse final : public TSequenceOfImpl<T_ReadResponse> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_ReadResponse";
    static const TListTable kTable;
};

class T_WriteResponse final : public TSequenceOfImpl<T_WriteResponse> {
public:
    using TSequenceOfImpl::TSequenceOfImpl;
    static constexpr std::string_view kClassName = "T_WriteResponse";
    static const TListTable kTable;
};

}  // namespace vantrel
