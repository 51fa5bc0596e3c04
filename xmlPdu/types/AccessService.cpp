#include "AccessService.h"

namespace vantrel {

namespace {
constexpr TField kAttributeDescriptorFields[] = {kAttributeDescriptorField};
constexpr TField kMethodDescriptorFields[] = {kMethodDescriptorField};
constexpr TField kAttributeDescriptorWithSelectionFields[] = {kAttributeDescriptorField, kAccessSelectionField};
constexpr TField kDataAccessResultFields[] = {{xmlResult, &ElementFactory<T_DataAccessResult>}};
constexpr TField kActionResultFields[] = {{xmlResult, &ElementFactory<T_ActionResult>}};

constexpr TAlternative kAccessRequestSpecificationAlternatives[] = {
    {1, xmlAccessRequestGet, &ElementFactory<T_AccessRequestGet>},
    {2, xmlAccessRequestSet, &ElementFactory<T_AccessRequestSet>},
    {3, xmlAccessRequestAction, &ElementFactory<T_AccessRequestAction>},
    {4, xmlAccessRequestGetWithSelection, &ElementFactory<T_AccessRequestGetWithSelection>},
    {5, xmlAccessRequestSetWithSelection, &ElementFactory<T_AccessRequestSetWithSelection>},
};

constexpr TAlternative kAccessResponseSpecificationAlternatives[] = {
    {1, xmlAccessResponseGet, &ElementFactory<T_AccessResponseGet>},
    {2, xmlAccessResponseSet, &ElementFactory<T_AccessResponseSet>},
    {3, xmlAccessResponseAction, &ElementFactory<T_AccessResponseAction>},
};

constexpr TField kAccessRequestBodyFields[] = {
    {xmlAccessRequestSpecification, &ElementFactory<T_ListOfAccessRequestSpecification>},
    {xmlAccessRequestListOfData, &ElementFactory<T_ListOfData>},
};

// The response may echo the request's specifications.
constexpr TField kAccessResponseBodyFields[] = {
    {xmlAccessRequestSpecification, &ElementFactory<T_ListOfAccessRequestSpecification>, Optional},
    {xmlAccessResponseListOfData, &ElementFactory<T_ListOfData>},
    {xmlAccessResponseSpecification, &ElementFactory<T_ListOfAccessResponseSpecification>},
};

constexpr TField kDateTimeField{xmlDateTime, &ElementFactory<T_OctetString>};

constexpr TField kAccessRequestFields[] = {
    kLongInvokeIdAndPriorityField,
    kDateTimeField,
    {xmlAccessRequestBody, &ElementFactory<T_AccessRequestBody>},
};

constexpr TField kAccessResponseFields[] = {
    kLongInvokeIdAndPriorityField,
    kDateTimeField,
    {xmlAccessResponseBody, &ElementFactory<T_AccessResponseBody>},
};

constexpr TField kEventNotificationRequestFields[] = {
    {xmlTime, &ElementFactory<T_OctetString>, Optional},
    kAttributeDescriptorField,
    {xmlAttributeValue, &ElementFactory<T_Data>},
};
}  // namespace

constinit const TSequenceTable T_AccessRequestGet::kTable{kAttributeDescriptorFields};
constinit const TSequenceTable T_AccessRequestSet::kTable{kAttributeDescriptorFields};
constinit const TSequenceTable T_AccessRequestAction::kTable{kMethodDescriptorFields};
constinit const TSequenceTable T_AccessRequestGetWithSelection::kTable{kAttributeDescriptorWithSelectionFields};
constinit const TSequenceTable T_AccessRequestSetWithSelection::kTable{kAttributeDescriptorWithSelectionFields};
constinit const TSequenceTable T_AccessResponseGet::kTable{kDataAccessResultFields};
constinit const TSequenceTable T_AccessResponseSet::kTable{kDataAccessResultFields};
constinit const TSequenceTable T_AccessResponseAction::kTable{kActionResultFields};

constinit const TChoiceTable T_AccessRequestSpecification::kTable = MakeChoiceTable(
    "T_AccessRequestSpecification", xml_AccessRequestSpecification, kAccessRequestSpecificationAlternatives);
constinit const TChoiceTable T_AccessResponseSpecification::kTable = MakeChoiceTable(
    "T_AccessResponseSpecification", xml_AccessResponseSpecification, kAccessResponseSpecificationAlternatives);
constinit const TListTable T_ListOfAccessRequestSpecification::kTable{
    xml_AccessRequestSpecification, &ElementFactory<T_AccessRequestSpecification>};
constinit const TListTable T_ListOfAccessResponseSpecification::kTable{
    xml_AccessResponseSpecification, &ElementFactory<T_AccessResponseSpecification>};

constinit const TSequenceTable T_AccessRequestBody::kTable{kAccessRequestBodyFields};
constinit const TSequenceTable T_AccessResponseBody::kTable{kAccessResponseBodyFields};
constinit const TSequenceTable T_AccessRequest::kTable{kAccessRequestFields};
constinit const TSequenceTable T_AccessResponse::kTable{kAccessResponseFields};
constinit const TSequenceTable T_EventNotificationRequest::kTable{kEventNotificationRequestFields};

}  // namespace vantrel
