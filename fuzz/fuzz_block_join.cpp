// The block joiner on any APDUs: records of octets with a link each (first
// octet even), or blocks of one service built around the fuzzer's data
// (first octet odd), so that the joined data is the fuzzer's too. Every
// block and every joined unit reads back: its XML gives octets whose XML is
// the same again. A unit names only blocks taken before it, and a message
// of a transfer not joined stays short.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzKeys.h"
#include "Src/join/BlockJoin.h"
#include "vantrel/vantrel.h"

namespace {

[[noreturn]] void Fail(const char* What, const std::string& Detail) {
    std::fprintf(stderr, "%s\n%s\n", What, Detail.c_str());
    std::abort();
}

// XML translates to octets whose XML is the same again, but for the
// comment naming octets after the end of the last APDU. A unit may hold
// several APDUs one after the other: the translate command gives a line of
// hex for each, and their octets translate to all of them again.
// Nor for the comment saying that a reading was not canonical: the octets
// of the XML are, and their XML has none.
std::string WithoutOctetsAfter(std::string Text) {
    if (const size_t after = Text.rfind("<!-- "); after != std::string::npos && Text.find(" octet", after) != std::string::npos &&
                                                 Text.find("after the end of the APDU", after) != std::string::npos)
        Text.resize(after);
    for (size_t at; (at = Text.find("<!-- the XML gives other octets")) != std::string::npos;) {
        const size_t end = Text.find('\n', at);
        Text.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    }
    return Text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void ExpectReadsBack(const std::string& Xml, const VantrelKeys* Keys) {
    const std::string text = WithoutOctetsAfter(Xml);
    vantrel::TTranslateOptions options;
    options.Keys = Keys;
    const vantrel::TTranslateOutcome hex = vantrel::TranslateSingle(text, options);
    if (hex.Kind != vantrel::TTranslateOutcome::Translated || hex.HexToXml) Fail("XML does not encode", text + "\n" + hex.Text);
    std::string back;
    int high = -1;
    for (char c : hex.Text) {
        const int v = HexDigit(c);
        if (v < 0) continue;
        if (high < 0) {
            high = v;
        } else {
            back += static_cast<char>(high << 4 | v);
            high = -1;
        }
    }
    const vantrel::TTranslateOutcome again = vantrel::TranslateOctets(back, options);
    if (again.Kind != vantrel::TTranslateOutcome::Translated) Fail("its octets do not translate", text + "\n" + again.Text);
    if (WithoutOctetsAfter(again.Text) != text) Fail("XML changed on the way back", text + "\n---\n" + again.Text);
}

// A length in the A-XDR form.
void PutLength(std::string& Out, size_t Size) {
    if (Size >= 0x80) {
        Out += '\x82';
        Out += static_cast<char>(Size >> 8);
    }
    Out += static_cast<char>(Size & 0xFF);
}

// Blocks of one service around the fuzzer's data: a kind octet, then per
// block a control octet (bit 0 last, bits 1-3 step of the block number,
// bits 4-7 the data's size).
std::vector<std::string> BuiltBlocks(std::string_view Input) {
    std::vector<std::string> apdus;
    if (Input.empty()) return apdus;
    const unsigned kind = static_cast<uint8_t>(Input[0]) % 5;
    Input.remove_prefix(1);
    uint32_t number = 0;
    while (!Input.empty() && apdus.size() < 64) {
        const auto control = static_cast<uint8_t>(Input[0]);
        Input.remove_prefix(1);
        const bool last = control & 1;
        number += (control >> 1 & 7) ? (control >> 1 & 7) - 1 : 1;
        const std::string_view data = Input.substr(0, std::min<size_t>(Input.size(), (control >> 4) * 4 + 1));
        Input.remove_prefix(data.size());
        std::string apdu;
        const auto number32 = [&] {
            for (int shift = 24; shift >= 0; shift -= 8) apdu += static_cast<char>(number >> shift);
        };
        switch (kind) {
        case 0: apdu = "\xC4\x02\xC1"; apdu += static_cast<char>(last); number32(); apdu += '\0'; break;
        case 1:
            apdu = std::string(1, '\xE0') + static_cast<char>(last ? 0xC0 : 0x40) + static_cast<char>(number >> 8) +
                   static_cast<char>(number) + std::string(2, '\0');
            break;
        case 2:
            if (number == 1) apdu = std::string("\xC1\x02\xC1\x00\x01\x00\x00\x60\x01\x00\xFF\x02\x00", 13);
            else apdu = "\xC1\x03\xC1";
            apdu += static_cast<char>(last);
            number32();
            break;
        case 3: apdu = "\xC7\x02\xC1"; apdu += static_cast<char>(last); number32(); break;
        default:
            apdu = std::string("\x0C\x01\x02", 3) + static_cast<char>(last) + static_cast<char>(number >> 8) +
                   static_cast<char>(number);
            break;
        }
        PutLength(apdu, data.size());
        apdu += data;
        apdus.push_back(std::move(apdu));
    }
    return apdus;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 1 || Size > (1u << 16)) return 0;
    std::string_view input(reinterpret_cast<const char*>(Data), Size);
    const bool built = input[0] & 1;
    const bool withKeys = input[0] & 2;
    input.remove_prefix(1);
    const VantrelKeys* keys = withKeys ? vfuzz::PublicKeys() : nullptr;

    long long taken = 0;
    vantrel::TTranslateOptions options;
    options.Keys = keys;
    vantrel::join::TBlockJoin join(options, "line", [&](vantrel::join::TJoinedUnit& Unit) {
        if (Unit.From.empty() || Unit.Number > taken || Unit.Number < 1) Fail("unit outside the blocks taken", Unit.Message);
        for (long long from : Unit.From)
            if (from < 1 || from > Unit.Number) Fail("a block after its unit", Unit.FromText);
        if (!Unit.Joined) {
            if (Unit.Message.empty() || Unit.Message.size() > 2048) Fail("message", Unit.Message);
            if (Unit.Outcome.Notes.size() != 1 || Unit.Outcome.Notes[0] != "not joined: " + Unit.Message)
                Fail("note of a transfer not joined", Unit.Message);
            return;
        }
        if (Unit.Outcome.Kind != vantrel::TTranslateOutcome::Translated || !Unit.Comment.starts_with("<!-- ") ||
            !Unit.Comment.ends_with(" --> \r\n") || Unit.Comment.find("\r\n") + 2 != Unit.Comment.size())
            Fail("joined unit", Unit.Comment + Unit.Outcome.Text);
        ExpectReadsBack(Unit.Outcome.Text, keys);
    });
    if (built) {
        for (const std::string& apdu : BuiltBlocks(input)) {
            const vantrel::TTranslateOutcome outcome =
                vantrel::TranslateOctets(apdu, join.ReaderOptions(options));
            ++taken;
            if (outcome.Kind == vantrel::TTranslateOutcome::Translated) ExpectReadsBack(outcome.Text, keys);
            join.Take(outcome, taken);
        }
    } else {
        // Records: a link octet (kind, address), two octets of length, the APDU.
        while (input.size() >= 3) {
            const auto link = static_cast<uint8_t>(input[0]);
            const size_t size = static_cast<size_t>(static_cast<uint8_t>(input[1])) << 8 | static_cast<uint8_t>(input[2]);
            input.remove_prefix(3);
            const std::string_view apdu = input.substr(0, std::min(size, input.size()));
            input.remove_prefix(apdu.size());
            vantrel::TTranslateOutcome outcome =
                vantrel::TranslateOctets(apdu, join.ReaderOptions(options));
            ++taken;
            if (outcome.Kind == vantrel::TTranslateOutcome::Translated) ExpectReadsBack(outcome.Text, keys);
            // The block as the translation's hook noted it, or decoded again.
            outcome.Link = {static_cast<vantrel::TApduLink::TKind>(link & 3), link >> 2u & 3u, link >> 4u & 3u};
            if (link & 0x80) {
                if (outcome.Kind == vantrel::TTranslateOutcome::Translated) join.Take(apdu, outcome.Link, taken);
            } else {
                join.Take(outcome, taken);
            }
        }
    }
    join.Finish();
    return 0;
}
