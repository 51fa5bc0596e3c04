// TSequence: a SEQUENCE. Its components follow each other in declaration
// order; an optional component is preceded by a presence octet (01 present,
// 00 absent) and in XML is present when its start tag comes next.
//
// A sequence class is its name plus one table of fields
// {identifier, element class, optional}; TSequence does the rest.
#pragma once

#include <span>

#include "COSEMPduBase.h"

namespace vantrel {

struct TField {
    TXMLId Id;
    const TElementFactory* Factory;
    bool Optional = false;
};
inline constexpr bool Optional = true;

// A second encoding of one field that some devices send in place of the
// standard one: Size octets beginning with Prefix. The octets are read with
// it only where the standard reading of the sequence fails or ends before the
// octets do, when the field's octets begin with Prefix; the reading that gets
// further is kept, a tie goes to the standard one. So every sequence that
// reads completely today reads as before; the variant suits sequences that
// end their APDU. In XML the variant is the field's element holding child
// elements, where the standard form is one element with its Value; it must
// encode as Size octets beginning with Prefix.
struct TFieldVariant {
    size_t Field;                    // index in the table's fields
    std::string_view Prefix;
    size_t Size;
    const TElementFactory* Factory;  // the variant's class
};

struct TSequenceTable {
    std::span<const TField> Fields;
    bool Nests = false;  // a field can contain this sequence again
    const TFieldVariant* Variant = nullptr;
};

class TSequence : public TCOSEMPduBase {
public:
    TSequence(const TSequence& aSource);

    virtual const TSequenceTable& SequenceTable() const = 0;

    void EncodeToPduStr(std::string& PduStr) const override;
    // The element, its present members one level deeper, the closing tag.
    void ToXML(TScriptStream& Stream) const override;
    void EncodeToDataPduStr(std::string& PduStr) const override;

    // The components in declaration order; an absent optional one is null.
    TElementList Members;

protected:
    explicit TSequence(TXMLId aXMLId) noexcept : TCOSEMPduBase(aXMLId) {}
    // Mandatory fields empty, optional ones absent.
    void CreateMembers(const TSequenceTable& Table);
    void DecodeFromPduStr(TStringWrapper& PDUStr, const TSequenceTable& Table);
    void LoadFromXml(TXMLParser& XMLParser, const TSequenceTable& Table);

    template <class T>
    const T& MemberAs(size_t Index) const {
        return static_cast<const T&>(*Members[Index]);
    }
    // An optional member: null when absent.
    template <class T>
    const T* OptionalMember(size_t Index) const {
        return static_cast<const T*>(Members[Index].get());
    }

private:
    // Reads the fields; with Variant its field in the variant form, and
    // false (nothing read) when the field's octets do not begin with its prefix.
    bool ReadFields(TStringWrapper& PDUStr, const TSequenceTable& Table, const TFieldVariant* Variant = nullptr);
    bool ReadGuarded(TStringWrapper& PDUStr, const TSequenceTable& Table, const TFieldVariant* Variant);
    void ReadEitherForm(TStringWrapper& PDUStr, const TSequenceTable& Table);
    void ReadFields(TXMLParser& XMLParser, const TSequenceTable& Table);
    void ReadVariant(TXMLParser& XMLParser, const TSequenceTable& Table, const TFieldVariant& Variant);
};

// The concrete sequence Derived, with Derived::kClassName and Derived::kTable.
template <class Derived>
class TSequenceImpl : public TElementImpl<Derived, TSequence> {
    using Base = TElementImpl<Derived, TSequence>;

public:
    explicit TSequenceImpl(TXMLId aXMLId) : Base(aXMLId) { this->CreateMembers(Derived::kTable); }
    TSequenceImpl(TXMLId aXMLId, TStringWrapper& PDUStr) : Base(aXMLId) { this->DecodeFromPduStr(PDUStr, Derived::kTable); }
    TSequenceImpl(TXMLId aXMLId, TXMLParser& XMLParser) : Base(aXMLId) { this->LoadFromXml(XMLParser, Derived::kTable); }

    const TSequenceTable& SequenceTable() const override { return Derived::kTable; }
};

}  // namespace vantrel
