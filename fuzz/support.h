/* Shared set-up of the fuzz harnesses: a universe on the null 3D device
 * (nothing is drawn, every toolkit operation works), made once per process.
 * Harnesses whose reader needs no universe do not call it. */
#ifndef VLX_FUZZ_SUPPORT_H
#define VLX_FUZZ_SUPPORT_H

#include <stdlib.h>

#include "display/device/device.h"
#include "geometry/mtable_internal.h"
#include "vlx/geometry.h"
#include "vlx/nff.h"
#include "vlx/universe.h"

inline void fuzz_universe(void) {
  if (VLuniverse_current()) return;
  setenv("VLXOFFSCREEN", "1", 1);
  _VLdevice_usenull(true);
  VLuniverse_new(1, 0);
}

/* Material tables made while reading an input: noted before the read,
 * deleted after its geometries are (readers leave the tables a geometry
 * uses in the toolkit's list, as a user's load does). */
inline unsigned long fuzz_tables_before(void) { return _VLmtable_newest(); }
inline void fuzz_drop_tables(unsigned long before) { _VLmtable_ownbyusers(before); }

/* Deletes a reader's geometry list: every geometry and cell. */
inline void fuzz_delete_geometries(VLgeomcell *list) {
  while (list) {
    VLgeomcell *next = list->next;
    if (list->geometry) VLgeometry_delete(list->geometry);
    free(list);
    list = next;
  }
}

/* One neutral-file input: geometries read by read(options) (merged or
 * not, with portals), then the universe cleared (portals point at the
 * geometries) and the geometries and their tables deleted. */
template <typename Read>
void fuzz_nff(size_t size, Read read) {
  fuzz_universe();
  VLview view;
  VLportal *portals = nullptr;
  VLnffoptions options{&view, 1.0f, size % 2 == 0, &portals};
  unsigned long tables = fuzz_tables_before();
  VLgeomcell *list = read(&options);
  VLuniverse_clear();
  fuzz_delete_geometries(list);
  fuzz_drop_tables(tables);
}

#endif
