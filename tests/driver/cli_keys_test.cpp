// The command-line translator with keys: a keys file, --key, and a capture
// log of a ciphered association that translates with the keys alone.
#include <gtest/gtest.h>

#include <algorithm>

#include "DriverSupport.h"
#include "xmlPdu/security/Cipher.h"

namespace {

using dtest::TRun;
class CliKeys : public dtest::TCliTest {
protected:
    TRun Run(std::string Args, const std::string& Input, const std::string& Keys = "") {
        return TCliTest::Run(std::move(Args), Input, "in", Keys);
    }
};

// The ciphered session of the public Go DLMS client's tests
// ("TestClient_CompleteSecureCommunication"): AARQ, AARE, ded GET request
// and response. No system title is typed: the AARQ and AARE name them.
const char kKeysFile[] =
    "# keys of the test session\n"
    "BlockCipherKey = 00112233445566778899AABBCCDDEEFF\n"
    "AuthenticationKey = 0011 2233 4455 6677 8899 AABB CCDD EEFF   # blanks allowed\n"
    "\n"
    "dedicatedkey=5E168412318BA71848C99B2B2AB33294\n";
const char kLog[] =
    "6066A109060760857405080103A60A040843495200000000018A0207808B0760857405080201AC0A80084A7553363642435A"
    "BE3404322130300000005992D807DBCF8533E9AD675AE0948241FB8E6CF9AFA7006BAA134A473C9151B3362F56DC12F89E85DA97E176\n"
    "6148A109060760857405080103A203020100A305A103020100A40A04084C475A2022604828"
    "BE230421281F300000005AE916783AF33B5317AD0E453A799A65F26AE97660CF8B14FEB7B0\n"
    "D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF\n"
    "D4233000000001AA07A549F82E6B8EEA919659D91689BF995BE6F93C95A7208718A3B84EE4\n";

TEST_F(CliKeys, EachLineLearnsTheSystemTitlesOfTheAssociation) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const TRun run = Run("--each-line --keys {keys}", kLog, kKeysFile);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out.find("<!--"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("<ded_GetRequest>\r\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("<ded_GetResponse>\r\n"), std::string::npos) << run.Out;

    // Without the AARQ line the request has no client title to go with.
    const std::string log = kLog;
    const TRun alone = Run("--each-line --keys {keys}", log.substr(log.find("D01E")), kKeysFile);
    EXPECT_NE(alone.Out.find("<!-- no ClientSystemTitle --> <ded_GetRequest Value="), std::string::npos) << alone.Out;
    // The same request with the title given on the command line.
    const TRun given = Run("--key ClientSystemTitle=4349520000000001 --keys {keys}",
                           "D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF", kKeysFile);
    EXPECT_EQ(given.Status, 0);
    EXPECT_TRUE(given.Out.starts_with("<ded_GetRequest>\r\n")) << given.Out;
}

TEST_F(CliKeys, BadKeysAreRefusedInOneLineWithoutTheirValue) {
    struct TRow {
        const char* Args;
        const char* KeysText;
        const char* Message;
        bool Usage;  // a usage error: the usage text follows
    };
    const TRow kRows[] = {
        {"--keys {keys}", "BlockCipherKey = 00112233445566778899AABBCCDDEE\n", "keys:1: BlockCipherKey: 15 octets", false},
        {"--keys {keys}", "# a comment\nBlockCipherKey 00112233\n", "keys:2: expected Name = HEX", false},
        {"--keys {keys}", "Password = 3132\n", "keys:1: unknown key name \"Password\"", false},
        // The hex first, as the value where the name belongs.
        {"--keys {keys}", "00112233445566778899AABBCCDDEEFF = BlockCipherKey\n", "keys:1: unknown key name (not shown", false},
        {"--keys {keys}", "00112233445566778899AABBCCDDEEFF\n", "keys:1: expected Name = HEX", false},
        {"--key DedicatedKey=00112233445566778899AABBCCDDEEXX", "", "--key: DedicatedKey: not hex digits", false},
        {"--key=00112233445566778899AABBCCDDEEFF=DedicatedKey", "", "--key: unknown key name (not shown", false},
        {"--key 00112233445566778899AABBCCDDEEFF", "", "--key: expected Name = HEX", false},
        {"--keys BlockCipherKey=00112233445566778899AABBCCDDEEFF", "", "--keys: cannot open the keys file: No such file",
         false},
        {"--key", "", "--key needs a value", true},
        {"--blockcipherkey=00112233445566778899AABBCCDDEEFF", "", "unknown option --blockcipherkey\n", true},
        {"--frame=00112233445566778899AABBCCDDEEFF", "", "--frame takes no value\n", true},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Args);
        const TRun run = Run(r.Args, "C0", r.KeysText);
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(run.Out, "");
        EXPECT_NE(run.Err.find(r.Message), std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find("0011223344"), std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find("\nusage: ") != std::string::npos, r.Usage) << run.Err;
        if (!r.Usage) {
            EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
        }
    }
    // An input named like a key is not shown when it cannot be opened.
    const TRun input = Run("BlockCipherKey=00112233445566778899AABBCCDDEEFF", "");
    EXPECT_EQ(input.Status, 3);
    EXPECT_EQ(input.Err, "vantrel-cli: cannot open the input: No such file or directory (its name holds \"=\" and is "
                         "not shown)\n");

    const TRun help = Run("--help", "");
    EXPECT_NE(help.Out.find("visible to other users in the process list"), std::string::npos);
}

TEST_F(CliKeys, KeysFilesAsEditorsWriteThem) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const std::string request = "D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF";
    const std::string keys = std::string("\xEF\xBB\xBF") + kKeysFile + "ClientSystemTitle=4349520000000001\r\n";
    // A byte order mark, CR LF, and the key as an option too: --key=VALUE.
    const TRun run = Run("--keys={keys} --key=BlockCipherKey=00112233445566778899AABBCCDDEEFF", request, keys);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(run.Out.starts_with("<ded_GetRequest>\r\n")) << run.Out;
    EXPECT_EQ(run.Err, "vantrel-cli: --key: warning: BlockCipherKey given again (first at " + FDir +
                           "/keys:2): this value is used\n");
}
}  // namespace
