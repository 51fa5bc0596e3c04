// TScriptStream: the XML writer. It keeps the indentation level and whether
// the current line has been started, and collects 8-bit text in one growing
// memory block that the entry points hand to their caller without a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vantrel {

class TScriptStream;
class TWriteMap;

// Told of every line a stream writes, after the line is written; it may add
// to the end of the line with AppendToLine (annotations do).
class TLineObserver {
public:
    virtual ~TLineObserver() = default;
    // An opening tag; Count is the value of its Qty attribute, or empty.
    virtual void OpenLine(TScriptStream& Stream, std::string_view Tag, std::string_view Count) = 0;
    virtual void CloseLine(TScriptStream& Stream) = 0;
    // A whole element with a Value attribute: its text, or with Octets the
    // octets the line shows as hex digits.
    virtual void ValueLine(TScriptStream& Stream, std::string_view Tag, std::string_view Value, bool Octets) = 0;
    // Any other line ended.
    virtual void OtherLine(TScriptStream& Stream) = 0;
    // A whole empty element <Tag />.
    virtual void EmptyLine(TScriptStream& Stream, std::string_view Tag) {
        (void)Tag;
        OtherLine(Stream);
    }
};

class TScriptStream {
public:
    TScriptStream() = default;
    explicit TScriptStream(int aIndent) : Indent(aIndent) {}
    ~TScriptStream();
    TScriptStream(const TScriptStream&) = delete;
    TScriptStream& operator=(const TScriptStream&) = delete;

    // Appends s, preceded by the indentation when the line is not yet started.
    void Emit(std::string_view s);
    // Emit of s followed by CR LF; the next Emit starts a new line.
    void EmitLn(std::string_view s);
    void XMLOpenTagLn(std::string_view Tag);
    void XMLCloseTagLn(std::string_view Tag);
    // The opening tag of a list: <Tag Attr="Value" > and the line end.
    void XMLOpenTagAttrLn(std::string_view Tag, std::string_view Attr, std::string_view Value);
    // "<!-- s --> " without a line end.
    void XMLComment(std::string_view s);

    // One whole line <Tag Attr="Value" />; with Hex the value is written as
    // the hex digits of the octets in Value.
    void TagAttrLine(std::string_view Tag, std::string_view Attr, std::string_view Value);
    void TagAttrHexLine(std::string_view Tag, std::string_view Attr, std::string_view Octets);
    // One whole line <Tag />.
    void EmptyTagLine(std::string_view Tag);
    // The next start tag is the field Key of the element writing, not an
    // element of its own (for the octet map).
    void MapInner(uint32_t Key) noexcept;

    // The whole text written so far.
    std::string AsString() const { return std::string(FData, FSize); }
    std::string_view View() const noexcept { return {FData, FSize}; }
    size_t Size() const noexcept { return FSize; }
    const char* Memory() const noexcept { return FData; }

    void Reserve(size_t Capacity);
    // Appends raw bytes (a terminating zero, octets), untouched by indentation.
    void WriteRaw(const void* Bytes, size_t Count);
    // Hands the memory block (allocated with malloc) to the caller.
    char* Release(size_t& Size) noexcept;
    // Appends s to the line just ended, before its line end.
    void AppendToLine(std::string_view s);

    bool LineNotEmpty = false;
    int Indent = 0;
    // The most the stream may hold; writing beyond it fails at once with
    // "Output too large" (the memory never grows past it).
    uint64_t Limit = UINT32_MAX;
    // Told of every line when set; not owned.
    TLineObserver* Observer = nullptr;
    // The octet map being made, when set (it observes the lines as well,
    // and is told of the text that may hold line feeds); not owned.
    TWriteMap* Map = nullptr;

private:
    // Room for Count more bytes; returns where they go.
    char* Grow(size_t Count) {
        if (FCapacity - FSize < Count) Expand(Count);
        return FData + FSize;
    }
    void Expand(size_t Count);
    // Room for Count bytes of the current line after its indentation, if the
    // line is new; the line counts as started.
    char* BeginLine(size_t Count);

    char* FData = nullptr;
    size_t FSize = 0;
    size_t FCapacity = 0;
};

}  // namespace vantrel
