#include "MBus.h"

#include <cstdio>

namespace vantrel::trace {

namespace {

constexpr uint8_t kStart = 0x68;
constexpr uint8_t kStop = 0x16;
constexpr size_t kFrameOverhead = 6;  // 68 L L 68, then CS 16
constexpr size_t kFewestLength = 3;   // C, A and CI

uint8_t Octet(std::string_view s, size_t i) noexcept { return static_cast<uint8_t>(s[i]); }

uint8_t Sum(std::string_view Octets) noexcept {
    unsigned sum = 0;
    for (char c : Octets) sum += static_cast<uint8_t>(c);
    return static_cast<uint8_t>(sum);
}

std::string Hex2(unsigned Value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", Value & 0xFFu);
    return text;
}

}  // namespace

bool OpensMBusFrame(std::string_view Octets) noexcept {
    return Octets.size() >= 4 && Octet(Octets, 0) == kStart && Octet(Octets, 3) == kStart &&
           Octet(Octets, 1) == Octet(Octets, 2);
}

size_t MBusStatedLength(std::string_view Octets) noexcept {
    if (!OpensMBusFrame(Octets)) return 0;
    const size_t field = Octet(Octets, 1);
    return field + kFrameOverhead + (field < kFewestLength ? 256 : 0);
}

size_t MBusFrameLength(std::string_view Octets) noexcept {
    if (Octets.empty() || Octet(Octets, 0) != kStart) return std::string_view::npos;
    if (Octets.size() < 4) {
        if (Octets.size() == 3 && Octet(Octets, 1) != Octet(Octets, 2)) return std::string_view::npos;
        return 0;
    }
    if (!OpensMBusFrame(Octets)) return std::string_view::npos;
    const size_t field = Octet(Octets, 1);
    // The length as written, unless no stop octet stands where it ends (or
    // the field is too small for any frame): then the length 256 further.
    if (field >= kFewestLength) {
        if (Octets.size() < field + kFrameOverhead) return 0;
        if (Octet(Octets, field + kFrameOverhead - 1) == kStop) return field + kFrameOverhead;
    }
    return field + 256 + kFrameOverhead;
}

bool ReadMBusFrame(std::string_view Octets, TMBusFrame& Frame, std::string& Why) {
    if (!OpensMBusFrame(Octets)) {
        Why = "No M-Bus long frame: it opens with 68, the length twice and 68";
        return false;
    }
    const size_t length = Octets.size() - kFrameOverhead;
    Frame.LengthField = Octet(Octets, 1);
    if (length < kFewestLength || (length & 0xFF) != Frame.LengthField) {
        Why = "M-Bus length field " + Hex2(Frame.LengthField) + " does not match the " + std::to_string(length) +
              " octets of the frame";
        return false;
    }
    if (Octet(Octets, Octets.size() - 1) != kStop) {
        Why = "M-Bus frame without its stop octet 16";
        return false;
    }
    const uint8_t sum = Sum(Octets.substr(4, length));
    if (sum != Octet(Octets, 4 + length)) {
        Why = "M-Bus checksum " + Hex2(Octet(Octets, 4 + length)) + " where the frame sums to " + Hex2(sum);
        return false;
    }
    Frame.Length = length;
    Frame.Control = Octet(Octets, 4);
    Frame.Address = Octet(Octets, 5);
    Frame.Ci = Octet(Octets, 6);
    Frame.Data = Octets.substr(7, length - kFewestLength);
    return true;
}

bool SplitMBusFrames(std::string_view Octets, std::vector<std::string_view>& Frames, size_t& Tail) {
    Frames.clear();
    Tail = Octets.size();
    for (size_t p = 0; p < Octets.size();) {
        const size_t length = MBusFrameLength(Octets.substr(p));
        if (length == std::string_view::npos) return false;
        if (length == 0 || p + length > Octets.size()) {
            Tail = p;
            return true;
        }
        Frames.push_back(Octets.substr(p, length));
        p += length;
    }
    return !Frames.empty();
}

std::string MBusDescription(const TMBusFrame& Frame) {
    std::string text = "MBus(C:" + Hex2(Frame.Control) + ", A:" + Hex2(Frame.Address) + ", CI:" + Hex2(Frame.Ci);
    if (Frame.Dlms()) {
        text += " part " + std::to_string(Frame.Segment()) + (Frame.Last() ? " last" : " of more");
        if (Frame.Data.size() >= 2)
            text += ", STSAP:" + Hex2(static_cast<uint8_t>(Frame.Data[0])) +
                    ", DTSAP:" + Hex2(static_cast<uint8_t>(Frame.Data[1]));
    }
    text += ", Length:" + std::to_string(Frame.Length);
    if (Frame.Length != Frame.LengthField) text += " (length field " + Hex2(Frame.LengthField) + ")";
    text += ')';
    return text;
}

TMBusJoiner::TResult TMBusJoiner::Broke(TSequence& Sequence, const std::string& Why) {
    FLines = Sequence.Lines;
    FMessage = "Broken M-Bus sequence: " + Why + "; " + FLines.Text() + " (" + std::to_string(Sequence.Apdu.size()) +
               " octets of its APDU) not translated";
    FOpen.erase(FOpen.begin() + (&Sequence - FOpen.data()));
    return Broken;
}

size_t TMBusJoiner::HeldOctets() const noexcept {
    size_t held = 0;
    for (const TSequence& s : FOpen) held += s.Apdu.size();
    return held;
}

TMBusJoiner::TResult TMBusJoiner::Take(const TMBusFrame& Frame, long long FirstLine, long long LastLine,
                                       const TOctetPlaces* Places, size_t DataAt) {
    FTakeAgain = false;
    FSingle = false;
    if (!Frame.Dlms()) return NotDlms;
    TSequence* open = nullptr;
    for (TSequence& s : FOpen)
        if (s.Address == Frame.Address) open = &s;
    const std::string_view part = Frame.Data.substr(Frame.Data.size() < 2 ? Frame.Data.size() : 2);
    if (Frame.Data.size() < 2) {
        FLines.clear();
        FLines.Add(FirstLine, LastLine);
        FMessage = "M-Bus frame without the transport header (STSAP, DTSAP) after its CI field; " + FLines.Text() +
                   " not translated";
        return Broken;
    }
    if (open && Frame.Segment() != open->NextSegment) {
        // A part 0 opens a new APDU: the one before broke off, this frame
        // is taken again on its own.
        FTakeAgain = Frame.Segment() == 0;
        if (!FTakeAgain) open->Lines.Add(FirstLine, LastLine);
        return Broke(*open, "part " + std::to_string(Frame.Segment()) + " where " + std::to_string(open->NextSegment) +
                                " was due (a frame is missing or repeated)");
    }
    if (!open) {
        if (Frame.Segment() != 0) {
            FLines.clear();
            FLines.Add(FirstLine, LastLine);
            FMessage = "Broken M-Bus sequence: part " + std::to_string(Frame.Segment()) + " without the parts before it; " +
                       FLines.Text() + " not translated";
            return Broken;
        }
        if (Frame.Last()) {  // one frame holds the whole APDU
            FApdu.assign(part);
            FSingle = true;
            FApduPlaces.Clear();
            if (Places && DataAt + Frame.Data.size() <= Places->Size()) FApduPlaces.Append(*Places, DataAt + 2, part.size());
            FLines.clear();
            FLines.Add(FirstLine, LastLine);
            return Complete;
        }
        if (FOpen.size() == kMaxMBusSequences) {
            FLines.clear();
            FLines.Add(FirstLine, LastLine);
            FMessage = "Broken M-Bus sequence: more than " + std::to_string(kMaxMBusSequences) +
                       " addresses with open sequences; " + FLines.Text() + " not translated";
            return Broken;
        }
        open = &FOpen.emplace_back();
        open->Address = Frame.Address;
    }
    TSequence& s = *open;
    s.Lines.Add(FirstLine, LastLine);
    if (HeldOctets() + part.size() > kMaxMBusOctets)
        return Broke(s, "longer than " + std::to_string(kMaxMBusOctets) + " octets");
    if (++s.Frames > kMaxMBusFrames) return Broke(s, "more than " + std::to_string(kMaxMBusFrames) + " frames");
    if (s.Apdu.empty()) s.Places.Clear();
    s.Apdu += part;
    if (Places && DataAt + Frame.Data.size() <= Places->Size()) s.Places.Append(*Places, DataAt + 2, part.size());
    s.NextSegment = (s.NextSegment + 1) & 0x0F;
    if (!Frame.Last()) return Pending;
    FApdu = std::move(s.Apdu);
    FApduPlaces.Clear();
    if (s.Places.Size() == FApdu.size()) FApduPlaces = std::move(s.Places);
    FLines = s.Lines;
    FOpen.erase(FOpen.begin() + (&s - FOpen.data()));
    return Complete;
}

bool TMBusJoiner::TakeUnfinished() {
    if (FOpen.empty()) return false;
    Broke(FOpen.front(), "the input ended before its last frame");
    return true;
}

}  // namespace vantrel::trace
