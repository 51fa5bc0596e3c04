// The fixed-width scalar pattern: a number of kWidth octets, most significant
// first, with no tag and no length. In XML one element whose Value attribute
// holds the hex digits of the encoded octets (for floats the IEEE bit
// pattern). Integers, booleans, enumerated octets, identifiers and the like
// are all this one template with their own width and value type.
#pragma once

#include <bit>
#include <cmath>
#include <type_traits>

#include "COSEMPduBase.h"

namespace vantrel {

[[noreturn]] void RaiseIllegalDataSize(const TXMLParser& XMLParser, size_t Expected, size_t Found);

template <class Derived, class TValue, int kWidth>
class TFixedWidthImpl : public TElementImpl<Derived, TCOSEMPduBase> {
    using Base = TElementImpl<Derived, TCOSEMPduBase>;
    static_assert(kWidth == 1 || kWidth == 2 || kWidth == 4 || kWidth == 8);
    static_assert(sizeof(TValue) == kWidth);

public:
    static constexpr int kOctets = kWidth;

    explicit TFixedWidthImpl(TXMLId aXMLId, TValue aValue = TValue{}) noexcept : Base(aXMLId), Value(aValue) {}
    TFixedWidthImpl(TXMLId aXMLId, TStringWrapper& PDUStr) : Base(aXMLId) {
        uint64_t bits = 0;
        for (int i = 0; i < kWidth; ++i) bits = bits << 8 | PDUStr.NextByte();
        Value = FromBits(bits);
    }
    TFixedWidthImpl(TXMLId aXMLId, TXMLParser& XMLParser) : Base(aXMLId) {
        XMLParser.XMLAssertStartTag(aXMLId);
        const std::string octets = XMLParser.HexStrToByteStrOfValue();
        if (octets.size() != kWidth) RaiseIllegalDataSize(XMLParser, kWidth, octets.size());
        uint64_t bits = 0;
        for (unsigned char c : octets) bits = bits << 8 | c;
        Value = FromBits(bits);
        XMLParser.Next();
    }

    void EncodeToPduStr(std::string& PduStr) const override {
        char octets[kWidth];
        ToOctets(octets);
        PduStr.append(octets, kWidth);
    }
    void ToXML(TScriptStream& Stream) const override {
        char octets[kWidth];
        ToOctets(octets);
        Stream.TagAttrHexLine(ElementName(this->XMLId), ElementName(xmlValue), {octets, kWidth});
    }
    // Low <= Value <= High as numbers; a NaN passes every range.
    bool CheckRange(int32_t Low, int32_t High) const override {
        if constexpr (std::is_floating_point_v<TValue>)
            return std::isnan(Value) || (static_cast<double>(Low) <= Value && Value <= static_cast<double>(High));
        else
            return Low <= static_cast<int64_t>(Value) && static_cast<int64_t>(Value) <= High;
    }
    // +1 when X holds the greater value, -1 the smaller, 0 the same; +1 with a NaN.
    int32_t CompareTo(const TCOSEMPduBase& X) const override {
        const auto* other = dynamic_cast<const Derived*>(&X);
        if (!other) throw EVantrelError(std::string(Derived::kClassName) + ".CompareTo illegal type");
        if constexpr (std::is_floating_point_v<TValue>)
            if (std::isnan(Value) || std::isnan(other->Value)) return 1;
        return Value < other->Value ? 1 : other->Value < Value ? -1 : 0;
    }

    TValue Value;

private:
    using TBits = std::conditional_t<kWidth == 1, uint8_t,
                                     std::conditional_t<kWidth == 2, uint16_t,
                                                        std::conditional_t<kWidth == 4, uint32_t, uint64_t>>>;
    static TValue FromBits(uint64_t Bits) { return std::bit_cast<TValue>(static_cast<TBits>(Bits)); }
    void ToOctets(char* Octets) const {
        const auto bits = std::bit_cast<TBits>(Value);
        for (int i = 0; i < kWidth; ++i) Octets[i] = static_cast<char>(bits >> (8 * (kWidth - 1 - i)));
    }
};

}  // namespace vantrel
