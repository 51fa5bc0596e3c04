// TXMLId: the identifiers that name every element and attribute of the XML
// form. The XML name of an identifier is the identifier without its prefix
// "xml" (xmlGetRequest is "GetRequest").
#pragma once

#include <cstdint>
#include <string_view>

namespace vantrel {

enum TXMLId : uint16_t {
#define X(Name) xml##Name,
#include "XMLIds.inc"
#undef X
};

// Identifiers added later stand after xmlDummy: the order never changes.
inline constexpr int kXMLIdCount = 431;
static_assert(xmlDummy == 425 && xmlglo_EventNotificationRequest == 426 && xmlInvocationCounter == 428 &&
                  xmlCiphertextCheck == kXMLIdCount - 1,
              "the vocabulary has 431 identifiers");
static_assert(xmlIgnore == 421 && xmlData == 61 && xml_COSEMpdu == 62);

namespace detail {
inline constexpr std::string_view kXMLNames[kXMLIdCount] = {
#define X(Name) #Name,
#include "XMLIds.inc"
#undef X
};
}  // namespace detail

// The XML element or attribute name of an identifier.
constexpr std::string_view ElementName(TXMLId Id) { return detail::kXMLNames[Id]; }

// Looks a name up without regard to letter case. Returns false when the name
// belongs to no identifier.
bool FindKeyWord(std::string_view Name, TXMLId& Id) noexcept;

}  // namespace vantrel
