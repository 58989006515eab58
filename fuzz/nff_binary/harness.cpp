/* The neutral file format, binary form, from bytes: geometries read
 * (merged or not, with portals) and deleted again. */
#include <stdint.h>

#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_nff(size, [&](const VLnffoptions *o) { return VLbnff_readbytes("fuzz", data, size, o); });
  return 0;
}
