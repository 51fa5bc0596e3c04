#include "ServiceErrors.h"

namespace vantrel {

namespace {
// Tag 8 has no member.
constexpr TAlternative kServiceErrorAlternatives[] = {
    {0, xmlApplicationReference, &ElementFactory<T_ApplicationReference>},
    {1, xmlHardwareResource, &ElementFactory<T_HardwareResource>},
    {2, xmlVdeStateError, &ElementFactory<T_VdeStateError>},
    {3, xmlService, &ElementFactory<T_Service>},
    {4, xmlDefinition, &ElementFactory<T_Definition>},
    {5, xmlAccess, &ElementFactory<T_Access>},
    {6, xmlInitiate, &ElementFactory<T_Initiate>},
    {7, xmlLoadDataSet, &ElementFactory<T_LoadDataSet>},
    {9, xmlTask, &ElementFactory<T_Task>},
    {10, xmlOtherError, &ElementFactory<T_OtherError>},
};

constexpr TField kConfirmedServiceErrorFields[] = {
    {xmlService, &ElementFactory<T_Unsigned8>},
    {xmlServiceError, &ElementFactory<T_ServiceError>},
};

constexpr TField kExceptionResponseFields[] = {
    {xmlStateError, &ElementFactory<T_ExceptionStateError>},
    {xmlServiceError, &ElementFactory<T_ExceptionServiceError>},
};
}  // namespace

constinit const TChoiceTable T_ServiceError::kTable =
    MakeChoiceTable("T_ServiceError", xml_ServiceError, kServiceErrorAlternatives);
constinit const TSequenceTable T_ConfirmedServiceError::kTable{kConfirmedServiceErrorFields};
constinit const TSequenceTable T_ExceptionResponse::kTable{kExceptionResponseFields};

}  // namespace vantrel
