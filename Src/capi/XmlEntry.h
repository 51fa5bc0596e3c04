// The XML reading of XmlToPduEx, for the translate command, which reads
// several APDUs given one after another.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vantrel/vantrel.h"

namespace vantrel {

// XmlToPduEx for the APDU at the start of Text. On success End is the index
// of what follows it, blanks and comments skipped (the size of Text when
// nothing does), and the stream has no note of that text: the caller reads
// on from there. Error is filled as by XmlToPduEx.
void XmlToPduAt(const char* Text, const VantrelKeys* Keys, uint32_t Flags, VantrelStream** Stream,
                TTranslationError* Error, size_t& End);

}  // namespace vantrel
