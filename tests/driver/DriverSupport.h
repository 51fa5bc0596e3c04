// Shared helpers of the driver tests: frames sealed with their check
// sequences, the message of a failure, and the command-line translator run
// as a program.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "TestSupport.h"
#include "xmlPdu/INFRA/Errors.h"

namespace dtest {

// The frame check sequence bit by bit, as the standard defines it.
inline uint16_t BitwiseFcs(std::string_view Octets) {
    unsigned fcs = 0xFFFF;
    for (unsigned char c : Octets) {
        fcs ^= c;
        for (int bit = 0; bit < 8; ++bit) fcs = (fcs & 1) ? (fcs >> 1) ^ 0x8408 : fcs >> 1;
    }
    return static_cast<uint16_t>(~fcs);
}

inline void AppendFcs(std::string& Frame) {
    const uint16_t fcs = BitwiseFcs(std::string_view(Frame).substr(1));
    Frame += static_cast<char>(fcs & 0xFF);
    Frame += static_cast<char>(fcs >> 8);
}

// A frame around AddressesAndControl (hex): flags, the format field with the
// right length, HCS, and with an information field (or WithFcs) the FCS.
inline std::string Sealed(std::string_view AddressesAndControl, std::string_view Info = "", int FormatHigh = 0xA0,
                          bool WithFcs = false) {
    const std::string header = vtest::Bytes(AddressesAndControl);
    const std::string info = vtest::Bytes(Info);
    const bool fcs = WithFcs || !info.empty();
    const size_t length = 2 + header.size() + 2 + (fcs ? info.size() + 2 : 0);
    std::string frame = "\x7E";
    frame += static_cast<char>(FormatHigh | static_cast<int>(length >> 8));
    frame += static_cast<char>(length & 0xFF);
    frame += header;
    AppendFcs(frame);
    if (fcs) {
        frame += info;
        AppendFcs(frame);
    }
    frame += '\x7E';
    return frame;
}

// The hex text of a sealed frame, octets separated by blanks.
inline std::string SealedText(std::string_view AddressesAndControl, std::string_view Info = "", int FormatHigh = 0xA0) {
    const std::string hex = vtest::Hex(Sealed(AddressesAndControl, Info, FormatHigh));
    std::string text;
    for (size_t i = 0; i < hex.size(); i += 2) {
        if (i) text += ' ';
        text.append(hex, i, 2);
    }
    return text;
}

// The message of the failure Body raises, empty when it succeeds.
template <class TBody>
std::string FailureOf(TBody&& Body) {
    try {
        Body();
    } catch (const vantrel::EVantrelError& e) {
        return e.Message();
    }
    return {};
}

// A GET request for the clock's time (0.0.1.0.0.255, attribute 2) and its XML.
inline const char kGetRequest[] = "C0 01 C1 00 08 00 00 01 00 00 FF 02 00";
inline const std::string kGetRequestXml = vtest::Xml(R"(
<GetRequest>
  <GetRequestNormal>
    <InvokeIdAndPriority Value="C1" />
    <AttributeDescriptor>
      <ClassId Value="0008" />
      <InstanceId Value="0000010000FF" />
      <AttributeId Value="02" />
    </AttributeDescriptor>
  </GetRequestNormal>
</GetRequest>
)");

#ifdef VANTREL_CLI_PATH
// What one run of the command-line translator gave.
struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

inline std::string ReadFile(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A test of the command-line translator in a folder of its own.
class TCliTest : public testing::Test {
protected:
    void SetUp() override {
        FDir = testing::TempDir() + "vantrel-cli-" + std::to_string(getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_EQ(std::system(("mkdir -p '" + FDir + "'").c_str()), 0);
    }
    void TearDown() override { std::system(("rm -rf '" + FDir + "'").c_str()); }

    std::string InputPath(const std::string& Name = "input.txt") const { return FDir + "/" + Name; }

    // Runs the translator with Args on Input as standard input; "{in}" in
    // Args stands for the file holding Input (named Name), "{keys}" for a
    // file holding Keys.
    TRun Run(std::string Args, const std::string& Input = "", const std::string& Name = "input.txt",
             const std::string& Keys = "") {
        const std::string path = InputPath(Name);
        std::ofstream(path, std::ios::binary) << Input;
        std::ofstream(FDir + "/keys", std::ios::binary) << Keys;
        for (size_t at; (at = Args.find("{in}")) != std::string::npos;) Args.replace(at, 4, "'" + path + "'");
        for (size_t at; (at = Args.find("{keys}")) != std::string::npos;) Args.replace(at, 6, "'" + FDir + "/keys'");
        const std::string command = std::string("'") + VANTREL_CLI_PATH + "' " + Args + " < '" + path + "' > '" + FDir +
                                    "/out' 2> '" + FDir + "/err'";
        const int raw = std::system(command.c_str());
        TRun run;
        run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.Out = ReadFile(FDir + "/out");
        run.Err = ReadFile(FDir + "/err");
        return run;
    }

    std::string FDir;
};
#endif

}  // namespace dtest
