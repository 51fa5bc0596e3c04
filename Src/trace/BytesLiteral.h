// Octets as Python prints them: the repr of bytes or a bytearray,
// b'~\xa0\x19\x03!2o\xd8...' or bytearray(b"..."), as logs of Python meter
// clients write them.
#pragma once

#include <string>
#include <string_view>

#include "LogLine.h"

namespace vantrel::trace {

// Finds the bytes literal of Line with the most octets (the last of equal
// ones): b or B, a quote, printable characters and the escapes \xHH, \\, \',
// \", \t, \n, \r (and the other one-letter and octal escapes of the
// language), the same quote. A bytearray(...) around it belongs to it. Its
// octets are appended to Out; false (Out unchanged) when the line holds no
// literal with an octet in it. Places, when not null, receives where each
// octet stands (its escape such as \xA0, or its character), the line standing at At.
bool FindBytesLiteral(std::string_view Line, TOctetRun& Run, std::string& Out, TOctetPlaces* Places = nullptr,
                      uint64_t At = 0);

}  // namespace vantrel::trace
