// Segmented HDLC: an APDU longer than one frame travels in consecutive I
// frames with the segmentation bit set, the last one without it. The joiner
// collects the information fields per address pair and direction, checks
// N(S) from frame to frame, and never joins parts of a broken sequence.
// What it holds is bounded: the octets of all open sequences together, the
// segments of one sequence, the number of sequences open at once, and the
// lines each one lists.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "LineList.h"
#include "../translate/Frame.h"
#include "../translate/UnitMap.h"

namespace vantrel::trace {

// Splits octets into HDLC frames by their length subfields; a frame's
// closing flag may open the next one (7E ... 7E ... 7E). False when the
// octets are no sequence of frames.
bool SplitFrames(std::string_view Octets, std::vector<std::string_view>& Frames);

// The same, but a last frame cut short (its octets end before its length
// says) is left as Tail: its offset in Octets, Octets.size() when none.
bool SplitFrames(std::string_view Octets, std::vector<std::string_view>& Frames, size_t& Tail);
// Whether Octets open an HDLC frame whose header check sequence holds: the
// first line of a frame of its own, no continuation of another one.
bool OpensCheckedFrame(std::string_view Octets) noexcept;

// "line 3", "lines 3-5", "lines 3, 5, 7-9"; Counted names what the numbers
// count ("packet": "packets 3-5").
std::string LinesText(const std::vector<long long>& Lines, std::string_view Counted = "line");
inline std::string LinesText(const TLineList& Lines, std::string_view Counted = "line") { return Lines.Text(Counted); }

class THdlcJoiner {
public:
    // Counted: what the numbers given to Take count, for the messages.
    explicit THdlcJoiner(std::string_view Counted = "line") : FCounted(Counted) {}

    enum TResult {
        NotJoined,  // no segment, and no sequence open for its address pair
        Pending,    // a segment taken; the APDU continues
        Complete,   // the last segment: Apdu() and Lines() hold the whole
        Broken      // Message() says why, Lines() the lines left untranslated
    };

    // Takes an I or UI frame read from lines FirstLine to LastLine (one line
    // for a frame that stood on one). Places, when not null, places the
    // frame's information field from InfoAt on: the joined APDU's places are
    // kept then (ApduPlaces; empty unless every segment had them).
    TResult Take(const TFrame& Frame, long long FirstLine, long long LastLine, const TOctetPlaces* Places = nullptr,
                 size_t InfoAt = 0);
    TResult Take(const TFrame& Frame, long long Line) { return Take(Frame, Line, Line); }
    // Whether a sequence is open for the frame's address pair and direction.
    bool Open(const TFrame& Frame) const noexcept;
    // After the input ended: one sequence still open, reported as broken
    // (false when none is left).
    bool TakeUnfinished();

    // Of the last Complete: the APDU without its LLC header, and the octets
    // the joined information field began with (its LLC header, if any).
    const std::string& Apdu() const noexcept { return FApdu; }
    const std::string& Opening() const noexcept { return FOpening; }
    const TOctetPlaces& ApduPlaces() const noexcept { return FApduPlaces; }
    const TLineList& Lines() const noexcept { return FLines; }
    const std::string& Message() const noexcept { return FMessage; }

private:
    struct TSequence {
        TFrameAddress Dst;
        TFrameAddress Src;
        bool Numbered = true;  // I frames: N(S) counts
        bool Dropping = false; // broken: its remaining segments are dropped
        int NextNs = 0;
        size_t Segments = 0;
        std::string Info;
        TLineList Lines;
        TOctetPlaces Places;  // of Info, when every segment came with them
    };
    TResult Broke(TSequence& Sequence, std::string Why, bool KeepDropping);
    size_t HeldOctets() const noexcept;

    std::string_view FCounted;
    std::vector<TSequence> FOpen;
    std::string FApdu;
    std::string FOpening;
    TOctetPlaces FApduPlaces;
    TLineList FLines;
    std::string FMessage;
};

// The most octets the open sequences may hold together (so the most a joined
// APDU may have), the most segments one sequence may have, and the most
// sequences open at once.
inline constexpr size_t kMaxJoinedOctets = 16u << 20;
inline constexpr size_t kMaxSegments = 1u << 18;
inline constexpr size_t kMaxOpenSequences = 16;

}  // namespace vantrel::trace
