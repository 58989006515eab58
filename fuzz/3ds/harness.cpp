/* The 3D Studio reader from bytes: the chunk tree parsed and converted to
 * geometries (merged or not), which are deleted again. */
#include <stdint.h>

#include "support.h"
#include "vlx/3ds.h"
#include "vlx/mtable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  VLgeomcell *list = VL3ds_readbytes("fuzz", data, size, 1.0f, size % 2 == 0);
  VLuniverse_clear();
  while (list) {
    VLgeomcell *next = list->next;
    if (list->geometry) VLgeometry_delete(list->geometry);
    free(list);
    list = next;
  }
  /* The geometries' tables, left without users, go too. */
  for (VLmtable *t = VLmtable_first(); t;) {
    VLmtable *next = t->next;
    if (!t->users) VLmtable_delete(t);
    t = next;
  }
  return 0;
}
