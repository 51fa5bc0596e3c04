// The SET service through the entry points: the five request and the five
// response alternatives, the data block, exact messages and positions.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "VectorFile.h"

namespace {

using namespace vtest;

TEST(SetService, Vectors) { vtest::ExpectVectors("set_service"); }

}  // namespace
