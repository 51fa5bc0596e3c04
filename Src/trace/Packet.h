// The headers of a captured packet down to its TCP or UDP payload: Ethernet
// (with VLAN tags), Linux cooked captures, loopback and raw IP; IPv4 and
// IPv6. Nothing is copied: the payload is a view of the packet.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::trace {

// Link-layer header types as capture files number them.
enum TLinkType : int {
    kLinkNull = 0,
    kLinkEthernet = 1,
    kLinkRaw = 101,
    kLinkLoop = 108,
    kLinkLinuxSll = 113,
    kLinkIpv4 = 228,
    kLinkIpv6 = 229,
    kLinkLinuxSll2 = 276,
};

struct TPacket {
    bool Ipv6 = false;
    bool Tcp = false;
    uint8_t Source[16] = {};
    uint8_t Destination[16] = {};
    uint16_t SourcePort = 0;
    uint16_t DestinationPort = 0;
    uint32_t Sequence = 0;  // TCP
    bool Syn = false;
    bool Fin = false;
    bool Rst = false;
    // The payload as captured, and how long it was on the wire (longer when
    // the capture cut the packet short).
    std::string_view Payload;
    size_t PayloadOnWire = 0;
};

// False with the reason when the packet is no TCP or UDP over IP (or an IP
// fragment, or its headers are cut short). WireLength: the packet's length
// on the wire.
bool DecodePacket(int LinkType, std::string_view Captured, size_t WireLength, TPacket& Packet, const char*& Why);

// "10.0.0.1:4059", "[2001:db8::1]:4059".
std::string EndpointText(const TPacket& Packet, bool Source);

}  // namespace vantrel::trace
