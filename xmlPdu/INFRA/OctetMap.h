// The octet map: for every element of a translation's XML, the octets it
// stands for and the line of its start tag. It is a by-product of reading
// and writing, kept only when a translation asks for it: the readers, the
// writer and the encoding carry a null pointer otherwise and do nothing more.
//
// Octets to XML: the octet reader notes each element's octets (TReadMap,
// TStringWrapper::Map); the XML writer makes one entry per start tag it
// writes, with the octets of the element being written (TWriteMap,
// TScriptStream::Map). XML to octets: the XML reader makes one entry per
// start tag that opens an element (TParseMap, TXMLParser::Map), the encoding
// notes each element's octets (TEncodeMap, open on the thread for the
// translation), and the entries take them once the octets are known.
//
// Elements find their octets through TCOSEMPduBase::MapSlot. An alternative
// written without an element of the choice around it shares the choice's
// start tag, and its entry has the choice's octets (the tag octet with them).
// A few types write elements that are no member of theirs (conformance bits,
// a ciphered payload's header fields): they name them with a key, and
// TCOSEMPduBase::InnerOctets says which of their octets each one is.
// Deciphered content is read and encoded on a level one deeper; its entries
// count their octets in the plaintext and name the entry that holds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class TCOSEMPduBase;
class TScriptStream;
class TXMLParser;

inline constexpr uint32_t kMapNone = UINT32_MAX;

// One element of the XML and its octets.
struct TMapEntry {
    const char* Element = "";   // its name (static, zero-terminated)
    uint32_t Line = 0;          // of its start tag, from 1
    uint32_t LastLine = 0;      // of its end tag
    uint32_t Offset = kMapNone; // its first octet from 0 (kMapNone: not known)
    uint32_t Length = 0;
    uint32_t Parent = kMapNone; // the entry of the element around it
    uint32_t Depth = 0;
    uint32_t Plaintext = kMapNone;  // the entry holding the ciphered payload its octets are the plaintext of
};

// The octets of one element: in the APDU (Level 0) or in the plaintext of a
// ciphered payload read or encoded at Level - 1.
struct TOctetRange {
    uint32_t Offset = kMapNone;
    uint32_t Length = 0;
    uint32_t Level = 0;
};

// Counts the lines of a text up to a place, walking each byte once however
// often it is asked (the places only grow).
class TLineCounter {
public:
    // The line (from 1) of the byte at Index of Text.
    uint32_t LineAt(const char* Text, size_t Index) noexcept;

private:
    size_t FScanned = 0;
    uint32_t FBreaks = 0;
};

// Reading octets: the range of every element read, by slot.
class TReadMap {
public:
    TReadMap() { Ranges.reserve(256); }

    // An element begins at the reader's 1-based position Index.
    uint32_t Open(int Index);
    // It ended before Index; Element is it.
    void Close(uint32_t Slot, TCOSEMPduBase& Element, int Index);
    // Its octets begin earlier, at Index: tags read by the element around it.
    void Cover(const TCOSEMPduBase& Element, int Index) noexcept;
    const TOctetRange* RangeOf(const TCOSEMPduBase& Element) const noexcept;

    std::vector<TOctetRange> Ranges;
    uint32_t Level = 0;  // deciphered content being read: one more per payload
};

// One level deeper for its lifetime (a ciphered payload read in the clear).
class TReadLevel {
public:
    explicit TReadLevel(TReadMap* Map) noexcept : FMap(Map) {
        if (FMap) ++FMap->Level;
    }
    ~TReadLevel() {
        if (FMap) --FMap->Level;
    }
    TReadLevel(const TReadLevel&) = delete;
    TReadLevel& operator=(const TReadLevel&) = delete;

private:
    TReadMap* FMap;
};

// Writing XML: one entry per start tag, with the octets of the element that
// writes it.
class TWriteMap {
public:
    explicit TWriteMap(const TReadMap& Read) : FRead(Read) { Entries.reserve(Read.Ranges.size()); }

    struct TSaved {
        const TCOSEMPduBase* Pending;
        const TCOSEMPduBase* Current;
    };
    // Element is about to write its XML.
    TSaved Enter(const TCOSEMPduBase& Element) noexcept;
    void Leave(const TCOSEMPduBase& Element, const TSaved& Saved) noexcept;
    // The next start tag is the field Key of the element writing.
    void Inner(uint32_t Key) noexcept { FInner = Key; }
    // A start tag is about to be written to Stream; Opens: not self-closing.
    void StartTag(const TScriptStream& Stream, std::string_view Tag, bool Opens);
    void CloseTag(const TScriptStream& Stream);

    std::vector<TMapEntry> Entries;

private:
    struct TOpen {
        uint32_t Entry;
        uint32_t Level;
    };
    const TReadMap& FRead;
    const TCOSEMPduBase* FPending = nullptr;  // the element whose start tag comes next
    const TCOSEMPduBase* FCurrent = nullptr;  // the innermost element writing
    uint32_t FInner = kMapNone;
    std::vector<TOpen> FOpen;
    TLineCounter FLines;
};

// Reading XML: one entry per start tag that opens an element, and a slot per
// element that its encoding fills with its octets.
class TParseMap {
public:
    explicit TParseMap(const char* Text) : FText(Text ? Text : "") {
        Slots.reserve(256);
        FEntries.reserve(256);
    }

    // An element is read from the parser's current token.
    uint32_t Open(const TXMLParser& Parser);
    // It has been read; Element is it.
    void Close(uint32_t Slot, TCOSEMPduBase& Element, const TXMLParser& Parser);
    // The parser's current start tag is the field Key of the element being read.
    void Inner(const TXMLParser& Parser, uint32_t Key);
    // The entries, with the octets the encoding gave their elements.
    std::vector<TMapEntry> Resolve() const;

    struct TSlot {
        const TCOSEMPduBase* Element = nullptr;
        TOctetRange Range;
        uint32_t Filled = kMapNone;  // its place in TEncodeMap's order of fills
    };
    std::vector<TSlot> Slots;

private:
    struct TSource {
        uint32_t Slot;
        uint32_t Key;
    };
    struct TOpenSlot {
        uint32_t Slot;
        uint32_t Entry;  // the entry it opened and closes, or kMapNone
    };
    uint32_t NewEntry(const TXMLParser& Parser, uint32_t Slot, uint32_t Key);

    const char* FText;
    std::vector<TMapEntry> FEntries;
    std::vector<TSource> FSources;
    std::vector<TOpenSlot> FOpenSlots;
    std::vector<uint32_t> FOpenEntries;
    int FLastTag = -1;  // the tag the last entry was made for
    TLineCounter FLines;
};

// Encoding: the octets of every element encoded, into the slots of a parse
// map. Open on the thread that encodes, for its lifetime.
class TEncodeMap {
public:
    explicit TEncodeMap(TParseMap& Map) noexcept;
    ~TEncodeMap();
    TEncodeMap(const TEncodeMap&) = delete;
    TEncodeMap& operator=(const TEncodeMap&) = delete;

    // The map open on this thread, or null.
    static TEncodeMap* Open() noexcept;

    // Appends Element's encoding to PduStr and notes where it went.
    void Encode(const TCOSEMPduBase& Element, std::string& PduStr);
    // Element's octets are [Start, End) of the text being encoded.
    void Cover(const TCOSEMPduBase& Element, size_t Start, size_t End) noexcept;
    // Count octets were put in at At, in front of octets of elements noted
    // since the innermost element being encoded began.
    void Inserted(size_t At, size_t Count) noexcept;

    uint32_t Level = 0;  // a plaintext being encoded: one more per payload

private:
    TParseMap& FMap;
    TEncodeMap* FPrevious;
    std::vector<uint32_t> FFilled;  // slots in the order their octets were noted
    std::vector<size_t> FMarks;     // per element being encoded: FFilled's size when it began
};

// One level deeper for its lifetime, when an encode map is open.
class TEncodeLevel {
public:
    TEncodeLevel() noexcept : FMap(TEncodeMap::Open()) {
        if (FMap) ++FMap->Level;
    }
    ~TEncodeLevel() {
        if (FMap) --FMap->Level;
    }
    TEncodeLevel(const TEncodeLevel&) = delete;
    TEncodeLevel& operator=(const TEncodeLevel&) = delete;

private:
    TEncodeMap* FMap;
};

}  // namespace vantrel
