// Shared helpers of the driver tests: frames sealed with their check
// sequences, and the message of a failure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "TestSupport.h"
#include "xmlPdu/INFRA/Errors.h"

namespace dtest {

// The frame check sequence bit by bit, as the standard defines it.
inline uint16_t BitwiseFcs(std::string_view Octets) {
    unsigned fcs = 0xFFFF;
    for (unsigned char c : Octets) {
        fcs ^= c;
        for (int bit = 0; bit < 8; ++bit) fcs = (fcs & 1) ? (fcs >> 1) ^ 0x8408 : fcs >> 1;
    }
    return static_cast<uint16_t>(~fcs);
}

inline void AppendFcs(std::string& Frame) {
    const uint16_t fcs = BitwiseFcs(std::string_view(Frame).substr(1));
    Frame += static_cast<char>(fcs & 0xFF);
    Frame += static_cast<char>(fcs >> 8);
}

// A frame around AddressesAndControl (hex): flags, the format field with the
// right length, HCS, and with an information field (or WithFcs) the FCS.
inline std::string Sealed(std::string_view AddressesAndControl, std::string_view Info = "", int FormatHigh = 0xA0,
                          bool WithFcs = false) {
    const std::string header = vtest::Bytes(AddressesAndControl);
    const std::string info = vtest::Bytes(Info);
    const bool fcs = WithFcs || !info.empty();
    const size_t length = 2 + header.size() + 2 + (fcs ? info.size() + 2 : 0);
    std::string frame = "\x7E";
    frame += static_cast<char>(FormatHigh | static_cast<int>(length >> 8));
    frame += static_cast<char>(length & 0xFF);
    frame += header;
    AppendFcs(frame);
    if (fcs) {
        frame += info;
        AppendFcs(frame);
    }
    frame += '\x7E';
    return frame;
}

// The hex text of a sealed frame, octets separated by blanks.
inline std::string SealedText(std::string_view AddressesAndControl, std::string_view Info = "", int FormatHigh = 0xA0) {
    const std::string hex = vtest::Hex(Sealed(AddressesAndControl, Info, FormatHigh));
    std::string text;
    for (size_t i = 0; i < hex.size(); i += 2) {
        if (i) text += ' ';
        text.append(hex, i, 2);
    }
    return text;
}

// The message of the failure Body raises, empty when it succeeds.
template <class TBody>
std::string FailureOf(TBody&& Body) {
    try {
        Body();
    } catch (const vantrel::EVantrelError& e) {
        return e.Message();
    }
    return {};
}

}  // namespace dtest
