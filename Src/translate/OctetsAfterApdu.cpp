#include "OctetsAfterApdu.h"

#include <algorithm>

#include "../../xmlPdu/INFRA/INFRAMisc.h"

namespace vantrel {

std::string OctetsAfterApduText(std::string_view Octets) {
    if (Octets.empty()) return {};
    const size_t shown = Octets.size() < kOctetsShownAfterApdu ? Octets.size() : kOctetsShownAfterApdu;
    std::string text = std::to_string(Octets.size());
    text += Octets.size() == 1 ? " octet" : " octets";
    text += " after the end of the APDU:";
    text.reserve(text.size() + 3 * shown + 32);
    for (size_t i = 0; i < shown; ++i) {
        text += ' ';
        TMisc::AppendHex(text, Octets.substr(i, 1));
    }
    if (shown < Octets.size()) text += " ... and " + std::to_string(Octets.size() - shown) + " more";
    return text;
}

namespace {

// Up to kOctetsShownWhereTheyDiffer octets as hex, blank between them, "..." when there are more.
void AppendOctets(std::string& Text, std::string_view Octets) {
    if (Octets.empty()) {
        Text += "nothing";
        return;
    }
    const size_t shown = std::min(Octets.size(), kOctetsShownWhereTheyDiffer);
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0) Text += ' ';
        TMisc::AppendHex(Text, Octets.substr(i, 1));
    }
    if (shown < Octets.size()) Text += " ...";
}

}  // namespace

std::string OtherOctetsText(std::string_view Read, std::string_view Written) {
    if (Read == Written) return {};
    size_t at = 0;
    while (at < Read.size() && at < Written.size() && Read[at] == Written[at]) ++at;
    std::string text = "the XML gives other octets from octet " + std::to_string(at + 1) + " on: the input has ";
    AppendOctets(text, Read.substr(at));
    text += ", the XML ";
    AppendOctets(text, Written.substr(at));
    if (Read.size() != Written.size())
        text += " (" + std::to_string(Read.size()) + " octets read, " + std::to_string(Written.size()) + " from the XML)";
    return text;
}

namespace {

// The length of the UTF-8 sequence at Text, or 0 when it is none.
size_t SequenceLength(std::string_view Text) noexcept {
    const auto lead = static_cast<unsigned char>(Text[0]);
    const size_t n = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (n == 0 || Text.size() < n) return 0;
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(Text[i]) & 0xC0) != 0x80) return 0;
    return n;
}

void AppendEscape(std::string& Out, unsigned char c) {
    Out += "\\x";
    TMisc::AppendHex(Out, std::string_view(reinterpret_cast<const char*>(&c), 1));
}

}  // namespace

std::string TextAfterApduText(std::string_view Text, std::string_view Apdu) {
    if (Text.empty()) return {};
    std::string shown;
    size_t characters = 0;
    size_t at = 0;
    while (at < Text.size()) {
        const auto c = static_cast<unsigned char>(Text[at]);
        size_t length = 1;
        if (characters < kCharactersShownAfterApdu) {
            if (c >= 0x80) {
                length = SequenceLength(Text.substr(at));
                if (length == 0) {
                    length = 1;
                    AppendEscape(shown, c);
                } else {
                    shown.append(Text, at, length);
                }
            } else if (c == '\n') {
                shown += "\\n";
            } else if (c == '\r') {
                shown += "\\r";
            } else if (c == '\t') {
                shown += "\\t";
            } else if (c < 0x20 || c == 0x7F || c == '>' || (c == '-' && !shown.empty() && shown.back() == '-')) {
                AppendEscape(shown, c);
            } else {
                if (c == '\\' || c == '"') shown += '\\';
                shown += static_cast<char>(c);
            }
        } else if (c >= 0x80) {
            length = SequenceLength(Text.substr(at));
            if (length == 0) length = 1;
        }
        at += length;
        ++characters;
    }
    std::string text = std::to_string(characters);
    text += characters == 1 ? " character" : " characters";
    text += " after the end of ";
    text += Apdu;
    text += ": \"";
    text += shown;
    text += '"';
    if (characters > kCharactersShownAfterApdu)
        text += " ... and " + std::to_string(characters - kCharactersShownAfterApdu) + " more";
    return text;
}

}  // namespace vantrel
