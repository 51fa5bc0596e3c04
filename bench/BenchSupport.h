// Shared helpers of the benchmarks: one call per direction through the entry points.
#pragma once

#include <benchmark/benchmark.h>

#include <initializer_list>
#include <string>

#include "vantrel/vantrel.h"

namespace vbench {

inline std::string Octets(std::initializer_list<int> Bytes) {
    std::string s;
    for (int b : Bytes) s += static_cast<char>(b);
    return s;
}

// A Data array of 10,000 structures: a 12-octet date-time octet string, two
// double-long-unsigned and a long (about 290 kB of octets).
inline std::string LargeArray() {
    std::string s = Octets({0xFF, 0x01, 0x82, 0x27, 0x10});
    for (int i = 0; i < 10000; ++i) {
        s += Octets({0x02, 0x04, 0x09, 0x0C, 0x07, 0xE8, 0x0C, 0x08, 0x02, 0x10, 0x1E, 0x00, 0x00, 0x80, 0x00, 0x00});
        s += Octets({0x06, 0x00, 0x01, (i >> 8) & 0xFF, i & 0xFF});
        s += Octets({0x06, 0x00, 0x00, 0x12, 0x34});
        s += Octets({0x10, 0xFF, i & 0xFF});
    }
    return s;
}

// The XML of an APDU, or empty when it does not translate.
inline std::string ToXml(const std::string& Pdu) {
    VantrelStream* stream = nullptr;
    TTranslationError error;
    PduToXml(reinterpret_cast<const uint8_t*>(Pdu.data()), static_cast<uint32_t>(Pdu.size()), &stream, &error);
    if (error.Code != 0) return {};
    std::string xml(reinterpret_cast<const char*>(VantrelStreamData(stream)));
    VantrelStreamFree(stream);
    return xml;
}

inline void OctetsToXml(benchmark::State& State, const std::string& Pdu, uint32_t Flags = 0) {
    for (auto _ : State) {
        VantrelStream* stream = nullptr;
        TTranslationError error;
        if (Flags == 0)
            PduToXml(reinterpret_cast<const uint8_t*>(Pdu.data()), static_cast<uint32_t>(Pdu.size()), &stream, &error);
        else
            PduToXmlEx(reinterpret_cast<const uint8_t*>(Pdu.data()), static_cast<uint32_t>(Pdu.size()), nullptr, Flags,
                       &stream, &error);
        if (error.Code != 0) State.SkipWithError(error.Message);
        VantrelStreamFree(stream);
    }
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Pdu.size()));
}

inline void XmlToOctets(benchmark::State& State, const std::string& Xml, uint32_t Flags = 0) {
    for (auto _ : State) {
        VantrelStream* stream = nullptr;
        TTranslationError error;
        if (Flags == 0) XmlToPdu(Xml.c_str(), &stream, &error);
        else XmlToPduEx(Xml.c_str(), nullptr, Flags, &stream, &error);
        if (error.Code != 0) State.SkipWithError(error.Message);
        VantrelStreamFree(stream);
    }
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Xml.size()));
}

}  // namespace vbench
