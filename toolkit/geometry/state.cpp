/* The geometry family's state record, its reset, and the release of every
 * material table when the universe is deleted. The reset keeps the event
 * handlers: geometries made before it may still carry data of other families. */
#include "geometry/state.h"

#include <stdlib.h>

#include "geometry/internal.h"
#include "geometry/loop.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

VLgeomstate &_VLgeom(void) {
  static VLgeomstate state;
  return state;
}

VLgeometryevents &_VLgeometry_events(void) { return _VLgeom().events; }

void _VLgeometry_releasetables(void) {
  VLgeomstate &s = _VLgeom();
  while (s.tables) VLmtable_delete(s.tables);
  s.mtnumbers.clear();
  s.mtnameswarned = false;
}

void _VLgeometry_reset(void) {
  VLgeomstate &s = _VLgeom();
  if (s.open) {
    s.open->refcount = 1;
    VLgeometry_delete(s.open);
  }
  _VLgeometry_endconstruction();
  _VLgeometry_releasetables();
}
