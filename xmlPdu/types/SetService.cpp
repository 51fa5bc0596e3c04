#include "SetService.h"

namespace vantrel {

namespace {
constexpr TField kDataBlockSAFields[] = {
    kLastBlockField,
    kBlockNumberField,
    {xmlRawData, &ElementFactory<T_OctetString>},
};

constexpr TField kDataBlockField{xmlDataBlock, &ElementFactory<T_DataBlock_SA>};
constexpr TField kAttributeDescriptorListField{xmlAttributeDescriptorList,
                                               &ElementFactory<T_ListOfAttributeDescriptorWithSelection>};
constexpr TField kResultField{xmlResult, &ElementFactory<T_DataAccessResult>};
constexpr TField kResultListField{xmlResult, &ElementFactory<T_ListOfDataAccessResult>};

constexpr TField kSetRequestNormalFields[] = {
    kInvokeIdAndPriorityField,
    kAttributeDescriptorField,
    kOptionalAccessSelectionField,
    {xmlValue, &ElementFactory<T_Data>},
};

constexpr TField kSetRequestWithFirstDataBlockFields[] = {
    kInvokeIdAndPriorityField,
    kAttributeDescriptorField,
    kOptionalAccessSelectionField,
    kDataBlockField,
};

constexpr TField kSetRequestWithDataBlockFields[] = {kInvokeIdAndPriorityField, kDataBlockField};

constexpr TField kSetRequestWithListFields[] = {
    kInvokeIdAndPriorityField,
    kAttributeDescriptorListField,
    {xmlValueList, &ElementFactory<T_ListOfData>},
};

constexpr TField kSetRequestWithListAndWithFirstDatablockFields[] = {
    kInvokeIdAndPriorityField,
    kAttributeDescriptorListField,
    kDataBlockField,
};

constexpr TField kSetResponseNormalFields[] = {kInvokeIdAndPriorityField, kResultField};
constexpr TField kSetResponseForDataBlockFields[] = {kInvokeIdAndPriorityField, kBlockNumberField};
constexpr TField kSetResponseForLastDataBlockFields[] = {kInvokeIdAndPriorityField, kResultField, kBlockNumberField};
constexpr TField kSetResponseForLastDataBlockWithListFields[] = {
    kInvokeIdAndPriorityField,
    kResultListField,
    kBlockNumberField,
};
constexpr TField kSetResponseWithListFields[] = {kInvokeIdAndPriorityField, kResultListField};

constexpr TAlternative kSetRequestAlternatives[] = {
    {1, xmlSetRequestNormal, &ElementFactory<T_SetRequestNormal>},
    {2, xmlSetRequestWithFirstDataBlock, &ElementFactory<T_SetRequestWithFirstDataBlock>},
    {3, xmlSetRequestWithDataBlock, &ElementFactory<T_SetRequestWithDataBlock>},
    {4, xmlSetRequestWithList, &ElementFactory<T_SetRequestWithList>},
    {5, xmlSetRequestWithListAndWithFirstDatablock, &ElementFactory<T_SetRequestWithListAndWithFirstDatablock>},
};

constexpr TAlternative kSetResponseAlternatives[] = {
    {1, xmlSetResponseNormal, &ElementFactory<T_SetResponseNormal>},
    {2, xmlSetResponseForDataBlock, &ElementFactory<T_SetResponseForDataBlock>},
    {3, xmlSetResponseForLastDataBlock, &ElementFactory<T_SetResponseForLastDataBlock>},
    {4, xmlSetResponseForLastDataBlockWithList, &ElementFactory<T_SetResponseForLastDataBlockWithList>},
    {5, xmlSetResponseWithList, &ElementFactory<T_SetResponseWithList>},
};
}  // namespace

constinit const TSequenceTable T_DataBlock_SA::kTable{kDataBlockSAFields};
constinit const TListTable T_ListOfDataAccessResult::kTable{xml_DataAccessResult, &ElementFactory<T_DataAccessResult>};

constinit const TSequenceTable T_SetRequestNormal::kTable{kSetRequestNormalFields};
constinit const TSequenceTable T_SetRequestWithFirstDataBlock::kTable{kSetRequestWithFirstDataBlockFields};
constinit const TSequenceTable T_SetRequestWithDataBlock::kTable{kSetRequestWithDataBlockFields};
constinit const TSequenceTable T_SetRequestWithList::kTable{kSetRequestWithListFields};
constinit const TSequenceTable T_SetRequestWithListAndWithFirstDatablock::kTable{
    kSetRequestWithListAndWithFirstDatablockFields};
constinit const TSequenceTable T_SetResponseNormal::kTable{kSetResponseNormalFields};
constinit const TSequenceTable T_SetResponseForDataBlock::kTable{kSetResponseForDataBlockFields};
constinit const TSequenceTable T_SetResponseForLastDataBlock::kTable{kSetResponseForLastDataBlockFields};
constinit const TSequenceTable T_SetResponseForLastDataBlockWithList::kTable{
    kSetResponseForLastDataBlockWithListFields};
constinit const TSequenceTable T_SetResponseWithList::kTable{kSetResponseWithListFields};

constinit const TChoiceTable T_SetRequest::kTable =
    MakeChoiceTable("T_SetRequest", xml_SetRequest, kSetRequestAlternatives);
constinit const TChoiceTable T_SetResponse::kTable =
    MakeChoiceTable("T_SetResponse", xml_SetResponse, kSetResponseAlternatives);

}  // namespace vantrel
