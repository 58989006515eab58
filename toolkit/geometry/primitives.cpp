/* Primitives built through the construction protocol: block, sphere,
 * rectangle, and one polygon from a list of points. Sizes below 0.004 in
 * magnitude are refused. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "geometry/internal.h"
#include "geometry/state.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/math.h"

namespace {

/* Vertex count above which a sphere is refused (keeps indexes in range). */
const long kMaxSphereVertices = 1L << 24;

bool too_small(float size) { return !(fabsf(size) >= VLEPSILON); }

/* One polygon over table indexes; false when it cannot be closed. */
bool polygon(VLgeometry *g, const int *corners, int n, bool twosided) {
  VLpoly *p = VLpoly_new(g);
  for (int i = 0; i < n; ++i) VLpoly_addvertex(p, corners[i]);
  if (!VLpoly_close(p)) {
    VLpoly_delete(p);
    return false;
  }
  if (twosided) VLpoly_setbothsides(p, true);
  return true;
}

/* Closes g and gives it the primitive's name; null when closing fails. */
VLgeometry *finish(VLgeometry *g, const char *name) {
  if (!VLgeometry_close(g)) return nullptr;
  free(g->name);
  g->name = VLstrdup(name);
  return g;
}

VLgeometry *abandon(VLgeometry *g) {
  VLgeometry_delete(g);
  return nullptr;
}

}  // namespace

VLgeometry *VLgeometry_newblock(float x, float y, float z, bool twosided) {
  if (too_small(x) || too_small(y) || too_small(z)) return nullptr;
  VLgeometry *g = VLgeometry_begin();
  if (!g) return nullptr;
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j)
      for (int k = 0; k < 2; ++k) {
        float p[3] = {i ? -x / 2 : x / 2, j ? -y / 2 : y / 2, k ? -z / 2 : z / 2};
        VLgeometry_newvertex(g, p);
      }
  static const int faces[6][4] = {{6, 2, 0, 4}, {2, 3, 1, 0}, {3, 7, 5, 1},
                                  {7, 6, 4, 5}, {0, 1, 5, 4}, {6, 7, 3, 2}};
  for (const auto &f : faces)
    if (!polygon(g, f, 4, twosided)) return abandon(g);
  return finish(g, "block");
}

static void sphere_vertices(VLgeometry *g, float r, int m, int n, bool smooth) {
  float lower[3] = {0, -r, 0}, upper[3] = {0, r, 0};
  VLgeometry_newvertex(g, lower);
  VLgeometry_newvertex(g, upper);
  for (int k = 0; k + 1 < m; ++k) {
    double phi = (k + 1) * M_PI / m;
    for (int j = 0; j < n; ++j) {
      double theta = j * 2.0 * M_PI / n;
      float p[3] = {static_cast<float>(r * sin(phi) * cos(theta)), static_cast<float>(-r * cos(phi)),
                    static_cast<float>(r * sin(phi) * sin(theta))};
      VLgeometry_newvertex(g, p);
    }
  }
  if (smooth)
    for (VLvertex *v = g->vertices; v; v = v->next) v->flags |= VLVERTEX_SMOOTH;
}

static bool sphere_polygons(VLgeometry *g, int m, int n, bool twosided) {
  for (int j = 0; j < n; ++j) {
    int c[3] = {0, 2 + j, 2 + (j + 1) % n};
    if (!polygon(g, c, 3, twosided)) return false;
  }
  for (int k = 0; k + 2 < m; ++k) {
    int b = 2 + k * n;
    for (int j = 0; j < n; ++j) {
      int c[4] = {b + (j + 1) % n, b + j, b + n + j, b + n + (j + 1) % n};
      if (!polygon(g, c, 4, twosided)) return false;
    }
  }
  int t = 2 + (m - 2) * n;
  for (int j = 0; j < n; ++j) {
    int c[3] = {1, t + (j + 1) % n, t + j};
    if (!polygon(g, c, 3, twosided)) return false;
  }
  return true;
}

VLgeometry *VLgeometry_newsphere(float radius, int latitudes, int longitudes, bool twosided,
                                 bool smooth) {
  if (too_small(radius) || latitudes < 2 || longitudes < 3) return nullptr;
  if (2L + static_cast<long>(latitudes - 1) * longitudes > kMaxSphereVertices) return nullptr;
  VLgeometry *g = VLgeometry_begin();
  if (!g) return nullptr;
  sphere_vertices(g, radius, latitudes, longitudes, smooth);
  if (!sphere_polygons(g, latitudes, longitudes, twosided)) return abandon(g);
  return finish(g, "sphere");
}

VLgeometry *VLgeometry_newrectangle(float a, float b, bool twosided) {
  if (too_small(a) || too_small(b) || a < 0.0f || b < 0.0f) return nullptr;
  VLgeometry *g = VLgeometry_begin();
  if (!g) return nullptr;
  float pts[4][3] = {{b / 2, a / 2, 0}, {b / 2, -a / 2, 0}, {-b / 2, -a / 2, 0}, {-b / 2, a / 2, 0}};
  for (const auto &p : pts) VLgeometry_newvertex(g, p);
  static const int corners[4] = {0, 1, 2, 3};
  if (!polygon(g, corners, 4, twosided)) return abandon(g);
  return finish(g, "rectangle");
}

/* Takes the vertices appended after 'last' off g again. */
static void drop_vertices_after(VLgeometry *g, VLvertex *last, int tablecount) {
  VLvertex *v = last ? last->next : g->vertices;
  if (last)
    last->next = nullptr;
  else
    g->vertices = nullptr;
  g->lastvertex = last;
  _VLvertex_freelist(v);
  if (g == _VLgeom().open) _VLgeom().vcount = tablecount;
}

VLpoly *VLpoly_frompoints(VLgeometry *g, const float *points, int count, bool twosided) {
  if (!g || !points || count < VLPOLY_MINCORNERS || count > VLPOLY_MAXCORNERS) return nullptr;
  if (g != _VLgeom().open && !g->editing) return nullptr;
  VLvertex *last = g->lastvertex;
  int tablecount = _VLgeom().vcount;
  VLpoly *p = VLpoly_new(g);
  for (int i = 0; i < count; ++i) VLpoly_addvertexptr(p, VLgeometry_newvertex(g, points + 3 * i));
  if (!VLpoly_close(p)) {
    VLpoly_delete(p);
    drop_vertices_after(g, last, tablecount);
    return nullptr;
  }
  if (twosided) VLpoly_setbothsides(p, true);
  return p;
}
