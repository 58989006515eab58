/* The 3D Studio reader from bytes: the chunk tree parsed and converted to
 * geometries (merged or not), which are deleted again. */
#include <stdint.h>

#include "support.h"
#include "vlx/3ds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  unsigned long tables = fuzz_tables_before();
  VLgeomcell *list = VL3ds_readbytes("fuzz", data, size, 1.0f, size % 2 == 0);
  VLuniverse_clear();
  fuzz_delete_geometries(list);
  fuzz_drop_tables(tables);
  return 0;
}
