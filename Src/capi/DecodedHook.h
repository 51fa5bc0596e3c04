// A look at an APDU once it is decoded, before its XML is written: readers
// that need what the APDU says (the block joiner reads its block fields)
// take it from the tree the translation built, instead of decoding again.
#pragma once

#include <cstdint>

#include "vantrel/vantrel.h"

namespace vantrel {

class TCOSEMPduBase;

class TDecodedHook {
public:
    // Apdu is the decoded root (a T_COSEMpdu), valid during the call only;
    // the hook marks it with a number of its own meaning (0: nothing) in
    // Mark. Called on the translating thread: a hook with state of its own
    // serves one thread.
    virtual void Decoded(const TCOSEMPduBase& Apdu, uint64_t& Mark) = 0;

protected:
    ~TDecodedHook() = default;
};

// PduToXmlEx, with Hook called on the decoded APDU; Mark is its mark.
void PduToXmlHooked(const uint8_t* Data, uint32_t Size, const VantrelKeys* Keys, uint32_t Flags, TDecodedHook& Hook,
                    uint64_t& Mark, VantrelStream** Stream, TTranslationError* Error);

}  // namespace vantrel
