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

struct TSequenceTable {
    std::span<const TField> Fields;
    bool Nests = false;  // a field can contain this sequence again
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
    void ReadFields(TStringWrapper& PDUStr, const TSequenceTable& Table);
    void ReadFields(TXMLParser& XMLParser, const TSequenceTable& Table);
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
