// The trace reader on any lines: HDLC frames split and joined, WRAPPER PDUs,
// dumps, log lines. Every unit lies within the lines read and in order, and
// a joined APDU is never longer than the octets that came in. Inputs of odd
// size are read with the public keys, the system titles of an AARQ or AARE
// serving the lines after it, as the command line does.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzKeys.h"
#include "xmlPdu/security/Keys.h"
#include "Src/cli/KeyFile.h"
#include "Src/trace/HdlcJoin.h"
#include "Src/trace/TraceReader.h"
#include "xmlPdu/INFRA/Errors.h"

namespace {
void Check(bool Condition) {
    if (!Condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 18) return 0;
    const std::string_view text(reinterpret_cast<const char*>(Data), Size);
    long long lines = 0;
    long long lastReported = 0;
    VantrelKeys keys = *vfuzz::PublicKeys();
    const bool keyed = (Size & 1) != 0;
    vantrel::TTranslateOptions options{.DescribeFrame = true};
    if (keyed) options.Keys = &keys;
    vantrel::trace::TTraceReader reader(options,
                                        [&](vantrel::trace::TTraceUnit& Unit) {
                                            if (keyed) vantrel::LearnSystemTitles(Unit.Outcome, keys);
                                            Check(Unit.FirstLine >= 1 && Unit.FirstLine <= Unit.Line && Unit.Line <= lines);
                                            Check(!Unit.Outcome.Text.empty() ||
                                                  Unit.Outcome.Kind == vantrel::TTranslateOutcome::Translated);
                                            lastReported = Unit.Line;
                                        });
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        reader.Line(++lines, text.substr(at, end - at));
        at = end + 1;
    }
    reader.Finish();

    // The octets themselves as frames, joined.
    std::vector<std::string_view> frames;
    if (vantrel::trace::SplitFrames(text, frames)) {
        vantrel::trace::THdlcJoiner joiner;
        long long n = 0;
        for (std::string_view f : frames) {
            vantrel::TFrame frame;
            try {
                frame.SetFromPduByteStr(f);
            } catch (const vantrel::EVantrelError&) {
                continue;
            }
            if (frame.Kind() != vantrel::fkI && frame.Kind() != vantrel::fkUI) continue;
            if (joiner.Take(frame, ++n) == vantrel::trace::THdlcJoiner::Complete) Check(joiner.Apdu().size() <= Size);
        }
        while (joiner.TakeUnfinished()) Check(!joiner.Lines().empty());
    }
    (void)lastReported;
    return 0;
}
