// A look at an APDU once it is decoded, before its XML is written: readers
// that need what the APDU says (the block joiner reads its block fields)
// take it from the tree the translation built, instead of decoding again.
#pragma once

#include <cstdint>
#include <string>

#include "vantrel/vantrel.h"

namespace vantrel {

class TCOSEMPduBase;

class TDecodedHook {
public:
    // Apdu is the decoded root (a T_COSEMpdu), valid during the call only;
    // what the hook finds goes into Note. Called on the translating thread:
    // a hook shared by threads keeps no state of its own.
    virtual void Decoded(const TCOSEMPduBase& Apdu, std::string& Note) const = 0;

protected:
    ~TDecodedHook() = default;
};

// PduToXmlEx, with Hook called on the decoded APDU; Note is what it wrote.
void PduToXmlHooked(const uint8_t* Data, uint32_t Size, const VantrelKeys* Keys, uint32_t Flags, const TDecodedHook& Hook,
                    std::string& Note, VantrelStream** Stream, TTranslationError* Error);

}  // namespace vantrel
