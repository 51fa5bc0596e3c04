// Segmented HDLC: an APDU longer than one frame travels in consecutive I
// frames with the segmentation bit set, the last one without it. The joiner
// collects the information fields per address pair and direction, checks
// N(S) from frame to frame, and never joins parts of a broken sequence.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "../translate/Frame.h"
#include "../translate/UnitMap.h"

namespace vantrel::trace {

// Splits octets into HDLC frames by their length subfields; a frame's
// closing flag may open the next one (7E ... 7E ... 7E). False when the
// octets are no sequence of frames.
bool SplitFrames(std::string_view Octets, std::vector<std::string_view>& Frames);

// "line 3", "lines 3-5", "lines 3, 5, 7-9".
std::string LinesText(const std::vector<long long>& Lines);

class THdlcJoiner {
public:
    enum TResult {
        NotJoined,  // no segment, and no sequence open for its address pair
        Pending,    // a segment taken; the APDU continues
        Complete,   // the last segment: Apdu() and Lines() hold the whole
        Broken      // Message() says why, Lines() the lines left untranslated
    };

    // Takes an I or UI frame from line Line. Places, when not null, places
    // the frame's information field from InfoAt on; the joined APDU's places
    // are then kept (ApduPlaces).
    TResult Take(const TFrame& Frame, long long Line, const TOctetPlaces* Places = nullptr, size_t InfoAt = 0);
    // Whether a sequence is open for the frame's address pair and direction.
    bool Open(const TFrame& Frame) const noexcept;
    // After the input ended: one sequence still open, reported as broken
    // (false when none is left).
    bool TakeUnfinished();

    // Of the last Complete: the APDU without its LLC header.
    const std::string& Apdu() const noexcept { return FApdu; }
    const TOctetPlaces& ApduPlaces() const noexcept { return FApduPlaces; }
    const std::vector<long long>& Lines() const noexcept { return FLines; }
    const std::string& Message() const noexcept { return FMessage; }

private:
    struct TSequence {
        TFrameAddress Dst;
        TFrameAddress Src;
        bool Numbered = true;  // I frames: N(S) counts
        bool Dropping = false; // broken: its remaining segments are dropped
        int NextNs = 0;
        std::string Info;
        std::vector<long long> Lines;
        TOctetPlaces Places;  // of Info, when kept
    };
    TResult Broke(TSequence& Sequence, std::string Why, bool KeepDropping);

    std::vector<TSequence> FOpen;
    std::string FApdu;
    TOctetPlaces FApduPlaces;
    std::vector<long long> FLines;
    std::string FMessage;
};

// The most octets a joined APDU may have, and the most sequences open at once.
inline constexpr size_t kMaxJoinedOctets = 16u << 20;
inline constexpr size_t kMaxOpenSequences = 16;

}  // namespace vantrel::trace
