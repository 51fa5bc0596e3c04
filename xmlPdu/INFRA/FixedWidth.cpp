#include "FixedWidth.h"

namespace vantrel {

void RaiseIllegalDataSize(const TXMLParser& XMLParser, size_t Expected, size_t Found) {
    XMLParser.RaiseXMLError("Illegal data size, expected " + std::to_string(Expected) + ", found " +
                            std::to_string(Found));
}

}  // namespace vantrel
