// TStringWrapper: the cursor over the encoded octets that every decoding
// constructor reads from. Positions are 1-based; FIndex is the position of
// the next octet to read and is what a failed decode reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Nesting.h"
#include "XMLId.h"

namespace vantrel {

struct TSecurityContext;
class TReadMap;

class TStringWrapper {
public:
    // Reads the octets of s; s must outlive the reader.
    explicit TStringWrapper(std::string_view s) noexcept : FString(s) {}
    TStringWrapper(const uint8_t* s, uint32_t Size) noexcept
        : FString(reinterpret_cast<const char*>(s), s ? Size : 0) {}
    TStringWrapper(const TStringWrapper&) = delete;
    TStringWrapper& operator=(const TStringWrapper&) = delete;

    // The octet at the 1-based Index; "Wrong encoding in pdu" beyond the end.
    uint8_t GetChar(int Index) const;
    uint8_t NextByte();
    uint8_t Inspect() const { return GetChar(FIndex); }
    // Reads one octet and fails unless it is Value.
    void ExpectByte(uint8_t Value);
    int GetRemainingBytes() const noexcept { return static_cast<int>(FString.size()) - FIndex + 1; }
    // The next Qty octets; the view stays valid while the reader's text does.
    std::string_view CopyFromIndexAndForward(int Qty);
    // Inserts one octet before the next one to read.
    void SetNextByte(uint8_t Value);

    const std::string_view& Text() const noexcept { return FString; }

    int FIndex = 1;
    TNesting Nesting;
    // The translation's keys and learned system titles; null: none.
    TSecurityContext* Security = nullptr;
    // The octets of the elements read, for the octet map; null: not kept.
    TReadMap* Map = nullptr;
    // The field being read: the sequence, choice and list readers note the
    // identifier of each field before they read it and put their own back
    // when it is done, so after a failure it names the innermost one.
    TXMLId Field = xmlIgnore;
    // True while every octet read is one that encoding what was read writes
    // again: a reader that accepts another form (a length longer than it
    // needs, padding bits set, an octet the encoder would not write) or that
    // does not keep track (the BER readers) makes it false. A reading that
    // ends with it true encodes back to exactly the octets it read.
    bool Canonical = true;
    // The class of the first enumerated value read that has no name, whose
    // XML therefore cannot be written ("<class>: case range"); empty: none.
    std::string_view Nameless;

private:
    [[noreturn]] static void WrongEncoding();

    std::string_view FString;
    std::string FOwned;  // a private copy, made only once SetNextByte changes the octets
};

inline uint8_t TStringWrapper::GetChar(int Index) const {
    if (Index < 1 || static_cast<size_t>(Index) > FString.size()) WrongEncoding();
    return static_cast<uint8_t>(FString[static_cast<size_t>(Index) - 1]);
}

inline uint8_t TStringWrapper::NextByte() {
    const uint8_t b = GetChar(FIndex);
    ++FIndex;
    return b;
}

}  // namespace vantrel
