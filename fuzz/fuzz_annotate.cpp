// Octets → annotated XML: it translates exactly when the plain XML does, it
// is the plain XML with comments at line ends, no comment holds ">" or "--",
// and it reads back to the octets the plain XML gives.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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
    std::string stripped;
    size_t from = 0;
    for (size_t at; (at = annotated.find(" <!-- ", from)) != std::string::npos;) {
        const size_t end = annotated.find(" -->", at);
        if (end == std::string::npos) Fail("unclosed comment", annotated);
        const std::string text = annotated.substr(at + 6, end - at - 6);
        if (text.find('>') != std::string::npos || text.find("--") != std::string::npos) Fail("comment text", text);
        stripped.append(annotated, from, at - from);
        from = end + 4;
    }
    stripped.append(annotated, from);
    if (stripped != plain) Fail("not the plain XML with comments", annotated);
    if (Octets(annotated) != Octets(plain)) Fail("annotated XML reads back differently", annotated);
    return 0;
}
