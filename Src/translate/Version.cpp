#include "Version.h"

#include "generated/BuildNumber.h"

namespace vantrel {

const char* BuildNumber() { return VANTREL_BUILD_NUMBER; }

std::string VersionText() { return std::string(kVersion) + " (" + BuildNumber() + ")"; }

}  // namespace vantrel
