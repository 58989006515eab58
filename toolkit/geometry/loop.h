/* What the universe calls in the geometry family. */
#ifndef VLX_GEOMETRY_LOOP_H
#define VLX_GEOMETRY_LOOP_H

/* Frees the family's process-wide tables (universe deletion). */
void _VLgeometry_releasetables(void);

#endif
