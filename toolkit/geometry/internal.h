/* Unchecked core of the geometry family, shared by its files: the public
 * operations check their arguments and call these, which check nothing. */
#ifndef VLX_GEOMETRY_INTERNAL_H
#define VLX_GEOMETRY_INTERNAL_H

struct VLgeometry;
struct VLpoly;
struct VLvertex;

/* Ends construction: frees the vertex table (capacity back to 1000). */
void _VLgeometry_endconstruction(void);
/* Releases the renderer's data of g and clears the pointer. */
void _VLgeometry_dropcache(VLgeometry *g);
/* Marks g's Geometry node changed (nothing without a node). */
void _VLgeometry_markchanged(VLgeometry *g);
/* Deletes g's Geometry node after detaching g from it. */
void _VLgeometry_deletenode(VLgeometry *g);

/* Plane of p from its corners: normal, constant and the convex flag.
 * False when no normal exists or, beyond 3 corners, the corners do not lie
 * in one plane (the renderer then splits the polygon). */
bool _VLpoly_plane(VLpoly *p);
/* Normal, constant and convexity, then the renderer's split on failure. */
void _VLpoly_replan(VLgeometry *g, VLpoly *p);
/* Removes consecutive coincident corners (ring order); sets the degenerate
 * bit when fewer than 3 remain. */
void _VLpoly_dropduplicates(VLpoly *p);
/* Refreshes the every-corner-has-a-normal and -colour bits. */
void _VLpoly_cornerbits(VLpoly *p);
/* Frees the corner cells, the attributes and the record. */
void _VLpoly_free(VLpoly *p);

/* Frees a vertex list with its normals. */
void _VLvertex_freelist(VLvertex *v);
/* Copies a whole vertex record (own normal, no next). */
VLvertex *_VLvertex_copy(const VLvertex *v);
/* Copies a vertex list (positions and normals); *last gets its tail. */
VLvertex *_VLvertex_copylist(const VLvertex *v, VLvertex **last);
/* Removes the vertices whose used flag is clear; returns their number. */
int _VLgeometry_removeunused(VLgeometry *g);
/* Bounding box, centre, half-extents and radius from the vertex list. */
void _VLgeometry_bounds(VLgeometry *g);
/* Appends a vertex to g's list (and to the vertex table while open). */
void _VLgeometry_append(VLgeometry *g, VLvertex *v);

#endif
