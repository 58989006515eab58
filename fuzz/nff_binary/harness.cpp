/* The neutral file format, binary form, from bytes: geometries read (merged
 * or not, with portals) and deleted again. */
#include <stdint.h>
#include <stdlib.h>

#include "support.h"
#include "vlx/geometry.h"
#include "vlx/nff.h"
#include "vlx/object.h"

namespace {

void free_list(VLgeomcell *list) {
  while (list) {
    VLgeomcell *next = list->next;
    if (list->geometry) VLgeometry_delete(list->geometry);
    free(list);
    list = next;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  VLview view;
  VLportal *portals = nullptr;
  VLnffoptions options{&view, 1.0f, size % 2 == 0, &portals};
  VLgeomcell *list = VLbnff_readbytes("fuzz", data, size, &options);
  /* Portals first: they point at the geometries. */
  VLuniverse_clear();
  free_list(list);
  return 0;
}
