/* DXF drawings from bytes: geometries read (merged or not, with a small
 * polygon limit so that large INSERT arrays stay quick) and deleted. */
#include <stdint.h>
#include <stdlib.h>

#include "support.h"
#include "vlx/dxf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  VLview view;
  VLdxfoptions options{&view, 1.0f, size % 2 == 0, 20000};
  unsigned long tables = fuzz_tables_before();
  VLgeomcell *list =
      VLdxf_readbytes("fuzz", reinterpret_cast<const char *>(data), size, &options);
  fuzz_delete_geometries(list);
  fuzz_drop_tables(tables);
  return 0;
}
