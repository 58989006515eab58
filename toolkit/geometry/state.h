/* Process-wide state of the geometry family in one record, with one
 * accessor and a reset for tests: the material-table list (newest first),
 * the numbers of the generated "mtN" table names, the open geometry and
 * the construction-time vertex table, the handlers of geometry events. */
#ifndef VLX_GEOMETRY_STATE_H
#define VLX_GEOMETRY_STATE_H

#include <set>

struct VLmtable;
struct VLgeometry;
struct VLvertex;

#define VLGEOM_VTABLE_INITIAL 1000

#include "geometry/events.h"

struct VLgeomstate {
  VLmtable *tables = nullptr;           /* every table, newest first */
  unsigned long tableserial = 0;        /* serial of the newest table made */
  std::multiset<long> mtnumbers;        /* N of every table named "mtN" */
  bool mtnameswarned = false;           /* told that names ran out, none generated since */

  VLgeometry *open = nullptr;           /* the geometry under construction */
  VLvertex **vtable = nullptr;          /* vertex table of the open geometry */
  int vcount = 0;
  int vcapacity = VLGEOM_VTABLE_INITIAL;

  VLgeometryevents events = {};         /* handlers of higher families */
};

VLgeomstate &_VLgeom(void);
/* Tests: deletes the open geometry and every table, forgets everything. */
void _VLgeometry_reset(void);

#endif
