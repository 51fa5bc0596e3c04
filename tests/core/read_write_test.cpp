// The confirmed short-name services: read and write requests and responses.
#include "TestSupport.h"
#include "VectorFile.h"

namespace {

TEST(ReadWrite, Vectors) { vtest::ExpectVectors("read_write"); }

}  // namespace
