#include "Capture.h"

#include <pcap/pcap.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <list>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "../trace/HdlcJoin.h"
#include "../trace/Packet.h"
#include "../translate/Frame.h"
#include "../translate/LlcHeader.h"
#include "../translate/Wrapper.h"
#include "../../xmlPdu/INFRA/Errors.h"
#include "KeyFile.h"

namespace vantrel::cli {

namespace {

using trace::TPacket;
using trace::TPacketFault;
using K = TTranslateOutcome::TKind;

// Octets of a TCP stream held ahead of a gap before they count as lost.
constexpr size_t kMaxAhead = 1u << 20;
constexpr char kFlag = 0x7E;
// Packet numbers named per kind of dropped packet.
constexpr size_t kNamedDrops = 5;

// How a conversation carries DLMS: not known yet, WRAPPER PDUs, HDLC frames,
// or not at all (looked at and not recognised).
enum class TCarriage : uint8_t { Unknown, Wrapper, Hdlc, Other };

// A conversation's two endpoints (address and port), the lower first, and
// whether it is TCP and IPv6.
struct TKey {
    std::array<uint8_t, 38> Octets{};
    bool operator==(const TKey&) const = default;
};

struct TKeyHash {
    size_t operator()(const TKey& k) const noexcept {
        return std::hash<std::string_view>()(
            std::string_view(reinterpret_cast<const char*>(k.Octets.data()), k.Octets.size()));
    }
};

// The key of a packet's conversation; Side: 0 when the packet comes from the
// lower endpoint, else 1.
TKey KeyOf(const TPacket& P, int& Side) {
    uint8_t source[18];
    uint8_t destination[18];
    std::memcpy(source, P.Source, 16);
    source[16] = static_cast<uint8_t>(P.SourcePort >> 8);
    source[17] = static_cast<uint8_t>(P.SourcePort);
    std::memcpy(destination, P.Destination, 16);
    destination[16] = static_cast<uint8_t>(P.DestinationPort >> 8);
    destination[17] = static_cast<uint8_t>(P.DestinationPort);
    Side = std::memcmp(source, destination, 18) <= 0 ? 0 : 1;
    TKey key;
    std::memcpy(key.Octets.data(), Side == 0 ? source : destination, 18);
    std::memcpy(key.Octets.data() + 18, Side == 0 ? destination : source, 18);
    key.Octets[36] = P.Tcp;
    key.Octets[37] = P.Ipv6;
    return key;
}

// One direction of a conversation.
struct TSide {
    bool Started = false;  // TCP: Next is known
    bool Waiting = false;  // after lost octets: until the next WRAPPER header or HDLC frame
    bool Closed = false;   // TCP: its FIN came
    bool Probed = false;   // it had data before the conversation was recognised
    uint32_t Next = 0;     // the sequence number due
    std::string Buffer;    // octets not yet cut into PDUs or frames, from Consumed on
    size_t Consumed = 0;
    std::map<uint32_t, std::string> Ahead;  // segments after a gap, by sequence number
    size_t AheadSize = 0;
    std::string Source;
    std::string Destination;
};

struct TConversation {
    TCarriage Carriage = TCarriage::Unknown;
    bool Fixed = false;    // on the port followed: its first data tells WRAPPER from HDLC
    bool Tcp = true;
    bool Followed = false; // in the list of conversations followed (else of the others)
    int Probes = 0;        // segments with data before it was recognised
    size_t ProbedOctets = 0;
    long long FirstProbe = 0;
    time_t LastSeen = 0;
    std::list<TKey>::iterator Age;
    TSide Side[2];
    std::unique_ptr<trace::THdlcJoiner> Joiner;
};

using TConversations = std::unordered_map<TKey, TConversation, TKeyHash>;

int32_t SequenceDistance(uint32_t From, uint32_t To) noexcept { return static_cast<int32_t>(To - From); }

// Octets that might open DLMS: a WRAPPER header with wPorts below 0x4000 or
// an HDLC frame's flag and format. For packets cut short, which cannot be
// looked at further.
bool MayOpenDlms(std::string_view Octets) noexcept {
    if (Octets.size() >= 2 && Octets[0] == kFlag) return (static_cast<uint8_t>(Octets[1]) & 0xF0) == 0xA0 || Octets[1] == kFlag;
    return Octets.size() >= 6 && Octets[0] == 0 && Octets[1] == 1 && static_cast<uint8_t>(Octets[2]) < 0x40 &&
           static_cast<uint8_t>(Octets[4]) < 0x40;
}

// Whether octets hold nothing but HDLC flags.
bool OnlyFlags(std::string_view Octets) noexcept {
    return Octets.find_first_not_of(kFlag) == std::string_view::npos;
}

// A packet's time in UTC with microseconds; the date and time of the last
// second written are kept, since packets come many to a second.
class TTimeText {
public:
    const std::string& Of(const timeval& Time) {
        if (!FValid || Time.tv_sec != FSecond) {
            const time_t seconds = Time.tv_sec;
            tm utc{};
            gmtime_r(&seconds, &utc);
            char text[40];
            const size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.", &utc);
            FText.assign(text, n);
            FPrefix = n;
            FSecond = Time.tv_sec;
            FValid = true;
        }
        FText.resize(FPrefix);
        long micro = static_cast<long>(Time.tv_usec);
        if (micro < 0 || micro > 999999) micro = 0;
        char digits[6];
        for (int i = 5; i >= 0; --i, micro /= 10) digits[i] = static_cast<char>('0' + micro % 10);
        FText.append(digits, 6);
        FText += 'Z';
        return FText;
    }

private:
    bool FValid = false;
    time_t FSecond = 0;
    size_t FPrefix = 0;
    std::string FText;
};

// "1 packet", "3 packets".
std::string Count(long long N, const char* Singular) {
    return std::to_string(N) + " " + Singular + (N == 1 ? "" : "s");
}

class TCapture {
public:
    TCapture(const std::string& Name, const TCaptureOptions& Capture, const TTranslateOptions& Options,
             TUnitWriter& Writer, VantrelKeys* Learn, int LinkType);

    void Packet(long long Number, const pcap_pkthdr& Header, const u_char* Data);
    // The capture has ended (with Failure when it could not be read to its
    // end): what is left open is reported, then the summary. Returns the
    // exit status.
    int Finish(long long Packets, const std::string& Failure);

private:
    enum class TEnd { Closed, Idle, Reopened, End };
    static constexpr int kTooManyConversations = trace::kPacketFaultCount;
    struct TDrops {
        long long Count = 0;
        std::vector<long long> First;
    };

    void Tcp(long long Number, const TPacket& P, bool OnPort);
    void Udp(long long Number, const TPacket& P, bool OnPort);
    TConversations::iterator Open(long long Number, const TKey& Key, const TPacket& P, int Side, bool Fixed,
                                  TCarriage Carriage);
    void Touch(TConversation& C);
    void Follow(TConversation& C, TCarriage Carriage);
    void Recognise(long long Number, TConversation& C, int Side, const TPacket& P);
    void Segment(long long Number, TConversation& C, TSide& S, const TPacket& P);
    static void Lost(TSide& S);
    void Append(long long Number, TConversation& C, TSide& S, std::string_view Octets);
    void CutWrappers(long long Number, TSide& S);
    void CutFrames(long long Number, TConversation& C, TSide& S);
    void Compact(TSide& S);
    void Frame(long long Number, TConversation& C, const TSide& S, const TFrame& Frame);
    void Datagram(long long Number, std::string_view Octets);
    void Unit(long long Number, TTranslateOutcome& Outcome, std::string_view Lines = {});
    void Problem(long long Number, const std::string& Message);
    void JoinedUnit(join::TJoinedUnit& Joined);
    // The notes of a unit as warnings; the unit counts as noted.
    void Warn(long long Number, const TTranslateOutcome& Outcome);
    void Drop(int Kind, long long Number);
    void Close(TConversations::iterator At, long long Number, TEnd Why);
    void ReportOpen(long long Number, TConversation& C, TSide& S, TEnd Why);
    void AgeOut(long long Number);
    void CountPort(const TPacket& P);
    size_t Held(const TConversation& C) const noexcept;
    std::string StreamName(const TConversation& C, const TSide& S) const;
    std::string Resumes(const TConversation& C) const;

    const std::string& FName;
    uint16_t FPort;
    TCaptureOptions FCapture;
    TTranslateOptions FOptions;
    TUnitWriter& FWriter;
    VantrelKeys* FLearn;
    int FLinkType;
    std::string FLinkText;
    TConversations FConversations;
    std::list<TKey> FFollowed;  // conversations followed, the longest idle first
    std::list<TKey> FOthers;    // not (yet) recognised, the longest idle first
    size_t FHeld = 0;           // octets held by all conversations
    bool FTooManyReported = false;
    bool FHeldReported = false;
    std::array<TDrops, trace::kPacketFaultCount + 1> FDrops;
    std::unordered_map<uint32_t, long long> FPorts;  // packets with data by protocol and lower port
    long long FApdus = 0;
    long long FApduFailures = 0;
    long long FUnits = 0;
    long long FProblems = 0;
    long long FNoted = 0;
    time_t FNow = 0;
    TTimeText FTimes;
    timeval FStamp{};
    // The endpoints of the unit being written.
    const TSide* FSide = nullptr;
    std::string FDatagramSource;
    std::string FDatagramDestination;
    std::string FTime;
    std::string FLabel;
    join::TBlockJoin FBlocks;  // the blocks of longer transfers, per endpoint pair
};

TCapture::TCapture(const std::string& Name, const TCaptureOptions& Capture, const TTranslateOptions& Options,
                   TUnitWriter& Writer, VantrelKeys* Learn, int LinkType)
    : FName(Name), FPort(Capture.Port), FCapture(Capture), FOptions(Options), FWriter(Writer), FLearn(Learn),
      FLinkType(LinkType == DLT_RAW ? trace::kLinkRaw : LinkType),
      FBlocks(Options, "packet", [this](join::TJoinedUnit& Joined) { JoinedUnit(Joined); }) {
    FOptions = FBlocks.ReaderOptions(Options);
    const char* name = pcap_datalink_val_to_name(LinkType);
    FLinkText = "link-layer type " + std::to_string(LinkType) + (name ? " (" + std::string(name) + ")" : "") + " not read";
}

void TCapture::Problem(long long Number, const std::string& Message) {
    ++FProblems;
    TUnitPlace place;
    place.Where = "packet";
    place.Number = Number;
    place.Input = "pcap";
    FWriter.WriteProblem(place, Message);
}

void TCapture::Drop(int Kind, long long Number) {
    TDrops& d = FDrops[static_cast<size_t>(Kind)];
    ++d.Count;
    if (d.First.size() < kNamedDrops) d.First.push_back(Number);
}

// The one place where each APDU's unit (or that of an HDLC frame without
// one) is written.
void TCapture::Unit(long long Number, TTranslateOutcome& Outcome, std::string_view Lines) {
    if (FLearn) LearnSystemTitles(Outcome, *FLearn);
    ++FUnits;
    if (!(Outcome.Kind == K::Beep && Outcome.FrameWithoutApdu)) {
        ++FApdus;
        FApduFailures += Outcome.Kind != K::Translated;
    }
    const std::string& source = FSide ? FSide->Source : FDatagramSource;
    const std::string& destination = FSide ? FSide->Destination : FDatagramDestination;
    FTime = FTimes.Of(FStamp);
    FLabel = FTime;
    FLabel += ' ';
    FLabel += source;
    FLabel += " -> ";
    FLabel += destination;
    TUnitPlace place;
    place.Where = "packet";
    place.Number = Number;
    place.Lines = Lines;
    place.Label = FLabel;
    place.Input = "pcap";
    place.Time = FTime;
    place.Source = source;
    place.Destination = destination;
    FWriter.Write(place, Outcome);
    Warn(Number, Outcome);
    // The conversation's endpoints: the blocks of one transfer travel between them.
    FBlocks.Take(Outcome, Number, std::string_view(FLabel).substr(FTime.size() + 1));
}

// The unit after the last block of a transfer: the joined APDU, or why it
// was not joined (a warning, as --strict counts it).
void TCapture::JoinedUnit(join::TJoinedUnit& Joined) {
    FWriter.WriteJoined(Joined, "packet");
    Warn(Joined.Number, Joined.Outcome);
}

void TCapture::Warn(long long Number, const TTranslateOutcome& Outcome) {
    if (Outcome.Notes.empty()) return;
    ++FNoted;
    std::fflush(nullptr);  // after the translation it is about
    for (const std::string& note : Outcome.Notes)
        std::fprintf(FCapture.Messages, "%s: packet %lld: warning: %s\n", FName.c_str(), Number, note.c_str());
}

std::string TCapture::StreamName(const TConversation& C, const TSide& S) const {
    return std::string(C.Tcp ? "TCP stream " : "UDP stream ") + S.Source + " -> " + S.Destination;
}

std::string TCapture::Resumes(const TConversation& C) const {
    return C.Carriage == TCarriage::Hdlc ? "the stream resumes at the next HDLC frame"
                                         : "the stream resumes at the next WRAPPER header";
}

size_t TCapture::Held(const TConversation& C) const noexcept {
    return C.Side[0].Buffer.size() + C.Side[0].AheadSize + C.Side[1].Buffer.size() + C.Side[1].AheadSize;
}

void TCapture::CountPort(const TPacket& P) {
    if (P.PayloadOnWire == 0) return;
    const uint32_t port = std::min(P.SourcePort, P.DestinationPort);
    ++FPorts[(P.Tcp ? 0u : 0x10000u) | port];  // TCP first when listed
}

void TCapture::Packet(long long Number, const pcap_pkthdr& Header, const u_char* Data) {
    TPacket packet;
    const std::string_view captured(reinterpret_cast<const char*>(Data), Header.caplen);
    const TPacketFault fault = trace::DecodePacket(FLinkType, captured, Header.len, packet);
    if (fault != TPacketFault::None) {
        if (trace::Dropped(fault)) Drop(static_cast<int>(fault), Number);
        return;
    }
    FStamp = Header.ts;
    FNow = std::max<time_t>(FNow, Header.ts.tv_sec);
    AgeOut(Number);
    CountPort(packet);
    const uint16_t port = FPort ? FPort : kDlmsPort;
    const bool onPort = packet.SourcePort == port || packet.DestinationPort == port;
    if (FPort && !onPort) return;
    if (packet.Tcp) Tcp(Number, packet, onPort);
    else Udp(Number, packet, onPort);
}

TConversations::iterator TCapture::Open(long long Number, const TKey& Key, const TPacket& P, int Side, bool Fixed,
                                        TCarriage Carriage) {
    if (FConversations.size() >= kMaxConversations) {
        if (!FOthers.empty()) {
            Close(FConversations.find(FOthers.front()), Number, TEnd::Closed);  // holds no octets
        } else {
            Drop(kTooManyConversations, Number);
            if (!FTooManyReported)
                Problem(Number, "more than " + std::to_string(kMaxConversations) +
                                    " conversations at once: new ones are not followed until others close (the first: " +
                                    trace::EndpointText(P, true) + " -> " + trace::EndpointText(P, false) + ")");
            FTooManyReported = true;
            return FConversations.end();
        }
    }
    const auto at = FConversations.try_emplace(Key).first;
    TConversation& c = at->second;
    c.Fixed = Fixed;
    c.Tcp = P.Tcp;
    c.Carriage = Carriage;
    c.Followed = Fixed || Carriage == TCarriage::Wrapper || Carriage == TCarriage::Hdlc;
    std::list<TKey>& list = c.Followed ? FFollowed : FOthers;
    c.Age = list.insert(list.end(), Key);
    c.LastSeen = FNow;
    c.Side[Side].Source = c.Side[1 - Side].Destination = trace::EndpointText(P, true);
    c.Side[Side].Destination = c.Side[1 - Side].Source = trace::EndpointText(P, false);
    return at;
}

void TCapture::Touch(TConversation& C) {
    C.LastSeen = FNow;
    std::list<TKey>& list = C.Followed ? FFollowed : FOthers;
    list.splice(list.end(), list, C.Age);
}

void TCapture::Follow(TConversation& C, TCarriage Carriage) {
    C.Carriage = Carriage;
    if (!C.Followed) FFollowed.splice(FFollowed.end(), FOthers, C.Age);
    C.Followed = true;
}

void TCapture::AgeOut(long long Number) {
    for (std::list<TKey>* list : {&FFollowed, &FOthers})
        while (!list->empty()) {
            const auto at = FConversations.find(list->front());
            if (FNow - at->second.LastSeen <= kIdleSeconds) break;
            Close(at, Number, TEnd::Idle);
        }
}

void TCapture::ReportOpen(long long Number, TConversation& C, TSide& S, TEnd Why) {
    const std::string_view rest = std::string_view(S.Buffer).substr(S.Consumed);
    const bool inside = C.Carriage == TCarriage::Hdlc ? !OnlyFlags(rest) : !rest.empty();
    const char* what = C.Carriage == TCarriage::Hdlc ? " an HDLC frame (" : " a WRAPPER PDU (";
    const std::string verb = Why == TEnd::End    ? " ends"
                             : Why == TEnd::Idle ? " idle for more than " + std::to_string(kIdleSeconds) + " s"
                                                 : " closed";
    const char* after = Why == TEnd::Idle ? "; no longer followed" : "";
    if (S.AheadSize != 0)
        Problem(Number, StreamName(C, S) + verb + " with " + std::to_string(S.AheadSize) + " octets after a gap" + after);
    else if (inside)
        Problem(Number, StreamName(C, S) + verb + " inside" + what + std::to_string(rest.size()) + " octets of it)" + after);
    FHeld -= S.Buffer.size() + S.AheadSize;
    S.Buffer.clear();
    S.Consumed = 0;
    S.Ahead.clear();
    S.AheadSize = 0;
}

void TCapture::Close(TConversations::iterator At, long long Number, TEnd Why) {
    TConversation& c = At->second;
    if (c.Carriage == TCarriage::Wrapper || c.Carriage == TCarriage::Hdlc) {
        for (TSide& s : c.Side) ReportOpen(Number, c, s, Why);
        while (c.Joiner && c.Joiner->TakeUnfinished()) {
            TTranslateOutcome outcome;
            outcome.Kind = K::HexFailure;
            outcome.Text = c.Joiner->Message();
            FSide = &c.Side[0];
            Unit(Number, outcome, trace::LinesText(c.Joiner->Lines(), "packet"));
        }
    }
    FHeld -= Held(c);
    (c.Followed ? FFollowed : FOthers).erase(c.Age);
    FConversations.erase(At);
}

void TCapture::Tcp(long long Number, const TPacket& P, bool OnPort) {
    int side = 0;
    const TKey key = KeyOf(P, side);
    auto at = FConversations.find(key);
    const bool data = P.PayloadOnWire > 0;
    if (at != FConversations.end() && P.Syn && at->second.Side[side].Started &&
        at->second.Side[side].Next != P.Sequence + 1) {
        Close(at, Number, TEnd::Reopened);  // a new connection between the same endpoints
        at = FConversations.end();
    }
    if (at == FConversations.end()) {
        if (!data && !P.Syn) return;  // an ACK, FIN or RST of a conversation not followed (or closed)
        at = Open(Number, key, P, side, OnPort, TCarriage::Unknown);
        if (at == FConversations.end()) return;
    } else {
        Touch(at->second);
    }
    TConversation& c = at->second;
    TSide& s = c.Side[side];
    if (P.Syn) {
        s.Started = true;
        s.Next = P.Sequence + 1;
    }
    if (data && c.Carriage == TCarriage::Unknown) Recognise(Number, c, side, P);
    if (data && (c.Carriage == TCarriage::Wrapper || c.Carriage == TCarriage::Hdlc)) {
        const size_t before = Held(c);
        Segment(Number, c, s, P);
        FHeld = FHeld - before + Held(c);
    }
    if (P.Fin && !s.Closed) {
        s.Closed = true;
        if (s.AheadSize == 0) ReportOpen(Number, c, s, TEnd::Closed);
    }
    if (P.Rst || (c.Side[0].Closed && c.Side[1].Closed && c.Side[0].AheadSize == 0 && c.Side[1].AheadSize == 0))
        Close(at, Number, TEnd::Closed);
}

void TCapture::Recognise(long long Number, TConversation& C, int Side, const TPacket& P) {
    TSide& s = C.Side[Side];
    const bool whole = P.Payload.size() == P.PayloadOnWire;
    TCarriage found = TCarriage::Unknown;
    if (C.Fixed) found = trace::OpensWithHdlcFrame(P.Payload) ? TCarriage::Hdlc : TCarriage::Wrapper;
    else if (whole && trace::HoldsWrapperPdus(P.Payload)) found = TCarriage::Wrapper;
    else if (trace::OpensWithHdlcFrame(P.Payload)) found = TCarriage::Hdlc;
    const uint32_t sequence = P.Sequence + (P.Syn ? 1 : 0);
    if (found == TCarriage::Unknown) {
        if (!whole && MayOpenDlms(P.Payload)) Drop(static_cast<int>(TPacketFault::CutShort), Number);
        if (C.Probes++ == 0) C.FirstProbe = Number;
        C.ProbedOctets += P.PayloadOnWire;
        s.Probed = true;
        const uint32_t end = sequence + static_cast<uint32_t>(P.PayloadOnWire);
        if (!s.Started || SequenceDistance(s.Next, end) > 0) s.Next = end;
        s.Started = true;
        if (C.Probes == kProbeSegments) C.Carriage = TCarriage::Other;
        return;
    }
    Follow(C, found);
    if (C.Probes != 0)
        Problem(Number, "TCP " + s.Source + " <-> " + s.Destination + ": " + Count(static_cast<long long>(C.ProbedOctets), "octet") +
                            " in " + Count(C.Probes, "segment") + " from packet " + std::to_string(C.FirstProbe) +
                            " on, before its first " + (found == TCarriage::Hdlc ? "HDLC frame" : "WRAPPER PDU") +
                            ", not read");
    for (TSide& other : C.Side) other.Waiting = other.Probed;
    s.Waiting = false;
    if (s.Probed || !s.Started) s.Next = sequence;  // else from its SYN: a first segment lost shows as a gap
    s.Started = true;
}

// The octets of a stream are lost here: it resumes at the next PDU or frame.
void TCapture::Lost(TSide& S) {
    S.Buffer.clear();
    S.Consumed = 0;
    S.Ahead.clear();
    S.AheadSize = 0;
    S.Waiting = true;
}

void TCapture::Segment(long long Number, TConversation& C, TSide& S, const TPacket& P) {
    const uint32_t sequence = P.Sequence + (P.Syn ? 1 : 0);
    const std::string_view data = P.Payload;
    if (!S.Started) {
        S.Started = true;
        S.Next = sequence;
    }
    const int32_t distance = SequenceDistance(S.Next, sequence);
    const size_t onWire = std::max(P.PayloadOnWire, data.size());
    if (distance < 0 && static_cast<int64_t>(onWire) <= -static_cast<int64_t>(distance)) return;  // retransmitted
    if (data.size() < onWire) {
        // Cut short by the capture: the octets of the stream are lost here.
        Drop(static_cast<int>(TPacketFault::CutShort), Number);
        Problem(Number, std::string(C.Tcp ? "TCP segment " : "UDP datagram ") + S.Source + " -> " + S.Destination +
                            " captured without its last " + std::to_string(onWire - data.size()) + " octets; " +
                            Resumes(C));
        Lost(S);
        S.Next = sequence + static_cast<uint32_t>(onWire);
        return;
    }
    if (distance > 0) {
        if (S.AheadSize + data.size() > kMaxAhead || FHeld + data.size() > kMaxHeldOctets) {
            Problem(Number, StreamName(C, S) + ": " + std::to_string(distance) + " octets missing; " + Resumes(C));
            Lost(S);
            S.Next = sequence;
            return Append(Number, C, S, data);
        }
        auto [at, inserted] = S.Ahead.emplace(sequence, std::string(data));
        if (inserted) S.AheadSize += data.size();
        else if (at->second.size() < data.size()) {
            S.AheadSize += data.size() - at->second.size();
            at->second.assign(data);
        }
        return;
    }
    Append(Number, C, S, data.substr(static_cast<size_t>(-distance)));
    // Segments that were ahead of a gap, now in order.
    while (!S.Ahead.empty()) {
        auto first = S.Ahead.begin();
        const int32_t d = SequenceDistance(S.Next, first->first);
        if (d > 0) break;
        const std::string segment = std::move(first->second);
        S.AheadSize -= segment.size();
        S.Ahead.erase(first);
        if (static_cast<int64_t>(segment.size()) > -static_cast<int64_t>(d))
            Append(Number, C, S, std::string_view(segment).substr(static_cast<size_t>(-d)));
    }
}

void TCapture::Append(long long Number, TConversation& C, TSide& S, std::string_view Octets) {
    S.Next += static_cast<uint32_t>(Octets.size());
    if (S.Waiting && C.Carriage == TCarriage::Wrapper) {
        if (!trace::StartsWithWrapper(Octets)) return;
        S.Waiting = false;
    }
    if (FHeld + S.Buffer.size() - S.Consumed + Octets.size() > kMaxHeldOctets) {
        if (!FHeldReported)
            Problem(Number, StreamName(C, S) + ": more than " + std::to_string(kMaxHeldOctets) +
                                " octets held for the streams of the capture; " + Resumes(C));
        FHeldReported = true;
        Lost(S);
        return;
    }
    S.Buffer.append(Octets);
    FSide = &S;
    if (C.Carriage == TCarriage::Hdlc) CutFrames(Number, C, S);
    else CutWrappers(Number, S);
}

void TCapture::Compact(TSide& S) {
    if (S.Consumed == S.Buffer.size()) {
        S.Buffer.clear();
        S.Consumed = 0;
    } else if (S.Consumed > S.Buffer.size() / 2) {
        S.Buffer.erase(0, S.Consumed);
        S.Consumed = 0;
    }
}

void TCapture::CutWrappers(long long Number, TSide& S) {
    for (;;) {
        const std::string_view rest = std::string_view(S.Buffer).substr(S.Consumed);
        if (rest.size() < 2 || (rest.size() < trace::kWrapperHeaderSize && rest[0] == 0 && rest[1] == 1)) break;
        if (!trace::StartsWithWrapper(rest)) {
            Problem(Number, "TCP stream " + S.Source + " -> " + S.Destination +
                                ": no WRAPPER header where one was due; the stream resumes at the next one");
            S.Buffer.clear();
            S.Consumed = 0;
            S.Waiting = true;
            return;
        }
        const trace::TWrapperHeader header = trace::ReadWrapperHeader(rest);
        if (rest.size() < trace::kWrapperHeaderSize + header.Length) break;
        TTranslateOutcome outcome = TranslateOctets(rest.substr(trace::kWrapperHeaderSize, header.Length), FOptions);
        if (FOptions.DescribeFrame) outcome.FrameDescription.push_back(trace::WrapperDescription(header));
        outcome.Link = WrapperLink(header);
        Unit(Number, outcome);
        S.Consumed += trace::kWrapperHeaderSize + header.Length;
    }
    Compact(S);
}

void TCapture::CutFrames(long long Number, TConversation& C, TSide& S) {
    for (;;) {
        std::string_view rest = std::string_view(S.Buffer).substr(S.Consumed);
        // Flags between frames; a frame's closing flag may open the next.
        size_t flags = 0;
        while (flags + 1 < rest.size() && rest[flags] == kFlag && rest[flags + 1] == kFlag) ++flags;
        S.Consumed += flags;
        rest.remove_prefix(flags);
        if (rest.size() < 3) break;
        const bool opens = rest[0] == kFlag && (static_cast<uint8_t>(rest[1]) & 0xF0) == 0xA0;
        if (rest[0] == kFlag && !opens) {  // the closing flag of the frame before, alone
            ++S.Consumed;
            continue;
        }
        const size_t length = (static_cast<uint8_t>(rest[1]) & 7u) << 8 | static_cast<uint8_t>(rest[2]);
        if (opens && rest.size() < length + 2) break;  // the rest of the frame is still to come
        if (!opens || length < 2 || rest[length + 1] != kFlag) {
            // Octets that open no frame: up to the next flag that opens one.
            size_t next = 1;
            while ((next = rest.find(kFlag, next)) != std::string_view::npos && next + 1 < rest.size() &&
                   rest[next + 1] != kFlag && (static_cast<uint8_t>(rest[next + 1]) & 0xF0) != 0xA0)
                ++next;
            const size_t skipped = next == std::string_view::npos ? rest.size() : next;
            if (!S.Waiting)
                Problem(Number, StreamName(C, S) + ": " + Count(static_cast<long long>(skipped), "octet") +
                                    " that open no HDLC frame skipped");
            S.Consumed += skipped;
            continue;
        }
        S.Waiting = false;
        TFrame frame;
        try {
            frame.SetFromPduByteStr(rest.substr(0, length + 2));
        } catch (const EVantrelError& e) {
            Problem(Number, StreamName(C, S) + ": Not a decodable HDLC frame: " + e.Message());
            S.Consumed += length + 1;
            continue;
        }
        S.Consumed += length + 1;  // the closing flag stays: it may open the next frame
        Frame(Number, C, S, frame);
    }
    Compact(S);
}

void TCapture::Frame(long long Number, TConversation& C, const TSide& S, const TFrame& Frame) {
    TTranslateOutcome outcome;
    std::vector<std::string> description;
    if (FOptions.DescribeFrame) Frame.GetAsStrings(description, 0);
    std::string lines;
    if (Frame.Kind() != fkI && Frame.Kind() != fkUI) {
        outcome.Kind = K::Beep;
        outcome.FrameWithoutApdu = true;
        outcome.Text = "HDLC " + std::string(FrameKindName(Frame.Kind())) + " frame: no APDU to translate";
    } else {
        if (!C.Joiner) C.Joiner = std::make_unique<trace::THdlcJoiner>("packet");
        trace::THdlcJoiner& joiner = *C.Joiner;
        switch (joiner.Take(Frame, Number)) {
        case trace::THdlcJoiner::Pending:
            outcome.Kind = K::Beep;
            outcome.FrameWithoutApdu = true;
            outcome.Text = "Segmented HDLC frame: the APDU continues in the next frames";
            break;
        case trace::THdlcJoiner::Complete:
            outcome = TranslateOctets(joiner.Apdu(), FOptions);
            if (joiner.Lines().size() > 1) lines = trace::LinesText(joiner.Lines(), "packet");
            break;
        case trace::THdlcJoiner::Broken:
            outcome.Kind = K::HexFailure;
            outcome.Text = joiner.Message();
            lines = trace::LinesText(joiner.Lines(), "packet");
            break;
        case trace::THdlcJoiner::NotJoined: {
            const std::string_view info = Frame.Data();
            if (FOptions.DescribeFrame) description.push_back(LlcHeaderDescription(info));
            outcome = TranslateOctets(info.substr(LlcHeaderSize(info)), FOptions);
            break;
        }
        }
        outcome.Link = FrameLink(Frame);
    }
    outcome.FrameDescription = std::move(description);
    FSide = &S;
    Unit(Number, outcome, lines);
}

void TCapture::Datagram(long long Number, std::string_view Octets) {
    FSide = nullptr;
    trace::TWrapperWalk walk(Octets);
    trace::TWrapperPdu pdu;
    while (walk.Next(pdu)) {
        TTranslateOutcome outcome = TranslateOctets(pdu.Apdu, FOptions);
        if (FOptions.DescribeFrame) outcome.FrameDescription.push_back(trace::WrapperDescription(pdu.Header));
        outcome.Link = WrapperLink(pdu.Header);
        Unit(Number, outcome);
    }
    if (!walk.Failure().empty())
        Problem(Number, "UDP datagram " + FDatagramSource + " -> " + FDatagramDestination + ": " + walk.Failure());
}

void TCapture::Udp(long long Number, const TPacket& P, bool OnPort) {
    if (P.PayloadOnWire == 0) return;
    const bool whole = P.Payload.size() == P.PayloadOnWire;
    int side = 0;
    const TKey key = KeyOf(P, side);
    auto at = FConversations.find(key);
    // WRAPPER datagrams stand alone; HDLC frames may continue from one
    // datagram to the next, so their conversations are followed. A datagram
    // that opens with a WRAPPER header between frames is one of WRAPPER PDUs.
    const bool framePending = at != FConversations.end() &&
                              !OnlyFlags(std::string_view(at->second.Side[side].Buffer).substr(at->second.Side[side].Consumed));
    const bool frames = trace::OpensWithHdlcFrame(P.Payload);
    if (!framePending && !frames &&
        (OnPort ? at == FConversations.end() || trace::StartsWithWrapper(P.Payload)
                : whole && trace::HoldsWrapperPdus(P.Payload))) {
        if (at != FConversations.end()) Touch(at->second);
        FDatagramSource = trace::EndpointText(P, true);
        FDatagramDestination = trace::EndpointText(P, false);
        if (!whole) {
            Drop(static_cast<int>(TPacketFault::CutShort), Number);
            return Problem(Number, "UDP datagram " + FDatagramSource + " -> " + FDatagramDestination +
                                       " captured without its last " + std::to_string(P.PayloadOnWire - P.Payload.size()) +
                                       " octets");
        }
        return Datagram(Number, P.Payload);
    }
    if (at == FConversations.end()) {
        if (!frames) {
            if (!whole && MayOpenDlms(P.Payload)) Drop(static_cast<int>(TPacketFault::CutShort), Number);
            return;
        }
        at = Open(Number, key, P, side, OnPort, TCarriage::Hdlc);
        if (at == FConversations.end()) return;
    } else {
        Touch(at->second);
    }
    TConversation& c = at->second;
    TSide& s = c.Side[side];
    const size_t before = Held(c);
    if (!whole) {
        Drop(static_cast<int>(TPacketFault::CutShort), Number);
        Problem(Number, "UDP datagram " + s.Source + " -> " + s.Destination + " captured without its last " +
                            std::to_string(P.PayloadOnWire - P.Payload.size()) + " octets; " + Resumes(c));
        Lost(s);
    } else {
        Append(Number, c, s, P.Payload);
    }
    FHeld = FHeld - before + Held(c);
}

int TCapture::Finish(long long Packets, const std::string& Failure) {
    if (!Failure.empty()) Problem(Packets + 1, "the capture ends early: " + Failure);
    for (std::list<TKey>* list : {&FFollowed, &FOthers})
        while (!list->empty()) Close(FConversations.find(list->front()), Packets, TEnd::End);
    FBlocks.Finish();  // transfers still open
    std::fflush(nullptr);
    FILE* m = FCapture.Messages;
    const char* name = FName.c_str();
    long long dropped = 0;
    for (size_t kind = 0; kind < FDrops.size(); ++kind) {
        const TDrops& d = FDrops[kind];
        if (d.Count == 0) continue;
        dropped += d.Count;
        std::string text = kind == static_cast<size_t>(kTooManyConversations)
                               ? "of conversations beyond the " + std::to_string(kMaxConversations) + " followed at once"
                           : kind == static_cast<size_t>(TPacketFault::LinkType)
                               ? FLinkText
                               : std::string(trace::PacketFaultText(static_cast<TPacketFault>(kind)));
        std::string numbers;
        for (long long n : d.First) numbers += (numbers.empty() ? "" : ", ") + std::to_string(n);
        if (d.Count > static_cast<long long>(d.First.size())) numbers += ", ...";
        std::fprintf(m, "vantrel-cli: %s: %s dropped: %s (%s %s)\n", name, Count(d.Count, "packet").c_str(), text.c_str(),
                     d.Count == 1 ? "packet" : "packets", numbers.c_str());
    }
    const bool nothing = FUnits == 0 && FProblems == 0;
    if (nothing) {
        std::string text = "no DLMS found in " + Count(Packets, "packet");
        if (FPort) text += " on port " + std::to_string(FPort);
        std::vector<std::pair<uint32_t, long long>> ports(FPorts.begin(), FPorts.end());
        std::sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
            return a.second != b.second ? a.second > b.second : a.first < b.first;
        });
        if (ports.empty()) {
            text += "; no TCP or UDP packet carried data";
        } else {
            text += "; the TCP and UDP ports that carried data: ";
            for (size_t i = 0; i < ports.size() && i < 8; ++i)
                text += (i ? ", " : "") + std::string(ports[i].first & 0x10000 ? "UDP " : "TCP ") +
                        std::to_string(ports[i].first & 0xFFFF) + " (" + Count(ports[i].second, "packet") + ")";
            if (ports.size() > 8) text += ", ...";
            if (!FPort) text += " (--port N reads one of them as DLMS)";
        }
        std::fprintf(m, "vantrel-cli: %s: %s\n", name, text.c_str());
    }
    if (FApduFailures != 0 || FProblems != 0) {
        std::string text;
        if (FApduFailures != 0)
            text = std::to_string(FApduFailures) + " of " + std::to_string(FApdus) + " APDUs not translated";
        if (FProblems != 0) {
            if (!text.empty()) text += "; ";
            text += Count(FProblems, "error") + " in the capture";
            if (FApduFailures == 0) text += "; " + Count(FApdus, "APDU") + " translated";
        }
        std::fprintf(m, "vantrel-cli: %s: %s\n", name, text.c_str());
        return 1;
    }
    if (nothing) return 1;
    return FCapture.Strict && (dropped != 0 || FNoted != 0) ? 1 : 0;
}

// A stream that gives octets already read from another, then the rest of it.
struct TPeeked {
    FILE* Rest;
    unsigned char Head[4];
    size_t Size;
    size_t At = 0;
};

ssize_t PeekedRead(void* Cookie, char* Buffer, size_t Size) {
    auto* p = static_cast<TPeeked*>(Cookie);
    size_t n = 0;
    if (p->At < p->Size) {
        n = std::min(Size, p->Size - p->At);
        std::memcpy(Buffer, p->Head + p->At, n);
        p->At += n;
    }
    if (n == Size) return static_cast<ssize_t>(n);
    const size_t more = std::fread(Buffer + n, 1, Size - n, p->Rest);
    if (n + more == 0 && std::ferror(p->Rest)) return -1;
    return static_cast<ssize_t>(n + more);
}

int PeekedClose(void* Cookie) {
    auto* p = static_cast<TPeeked*>(Cookie);
    const int status = p->Rest == stdin ? 0 : std::fclose(p->Rest);
    delete p;
    return status;
}

}  // namespace

FILE* PeekCapture(FILE* In, bool& Capture) {
    Capture = false;
    struct stat status {};
    const int fd = fileno(In);
    const long start = std::ftell(In);
    const bool regular = fd >= 0 && fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && start >= 0;
    unsigned char magic[4] = {};
    const size_t n = std::fread(magic, 1, 4, In);
    if (n == 4) {
        const uint32_t be = static_cast<uint32_t>(magic[0]) << 24 | magic[1] << 16 | magic[2] << 8 | magic[3];
        Capture = be == 0xA1B2C3D4 || be == 0xD4C3B2A1 || be == 0xA1B23C4D || be == 0x4D3CB2A1 || be == 0x0A0D0D0A;
    }
    if (n == 0) return In;  // nothing read: nothing to give back
    if (regular && std::fseek(In, start, SEEK_SET) == 0) return In;
    auto* peeked = new TPeeked{In, {magic[0], magic[1], magic[2], magic[3]}, n};
    FILE* stream = fopencookie(peeked, "rb", cookie_io_functions_t{PeekedRead, nullptr, nullptr, PeekedClose});
    if (!stream) {
        delete peeked;
        return nullptr;
    }
    return stream;
}

int TranslateCaptureStream(FILE* Stream, const std::string& Name, const TCaptureOptions& Capture,
                           const TTranslateOptions& Options, TUnitWriter& Writer, VantrelKeys* Learn) {
    char error[PCAP_ERRBUF_SIZE] = "";
    pcap_t* opened = pcap_fopen_offline(Stream, error);
    if (!opened) {
        std::fclose(Stream);
        std::fprintf(Capture.Messages, "vantrel-cli: cannot read the capture %s: %s\n", Name.c_str(), error);
        return 3;
    }
    const std::unique_ptr<pcap_t, void (*)(pcap_t*)> capture(opened, pcap_close);
    TCapture reader(Name, Capture, Options, Writer, Learn, pcap_datalink(opened));
    long long number = 0;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    int status;
    while ((status = pcap_next_ex(opened, &header, &data)) == 1) reader.Packet(++number, *header, data);
    return reader.Finish(number, status == PCAP_ERROR ? std::string(pcap_geterr(opened)) : std::string());
}

}  // namespace vantrel::cli
