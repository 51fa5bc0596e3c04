// The paste forms, line by line and pasted whole: frames wrapped over lines,
// M-Bus frames, bytes literals, log text. Every unit lies within the lines
// read and lists a bounded number of them, and every APDU of a translated
// unit's XML reads back to octets that give the same XML again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "Src/trace/TraceReader.h"
#include "Src/translate/TranslateCommand.h"
#include "vantrel/vantrel.h"

namespace {

using vantrel::TTranslateOutcome;
using K = TTranslateOutcome::TKind;

[[noreturn]] void Fail(const char* What, const std::string& Detail) {
    std::fprintf(stderr, "%s\n%s\n", What, Detail.c_str());
    std::abort();
}

// The XML of the octets alone, through the library.
std::string XmlOf(const uint8_t* Data, uint32_t Size) {
    VantrelStream* stream = nullptr;
    TTranslationError error;
    PduToXml(Data, Size, &stream, &error);
    if (error.Code != 0) return "failed: " + std::string(error.Message);
    std::string text(reinterpret_cast<const char*>(VantrelStreamData(stream)));
    VantrelStreamFree(stream);
    return text;
}

// Each APDU of a unit's XML (an element at the start of a line; comments
// between them are the translation's own) back to octets and to XML again.
void CheckRoundTrips(const TTranslateOutcome& Outcome) {
    for (const std::string& note : Outcome.Notes)
        if (note.find("after the end of the APDU") == std::string::npos) return;  // a reading that is not canonical
    const std::string& xml = Outcome.Text;
    std::vector<size_t> roots;
    for (size_t at = 0; at < xml.size(); at = xml.find('\n', at) + 1) {
        if (xml[at] == '<' && at + 1 < xml.size() && xml[at + 1] != '/' && xml[at + 1] != '!') roots.push_back(at);
        if (xml.find('\n', at) == std::string::npos) break;
    }
    for (size_t i = 0; i < roots.size(); ++i) {
        std::string apdu = xml.substr(roots[i], (i + 1 < roots.size() ? roots[i + 1] : xml.size()) - roots[i]);
        // The closing comment of the last APDU names octets after it.
        if (const size_t comment = apdu.find("\r\n<!--"); comment != std::string::npos) apdu.resize(comment + 2);
        VantrelStream* octets = nullptr;
        TTranslationError error;
        XmlToPdu(apdu.c_str(), &octets, &error);
        if (error.Code != 0) Fail(error.Message, apdu);
        const std::string again = XmlOf(VantrelStreamData(octets), VantrelStreamSize(octets));
        VantrelStreamFree(octets);
        if (again != apdu) Fail("XML changed on the way back", apdu + "\n---\n" + again);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 18) return 0;
    const std::string_view text(reinterpret_cast<const char*>(Data), Size);
    long long lines = 0;
    vantrel::trace::TTraceReader reader(vantrel::TTranslateOptions{.DescribeFrame = true},
                                        [&](vantrel::trace::TTraceUnit& Unit) {
                                            if (Unit.FirstLine < 1 || Unit.FirstLine > Unit.Line || Unit.Line > lines)
                                                Fail("unit outside the lines read", Unit.Outcome.Text);
                                            if (Unit.Lines.size() > 256) Fail("lines listed without a bound", Unit.Lines);
                                            if (Unit.Outcome.Kind != K::Translated && Unit.Outcome.Text.empty())
                                                Fail("a failure without a message", Unit.Lines);
                                            if (Unit.Outcome.Kind == K::Translated && Unit.Outcome.HexToXml)
                                                CheckRoundTrips(Unit.Outcome);
                                        });
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        reader.Line(++lines, text.substr(at, end - at));
        at = end + 1;
    }
    reader.Finish();

    const TTranslateOutcome whole = vantrel::TranslateText(text, true);
    if (whole.Kind != K::Translated && whole.Text.empty()) Fail("a failure without a message", std::string(text));
    if (whole.Kind == K::Translated && whole.HexToXml) CheckRoundTrips(whole);
    return 0;
}
