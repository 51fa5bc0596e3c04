// The service errors: the detail enumerations, the ServiceError choice over
// them, and the ConfirmedServiceError and ExceptionResponse APDUs.
#pragma once

#include "../INFRA/Choice.h"
#include "../INFRA/Enum.h"
#include "../INFRA/Sequence.h"
#include "Scalars.h"

namespace vantrel {

class T_ApplicationReference final : public TEnumImpl<T_ApplicationReference> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_ApplicationReference";
    static constexpr TEnumName kNames[] = {
        {0, "Other"},
        {1, "TimeElapsed"},
        {2, "ApplicationUnreachable"},
        {3, "ApplicationReferenceInvalid"},
        {4, "ApplicationContextUnsupported"},
        {5, "ProviderCommunicationError"},
        {6, "DecipheringError"},
    };
};

class T_HardwareResource final : public TEnumImpl<T_HardwareResource> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_HardwareResource";
    static constexpr TEnumName kNames[] = {
        {0, "Other"},
        {1, "MemoryUnavailable"},
        {2, "ProcessorResourceUnavailable"},
        {3, "MassStorageUnavailable"},
        {4, "OtherResourceUnavailable"},
    };
};

class T_VdeStateError final : public TEnumImpl<T_VdeStateError> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_VdeStateError";
    static constexpr TEnumName kNames[] = {
        {0, "Other"},
        {1, "NoDlmsContext"},
        {2, "LoadingDataSet"},
        {3, "StatusNochange"},
        {4, "StatusInoperable"},
    };
};

class T_Service final : public TEnumImpl<T_Service> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_Service";
    static constexpr TEnumName kNames[] = {{0, "Other"}, {1, "PduSize"}, {2, "ServiceUnsupported"}};
};

class T_Definition final : public TEnumImpl<T_Definition> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_Definition";
    static constexpr TEnumName kNames[] = {
        {0, "Other"},
        {1, "ObjectUndefined"},
        {2, "ObjectClassInconsistent"},
        {3, "ObjectAttributeInconsistent"},
    };
};

class T_Access final : public TEnumImpl<T_Access> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_Access";
    static constexpr TEnumName kNames[] = {
        {0, "Other"},
        {1, "ScopeOfAccessViolated"},
        {2, "ObjectAccessInvalid"},
        {3, "HardwareFault"},
        {4, "ObjectUnavailable"},
    };
};

class T_Initiate final : public TEnumImpl<T_Initiate> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_Initiate";
    static constexpr TEnumName kNames[] = {
        {0, "Other"},
        {1, "DlmsVersionTooLow"},
        {2, "IncompatibleConformance"},
        {3, "PduSizeTooShort"},
        {4, "RefusedByTheVDEHandler"},
    };
};

class T_LoadDataSet final : public TEnumImpl<T_LoadDataSet> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_LoadDataSet";
    static constexpr TEnumName kNames[] = {
        {0, "Other"},
        {1, "PrimitiveOutOfSequence"},
        {2, "NotLoadable"},
        {3, "DatasetSizeTooLarge"},
        {4, "NotAwaitedSegment"},
        {5, "InterpretationFailure"},
        {6, "StorageFailure"},
        {7, "DataSetNotReady"},
    };
};

class T_Task final : public TEnumImpl<T_Task> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_Task";
    static constexpr TEnumName kNames[] = {
        {0, "Other"},
        {1, "NoRemoteControl"},
        {2, "TiStopped"},
        {3, "TiRunning"},
        {4, "TiUnusable"},
    };
};

// Any octet: the detail of an error outside the other kinds.
class T_OtherError final : public TFixedWidthImpl<T_OtherError, uint8_t, 1> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_OtherError";
};

// One octet naming the kind of error, then the detail of that kind.
class T_ServiceError final : public TChoiceImpl<T_ServiceError> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_ServiceError";
    static const TChoiceTable kTable;
};

// The state error of an exception response; there is no value 0.
class T_ExceptionStateError final : public TEnumImpl<T_ExceptionStateError> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_ExceptionStateError";
    static constexpr TEnumName kNames[] = {{1, "ServiceNotAllowed"}, {2, "ServiceUnknown"}};
};

// The service error of an exception response; there is no value 0.
class T_ExceptionServiceError final : public TEnumImpl<T_ExceptionServiceError> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_ExceptionServiceError";
    static constexpr TEnumName kNames[] = {
        {1, "OperationNotPossible"},
        {2, "ServiceNotSupported"},
        {3, "OtherReason"},
        {4, "PduTooLong"},
        {5, "DecipheringError"},
        {6, "InvocationCounterError"},
    };
};

// The ConfirmedServiceError APDU (tag 0E). The refused service is a plain
// octet: the tag of the service in the APDU's own choice, not named.
class T_ConfirmedServiceError final : public TSequenceImpl<T_ConfirmedServiceError> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ConfirmedServiceError";
    static const TSequenceTable kTable;
    const T_Unsigned8& Service() const { return MemberAs<T_Unsigned8>(0); }
    const T_ServiceError& ServiceError() const { return MemberAs<T_ServiceError>(1); }
};

// The ExceptionResponse APDU (tag D8): two octets, nothing after them.
class T_ExceptionResponse final : public TSequenceImpl<T_ExceptionResponse> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_ExceptionResponse";
    static const TSequenceTable kTable;
    const T_ExceptionStateError& StateError() const { return MemberAs<T_ExceptionStateError>(0); }
    const T_ExceptionServiceError& ServiceError() const { return MemberAs<T_ExceptionServiceError>(1); }
};

}  // namespace vantrel
