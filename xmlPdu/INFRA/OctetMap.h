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

#include "ScriptStream.h"
#include "vantrel/vantrel.h"

namespace vantrel {

class TCOSEMPduBase;
class TXMLParser;

inline constexpr uint32_t kMapNone = VANTREL_MAP_NONE;

// One element of the XML and its octets, as the C ABI hands it out (Unit is
// always 0 here): its name, the lines of its start and end tags, its octets
// (Offset kMapNone: not known), its parent's entry and depth, the entry
// holding the ciphered payload whose plaintext it counts in.
using TMapEntry = VantrelMapEntry;

// The octets of one element: in the APDU (Level 0) or in the plaintext of a
// ciphered payload read or encoded at Level - 1.
struct TOctetRange {
    uint32_t Offset = kMapNone;
    uint32_t Length = 0;
    uint32_t Level = 0;
    uint32_t Spare = 0;  // sixteen octets: slots index without a division
};

// The line feeds in [Begin, End).
size_t CountLineFeeds(const char* Begin, const char* End) noexcept;

// Reading octets: the range of every element read, by slot.
class TReadMap {
public:
    // For octets of Size: elements take about two octets each.
    explicit TReadMap(size_t Size = 0) { Ranges.reserve(Size / 2 + 16); }

    // An element begins at the reader's 1-based position Index.
    [[gnu::always_inline]] uint32_t Open(int Index) {
        Ranges.push_back({static_cast<uint32_t>(Index - 1), 0, Level});
        return static_cast<uint32_t>(Ranges.size() - 1);
    }
    // It ended before Index; Element is it.
    inline void Close(uint32_t Slot, TCOSEMPduBase& Element, int Index) noexcept;
    // Its octets begin earlier, at Index: tags read by the element around it.
    void Cover(const TCOSEMPduBase& Element, int Index) noexcept;
    inline const TOctetRange* RangeOf(const TCOSEMPduBase& Element) const noexcept;

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
// writes it. It observes the stream's lines (passing them on to the observer
// it found there) and is told of every other text that may hold line feeds,
// so it knows each tag's line without reading the text again. Tags are
// element names of static storage.
class TWriteMap final : public TLineObserver {
public:
    explicit TWriteMap(const TReadMap& Read)
        : FRanges(Read.Ranges.data()), FRangeCount(static_cast<uint32_t>(Read.Ranges.size())) {
        // No more start tags than elements, but for fields of theirs.
        FEntries.reserve(Read.Ranges.size() + 16);
        FOpen.reserve(64);
    }

    // Observes Stream for its lifetime.
    class TAttach {
    public:
        TAttach(TWriteMap& Map, TScriptStream& Stream) noexcept : FStream(Stream) {
            Map.FNext = Stream.Observer;
            Stream.Observer = &Map;
            Stream.Map = &Map;
        }
        ~TAttach() {
            FStream.Observer = FStream.Map->FNext;
            FStream.Map = nullptr;
        }
        TAttach(const TAttach&) = delete;
        TAttach& operator=(const TAttach&) = delete;

    private:
        TScriptStream& FStream;
    };

    void OpenLine(TScriptStream& Stream, std::string_view Tag, std::string_view Count) override {
        StartTag(Tag, true);
        if (FNext) FNext->OpenLine(Stream, Tag, Count);
    }
    void CloseLine(TScriptStream& Stream) override {
        CloseTag();
        if (FNext) FNext->CloseLine(Stream);
    }
    void ValueLine(TScriptStream& Stream, std::string_view Tag, std::string_view Value, bool Octets) override {
        StartTag(Tag, false);
        if (!Octets) Wrote(Value);
        if (FNext) FNext->ValueLine(Stream, Tag, Value, Octets);
    }
    void OtherLine(TScriptStream& Stream) override {
        LineEnded();
        if (FNext) FNext->OtherLine(Stream);
    }
    void EmptyLine(TScriptStream& Stream, std::string_view Tag) override {
        StartTag(Tag, false);
        if (FNext) FNext->EmptyLine(Stream, Tag);
    }

    struct TSaved {
        const TCOSEMPduBase* Pending;
        const TCOSEMPduBase* Current;
    };
    // Element is about to write its XML.
    TSaved Enter(const TCOSEMPduBase& Element) noexcept {
        const TSaved saved{FPending, FCurrent};
        if (!FPending) FPending = &Element;
        FCurrent = &Element;
        return saved;
    }
    void Leave(const TCOSEMPduBase& Element, const TSaved& Saved) noexcept {
        if (FPending == &Element) FPending = nullptr;  // it wrote no start tag
        FCurrent = Saved.Current;
    }
    // The next start tag is the field Key of the element writing.
    void Inner(uint32_t Key) noexcept { FInner = Key; }
    // A start tag was written on a line that it ended; Opens: not self-closing.
    void StartTag(std::string_view Tag, bool Opens);
    // An end tag was written on a line that it ended.
    void CloseTag() noexcept {
        if (!FOpen.empty()) {
            FEntries[FOpen.back().Entry].LastLine = FLineFeeds + 1;
            FOpen.pop_back();
        }
        ++FLineFeeds;
    }
    void LineEnded() noexcept { ++FLineFeeds; }
    void Wrote(std::string_view Text) noexcept { FLineFeeds += static_cast<uint32_t>(CountLineFeeds(Text.data(), Text.data() + Text.size())); }
    // The lines ended so far.
    uint32_t LinesEnded() const noexcept { return FLineFeeds; }

    // The entries, once the writing is done.
    std::vector<TMapEntry> TakeEntries() { return std::move(FEntries); }

private:
    struct TOpen {
        uint32_t Entry;
        uint32_t Level;
        uint32_t Depth;
        uint32_t Plaintext;
    };
    const TOctetRange* RangeOf(const TCOSEMPduBase& Element) const noexcept;

    const TOctetRange* FRanges;  // the reading's, complete before the writing
    uint32_t FRangeCount;
    TLineObserver* FNext = nullptr;
    const TCOSEMPduBase* FPending = nullptr;  // the element whose start tag comes next
    const TCOSEMPduBase* FCurrent = nullptr;  // the innermost element writing
    uint32_t FInner = kMapNone;
    std::vector<TMapEntry> FEntries;
    std::vector<TOpen> FOpen;
    uint32_t FLineFeeds = 0;
};

// Reading XML: one entry per start tag that opens an element, and a slot per
// element that its encoding fills with its octets.
class TParseMap {
public:
    // For XML of Size bytes: an element takes about 24 of them.
    explicit TParseMap(size_t Size = 0) {
        Slots.reserve(Size / 16 + 16);
        FEntries.reserve(Size / 32 + 16);
        FSources.reserve(Size / 32 + 16);
    }

    // The parser read a tag beginning at Start (its "<"), after LineFeeds
    // line feeds but those of attribute values, which the map counts.
    void TagRead(int Start, int LineFeeds) noexcept {
        FReadBefore = FLastRead;
        FLastRead = {Start, LineFeeds + FValueLineFeeds};
    }
    // It read an attribute value.
    void ValueRead(std::string_view Value) noexcept {
        FValueLineFeeds += static_cast<int>(CountLineFeeds(Value.data(), Value.data() + Value.size()));
    }
    // An element is read from the parser's current token.
    uint32_t Open(const TXMLParser& Parser);
    // It has been read; Element is it.
    void Close(uint32_t Slot, TCOSEMPduBase& Element, const TXMLParser& Parser);
    // The parser's current start tag is the field Key of the element being read.
    void Inner(const TXMLParser& Parser, uint32_t Key);
    // The entries, with the octets the encoding gave their elements (once).
    std::vector<TMapEntry> Resolve();

    struct TSlot {
        const TCOSEMPduBase* Element = nullptr;
        TOctetRange Range;
        uint32_t End = 0;  // the slots of the elements read inside it come before End
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

    // The last tag read, and the one before it: where each begins, the line
    // feeds before it.
    struct TTag {
        int Start = -1;
        int LineFeeds = 0;
    };
    TTag FLastRead;
    TTag FReadBefore;
    int FValueLineFeeds = 0;
    // The tag the parser's current token is (when it is a tag), and the last
    // tag before the current token.
    const TTag& Current() const noexcept { return FLastRead; }
    const TTag& Previous(const TXMLParser& Parser) const noexcept;

    std::vector<TMapEntry> FEntries;
    std::vector<TSource> FSources;
    std::vector<TOpenSlot> FOpenSlots;
    std::vector<uint32_t> FOpenEntries;
    int FLastTag = -1;  // the tag the last entry was made for
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
    static TEncodeMap* Open() noexcept { return tOpen; }

    // Appends Element's encoding to PduStr and notes where it went.
    inline void Encode(const TCOSEMPduBase& Element, std::string& PduStr);
    // Element's octets are [Start, End) of the text being encoded.
    inline void Cover(const TCOSEMPduBase& Element, size_t Start, size_t End) noexcept;
    // Count octets were put in at At of the encoding of Owner, in front of
    // octets of elements inside it.
    void Inserted(const TCOSEMPduBase& Owner, size_t At, size_t Count) noexcept;

    uint32_t Level = 0;  // a plaintext being encoded: one more per payload

private:
    // Looked up for every element encoded: a plain pointer in the initial TLS block.
    __attribute__((tls_model("initial-exec"))) static constinit thread_local TEncodeMap* tOpen;

    TParseMap& FMap;
    TEncodeMap* FPrevious;
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
