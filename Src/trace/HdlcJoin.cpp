#include "HdlcJoin.h"

#include <algorithm>

#include "../translate/LlcHeader.h"

namespace vantrel::trace {

namespace {
constexpr char kFlag = 0x7E;
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

bool SplitFrames(std::string_view Octets, std::vector<std::string_view>& Frames, size_t& Tail) {
    Frames.clear();
    Tail = Octets.size();
    size_t p = 0;
    while (p < Octets.size()) {
        if (Octets[p] != kFlag) return false;
        if (p + 3 > Octets.size()) {
            if (p + 2 == Octets.size() && (static_cast<uint8_t>(Octets[p + 1]) & 0xF0) != 0xA0 && Octets[p + 1] != kFlag)
                return false;
            Tail = p;
            return true;
        }
        if ((static_cast<uint8_t>(Octets[p + 1]) & 0xF0) != 0xA0) return false;
        const size_t length = (static_cast<uint8_t>(Octets[p + 1]) & 7u) << 8 | static_cast<uint8_t>(Octets[p + 2]);
        const size_t close = p + length + 1;
        if (length < 2) return false;
        if (close >= Octets.size()) {
            Tail = p;
            return true;
        }
        if (Octets[close] != kFlag) return false;
        Frames.push_back(Octets.substr(p, length + 2));
        p = close;
        if (p + 1 == Octets.size()) return true;
        if (Octets[p + 1] == kFlag) ++p;  // a flag of its own opens the next frame
    }
    return true;
}

bool OpensCheckedFrame(std::string_view Octets) noexcept {
    if (Octets.size() < 3 || Octets[0] != kFlag || (static_cast<uint8_t>(Octets[1]) & 0xF0) != 0xA0) return false;
    // The two addresses end at an octet with the low bit set; then the control field and the HCS.
    size_t p = 3;
    for (int address = 0; address < 2; ++address) {
        while (p < Octets.size() && (static_cast<uint8_t>(Octets[p]) & 1) == 0) ++p;
        if (p++ >= Octets.size()) return false;
    }
    if (p + 3 > Octets.size()) return false;
    const uint16_t hcs = FrameCheckSequence(Octets.substr(1, p));
    return static_cast<uint8_t>(Octets[p + 1]) == (hcs & 0xFF) && static_cast<uint8_t>(Octets[p + 2]) == (hcs >> 8);
}

std::string LinesText(const std::vector<long long>& Lines, std::string_view Counted) {
    TLineList list;
    for (long long line : Lines) list.Add(line);
    return list.Text(Counted);
}

THdlcJoiner::TResult THdlcJoiner::Broke(TSequence& Sequence, std::string Why, bool KeepDropping) {
    FLines = Sequence.Lines;
    FMessage = "Broken segmented APDU: " + std::move(Why) + "; " + FLines.Text(FCounted) + " not translated";
    Sequence.Lines.clear();
    Sequence.Info = std::string();  // its memory too
    Sequence.Places = TOctetPlaces();
    Sequence.Segments = 0;
    if (KeepDropping) Sequence.Dropping = true;
    else FOpen.erase(FOpen.begin() + (&Sequence - FOpen.data()));
    return Broken;
}

size_t THdlcJoiner::HeldOctets() const noexcept {
    size_t held = 0;
    for (const TSequence& s : FOpen) held += s.Info.size();
    return held;
}

bool THdlcJoiner::Open(const TFrame& Frame) const noexcept {
    for (const TSequence& s : FOpen)
        if (s.Dst == Frame.DstAddress() && s.Src == Frame.SrcAddress()) return true;
    return false;
}

THdlcJoiner::TResult THdlcJoiner::Take(const TFrame& Frame, long long FirstLine, long long LastLine,
                                       const TOctetPlaces* Places, size_t InfoAt) {
    // The segment's places, when it has them all.
    const auto place = [&](TSequence& s) {
        if (Places && InfoAt + Frame.Data().size() <= Places->Size()) s.Places.Append(*Places, InfoAt, Frame.Data().size());
    };
    const auto open = std::find_if(FOpen.begin(), FOpen.end(), [&](const TSequence& s) {
        return s.Dst == Frame.DstAddress() && s.Src == Frame.SrcAddress();
    });
    const bool numbered = Frame.Kind() == fkI;
    if (open == FOpen.end()) {
        if (!Frame.Segmented()) return NotJoined;
        if (FOpen.size() == kMaxOpenSequences) {
            FLines.clear();
            FLines.Add(FirstLine, LastLine);
            FMessage = "Broken segmented APDU: more than " + std::to_string(kMaxOpenSequences) +
                       " address pairs with open sequences; " + FLines.Text(FCounted) + " not translated";
            return Broken;
        }
        TSequence& s = FOpen.emplace_back();
        s.Dst = Frame.DstAddress();
        s.Src = Frame.SrcAddress();
        s.Numbered = numbered;
        s.NextNs = (Frame.SSequenceNr() + 1) & 7;
        s.Segments = 1;
        s.Lines.Add(FirstLine, LastLine);
        if (HeldOctets() + Frame.Data().size() > kMaxJoinedOctets)
            return Broke(s, "longer than " + std::to_string(kMaxJoinedOctets) + " octets", true);
        s.Info = Frame.Data();
        s.Places.Clear();
        place(s);
        return Pending;
    }
    TSequence& s = *open;
    s.Lines.Add(FirstLine, LastLine);
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
    if (HeldOctets() + Frame.Data().size() > kMaxJoinedOctets)
        return Broke(s, "longer than " + std::to_string(kMaxJoinedOctets) + " octets", Frame.Segmented());
    if (++s.Segments > kMaxSegments)
        return Broke(s, "more than " + std::to_string(kMaxSegments) + " segments", Frame.Segmented());
    s.Info += Frame.Data();
    place(s);
    s.NextNs = (s.NextNs + 1) & 7;
    if (Frame.Segmented()) return Pending;
    FLines = s.Lines;
    const std::string_view info = s.Info;
    const size_t header = LlcHeaderSize(info);
    FOpening.assign(info.substr(0, std::min<size_t>(info.size(), kLlcHeaderSize)));
    FApdu.assign(info.substr(header));
    FApduPlaces.Clear();
    if (s.Places.Size() == info.size()) FApduPlaces.Append(s.Places, header, info.size() - header);
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
