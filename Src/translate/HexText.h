// The driver's hex text conversions. Byte strings and raw byte strings are
// both std::string here (one octet per char); the two names are kept for the
// two roles they play at the entry points.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Two upper-case hex digits per octet, no separators.
std::string RawBytesToHexStr(std::string_view RawBytes);
std::string ByteStrToHexStr(std::string_view ByteStr);
// Hex digits to octets; spaces are skipped, any other non-hex character fails
// with "Illegal hex-character", an odd digit count with
// "HexStrToByteStr: Hex-character missing".
std::string HexStrToByteStr(std::string_view HexStr);
std::string HexStrToRawBytes(std::string_view HexStr);

}  // namespace vantrel
