// The command line's pieces on their own: the argument parser, the keys
// loader, the escaping of input text for the terminal, and the input
// readers with their bounds.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DriverSupport.h"
#include "Src/cli/Arguments.h"
#include "Src/cli/InputReader.h"
#include "Src/cli/KeyFile.h"
#include "Src/cli/TerminalText.h"

namespace {

using vantrel::cli::ParseArguments;
using vantrel::cli::TParsedArguments;

TParsedArguments Parse(std::vector<const char*> Args) {
    Args.insert(Args.begin(), "vantrel-cli");
    return ParseArguments(static_cast<int>(Args.size()), Args.data());
}

TEST(CliArguments, OptionsAndTheirValues) {
    struct TRow {
        std::vector<const char*> Args;
        const char* Want;  // the options read, written out by Describe below
    };
    const auto describe = [](const vantrel::cli::TArguments& a) {
        std::string s;
        if (a.EachLine) s += "each-line ";
        if (a.Translate.DescribeFrame) s += "frame ";
        if (a.Translate.Annotate) s += "annotate ";
        if (a.Strict) s += "strict ";
        if (a.Json) s += "json ";
        if (a.Help) s += "help ";
        if (a.Version) s += "version ";
        if (a.Port != 0) s += "port=" + std::to_string(a.Port) + " ";  // 0: every port
        for (const auto& k : a.Keys) s += (k.File ? "keys=" : "key=") + std::string(k.Text) + " ";
        s += "path=" + std::string(a.Path);
        return s;
    };
    const TRow kRows[] = {
        {{}, "path="},
        {{"-"}, "path=-"},
        {{"--each-line", "--frame", "--annotate", "--strict", "--json", "in.log"},
         "each-line frame annotate strict json path=in.log"},
        {{"--port", "5000", "--port=1"}, "port=1 path="},
        {{"--keys", "a.keys", "--key", "DedicatedKey=00", "--keys=b.keys", "--key=X=Y=Z"},
         "keys=a.keys key=DedicatedKey=00 keys=b.keys key=X=Y=Z path="},
        {{"--", "--frame"}, "path=--frame"},
        {{"--", "-"}, "path=-"},
        // --help and --version end the parsing where they stand.
        {{"--help", "--bogus", "a", "b"}, "help path="},
        {{"-h"}, "help path="},
        {{"--version", "--port", "0"}, "version path="},
        {{"--key", "--frame"}, "key=--frame path="},  // a value may look like an option
    };
    for (const TRow& r : kRows) {
        const TParsedArguments p = Parse(r.Args);
        SCOPED_TRACE(r.Want);
        EXPECT_EQ(p.UsageError, "");
        EXPECT_EQ(describe(p.Arguments), r.Want);
    }
}

TEST(CliArguments, UsageErrorsNeverShowAValue) {
    struct TRow {
        std::vector<const char*> Args;
        const char* Error;
    };
    const TRow kRows[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"--key=BlockCipherKey=000102030405060708090A0B0C0D0E0F", "--blockcipherkey=000102030405060708090A0B0C0D0E0F"},
         "unknown option --blockcipherkey"},
        {{"-x"}, "unknown option -x"},
        {{"--keyz=000102030405060708090A0B0C0D0E0F"}, "unknown option --keyz"},
        {{"--\x1b]0;title\x07"}, "unknown option --\\x1B]0;title\\x07"},
        {{"--frame=000102030405060708090A0B0C0D0E0F"}, "--frame takes no value"},
        {{"--key"}, "--key needs a value"},
        {{"--keys"}, "--keys needs a value"},
        {{"--port"}, "--port needs a value"},
        {{"--port", "0"}, "--port needs a number from 1 to 65535"},
        {{"--port=65536"}, "--port needs a number from 1 to 65535"},
        {{"--port", "80x"}, "--port needs a number from 1 to 65535"},
        {{"--port="}, "--port needs a number from 1 to 65535"},
        {{"--port", "99999999999999999999"}, "--port needs a number from 1 to 65535"},
        {{"a", "b"}, "more than one input"},
        {{"a", "--", "b"}, "more than one input"},
    };
    for (const TRow& r : kRows) {
        const TParsedArguments p = Parse(r.Args);
        SCOPED_TRACE(r.Error);
        EXPECT_EQ(p.UsageError, r.Error);
        EXPECT_EQ(p.UsageError.find("0001020304"), std::string::npos);
    }
}

TEST(CliKeyLoader, LinesFilesAndTheirFaults) {
    struct TRow {
        const char* Text;
        const char* Message;  // empty: loaded
        std::vector<std::string> Warnings;
    };
    const TRow kRows[] = {
        {"BlockCipherKey = 000102030405060708090A0B0C0D0E0F\n", "", {}},
        {"\xEF\xBB\xBF" "BlockCipherKey = 000102030405060708090A0B0C0D0E0F\r\n", "", {}},  // a byte order mark
        {"  # only comments\n\n\t\n# BlockCipherKey = zz\n", "", {}},
        {"BlockCipherKey = 000102030405060708090A0B0C0D0E0F\nblockcipherkey = 0F0E0D0C0B0A09080706050403020100\n", "",
         {"k:2: warning: BlockCipherKey given again (first at k:1): this value is used"}},
        {"BlockCipherKey = 000102030405060708090A0B0C0D0E0F # trailing comment\n", "", {}},
        // A value where the name belongs, or a line without "=": the value never shows.
        {"000102030405060708090A0B0C0D0E0F = BlockCipherKey\n",
         "k:1: unknown key name (not shown: not a word of letters) (BlockCipherKey, BroadcastKey, DedicatedKey, "
         "AuthenticationKey, MasterKey, ClientSystemTitle, ServerSystemTitle)",
         {}},
        {"DEADBEEFCAFEBABEDEADBEEFCAFEBABE = x\n", "k:1: unknown key name (not shown: not a word of letters)", {}},
        {"000102030405060708090A0B0C0D0E0F\n", "k:1: expected Name = HEX", {}},
        {"\n\nPassword = 3132\n", "k:3: unknown key name \"Password\"", {}},
        {"\xEF\xBB\xBF\xEF\xBB\xBF" "BlockCipherKey = 00\n", "k:1: unknown key name (not shown", {}},  // one mark only
        {"AuthenticationKey = 0011\n", "k:1: AuthenticationKey: 2 octets, a key has 16", {}},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Text);
        VantrelKeys keys;
        vantrel::TKeyLoader loader(keys);
        std::string message;
        const bool ok = loader.Text(r.Text, "k", message);
        EXPECT_EQ(ok, *r.Message == '\0');
        if (!ok) {
            EXPECT_EQ(message.rfind(r.Message, 0), 0u) << message;
            EXPECT_EQ(message.find("0102030405"), std::string::npos) << message;
            EXPECT_EQ(message.find("DEADBEEF"), std::string::npos) << message;
        }
        EXPECT_EQ(loader.Warnings(), r.Warnings);
    }

    // The later value is the one used, and single keys count as places too.
    VantrelKeys keys;
    vantrel::TKeyLoader loader(keys);
    std::string message;
    ASSERT_TRUE(loader.Text("DedicatedKey = 000102030405060708090A0B0C0D0E0F\n", "k", message));
    ASSERT_TRUE(loader.Line("dedicatedKEY=0F0E0D0C0B0A09080706050403020100", "--key", message));
    EXPECT_EQ(vtest::Hex(keys.Get(VantrelKeys::DedicatedKey)), "0F0E0D0C0B0A09080706050403020100");
    EXPECT_EQ(loader.Warnings(), std::vector<std::string>{
                                     "--key: warning: DedicatedKey given again (first at k:1): this value is used"});
}

class CliKeyFile : public dtest::TCliTest {};

TEST_F(CliKeyFile, ReadWholeOrRefused) {
    VantrelKeys keys;
    vantrel::TKeyLoader loader(keys);
    std::string message;
    const std::string path = InputPath("big.keys");
    // At the bound: read (and all comment); one octet more: refused unread.
    std::string text = "ClientSystemTitle = 4D4D4D0000000001\n#";
    text.resize(vantrel::kMaxKeyFileSize, 'x');
    std::ofstream(path, std::ios::binary) << text;
    EXPECT_TRUE(loader.File(path, message)) << message;
    EXPECT_EQ(vtest::Hex(keys.Get(VantrelKeys::ClientSystemTitle)), "4D4D4D0000000001");
    std::ofstream(path, std::ios::binary) << text << "x";
    EXPECT_FALSE(loader.File(path, message));
    EXPECT_EQ(message, path + ": larger than 1 MiB, not read as a keys file");

    EXPECT_FALSE(loader.File(FDir + "/none", message));
    EXPECT_EQ(message, "cannot open " + FDir + "/none: No such file or directory");
    EXPECT_FALSE(loader.File("BlockCipherKey=000102030405060708090A0B0C0D0E0F", message));
    EXPECT_EQ(message, "cannot open the keys file: No such file or directory (its name holds \"=\" and is not shown: "
                       "--key takes Name=HEX)");
}

TEST(CliTerminalText, ControlsEscapedTextKept) {
    struct TRow {
        std::string In;
        std::string Out;
    };
    const TRow kRows[] = {
        {"2026-01-01 12:00:00.123 TX:", "2026-01-01 12:00:00.123 TX:"},
        {"tab\tstays", "tab\tstays"},
        {"\x1b]0;owned\x07", "\\x1B]0;owned\\x07"},   // window title
        {"\x1b[2J\x1b[H", "\\x1B[2J\\x1B[H"},          // clear screen, cursor home
        {"a\rb\nc\x7f", "a\\x0Db\\x0Ac\\x7F"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"Z\xc3\xa4hler \xe2\x86\x92 \xf0\x9f\x98\x80", "Z\xc3\xa4hler \xe2\x86\x92 \xf0\x9f\x98\x80"},  // UTF-8 kept
        {"\xc2\x9b" "31m", "\\u009B31m"},                 // C1 CSI as UTF-8
        {"\x9b" "31m", "\\x9B31m"},                       // C1 CSI as one octet
        {"ab\xe2\x80\xaeKCOL", "ab\\u202EKCOL"},          // right-to-left override
        {"\xe2\x80\xa8", "\\u2028"},
        {"\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 \xe2\x82", "\\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80 \\xE2\\x82"},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Out);
        EXPECT_EQ(vantrel::cli::TerminalSafe(r.In), r.Out);
    }
}

// The lines a reader with a bound of MaxLine gives for Text: "!" for a line
// that was too long.
std::vector<std::string> LinesOf(const std::string& Text, size_t MaxLine) {
    FILE* in = fmemopen(const_cast<char*>(Text.data()), Text.size(), "rb");
    std::vector<std::string> lines;
    if (!in) return lines;
    vantrel::cli::TLineReader reader(in, MaxLine);
    std::string_view line;
    while (reader.Next(line)) lines.push_back(reader.Overlong() ? "!" : std::string(line));
    std::fclose(in);
    return lines;
}

TEST(CliInputReader, LinesWithinTheirBound) {
    using TLines = std::vector<std::string>;
    const std::string big(100000, 'A');  // spans buffer refills
    struct TRow {
        std::string Text;
        size_t MaxLine;
        TLines Lines;
    };
    const TRow kRows[] = {
        {"", 4, {}},
        {"ab\ncd\r\n\nef", 4, {"ab", "cd", "", "ef"}},
        {"abcd\nabcde\nab\n", 4, {"abcd", "!", "ab"}},
        {"abcd\r\nabcde\r\n", 4, {"abcd", "!"}},
        {"abcde", 4, {"!"}},
        {"x\n" + big + "\ny\n" + big, big.size(), {"x", big, "y", big}},
        {"x\n" + big + "B\ny\n" + big + "B", big.size(), {"x", "!", "y", "!"}},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Text.substr(0, 20));
        EXPECT_EQ(LinesOf(r.Text, r.MaxLine), r.Lines);
    }
}

TEST(CliInputReader, WholeInputWithinItsBound) {
    for (const size_t size : {10, 65536, 65537, 200000}) {
        SCOPED_TRACE(size);
        std::string text(size, 'h');
        FILE* in = fmemopen(text.data(), text.size(), "rb");
        ASSERT_NE(in, nullptr);
        std::string read;
        const auto result = vantrel::cli::ReadWhole(in, read, 65536);
        std::fclose(in);
        if (size <= 65536) {
            EXPECT_EQ(result, vantrel::cli::TReadResult::Read);
            EXPECT_EQ(read.size(), size);
        } else {
            EXPECT_EQ(result, vantrel::cli::TReadResult::TooLarge);
            EXPECT_EQ(read, "");
        }
    }
}

}  // namespace
