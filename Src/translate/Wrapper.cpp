#include "Wrapper.h"

#include <cstdio>

namespace vantrel::trace {

namespace {
uint16_t Word(std::string_view Octets, size_t At) noexcept {
    return static_cast<uint16_t>(static_cast<uint8_t>(Octets[At]) << 8 | static_cast<uint8_t>(Octets[At + 1]));
}
}  // namespace

bool StartsWithWrapper(std::string_view Octets) noexcept {
    return Octets.size() >= kWrapperHeaderSize && Octets[0] == 0 && Octets[1] == 1;
}

TWrapperHeader ReadWrapperHeader(std::string_view Octets) noexcept {
    return {Word(Octets, 0), Word(Octets, 2), Word(Octets, 4), Word(Octets, 6)};
}

std::string WrapperDescription(const TWrapperHeader& Header) {
    char text[80];
    std::snprintf(text, sizeof text, "Wrapper(Version:%04X, Src:%04X, Dst:%04X, Length:%u)", Header.Version, Header.Source,
                  Header.Destination, static_cast<unsigned>(Header.Length));
    return text;
}

std::string WrapperLengthMismatch(size_t Declared, size_t Present) {
    return "WRAPPER length " + std::to_string(Declared) + " does not match the " + std::to_string(Present) +
           " octets after its header";
}

bool TWrapperWalk::Next(TWrapperPdu& Pdu) {
    if (!FFailure.empty() || FOffset >= FOctets.size()) return false;
    const std::string_view rest = FOctets.substr(FOffset);
    if (!StartsWithWrapper(rest)) {
        FFailure = FOffset == 0 ? "No WRAPPER header" : "Octets after a WRAPPER PDU that open no further one";
        return false;
    }
    Pdu.Header = ReadWrapperHeader(rest);
    Pdu.Offset = FOffset;
    const size_t present = rest.size() - kWrapperHeaderSize;
    if (Pdu.Header.Length > present ||
        (Pdu.Header.Length < present && !StartsWithWrapper(rest.substr(kWrapperHeaderSize + Pdu.Header.Length)))) {
        FFailure = WrapperLengthMismatch(Pdu.Header.Length, present);
        return false;
    }
    Pdu.Apdu = rest.substr(kWrapperHeaderSize, Pdu.Header.Length);
    FOffset += kWrapperHeaderSize + Pdu.Header.Length;
    return true;
}

}  // namespace vantrel::trace
