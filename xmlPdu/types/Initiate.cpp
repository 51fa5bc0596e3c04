#include "Initiate.h"

#include <algorithm>

namespace vantrel {

namespace {
// Bit 0 is the most significant bit of the first octet.
constexpr std::string_view kConformanceNames[T_Conformance::kBits] = {
    "Reserved0",
    "GeneralProtection",
    "GeneralBlockTransfer",
    "Read",
    "Write",
    "UnconfirmedWrite",
    "DeltaValueEncoding",
    "Reserved7",
    "Attribute0SupportedWithSet",
    "PriorityMgmtSupported",
    "Attribute0SupportedWithGet",
    "BlockTransferWithGetOrRead",
    "BlockTransferWithSetOrWrite",
    "BlockTransferWithAction",
    "MultipleReferences",
    "InformationReport",
    "DataNotification",
    "Access",
    "ParametrizedAccess",
    "Get",
    "Set",
    "SelectiveAccess",
    "EventNotification",
    "Action",
};

// Older names, accepted on input only.
struct TConformanceAlias {
    std::string_view Name;
    size_t Bit;
};
constexpr TConformanceAlias kConformanceAliases[] = {
    {"Attribute0Supported", 10},
    {"BlockTransferWithGet", 11},
    {"BlockTransferWithSet", 12},
};

constexpr TField kInitiateRequestFields[] = {
    {xmlDedicatedKey, &ElementFactory<T_OctetString>, Optional},
    {xmlResponseAllowed, &ElementFactory<T_Boolean>, Optional},
    {xmlProposedQualityOfService, &ElementFactory<T_Integer8>, Optional},
    {xmlProposedDlmsVersionNumber, &ElementFactory<T_Unsigned8>},
    {xmlProposedConformance, &ElementFactory<T_Conformance>},
    {xmlProposedMaxPduSize, &ElementFactory<T_Unsigned16>},
};

constexpr TField kInitiateResponseFields[] = {
    {xmlNegotiatedQualityOfService, &ElementFactory<T_Integer8>, Optional},
    {xmlNegotiatedDlmsVersionNumber, &ElementFactory<T_Unsigned8>},
    {xmlNegotiatedConformance, &ElementFactory<T_Conformance>},
    {xmlNegotiatedMaxPduSize, &ElementFactory<T_Unsigned16>},
    {xmlVaaName, &ElementFactory<T_ObjectName>},
};
}  // namespace

T_Conformance::T_Conformance(TXMLId aXMLId, TStringWrapper& PDUStr) : TElementImpl(aXMLId) {
    PDUStr.ExpectByte(0x5F);
    // The short form without the second tag octet is read as well.
    if (PDUStr.Inspect() == 0x1F) PDUStr.NextByte();
    else {
        PDUStr.Canonical = false;
        ShortTag = true;
    }
    LoadPduStr(PDUStr);
    // The XML names the bits that are set, of 24: any other count, or
    // padding, is not written back.
    if (Value.size() != kBits || Padding != 0) PDUStr.Canonical = false;
    Padding = 0;
}

T_Conformance::T_Conformance(TXMLId aXMLId, TXMLParser& XMLParser) : TElementImpl(aXMLId) {
    SetDefaultValue();
    const TXMLId element = XMLParser.XMLStartTag();
    XMLParser.Next();
    while (XMLParser.Token() == xtStartTag) {
        if (XMLParser.Tag() != BitXMLId) XMLParser.UnexpectedKeyword(XMLParser.Tag());
        const size_t bit = NameToValue(XMLParser.XMLGetAttributeValue(xmlName));
        Value[bit] = '1';
        XMLParser.MapInner(static_cast<uint32_t>(bit));
        XMLParser.Next();
    }
    XMLParser.XMLAssertStopTagAndNext(element);
}

void T_Conformance::EncodeToPduStr(std::string& PduStr) const {
    PduStr += "\x5F\x1F";
    if (Value.size() == kBits) return TBERBitStr::EncodeToPduStr(PduStr);
    // Read with another bit count: written as its XML gives it back, the 24
    // bits, so that a comparison with the octets read sees the difference.
    T_Conformance again(XMLId);
    again.Value.assign(Value, 0, std::min(Value.size(), kBits));
    again.Value.resize(kBits, '0');
    again.TBERBitStr::EncodeToPduStr(PduStr);
}

void T_Conformance::ToXML(TScriptStream& Stream) const {
    const std::string_view name = ElementName(XMLId);
    Stream.XMLOpenTagLn(name);
    ++Stream.Indent;
    for (size_t bit = Value.size(); bit-- > 0;) {
        if (!IsSet(bit)) continue;
        Stream.MapInner(static_cast<uint32_t>(bit));
        EmitTagAttrLine(Stream, BitXMLId, xmlName, ValueToName(bit));
    }
    --Stream.Indent;
    Stream.XMLCloseTagLn(name);
}

bool T_Conformance::InnerOctets(uint32_t Key, uint32_t& Offset, uint32_t& Length) const {
    // The tag (one or two octets), the length, the unused-bits count, the bits.
    const uint32_t first = (ShortTag ? 1 : 2) + 2 + Key / 8;
    if (Key >= Value.size() || first >= Length) return false;
    Offset += first;
    Length = 1;
    return true;
}

size_t T_Conformance::NameToValue(std::string_view Name) {
    for (size_t bit = 0; bit < kBits; ++bit)
        if (kConformanceNames[bit] == Name) return bit;
    for (const TConformanceAlias& alias : kConformanceAliases)
        if (alias.Name == Name) return alias.Bit;
    throw EVantrelError("T_Conformance.NameToValue, no such name " + std::string(Name));
}

std::string_view T_Conformance::ValueToName(size_t Bit) {
    if (Bit >= kBits) throw EVantrelError("T_Conformance.ValueToName, illegal value " + std::to_string(Bit));
    return kConformanceNames[Bit];
}

constinit const TSequenceTable T_InitiateRequest::kTable{kInitiateRequestFields};
constinit const TSequenceTable T_InitiateResponse::kTable{kInitiateResponseFields};

}  // namespace vantrel
