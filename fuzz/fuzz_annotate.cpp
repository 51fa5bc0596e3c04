// Octets → annotated XML: it translates exactly when the plain XML does, it
// is the plain XML with comments at line ends, no comment holds ">" or "--",
// and it reads back to the octets the plain XML gives.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "vantrel/vantrel.h"

namespace {

[[noreturn]] void Fail(const char* What, const std::string& Detail) {
    std::fprintf(stderr, "%s\n%s\n", What, Detail.c_str());
    std::abort();
}

std::string Xml(const uint8_t* Data, size_t Size, uint32_t Flags, TTranslationError& Error) {
    VantrelStream* stream = nullptr;
    PduToXmlEx(Data, static_cast<uint32_t>(Size), nullptr, Flags, &stream, &Error);
    if (Error.Code != 0) return {};
    std::string text(reinterpret_cast<const char*>(VantrelStreamData(stream)));
    VantrelStreamFree(stream);
    return text;
}

std::string Octets(const std::string& Xml) {
    TTranslationError error;
    VantrelStream* stream = nullptr;
    XmlToPdu(Xml.c_str(), &stream, &error);
    if (error.Code != 0) Fail(error.Message, Xml);
    std::string octets(reinterpret_cast<const char*>(VantrelStreamData(stream)), VantrelStreamSize(stream));
    VantrelStreamFree(stream);
    return octets;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > (1u << 20)) return 0;
    TTranslationError plainError, annotatedError;
    const std::string plain = Xml(Data, Size, 0, plainError);
    const std::string annotated = Xml(Data, Size, VANTREL_ANNOTATE, annotatedError);
    if (plainError.Code != annotatedError.Code || plainError.Position != annotatedError.Position)
        Fail("annotating changed the outcome", annotatedError.Message);
    if (plainError.Code != 0) return 0;
    // A comment closes a line; values may hold comment-like text of their own.
    std::string stripped;
    for (size_t from = 0; from < annotated.size();) {
        size_t end = annotated.find("\r\n", from);
        end = end == std::string::npos ? annotated.size() : end;
        std::string_view line(annotated.data() + from, end - from);
        if (line.ends_with(" -->")) {
            const size_t at = line.rfind(" <!-- ");
            if (at == std::string_view::npos) Fail("unopened comment", annotated);
            const std::string_view text = line.substr(at + 6, line.size() - at - 10);
            if (text.find('>') != std::string_view::npos || text.find("--") != std::string_view::npos)
                Fail("comment text", std::string(text));
            line = line.substr(0, at);
        }
        stripped.append(line);
        stripped.append(annotated, end, end < annotated.size() ? 2 : 0);
        from = end + 2;
    }
    if (stripped != plain) Fail("not the plain XML with comments", annotated);
    if (Octets(annotated) != Octets(plain)) Fail("annotated XML reads back differently", annotated);
    return 0;
}
