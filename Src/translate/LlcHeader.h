// The LLC header that opens the information field of an HDLC frame carrying
// an APDU: destination LSAP E6, source LSAP E6 (client to server) or E7
// (server to client), quality 00; or, on power-line links, the connectionless
// LLC header 90 01 01 (IEC 61334-4-32). Hex copied from a frame's information
// field often still begins with one. No APDU begins with E6 or 90, but some
// meters send the later blocks of a block transfer without any header, so a
// header is dropped only where it stands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr size_t kLlcHeaderSize = 3;

// Whether Octets begin with E6 E6 00, E6 E7 00 or 90 01 01.
bool StartsWithLlcHeader(std::string_view Octets) noexcept;
// kLlcHeaderSize when Octets begin with an LLC header, else 0.
inline size_t LlcHeaderSize(std::string_view Octets) noexcept {
    return StartsWithLlcHeader(Octets) ? kLlcHeaderSize : 0;
}
// The description line of the header at the start of Octets, in the manner of
// a frame's: "LLC(Dst LSAP:E6, Src LSAP:E7 server to client, Quality:00)";
// for an information field without a header "LLC(none: the information field
// is the APDU)".
std::string LlcHeaderDescription(std::string_view Octets);
// The XML comment line that goes before the APDU's XML (CR LF included).
std::string LlcHeaderComment(std::string_view Octets);

}  // namespace vantrel
