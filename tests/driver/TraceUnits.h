// The units the trace reader makes of a text's lines, one row each, for
// tests that compare whole logs: "line[/first] input kind: text-or-apdu [label]".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Src/trace/TraceReader.h"

namespace dtest {

struct TUnitsOptions {
    bool DescribeFrame = false;  // WRAPPER and M-Bus descriptions join the row
    bool Lines = false;          // "from lines 3-5" joins the row
    const VantrelKeys* Keys = nullptr;
};

inline std::vector<std::string> Units(std::string_view Text, TUnitsOptions Options) {
    using K = vantrel::TTranslateOutcome::TKind;
    using namespace vantrel::trace;
    std::vector<std::string> rows;
    TTraceReader reader(vantrel::TTranslateOptions{.DescribeFrame = Options.DescribeFrame, .Keys = Options.Keys},
                        [&](TTraceUnit& u) {
                            std::string row = std::to_string(u.Line);
                            if (u.FirstLine != u.Line) row += "/" + std::to_string(u.FirstLine);
                            row += " " + std::string(InputName(u.Input)) + " ";
                            switch (u.Outcome.Kind) {
                            case K::Translated:
                                row += "ok: " + (u.Outcome.HexToXml
                                                     ? u.Outcome.Text.substr(1, u.Outcome.Text.find_first_of(" >") - 1)
                                                     : u.Outcome.Text);
                                break;
                            case K::Beep:
                                row += (u.Outcome.FrameWithoutApdu ? "skipped: " : "beep: ") + u.Outcome.Text;
                                break;
                            case K::EntryFailure:
                                row += "error at " + std::to_string(u.Outcome.Position) + ": " + u.Outcome.Text;
                                break;
                            default: row += "error: " + u.Outcome.Text; break;
                            }
                            if (Options.Lines && !u.Lines.empty()) row += " (" + u.Lines + ")";
                            if (!u.Label.empty()) row += " [" + u.Label + "]";
                            for (const auto& d : u.Outcome.FrameDescription)
                                if (d.starts_with("Wrapper") || d.starts_with("MBus")) row += " " + d;
                            rows.push_back(row);
                        });
    long long n = 0;
    for (size_t at = 0; at < Text.size();) {
        size_t end = Text.find('\n', at);
        if (end == std::string_view::npos) end = Text.size();
        std::string_view line = Text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        reader.Line(++n, line);
        at = end + 1;
    }
    reader.Finish();
    return rows;
}

inline std::vector<std::string> Units(std::string_view Text, bool DescribeFrame = false) {
    return Units(Text, TUnitsOptions{.DescribeFrame = DescribeFrame});
}

}  // namespace dtest
