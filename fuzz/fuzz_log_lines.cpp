// Log lines and dump lines: the octet run lies within the line, holds the
// octets it counts, and its label is no longer than the line; a dump line
// gives at most a line's octets.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Src/trace/HexDump.h"
#include "Src/trace/LogLine.h"

namespace {
void Check(bool Condition) {
    if (!Condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 16) return 0;
    const std::string_view line(reinterpret_cast<const char*>(Data), Size);
    vantrel::trace::TOctetRun run;
    if (vantrel::trace::FindOctetRun(line, run)) {
        Check(run.Begin < run.End && run.End <= line.size() && run.Octets > 0);
        std::string octets;
        vantrel::trace::AppendRunOctets(line.substr(run.Begin, run.End - run.Begin), octets);
        Check(octets.size() == run.Octets);
        Check(vantrel::trace::LineLabel(line, run).size() <= line.size());
    }
    uint64_t offset = 0;
    std::string octets;
    if (vantrel::trace::ParseDumpLine(line, offset, octets)) Check(octets.size() <= 64);
    vantrel::trace::THexDump dump;
    for (size_t at = 0; at < line.size();) {
        size_t end = line.find('\n', at);
        if (end == std::string_view::npos) end = line.size();
        if (dump.Add(line.substr(at, end - at)) != vantrel::trace::THexDump::Added && dump.Active()) dump.Clear();
        Check(dump.Octets().size() <= vantrel::trace::kMaxDumpOctets);
        at = end + 1;
    }
    return 0;
}
