// The command line's argument parser: the input is the arguments, separated
// by NUL octets. Any vector gives options or one usage error, and the error
// is one of the parser's own messages, naming at most an option up to its
// "=": never a value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "Src/cli/Arguments.h"
#include "Src/cli/TerminalText.h"

namespace {

void Check(bool Condition) {
    if (!Condition) std::abort();
}

bool Within(std::string_view Part, const std::vector<std::string>& Arguments) {
    for (const std::string& a : Arguments)
        if (Part.data() >= a.data() && Part.data() + Part.size() <= a.data() + a.size()) return true;
    return false;
}

bool KnownError(const std::string& Error, const std::vector<std::string>& Arguments) {
    static const char* const kFixed[] = {
        "more than one input",       "--port needs a number from 1 to 65535", "--port needs a value",
        "--keys needs a value",      "--key needs a value",                   "--map needs --json",
    };
    for (const char* fixed : kFixed)
        if (Error == fixed) return true;
    for (const char* flag :
         {"--each-line", "--frame", "--annotate", "--strict", "--json", "--map", "--help", "-h", "--version"})
        if (Error == std::string(flag) + " takes no value") return true;
    for (const std::string& a : Arguments) {
        const std::string_view name = std::string_view(a).substr(0, a.find('='));
        if (Error == "unknown option " + vantrel::cli::TerminalSafe(name)) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 12) return 0;
    const std::string_view input(reinterpret_cast<const char*>(Data), Size);
    std::vector<std::string> arguments;
    for (size_t at = 0; at <= input.size() && arguments.size() < 64;) {
        const size_t end = std::min(input.find('\0', at), input.size());
        arguments.emplace_back(input.substr(at, end - at));
        at = end + 1;
    }
    std::vector<const char*> argv{"vantrel-cli"};
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    const vantrel::cli::TParsedArguments parsed = vantrel::cli::ParseArguments(static_cast<int>(argv.size()), argv.data());
    if (!parsed.UsageError.empty()) {
        Check(KnownError(parsed.UsageError, arguments));
        for (unsigned char c : parsed.UsageError) Check((c >= 0x20 && c != 0x7F) || c == '\t');
        return 0;
    }
    const vantrel::cli::TArguments& a = parsed.Arguments;
    Check(!a.Translate.Map || a.Json || a.Help || a.Version);  // the map only goes out as JSON
    Check(a.Path.empty() || Within(a.Path, arguments));
    for (const vantrel::cli::TKeyArgument& key : a.Keys) Check(key.Text.empty() || Within(key.Text, arguments));
    Check(a.Translate.Keys == nullptr);
    return 0;
}
