#include "Data.h"

namespace vantrel {

namespace {
constexpr TAlternative kDataAlternatives[] = {
    {0x00, xmlNullData, &ElementFactory<T_NullData>},
    {0x01, xmlArray, &ElementFactory<T_Array>},
    {0x02, xmlStructure, &ElementFactory<T_Structure>},
    {0x03, xmlBoolean, &ElementFactory<T_Boolean>},
    {0x04, xmlBitString, &ElementFactory<T_BitString>},
    {0x05, xmlDoubleLong, &ElementFactory<T_Integer32>},
    {0x06, xmlDoubleLongUnsigned, &ElementFactory<T_Unsigned32>},
    {0x07, xmlFloatingPoint, &ElementFactory<T_FloatingPoint>},
    {0x09, xmlOctetString, &ElementFactory<T_OctetString>},
    {0x0A, xmlVisibleString, &ElementFactory<T_VisibleString>},
    {0x0C, xmlUTF8String, &ElementFactory<T_UTF8String>},
    {0x0D, xmlBcd, &ElementFactory<T_Bcd>},
    {0x0F, xmlInteger, &ElementFactory<T_Integer8>},
    {0x10, xmlLong, &ElementFactory<T_Integer16>},
    {0x11, xmlUnsigned, &ElementFactory<T_Unsigned8>},
    {0x12, xmlLongUnsigned, &ElementFactory<T_Unsigned16>},
    {0x13, xmlCompactArray, &ElementFactory<T_CompactArray>},
    {0x14, xmlLong64, &ElementFactory<T_Integer64>},
    {0x15, xmlLong64Unsigned, &ElementFactory<T_Unsigned64>},
    {0x16, xmlEnum, &ElementFactory<T_Enum>},
    {0x17, xmlFloat32, &ElementFactory<T_Float32>},
    {0x18, xmlFloat64, &ElementFactory<T_Float64>},
    {0x19, xmlDateTime, &ElementFactory<T_DateTime>},
    {0x1A, xmlDate, &ElementFactory<T_Date>},
    {0x1B, xmlTime, &ElementFactory<T_Time>},
    {0x1C, xmlDeltaInteger, &ElementFactory<T_Integer8>},
    {0x1D, xmlDeltaLong, &ElementFactory<T_Integer16>},
    {0x1E, xmlDeltaDoubleLong, &ElementFactory<T_Integer32>},
    {0x1F, xmlDeltaUnsigned, &ElementFactory<T_Unsigned8>},
    {0x20, xmlDeltaLongUnsigned, &ElementFactory<T_Unsigned16>},
    {0x21, xmlDeltaDoubleLongUnsigned, &ElementFactory<T_Unsigned32>},
    {0xFF, xmlDontCare, &ElementFactory<T_DontCare>},
};

// Simple types are described by an empty element of the type's name.
constexpr TAlternative kTypeDescriptionAlternatives[] = {
    {0x00, xmlNullData, &ElementFactory<T_NullData>},
    {0x01, xmlArray, &ElementFactory<T_ArrayTypeDescription>},
    {0x02, xmlStructure, &ElementFactory<T_StructureTypeDescription>},
    {0x03, xmlBoolean, &ElementFactory<T_NullData>},
    {0x04, xmlBitString, &ElementFactory<T_NullData>},
    {0x05, xmlDoubleLong, &ElementFactory<T_NullData>},
    {0x06, xmlDoubleLongUnsigned, &ElementFactory<T_NullData>},
    {0x07, xmlFloatingPoint, &ElementFactory<T_NullData>},
    {0x09, xmlOctetString, &ElementFactory<T_NullData>},
    {0x0A, xmlVisibleString, &ElementFactory<T_NullData>},
    {0x0C, xmlUTF8String, &ElementFactory<T_NullData>},
    {0x0D, xmlBcd, &ElementFactory<T_NullData>},
    {0x0F, xmlInteger, &ElementFactory<T_NullData>},
    {0x10, xmlLong, &ElementFactory<T_NullData>},
    {0x11, xmlUnsigned, &ElementFactory<T_NullData>},
    {0x12, xmlLongUnsigned, &ElementFactory<T_NullData>},
    {0x14, xmlLong64, &ElementFactory<T_NullData>},
    {0x15, xmlLong64Unsigned, &ElementFactory<T_NullData>},
    {0x16, xmlEnum, &ElementFactory<T_NullData>},
    {0x17, xmlFloat32, &ElementFactory<T_NullData>},
    {0x18, xmlFloat64, &ElementFactory<T_NullData>},
    {0x19, xmlDateTime, &ElementFactory<T_NullData>},
    {0x1A, xmlDate, &ElementFactory<T_NullData>},
    {0x1B, xmlTime, &ElementFactory<T_NullData>},
    {0xFF, xmlDontCare, &ElementFactory<T_NullData>},
};

constexpr TField kArrayTypeDescriptionFields[] = {
    {xmlNumberOfElements, &ElementFactory<T_Unsigned16>},
    {xmlTypeDescription, &ElementFactory<T_TypeDescription>},
};

constexpr TField kCompactArrayFields[] = {
    {xmlContentDescription, &ElementFactory<T_TypeDescription>},
    {xmlArrayContent, &ElementFactory<T_OctetString>},
};
}  // namespace

constinit const TChoiceTable T_Data::kTable = MakeChoiceTable("T_Data", xml_Data, kDataAlternatives);
constinit const TListTable T_Array::kTable{xml_Data, &ElementFactory<T_Data>, true};
constinit const TListTable T_Structure::kTable{xml_Data, &ElementFactory<T_Data>, true};
constinit const TListTable T_ListOfData::kTable{xml_Data, &ElementFactory<T_Data>};

constinit const TChoiceTable T_TypeDescription::kTable =
    MakeChoiceTable("T_TypeDescription", xml_TypeDescription, kTypeDescriptionAlternatives);
constinit const TSequenceTable T_ArrayTypeDescription::kTable{kArrayTypeDescriptionFields, true};
constinit const TListTable T_StructureTypeDescription::kTable{xml_TypeDescription, &ElementFactory<T_TypeDescription>,
                                                              true};
constinit const TSequenceTable T_CompactArray::kTable{kCompactArrayFields};

}  // namespace vantrel
