// TNull: the empty type. No octets; in XML one empty element "<Name />";
// in the data form the single octet 00.
#pragma once

#include "COSEMPduBase.h"

namespace vantrel {

class TNull : public TCOSEMPduBase {
public:
    explicit TNull(TXMLId aXMLId) noexcept : TCOSEMPduBase(aXMLId) {}
    TNull(TXMLId aXMLId, TStringWrapper&) noexcept : TCOSEMPduBase(aXMLId) {}
    TNull(TXMLId aXMLId, TXMLParser& XMLParser) : TCOSEMPduBase(aXMLId) { XMLParser.XMLAssertStartTagAndNext(aXMLId); }
    TNull(TXMLId aXMLId, TStringWrapper& PDUStr, TDataForm) : TCOSEMPduBase(aXMLId) { PDUStr.ExpectByte(0); }

    void EncodeToPduStr(std::string&) const override {}
    void ToXML(TScriptStream& Stream) const override;
    void EncodeToDataPduStr(std::string& PduStr) const override { PduStr += '\0'; }
};

}  // namespace vantrel
