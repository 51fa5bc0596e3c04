// vantrel-cli: translates one APDU given as hex digits or as XML.
//   vantrel-cli [FILE|-]
// Without "<" the input is hex (CR, LF, space and "-" are removed), otherwise
// XML. The translation goes to stdout exactly as the entry point produced it;
// a failure goes to stderr with its position, exit status 1; usage errors 2.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "../HexText.h"
#include "../../xmlPdu/INFRA/Errors.h"
#include "vantrel/vantrel.h"

namespace {

bool ReadAll(const char* Path, std::string& Text) {
    if (!Path || std::strcmp(Path, "-") == 0) {
        Text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return !std::cin.bad();
    }
    std::ifstream in(Path, std::ios::binary);
    if (!in) return false;
    Text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int Fail(const TTranslationError& Error) {
    std::cerr << Error.Message << " (position " << Error.Position << ")\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && argv[1][0] == '-' && argv[1][1] != '\0')) {
        std::cerr << "usage: vantrel-cli [FILE|-]\n";
        return 2;
    }
    std::string text;
    if (!ReadAll(argc == 2 ? argv[1] : nullptr, text)) {
        std::cerr << "vantrel-cli: cannot read " << (argc == 2 ? argv[1] : "standard input") << "\n";
        return 2;
    }

    TTranslationError error{};
    VantrelStream* stream = nullptr;
    if (text.find('<') == std::string::npos) {
        std::string digits;
        digits.reserve(text.size());
        for (char c : text)
            if (c != '\r' && c != '\n' && c != ' ' && c != '-') digits += c;
        std::string octets;
        try {
            octets = vantrel::HexStrToRawBytes(digits);
        } catch (const vantrel::EVantrelError& e) {
            std::cerr << e.Message() << "\n";
            return 1;
        }
        PduToXml(reinterpret_cast<const uint8_t*>(octets.data()), static_cast<uint32_t>(octets.size()), &stream, &error);
        if (error.Code != 0) return Fail(error);
        std::fwrite(VantrelStreamData(stream), 1, VantrelStreamSize(stream) - 1, stdout);
    } else {
        XmlToPdu(text.c_str(), &stream, &error);
        if (error.Code != 0) return Fail(error);
        const std::string octets(reinterpret_cast<const char*>(VantrelStreamData(stream)), VantrelStreamSize(stream));
        const std::string hex = vantrel::RawBytesToHexStr(octets);
        std::fwrite(hex.data(), 1, hex.size(), stdout);
        std::fputc('\n', stdout);
    }
    VantrelStreamFree(stream);
    return 0;
}
