/* The DXF reader: line ends, layers, shared vertices and the axis change,
 * INSERT placement, arrays and recursion, polyface and polygon meshes,
 * circles, arcs and lines with and without thickness, the scanner's and
 * parser's messages, the limits that stop a drawing, the view, loading
 * through VLnode_load and vlxinfo, and drawings cut at every byte or with
 * flipped bytes. Fixtures are written by the tests. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "support/messages.h"
#include "support/nff_writer.h"
#include "support/process.h"
#include "vlx/dxf.h"
#include "vlx/file.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/nff.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/universe.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

typedef std::array<float, 3> P3;

/* --- writing drawings --- */

std::string pair(int code, const std::string &value) {
  char buf[16];
  snprintf(buf, sizeof buf, "%3d\n", code);
  return buf + value + "\n";
}

std::string num(double v) {
  char buf[32];
  snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

std::string point(int k, const P3 &p) {
  return pair(10 + k, num(p[0])) + pair(20 + k, num(p[1])) + pair(30 + k, num(p[2]));
}

std::string section(const std::string &name, const std::string &body) {
  return pair(0, "SECTION") + pair(2, name) + body + pair(0, "ENDSEC");
}

std::string drawing(const std::string &entities, const std::string &tables = "",
                    const std::string &blocks = "") {
  std::string out = pair(999, "written by the tests") + section("HEADER", pair(9, "$ACADVER") + pair(1, "AC1009"));
  if (!tables.empty()) out += section("TABLES", tables);
  if (!blocks.empty()) out += section("BLOCKS", blocks);
  return out + section("ENTITIES", entities) + pair(0, "EOF");
}

std::string face(const std::vector<P3> &corners, const std::string &layer = "0",
                 int colour = -1) {
  std::string out = pair(0, "3DFACE") + pair(8, layer);
  if (colour >= 0) out += pair(62, std::to_string(colour));
  for (size_t k = 0; k < corners.size(); ++k) out += point(int(k), corners[k]);
  return out;
}

std::string layer(const std::string &name, int colour, int flags) {
  return pair(0, "LAYER") + pair(2, name) + pair(70, std::to_string(flags)) +
         pair(62, std::to_string(colour));
}

std::string table(const std::string &name, const std::string &entries, int count) {
  return pair(0, "TABLE") + pair(2, name) + pair(70, std::to_string(count)) + entries +
         pair(0, "ENDTAB");
}

std::string block(const std::string &name, const P3 &base, const std::string &entities) {
  return pair(0, "BLOCK") + pair(8, "0") + pair(2, name) + pair(70, "0") + point(0, base) +
         entities + pair(0, "ENDBLK") + pair(8, "0");
}

std::string insert(const std::string &name, const P3 &at, const std::string &extra = "") {
  return pair(0, "INSERT") + pair(8, "0") + pair(2, name) + point(0, at) + extra;
}

std::string circle(const P3 &c, double radius, double thickness) {
  std::string out = pair(0, "CIRCLE") + pair(8, "0") + point(0, c) + pair(40, num(radius));
  if (thickness != 0) out += pair(39, num(thickness));
  return out;
}

std::string vertex(const P3 &p, int flags, const std::vector<int> &face = {}) {
  std::string out = pair(0, "VERTEX") + pair(8, "0") + point(0, p) + pair(70, std::to_string(flags));
  for (size_t k = 0; k < face.size(); ++k) out += pair(71 + int(k), std::to_string(face[k]));
  return out;
}

std::string polyline(int flags, const std::string &fields, const std::string &vertices) {
  return pair(0, "POLYLINE") + pair(8, "0") + pair(66, "1") + pair(70, std::to_string(flags)) +
         fields + vertices + pair(0, "SEQEND");
}

/* Two triangles that meet at the corner (1, 1, 0). */
std::string two_faces(void) {
  return drawing(face({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}) + face({{1, 1, 0}, {2, 1, 0}, {2, 2, 3}}));
}

std::string crlf(const std::string &s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

/* A drawing with a little of everything (the fixture cut and flipped). */
std::string everything(void) {
  std::string tables = table("LAYER", layer("A", 1, 0) + layer("F", 2, 1), 2) +
                       table("VPORT", pair(0, "VPORT") + pair(2, "*ACTIVE") + point(6, {0, 0, 1}) +
                                          point(7, {1, 2, 3}),
                             1);
  std::string blocks =
      block("B", {1, 0, 0},
            face({{1, 0, 0}, {2, 0, 0}, {1, 1, 0}}, "A") + insert("B", {0, 0, 0}) +
                circle({0, 0, 0}, 1, 0.5)) +
      block("M", {0, 0, 0},
            polyline(64, pair(71, "4") + pair(72, "2"),
                     vertex({0, 0, 0}, 192) + vertex({1, 0, 0}, 192) + vertex({1, 1, 0}, 192) +
                         vertex({0, 1, 0}, 192) + vertex({0, 0, 0}, 128, {1, 2, 3}) +
                         vertex({0, 0, 0}, 128, {1, 3, -4})));
  std::string entities =
      face({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}}) +
      insert("B", {5, 0, 0}, pair(41, "2") + pair(50, "30") + pair(70, "2") + pair(44, "3")) +
      insert("M", {0, 5, 0}) + pair(0, "LWPOLYLINE") + pair(90, "2") + point(0, {0, 0, 0}) +
      pair(0, "ARC") + point(0, {0, 0, 0}) + pair(40, "2") + pair(50, "0") + pair(51, "90") +
      pair(39, "1") +
      polyline(16, pair(71, "2") + pair(72, "2"),
               vertex({0, 0, 0}, 64) + vertex({0, 1, 0}, 64) + vertex({1, 0, 0}, 64) +
                   vertex({1, 1, 1}, 64)) +
      pair(0, "LINE") + point(0, {0, 0, 0}) + point(1, {3, 0, 0}) + pair(39, "2") +
      pair(0, "SOLID") + point(0, {0, 0, 0}) + point(1, {1, 0, 0}) + point(2, {0, 1, 0}) +
      point(3, {1, 1, 0});
  return drawing(entities, tables, blocks);
}

std::vector<P3> positions(const VLgeometry *g) {
  std::vector<P3> out;
  for (VLvertex *v = g->vertices; v; v = v->next)
    out.push_back({v->position[0], v->position[1], v->position[2]});
  std::sort(out.begin(), out.end());
  return out;
}

bool contains(const std::vector<P3> &all, const P3 &p) {
  for (const P3 &q : all)
    if (fabsf(q[0] - p[0]) < 1e-4f && fabsf(q[1] - p[1]) < 1e-4f && fabsf(q[2] - p[2]) < 1e-4f)
      return true;
  return false;
}

class DxfTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    CaptureStdout();
    record_messages();
  }
  void TearDown() override {
    stop_recording();
    std::string out = GetCapturedStdout();
    if (HasFailure()) fputs(out.c_str(), stderr);
    free_list();
    UniverseTest::TearDown();
  }
  VLgeomcell *read(const std::string &s, bool merge = true, long maxpolygons = 0) {
    free_list();
    VLdxfoptions o{&view, 1.0f, merge, maxpolygons};
    list = VLdxf_readbytes("t.dxf", s.data(), s.size(), &o);
    return list;
  }
  void free_list(void) {
    while (list) {
      VLgeomcell *next = list->next;
      if (list->geometry) VLgeometry_delete(list->geometry);
      free(list);
      list = next;
    }
  }
  int count(void) const {
    int n = 0;
    for (VLgeomcell *c = list; c; c = c->next) ++n;
    return n;
  }
  VLgeometry *first(void) { return list ? list->geometry : nullptr; }
  VLview view;
  VLgeomcell *list = nullptr;
};

TEST_F(DxfTest, FacesMeetingAtACornerShareItInToolkitAxes) {
  for (bool windows : {false, true}) {
    std::string s = two_faces();
    ASSERT_NE(read(windows ? crlf(s) : s), nullptr) << windows;
    VLgeometry *g = first();
    EXPECT_EQ(count(), 1);
    EXPECT_STREQ(g->name, "world");
    EXPECT_EQ(g->npolys, 2);
    std::vector<P3> v = positions(g);
    ASSERT_EQ(v.size(), 5u) << windows;
    /* (x, y, z) of the drawing is (x, -z, y) in the toolkit. */
    EXPECT_TRUE(contains(v, {2, -3, 2}));
    EXPECT_TRUE(contains(v, {1, 0, 1}));
    for (VLpoly *p = g->polys; p; p = p->next) {
      EXPECT_EQ(p->colour, 7);
      EXPECT_TRUE(p->flags & VLPOLY_TWOSIDED);
    }
    ASSERT_NE(g->mtable, nullptr);
    EXPECT_EQ(g->mtable->nentries, 256);
    EXPECT_EQ(fired().size(), 0u);
  }
}

TEST_F(DxfTest, FrozenAndOffLayersHideTheirEntities) {
  std::string tables = table("LAYER", layer("RED", 1, 0) + layer("ICE", 3, 1) + layer("DARK", -5, 0), 3);
  std::string entities = face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, "RED") +
                         face({{5, 0, 0}, {6, 0, 0}, {5, 1, 0}}, "ICE") +
                         face({{9, 0, 0}, {9, 1, 0}, {8, 1, 0}}, "DARK") +
                         face({{0, 0, 4}, {1, 0, 4}, {0, 1, 4}}, "RED", 5) +
                         face({{0, 0, 7}, {1, 0, 7}, {0, 1, 7}}, "NOWHERE");
  ASSERT_NE(read(drawing(entities, tables)), nullptr);
  VLgeometry *g = first();
  EXPECT_EQ(g->npolys, 3);
  std::vector<int> colours;
  for (VLpoly *p = g->polys; p; p = p->next) colours.push_back(p->colour);
  std::sort(colours.begin(), colours.end());
  /* By layer, its own, and an unknown layer's 0 (taken from the world). */
  EXPECT_EQ(colours, (std::vector<int>{1, 5, 7}));
  for (const P3 &p : positions(g)) EXPECT_LT(p[0], 2.0f);
  /* Only hidden layers: nothing comprehensible. */
  record_messages();
  EXPECT_EQ(read(drawing(face({{5, 0, 0}, {6, 0, 0}, {5, 1, 0}}, "ICE"), tables)), nullptr);
  EXPECT_EQ(fired_count(VLM_DXF_NO_GEOMETRY), 1);
}

TEST_F(DxfTest, InsertPlacesItsBlockScaledRotatedAndArrayed) {
  std::string blocks = block("B", {1, 0, 0}, face({{1, 0, 0}, {2, 0, 0}, {1, 1, 0}}));
  std::string placed = pair(41, "2") + pair(42, "3") + pair(50, "90");
  ASSERT_NE(read(drawing(insert("B", {10, 20, 5}, placed), "", blocks), false), nullptr);
  ASSERT_EQ(count(), 1);
  EXPECT_STREQ(first()->name, "B");
  /* Base to the origin, scale (2, 3), a quarter turn, then the point:
   * (10, 20, 5), (10, 22, 5), (7, 20, 5) in the drawing. */
  std::vector<P3> v = positions(first());
  ASSERT_EQ(v.size(), 3u);
  for (const P3 &p : std::vector<P3>{{10, -5, 20}, {10, -5, 22}, {7, -5, 20}})
    EXPECT_TRUE(contains(v, p)) << p[0] << " " << p[1] << " " << p[2];
  /* Two columns 100 apart along the rotated x axis, three rows 10 apart
   * along the rotated y: six copies; merged into one geometry. */
  std::string array = placed + pair(70, "2") + pair(71, "3") + pair(44, "100") + pair(45, "10");
  ASSERT_NE(read(drawing(insert("B", {10, 20, 5}, array), "", blocks), false), nullptr);
  EXPECT_EQ(count(), 6);
  ASSERT_NE(read(drawing(insert("B", {10, 20, 5}, array), "", blocks)), nullptr);
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(first()->npolys, 6);
  v = positions(first());
  EXPECT_TRUE(contains(v, {10, -5, 120}));      /* column 1: +100 along drawing y */
  EXPECT_TRUE(contains(v, {-10, -5, 120}));     /* row 2: -20 along drawing x */
  /* Nested: A inserts B moved by (0, 0, 1); the world inserts A twice. */
  std::string nested = blocks + block("A", {0, 0, 0}, insert("B", {0, 0, 1}));
  ASSERT_NE(read(drawing(insert("A", {0, 0, 0}) + insert("A", {5, 0, 0}), "", nested), false), nullptr);
  ASSERT_EQ(count(), 2);
  EXPECT_TRUE(contains(positions(list->next->geometry), {5, -1, 1}));
}

TEST_F(DxfTest, BlocksThatInsertThemselvesAreRefused) {
  struct Case {
    std::string blocks;
    VLmsgid warning;
    int geometries;
  } cases[] = {
      {block("S", {0, 0, 0}, face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + insert("S", {1, 0, 0})),
       VLM_DXF_INSERT_SELF, 1},
      {block("P", {0, 0, 0}, face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + insert("Q", {1, 0, 0})) +
           block("Q", {0, 0, 0}, face({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}) + insert("P", {0, 1, 0})),
       VLM_DXF_INSERT_SELF, 2},
      {block("U", {0, 0, 0}, face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + insert("GONE", {0, 0, 0})),
       VLM_DXF_INSERT_UNDEFINED, 1},
  };
  for (const Case &c : cases) {
    record_messages();
    std::string name = c.blocks.substr(c.blocks.find("\n  2\n") + 5, 1);
    ASSERT_NE(read(drawing(insert(name, {0, 0, 0}) + insert(name, {9, 0, 0}), "", c.blocks), false),
              nullptr);
    EXPECT_EQ(fired_count(c.warning), 1) << name;
    EXPECT_EQ(count(), 2 * c.geometries) << name;
  }
}

TEST_F(DxfTest, PolyfaceAndPolygonMeshes) {
  std::string square = vertex({0, 0, 0}, 192) + vertex({1, 0, 0}, 192) + vertex({1, 1, 0}, 192) +
                       vertex({0, 1, 0}, 192);
  std::string faces = vertex({0, 0, 0}, 128, {1, 2, 3}) + vertex({0, 0, 0}, 128, {1, -3, 4});
  ASSERT_NE(read(drawing(polyline(64, pair(71, "4") + pair(72, "2"), square + faces))), nullptr);
  EXPECT_EQ(first()->npolys, 2);
  EXPECT_EQ(positions(first()).size(), 4u);
  /* A face naming a vertex the mesh lacks is dropped with fault 11. */
  record_messages();
  ASSERT_NE(read(drawing(polyline(64, "", square + faces + vertex({0, 0, 0}, 128, {1, 2, 9})))),
            nullptr);
  EXPECT_EQ(first()->npolys, 2);
  EXPECT_EQ(fired_count(VLM_DXF_INTERNAL_11), 1);
  /* A 3 by 2 mesh: 2 quadrilaterals; closed in N (bit 32): 4. */
  std::string grid;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 2; ++j) grid += vertex({float(i), float(j), float(i * j)}, 64);
  std::string mn = pair(71, "3") + pair(72, "2");
  ASSERT_NE(read(drawing(polyline(16, mn, grid))), nullptr);
  EXPECT_EQ(first()->npolys, 2);
  EXPECT_EQ(positions(first()).size(), 6u);
  ASSERT_NE(read(drawing(polyline(16 | 32, mn, grid))), nullptr);
  EXPECT_EQ(first()->npolys, 4);
}

TEST_F(DxfTest, PolylinesByTheirFlags) {
  std::string square = vertex({0, 0, 0}, 0) + vertex({2, 0, 0}, 0) + vertex({2, 2, 0}, 0) +
                       vertex({0, 2, 0}, 0);
  struct Case {
    int flags;
    std::string fields, vertices;
    int polygons;
  } cases[] = {
      {1, "", square, 1},                      /* closed: one polygon */
      {1, pair(39, "3"), square, 6},           /* closed and thick: a box */
      {0, pair(39, "3"), square, 3},           /* open and thick: three walls */
      {0, pair(40, "0.5") + pair(41, "0.5"), square, 3},  /* open and wide: three bands */
      {8, "", square, 1},                      /* planar 3D polyline */
  };
  for (const Case &c : cases) {
    ASSERT_NE(read(drawing(polyline(c.flags, c.fields, c.vertices))), nullptr) << c.flags << c.fields;
    EXPECT_EQ(first()->npolys, c.polygons) << c.flags << c.fields;
  }
  /* An open thin polyline and a bent 3D one are counted and reported. */
  record_messages();
  std::string bent = vertex({0, 0, 0}, 32) + vertex({1, 0, 0}, 32) + vertex({1, 1, 1}, 32) +
                     vertex({0, 1, -1}, 32);
  EXPECT_EQ(read(drawing(polyline(0, "", square) + polyline(0, "", square) + polyline(8, "", bent))),
            nullptr);
  EXPECT_EQ(fired_count(VLM_DXF_OPEN_POLYLINES), 1);
  EXPECT_EQ(fired_count(VLM_DXF_POLYLINES_3D), 1);
  EXPECT_EQ(fired_count(VLM_DXF_NO_GEOMETRY), 1);
  ASSERT_FALSE(fired().empty());
  EXPECT_NE(fired()[0].text.find("2 open POLYLINE entities ignored"), std::string::npos);
}

TEST_F(DxfTest, CirclesArcsLinesAndSolids) {
  struct Case {
    std::string entity;
    int polygons, vertices;
  } cases[] = {
      {circle({0, 0, 0}, 2, 0), 1, 12},
      {circle({0, 0, 0}, 2, 1.5), 14, 24},
      {pair(0, "ARC") + point(0, {0, 0, 0}) + pair(40, "1") + pair(50, "0") + pair(51, "90") +
           pair(39, "1"), 3, 8},
      {pair(0, "ARC") + point(0, {0, 0, 0}) + pair(40, "1") + pair(50, "270") + pair(51, "90") +
           pair(39, "1"), 6, 14},
      {pair(0, "LINE") + point(0, {0, 0, 0}) + point(1, {4, 0, 0}) + pair(39, "2"), 1, 4},
      {pair(0, "3DLINE") + point(0, {0, 0, 0}) + point(1, {4, 0, 0}) + pair(39, "2"), 1, 4},
      {pair(0, "SOLID") + point(0, {0, 0, 0}) + point(1, {1, 0, 0}) + point(2, {0, 1, 0}), 1, 3},
      {pair(0, "TRACE") + point(0, {0, 0, 0}) + point(1, {1, 0, 0}) + point(2, {0, 1, 0}) +
           point(3, {1, 1, 0}) + pair(39, "1"), 6, 8},
  };
  for (const Case &c : cases) {
    ASSERT_NE(read(drawing(c.entity)), nullptr) << c.entity;
    EXPECT_EQ(first()->npolys, c.polygons) << c.entity;
    EXPECT_EQ(int(positions(first()).size()), c.vertices) << c.entity;
  }
  /* The thick circle is a closed cylinder: its normals point outwards. */
  ASSERT_NE(read(drawing(circle({0, 0, 0}, 2, 1.5))), nullptr);
  for (VLpoly *p = first()->polys; p; p = p->next) {
    float c[3] = {0, 0, 0};
    for (VLvertexref *r = p->vertices; r; r = r->next)
      for (int i = 0; i < 3; ++i) c[i] += r->vertex->position[i] / p->ncorners;
    c[1] += 0.75f;  /* the cylinder's centre is (0, -0.75, 0) */
    EXPECT_GT(c[0] * p->normal[0] + c[1] * p->normal[1] + c[2] * p->normal[2], 0.0f);
    EXPECT_FALSE(p->flags & VLPOLY_TWOSIDED);
  }
  /* A circle in a plane tilted by its extrusion direction (0, 1, 0): the
   * arbitrary-axis rule puts its points in the drawing's x-z plane. */
  ASSERT_NE(read(drawing(circle({0, 0, 0}, 1, 0) + pair(210, "0") + pair(220, "1") + pair(230, "0"))),
            nullptr);
  for (const P3 &p : positions(first())) EXPECT_NEAR(p[2], 0.0f, 1e-6f);
  /* A thin line is no polygon. */
  record_messages();
  EXPECT_EQ(read(drawing(pair(0, "LINE") + point(0, {0, 0, 0}) + point(1, {4, 0, 0}))), nullptr);
  EXPECT_EQ(fired_count(VLM_DXF_NO_GEOMETRY), 1);
}

TEST_F(DxfTest, UnknownEntitiesAreSkippedOncePerKind) {
  std::string newer = pair(0, "LWPOLYLINE") + pair(90, "2") + pair(10, "0") + pair(20, "0") +
                      pair(0, "MTEXT") + pair(1, "note") + pair(0, "LWPOLYLINE") + pair(90, "2");
  std::string s = drawing(newer + face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})) +
                  section("OBJECTS", pair(0, "DICTIONARY") + pair(5, "C"));
  /* Sections of newer files after EOF are not read; before it, skipped. */
  s = section("CLASSES", pair(0, "CLASS") + pair(1, "X")) + pair(0, "JUNK") + pair(5, "1F") + s;
  ASSERT_NE(read(s), nullptr);
  EXPECT_EQ(first()->npolys, 1);
  EXPECT_EQ(fired_count(VLM_DXF_GROUP_CODE), 3);
  EXPECT_EQ(fired_count(VLM_DXF_GROUP_SKIPPED), 3);
  ASSERT_GE(fired().size(), 4u);
  EXPECT_EQ(fired()[0].text + fired()[1].text,
            "VLX Warning: Scan.l - group code problem (JUNK): skipped up to the next group 0\n");
  EXPECT_EQ(fired()[3].text, " (LWPOLYLINE): skipped up to the next group 0\n");
}

TEST_F(DxfTest, LongLinesAreReportedAndCut) {
  std::string s = two_faces();
  s.insert(0, pair(999, std::string(600, 'x')));
  ASSERT_NE(read(s), nullptr);
  EXPECT_EQ(first()->npolys, 2);
  EXPECT_EQ(fired_count(VLM_DXF_LINE_TOO_LONG), 1);
  ASSERT_EQ(fired().size(), 1u);
  EXPECT_EQ(fired()[0].text, "Input string too long, limit 512\n");
}

TEST_F(DxfTest, SyntaxErrorsEndTheReading) {
  struct Case {
    std::string file, text;
  } cases[] = {
      {"", "\nDXF parser line 0, _yytext  syntax error\n"},
      {pair(0, "SECTION") + pair(2, "ENTITIES") + pair(0, "3DFACE") + pair(10, "abc"),
       "\nDXF parser line 8, _yytext abc syntax error\n"},
      {section("TABLES", pair(0, "LINE")) + pair(0, "EOF"),
       "\nDXF parser line 6, _yytext LINE syntax error\n"},
      {two_faces().substr(0, two_faces().size() - 8), "syntax error"},
      {pair(0, "SECTION") + "x\nENTITIES\n", "_yytext x syntax error"},
  };
  for (const Case &c : cases) {
    record_messages();
    EXPECT_EQ(read(c.file), nullptr) << c.file;
    ASSERT_EQ(fired_count(VLM_DXF_SYNTAX_ERROR), 1) << c.file;
    EXPECT_NE(fired().back().text.find(c.text), std::string::npos) << fired().back().text;
  }
}

TEST_F(DxfTest, LimitsStopTheDrawing) {
  std::string many;
  for (int i = 0; i < 513; ++i) many += vertex({float(i), float(i % 7), 0}, 0);
  struct Case {
    std::string file;
    long maxpolygons;
    VLmsgid warning;
  } cases[] = {
      {drawing(pair(0, "ARC") + point(0, {0, 0, 0}) + pair(40, "1") + pair(50, "0") +
               pair(51, "100000") + pair(39, "1")),
       0, VLM_DXF_ARC_VERTS},
      {drawing(polyline(1, "", many)), 0, VLM_DXF_POLYLINE_VERTS},
      {drawing(insert("B", {0, 0, 0}, pair(70, "30000") + pair(71, "30000")), "",
               block("B", {0, 0, 0}, face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}))),
       1000, VLM_DXF_TOO_MANY_POLYGONS},
  };
  for (const Case &c : cases) {
    record_messages();
    EXPECT_EQ(read(c.file, true, c.maxpolygons), nullptr);
    EXPECT_EQ(fired_count(c.warning), 1);
    EXPECT_EQ(fired_count(VLM_DXF_READING_STOPS), 1);
  }
  /* A closed polyline of 300 points is more than a polygon holds. */
  std::string ring;
  for (int i = 0; i < 300; ++i)
    ring += vertex({float(cos(i * 0.02)) * 10, float(sin(i * 0.02)) * 10, 0}, 0);
  record_messages();
  EXPECT_EQ(read(drawing(polyline(1, "", ring))), nullptr);
  EXPECT_EQ(fired_count(VLM_DXF_INTERNAL_5), 1);
}

TEST_F(DxfTest, ViewScaleAndDefaults) {
  std::string tables = table("VPORT", pair(0, "VPORT") + pair(2, "*ACTIVE") + point(6, {0, 0, 5}) +
                                          point(7, {1, 2, 3}),
                             1);
  ASSERT_NE(read(drawing(face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), tables)), nullptr);
  /* From (1, 2, 8) of the drawing, looking down its z axis. */
  EXPECT_FLOAT_EQ(view.position[0], 1.0f);
  EXPECT_FLOAT_EQ(view.position[1], -8.0f);
  EXPECT_FLOAT_EQ(view.position[2], 2.0f);
  ASSERT_NE(read(two_faces()), nullptr);
  const float defaults[7] = {0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(memcmp(view.position, defaults, sizeof defaults), 0);
  /* The scale multiplies the vertices. */
  free_list();
  VLdxfoptions o{nullptr, 2.0f, true, 0};
  std::string s = two_faces();
  list = VLdxf_readbytes("t.dxf", s.data(), s.size(), &o);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(contains(positions(first()), {4, -6, 4}));
}

TEST_F(DxfTest, CutOrFlippedDrawingsNeverBreakTheReader) {
  std::string good = everything();
  ASSERT_NE(read(good), nullptr);
  EXPECT_EQ(fired_count(VLM_DXF_SYNTAX_ERROR), 0);
  EXPECT_EQ(fired_count(VLM_DXF_INSERT_SELF), 1);
  for (size_t cut = 0; cut <= good.size(); ++cut) read(good.substr(0, cut), cut % 2 == 0, 5000);
  std::mt19937 rng(4321);
  for (int round = 0; round < 600; ++round) {
    std::string bad = good;
    int flips = 1 + int(rng() % 4);
    for (int k = 0; k < flips; ++k) bad[rng() % bad.size()] = char(rng() & 0xff);
    read(bad, round % 2 == 0, 5000);
  }
  SUCCEED();
}

/* --- loading through the scene graph and vlxinfo --- */

class DxfFiles {
 public:
  DxfFiles() {
    char tmpl[] = "/tmp/vlx_dxf_XXXXXX";
    dir = mkdtemp(tmpl);
  }
  ~DxfFiles() {
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
  }
  std::string put(const std::string &name, const std::string &bytes) {
    std::string path = dir + "/" + name;
    EXPECT_TRUE(write_file(path, bytes)) << path;
    return path;
  }
  std::string dir;
};

TEST_F(DxfTest, NodeLoadGivesOneMergedGeometryNode) {
  DxfFiles files;
  std::string path = files.put("faces.dxf", crlf(two_faces()));
  EXPECT_EQ(VLfile_type(path.c_str()), VLFILE_DXF);
  VLnode *group = VLgroupnode_new(nullptr);
  VLnode *n = VLnode_load(group, path.c_str(), 1.0f);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(VLnode_gettype(n), VLNODE_GEOMETRY);
  EXPECT_STREQ(VLnode_getname(n), "world");
  EXPECT_EQ(VLnode_numchildren(group), 1);
  EXPECT_EQ(static_cast<VLgeometrynode *>(n)->geometry->npolys, 2);
  VLnode_delete(group);
  /* The loader wrapper: one node per geometry, in reverse order. */
  std::string blocks = block("B", {0, 0, 0}, face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  path = files.put("two.dxf", drawing(face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + insert("B", {3, 0, 0}), "", blocks));
  FILE *f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  VLnodecell *nodes = VLdxf_load(f, path.c_str(), nullptr, 1.0f, false, 0);
  fclose(f);
  ASSERT_NE(nodes, nullptr);
  ASSERT_NE(nodes->next, nullptr);
  EXPECT_STREQ(VLnode_getname(nodes->node), "B");
  EXPECT_STREQ(VLnode_getname(nodes->next->node), "world");
  while (nodes) {
    VLnodecell *next = nodes->next;
    VLnode_delete(nodes->node);
    free(nodes);
    nodes = next;
  }
  /* A drawing as a universe: one object for its merged geometry. */
  const char *old = getenv("VLMODELS");
  std::string oldmodels = old ? old : "";
  setenv("VLMODELS", files.dir.c_str(), 1);
  VLbounds b;
  EXPECT_TRUE(VLuniverse_load("two.dxf", &b, 1.0f));
  if (old) setenv("VLMODELS", oldmodels.c_str(), 1);
  else unsetenv("VLMODELS");
  VLuniverse *u = VLuniverse_current();
  ASSERT_NE(u->objects, nullptr);
  EXPECT_EQ(u->objects->next, nullptr);
}

TEST(DxfInfo, PrintsTheTreeAndTotalsOfEachFixture) {
  DxfFiles files;
  struct Case {
    std::string name, bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"faces.dxf", crlf(two_faces()),
       {"faces.dxf: DXF", "  Geometry world\n", "nodes: 1", "geometries: 1", "vertices: 5",
        "polygons: 2", "triangles: 2", "material tables: 1, entries: 256", "bounds: 0 -3 0 to 2 0 2"}},
      {"cylinder.dxf", drawing(circle({0, 0, 0}, 1, 2)),
       {"  Geometry world\n", "vertices: 24", "polygons: 14", "triangles: 44"}},
      {"inserted.dxf",
       drawing(insert("B", {10, 20, 5}, pair(41, "2") + pair(42, "3") + pair(50, "90")), "",
               block("B", {1, 0, 0}, face({{1, 0, 0}, {2, 0, 0}, {1, 1, 0}}))),
       {"  Geometry B\n", "vertices: 3", "polygons: 1", "bounds: 7 -5 20 to 10 -5 22"}},
      {"everything.dxf", everything(), {"  Geometry world\n", "nodes: 1", "geometries: 1"}},
  };
  std::string args;
  for (const Case &c : cases) args += " " + files.put(c.name, c.bytes);
  std::string errfile = files.dir + "/stderr.txt";
  ProgramRun run = run_command(std::string(VLX_BIN_DIR) + "/vlxinfo" + args + " 2>" + errfile);
  EXPECT_EQ(run.status, 0) << run.out;
  for (const Case &c : cases) {
    size_t at = run.out.find(c.name + ": ");
    ASSERT_NE(at, std::string::npos) << run.out;
    size_t end = run.out.find(".dxf: ", at + c.name.size() + 2);
    std::string part = run.out.substr(at, end == std::string::npos ? std::string::npos : end - at);
    for (const std::string &line : c.lines)
      EXPECT_NE(part.find(line), std::string::npos) << line << "\n" << part;
  }
}

}  // namespace
