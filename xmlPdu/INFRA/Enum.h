// TEnum: an enumerated element. One octet in the encoding; in XML one empty
// element whose Value attribute holds the name of the value. Each
// enumeration class is its name plus one table {value, name}.
#pragma once

#include <span>

#include "COSEMPduBase.h"

namespace vantrel {

struct TEnumName {
    int32_t Value;
    std::string_view Name;
};

class TEnum : public TCOSEMPduBase {
public:
    // The value/name table of the class.
    virtual std::span<const TEnumName> Names() const = 0;

    void EncodeToPduStr(std::string& PduStr) const override { PduStr += static_cast<char>(Value); }
    // Fails with "<class>: case range" for a value without a name.
    void ToXML(TScriptStream& Stream) const override;
    // The name of the element's value; "<class>: illegal enum value" without one.
    std::string_view GetString() const { return NameOf(ClassName(), Names(), Value); }

    int32_t Value = 0;

protected:
    explicit TEnum(TXMLId aXMLId) noexcept : TCOSEMPduBase(aXMLId) {}
    void LoadFromXml(TXMLParser& XMLParser);
    static std::string_view NameOf(std::string_view ClassName, std::span<const TEnumName> Names, int32_t Value);
    static bool Named(std::span<const TEnumName> Names, int32_t Value);
};

// The concrete enumeration Derived, with Derived::kClassName and Derived::kNames.
template <class Derived>
class TEnumImpl : public TElementImpl<Derived, TEnum> {
    using Base = TElementImpl<Derived, TEnum>;

public:
    explicit TEnumImpl(TXMLId aXMLId) noexcept : Base(aXMLId) {}
    TEnumImpl(TXMLId aXMLId, TStringWrapper& PDUStr) : Base(aXMLId) { Read(PDUStr.NextByte(), PDUStr); }
    TEnumImpl(TXMLId aXMLId, TXMLParser& XMLParser) : Base(aXMLId) { this->LoadFromXml(XMLParser); }

    std::span<const TEnumName> Names() const override { return Derived::kNames; }
    using TEnum::GetString;
    // The value read; one without a name is noted on the reader.
    void Read(int32_t Value, TStringWrapper& PDUStr) {
        this->Value = Value;
        if (PDUStr.Nameless.empty() && !TEnum::Named(Derived::kNames, Value)) PDUStr.Nameless = Derived::kClassName;
    }
    static std::string_view GetString(int32_t Value) { return TEnum::NameOf(Derived::kClassName, Derived::kNames, Value); }
};

}  // namespace vantrel
