#include "LlcHeader.h"

#include "../../xmlPdu/INFRA/ScriptStream.h"

namespace vantrel {

namespace {

std::string_view Direction(std::string_view Octets) noexcept {
    return Octets[1] == '\xE6' ? "client to server" : "server to client";
}

}  // namespace

bool StartsWithLlcHeader(std::string_view Octets) noexcept {
    return Octets.size() >= kLlcHeaderSize && Octets[0] == '\xE6' && (Octets[1] == '\xE6' || Octets[1] == '\xE7') &&
           Octets[2] == '\0';
}

std::string_view InformationFieldApdu(std::string_view Info) noexcept {
    if (!Info.empty() && Info[0] == '\xE0') return Info;
    return Info.substr(Info.size() < kLlcHeaderSize ? Info.size() : kLlcHeaderSize);
}

std::string LlcHeaderDescription(std::string_view Octets) {
    std::string text = "LLC(Dst LSAP:E6, Src LSAP:";
    text += Octets[1] == '\xE6' ? "E6 " : "E7 ";
    text += Direction(Octets);
    text += ", Quality:00)";
    return text;
}

std::string LlcHeaderComment(std::string_view Octets) {
    std::string text = Octets[1] == '\xE6' ? "LLC header E6 E6 00 (" : "LLC header E6 E7 00 (";
    text += Direction(Octets);
    text += ") before the APDU";
    TScriptStream xml;
    xml.XMLComment(text);
    xml.EmitLn("");
    return xml.AsString();
}

}  // namespace vantrel
