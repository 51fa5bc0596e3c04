// Where a translation of octets to XML failed: the field that was being read.
#pragma once

#include <string_view>

namespace vantrel {

// The XML name of the innermost field the decoder was reading when Octets
// failed to decode ("InstanceId"), or empty when they decode or the failure
// lies outside every field (the first octet, say). Decodes Octets once more,
// so call it only after a failure.
std::string_view FailedField(std::string_view Octets);

}  // namespace vantrel
