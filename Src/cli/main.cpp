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
#include "Arguments.h"
#include "Capture.h"
#include "InputReader.h"
#include "KeyFile.h"
#include "TerminalText.h"
#include "UnitWriter.h"

namespace {

using vantrel::TTranslateOutcome;
using vantrel::cli::TerminalSafe;

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
    "offsets, log lines, segmented HDLC frames, frames wrapped over lines and\n"
    "wired M-Bus frames. A packet capture file (pcap, pcapng) is read for the\n"
    "APDUs on TCP and UDP port 4059 and on any port that carries WRAPPER PDUs\n"
    "or HDLC frames.\n"
    "\n"
    "Options:\n"
    "  --each-line  every non-empty line is one APDU or HDLC frame, translated on\n"
    "               its own; each result follows a line \"line N:\", a failure is\n"
    "               one line \"line N: ...\" in the output; HDLC frames that\n"
    "               carry no whole APDU are reported as skipped, not as failures\n"
    "               (log lines: the octets are taken from the text around them;\n"
    "               hex dump blocks and segmented frames are joined; after the\n"
    "               last data block or general block transfer block of a\n"
    "               longer transfer its joined APDU follows)\n"
    "  --frame      print the description of an HDLC or M-Bus frame, WRAPPER\n"
    "               header or LLC header before its translation\n"
    "  --annotate   explain values in XML comments (logical and class names,\n"
    "               decimals, date-times); the XML reads back to the same octets\n"
    "  --strict     exit 1 when a translation is not exact (octets after the\n"
    "               end of an APDU, octets its XML does not give back, a ciphered\n"
    "               APDU that does not decipher...): each is named in a warning\n"
    "               on standard error; a capture also when packets were dropped\n"
    "  --json       one JSON object per translated unit (JSON Lines)\n"
    "  --map        with --json: each APDU's \"fields\", the octets (offset,\n"
    "               length) and XML line of every element, and \"apdu_offset\"\n"
    "               where the APDU was unwrapped from a frame or header\n"
    "  --port N     read a capture file's TCP/UDP port N alone (by default port\n"
    "               4059 and the ports DLMS is recognised on)\n"
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
    "An option's value may also follow an \"=\": --port=5000.\n"
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
        for (const std::string& line : Lines) Line(TerminalSafe(line));
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
    for (const std::string& note : Outcome.Notes)
        std::fprintf(stderr, "%s: warning: %s\n", Place.c_str(), TerminalSafe(note).c_str());
    return !Outcome.Notes.empty();
}

// The input's name as messages show it (escaped), and as JSON carries it.
struct TInputName {
    std::string Shown;
    std::string Raw;
};

int TranslateWholeJson(const std::string& Text, const TInputName& Name, const vantrel::TTranslateOptions& Options,
                       bool Strict) {
    const TTranslateOutcome outcome = vantrel::TranslateText(Text, Options);
    vantrel::cli::TUnitWriter writer(stdout, true);
    vantrel::cli::TUnitPlace place;
    place.Where = "input";
    place.Label = Name.Raw;
    place.Input = InputKind(Text, outcome);
    writer.Write(place, outcome);
    if (outcome.Kind == TTranslateOutcome::Translated) return Warn(outcome, Name.Shown) && Strict ? kNotTranslated : kTranslated;
    return outcome.FrameWithoutApdu ? kTranslated : kNotTranslated;
}

int TranslateWhole(FILE* In, const TInputName& Name, const vantrel::TTranslateOptions& Options, bool Strict,
                   TOutput& Out, bool Json) {
    std::string text;
    switch (vantrel::cli::ReadWhole(In, text)) {
    case vantrel::cli::TReadResult::Read:
        break;
    case vantrel::cli::TReadResult::Failed:
        std::fprintf(stderr, "vantrel-cli: cannot read %s\n", Name.Shown.c_str());
        return kInputOutput;
    case vantrel::cli::TReadResult::TooLarge:
        std::fprintf(stderr, "%s: larger than 64 MiB, not translated (--each-line reads logs of any size)\n",
                     Name.Shown.c_str());
        return kNotTranslated;
    }
    if (Json) return TranslateWholeJson(text, Name, Options, Strict);
    const TTranslateOutcome outcome = vantrel::TranslateText(text, Options);
    Out.Lines(outcome.FrameDescription);
    const char* name = Name.Shown.c_str();
    switch (outcome.Kind) {
    case TTranslateOutcome::Translated:
        Out.Translation(outcome);
        return Warn(outcome, Name.Shown) && Strict ? kNotTranslated : kTranslated;
    case TTranslateOutcome::EntryFailure:
        std::fprintf(stderr, "%s:%d:%d: %s\n", name, outcome.Line, outcome.Column, TerminalSafe(outcome.Text).c_str());
        return kNotTranslated;
    case TTranslateOutcome::Beep:
        if (outcome.FrameWithoutApdu) {  // a well-formed frame with nothing to translate is no failure
            std::fprintf(stderr, "%s: skipped: %s\n", name, TerminalSafe(outcome.Text).c_str());
            return kTranslated;
        }
        [[fallthrough]];
    case TTranslateOutcome::HexFailure:
        std::fprintf(stderr, "%s: %s\n", name, TerminalSafe(outcome.Text).c_str());
        return kNotTranslated;
    }
    return kNotTranslated;
}

// Every line on its own, as the trace reader makes units of them: today's
// inputs one a line, and the new forms (log lines, dump blocks, joined
// segments, WRAPPER PDUs).
// With keys, an AARQ's or AARE's system title serves the units after it.
int TranslateEachLine(FILE* In, const TInputName& Name, const vantrel::TTranslateOptions& Options,
                      VantrelKeys* Keys, bool Strict, bool Json) {
    vantrel::cli::TLineReader reader(In);
    vantrel::cli::TUnitWriter writer(stdout, Json);
    long long warned = 0;  // units translated with octets after the end of the APDU
    // The blocks of longer transfers joined: one more unit after the last block.
    vantrel::join::TBlockJoin blocks(Options, "line", [&](vantrel::join::TJoinedUnit& Joined) {
        writer.WriteJoined(Joined);
        warned += Warn(Joined.Outcome, Name.Shown + ":" + std::to_string(Joined.Number));
    });
    vantrel::trace::TTraceReader trace(blocks.ReaderOptions(Options), [&](vantrel::trace::TTraceUnit& Unit) {
                                           if (Keys) vantrel::LearnSystemTitles(Unit.Outcome, *Keys);
                                           vantrel::cli::TUnitPlace place;
                                           place.Number = Unit.Line;
                                           place.FirstLine = Unit.FirstLine;
                                           place.Lines = Unit.Lines;
                                           place.Label = Unit.Label;
                                           place.Input = vantrel::trace::InputName(Unit.Input);
                                           writer.Write(place, Unit.Outcome);
                                           if (Unit.Outcome.Kind == TTranslateOutcome::Translated)
                                               warned += Warn(Unit.Outcome, Name.Shown + ":" + std::to_string(Unit.Line));
                                           blocks.Take(Unit.Outcome, Unit.Line);
                                       });
    std::string_view line;
    long long number = 0;
    while (reader.Next(line)) {
        trace.Line(++number, line);
        if (reader.Overlong()) {  // read as a blank line: a dump block before it ends
            vantrel::cli::TUnitPlace place;
            place.Number = number;
            writer.WriteProblem(place, "longer than 16 MiB, not read");
        }
    }
    trace.Finish();
    blocks.Finish();
    if (reader.Failed()) {
        std::fprintf(stderr, "vantrel-cli: cannot read %s\n", Name.Shown.c_str());
        return kInputOutput;
    }
    if (writer.Failed() == 0) return warned != 0 && Strict ? kNotTranslated : kTranslated;
    std::fprintf(stderr, "vantrel-cli: %lld of %lld lines not translated\n", writer.Failed(), writer.Units());
    return kNotTranslated;
}

// A usage error: the problem and the usage text.
int Usage(const std::string& Problem) {
    std::fprintf(stderr, "vantrel-cli: %s\n%s", Problem.c_str(), kUsageText);
    return kUsage;
}

// Reads the keys of the command line into Keys, in the order given; a fault
// is one line on stderr.
bool LoadKeys(const std::vector<vantrel::cli::TKeyArgument>& Given, VantrelKeys& Keys) {
    vantrel::TKeyLoader loader(Keys);
    std::string message;
    for (const vantrel::cli::TKeyArgument& key : Given) {
        const bool ok = key.File ? loader.File(std::string(key.Text), message) : loader.Line(key.Text, "--key", message);
        if (!ok) {
            std::fprintf(stderr, "vantrel-cli: %s: %s\n", key.File ? "--keys" : "--key", message.c_str());
            return false;
        }
    }
    for (const std::string& warning : loader.Warnings()) std::fprintf(stderr, "vantrel-cli: %s\n", warning.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const vantrel::cli::TParsedArguments parsed = vantrel::cli::ParseArguments(argc, argv);
    if (!parsed.UsageError.empty()) return Usage(parsed.UsageError);
    const vantrel::cli::TArguments& arguments = parsed.Arguments;
    if (arguments.Help) {
        std::fputs(kUsageText, stdout);
        return std::fflush(stdout) == 0 ? kTranslated : kInputOutput;
    }
    if (arguments.Version) {
        std::printf("%s %s\n", vantrel::kProductName, vantrel::VersionText().c_str());
        return std::fflush(stdout) == 0 ? kTranslated : kInputOutput;
    }
    VantrelKeys keys;
    const bool withKeys = !arguments.Keys.empty();
    if (withKeys && !LoadKeys(arguments.Keys, keys)) return kUsage;
    vantrel::TTranslateOptions options = arguments.Translate;
    if (withKeys) options.Keys = &keys;

    const std::string path(arguments.Path);
    const bool fromStdin = path.empty() || path == "-";
    const TInputName inputName{fromStdin ? "<stdin>" : TerminalSafe(path), fromStdin ? "<stdin>" : path};
    FILE* in = fromStdin ? stdin : std::fopen(path.c_str(), "rb");
    if (!in) {
        const int fault = errno;
        if (vantrel::ShowableFileName(path))
            std::fprintf(stderr, "vantrel-cli: cannot open %s: %s\n", inputName.Shown.c_str(), std::strerror(fault));
        else  // it may be a key given where the input belongs
            std::fprintf(stderr, "vantrel-cli: cannot open the input: %s (its name holds \"=\" and is not shown)\n",
                         std::strerror(fault));
        return kInputOutput;
    }
    bool capture = false;
    if (!(in = vantrel::cli::PeekCapture(in, capture))) {
        std::fprintf(stderr, "vantrel-cli: cannot read %s\n", inputName.Shown.c_str());
        return kInputOutput;
    }
    if (capture) {
        static char captureBuffer[1 << 16];
        std::setvbuf(stdout, captureBuffer, _IOFBF, sizeof captureBuffer);
        vantrel::cli::TUnitWriter writer(stdout, arguments.Json);
        int status = vantrel::cli::TranslateCaptureStream(in, inputName.Shown, {arguments.Port, arguments.Strict},
                                                          options, writer, withKeys ? &keys : nullptr);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "vantrel-cli: cannot write the output\n");
            status = kInputOutput;
        }
        return status;
    }
    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    TOutput out(stdout);
    int status = arguments.EachLine
                     ? TranslateEachLine(in, inputName, options, withKeys ? &keys : nullptr, arguments.Strict, arguments.Json)
                     : TranslateWhole(in, inputName, options, arguments.Strict, out, arguments.Json);
    if (in != stdin) std::fclose(in);
    if (!out.Finish()) {
        std::fprintf(stderr, "vantrel-cli: cannot write the output\n");
        status = kInputOutput;
    }
    return status;
}
