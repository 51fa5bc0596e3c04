// The fixed key set of the fuzz targets: the public example keys of the DLMS
// security suite, so that ciphered APDUs of the seeds decipher and the fuzzer
// reaches the deciphered paths.
#pragma once

#include "vantrel/vantrel.h"

namespace vfuzz {

inline const VantrelKeys* PublicKeys() {
    static VantrelKeys* const keys = [] {
        VantrelKeys* k = VantrelKeysNew();
        TTranslationError e;
        VantrelKeysSet(k, "BlockCipherKey", "000102030405060708090A0B0C0D0E0F", &e);
        VantrelKeysSet(k, "BroadcastKey", "000102030405060708090A0B0C0D0E0F", &e);
        VantrelKeysSet(k, "DedicatedKey", "00112233445566778899AABBCCDDEEFF", &e);
        VantrelKeysSet(k, "AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF", &e);
        VantrelKeysSet(k, "MasterKey", "000102030405060708090A0B0C0D0E0F", &e);
        VantrelKeysSet(k, "ClientSystemTitle", "4D4D4D0000000001", &e);
        VantrelKeysSet(k, "ServerSystemTitle", "4D4D4D0000BC614E", &e);
        return k;
    }();
    return keys;
}

}  // namespace vfuzz
