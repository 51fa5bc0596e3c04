#include "Null.h"

namespace vantrel {

void TNull::ToXML(TScriptStream& Stream) const {
    const std::string_view name = ElementName(XMLId);
    Stream.Emit("<");
    Stream.Emit(name);
    Stream.EmitLn(" />");
}

}  // namespace vantrel
