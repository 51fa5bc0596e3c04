#include "Enum.h"

namespace vantrel {

namespace {
const TEnumName* FindValue(std::span<const TEnumName> Names, int32_t Value) {
    for (const TEnumName& n : Names)
        if (n.Value == Value) return &n;
    return nullptr;
}
}  // namespace

std::string_view TEnum::NameOf(std::string_view ClassName, std::span<const TEnumName> Names, int32_t Value) {
    const TEnumName* n = FindValue(Names, Value);
    if (!n) throw EVantrelError(std::string(ClassName) + ": illegal enum value");
    return n->Name;
}

bool TEnum::Named(std::span<const TEnumName> Names, int32_t Value) { return FindValue(Names, Value) != nullptr; }

void TEnum::ToXML(TScriptStream& Stream) const {
    const TEnumName* n = FindValue(Names(), Value);
    if (!n) throw EVantrelError(std::string(ClassName()) + ": case range");
    EmitTagAttrLine(Stream, XMLId, xmlValue, n->Name);
}

void TEnum::LoadFromXml(TXMLParser& XMLParser) {
    XMLParser.XMLAssertStartTag(XMLId);
    const std::string_view text = XMLParser.XMLGetAttributeValue(xmlValue);
    for (const TEnumName& n : Names()) {
        if (n.Name == text) {
            Value = n.Value;
            XMLParser.Next();
            return;
        }
    }
    XMLParser.RaiseXMLError(std::string(ClassName()) + ": illegal element " + std::string(text));
}

}  // namespace vantrel
