// The WRAPPER of DLMS over TCP and UDP: an 8-octet header (version 0001,
// source wPort, destination wPort, APDU length; all big-endian) in front of
// each APDU. Several PDUs may follow each other, as a TCP stream delivers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::trace {

inline constexpr size_t kWrapperHeaderSize = 8;

struct TWrapperHeader {
    uint16_t Version = 0;
    uint16_t Source = 0;
    uint16_t Destination = 0;
    uint16_t Length = 0;
};

// Octets that open with a WRAPPER header: at least 8 octets, version 0001.
// Version 0001 never opens an APDU (tag 00 is none), so this never takes
// away an input that translates as an APDU.
bool StartsWithWrapper(std::string_view Octets) noexcept;

TWrapperHeader ReadWrapperHeader(std::string_view Octets) noexcept;  // needs 8 octets

// "Wrapper(Version:0001, Src:0010, Dst:0001, Length:13)".
std::string WrapperDescription(const TWrapperHeader& Header);

struct TWrapperPdu {
    TWrapperHeader Header;
    size_t Offset = 0;      // of the header in the octets
    std::string_view Apdu;  // the Length octets after the header
};

// Walks back-to-back WRAPPER PDUs of one piece of octets: each call gives the
// next PDU. When the octets after a PDU are no further whole PDU, the walk
// fails with a message naming the PDU's length and the octets there are.
class TWrapperWalk {
public:
    explicit TWrapperWalk(std::string_view Octets) noexcept : FOctets(Octets) {}
    // False at the end or on a failure (then Failure() is not empty).
    bool Next(TWrapperPdu& Pdu);
    const std::string& Failure() const noexcept { return FFailure; }
    size_t FailureOffset() const noexcept { return FOffset; }

private:
    std::string_view FOctets;
    size_t FOffset = 0;
    std::string FFailure;
};

// The message of a header whose length does not match the octets after it.
std::string WrapperLengthMismatch(size_t Declared, size_t Present);

}  // namespace vantrel::trace
