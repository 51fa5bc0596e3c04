// TBitStr: the A-XDR bit string. Value holds one character "0" or "1" per
// bit, first bit first. The encoding is the bit count (A-XDR length form) and
// the bits packed from the most significant end; the XML is the bit text.
// The bits that fill up the last octet are zero as the encoder writes them;
// where the octets read have others, the XML keeps them after the bits in
// parentheses ("0(0000110)" for the octet 06 of a one-bit string), so that
// it gives back the same octets.
#pragma once

#include "COSEMPduBase.h"

namespace vantrel {

class TBitStr : public TCOSEMPduBase {
public:
    explicit TBitStr(TXMLId aXMLId) noexcept : TCOSEMPduBase(aXMLId) {}
    TBitStr(TXMLId aXMLId, std::string aValue) noexcept : TCOSEMPduBase(aXMLId), Value(std::move(aValue)) {}
    TBitStr(TXMLId aXMLId, TStringWrapper& PDUStr);
    // Takes the Value attribute as it is: the enclosing type has matched the name.
    TBitStr(TXMLId aXMLId, TXMLParser& XMLParser);
    TBitStr(TXMLId aXMLId, TStringWrapper& PDUStr, TDataForm);

    void EncodeToPduStr(std::string& PduStr) const override;
    void ToXML(TScriptStream& Stream) const override;
    int32_t DataTag() const override { return 4; }
    void EncodeToDataPduStr(std::string& PduStr) const override;

    std::string Value;
    // The bits after Value's last one in its octet, as read (the low
    // 8 - size % 8 bits); 0 for the encoder's form.
    uint8_t Padding = 0;

protected:
    // The last octet of the bits: Filled of its bits are Bits, then the padding.
    uint8_t LastOctet(uint8_t Bits, int Filled) const noexcept {
        return Filled >= 8 ? Bits : static_cast<uint8_t>(Bits << (8 - Filled) | Padding);
    }

private:
    void LoadFromPduStr(TStringWrapper& PDUStr);
};

}  // namespace vantrel
