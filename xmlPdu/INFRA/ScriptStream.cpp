#include "ScriptStream.h"

#include <cstdlib>
#include <new>

#include "Errors.h"
#include "INFRAMisc.h"
#include "OctetMap.h"

namespace vantrel {


TScriptStream::~TScriptStream() { std::free(FData); }

void TScriptStream::Reserve(size_t Capacity) {
    if (Capacity > Limit) Capacity = static_cast<size_t>(Limit);
    if (Capacity <= FCapacity) return;
    char* p = static_cast<char*>(std::realloc(FData, Capacity));
    if (!p) throw std::bad_alloc();
    FData = p;
    FCapacity = Capacity;
}

void TScriptStream::Expand(size_t Count) {
    if (Count > Limit || FSize > Limit - Count)
        throw EVantrelError("Output too large: more than " + std::to_string(Limit) + " octets");
    size_t wanted = FCapacity < 256 ? 256 : FCapacity + FCapacity / 2;
    if (wanted - FSize < Count) wanted = FSize + Count;
    if (wanted > Limit) wanted = static_cast<size_t>(Limit);
    Reserve(wanted);
}

char* TScriptStream::Release(size_t& Size) noexcept {
    char* p = FData;
    Size = FSize;
    FData = nullptr;
    FSize = FCapacity = 0;
    return p;
}

void TScriptStream::AppendToLine(std::string_view s) {
    if (Map) [[unlikely]] Map->Wrote(s);
    if (FSize < 2 || FData[FSize - 2] != '\r' || FData[FSize - 1] != '\n') return WriteRaw(s.data(), s.size());
    FSize -= 2;
    char* p = Grow(s.size() + 2);
    std::memcpy(p, s.data(), s.size());
    std::memcpy(p + s.size(), "\r\n", 2);
    FSize += s.size() + 2;
}

void TScriptStream::WriteRaw(const void* Bytes, size_t Count) {
    if (Map) [[unlikely]] Map->Wrote({static_cast<const char*>(Bytes), Count});
    std::memcpy(Grow(Count), Bytes, Count);
    FSize += Count;
}

char* TScriptStream::BeginLine(size_t Count) {
    const size_t indent = (LineNotEmpty || Indent <= 0) ? 0 : 2 * static_cast<size_t>(Indent);
    char* p = Grow(indent + Count);
    std::memset(p, ' ', indent);
    FSize += indent + Count;
    LineNotEmpty = true;
    return p + indent;
}

void TScriptStream::Emit(std::string_view s) {
    if (Map) [[unlikely]] Map->Wrote(s);
    std::memcpy(BeginLine(s.size()), s.data(), s.size());
}

void TScriptStream::EmitLn(std::string_view s) {
    if (Map) [[unlikely]] Map->Wrote(s);
    char* p = BeginLine(s.size() + 2);
    std::memcpy(p, s.data(), s.size());
    std::memcpy(p + s.size(), "\r\n", 2);
    LineNotEmpty = false;
    if (Observer) Observer->OtherLine(*this);
}

void TScriptStream::MapInner(uint32_t Key) noexcept {
    if (Map) Map->Inner(Key);
}

void TScriptStream::XMLOpenTagLn(std::string_view Tag) {
    char* p = BeginLine(Tag.size() + 4);
    *p++ = '<';
    std::memcpy(p, Tag.data(), Tag.size());
    std::memcpy(p + Tag.size(), ">\r\n", 3);
    LineNotEmpty = false;
    if (Observer) Observer->OpenLine(*this, Tag, {});
}

void TScriptStream::XMLCloseTagLn(std::string_view Tag) {
    char* p = BeginLine(Tag.size() + 5);
    std::memcpy(p, "</", 2);
    std::memcpy(p + 2, Tag.data(), Tag.size());
    std::memcpy(p + 2 + Tag.size(), ">\r\n", 3);
    LineNotEmpty = false;
    if (Observer) Observer->CloseLine(*this);
}

void TScriptStream::XMLOpenTagAttrLn(std::string_view Tag, std::string_view Attr, std::string_view Value) {
    char* p = BeginLine(Tag.size() + Attr.size() + Value.size() + 9);
    *p++ = '<';
    std::memcpy(p, Tag.data(), Tag.size());
    p += Tag.size();
    *p++ = ' ';
    std::memcpy(p, Attr.data(), Attr.size());
    p += Attr.size();
    *p++ = '=';
    *p++ = '"';
    std::memcpy(p, Value.data(), Value.size());
    p += Value.size();
    std::memcpy(p, "\" >\r\n", 5);
    LineNotEmpty = false;
    if (Observer) Observer->OpenLine(*this, Tag, Attr == "Qty" ? Value : std::string_view{});
}

void TScriptStream::XMLComment(std::string_view s) {
    if (Map) [[unlikely]] Map->Wrote(s);
    char* p = BeginLine(s.size() + 10);
    std::memcpy(p, "<!-- ", 5);
    std::memcpy(p + 5, s.data(), s.size());
    std::memcpy(p + 5 + s.size(), " --> ", 5);
}

void TScriptStream::TagAttrLine(std::string_view Tag, std::string_view Attr, std::string_view Value) {
    char* p = BeginLine(Tag.size() + Attr.size() + Value.size() + 10);
    *p++ = '<';
    std::memcpy(p, Tag.data(), Tag.size());
    p += Tag.size();
    *p++ = ' ';
    std::memcpy(p, Attr.data(), Attr.size());
    p += Attr.size();
    *p++ = '=';
    *p++ = '"';
    std::memcpy(p, Value.data(), Value.size());
    p += Value.size();
    std::memcpy(p, "\" />\r\n", 6);
    LineNotEmpty = false;
    if (Observer) Observer->ValueLine(*this, Tag, Value, false);
}

void TScriptStream::TagAttrHexLine(std::string_view Tag, std::string_view Attr, std::string_view Octets) {
    char* p = BeginLine(Tag.size() + Attr.size() + 2 * Octets.size() + 10);
    *p++ = '<';
    std::memcpy(p, Tag.data(), Tag.size());
    p += Tag.size();
    *p++ = ' ';
    std::memcpy(p, Attr.data(), Attr.size());
    p += Attr.size();
    *p++ = '=';
    *p++ = '"';
    for (unsigned char c : Octets) {
        std::memcpy(p, &detail::kHexPairs[2 * c], 2);
        p += 2;
    }
    std::memcpy(p, "\" />\r\n", 6);
    LineNotEmpty = false;
    if (Observer) Observer->ValueLine(*this, Tag, Octets, true);
}

void TScriptStream::EmptyTagLine(std::string_view Tag) {
    char* p = BeginLine(Tag.size() + 6);
    *p++ = '<';
    std::memcpy(p, Tag.data(), Tag.size());
    std::memcpy(p + Tag.size(), " />\r\n", 5);
    LineNotEmpty = false;
    if (Observer) Observer->EmptyLine(*this, Tag);
}

}  // namespace vantrel
