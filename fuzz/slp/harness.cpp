/* The SLP reader from bytes: the solids read into geometries (scaled or
 * not), which are deleted again. */
#include <stdint.h>

#include "support.h"
#include "vlx/slp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  float scale = size % 2 == 0 ? 1.0f : 2.5f;
  unsigned long tables = fuzz_tables_before();
  VLgeomcell *list = VLslp_readbytes("fuzz", reinterpret_cast<const char *>(data), size, scale);
  fuzz_delete_geometries(list);
  fuzz_drop_tables(tables);
  return 0;
}
