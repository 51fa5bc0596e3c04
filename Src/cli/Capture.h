// Packet captures (pcap and pcapng, read with libpcap): the APDUs of DLMS
// over TCP and UDP on one port, each labelled with its packet.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "UnitWriter.h"

struct VantrelKeys;

namespace vantrel::cli {

// Whether the file opens like a capture file (by its magic number).
bool IsCaptureFile(const char* Path);

// Translates every APDU of the capture: TCP streams reassembled in sequence
// order (retransmissions dropped), WRAPPER PDUs cut out of the streams and
// the UDP datagrams. Returns the exit status: 0 all translated, 1 not, 3 the
// file could not be read at all.
// With Learn (the key set of Options), the system titles of an AARQ or AARE
// serve the APDUs after it.
int TranslateCapture(const char* Path, const std::string& Name, uint16_t Port, const TTranslateOptions& Options,
                     TUnitWriter& Writer, VantrelKeys* Learn = nullptr);
// The same for a capture read from an open stream (closed when done).
int TranslateCaptureStream(FILE* Stream, const std::string& Name, uint16_t Port, const TTranslateOptions& Options,
                           TUnitWriter& Writer, VantrelKeys* Learn = nullptr);

}  // namespace vantrel::cli
