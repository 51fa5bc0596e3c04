#include "OctetsAfterApdu.h"

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

}  // namespace vantrel
