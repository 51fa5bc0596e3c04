// The product name and version texts.
#pragma once

#include <string>

namespace vantrel {

inline constexpr const char* kProductName = "Vantrel";
inline constexpr const char* kVersion = "3.6";

// The build number: the count of commits the build was made from.
const char* BuildNumber();
// "3.6 (N)", N the build number.
std::string VersionText();

}  // namespace vantrel
