#include "COSEMPduBase.h"

namespace vantrel {

void RaiseNotImplemented(std::string_view ClassName, std::string_view Operation) {
    throw EVantrelError(std::string(ClassName) + "." + std::string(Operation) + " not implemented");
}

void TCOSEMPduBase::NotImplemented(std::string_view Operation) const { RaiseNotImplemented(ClassName(), Operation); }

bool TCOSEMPduBase::CheckRange(int32_t, int32_t) const {
    throw EVantrelError(std::string(ClassName()) + ".CheckRange is not implemented");
}

int32_t TCOSEMPduBase::CompareTo(const TCOSEMPduBase&) const {
    throw EVantrelError(std::string(ClassName()) + ".CompareTo is not implemented");
}

int32_t TCOSEMPduBase::DataTag() const { NotImplemented("DataTag"); }

bool TCOSEMPduBase::InnerOctets(uint32_t, uint32_t&, uint32_t&) const { return false; }

void detail::WriteMapped(TScriptStream& Stream, const TCOSEMPduBase& Element, TWriteXml Write) {
    TWriteMap& map = *Stream.Map;
    const TWriteMap::TSaved saved = map.Enter(Element);
    struct TLeave {
        TWriteMap& Map;
        const TCOSEMPduBase& Element;
        const TWriteMap::TSaved& Saved;
        ~TLeave() { Map.Leave(Element, Saved); }
    } leave{map, Element, saved};
    Write(Stream, Element);
}

void TCOSEMPduBase::EncodeToDataPduStr(std::string&) const { NotImplemented("EncodeToDataPduStr"); }

std::string TCOSEMPduBase::FriendlyNameOf(std::string_view ClassName) {
    if (ClassName.starts_with('_')) ClassName.remove_prefix(1);
    else if (ClassName.starts_with("T_")) ClassName.remove_prefix(2);
    return std::string(ClassName);
}

void TCOSEMPduBase::EncodeVarLengthUnsignedInteger(std::string& PduStr, int32_t Value) {
    if (Value < 0 || Value > 0xFFFFFF)
        throw EVantrelError("Coding of variable-length integer " + std::to_string(Value) + " not implemented");
    if (Value < 0x80) {
        PduStr += static_cast<char>(Value);
    } else if (Value < 0x100) {
        const char s[] = {'\x81', static_cast<char>(Value)};
        PduStr.append(s, 2);
    } else if (Value < 0x10000) {
        const char s[] = {'\x82', static_cast<char>(Value >> 8), static_cast<char>(Value)};
        PduStr.append(s, 3);
    } else {
        const char s[] = {'\x83', static_cast<char>(Value >> 16), static_cast<char>(Value >> 8), static_cast<char>(Value)};
        PduStr.append(s, 4);
    }
}

void TCOSEMPduBase::EncodeLength(std::string& PduStr, size_t Count) {
    if (Count > 0xFFFFFF)
        throw EVantrelError("Coding of variable-length integer " + std::to_string(Count) + " not implemented");
    EncodeVarLengthUnsignedInteger(PduStr, static_cast<int32_t>(Count));
}

uint32_t TCOSEMPduBase::DecodeVarLengthUnsignedInteger(TStringWrapper& PduStr) {
    const uint8_t b = PduStr.NextByte();
    if (b < 0x80) return b;
    const int n = b & 0x7F;
    if (n < 1 || n > 3)
        throw EAssertionFailed("Unsupported integer length. (xmlPdu/INFRA/COSEMPduBase.cpp, line 208)");
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | PduStr.NextByte();
    if (v < (n == 1 ? 0x80u : 1u << (8 * (n - 1)))) PduStr.Canonical = false;  // fewer octets would do
    return v;
}

std::string TCOSEMPduBase::ToXMLString() const {
    TScriptStream s;
    ToXML(s);
    return s.AsString();
}

std::vector<std::string> TCOSEMPduBase::ToStringList(int Indent) const {
    std::vector<std::string> lines;
    TScriptStream s(Indent);
    ToXML(s);
    std::string_view text = s.View();
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

void TCOSEMPduBase::AddXmlToLines(int Indent, std::vector<std::string>& Lines) const {
    for (std::string& line : ToStringList(Indent / 2)) Lines.push_back(std::move(line));
}

bool TCOSEMPduBase::IsEqual(const TCOSEMPduBase& X) const {
    std::string a, b;
    EncodeToPduStr(a);
    X.EncodeToPduStr(b);
    return a == b;
}

int32_t TCOSEMPduBase::PDUSize() const {
    std::string s;
    EncodeToPduStr(s);
    return static_cast<int32_t>(s.size());
}

}  // namespace vantrel
