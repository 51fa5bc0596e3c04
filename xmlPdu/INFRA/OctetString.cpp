#include "OctetString.h"

#include "INFRAMisc.h"

namespace vantrel {

namespace {
std::string SizeMessage(std::string_view ClassName, int32_t Expected, size_t Found) {
    return std::string(ClassName) + ": Illegal data size, expected " + std::to_string(Expected) + ", found " +
           std::to_string(Found);
}
}  // namespace

void TOctetString::LoadFromPduStr(TStringWrapper& PDUStr) {
    const int32_t count = Size != kVariableSize ? Size : static_cast<int32_t>(DecodeVarLengthUnsignedInteger(PDUStr));
    Value.assign(PDUStr.CopyFromIndexAndForward(count));
}

void TOctetString::LoadFromXml(TXMLParser& XMLParser) {
    Value = XMLParser.HexStrToByteStrOfValue();
    if (Size != kVariableSize && Value.size() != static_cast<size_t>(Size))
        XMLParser.RaiseXMLError(SizeMessage(ClassName(), Size, Value.size()));
}

void TOctetString::EncodeToPduStr(std::string& PduStr) const {
    if (Size == kVariableSize) {
        EncodeLength(PduStr, Value.size());
        PduStr += Value;
        return;
    }
    // An element made empty has no octets yet; nothing beyond Value is ever written.
    if (Value.size() < static_cast<size_t>(Size)) throw EVantrelError(SizeMessage(ClassName(), Size, Value.size()));
    PduStr.append(Value, 0, static_cast<size_t>(Size));
}

void TOctetString::ToXML(TScriptStream& Stream) const {
    const std::string_view tag = ElementName(XMLId), attr = ElementName(xmlValue);
    if (!TMisc::IsVisibleText(Value)) {
        Stream.TagAttrHexLine(tag, attr, Value);
        return;
    }
    std::string text;
    text.reserve(Value.size() + 1);
    text += '\\';
    text += Value;
    Stream.TagAttrLine(tag, attr, text);
}

int32_t TOctetString::CompareTo(const TCOSEMPduBase& X) const {
    const auto* other = dynamic_cast<const TOctetString*>(&X);
    if (!other) throw EVantrelError("TOctetString.CompareTo illegal type");
    const int c = std::string_view(Value).compare(other->Value);
    return c < 0 ? 1 : c > 0 ? -1 : 0;
}

}  // namespace vantrel
