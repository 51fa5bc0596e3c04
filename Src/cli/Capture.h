// Packet captures (pcap and pcapng, read with libpcap): the APDUs of DLMS
// over TCP and UDP, in WRAPPER PDUs or in HDLC frames, each labelled with its
// packet.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "UnitWriter.h"

struct VantrelKeys;

namespace vantrel::cli {

// The port of DLMS over TCP and UDP.
inline constexpr uint16_t kDlmsPort = 4059;
// Conversations (TCP connections, UDP endpoint pairs carrying HDLC) followed
// at once; a conversation without packets for kIdleSeconds of capture time
// is closed.
inline constexpr size_t kMaxConversations = 16384;
inline constexpr long kIdleSeconds = 600;
// Octets held for all conversations together: segments after a gap and
// PDUs not yet complete.
inline constexpr size_t kMaxHeldOctets = 64u << 20;
// Segments with data a TCP conversation on another port may carry before its
// first WRAPPER PDU or HDLC frame; after them it is not looked at again.
inline constexpr int kProbeSegments = 8;

struct TCaptureOptions {
    // The one port followed (no other looked at); 0: kDlmsPort, and DLMS
    // recognised by its octets on every other port.
    uint16_t Port = 0;
    bool Strict = false;      // exit 1 also when packets were dropped or a translation has notes
    FILE* Messages = stderr;  // warnings and the summary at the end
};

// Whether In opens like a capture file (by its magic number), read without
// losing an octet: the stream returned gives every octet of In from its
// start (In itself, rewound, when it is a regular file; else a stream that
// gives the octets read here, then the rest of In, and closes In unless it
// is stdin). Pipes and standard input work so.
FILE* PeekCapture(FILE* In, bool& Capture);

// Translates every APDU of the capture read from Stream (closed when done):
// TCP streams reassembled in sequence order (retransmissions dropped), WRAPPER
// PDUs cut out of the streams and the UDP datagrams, HDLC frames out of both.
// Returns the exit status: 0 all translated, 1 not (or nothing found; with
// Strict also packets dropped or notes), 3 the capture could not be read at
// all.
// With Learn (the key set of Options), the system titles of an AARQ or AARE
// serve the APDUs after it.
int TranslateCaptureStream(FILE* Stream, const std::string& Name, const TCaptureOptions& Capture,
                           const TTranslateOptions& Options, TUnitWriter& Writer, VantrelKeys* Learn = nullptr);

}  // namespace vantrel::cli
