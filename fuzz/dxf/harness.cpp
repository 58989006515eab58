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
  VLgeomcell *list =
      VLdxf_readbytes("fuzz", reinterpret_cast<const char *>(data), size, &options);
  while (list) {
    VLgeomcell *next = list->next;
    if (list->geometry) VLgeometry_delete(list->geometry);
    free(list);
    list = next;
  }
  return 0;
}
