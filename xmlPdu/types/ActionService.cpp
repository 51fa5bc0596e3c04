#include "ActionService.h"

namespace vantrel {

namespace {
constexpr TField kPBlockField{xmlPBlock, &ElementFactory<T_DataBlock_SA>};
constexpr TField kMethodDescriptorListField{xmlMethodDescriptorList, &ElementFactory<T_ListOfMethodDescriptor>};
constexpr TField kResultField{xmlResult, &ElementFactory<T_ActionResult>};
constexpr TField kReturnParametersField{xmlReturnParameters, &ElementFactory<T_GetDataResult>, Optional};

constexpr TField kSingleActionResponseFields[] = {kResultField, kReturnParametersField};

constexpr TField kActionRequestNormalFields[] = {
    kInvokeIdAndPriorityField,
    kMethodDescriptorField,
    {xmlMethodInvocationParameters, &ElementFactory<T_Data>, Optional},
};

constexpr TField kActionRequestForNextPBlockFields[] = {kInvokeIdAndPriorityField, kBlockNumberField};

// The same element name as the normal request's single Data value, here a list.
constexpr TField kActionRequestWithListFields[] = {
    kInvokeIdAndPriorityField,
    kMethodDescriptorListField,
    {xmlMethodInvocationParameters, &ElementFactory<T_ListOfData>},
};

constexpr TField kActionRequestWithFirstPBlockFields[] = {kInvokeIdAndPriorityField, kMethodDescriptorField,
                                                          kPBlockField};
constexpr TField kActionRequestWithListAndWithFirstPBlockFields[] = {kInvokeIdAndPriorityField,
                                                                     kMethodDescriptorListField, kPBlockField};
constexpr TField kActionRequestWithPBlockFields[] = {kInvokeIdAndPriorityField, kPBlockField};

constexpr TField kActionResponseNormalFields[] = {kInvokeIdAndPriorityField, kResultField, kReturnParametersField};
constexpr TField kActionResponseWithPBlockFields[] = {kInvokeIdAndPriorityField, kPBlockField};
constexpr TField kActionResponseWithListFields[] = {
    kInvokeIdAndPriorityField,
    {xmlListOfSingleActionResponse, &ElementFactory<T_ListOfSingleActionResponse>},
};
constexpr TField kActionResponseForNextPBlockFields[] = {kInvokeIdAndPriorityField, kBlockNumberField};

// Alternative 5 is written without the second "With" of its class name.
constexpr TAlternative kActionRequestAlternatives[] = {
    {1, xmlActionRequestNormal, &ElementFactory<T_ActionRequestNormal>},
    {2, xmlActionRequestForNextPBlock, &ElementFactory<T_ActionRequestForNextPBlock>},
    {3, xmlActionRequestWithList, &ElementFactory<T_ActionRequestWithList>},
    {4, xmlActionRequestWithFirstPBlock, &ElementFactory<T_ActionRequestWithFirstPBlock>},
    {5, xmlActionRequestWithListAndFirstPBlock, &ElementFactory<T_ActionRequestWithListAndWithFirstPBlock>},
    {6, xmlActionRequestWithPBlock, &ElementFactory<T_ActionRequestWithPBlock>},
};

constexpr TAlternative kActionResponseAlternatives[] = {
    {1, xmlActionResponseNormal, &ElementFactory<T_ActionResponseNormal>},
    {2, xmlActionResponseWithPBlock, &ElementFactory<T_ActionResponseWithPBlock>},
    {3, xmlActionResponseWithList, &ElementFactory<T_ActionResponseWithList>},
    {4, xmlActionResponseForNextPBlock, &ElementFactory<T_ActionResponseForNextPBlock>},
};
}  // namespace

constinit const TSequenceTable T_SingleActionResponse::kTable{kSingleActionResponseFields};
constinit const TListTable T_ListOfMethodDescriptor::kTable{xml_MethodDescriptor, &ElementFactory<T_MethodDescriptor>};
constinit const TListTable T_ListOfSingleActionResponse::kTable{xml_SingleActionResponse,
                                                                &ElementFactory<T_SingleActionResponse>};

constinit const TSequenceTable T_ActionRequestNormal::kTable{kActionRequestNormalFields};
constinit const TSequenceTable T_ActionRequestForNextPBlock::kTable{kActionRequestForNextPBlockFields};
constinit const TSequenceTable T_ActionRequestWithList::kTable{kActionRequestWithListFields};
constinit const TSequenceTable T_ActionRequestWithFirstPBlock::kTable{kActionRequestWithFirstPBlockFields};
constinit const TSequenceTable T_ActionRequestWithListAndWithFirstPBlock::kTable{
    kActionRequestWithListAndWithFirstPBlockFields};
constinit const TSequenceTable T_ActionRequestWithPBlock::kTable{kActionRequestWithPBlockFields};
constinit const TSequenceTable T_ActionResponseNormal::kTable{kActionResponseNormalFields};
constinit const TSequenceTable T_ActionResponseWithPBlock::kTable{kActionResponseWithPBlockFields};
constinit const TSequenceTable T_ActionResponseWithList::kTable{kActionResponseWithListFields};
constinit const TSequenceTable T_ActionResponseForNextPBlock::kTable{kActionResponseForNextPBlockFields};

constinit const TChoiceTable T_ActionRequest::kTable =
    MakeChoiceTable("T_ActionRequest", xml_ActionRequest, kActionRequestAlternatives);
constinit const TChoiceTable T_ActionResponse::kTable =
    MakeChoiceTable("T_ActionResponse", xml_ActionResponse, kActionResponseAlternatives);

}  // namespace vantrel
