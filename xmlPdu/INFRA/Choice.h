// TChoice: a CHOICE. The encoding is one tag octet followed by the selected
// alternative; the XML is the alternative's element, inside a wrapper element
// named after the choice's own identifier unless that is xmlIgnore.
//
// A choice class is its name plus one table of alternatives
// {tag, identifier, element class}; TChoice does the rest.
#pragma once

#include <array>
#include <span>

#include "COSEMPduBase.h"

namespace vantrel {

struct TAlternative {
    int Tag;
    TXMLId Id;
    const TElementFactory* Factory;
};

struct TChoiceTable {
    static constexpr uint8_t kNone = 0xFF;

    std::string_view Name;  // the class name that failures report
    TXMLId VariantId;       // the identifier CreateVariant gives the choice
    std::span<const TAlternative> Alternatives;
    bool Nests = false;  // the alternatives can contain this choice again
    std::array<uint8_t, 256> ByTag{};
    std::array<uint8_t, kXMLIdCount> ById{};

    const TAlternative* FindTag(int Tag) const {
        return (Tag >= 0 && Tag < 256 && ByTag[Tag] != kNone) ? &Alternatives[ByTag[Tag]] : nullptr;
    }
    const TAlternative* FindId(TXMLId Id) const {
        return (Id < kXMLIdCount && ById[Id] != kNone) ? &Alternatives[ById[Id]] : nullptr;
    }
};

// Builds a choice table with its tag and identifier indexes; a repeated tag
// or identifier does not compile.
template <size_t N>
consteval TChoiceTable MakeChoiceTable(std::string_view Name, TXMLId VariantId, const TAlternative (&Alternatives)[N],
                                       bool Nests = false) {
    static_assert(N < TChoiceTable::kNone);
    TChoiceTable t{Name, VariantId, Alternatives, Nests};
    t.ByTag.fill(TChoiceTable::kNone);
    t.ById.fill(TChoiceTable::kNone);
    for (size_t i = 0; i < N; ++i) {
        const TAlternative& a = Alternatives[i];
        if (a.Tag < 0 || a.Tag > 255 || t.ByTag[a.Tag] != TChoiceTable::kNone) throw "repeated or invalid tag";
        if (t.ById[a.Id] != TChoiceTable::kNone) throw "repeated identifier";
        t.ByTag[a.Tag] = static_cast<uint8_t>(i);
        t.ById[a.Id] = static_cast<uint8_t>(i);
    }
    return t;
}

class TChoice : public TCOSEMPduBase {
public:
    static constexpr bool kIsChoice = true;

    TChoice(const TChoice& aSource);

    virtual const TChoiceTable& ChoiceTable() const = 0;
    const TChoice* AsChoice() const noexcept override { return this; }

    void EncodeToPduStr(std::string& PduStr) const override;
    void ToXML(TScriptStream& Stream) const override { WriteXml(Stream, XMLId); }
    // The XML of the choice as if its identifier were AsId (lists write their
    // choice elements with xmlIgnore).
    void WriteXml(TScriptStream& Stream, TXMLId AsId) const;
    bool EqualType(const TCOSEMPduBase& X) const override;
    void EncodeToDataPduStr(std::string& PduStr) const override;

    // Whether the alternative is a T or derived from it.
    template <class T>
    bool IsA() const {
        return dynamic_cast<const T*>(Value.get()) != nullptr;
    }
    // Saves a copy of the alternative, to be put back with RestoreValue.
    void MakeClone();
    void RestoreValue();

    int32_t Tag = -1;
    TElementPtr Value;
    TElementPtr ValueClone;

protected:
    explicit TChoice(TXMLId aXMLId) noexcept : TCOSEMPduBase(aXMLId) {}
    void DecodeFromPduStr(TStringWrapper& PDUStr, const TChoiceTable& Table);
    void DecodeFromDataPduStr(TStringWrapper& PDUStr, const TChoiceTable& Table);
    void LoadFromXml(TXMLParser& XMLParser, const TChoiceTable& Table);
    void SetVariant(const TChoiceTable& Table, TXMLId VariantXMLId, TElementPtr V);

private:
    const TAlternative& AlternativeOfTag(const TChoiceTable& Table);
};

// The concrete choice Derived, with Derived::kClassName and Derived::kTable.
template <class Derived>
class TChoiceImpl : public TElementImpl<Derived, TChoice> {
    using Base = TElementImpl<Derived, TChoice>;

public:
    explicit TChoiceImpl(TXMLId aXMLId) noexcept : Base(aXMLId) {}
    TChoiceImpl(TXMLId aXMLId, TStringWrapper& PDUStr) : Base(aXMLId) { this->DecodeFromPduStr(PDUStr, Derived::kTable); }
    TChoiceImpl(TXMLId aXMLId, TXMLParser& XMLParser) : Base(aXMLId) { this->LoadFromXml(XMLParser, Derived::kTable); }
    TChoiceImpl(TXMLId aXMLId, TStringWrapper& PDUStr, TDataForm) : Base(aXMLId) {
        this->DecodeFromDataPduStr(PDUStr, Derived::kTable);
    }

    const TChoiceTable& ChoiceTable() const override { return Derived::kTable; }

    // The choice of the alternative VariantXMLId holding V, or a new empty
    // alternative when V is null.
    static std::unique_ptr<Derived> CreateVariant(TXMLId VariantXMLId, TElementPtr V = nullptr) {
        auto choice = std::make_unique<Derived>(Derived::kTable.VariantId);
        choice->SetVariant(Derived::kTable, VariantXMLId, std::move(V));
        return choice;
    }
};

}  // namespace vantrel
