// vantrel-cli: the translate command for scripts, pipes and capture logs.
// Nothing but the translation goes to stdout; failures go to stderr (or, for
// --each-line, inline) and set the exit status.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "../../xmlPdu/security/Keys.h"
#include "../translate/TranslateCommand.h"
#include "../translate/Version.h"
#include "../trace/TraceReader.h"
#include "Capture.h"
#include "KeyFile.h"
#include "UnitWriter.h"

namespace {

using vantrel::TTranslateOutcome;

enum TExitCode { kTranslated = 0, kNotTranslated = 1, kUsage = 2, kInputOutput = 3 };

constexpr const char kUsageText[] =
    "usage: vantrel-cli [--each-line] [--frame] [--annotate] [--strict] [--json [--map]] [--port N]\n"
    "                   [--keys KEYFILE] [--key Name=HEX]... [FILE|-]\n"
    "       vantrel-cli --help | --version\n"
    "\n"
    "Translates a DLMS/COSEM APDU read from FILE (standard input when FILE is\n"
    "\"-\" or missing). The input is taken for\n"
    "  an HDLC frame    hex digits beginning with \"7E\" (an I or UI frame; its\n"
    "                   APDU is translated to XML),\n"
    "  XML              when a \"<\" stands within its first 79 characters (the\n"
    "                   octets are printed as hex digits),\n"
    "  hex octets       otherwise (blanks, dashes and line breaks are ignored).\n"
    "Where these fail, also WRAPPER PDUs (DLMS over TCP/UDP), hex dumps with\n"
    "offsets, log lines and segmented HDLC frames. A packet capture file (pcap,\n"
    "pcapng) is read for the APDUs on TCP and UDP port 4059.\n"
    "\n"
    "Options:\n"
    "  --each-line  every non-empty line is one APDU or HDLC frame, translated on\n"
    "               its own; each result follows a line \"line N:\", a failure is\n"
    "               one line \"line N: ...\" in the output; HDLC frames that\n"
    "               carry no whole APDU are reported as skipped, not as failures\n"
    "               (log lines: the octets are taken from the text around them;\n"
    "               hex dump blocks and segmented frames are joined)\n"
    "  --frame      print the description of an HDLC frame or WRAPPER header\n"
    "               before its translation\n"
    "  --annotate   explain values in XML comments (logical and class names,\n"
    "               decimals, date-times); the XML reads back to the same octets\n"
    "  --strict     exit 1 when octets followed the end of an APDU (they are\n"
    "               named in an XML comment and in a warning on standard error)\n"
    "  --json       one JSON object per translated unit (JSON Lines)\n"
    "  --map        with --json: each APDU's \"fields\", the octets (offset,\n"
    "               length) and XML line of every element, and \"apdu_offset\"\n"
    "               where the APDU was unwrapped from a frame or header\n"
    "  --port N     the TCP/UDP port of a capture file (default 4059)\n"
    "  --keys KEYFILE  decipher and encipher ciphered APDUs with the keys of\n"
    "               KEYFILE: lines \"Name = HEX\", \"#\" starts a comment. Names:\n"
    "               BlockCipherKey, BroadcastKey, DedicatedKey, AuthenticationKey,\n"
    "               MasterKey, ClientSystemTitle, ServerSystemTitle. With\n"
    "               --each-line the system titles of AARQ and AARE lines serve\n"
    "               the lines that follow\n"
    "  --key Name=HEX  one key or system title (may be repeated). Warning: the\n"
    "               command line is visible to other users in the process list;\n"
    "               a keys file readable only by you is the safe way\n"
    "  --help       print this text\n"
    "  --version    print the version and build number\n"
    "\n"
    "An HDLC frame that carries no APDU (SNRM, UA, RR, ...) is reported on\n"
    "standard error as skipped and is no failure.\n"
    "\n"
    "Exit status: 0 translated; 1 not translated (with --each-line: any line);\n"
    "2 wrong usage; 3 the input could not be read or the output not written.\n";

class TOutput {
public:
    explicit TOutput(FILE* Stream) : FStream(Stream) {}
    void Write(std::string_view Text) { std::fwrite(Text.data(), 1, Text.size(), FStream); }
    void Line(std::string_view Text) {
        Write(Text);
        std::fputc('\n', FStream);
    }
    void Lines(const std::vector<std::string>& Lines) {
        for (const std::string& line : Lines) Line(line);
    }
    // The destination text: XML as the entry point wrote it (its lines end
    // with CR LF), hex digits as one line.
    void Translation(const TTranslateOutcome& Outcome) {
        if (Outcome.HexToXml) Write(Outcome.Text);
        else Line(Outcome.Text);
    }
    bool Finish() { return std::fflush(FStream) == 0 && !std::ferror(FStream); }

private:
    FILE* FStream;
};

// Reads a stream line by line through one buffer: memory stays flat however
// many lines there are. Lines lose their LF and a CR before it.
class TLineReader {
public:
    explicit TLineReader(FILE* Stream) : FStream(Stream), FBuffer(1 << 16) {}

    bool Next(std::string_view& Line) {
        if (FCarryTaken) {
            FCarry.clear();
            FCarryTaken = false;
        }
        for (;;) {
            const char* begin = FBuffer.data() + FBegin;
            if (const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', FEnd - FBegin))) {
                FBegin += static_cast<size_t>(lf - begin) + 1;
                if (FCarry.empty()) return Take(std::string_view(begin, static_cast<size_t>(lf - begin)), Line);
                FCarry.append(begin, lf);
                FCarryTaken = true;
                return Take(FCarry, Line);
            }
            FCarry.append(begin, FEnd - FBegin);
            FBegin = FEnd = 0;
            if (FAtEnd) break;
            FEnd = std::fread(FBuffer.data(), 1, FBuffer.size(), FStream);
            FAtEnd = FEnd == 0;
        }
        if (FCarry.empty()) return false;  // the input ended with a line feed, or was empty
        FCarryTaken = true;
        return Take(FCarry, Line);
    }

    bool Failed() const { return std::ferror(FStream) != 0; }

private:
    static bool Take(std::string_view Text, std::string_view& Line) {
        if (!Text.empty() && Text.back() == '\r') Text.remove_suffix(1);
        Line = Text;
        return true;
    }

    FILE* FStream;
    std::vector<char> FBuffer;
    size_t FBegin = 0;
    size_t FEnd = 0;
    bool FAtEnd = false;
    std::string FCarry;  // a line that spans buffer refills
    bool FCarryTaken = false;
};

// The kind of a whole input, for --json.
std::string_view InputKind(std::string_view Text, const TTranslateOutcome& Outcome) {
    if (!Outcome.HexToXml) return "xml";
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\r' || Text.front() == '\n')) Text.remove_prefix(1);
    if (Text.starts_with("7E")) return "frame";
    if (Text.starts_with("00 01") || Text.starts_with("0001") || Text.starts_with("00-01")) return "wrapper";
    if (vantrel::trace::THexDump::Opens(Text.substr(0, Text.find('\n')))) return "dump";
    return "hex";
}

// The notes of a translation as warnings on stderr, Place naming the input
// (and line); returns whether there were any.
bool Warn(const TTranslateOutcome& Outcome, const std::string& Place) {
    if (!Outcome.Notes.empty()) std::fflush(stdout);  // after the translation it is about, on a terminal too
    for (const std::string& note : Outcome.Notes) std::fprintf(stderr, "%s: warning: %s\n", Place.c_str(), note.c_str());
    return !Outcome.Notes.empty();
}

int TranslateWholeJson(const std::string& Text, const std::string& InputName, const vantrel::TTranslateOptions& Options,
                       bool Strict) {
    const TTranslateOutcome outcome = vantrel::TranslateText(Text, Options);
    vantrel::cli::TUnitWriter writer(stdout, true);
    vantrel::cli::TUnitPlace place;
    place.Where = "input";
    place.Label = InputName;
    place.Input = InputKind(Text, outcome);
    writer.Write(place, outcome);
    if (outcome.Kind == TTranslateOutcome::Translated) return Warn(outcome, InputName) && Strict ? kNotTranslated : kTranslated;
    return outcome.FrameWithoutApdu ? kTranslated : kNotTranslated;
}

int TranslateWhole(FILE* In, const std::string& InputName, const vantrel::TTranslateOptions& Options, bool Strict,
                   TOutput& Out, bool Json) {
    std::string text;
    char chunk[1 << 16];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, In)) > 0;) text.append(chunk, n);
    if (std::ferror(In)) {
        std::fprintf(stderr, "vantrel-cli: cannot read %s\n", InputName.c_str());
        return kInputOutput;
    }
    if (Json) return TranslateWholeJson(text, InputName, Options, Strict);
    const TTranslateOutcome outcome = vantrel::TranslateText(text, Options);
    Out.Lines(outcome.FrameDescription);
    switch (outcome.Kind) {
    case TTranslateOutcome::Translated:
        Out.Translation(outcome);
        return Warn(outcome, InputName) && Strict ? kNotTranslated : kTranslated;
    case TTranslateOutcome::EntryFailure:
        std::fprintf(stderr, "%s:%d:%d: %s\n", InputName.c_str(), outcome.Line, outcome.Column, outcome.Text.c_str());
        return kNotTranslated;
    case TTranslateOutcome::Beep:
        if (outcome.FrameWithoutApdu) {  // a well-formed frame with nothing to translate is no failure
            std::fprintf(stderr, "%s: skipped: %s\n", InputName.c_str(), outcome.Text.c_str());
            return kTranslated;
        }
        [[fallthrough]];
    case TTranslateOutcome::HexFailure:
        std::fprintf(stderr, "%s: %s\n", InputName.c_str(), outcome.Text.c_str());
        return kNotTranslated;
    }
    return kNotTranslated;
}

// Every line on its own, as the trace reader makes units of them: today's
// inputs one a line, and the new forms (log lines, dump blocks, joined
// segments, WRAPPER PDUs).
// With keys, an AARQ's or AARE's system title serves the units after it.
int TranslateEachLine(FILE* In, const std::string& InputName, const vantrel::TTranslateOptions& Options,
                      VantrelKeys* Keys, bool Strict, bool Json) {
    TLineReader reader(In);
    vantrel::cli::TUnitWriter writer(stdout, Json);
    long long warned = 0;  // units translated with octets after the end of the APDU
    vantrel::trace::TTraceReader trace(Options, [&](vantrel::trace::TTraceUnit& Unit) {
                                           if (Keys) vantrel::LearnSystemTitles(Unit.Outcome, *Keys);
                                           vantrel::cli::TUnitPlace place;
                                           place.Number = Unit.Line;
                                           place.FirstLine = Unit.FirstLine;
                                           place.Lines = Unit.Lines;
                                           place.Label = Unit.Label;
                                           place.Input = vantrel::trace::InputName(Unit.Input);
                                           writer.Write(place, Unit.Outcome);
                                           if (Unit.Outcome.Kind == TTranslateOutcome::Translated)
                                               warned += Warn(Unit.Outcome, InputName + ":" + std::to_string(Unit.Line));
                                       });
    std::string_view line;
    long long number = 0;
    while (reader.Next(line)) trace.Line(++number, line);
    trace.Finish();
    if (reader.Failed()) {
        std::fprintf(stderr, "vantrel-cli: cannot read %s\n", InputName.c_str());
        return kInputOutput;
    }
    if (writer.Failed() == 0) return warned != 0 && Strict ? kNotTranslated : kTranslated;
    std::fprintf(stderr, "vantrel-cli: %lld of %lld lines not translated\n", writer.Failed(), writer.Units());
    return kNotTranslated;
}

int Usage(const char* Problem) {
    std::fprintf(stderr, "vantrel-cli: %s\n%s", Problem, kUsageText);
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    bool eachLine = false;
    vantrel::TTranslateOptions options;
    bool strict = false;
    VantrelKeys keys;
    bool withKeys = false;
    std::string keyFault;
    bool json = false;
    long port = 4059;
    const char* path = nullptr;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--each-line") eachLine = true;
            else if (arg == "--frame") options.DescribeFrame = true;
            else if (arg == "--annotate") options.Annotate = true;
            else if (arg == "--keys" || arg == "--key") {
                if (i + 1 == argc) return Usage((std::string(arg) + " needs a value").c_str());
                const bool ok = arg == "--keys" ? vantrel::ReadKeyFile(argv[++i], keys, keyFault)
                                                : vantrel::SetKeyLine(argv[++i], keys, keyFault);
                if (!ok) return Usage((std::string(arg) + ": " + keyFault).c_str());
                withKeys = true;
            }
            else if (arg == "--strict") strict = true;
            else if (arg == "--json") json = true;
            else if (arg == "--map") options.Map = true;
            else if (arg == "--port") {
                char* end = nullptr;
                port = i + 1 < argc ? std::strtol(argv[++i], &end, 10) : -1;
                if (port < 1 || port > 65535 || !end || *end) return Usage("--port needs a number from 1 to 65535");
            }
            else if (arg == "--") optionsEnded = true;
            else if (arg == "--help" || arg == "-h") {
                std::fputs(kUsageText, stdout);
                return std::fflush(stdout) == 0 ? kTranslated : kInputOutput;
            } else if (arg == "--version") {
                std::printf("%s %s\n", vantrel::kProductName, vantrel::VersionText().c_str());
                return std::fflush(stdout) == 0 ? kTranslated : kInputOutput;
            } else {
                return Usage(("unknown option " + std::string(arg)).c_str());
            }
        } else if (path) {
            return Usage("more than one input");
        } else {
            path = argv[i];
        }
    }

    if (options.Map && !json) return Usage("--map needs --json");
    if (withKeys) options.Keys = &keys;
    const bool fromStdin = !path || std::strcmp(path, "-") == 0;
    const std::string inputName = fromStdin ? "<stdin>" : path;
    if (!fromStdin && vantrel::cli::IsCaptureFile(path)) {
        static char captureBuffer[1 << 16];
        std::setvbuf(stdout, captureBuffer, _IOFBF, sizeof captureBuffer);
        vantrel::cli::TUnitWriter writer(stdout, json);
        int status = vantrel::cli::TranslateCapture(path, inputName, static_cast<uint16_t>(port),
                                                    options, writer, withKeys ? &keys : nullptr);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "vantrel-cli: cannot write the output\n");
            status = kInputOutput;
        }
        return status;
    }
    FILE* in = fromStdin ? stdin : std::fopen(path, "rb");
    if (!in) {
        std::fprintf(stderr, "vantrel-cli: cannot open %s: %s\n", path, std::strerror(errno));
        return kInputOutput;
    }
    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    TOutput out(stdout);
    int status = eachLine ? TranslateEachLine(in, inputName, options, withKeys ? &keys : nullptr, strict, json)
                          : TranslateWhole(in, inputName, options, strict, out, json);
    if (!fromStdin) std::fclose(in);
    if (!out.Finish()) {
        std::fprintf(stderr, "vantrel-cli: cannot write the output\n");
        status = kInputOutput;
    }
    return status;
}
