#include "LlcHeader.h"

#include "../../xmlPdu/INFRA/ScriptStream.h"

namespace vantrel {

namespace {

bool IsPowerLine(std::string_view Octets) noexcept { return Octets[0] == '\x90'; }

std::string_view Direction(std::string_view Octets) noexcept {
    return Octets[1] == '\xE6' ? "client to server" : "server to client";
}

}  // namespace

bool StartsWithLlcHeader(std::string_view Octets) noexcept {
    if (Octets.size() < kLlcHeaderSize) return false;
    if (Octets[0] == '\x90') return Octets[1] == '\x01' && Octets[2] == '\x01';
    return Octets[0] == '\xE6' && (Octets[1] == '\xE6' || Octets[1] == '\xE7') && Octets[2] == '\0';
}

std::string LlcHeaderDescription(std::string_view Octets) {
    if (!StartsWithLlcHeader(Octets)) return "LLC(none: the information field is the APDU)";
    if (IsPowerLine(Octets)) return "LLC(Dst LSAP:90, Src LSAP:01, Control:01 power line)";
    std::string text = "LLC(Dst LSAP:E6, Src LSAP:";
    text += Octets[1] == '\xE6' ? "E6 " : "E7 ";
    text += Direction(Octets);
    text += ", Quality:00)";
    return text;
}

std::string LlcHeaderComment(std::string_view Octets) {
    std::string text;
    if (IsPowerLine(Octets)) {
        text = "LLC header 90 01 01 (power line) before the APDU";
    } else {
        text = Octets[1] == '\xE6' ? "LLC header E6 E6 00 (" : "LLC header E6 E7 00 (";
        text += Direction(Octets);
        text += ") before the APDU";
    }
    TScriptStream xml;
    xml.XMLComment(text);
    xml.EmitLn("");
    return xml.AsString();
}

}  // namespace vantrel
