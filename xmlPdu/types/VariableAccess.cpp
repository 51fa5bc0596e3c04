#include "VariableAccess.h"

namespace vantrel {

namespace {
constexpr TField kParametrisedAccessFields[] = {
    {xmlVariableName, &ElementFactory<T_ObjectName>},
    {xmlSelector, &ElementFactory<T_Unsigned8>},
    {xmlParameter, &ElementFactory<T_Data>},
};

constexpr TField kBlockNumberAccessFields[] = {
    {xmlBlockNumber, &ElementFactory<T_Unsigned16>},
};

constexpr TField kReadDataBlockAccessFields[] = {
    {xmlLastBlock, &ElementFactory<T_Boolean>},
    {xmlBlockNumber, &ElementFactory<T_Unsigned16>},
    {xmlRawData, &ElementFactory<T_OctetString>},
};

constexpr TField kWriteDataBlockAccessFields[] = {
    {xmlLastBlock, &ElementFactory<T_Boolean>},
    {xmlBlockNumber, &ElementFactory<T_Unsigned16>},
};

// Tags 00, 01 and 03 (detailed access) have no alternative.
constexpr TAlternative kVariableAccessSpecificationAlternatives[] = {
    {0x02, xmlVariableName, &ElementFactory<T_ObjectName>},
    {0x04, xmlParameterisedAccess, &ElementFactory<T_ParametrisedAccess>},
    {0x05, xmlBlockNumberAccess, &ElementFactory<T_BlockNumberAccess>},
    {0x06, xmlReadDataBlockAccess, &ElementFactory<T_ReadDataBlockAccess>},
    {0x07, xmlWriteDataBlockAccess, &ElementFactory<T_WriteDataBlockAccess>},
};
}  // namespace

constinit const TSequenceTable T_ParametrisedAccess::kTable{kParametrisedAccessFields};
constinit const TSequenceTable T_BlockNumberAccess::kTable{kBlockNumberAccessFields};
constinit const TSequenceTable T_ReadDataBlockAccess::kTable{kReadDataBlockAccessFields};
constinit const TSequenceTable T_WriteDataBlockAccess::kTable{kWriteDataBlockAccessFields};
constinit const TChoiceTable T_VariableAccessSpecification::kTable = MakeChoiceTable(
    "T_VariableAccessSpecification", xml_VariableAccessSpecification, kVariableAccessSpecificationAlternatives);
constinit const TListTable T_ListOfVariableAccessSpecifications::kTable{xml_VariableAccessSpecification,
                                                                        &ElementFactory<T_VariableAccessSpecification>};

}  // namespace vantrel
