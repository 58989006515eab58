/* 3DG1 polygon lists from bytes: the geometry read is deleted again. */
#include <stdint.h>

#include "support.h"
#include "vlx/obj.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  unsigned long tables = fuzz_tables_before();
  VLgeometry *g = VL3dg1_readbytes("fuzz", reinterpret_cast<const char *>(data), size,
                                   size % 2 ? 2.0f : 1.0f);
  if (g) VLgeometry_delete(g);
  fuzz_drop_tables(tables);
  return 0;
}
