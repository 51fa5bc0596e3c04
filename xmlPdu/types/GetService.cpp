#include "GetService.h"

namespace vantrel {

namespace {
// The access result is "DataAccessError" in a read result but
// "DataAccessResult" in a data block.
constexpr TAlternative kGetDataResultAlternatives[] = {
    {0, xmlData, &ElementFactory<T_Data>},
    {1, xmlDataAccessError, &ElementFactory<T_DataAccessResult>},
};

constexpr TAlternative kDataBlockGResultAlternatives[] = {
    {0, xmlRawData, &ElementFactory<T_OctetString>},
    {1, xmlDataAccessResult, &ElementFactory<T_DataAccessResult>},
};

constexpr TField kDataBlockGFields[] = {
    kLastBlockField,
    kBlockNumberField,
    {xmlResult, &ElementFactory<T_DataBlockGResult>},
};

constexpr TField kGetRequestNormalFields[] = {
    kInvokeIdAndPriorityField,
    kAttributeDescriptorField,
    kOptionalAccessSelectionField,
};

constexpr TField kGetRequestForNextDatablockFields[] = {kInvokeIdAndPriorityField, kBlockNumberField};

constexpr TField kGetRequestWithListFields[] = {
    kInvokeIdAndPriorityField,
    {xmlAttributeDescriptorList, &ElementFactory<T_ListOfAttributeDescriptorWithSelection>},
};

constexpr TField kGetResponseNormalFields[] = {
    kInvokeIdAndPriorityField,
    {xmlResult, &ElementFactory<T_GetDataResult>},
};

constexpr TField kGetResponseWithDataBlockFields[] = {
    kInvokeIdAndPriorityField,
    {xmlResult, &ElementFactory<T_DataBlock_G>},
};

constexpr TField kGetResponseWithListFields[] = {
    kInvokeIdAndPriorityField,
    {xmlResult, &ElementFactory<T_ListOfGetDataResult>},
};

// The member class keeps its lower-case "b"; the element has "DataBlock".
constexpr TAlternative kGetRequestAlternatives[] = {
    {1, xmlGetRequestNormal, &ElementFactory<T_GetRequestNormal>},
    {2, xmlGetRequestForNextDataBlock, &ElementFactory<T_GetRequestForNextDatablock>},
    {3, xmlGetRequestWithList, &ElementFactory<T_GetRequestWithList>},
};

constexpr TAlternative kGetResponseAlternatives[] = {
    {1, xmlGetResponseNormal, &ElementFactory<T_GetResponseNormal>},
    {2, xmlGetResponseWithDataBlock, &ElementFactory<T_GetResponseWithDataBlock>},
    {3, xmlGetResponseWithList, &ElementFactory<T_GetResponseWithList>},
};
}  // namespace

constinit const TListTable T_ListOfAttributeDescriptorWithSelection::kTable{
    xml_AttributeDescriptorWithSelection, &ElementFactory<T_AttributeDescriptorWithSelection>};
constinit const TChoiceTable T_GetDataResult::kTable =
    MakeChoiceTable("T_GetDataResult", xml_GetDataResult, kGetDataResultAlternatives);
constinit const TListTable T_ListOfGetDataResult::kTable{xml_GetDataResult, &ElementFactory<T_GetDataResult>};
constinit const TChoiceTable T_DataBlockGResult::kTable =
    MakeChoiceTable("T_DataBlockGResult", xml_DataBlockGResult, kDataBlockGResultAlternatives);
constinit const TSequenceTable T_DataBlock_G::kTable{kDataBlockGFields};

constinit const TSequenceTable T_GetRequestNormal::kTable{kGetRequestNormalFields};
constinit const TSequenceTable T_GetRequestForNextDatablock::kTable{kGetRequestForNextDatablockFields};
constinit const TSequenceTable T_GetRequestWithList::kTable{kGetRequestWithListFields};
constinit const TSequenceTable T_GetResponseNormal::kTable{kGetResponseNormalFields};
constinit const TSequenceTable T_GetResponseWithDataBlock::kTable{kGetResponseWithDataBlockFields};
constinit const TSequenceTable T_GetResponseWithList::kTable{kGetResponseWithListFields};

constinit const TChoiceTable T_GetRequest::kTable =
    MakeChoiceTable("T_GetRequest", xml_GetRequest, kGetRequestAlternatives);
constinit const TChoiceTable T_GetResponse::kTable =
    MakeChoiceTable("T_GetResponse", xml_GetResponse, kGetResponseAlternatives);

}  // namespace vantrel
