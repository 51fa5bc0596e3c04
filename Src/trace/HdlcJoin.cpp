#include "HdlcJoin.h"

#include <algorithm>

namespace vantrel::trace {

namespace {
constexpr char kFlag = 0x7E;
constexpr size_t kLlcHeaderSize = 3;
}  // namespace

bool SplitFrames(std::string_view Octets, std::vector<std::string_view>& Frames) {
    Frames.clear();
    size_t p = 0;
    while (p < Octets.size()) {
        if (Octets[p] != kFlag || p + 3 > Octets.size()) return false;
        const size_t length = (static_cast<uint8_t>(Octets[p + 1]) & 7u) << 8 | static_cast<uint8_t>(Octets[p + 2]);
        const size_t close = p + length + 1;
        if (length < 2 || close >= Octets.size() || Octets[close] != kFlag) return false;
        Frames.push_back(Octets.substr(p, length + 2));
        p = close;
        if (p + 1 == Octets.size()) return true;
        if (Octets[p + 1] == kFlag) ++p;  // a flag of its own opens the next frame
    }
    return !Frames.empty();
}

std::string LinesText(const std::vector<long long>& Lines) {
    std::string text = Lines.size() == 1 ? "line " : "lines ";
    for (size_t i = 0; i < Lines.size();) {
        size_t j = i;
        while (j + 1 < Lines.size() && Lines[j + 1] == Lines[j] + 1) ++j;
        if (i) text += ", ";
        text += std::to_string(Lines[i]);
        if (j > i) text += (j == i + 1 ? ", " : "-") + std::to_string(Lines[j]);
        i = j + 1;
    }
    return text;
}

THdlcJoiner::TResult THdlcJoiner::Broke(TSequence& Sequence, std::string Why, bool KeepDropping) {
    FLines = std::move(Sequence.Lines);
    FMessage = "Broken segmented APDU: " + std::move(Why) + "; " + LinesText(FLines) + " not translated";
    Sequence.Lines.clear();
    Sequence.Info.clear();
    Sequence.Places.Clear();
    if (KeepDropping) Sequence.Dropping = true;
    else FOpen.erase(FOpen.begin() + (&Sequence - FOpen.data()));
    return Broken;
}

bool THdlcJoiner::Open(const TFrame& Frame) const noexcept {
    for (const TSequence& s : FOpen)
        if (s.Dst == Frame.DstAddress() && s.Src == Frame.SrcAddress()) return true;
    return false;
}

THdlcJoiner::TResult THdlcJoiner::Take(const TFrame& Frame, long long Line, const TOctetPlaces* Places,
                                       size_t InfoAt) {
    const auto open = std::find_if(FOpen.begin(), FOpen.end(), [&](const TSequence& s) {
        return s.Dst == Frame.DstAddress() && s.Src == Frame.SrcAddress();
    });
    const bool numbered = Frame.Kind() == fkI;
    if (open == FOpen.end()) {
        if (!Frame.Segmented()) return NotJoined;
        if (FOpen.size() == kMaxOpenSequences) {
            FLines = {Line};
            FMessage = "Broken segmented APDU: more than " + std::to_string(kMaxOpenSequences) +
                       " address pairs with open sequences; line " + std::to_string(Line) + " not translated";
            return Broken;
        }
        TSequence& s = FOpen.emplace_back();
        s.Dst = Frame.DstAddress();
        s.Src = Frame.SrcAddress();
        s.Numbered = numbered;
        s.NextNs = (Frame.SSequenceNr() + 1) & 7;
        s.Info = Frame.Data();
        s.Places.Clear();
        if (Places) s.Places.Append(*Places, InfoAt, Frame.Data().size());
        s.Lines.push_back(Line);
        return Pending;
    }
    TSequence& s = *open;
    if (s.Lines.empty() || s.Lines.back() != Line) s.Lines.push_back(Line);
    if (s.Dropping) {
        if (Frame.Segmented()) return Broke(s, "segment after a break", true);
        return Broke(s, "last segment after a break", false);
    }
    if (s.Numbered != numbered)
        return Broke(s, std::string(numbered ? "I" : "UI") + " frame inside a sequence of " + (s.Numbered ? "I" : "UI") +
                            " frames", Frame.Segmented());
    if (numbered && Frame.SSequenceNr() != s.NextNs)
        return Broke(s,
                     "N(S) " + std::to_string(Frame.SSequenceNr()) + " where " + std::to_string(s.NextNs) +
                         " was due (a segment is missing or repeated)",
                     Frame.Segmented());
    if (s.Info.size() + Frame.Data().size() > kMaxJoinedOctets)
        return Broke(s, "longer than " + std::to_string(kMaxJoinedOctets) + " octets", Frame.Segmented());
    s.Info += Frame.Data();
    if (Places) s.Places.Append(*Places, InfoAt, Frame.Data().size());
    s.NextNs = (s.NextNs + 1) & 7;
    if (Frame.Segmented()) return Pending;
    FLines = std::move(s.Lines);
    const size_t llc = std::min(s.Info.size(), kLlcHeaderSize);
    FApdu.assign(std::string_view(s.Info).substr(llc));
    FApduPlaces.Clear();
    if (s.Places.Size() == s.Info.size()) FApduPlaces.Append(s.Places, llc, s.Info.size() - llc);
    FOpen.erase(open);
    return Complete;
}

bool THdlcJoiner::TakeUnfinished() {
    while (!FOpen.empty()) {
        TSequence& s = FOpen.front();
        if (s.Lines.empty()) {  // dropping, all reported
            FOpen.erase(FOpen.begin());
            continue;
        }
        Broke(s, s.Dropping ? "the input ended before the last segment after a break"
                            : "the input ended before its last segment",
              false);
        return true;
    }
    return false;
}

}  // namespace vantrel::trace
