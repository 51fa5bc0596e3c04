#include "Descriptors.h"

namespace vantrel {

namespace {
constexpr TField kAttributeDescriptorFields[] = {
    {xmlClassId, &ElementFactory<T_ClassId>},
    {xmlInstanceId, &ElementFactory<T_ObjectInstanceId>},
    {xmlAttributeId, &ElementFactory<T_ObjectAttributeId>},
};

constexpr TField kMethodDescriptorFields[] = {
    {xmlClassId, &ElementFactory<T_ClassId>},
    {xmlInstanceId, &ElementFactory<T_ObjectInstanceId>},
    {xmlMethodId, &ElementFactory<T_ObjectMethodId>},
};

constexpr TField kSelectiveAccessDescriptorFields[] = {
    {xmlAccessSelector, &ElementFactory<T_Unsigned8>},
    {xmlAccessParameters, &ElementFactory<T_Data>},
};

constexpr TField kAttributeDescriptorWithSelectionFields[] = {kAttributeDescriptorField, kOptionalAccessSelectionField};
}  // namespace

constinit const TSequenceTable T_AttributeDescriptor::kTable{kAttributeDescriptorFields};
constinit const TSequenceTable T_MethodDescriptor::kTable{kMethodDescriptorFields};
constinit const TSequenceTable T_SelectiveAccessDescriptor::kTable{kSelectiveAccessDescriptorFields};
constinit const TSequenceTable T_AttributeDescriptorWithSelection::kTable{kAttributeDescriptorWithSelectionFields};

}  // namespace vantrel
