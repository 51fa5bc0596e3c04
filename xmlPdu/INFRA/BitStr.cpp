#include "BitStr.h"

namespace vantrel {

TBitStr::TBitStr(TXMLId aXMLId, TStringWrapper& PDUStr) : TCOSEMPduBase(aXMLId) { LoadFromPduStr(PDUStr); }

void TBitStr::LoadFromPduStr(TStringWrapper& PDUStr) {
    const uint32_t bits = DecodeVarLengthUnsignedInteger(PDUStr);
    const std::string_view octets = PDUStr.CopyFromIndexAndForward(static_cast<int>((bits + 7) / 8));
    Value.resize(bits);
    for (uint32_t i = 0; i < bits; ++i)
        Value[i] = (static_cast<uint8_t>(octets[i / 8]) & (0x80u >> (i % 8))) ? '1' : '0';
    if (bits % 8) Padding = static_cast<uint8_t>(octets.back()) & (0xFFu >> (bits % 8));
}

TBitStr::TBitStr(TXMLId aXMLId, TXMLParser& XMLParser) : TCOSEMPduBase(aXMLId) {
    const std::string_view text = XMLParser.XMLGetAttributeValue(xmlValue);
    const size_t open = text.find('(');
    Value = text.substr(0, open);
    if (open != std::string_view::npos) {
        const std::string_view padding = text.substr(open + 1);
        const size_t wanted = (8 - Value.size() % 8) % 8;
        if (wanted == 0 || padding.size() != wanted + 1 || padding.back() != ')' ||
            padding.substr(0, wanted).find_first_not_of("01") != std::string_view::npos)
            XMLParser.RaiseXMLError("BitString: after " + std::to_string(Value.size()) + " bits, " +
                                    (wanted ? std::to_string(wanted) + " padding bits in parentheses expected"
                                            : std::string("no padding bits")));
        for (size_t i = 0; i < wanted; ++i) Padding = static_cast<uint8_t>(Padding << 1 | (padding[i] == '1'));
    }
    XMLParser.Next();
}

void TBitStr::ToXML(TScriptStream& Stream) const {
    if (Padding == 0) return EmitTagAttrLine(Stream, XMLId, xmlValue, Value);
    const size_t count = 8 - Value.size() % 8;
    std::string text;
    text.reserve(Value.size() + count + 2);
    text = Value;
    text += '(';
    for (size_t i = count; i-- > 0;) text += (Padding >> i) & 1 ? '1' : '0';
    text += ')';
    EmitTagAttrLine(Stream, XMLId, xmlValue, text);
}

TBitStr::TBitStr(TXMLId aXMLId, TStringWrapper& PDUStr, TDataForm) : TCOSEMPduBase(aXMLId) {
    PDUStr.ExpectByte(4);
    LoadFromPduStr(PDUStr);
}

void TBitStr::EncodeToPduStr(std::string& PduStr) const {
    EncodeLength(PduStr, Value.size());
    uint8_t octet = 0;
    int filled = 0;
    for (char c : Value) {
        if (c != '0' && c != '1') throw EVantrelError("BERBitString: illegal character");
        octet = static_cast<uint8_t>(octet << 1 | (c == '1'));
        if (++filled == 8) {
            PduStr += static_cast<char>(octet);
            octet = 0;
            filled = 0;
        }
    }
    if (filled > 0) PduStr += static_cast<char>(LastOctet(octet, filled));
}

void TBitStr::EncodeToDataPduStr(std::string& PduStr) const {
    PduStr += '\x04';
    EncodeToPduStr(PduStr);
}

}  // namespace vantrel
