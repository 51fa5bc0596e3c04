#include "Null.h"

namespace vantrel {

void TNull::ToXML(TScriptStream& Stream) const {
    Stream.EmptyTagLine(ElementName(XMLId));
}

}  // namespace vantrel
