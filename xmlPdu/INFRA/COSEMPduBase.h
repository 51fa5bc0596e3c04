// TCOSEMPduBase: the base of every protocol element. An APDU in memory is a
// tree of elements; each element is built from octets (a constructor taking
// TStringWrapper&) or from XML (a constructor taking TXMLParser&), and
// renders itself as octets (EncodeToPduStr) or as XML (ToXML).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ElementArena.h"
#include "Errors.h"
#include "OctetMap.h"
#include "ScriptStream.h"
#include "StringWrapper.h"
#include "XMLId.h"
#include "XMLParser.h"

namespace vantrel {

class TCOSEMPduBase;
class TChoice;
using TElementPtr = std::unique_ptr<TCOSEMPduBase>;
// The children of a constructed element.
using TElementList = std::vector<TElementPtr, TArenaAllocator<TElementPtr>>;

// Selects the data-form constructor: the element read as an A-XDR Data value.
struct TDataForm {
    explicit TDataForm() = default;
};
inline constexpr TDataForm DataForm{};

class TCOSEMPduBase {
public:
    static constexpr bool kIsChoice = false;

    explicit TCOSEMPduBase(TXMLId aXMLId) noexcept : XMLId(aXMLId) {}
    TCOSEMPduBase(const TCOSEMPduBase&) = default;
    TCOSEMPduBase& operator=(const TCOSEMPduBase&) = delete;
    virtual ~TCOSEMPduBase() = default;

    // Elements are created in the translation's arena when one is open.
    static void* operator new(size_t Size) { return TElementArena::Allocate(Size); }
    static void operator delete(void* Block) noexcept { TElementArena::Release(Block); }

    // The run-time class name, as used in messages ("T_GetRequestNormal").
    virtual std::string_view ClassName() const = 0;
    // A deep copy of the same class.
    virtual TElementPtr Clone() const = 0;
    // Appends the encoding of the element.
    virtual void EncodeToPduStr(std::string& PduStr) const = 0;
    // Writes the XML lines of the element at the stream's indentation.
    virtual void ToXML(TScriptStream& Stream) const = 0;

    virtual bool CheckRange(int32_t Low, int32_t High) const;
    // +1 when X is greater, -1 when smaller, 0 when equal.
    virtual int32_t CompareTo(const TCOSEMPduBase& X) const;
    virtual bool EqualType(const TCOSEMPduBase& X) const { return ClassName() == X.ClassName(); }
    virtual std::string FriendlyName() const { return FriendlyNameOf(ClassName()); }
    // The A-XDR Data tag of the element, for types that have a data form.
    virtual int32_t DataTag() const;
    virtual void EncodeToDataPduStr(std::string& PduStr) const;
    virtual void EncodeToPduStrNoLen(std::string& PduStr) const { EncodeToPduStr(PduStr); }
    // The element as a choice, or null.
    virtual const TChoice* AsChoice() const noexcept { return nullptr; }
    // For the octet map, of a type that writes XML elements that are no
    // member of its own (Stream.MapInner(Key) before each): the octets of
    // field Key within the element's own, Offset and Length. False when the
    // element has no such field.
    virtual bool InnerOctets(uint32_t Key, uint32_t& Offset, uint32_t& Length) const;

    // One line <Tag Attr="Value" /> at the stream's indentation.
    static void EmitTagAttrLine(TScriptStream& Stream, TXMLId Tag, TXMLId Attr, std::string_view Value) {
        Stream.TagAttrLine(ElementName(Tag), ElementName(Attr), Value);
    }
    // The A-XDR length form: one octet below 128, else 81, 82 or 83 and 1 to 3 octets.
    static void EncodeVarLengthUnsignedInteger(std::string& PduStr, int32_t Value);
    static uint32_t DecodeVarLengthUnsignedInteger(TStringWrapper& PduStr);
    // The length form of a count of octets or elements.
    static void EncodeLength(std::string& PduStr, size_t Count);

    std::string ToXMLString() const;
    std::vector<std::string> ToStringList(int Indent) const;
    void AddXmlToLines(int Indent, std::vector<std::string>& Lines) const;
    bool IsEqual(const TCOSEMPduBase& X) const;
    int32_t PDUSize() const;

    // The class name without its type prefix: a leading "_", or else "T_", is dropped.
    static std::string FriendlyNameOf(std::string_view ClassName);

    // The identity of the element in its parent; selects its XML name.
    TXMLId XMLId;
    // Where the octet map being made keeps the element's octets.
    uint32_t MapSlot = kMapNone;

protected:
    [[noreturn]] void NotImplemented(std::string_view Operation) const;
};

// Everything a container needs to build one element class.
struct TElementFactory {
    TElementPtr (*Create)(TXMLId);
    TElementPtr (*FromPdu)(TXMLId, TStringWrapper&);
    TElementPtr (*FromXml)(TXMLId, TXMLParser&);
    TElementPtr (*FromDataPdu)(TXMLId, TStringWrapper&);
    std::string_view ClassName;
    bool IsChoice;
};

[[noreturn]] void RaiseNotImplemented(std::string_view ClassName, std::string_view Operation);

// The element of class T read from octets (or from XML), its octets (its
// start tag) noted in the map the reader carries.
template <class T, class... TForm>
std::unique_ptr<T> ReadElement(TXMLId Id, TStringWrapper& r, TForm... Form);
template <class T>
std::unique_ptr<T> ReadElement(TXMLId Id, TXMLParser& p);

namespace detail {
// The reading with the map, apart, so that the reading without stays lean.
template <class T, class... TForm>
[[gnu::noinline]] std::unique_ptr<T> ReadMapped(TXMLId Id, TStringWrapper& r, TForm... Form) {
    const uint32_t slot = r.Map->Open(r.FIndex);
    auto e = std::make_unique<T>(Id, r, Form...);
    r.Map->Close(slot, *e, r.FIndex);
    return e;
}
template <class T>
[[gnu::noinline]] std::unique_ptr<T> ReadMapped(TXMLId Id, TXMLParser& p) {
    const uint32_t slot = p.Map->Open(p);
    auto e = std::make_unique<T>(Id, p);
    p.Map->Close(slot, *e, p);
    return e;
}
}  // namespace detail

template <class T, class... TForm>
std::unique_ptr<T> ReadElement(TXMLId Id, TStringWrapper& r, TForm... Form) {
    if (r.Map) [[unlikely]]
        return detail::ReadMapped<T>(Id, r, Form...);
    return std::make_unique<T>(Id, r, Form...);
}
template <class T>
std::unique_ptr<T> ReadElement(TXMLId Id, TXMLParser& p) {
    if (p.Map) [[unlikely]]
        return detail::ReadMapped<T>(Id, p);
    return std::make_unique<T>(Id, p);
}

// Appends Element's encoding, noted in the encode map open on the thread.
inline void EncodeElement(const TCOSEMPduBase& Element, std::string& PduStr) {
    if (TEncodeMap* map = TEncodeMap::Open()) [[unlikely]]
        return map->Encode(Element, PduStr);
    Element.EncodeToPduStr(PduStr);
}

// Around the writing of one element's XML: the map the stream carries learns
// which element its next start tags belong to.
// How an element's XML is written: its ToXML, or as a list writes it.
using TWriteXml = void (*)(TScriptStream& Stream, const TCOSEMPduBase& Element);
inline void WriteOwnXml(TScriptStream& Stream, const TCOSEMPduBase& Element) { Element.ToXML(Stream); }

namespace detail {
// The writing with the map, apart, so that the writing without stays lean.
[[gnu::noinline]] void WriteMapped(TScriptStream& Stream, const TCOSEMPduBase& Element, TWriteXml Write);
}  // namespace detail

// Writes Element's XML, a map the stream carries told which element it is.
inline void WriteElement(TScriptStream& Stream, const TCOSEMPduBase& Element, TWriteXml Write = WriteOwnXml) {
    if (Stream.Map) [[unlikely]]
        return detail::WriteMapped(Stream, Element, Write);
    Write(Stream, Element);
}

namespace detail {
template <class T> TElementPtr Create(TXMLId Id) { return std::make_unique<T>(Id); }
template <class T> TElementPtr FromPdu(TXMLId Id, TStringWrapper& r) { return ReadElement<T>(Id, r); }
template <class T> TElementPtr FromXml(TXMLId Id, TXMLParser& p) { return ReadElement<T>(Id, p); }
template <class T> TElementPtr FromDataPdu(TXMLId Id, TStringWrapper& r) {
    if constexpr (std::is_constructible_v<T, TXMLId, TStringWrapper&, TDataForm>)
        return ReadElement<T>(Id, r, DataForm);
    else
        RaiseNotImplemented(T::kClassName, "CreateFromDataPduStr");
}
}  // namespace detail

template <class T>
inline constexpr TElementFactory ElementFactory = {&detail::Create<T>, &detail::FromPdu<T>, &detail::FromXml<T>,
                                                   &detail::FromDataPdu<T>, T::kClassName, T::kIsChoice};

// Supplies ClassName and Clone for a concrete class Derived of Base.
template <class Derived, class Base>
class TElementImpl : public Base {
public:
    using Base::Base;
    std::string_view ClassName() const override { return Derived::kClassName; }
    TElementPtr Clone() const override { return std::make_unique<Derived>(static_cast<const Derived&>(*this)); }
};

// The element of class T read from a byte string.
template <class T>
std::unique_ptr<T> MakeAnyFromPdu(TXMLId Id, std::string_view Pdu) {
    TStringWrapper reader(Pdu);
    return std::make_unique<T>(Id, reader);
}

// The element of class T read from XML text.
template <class T>
std::unique_ptr<T> MakeAnyFromXml(TXMLId Id, const std::string& Xml) {
    TXMLParser parser;
    parser.SetText(Xml.c_str());
    return std::make_unique<T>(Id, parser);
}

// XML rewritten in canonical form.
template <class T>
std::string Clean(TXMLId Id, const std::string& Xml) {
    return MakeAnyFromXml<T>(Id, Xml)->ToXMLString();
}

inline void TReadMap::Close(uint32_t Slot, TCOSEMPduBase& Element, int Index) noexcept {
    TOctetRange& r = Ranges[Slot];
    r.Length = static_cast<uint32_t>(Index - 1) - r.Offset;
    Element.MapSlot = Slot;
}

inline const TOctetRange* TReadMap::RangeOf(const TCOSEMPduBase& Element) const noexcept {
    return Element.MapSlot < Ranges.size() ? &Ranges[Element.MapSlot] : nullptr;
}

inline void TEncodeMap::Cover(const TCOSEMPduBase& Element, size_t Start, size_t End) noexcept {
    if (Element.MapSlot < FMap.Slots.size())
        FMap.Slots[Element.MapSlot].Range = {static_cast<uint32_t>(Start), static_cast<uint32_t>(End - Start), Level};
}

inline void TEncodeMap::Encode(const TCOSEMPduBase& Element, std::string& PduStr) {
    const size_t start = PduStr.size();
    Element.EncodeToPduStr(PduStr);
    Cover(Element, start, PduStr.size());
}

}  // namespace vantrel
