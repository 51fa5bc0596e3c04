// The LLC header that opens the information field of an HDLC frame carrying
// an APDU: destination LSAP E6, source LSAP E6 (client to server) or E7
// (server to client), quality 00. Hex copied from a frame's information field
// often still begins with it; no APDU begins with E6.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr size_t kLlcHeaderSize = 3;

// Whether Octets begin with E6 E6 00 or E6 E7 00.
bool StartsWithLlcHeader(std::string_view Octets) noexcept;
// The description line of the header at the start of Octets, in the manner of
// a frame's: "LLC(Dst LSAP:E6, Src LSAP:E7 server to client, Quality:00)".
std::string LlcHeaderDescription(std::string_view Octets);
// The APDU of an I or UI frame's information field: after its three LLC
// octets, or the whole field when it holds a general block transfer block
// with no LLC header before it, as some meters send the blocks after the
// first one of a push.
std::string_view InformationFieldApdu(std::string_view Info) noexcept;
// The XML comment line that goes before the APDU's XML (CR LF included).
std::string LlcHeaderComment(std::string_view Octets);

}  // namespace vantrel
