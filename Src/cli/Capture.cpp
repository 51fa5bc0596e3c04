#include "Capture.h"

#include <pcap/pcap.h>

#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "../trace/Packet.h"
#include "../translate/Wrapper.h"
#include "KeyFile.h"

namespace vantrel::cli {

namespace {

using trace::TPacket;

// Octets of a TCP stream held ahead of a gap before it counts as lost.
constexpr size_t kMaxAhead = 1u << 20;
// TCP streams followed at once.
constexpr size_t kMaxStreams = 4096;

struct TStreamKey {
    uint8_t Source[16];
    uint8_t Destination[16];
    uint16_t SourcePort;
    uint16_t DestinationPort;
    bool operator==(const TStreamKey& o) const noexcept { return std::memcmp(this, &o, sizeof o) == 0; }
};

struct TStreamKeyHash {
    size_t operator()(const TStreamKey& k) const noexcept {
        return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(&k), sizeof k));
    }
};

struct TStream {
    bool Started = false;
    bool Waiting = false;  // after lost octets: until a segment opens with a WRAPPER header
    uint32_t Next = 0;     // the sequence number due
    std::string Buffer;    // octets not yet cut into PDUs, from Consumed on
    size_t Consumed = 0;
    std::map<uint32_t, std::string> Ahead;  // segments after a gap, by sequence number
    size_t AheadSize = 0;
    std::string Source;
    std::string Destination;
};

int32_t SequenceDistance(uint32_t From, uint32_t To) noexcept { return static_cast<int32_t>(To - From); }

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

class TCapture {
public:
    TCapture(uint16_t Port, const TTranslateOptions& Options, TUnitWriter& Writer, VantrelKeys* Learn)
        : FPort(Port), FOptions(Options), FWriter(Writer), FLearn(Learn),
          FBlocks(Options, "packet", [this](join::TJoinedUnit& Joined) { FWriter.WriteJoined(Joined, "packet"); }) {
        FOptions = FBlocks.ReaderOptions(Options);
    }

    void Packet(long long Number, const pcap_pkthdr& Header, const u_char* Data, int LinkType);
    void Finish(long long Packets);

private:
    void Apdus(long long Number, std::string_view Octets, TStream* Stream, const TPacket& Packet);
    void Tcp(long long Number, TStream& Stream, const TPacket& Packet);
    void Append(long long Number, TStream& Stream, std::string_view Octets, const TPacket& Packet);
    void Cut(long long Number, TStream& Stream, const TPacket& Packet);
    void Problem(long long Number, const std::string& Message);
    void Unit(long long Number, std::string_view Apdu, const trace::TWrapperHeader& Header, const TPacket& Packet);
    void Endpoints(const TPacket& Packet);

    uint16_t FPort;
    TTranslateOptions FOptions;
    TUnitWriter& FWriter;
    VantrelKeys* FLearn;
    std::unordered_map<TStreamKey, TStream, TStreamKeyHash> FStreams;
    TTimeText FTimes;
    timeval FStamp{};
    std::string FTime;
    std::string FSource;
    std::string FDestination;
    std::string FLabel;
    join::TBlockJoin FBlocks;  // the blocks of longer transfers, per endpoint pair
};


void TCapture::Endpoints(const TPacket& Packet) {
    FSource = trace::EndpointText(Packet, true);
    FDestination = trace::EndpointText(Packet, false);
}

void TCapture::Problem(long long Number, const std::string& Message) {
    TUnitPlace place;
    place.Where = "packet";
    place.Number = Number;
    place.Input = "pcap";
    FWriter.WriteProblem(place, Message);
}

void TCapture::Unit(long long Number, std::string_view Apdu, const trace::TWrapperHeader& Header, const TPacket& Packet) {
    TTranslateOutcome outcome = TranslateOctets(Apdu, FOptions);
    if (FLearn) LearnSystemTitles(outcome, *FLearn);
    if (FOptions.DescribeFrame) outcome.FrameDescription.push_back(trace::WrapperDescription(Header));
    (void)Packet;
    FTime = FTimes.Of(FStamp);
    FLabel = FTime;
    FLabel += ' ';
    FLabel += FSource;
    FLabel += " -> ";
    FLabel += FDestination;
    TUnitPlace place;
    place.Where = "packet";
    place.Number = Number;
    place.Label = FLabel;
    place.Input = "pcap";
    place.Time = FTime;
    place.Source = FSource;
    place.Destination = FDestination;
    FWriter.Write(place, outcome);
    outcome.Link = WrapperLink(Header);
    FBlocks.Take(outcome, Number, std::string_view(FLabel).substr(FTime.size() + 1));
}

void TCapture::Apdus(long long Number, std::string_view Octets, TStream*, const TPacket& Packet) {
    trace::TWrapperWalk walk(Octets);
    trace::TWrapperPdu pdu;
    while (walk.Next(pdu)) Unit(Number, pdu.Apdu, pdu.Header, Packet);
    if (!walk.Failure().empty())
        Problem(Number, "UDP datagram " + FSource + " -> " + FDestination + ": " + walk.Failure());
}

void TCapture::Packet(long long Number, const pcap_pkthdr& Header, const u_char* Data, int LinkType) {
    TPacket packet;
    const char* why = nullptr;
    const std::string_view captured(reinterpret_cast<const char*>(Data), Header.caplen);
    if (!trace::DecodePacket(LinkType, captured, Header.len, packet, why)) return;
    if (packet.SourcePort != FPort && packet.DestinationPort != FPort) return;
    FStamp = Header.ts;
    if (!packet.Tcp) {
        Endpoints(packet);
        if (packet.Payload.size() < packet.PayloadOnWire)
            return Problem(Number, "UDP datagram " + FSource + " -> " + FDestination + " captured without its last " +
                                       std::to_string(packet.PayloadOnWire - packet.Payload.size()) + " octets");
        if (!packet.Payload.empty()) Apdus(Number, packet.Payload, nullptr, packet);
        return;
    }
    TStreamKey key{};
    std::memcpy(key.Source, packet.Source, 16);
    std::memcpy(key.Destination, packet.Destination, 16);
    key.SourcePort = packet.SourcePort;
    key.DestinationPort = packet.DestinationPort;
    auto found = FStreams.find(key);
    if (found == FStreams.end()) {
        Endpoints(packet);
        if (FStreams.size() >= kMaxStreams)
            return Problem(Number, "more than " + std::to_string(kMaxStreams) + " TCP streams; " + FSource + " -> " +
                                       FDestination + " not followed");
        found = FStreams.emplace(key, TStream{}).first;
        found->second.Source = FSource;
        found->second.Destination = FDestination;
    }
    FSource = found->second.Source;
    FDestination = found->second.Destination;
    Tcp(Number, found->second, packet);
    if (packet.Fin || packet.Rst) {
        TStream& s = found->second;
        if (s.Buffer.size() > s.Consumed && s.Ahead.empty())
            Problem(Number, "TCP stream " + s.Source + " -> " + s.Destination + " closed inside a WRAPPER PDU (" +
                                std::to_string(s.Buffer.size() - s.Consumed) + " octets of it)");
        if (s.Ahead.empty() || packet.Rst) FStreams.erase(found);
    }
}

void TCapture::Tcp(long long Number, TStream& Stream, const TPacket& Packet) {
    uint32_t sequence = Packet.Sequence;
    if (Packet.Syn) {
        Stream.Started = true;
        Stream.Next = ++sequence;
    }
    std::string_view data = Packet.Payload;
    if (data.empty() && Packet.PayloadOnWire == 0) return;
    if (!Stream.Started) {
        Stream.Started = true;
        Stream.Next = sequence;
    }
    const int32_t distance = SequenceDistance(Stream.Next, sequence);
    const size_t onWire = Packet.PayloadOnWire > data.size() ? Packet.PayloadOnWire : data.size();
    if (distance < 0 && static_cast<int64_t>(onWire) <= -static_cast<int64_t>(distance)) return;  // retransmitted
    if (data.size() < onWire) {
        // Cut short by the capture: the octets of the stream are lost here.
        Problem(Number, "TCP segment " + Stream.Source + " -> " + Stream.Destination + " captured without its last " +
                            std::to_string(onWire - data.size()) + " octets; the stream resumes at the next WRAPPER header");
        Stream.Buffer.clear();
        Stream.Consumed = 0;
        Stream.Ahead.clear();
        Stream.AheadSize = 0;
        Stream.Waiting = true;
        Stream.Next = sequence + static_cast<uint32_t>(onWire);
        return;
    }
    if (distance > 0) {
        if (Stream.AheadSize + data.size() > kMaxAhead) {
            Problem(Number, "TCP stream " + Stream.Source + " -> " + Stream.Destination + ": " +
                                std::to_string(distance) + " octets missing; the stream resumes at the next WRAPPER header");
            Stream.Buffer.clear();
            Stream.Consumed = 0;
            Stream.Ahead.clear();
            Stream.AheadSize = 0;
            Stream.Waiting = true;
            Stream.Next = sequence;
            return Append(Number, Stream, data, Packet);
        }
        auto [at, inserted] = Stream.Ahead.emplace(sequence, std::string(data));
        if (inserted) Stream.AheadSize += data.size();
        else if (at->second.size() < data.size()) {
            Stream.AheadSize += data.size() - at->second.size();
            at->second.assign(data);
        }
        return;
    }
    Append(Number, Stream, data.substr(static_cast<size_t>(-distance)), Packet);
    // Segments that were ahead of a gap, now in order.
    while (!Stream.Ahead.empty()) {
        auto first = Stream.Ahead.begin();
        const int32_t d = SequenceDistance(Stream.Next, first->first);
        if (d > 0) break;
        const std::string segment = std::move(first->second);
        Stream.AheadSize -= segment.size();
        Stream.Ahead.erase(first);
        if (static_cast<int64_t>(segment.size()) > -static_cast<int64_t>(d))
            Append(Number, Stream, std::string_view(segment).substr(static_cast<size_t>(-d)), Packet);
    }
}

void TCapture::Append(long long Number, TStream& Stream, std::string_view Octets, const TPacket& Packet) {
    Stream.Next += static_cast<uint32_t>(Octets.size());
    if (Stream.Waiting) {
        if (!trace::StartsWithWrapper(Octets)) return;
        Stream.Waiting = false;
    }
    Stream.Buffer.append(Octets);
    Cut(Number, Stream, Packet);
}

void TCapture::Cut(long long Number, TStream& Stream, const TPacket& Packet) {
    for (;;) {
        const std::string_view rest = std::string_view(Stream.Buffer).substr(Stream.Consumed);
        if (rest.size() < 2 || (rest.size() < trace::kWrapperHeaderSize && rest[0] == 0 && rest[1] == 1)) break;
        if (!trace::StartsWithWrapper(rest)) {
            Problem(Number, "TCP stream " + Stream.Source + " -> " + Stream.Destination +
                                ": no WRAPPER header where one was due; the stream resumes at the next one");
            Stream.Buffer.clear();
            Stream.Consumed = 0;
            Stream.Waiting = true;
            return;
        }
        const trace::TWrapperHeader header = trace::ReadWrapperHeader(rest);
        if (rest.size() < trace::kWrapperHeaderSize + header.Length) break;
        FSource = Stream.Source;
        FDestination = Stream.Destination;
        Unit(Number, rest.substr(trace::kWrapperHeaderSize, header.Length), header, Packet);
        Stream.Consumed += trace::kWrapperHeaderSize + header.Length;
    }
    if (Stream.Consumed == Stream.Buffer.size()) {
        Stream.Buffer.clear();
        Stream.Consumed = 0;
    } else if (Stream.Consumed > Stream.Buffer.size() / 2) {
        Stream.Buffer.erase(0, Stream.Consumed);
        Stream.Consumed = 0;
    }
}

void TCapture::Finish(long long Packets) {
    for (auto& [key, s] : FStreams) {
        if (s.Buffer.size() > s.Consumed)
            Problem(Packets, "TCP stream " + s.Source + " -> " + s.Destination + " ends inside a WRAPPER PDU (" +
                                 std::to_string(s.Buffer.size() - s.Consumed) + " octets of it)");
        else if (!s.Ahead.empty())
            Problem(Packets, "TCP stream " + s.Source + " -> " + s.Destination + " ends with " +
                                 std::to_string(s.AheadSize) + " octets after a gap");
    }
    FStreams.clear();
    FBlocks.Finish();
}

}  // namespace

bool IsCaptureFile(const char* Path) {
    FILE* f = std::fopen(Path, "rb");
    if (!f) return false;
    unsigned char magic[4] = {};
    const size_t n = std::fread(magic, 1, 4, f);
    std::fclose(f);
    if (n != 4) return false;
    const uint32_t be = static_cast<uint32_t>(magic[0]) << 24 | magic[1] << 16 | magic[2] << 8 | magic[3];
    return be == 0xA1B2C3D4 || be == 0xD4C3B2A1 || be == 0xA1B23C4D || be == 0x4D3CB2A1 || be == 0x0A0D0D0A;
}

namespace {

int Translate(pcap_t* Capture, const std::string& Name, uint16_t Port, const TTranslateOptions& Options,
              TUnitWriter& Writer, VantrelKeys* Learn) {
    const int linkType = pcap_datalink(Capture);
    TCapture reader(Port, Options, Writer, Learn);
    long long number = 0;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    int status;
    while ((status = pcap_next_ex(Capture, &header, &data)) == 1) reader.Packet(++number, *header, data, linkType);
    reader.Finish(number);
    if (status == PCAP_ERROR) {
        const std::string message = pcap_geterr(Capture);
        TUnitPlace place;
        place.Where = "packet";
        place.Number = number + 1;
        place.Input = "pcap";
        Writer.WriteProblem(place, "the capture ends early: " + message);
    }
    if (Writer.Failed() == 0) return 0;
    std::fprintf(stderr, "vantrel-cli: %s: %lld of %lld APDUs not translated\n", Name.c_str(), Writer.Failed(),
                 Writer.Units());
    return 1;
}

}  // namespace

int TranslateCapture(const char* Path, const std::string& Name, uint16_t Port, const TTranslateOptions& Options,
                     TUnitWriter& Writer, VantrelKeys* Learn) {
    char error[PCAP_ERRBUF_SIZE] = "";
    const std::unique_ptr<pcap_t, void (*)(pcap_t*)> capture(pcap_open_offline(Path, error), pcap_close);
    if (!capture) {
        std::fprintf(stderr, "vantrel-cli: cannot read the capture %s: %s\n", Name.c_str(), error);
        return 3;
    }
    return Translate(capture.get(), Name, Port, Options, Writer, Learn);
}

int TranslateCaptureStream(FILE* Stream, const std::string& Name, uint16_t Port, const TTranslateOptions& Options,
                           TUnitWriter& Writer, VantrelKeys* Learn) {
    char error[PCAP_ERRBUF_SIZE] = "";
    pcap_t* opened = pcap_fopen_offline(Stream, error);
    if (!opened) {
        std::fclose(Stream);
        std::fprintf(stderr, "vantrel-cli: cannot read the capture %s: %s\n", Name.c_str(), error);
        return 3;
    }
    const std::unique_ptr<pcap_t, void (*)(pcap_t*)> capture(opened, pcap_close);
    return Translate(capture.get(), Name, Port, Options, Writer, Learn);
}

}  // namespace vantrel::cli
