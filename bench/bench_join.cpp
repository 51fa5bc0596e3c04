// Joining blocks: the Kamstrup object list read in 69 data blocks (jDLMS's
// test data, tests/traces) translated block by block, then the same with the
// block joiner taking every block and translating the joined APDU; the
// joined APDU alone; the same blocks ciphered (glo_GetResponse, the public
// example keys); as hex lines through the trace reader, also without a last
// block (the joiner's own cost, no joined APDU); and APDUs that carry no
// block through the joiner.
#include "BenchSupport.h"

#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "Src/join/BlockJoin.h"
#include "Src/trace/TraceReader.h"
#include "xmlPdu/security/Keys.h"

namespace {

std::string Bytes(std::string_view Hex) {
    std::string out;
    for (size_t i = 0; i + 1 < Hex.size(); i += 2) out += static_cast<char>(std::stoi(std::string(Hex.substr(i, 2)), nullptr, 16));
    return out;
}

std::vector<std::string> RawData() {
    std::ifstream in(std::string(VANTREL_TRACE_DIR) + "/kamstrup-object-list-raw-data.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(Bytes(line));
    return lines;
}

// GetResponseWithDataBlock APDUs around the raw data.
std::vector<std::string> Blocks() {
    const std::vector<std::string> raw = RawData();
    std::vector<std::string> apdus;
    for (size_t i = 0; i < raw.size(); ++i) {
        std::string apdu = "\xC4\x02\xC1";
        apdu += static_cast<char>(i + 1 == raw.size());
        for (int shift = 24; shift >= 0; shift -= 8) apdu += static_cast<char>((i + 1) >> shift);
        apdu += '\0';
        if (raw[i].size() >= 0x80) apdu += '\x81';
        apdu += static_cast<char>(raw[i].size());
        apdus.push_back(apdu + raw[i]);
    }
    return apdus;
}

const VantrelKeys& ExampleKeys() {
    static const VantrelKeys keys = [] {
        VantrelKeys k;
        std::string message;
        vantrel::SetKeyFromHex(k, "BlockCipherKey", "000102030405060708090A0B0C0D0E0F", message);
        vantrel::SetKeyFromHex(k, "AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF", message);
        vantrel::SetKeyFromHex(k, "ServerSystemTitle", "4D4D4D0000BC614E", message);
        return k;
    }();
    return keys;
}

// The blocks as glo_GetResponse, enciphered with the example keys.
std::vector<std::string> CipheredBlocks() {
    std::vector<std::string> apdus;
    unsigned counter = 1;
    for (const std::string& block : Blocks()) {
        char ic[9];
        std::snprintf(ic, sizeof ic, "%08X", counter++);
        const std::string xml = "<glo_GetResponse><SecurityControl Value=\"30\" /><InvocationCounter Value=\"" +
                                std::string(ic) + "\" />" + vbench::ToXml(block) + "</glo_GetResponse>";
        VantrelStream* octets = nullptr;
        TTranslationError error;
        XmlToPduEx(xml.c_str(), &ExampleKeys(), 0, &octets, &error);
        if (error.Code == 0)
            apdus.emplace_back(reinterpret_cast<const char*>(VantrelStreamData(octets)), VantrelStreamSize(octets));
        VantrelStreamFree(octets);
    }
    return apdus;
}

const std::vector<std::string> kBlocks = Blocks();
const std::vector<std::string> kCiphered = CipheredBlocks();

// APDUs that carry no block: what the joiner costs on everything else.
std::vector<std::string> Small() {
    std::vector<std::string> apdus;
    for (int i = 0; i < 100; ++i) {
        apdus.push_back(Bytes("C001C100080000010000FF0200"));
        apdus.push_back(Bytes("C401C100090C07E8030D0309022DFF800000"));
        apdus.push_back(Bytes("C401C1000600003039"));
    }
    return apdus;
}
const std::vector<std::string> kSmall = Small();

size_t Octets(const std::vector<std::string>& Apdus) {
    size_t n = 0;
    for (const std::string& a : Apdus) n += a.size();
    return n;
}

void Translate(benchmark::State& State, const std::vector<std::string>& Apdus, bool Join, const VantrelKeys* Keys) {
    vantrel::TTranslateOptions options;
    options.Keys = Keys;
    long long joined = 0;
    for (auto _ : State) {
        vantrel::join::TBlockJoin join(options, "line", [&](vantrel::join::TJoinedUnit& Unit) {
            joined += Unit.Joined;
            benchmark::DoNotOptimize(Unit.Outcome.Text.data());
        });
        const vantrel::TTranslateOptions each = Join ? join.ReaderOptions(options) : options;
        long long number = 0;
        for (const std::string& apdu : Apdus) {
            const vantrel::TTranslateOutcome outcome = vantrel::TranslateOctets(apdu, each);
            benchmark::DoNotOptimize(outcome.Text.data());
            if (Join) join.Take(outcome, ++number);
        }
        join.Finish();
    }
    if (Join && &Apdus != &kSmall && joined != static_cast<long long>(State.iterations())) State.SkipWithError("not joined");
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Octets(Apdus)));
}

void DataBlocksAlone(benchmark::State& s) { Translate(s, kBlocks, false, nullptr); }
void DataBlocksJoined(benchmark::State& s) { Translate(s, kBlocks, true, nullptr); }
void CipheredDataBlocksAlone(benchmark::State& s) { Translate(s, kCiphered, false, &ExampleKeys()); }
void CipheredDataBlocksJoined(benchmark::State& s) { Translate(s, kCiphered, true, &ExampleKeys()); }

// The blocks as --each-line reads them: hex lines through the trace reader,
// with the joiner behind it or not.
std::vector<std::string> HexLines(const std::vector<std::string>& Apdus) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::vector<std::string> lines;
    for (const std::string& apdu : Apdus) {
        std::string line;
        for (unsigned char c : apdu) {
            if (!line.empty()) line += ' ';
            line += kDigits[c >> 4];
            line += kDigits[c & 15];
        }
        lines.push_back(std::move(line));
    }
    return lines;
}
const std::vector<std::string> kBlockLines = HexLines(kBlocks);
// The same blocks with no last one: the joiner takes every block and never
// translates a joined APDU, so only what joining itself costs is added.
std::vector<std::string> WithoutTheLast(std::vector<std::string> Apdus) {
    Apdus.back()[3] = '\0';
    return Apdus;
}
const std::vector<std::string> kOpenBlockLines = HexLines(WithoutTheLast(kBlocks));

void EachLine(benchmark::State& State, bool Join, const std::vector<std::string>& Lines = kBlockLines) {
    size_t octets = 0;
    for (const std::string& line : Lines) octets += line.size() + 1;
    for (auto _ : State) {
        vantrel::join::TBlockJoin join({}, "line", [&](vantrel::join::TJoinedUnit& Unit) {
            benchmark::DoNotOptimize(Unit.Outcome.Text.data());
        });
        vantrel::trace::TTraceReader reader(Join ? join.ReaderOptions({}) : vantrel::TTranslateOptions{},
                                            [&](vantrel::trace::TTraceUnit& Unit) {
                                                benchmark::DoNotOptimize(Unit.Outcome.Text.data());
                                                if (Join) join.Take(Unit.Outcome, Unit.Line);
                                            });
        long long number = 0;
        for (const std::string& line : Lines) reader.Line(++number, line);
        reader.Finish();
        join.Finish();
    }
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * octets));
}

void DataBlockLinesAlone(benchmark::State& s) { EachLine(s, false); }
void DataBlockLinesJoined(benchmark::State& s) { EachLine(s, true); }
void DataBlockLinesNoLastAlone(benchmark::State& s) { EachLine(s, false, kOpenBlockLines); }
void DataBlockLinesNoLastThroughTheJoiner(benchmark::State& s) { EachLine(s, true, kOpenBlockLines); }
BENCHMARK(DataBlockLinesAlone);
BENCHMARK(DataBlockLinesJoined);
BENCHMARK(DataBlockLinesNoLastAlone);
BENCHMARK(DataBlockLinesNoLastThroughTheJoiner);

// The joined APDU alone: what joining adds beyond its own bookkeeping.
void JoinedApduAlone(benchmark::State& State) {
    std::string apdu = "\xC4\x01\xC1";
    apdu += '\0';
    for (const std::string& raw : RawData()) apdu += raw;
    for (auto _ : State) benchmark::DoNotOptimize(vantrel::TranslateOctets(apdu, {}).Text.data());
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * apdu.size()));
}


void OtherApdusAlone(benchmark::State& s) { Translate(s, kSmall, false, nullptr); }
void OtherApdusThroughTheJoiner(benchmark::State& s) { Translate(s, kSmall, true, nullptr); }

BENCHMARK(DataBlocksAlone);
BENCHMARK(DataBlocksJoined);
BENCHMARK(JoinedApduAlone);
BENCHMARK(CipheredDataBlocksAlone);
BENCHMARK(CipheredDataBlocksJoined);
BENCHMARK(OtherApdusAlone);
BENCHMARK(OtherApdusThroughTheJoiner);

}  // namespace
