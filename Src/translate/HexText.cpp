#include "HexText.h"

#include "../../xmlPdu/INFRA/INFRAMisc.h"

namespace vantrel {

std::string RawBytesToHexStr(std::string_view RawBytes) { return TMisc::ByteStrToHexStr(RawBytes); }
std::string ByteStrToHexStr(std::string_view ByteStr) { return TMisc::ByteStrToHexStr(ByteStr); }
std::string HexStrToByteStr(std::string_view HexStr) { return TMisc::HexStrToByteStr(HexStr); }
std::string HexStrToRawBytes(std::string_view HexStr) { return TMisc::HexStrToByteStr(HexStr); }

}  // namespace vantrel
