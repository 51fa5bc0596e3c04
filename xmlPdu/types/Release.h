// The BER-encoded ACSE release request (RLRQ) and response (RLRE): an
// optional reason and an optional user information, which here keeps its
// own "UserInformation" element around the carried APDU.
#pragma once

#include "../INFRA/Enum.h"
#include "Association.h"

namespace vantrel {

// A release reason: the contents of a one-octet BER integer (length 01 and
// the value), written in XML by name.
template <class Derived>
class TReleaseReasonImpl : public TEnumImpl<Derived> {
    using Base = TEnumImpl<Derived>;

public:
    using Base::Base;
    TReleaseReasonImpl(TXMLId aXMLId, TStringWrapper& PDUStr) : Base(aXMLId) {
        PDUStr.ExpectByte(1);
        this->Read(PDUStr.NextByte(), PDUStr);
    }

    void EncodeToPduStr(std::string& PduStr) const override {
        const char octets[] = {'\x01', static_cast<char>(this->Value)};
        PduStr.append(octets, 2);
    }
};

class T_ReleaseRequestReason final : public TReleaseReasonImpl<T_ReleaseRequestReason> {
public:
    using TReleaseReasonImpl::TReleaseReasonImpl;
    static constexpr std::string_view kClassName = "T_ReleaseRequestReason";
    static constexpr TEnumName kNames[] = {
        {0, "Normal"},
        {1, "Urgent"},
        {30, "UserDefined"},
    };
};

class T_ReleaseResponseReason final : public TReleaseReasonImpl<T_ReleaseResponseReason> {
public:
    using TReleaseReasonImpl::TReleaseReasonImpl;
    static constexpr std::string_view kClassName = "T_ReleaseResponseReason";
    static constexpr TEnumName kNames[] = {
        {0, "Normal"},
        {1, "NotFinished"},
        {30, "UserDefined"},
    };
};

class T_ReleaseRequest final : public TBERApduImpl<T_ReleaseRequest> {
public:
    using TBERApduImpl::TBERApduImpl;
    static constexpr std::string_view kClassName = "T_ReleaseRequest";
    static const TBERTable kTable;
    const T_ReleaseRequestReason* Reason() const { return Field<T_ReleaseRequestReason>(0); }
    const T_BERCOSEMpdu* UserInformation() const { return Field<T_BERCOSEMpdu>(1); }
};

class T_ReleaseResponse final : public TBERApduImpl<T_ReleaseResponse> {
public:
    using TBERApduImpl::TBERApduImpl;
    static constexpr std::string_view kClassName = "T_ReleaseResponse";
    static const TBERTable kTable;
    const T_ReleaseResponseReason* Reason() const { return Field<T_ReleaseResponseReason>(0); }
    const T_BERCOSEMpdu* UserInformation() const { return Field<T_BERCOSEMpdu>(1); }
};

}  // namespace vantrel
