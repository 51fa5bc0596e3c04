#include "ReadWrite.h"

namespace vantrel {

namespace {
constexpr TField kWriteRequestFields[] = {
    {xmlListOfVariableAccessSpecification, &ElementFactory<T_ListOfVariableAccessSpecifications>},
    {xmlListOfData, &ElementFactory<T_ListOfData>},
};

constexpr TField kDataBlockResultFields[] = {
    {xmlLastBlock, &ElementFactory<T_Boolean>},
    {xmlBlockNumber, &ElementFactory<T_Unsigned16>},
    {xmlRawData, &ElementFactory<T_OctetString>},
};

// "Data" is a wrapper element around the Data alternative.
constexpr TAlternative kSingleReadResponseAlternatives[] = {
    {0x00, xmlData, &ElementFactory<T_Data>},
    {0x01, xmlDataAccessError, &ElementFactory<T_DataAccessResult>},
    {0x02, xmlDataBlockResult, &ElementFactory<T_DataBlockResult>},
    {0x03, xmlBlockNumber, &ElementFactory<T_Unsigned16>},
};

constexpr TAlternative kSingleWriteResponseAlternatives[] = {
    {0x00, xmlSuccess, &ElementFactory<T_NullData>},
    {0x01, xmlDataAccessError, &ElementFactory<T_DataAccessResult>},
    {0x02, xmlBlockNumber, &ElementFactory<T_Unsigned16>},
};
}  // namespace

constinit const TListTable T_ReadRequest::kTable{xml_VariableAccessSpecification,
                                                 &ElementFactory<T_VariableAccessSpecification>};
constinit const TSequenceTable T_WriteRequest::kTable{kWriteRequestFields};
constinit const TSequenceTable T_DataBlockResult::kTable{kDataBlockResultFields};
constinit const TChoiceTable T_SingleReadResponse::kTable =
    MakeChoiceTable("T_SingleReadResponse", xml_SingleReadResponse, kSingleReadResponseAlternatives);
constinit const TChoiceTable T_SingleWriteResponse::kTable =
    MakeChoiceTable("T_SingleWriteResponse", xml_SingleWriteResponse, kSingleWriteResponseAlternatives);
constinit const TListTable T_ReadResponse::kTable{xml_SingleReadResponse, &ElementFactory<T_SingleReadResponse>};
constinit const TListTable T_WriteResponse::kTable{xml_SingleWriteResponse, &ElementFactory<T_SingleWriteResponse>};

}  // namespace vantrel
