// The command line of vantrel-cli: the arguments in, the options or a usage
// error out. Nothing is read here (keys files are read by the caller), so
// tests and the fuzzer drive it with any argument vector.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../translate/Translate.h"

namespace vantrel::cli {

// A key argument, in the order given: a keys file (--keys) or one key
// (--key Name=HEX). Text points into the argument vector.
struct TKeyArgument {
    bool File = false;
    std::string_view Text;
};

struct TArguments {
    bool EachLine = false;
    bool Strict = false;
    bool Json = false;
    bool Help = false;     // --help: print the usage text, nothing else
    bool Version = false;  // --version
    TTranslateOptions Translate;  // its Keys stay null: the caller sets them once it has read them
    uint16_t Port = 0;  // --port N: that port alone; 0: DLMS's port, and DLMS recognised on the others
    std::string_view Path;  // the input; empty (or "-") for standard input
    std::vector<TKeyArgument> Keys;
};

struct TParsedArguments {
    TArguments Arguments;
    std::string UsageError;  // empty when the arguments are fine
};

// Options are "--name", and those that take a value "--name VALUE" or
// "--name=VALUE"; "--" ends the options, "-" is standard input. --help and
// --version end the parsing where they stand. A usage error never shows the
// value given to an option, nor anything after "=".
TParsedArguments ParseArguments(int Argc, const char* const* Argv);

}  // namespace vantrel::cli
