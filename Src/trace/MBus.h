// Wired M-Bus long frames (68 L L 68 C A CI ... CS 16), as the customer
// ports of some meters push DLMS APDUs through them: after the CI field the
// transport header (source and destination TSAP), then one part of the APDU.
// A CI of 00 to 1F numbers the parts 0 to 15 in its low four bits and marks
// the last one with 10; the joiner puts the parts of one APDU together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "LineList.h"
#include "../translate/UnitMap.h"

namespace vantrel::trace {

struct TMBusFrame {
    uint8_t Control = 0;
    uint8_t Address = 0;
    uint8_t Ci = 0;
    // The octets from the control field to the checksum, and the length
    // field as the frame had it: one family of meters writes only the low
    // octet of a length of 256 or more (01 for 257).
    size_t Length = 0;
    uint8_t LengthField = 0;
    std::string_view Data;  // after the CI field

    bool Dlms() const noexcept { return Ci <= 0x1F; }
    int Segment() const noexcept { return Ci & 0x0F; }
    bool Last() const noexcept { return (Ci & 0x10) != 0; }
};

// Whether Octets open a long frame: 68, the length twice, 68.
bool OpensMBusFrame(std::string_view Octets) noexcept;
// The whole length of the long frame Octets open, when they tell it: 0 while
// more octets are needed to know (a length field below 256 that the octets
// there do not close), std::string_view::npos when they open no long frame.
size_t MBusFrameLength(std::string_view Octets) noexcept;
// The whole length the length field of the frame Octets open gives (0 when
// they open none), for messages about a frame cut short.
size_t MBusStatedLength(std::string_view Octets) noexcept;
// Reads the long frame that is all of Octets, its checksum checked; false
// with Why ("M-Bus checksum 3A where the frame sums to 3B") otherwise.
bool ReadMBusFrame(std::string_view Octets, TMBusFrame& Frame, std::string& Why);
// Splits back-to-back long frames; a frame cut short at the end is left as
// Tail (its offset in Octets; Octets.size() when none). False when the octets
// are no such sequence.
bool SplitMBusFrames(std::string_view Octets, std::vector<std::string_view>& Frames, size_t& Tail);

// "MBus(C:53, A:FF, CI:00 part 0 of more, STSAP:01, DTSAP:67, Length:250)".
std::string MBusDescription(const TMBusFrame& Frame);

class TMBusJoiner {
public:
    enum TResult {
        NotDlms,   // a frame with no DLMS APDU in it (CI 20 and above)
        Pending,   // a part taken; the APDU continues in the next frames
        Complete,  // the last part: Apdu() and Lines() hold the whole
        Broken     // Message() says why, Lines() the lines left untranslated
    };
    // Places, when not null, places the frame's Data from DataAt on: the
    // joined APDU's places are kept then (ApduPlaces; empty unless every
    // part had them).
    TResult Take(const TMBusFrame& Frame, long long FirstLine, long long LastLine, const TOctetPlaces* Places = nullptr,
                 size_t DataAt = 0);
    // After the input ended: one sequence still open, reported as broken
    // (false when none is left).
    bool TakeUnfinished();

    const std::string& Apdu() const noexcept { return FApdu; }
    const TOctetPlaces& ApduPlaces() const noexcept { return FApduPlaces; }
    // Of the last Complete: the APDU came in one frame.
    bool Single() const noexcept { return FSingle; }
    const TLineList& Lines() const noexcept { return FLines; }
    const std::string& Message() const noexcept { return FMessage; }
    // After Broken: the frame opened a new APDU and is to be taken again.
    bool TakeAgain() const noexcept { return FTakeAgain; }

private:
    struct TSequence {
        uint8_t Address = 0;
        int NextSegment = 0;
        size_t Frames = 0;
        std::string Apdu;
        TLineList Lines;
        TOctetPlaces Places;  // of Apdu, when every part came with them
    };
    TResult Broke(TSequence& Sequence, const std::string& Why);
    size_t HeldOctets() const noexcept;

    // One sequence per address; the customer port of a meter pushes from one.
    std::vector<TSequence> FOpen;
    std::string FApdu;
    TOctetPlaces FApduPlaces;
    TLineList FLines;
    std::string FMessage;
    bool FTakeAgain = false;
    bool FSingle = false;
};

// The most octets the open sequences may hold together, the most frames one
// sequence may have, and the most addresses with a sequence open at once.
inline constexpr size_t kMaxMBusOctets = 16u << 20;
inline constexpr size_t kMaxMBusFrames = 1u << 16;
inline constexpr size_t kMaxMBusSequences = 16;

}  // namespace vantrel::trace
