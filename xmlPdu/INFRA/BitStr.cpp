#include "BitStr.h"

namespace vantrel {

TBitStr::TBitStr(TXMLId aXMLId, TStringWrapper& PDUStr) : TCOSEMPduBase(aXMLId) { LoadFromPduStr(PDUStr); }

void TBitStr::LoadFromPduStr(TStringWrapper& PDUStr) {
    const uint32_t bits = DecodeVarLengthUnsignedInteger(PDUStr);
    const std::string_view octets = PDUStr.CopyFromIndexAndForward(static_cast<int>((bits + 7) / 8));
    Value.resize(bits);
    for (uint32_t i = 0; i < bits; ++i)
        Value[i] = (static_cast<uint8_t>(octets[i / 8]) & (0x80u >> (i % 8))) ? '1' : '0';
    if (bits % 8 && (static_cast<uint8_t>(octets.back()) & (0xFFu >> (bits % 8)))) PDUStr.Canonical = false;  // padding set
}

TBitStr::TBitStr(TXMLId aXMLId, TXMLParser& XMLParser) : TCOSEMPduBase(aXMLId) {
    Value = XMLParser.XMLGetAttributeValue(xmlValue);
    XMLParser.Next();
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
    if (filled > 0) PduStr += static_cast<char>(octet << (8 - filled));
}

void TBitStr::EncodeToDataPduStr(std::string& PduStr) const {
    PduStr += '\x04';
    EncodeToPduStr(PduStr);
}

}  // namespace vantrel
