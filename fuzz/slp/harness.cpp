/* The SLP reader from bytes: the solids read into geometries (scaled or
 * not), which are deleted again. */
#include <stdint.h>

#include "support.h"
#include "vlx/slp.h"
#include "vlx/mtable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_universe();
  float scale = size % 2 == 0 ? 1.0f : 2.5f;
  VLgeomcell *list = VLslp_readbytes("fuzz", reinterpret_cast<const char *>(data), size, scale);
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
