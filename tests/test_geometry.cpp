/* Geometry: the construction protocol, polygon planes and corner rules,
 * geometry close (unused vertices, smooth normals, bounds), edits,
 * translate, copy, merge, reference-counted delete, the primitives, and
 * the link to Geometry nodes. */
#include <gtest/gtest.h>

#include "render/playback.h"

#include <math.h>
#include <string.h>

#include <vector>

#include "core/messages.h"
#include "geometry/internal.h"
#include "geometry/state.h"
#include "support/messages.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/node.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

class GeometryTest : public UniverseTest {
 protected:
  void TearDown() override {
    UniverseTest::TearDown();
    _VLgeometry_reset();
  }
};

struct P3 {
  float x, y, z;
};

/* Builds and closes a geometry of these vertices and polygons (vertex
 * table indexes); null when a polygon or the geometry does not close. */
VLgeometry *build(const std::vector<P3> &verts, const std::vector<std::vector<int>> &polys,
                  bool smooth = false) {
  VLgeometry *g = VLgeometry_begin();
  if (!g) return nullptr;
  for (const P3 &p : verts) {
    float q[3] = {p.x, p.y, p.z};
    VLvertex *v = VLgeometry_newvertex(g, q);
    if (smooth) v->flags |= VLVERTEX_SMOOTH;
  }
  for (const auto &corners : polys) {
    VLpoly *p = VLpoly_new(g);
    for (int i : corners) EXPECT_TRUE(VLpoly_addvertex(p, i));
    if (!VLpoly_close(p)) {
      VLpoly_delete(p);
      VLgeometry_delete(g);
      return nullptr;
    }
  }
  return VLgeometry_close(g) ? g : nullptr;
}

int vertex_count(const VLgeometry *g) {
  int n = 0;
  for (const VLvertex *v = g->vertices; v; v = v->next) ++n;
  return n;
}

int initial_count(const VLgeometry *g) {
  int n = 0;
  for (const VLvertex *v = g->initialvertices; v; v = v->next) ++n;
  return n;
}

int poly_count(const VLgeometry *g) {
  int n = 0;
  for (const VLpoly *p = g->polys; p; p = p->next) ++n;
  return n;
}

bool vertex_in(const VLgeometry *g, const VLvertex *v) {
  for (const VLvertex *w = g->vertices; w; w = w->next)
    if (w == v) return true;
  return false;
}

void centroid(const VLpoly *p, float out[3]) {
  out[0] = out[1] = out[2] = 0;
  for (const VLvertexref *r = p->vertices; r; r = r->next)
    for (int k = 0; k < 3; ++k) out[k] += r->vertex->position[k] / p->ncorners;
}

float dot(const float *a, const float *b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

/* Every polygon's normal points away from the geometry's centre, and its
 * plane constant matches its corners. */
void expect_outward(const VLgeometry *g) {
  for (const VLpoly *p = g->polys; p; p = p->next) {
    float c[3];
    centroid(p, c);
    for (int k = 0; k < 3; ++k) c[k] -= g->centre[k];
    EXPECT_GT(dot(p->normal, c), 0.0f);
    EXPECT_NEAR(dot(p->normal, p->normal), 1.0f, 1e-5);
    EXPECT_NEAR(p->plane, dot(p->normal, p->vertices->vertex->position), 1e-5);
  }
}

const std::vector<P3> kSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

}  // namespace

/* ---------- the construction protocol ---------- */

TEST_F(GeometryTest, BeginTwiceKeepsTheFirstOpen) {
  VLgeometry *g = VLgeometry_begin();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(VLgeometry_begin(), nullptr);
  EXPECT_EQ(fired_count(VLM_GEOM_BEGIN_OPEN), 1);
  EXPECT_EQ(_VLgeom().open, g);
  EXPECT_EQ(g->refcount, 1);
  EXPECT_EQ(g->ownspolys, 1u);
  ASSERT_NE(g->mtable, nullptr);
  EXPECT_EQ(VLmtable_getmask(g->mtable), uint32_t(VLAMBIENTDIFFUSE));
  EXPECT_EQ(g->mtable->nentries, 1);  /* white */
  for (const P3 &p : kSquare) {
    float q[3] = {p.x, p.y, p.z};
    VLgeometry_newvertex(g, q);
  }
  VLpoly *p = VLpoly_new(g);
  for (int i = 0; i < 4; ++i) VLpoly_addvertex(p, i);
  ASSERT_TRUE(VLpoly_close(p));
  EXPECT_TRUE(VLgeometry_close(g));
  EXPECT_STREQ(g->name, "untitled");
  EXPECT_EQ(_VLgeom().open, nullptr);
  EXPECT_FALSE(VLgeometry_close(g));
  EXPECT_EQ(fired_count(VLM_GEOM_CLOSE_NOT_OPEN), 1);
  VLgeometry_delete(g);
}

TEST_F(GeometryTest, VerticesNeedAnOpenOrEditedGeometry) {
  VLgeometry *g = VLgeometry_newblock(1, 1, 1, false);
  float q[3] = {5, 5, 5};
  EXPECT_EQ(VLgeometry_newvertex(g, q), nullptr);
  EXPECT_EQ(fired_count(VLM_GEOM_NEWVERTEX_CLOSED), 1);
  VLvertex loose = {};
  EXPECT_FALSE(_VLgeometry_addvertex(g, &loose));
  EXPECT_EQ(fired_count(VLM_GEOM_ADDVERTEX_CLOSED), 1);
  /* a closed geometry does not take vertices while another is open */
  VLgeometry *open = VLgeometry_begin();
  EXPECT_EQ(VLgeometry_newvertex(g, q), nullptr);
  VLgeometry_delete(open);
  EXPECT_EQ(_VLgeom().open, nullptr);  /* deleting the open geometry ends construction */
  EXPECT_EQ(vertex_count(g), 8);
  VLgeometry_delete(g);
}

TEST_F(GeometryTest, AddVertexChecksTheTableIndex) {
  VLgeometry *g = VLgeometry_begin();
  for (int i = 0; i < 2500; ++i) {  /* the table doubles past 1000 and 2000 */
    float q[3] = {static_cast<float>(i), static_cast<float>(i % 7), 0};
    VLgeometry_newvertex(g, q);
  }
  EXPECT_EQ(_VLgeom().vcapacity, 4000);
  VLpoly *p = VLpoly_new(g);
  EXPECT_FALSE(VLpoly_addvertex(p, -1));
  EXPECT_FALSE(VLpoly_addvertex(p, 2500));
  EXPECT_TRUE(VLpoly_addvertex(p, 0));
  EXPECT_TRUE(VLpoly_addvertex(p, 1000));
  EXPECT_TRUE(VLpoly_addvertex(p, 2499));
  ASSERT_TRUE(VLpoly_close(p));
  EXPECT_EQ(p->vertices->vertex->position[0], 0.0f);  /* corners in the order added */
  EXPECT_EQ(p->vertices->next->vertex->position[0], 1000.0f);
  EXPECT_FALSE(VLpoly_close(p));  /* closing twice would link it twice */
  EXPECT_FALSE(VLpoly_addvertex(p, 5));
  ASSERT_TRUE(VLgeometry_close(g));
  EXPECT_EQ(_VLgeom().vcapacity, 1000);
  EXPECT_EQ(vertex_count(g), 3);
  VLpoly *late = VLpoly_new(g);
  EXPECT_FALSE(VLpoly_addvertex(late, 0));  /* no table after close */
  VLpoly_delete(late);
  VLgeometry_delete(g);
}

TEST_F(GeometryTest, PolygonCornerLimits) {
  const int cases[][2] = {{2, 0}, {3, 1}, {256, 1}, {257, 0}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c[0]);
    record_messages();
    VLgeometry *g = VLgeometry_begin();
    VLpoly *p = VLpoly_new(g);
    for (int i = 0; i < c[0]; ++i) {
      float a = 6.2831853f * i / c[0];
      float q[3] = {cosf(a), sinf(a), 0};
      VLpoly_addvertexptr(p, VLgeometry_newvertex(g, q));
    }
    bool closed = VLpoly_close(p);
    EXPECT_EQ(closed, c[1] == 1);
    if (!closed) {
      ASSERT_EQ(fired_count(VLM_POLY_CORNERS), 1);
      char tail[64];
      snprintf(tail, sizeof tail, " has %d vertices -- outside [3,256]\n", c[0]);
      EXPECT_NE(fired()[0].text.find(tail), std::string::npos) << fired()[0].text;
      VLpoly_delete(p);
      EXPECT_EQ(g->npolys, 0);
    } else {
      EXPECT_EQ(p->ncorners, c[0]);
      EXPECT_EQ(g->npolys, 1);
      EXPECT_NEAR(p->normal[2], 1.0f, 1e-5);
    }
    VLgeometry_delete(g);
  }
}

/* ---------- planes and corners ---------- */

TEST_F(GeometryTest, PlaneNormalFollowsCornerOrder) {
  struct Case {
    std::vector<P3> corners;
    float normal[3];
    bool convex;
  };
  const Case cases[] = {
      {kSquare, {0, 0, 1}, true},
      {{{0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}}, {0, 0, -1}, true},
      /* an L shape: not convex, still facing +z */
      {{{0, 0, 2}, {2, 0, 2}, {2, 1, 2}, {1, 1, 2}, {1, 2, 2}, {0, 2, 2}}, {0, 0, 1}, false},
      {{{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {1, 0, 0}, true},
  };
  for (const Case &c : cases) {
    std::vector<int> idx;
    for (size_t i = 0; i < c.corners.size(); ++i) idx.push_back(static_cast<int>(i));
    VLgeometry *g = build(c.corners, {idx});
    ASSERT_NE(g, nullptr);
    const VLpoly *p = g->polys;
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(p->normal[k], c.normal[k], 1e-5);
    EXPECT_EQ((p->flags & VLPOLY_CONVEX) != 0, c.convex);
    const float first[3] = {c.corners[0].x, c.corners[0].y, c.corners[0].z};
    EXPECT_NEAR(p->plane, dot(p->normal, first), 1e-5);
    EXPECT_EQ(p->flags & (VLPOLY_CREATED | VLPOLY_TOOLKIT), VLPOLY_CREATED | VLPOLY_TOOLKIT);
    VLgeometry_delete(g);
  }
}

TEST_F(GeometryTest, CoincidentCornersAreDropped) {
  struct Case {
    std::vector<P3> corners;
    int remaining;
    bool degenerate;
  };
  const float e = 5e-6f;  /* below the 1e-5 corner tolerance */
  const Case cases[] = {
      {{{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}}, 3, false},
      {{{0, 0, 0}, {1, 0, 0}, {1 + e, e, 0}, {1, 1, 0}, {0, 1, 0}}, 4, false},
      {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}}, 3, false},  /* around the ring */
      {{{0, 0, 0}, {1, 0, 0}, {1, 0, 0}}, 2, true},
      {{{2, 2, 2}, {2, 2, 2}, {2, 2, 2}}, 1, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.remaining);
    VLgeometry *g = VLgeometry_begin();
    VLpoly *p = VLpoly_new(g);
    for (const P3 &q : c.corners) {
      float a[3] = {q.x, q.y, q.z};
      VLpoly_addvertexptr(p, VLgeometry_newvertex(g, a));
    }
    ASSERT_TRUE(VLpoly_close(p));
    EXPECT_EQ(p->ncorners, c.remaining);
    int cells = 0;
    for (VLvertexref *r = p->vertices; r; r = r->next) ++cells;
    EXPECT_EQ(cells, c.remaining);
    EXPECT_EQ((p->flags2 & VLPOLY_DEGENERATE) != 0, c.degenerate);
    VLgeometry_delete(g);
  }
}

TEST_F(GeometryTest, CornerBitsReportNormalsAndColours) {
  VLgeometry *g = VLgeometry_begin();
  VLvertex *v[3];
  for (int i = 0; i < 3; ++i) {
    float q[3] = {static_cast<float>(i == 1), static_cast<float>(i == 2), 0};
    v[i] = VLgeometry_newvertex(g, q);
  }
  float n[3] = {0, 0, 1};
  VLvertex_setnormal(g, v[0], n);
  VLvertex_setnormal(g, v[1], n);
  v[2]->flags |= VLVERTEX_SMOOTH;
  for (VLvertex *w : v) EXPECT_TRUE(VLvertex_setrgb(g, w, 255, 0, 0));
  VLpoly *p = VLpoly_new(g);
  EXPECT_EQ(p->vertexflags, 4);
  for (int i = 0; i < 3; ++i) VLpoly_addvertex(p, i);
  ASSERT_TRUE(VLpoly_close(p));
  EXPECT_EQ(p->vertexflags, 4 | VLPOLY_VNORMALS | VLPOLY_VCOLOURS);
  EXPECT_EQ(v[0]->colour, 1);  /* white is entry 0 */
  float zero[3] = {0, 0, 0};
  EXPECT_FALSE(VLvertex_setnormal(g, v[0], zero));
  EXPECT_FALSE(VLvertex_setcolorindex(g, v[0], -1));
  ASSERT_TRUE(VLgeometry_close(g));
  VLgeometry_delete(g);
}

/* ---------- geometry close ---------- */

TEST_F(GeometryTest, UnusedVerticesAreRemoved) {
  for (int verbose = 0; verbose < 2; ++verbose) {
    record_messages();
    VLuniverse_current()->settings->verbose = static_cast<uint8_t>(verbose);
    VLgeometry *g = build({{0, 0, 0}, {9, 9, 9}, {1, 0, 0}, {-9, -9, -9}, {0, 1, 0}}, {{0, 2, 4}});
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(vertex_count(g), 3);
    EXPECT_EQ(initial_count(g), 3);
    EXPECT_EQ(g->lastvertex->position[1], 1.0f);
    EXPECT_EQ(fired_count(VLM_GEOM_UNUSED_REMOVED), verbose);
    if (verbose) {
      EXPECT_EQ(fired()[0].text, "VLX Warning: 2 unused vertices were removed\n");
    }
    /* the bounds ignore the removed vertices */
    EXPECT_NEAR(g->halfextents[0], 0.5f, 1e-6);
    EXPECT_NEAR(g->centre[1], 0.5f, 1e-6);
    VLgeometry_delete(g);
  }
}

TEST_F(GeometryTest, TooFewVerticesDeleteTheGeometry) {
  /* a triangle over two distinct vertices leaves two vertices */
  VLgeometry *g = VLgeometry_begin();
  float a[3] = {0, 0, 0}, b[3] = {1, 0, 0};
  VLgeometry_newvertex(g, a);
  VLgeometry_newvertex(g, b);
  VLpoly *p = VLpoly_new(g);
  VLpoly_addvertex(p, 0);
  VLpoly_addvertex(p, 1);
  VLpoly_addvertex(p, 0);
  ASSERT_TRUE(VLpoly_close(p));
  EXPECT_FALSE(VLgeometry_close(g));
  EXPECT_EQ(fired_count(VLM_GEOM_TOO_FEW), 1);
  EXPECT_EQ(_VLgeom().open, nullptr);
  ASSERT_NE(VLmtable_first(), nullptr);
  EXPECT_EQ(VLmtable_first()->users, nullptr);  /* the deleted geometry left its table */
  /* a geometry without polygons is deleted too */
  EXPECT_EQ(build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}), nullptr);
  EXPECT_EQ(fired_count(VLM_GEOM_TOO_FEW), 2);
}

TEST_F(GeometryTest, SmoothNormalsAverageAndCancel) {
  /* two faces of a roof: the shared edge gets the mean of their normals */
  VLgeometry *roof = build({{0, 0, 0}, {0, 0, 1}, {1, 1, 0}, {1, 1, 1}, {2, 0, 0}, {2, 0, 1}},
                           {{0, 2, 3, 1}, {2, 4, 5, 3}}, true);
  ASSERT_NE(roof, nullptr);
  const VLvertex *ridge = roof->vertices->next->next;
  ASSERT_NE(ridge->normal, nullptr);
  EXPECT_NEAR(ridge->normal[0], 0.0f, 1e-5);
  EXPECT_NEAR(fabsf(ridge->normal[1]), 1.0f, 1e-5);
  EXPECT_EQ(ridge->flags & VLVERTEX_SMOOTH, 0);
  const VLvertex *edge = roof->vertices;
  EXPECT_NEAR(fabsf(edge->normal[0]), 0.70710677f, 1e-5);
  VLgeometry_delete(roof);

  /* the same triangle both ways round: the normals cancel */
  VLgeometry *g = build({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 1}}, true);
  ASSERT_NE(g, nullptr);
  for (const VLvertex *v = g->vertices; v; v = v->next) {
    ASSERT_NE(v->normal, nullptr);
    EXPECT_EQ(v->normal[0], 1.0f);
    EXPECT_EQ(v->normal[1], 0.0f);
    EXPECT_EQ(v->normal[2], 0.0f);
  }
  VLgeometry_delete(g);
}

/* ---------- primitives ---------- */

TEST_F(GeometryTest, SphereCountsAndBounds) {
  struct Case {
    int m, n, vertices, polys, triangles;
  };
  const Case cases[] = {{2, 3, 5, 6, 6}, {8, 16, 114, 128, 32}, {3, 4, 10, 12, 8}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.vertices);
    VLgeometry *g = VLgeometry_newsphere(2.0f, c.m, c.n, false, true);
    ASSERT_NE(g, nullptr);
    EXPECT_STREQ(g->name, "sphere");
    EXPECT_EQ(vertex_count(g), c.vertices);
    EXPECT_EQ(poly_count(g), c.polys);
    EXPECT_EQ(g->npolys, c.polys);
    int triangles = 0;
    for (const VLpoly *p = g->polys; p; p = p->next) triangles += p->ncorners == 3;
    EXPECT_EQ(triangles, c.triangles);
    expect_outward(g);
    EXPECT_NEAR(g->halfextents[1], 2.0f, 1e-5);
    EXPECT_NEAR(g->centre[1], 0.0f, 1e-5);
    /* smooth normals point outwards from the centre */
    for (const VLvertex *v = g->vertices; v; v = v->next) {
      ASSERT_NE(v->normal, nullptr);
      EXPECT_GT(dot(v->normal, v->position) / 2.0f, 0.9f);
    }
    VLgeometry_delete(g);
  }
  EXPECT_EQ(VLgeometry_newsphere(1, 1, 3, false, false), nullptr);
  EXPECT_EQ(VLgeometry_newsphere(1, 2, 2, false, false), nullptr);
  EXPECT_EQ(VLgeometry_newsphere(0.001f, 8, 8, false, false), nullptr);
  EXPECT_EQ(VLgeometry_newsphere(1, 1 << 20, 1 << 20, false, false), nullptr);
  VLgeometry *flat = VLgeometry_newsphere(1, 2, 3, true, false);
  ASSERT_NE(flat, nullptr);
  EXPECT_EQ(flat->vertices->normal, nullptr);
  EXPECT_NE(flat->polys->flags & VLPOLY_TWOSIDED, 0);
  VLgeometry_delete(flat);
}

TEST_F(GeometryTest, BlockBoundsAndFaces) {
  VLgeometry *g = VLgeometry_newblock(1, 2, 3, false);
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(g->name, "block");
  EXPECT_EQ(vertex_count(g), 8);
  EXPECT_EQ(g->npolys, 6);
  const float half[3] = {0.5f, 1, 1.5f};
  float extents[3], mid[3];
  ASSERT_TRUE(VLgeometry_getextents(g, extents));
  ASSERT_TRUE(VLgeometry_getmidpoint(g, mid));
  for (int k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(g->halfextents[k], half[k]);
    EXPECT_FLOAT_EQ(extents[k], 2 * half[k]);
    EXPECT_FLOAT_EQ(mid[k], 0.0f);
  }
  EXPECT_FLOAT_EQ(g->radius, sqrtf(3.5f));
  EXPECT_EQ(g->vertices->position[0], 0.5f);  /* vertex 0 is (+,+,+) */
  EXPECT_EQ(g->lastvertex->position[2], -1.5f);
  expect_outward(g);
  for (const VLpoly *p = g->polys; p; p = p->next) {
    EXPECT_EQ(p->ncorners, 4);
    EXPECT_NE(p->flags & VLPOLY_CONVEX, 0);
    EXPECT_EQ(p->flags & VLPOLY_TWOSIDED, 0);
  }
  VLgeometry_delete(g);
  EXPECT_EQ(VLgeometry_newblock(1, 0.003f, 1, false), nullptr);
  VLgeometry *two = VLgeometry_newblock(-1, 1, 1, true);
  ASSERT_NE(two, nullptr);  /* magnitudes count */
  EXPECT_NE(two->polys->flags & VLPOLY_TWOSIDED, 0);
  VLgeometry_delete(two);
}

TEST_F(GeometryTest, RectangleFacesMinusZ) {
  VLgeometry *g = VLgeometry_newrectangle(2, 4, false);
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(g->name, "rectangle");
  EXPECT_EQ(g->npolys, 1);
  EXPECT_NEAR(g->polys->normal[2], -1.0f, 1e-6);
  EXPECT_FLOAT_EQ(g->halfextents[0], 2.0f);
  EXPECT_FLOAT_EQ(g->halfextents[1], 1.0f);
  VLgeometry_delete(g);
  EXPECT_EQ(VLgeometry_newrectangle(-2, 4, false), nullptr);
  EXPECT_EQ(VLgeometry_newrectangle(2, 0, false), nullptr);
}

TEST_F(GeometryTest, PolyFromPointsLeavesNothingOnFailure) {
  VLgeometry *g = VLgeometry_begin();
  const float pts[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  EXPECT_EQ(VLpoly_frompoints(g, pts, 2, false), nullptr);
  EXPECT_EQ(VLpoly_frompoints(g, pts, 257, false), nullptr);
  EXPECT_EQ(g->vertices, nullptr);
  EXPECT_EQ(_VLgeom().vcount, 0);
  VLpoly *p = VLpoly_frompoints(g, pts, 4, true);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->ncorners, 4);
  EXPECT_NE(p->flags & VLPOLY_TWOSIDED, 0);
  VLpoly_setbothsides(p, false);
  EXPECT_EQ(p->flags & 3, 0);
  EXPECT_EQ(_VLgeom().vcount, 4);
  ASSERT_TRUE(VLgeometry_close(g));
  EXPECT_EQ(VLpoly_frompoints(g, pts, 3, false), nullptr);  /* closed, not editing */
  VLgeometry_delete(g);
}

/* ---------- edits and whole-geometry operations ---------- */

TEST_F(GeometryTest, EditsRecomputePlanesAndBounds) {
  VLgeometry *g = build(kSquare, {{0, 1, 2, 3}});
  ASSERT_NE(g, nullptr);
  _VLrender_compile(g);   /* a real render cache, released by the edit */
  ASSERT_NE(g->rendercache, nullptr);
  float q[3] = {0, 0, 0};
  EXPECT_FALSE(VLvertex_setposition(g, g->vertices, q));  /* not editing */
  EXPECT_FALSE(VLgeometry_endedit(g));
  ASSERT_TRUE(VLgeometry_beginedit(g));
  EXPECT_EQ(g->rendercache, nullptr);
  EXPECT_FALSE(VLgeometry_beginedit(g));
  /* lift the whole square to z = 3 */
  for (VLvertex *v = VLgeometry_getvertices(g); v; v = VLvertex_next(v)) {
    float p[3];
    VLvertex_getposition(g, v, p);
    p[2] = 3;
    EXPECT_TRUE(VLvertex_setposition(g, v, p));
    EXPECT_NE(v->flags & VLVERTEX_MOVED, 0);
  }
  EXPECT_EQ(g->modified, 1);
  ASSERT_TRUE(VLgeometry_endedit(g));
  EXPECT_EQ(g->editing, 0);
  EXPECT_EQ(g->modified, 0);
  EXPECT_FLOAT_EQ(g->centre[2], 3.0f);
  EXPECT_FLOAT_EQ(g->polys->plane, 3.0f);
  for (const VLvertex *v = g->vertices; v; v = v->next) EXPECT_EQ(v->flags & VLVERTEX_MOVED, 0);
  EXPECT_EQ(g->initialvertices->position[2], 0.0f);  /* the initial copy stays */

  /* a polygon added during an edit widens the bounds */
  ASSERT_TRUE(VLgeometry_beginedit(g));
  const float far[] = {0, 0, 10, 1, 0, 10, 0, 1, 10};
  ASSERT_NE(VLpoly_frompoints(g, far, 3, false), nullptr);
  ASSERT_TRUE(VLgeometry_endedit(g));
  EXPECT_FLOAT_EQ(g->centre[2], 6.5f);
  EXPECT_EQ(g->npolys, 2);

  /* frozen: everything is refused */
  g->frozen = 1;
  EXPECT_FALSE(VLgeometry_beginedit(g));
  float n[3] = {0, 0, 1};
  EXPECT_FALSE(VLvertex_setnormal(g, g->vertices, n));
  EXPECT_FALSE(VLvertex_setrgb(g, g->vertices, 1, 2, 3));
  EXPECT_FALSE(VLpoly_setcolorindex(g->polys, 0));
  float offset[3] = {1, 0, 0};
  VLgeometry_translate(g, offset);
  EXPECT_FLOAT_EQ(g->centre[0], 0.5f);
  g->frozen = 0;
  VLgeometry_delete(g);
}

TEST_F(GeometryTest, TranslateMovesEverything) {
  VLgeometry *g = VLgeometry_newblock(2, 2, 2, false);
  ASSERT_NE(g, nullptr);
  float offset[3] = {10, 0, -1};
  VLgeometry_translate(g, offset);
  EXPECT_FLOAT_EQ(g->centre[0], 10.0f);
  EXPECT_FLOAT_EQ(g->centre[2], -1.0f);
  EXPECT_FLOAT_EQ(g->vertices->position[0], 11.0f);
  EXPECT_FLOAT_EQ(g->initialvertices->position[0], 11.0f);
  expect_outward(g);  /* planes moved with it: checked against the corners */
  float zero[3] = {0, 0, 0};
  VLgeometry_translate(g, zero);
  EXPECT_FLOAT_EQ(g->centre[0], 10.0f);
  VLgeometry_delete(g);
}

TEST_F(GeometryTest, CopyIsIndependent) {
  VLgeometry *g = VLgeometry_newsphere(1, 4, 6, false, true);
  ASSERT_NE(g, nullptr);
  VLpoly_setrgb(g->polys, 255, 0, 0);
  VLgeometry *c = VLgeometry_copy(g);
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->name, "sphere");
  EXPECT_EQ(c->mtable, g->mtable);
  EXPECT_EQ(c->npolys, g->npolys);
  EXPECT_EQ(poly_count(c), poly_count(g));
  EXPECT_EQ(vertex_count(c), vertex_count(g));
  EXPECT_EQ(initial_count(c), initial_count(g));
  EXPECT_EQ(c->radius, g->radius);
  EXPECT_EQ(c->refcount, 1);
  EXPECT_EQ(c->polys->colour, g->polys->colour);
  for (const VLpoly *p = c->polys; p; p = p->next) {
    EXPECT_EQ(p->geometry, c);
    for (const VLvertexref *r = p->vertices; r; r = r->next) EXPECT_TRUE(vertex_in(c, r->vertex));
  }
  EXPECT_NE(c->vertices->normal, g->vertices->normal);
  VLgeometry_delete(g);
  expect_outward(c);
  VLgeometry_delete(c);
}

TEST_F(GeometryTest, MergeMovesContentIntoTheFirst) {
  VLgeometry *a = VLgeometry_newblock(1, 1, 1, false);
  VLgeometry *b = VLgeometry_newblock(1, 1, 1, false);
  float offset[3] = {4, 0, 0};
  VLgeometry_translate(b, offset);
  VLgeometry *empty = VLgeometry_newrectangle(1, 1, false);
  /* strip the rectangle to a geometry without polygons */
  VLpoly *only = empty->polys;
  empty->polys = nullptr;
  empty->npolys = 0;
  VLpoly_delete(only);  /* refused: a closed polygon */
  _VLpoly_free(only);
  VLgeomcell cells[4] = {{a, &cells[1]}, {b, &cells[2]}, {empty, &cells[3]}, {b, nullptr}};
  VLgeometry_merge(cells);
  EXPECT_EQ(cells[0].geometry, a);
  EXPECT_EQ(cells[1].geometry, nullptr);
  EXPECT_EQ(cells[2].geometry, nullptr);
  EXPECT_EQ(cells[3].geometry, nullptr);
  EXPECT_EQ(a->npolys, 12);
  EXPECT_EQ(poly_count(a), 12);
  EXPECT_EQ(vertex_count(a), 16);
  EXPECT_EQ(initial_count(a), 16);
  for (const VLpoly *p = a->polys; p; p = p->next) EXPECT_EQ(p->geometry, a);
  EXPECT_FLOAT_EQ(a->centre[0], 2.0f);  /* bounds cover both blocks */
  EXPECT_FLOAT_EQ(a->halfextents[0], 2.5f);
  /* appending after the merge uses the right tail */
  EXPECT_EQ(a->lastvertex->next, nullptr);
  EXPECT_TRUE(vertex_in(a, a->lastvertex));
  VLgeometry_delete(a);
}

/* ---------- delete and nodes ---------- */

namespace {
int g_deleted = 0;
void count_delete(VLgeometry *) { ++g_deleted; }
}  // namespace

TEST_F(GeometryTest, DeleteCountsReferences) {
  VLgeometry *g = VLgeometry_newblock(1, 1, 1, false);
  VLmtable *t = g->mtable;
  g->deletefn = count_delete;
  g_deleted = 0;
  g->refcount = 3;
  EXPECT_EQ(VLgeometry_delete(g), 2);
  EXPECT_EQ(VLgeometry_delete(g), 1);
  EXPECT_EQ(g_deleted, 0);
  EXPECT_NE(t->users, nullptr);
  EXPECT_EQ(VLgeometry_delete(g), 0);
  EXPECT_EQ(g_deleted, 1);
  EXPECT_EQ(t->users, nullptr);
  EXPECT_EQ(VLgeometry_delete(nullptr), -1);
}

TEST_F(GeometryTest, GeometryAndNodeGoTogether) {
  VLgeometry *g = VLgeometry_newblock(1, 1, 1, false);
  VLnode *parent = VLgroupnode_new(nullptr);
  ASSERT_NE(parent, nullptr);
  VLnode *node = VLgeometrynode_new(parent, g);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(g->node, node);
  node->flags &= static_cast<uint8_t>(~VLNODEFLAG_CHANGED);
  float offset[3] = {1, 0, 0};
  VLgeometry_translate(g, offset);
  EXPECT_NE(node->flags & VLNODEFLAG_CHANGED, 0);
  /* deleting the geometry deletes its node */
  EXPECT_EQ(VLgeometry_delete(g), 0);
  EXPECT_EQ(VLnode_numchildren(parent), 0);
  /* deleting the node deletes its geometry (checked by the leak checker) */
  VLgeometry *h = VLgeometry_newsphere(1, 3, 4, false, false);
  VLnode *hn = VLgeometrynode_new(parent, h);
  ASSERT_NE(hn, nullptr);
  EXPECT_TRUE(VLnode_delete(hn));
  EXPECT_EQ(VLnode_numchildren(parent), 0);
  VLnode_delete(parent);
}
