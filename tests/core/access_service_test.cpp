// The ACCESS service and the event notification through the entry points:
// every request and response specification, the optional echo of the
// request in the response, the optional time of the notification.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "VectorFile.h"

namespace {

using namespace vtest;

TEST(AccessService, Vectors) { vtest::ExpectVectors("access_service"); }

}  // namespace
