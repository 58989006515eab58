/* Events of the geometry family that higher families answer. A higher
 * family that hangs data on geometries or polygons (the renderer's compiled
 * caches, the texture family's polygon attributes) registers its handlers
 * when it first attaches such data, so no geometry code includes it. An
 * unset handler means no such data was ever made. */
#ifndef VLX_GEOMETRY_EVENTS_H
#define VLX_GEOMETRY_EVENTS_H

struct VLgeometryevents {
  /* A geometry's render cache is dropped: the geometry changed or is gone. */
  void (*cachedropped)(void *cache);
  /* A polygon with attributes is freed. */
  void (*polyfreed)(void *attributes);
  /* A polygon with attributes is copied: the copy's attributes. */
  void *(*polycopied)(const void *attributes);
};

VLgeometryevents &_VLgeometry_events(void);

#endif
