// TSequenceOf: a SEQUENCE OF. The encoding is the element count (A-XDR
// length form) followed by the elements; the XML is a list element whose
// attribute Qty holds the count in at least four hex digits ("AUTO" on input
// accepts any count). Choice elements are written and read without wrapper.
//
// A list class is its name plus one table {element identifier, element class}.
#pragma once

#include <functional>

#include "COSEMPduBase.h"

namespace vantrel {

struct TListTable {
    TXMLId ElementId;
    const TElementFactory* Element;
    bool Nests = false;  // an element can contain this list again
};

class TSequenceOf : public TCOSEMPduBase {
public:
    // +1 when the second element is greater, -1 when smaller, 0 when equal.
    using TComparer = std::function<int(const TCOSEMPduBase&, const TCOSEMPduBase&)>;

    TSequenceOf(const TSequenceOf& aSource);

    virtual const TListTable& ListTable() const = 0;

    void Add(TElementPtr Item) { FElements.push_back(std::move(Item)); }
    int ElementCount() const noexcept { return static_cast<int>(FElements.size()); }
    const TCOSEMPduBase& GetElements(int Index) const;
    int IndexOf(const TCOSEMPduBase* Item) const noexcept;
    void AtFree(int Index);
    void FreeRange(int FromIndex, int Count);
    void Clear() noexcept { FElements.clear(); }
    void Sort(const TComparer& aComparer);
    // Bisects a list sorted with the same comparer; Index is where Item is or belongs.
    bool Search(const TCOSEMPduBase& Item, int& Index, const TComparer& aComparer) const;
    const TElementList& Elements() const noexcept { return FElements; }

    void EncodeToPduStr(std::string& PduStr) const override;
    void ToXML(TScriptStream& Stream) const override { SaveToXml(Stream); }
    bool EqualType(const TCOSEMPduBase& X) const override;
    // 2 for a structure, 1 for every other list (the Data tags).
    int32_t DataTag() const override;
    void EncodeToDataPduStr(std::string& PduStr) const override;

protected:
    explicit TSequenceOf(TXMLId aXMLId) noexcept : TCOSEMPduBase(aXMLId) {}
    void LoadFromPduElementsOfType(TStringWrapper& PDUStr, const TListTable& Table);
    void LoadFromDataPduElementsOfType(TStringWrapper& PDUStr, const TListTable& Table);
    void LoadFromXmlElementsOfTag(TXMLParser& XMLParser, const TListTable& Table);
    void SaveToXml(TScriptStream& Stream) const;

private:
    TElementList FElements;
};

// The concrete list Derived, with Derived::kClassName and Derived::kTable.
template <class Derived>
class TSequenceOfImpl : public TElementImpl<Derived, TSequenceOf> {
    using Base = TElementImpl<Derived, TSequenceOf>;

public:
    explicit TSequenceOfImpl(TXMLId aXMLId) noexcept : Base(aXMLId) {}
    TSequenceOfImpl(TXMLId aXMLId, TStringWrapper& PDUStr) : Base(aXMLId) {
        this->LoadFromPduElementsOfType(PDUStr, Derived::kTable);
    }
    TSequenceOfImpl(TXMLId aXMLId, TXMLParser& XMLParser) : Base(aXMLId) {
        this->LoadFromXmlElementsOfTag(XMLParser, Derived::kTable);
    }
    TSequenceOfImpl(TXMLId aXMLId, TStringWrapper& PDUStr, TDataForm) : Base(aXMLId) {
        this->LoadFromDataPduElementsOfType(PDUStr, Derived::kTable);
    }

    const TListTable& ListTable() const override { return Derived::kTable; }
};

}  // namespace vantrel
