// The octet map behind the C ABI: the entries and units a translation made
// with VANTREL_MAP keep beside its output stream.
#include "StreamInternal.h"
#include "vantrel/vantrel.h"

extern "C" {

uint32_t VantrelStreamMapCount(const VantrelStream*) { return 0; }
const VantrelMapEntry* VantrelStreamMap(const VantrelStream*) { return nullptr; }
uint32_t VantrelStreamMapUnitCount(const VantrelStream*) { return 0; }
const VantrelMapUnit* VantrelStreamMapUnits(const VantrelStream*) { return nullptr; }
const uint32_t* VantrelStreamMapSources(const VantrelStream*, uint32_t) { return nullptr; }
int32_t VantrelStreamMapRange(const VantrelStream*, uint32_t, uint32_t*, uint32_t*) { return -1; }
uint32_t VantrelStreamMapAtLine(const VantrelStream*, uint32_t) { return VANTREL_MAP_NONE; }
uint32_t VantrelStreamMapAtSource(const VantrelStream*, uint32_t) { return VANTREL_MAP_NONE; }

}  // extern "C"
