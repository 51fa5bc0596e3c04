// Ciphered and signed APDUs, translated without removing the protection.
#include "TestSupport.h"
#include "VectorFile.h"

namespace {

TEST(Protection, Vectors) { vtest::ExpectVectors("protection"); }

}  // namespace
