#include "Arguments.h"

#include <charconv>

#include "TerminalText.h"

namespace vantrel::cli {

namespace {

// One option: its name, whether a value follows, and what it sets (a usage
// error, or empty).
struct TOption {
    std::string_view Name;
    bool TakesValue;
    std::string (*Apply)(TArguments& Arguments, std::string_view Value);
};

std::string SetPort(TArguments& Arguments, std::string_view Value) {
    unsigned port = 0;
    const auto [end, fault] = std::from_chars(Value.data(), Value.data() + Value.size(), port);
    if (Value.empty() || fault != std::errc() || end != Value.data() + Value.size() || port < 1 || port > 65535)
        return "--port needs a number from 1 to 65535";
    Arguments.Port = static_cast<uint16_t>(port);
    return {};
}

constexpr TOption kOptions[] = {
    {"--each-line", false, [](TArguments& A, std::string_view) { A.EachLine = true; return std::string(); }},
    {"--frame", false, [](TArguments& A, std::string_view) { A.Translate.DescribeFrame = true; return std::string(); }},
    {"--annotate", false, [](TArguments& A, std::string_view) { A.Translate.Annotate = true; return std::string(); }},
    {"--strict", false, [](TArguments& A, std::string_view) { A.Strict = true; return std::string(); }},
    {"--json", false, [](TArguments& A, std::string_view) { A.Json = true; return std::string(); }},
    {"--map", false, [](TArguments& A, std::string_view) { A.Translate.Map = true; return std::string(); }},
    {"--port", true, SetPort},
    {"--keys", true, [](TArguments& A, std::string_view V) { A.Keys.push_back({true, V}); return std::string(); }},
    {"--key", true, [](TArguments& A, std::string_view V) { A.Keys.push_back({false, V}); return std::string(); }},
    {"--help", false, [](TArguments& A, std::string_view) { A.Help = true; return std::string(); }},
    {"-h", false, [](TArguments& A, std::string_view) { A.Help = true; return std::string(); }},
    {"--version", false, [](TArguments& A, std::string_view) { A.Version = true; return std::string(); }},
};

const TOption* FindOption(std::string_view Name) noexcept {
    for (const TOption& option : kOptions)
        if (option.Name == Name) return &option;
    return nullptr;
}

}  // namespace

TParsedArguments ParseArguments(int Argc, const char* const* Argv) {
    TParsedArguments parsed;
    TArguments& arguments = parsed.Arguments;
    bool optionsEnded = false;
    bool havePath = false;
    for (int i = 1; i < Argc; ++i) {
        const std::string_view arg = Argv[i] ? Argv[i] : "";
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (havePath) {
                parsed.UsageError = "more than one input";
                return parsed;
            }
            arguments.Path = arg;
            havePath = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const TOption* option = FindOption(name);
        if (!option) {
            parsed.UsageError = "unknown option " + TerminalSafe(name);
            return parsed;
        }
        std::string_view value;
        if (equals != std::string_view::npos) {
            if (!option->TakesValue) {
                parsed.UsageError = std::string(name) + " takes no value";
                return parsed;
            }
            value = arg.substr(equals + 1);
        } else if (option->TakesValue) {
            if (i + 1 == Argc || !Argv[i + 1]) {
                parsed.UsageError = std::string(name) + " needs a value";
                return parsed;
            }
            value = Argv[++i];
        }
        parsed.UsageError = option->Apply(arguments, value);
        if (!parsed.UsageError.empty() || arguments.Help || arguments.Version) return parsed;
    }
    if (arguments.Translate.Map && !arguments.Json) parsed.UsageError = "--map needs --json";
    return parsed;
}

}  // namespace vantrel::cli
