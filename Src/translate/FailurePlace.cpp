#include "FailurePlace.h"

#include <memory>

#include "../../xmlPdu/types/COSEMpdu.h"

namespace vantrel {

std::string_view FailedField(std::string_view Octets) {
    TStringWrapper reader(Octets);
    try {
        TElementArena arena;
        T_COSEMpdu pdu(xmlIgnore, reader);
        return {};
    } catch (...) {
        // Only the field is wanted here; the message came with the first attempt.
    }
    if (reader.Field == xmlIgnore) return {};
    std::string_view name = ElementName(reader.Field);
    if (name.starts_with('_')) name.remove_prefix(1);  // the identifiers of types, not elements
    return name;
}

}  // namespace vantrel
