/* The SLP reader: one solid with per-vertex normals, two solids with a
 * colour change (both ways of starting the second solid), the scale,
 * facets past the vertex limit and with fewer normals than vertices,
 * every message, files cut at every offset or with flipped bytes, scene
 * and universe loading, and the counts vlxinfo prints. Fixtures are
 * written by the tests. */
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "support/messages.h"
#include "support/nff_writer.h"
#include "support/process.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/slp.h"
#include "vlx/universe.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class SlpTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    char tmpl[] = "/tmp/vlx_slp_XXXXXX";
    dir = mkdtemp(tmpl);
    const char *old = getenv("VLMODELS");
    if (old) oldmodels = old, hadmodels = true;
    CaptureStdout();
    record_messages();
  }
  void TearDown() override {
    stop_recording();
    std::string out = GetCapturedStdout();
    if (HasFailure()) fputs(out.c_str(), stderr);
    free_list();
    if (hadmodels) setenv("VLMODELS", oldmodels.c_str(), 1);
    else unsetenv("VLMODELS");
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
    UniverseTest::TearDown();
  }
  VLgeomcell *read(const std::string &s, float scale = 1.0f) {
    free_list();
    list = VLslp_readbytes("t.slp", s.data(), s.size(), scale);
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
  VLgeomcell *list = nullptr;
  std::string dir, oldmodels;
  bool hadmodels = false;
};

/* A facet: normals, then its vertices. */
std::string facet(const std::vector<std::string> &normals,
                  const std::vector<std::string> &vertices) {
  std::string s = "facet\n";
  for (const std::string &n : normals) s += "  normal " + n + "\n";
  s += "  outer loop\n";
  for (const std::string &v : vertices) s += "    vertex " + v + "\n";
  return s + "  endloop\nendfacet\n";
}

const std::vector<std::string> kTriangle = {"0 0 0", "1 0 0", "0 1 0"};
const std::vector<std::string> kQuad = {"0 0 1", "2 0 1", "2 2 1", "0 2 1"};

/* Polygons in file order (the list is newest first). */
std::vector<VLpoly *> polygons(const VLgeometry *g) {
  std::vector<VLpoly *> out;
  for (VLpoly *p = g->polys; p; p = p->next) out.insert(out.begin(), p);
  return out;
}

TEST_F(SlpTest, OneSolidOfOneWhiteTriangleWithItsNormals) {
  std::string s = "solid part\n" + facet({"0 0 1", "0 1 0", "1 0 0"}, kTriangle) + "endsolid\n";
  ASSERT_NE(read(s), nullptr);
  ASSERT_EQ(count(), 1);
  VLgeometry *g = first();
  EXPECT_STREQ(g->name, "part");
  ASSERT_EQ(g->npolys, 1);
  VLpoly *p = g->polys;
  EXPECT_EQ(p->colour, VLmtable_findcolor(g->mtable, 255, 255, 255));
  const float normals[3][3] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
  const float positions[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  int i = 0;
  for (VLvertexref *r = p->vertices; r; r = r->next, ++i) {
    ASSERT_NE(r->vertex->normal, nullptr);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(r->vertex->normal[k], normals[i][k]);
      EXPECT_EQ(r->vertex->position[k], positions[i][k]);
    }
  }
  EXPECT_EQ(i, 3);
  /* The file ends after "endsolid": the warning, the solid kept. */
  EXPECT_EQ(fired_count(VLM_SLP_NO_NAME), 1);
}

TEST_F(SlpTest, TwoSolidsAndAColourChange) {
  const std::string body_a = facet({"0 0 1"}, kTriangle) + "color 1 0 0\n" +
                             facet({"0 0 1"}, kTriangle) + "color 0.5 0.5 0.5\n" +
                             facet({}, kQuad);
  const std::string body_b = facet({"0 0 -1"}, kQuad) + "// a comment\n";
  /* The second solid's name: after "endsolid" alone on its line, and
   * after an "endsolid" that names the first. */
  for (const std::string &between : {std::string("endsolid\nsolid b\n"),
                                     std::string("endsolid a\nsolid b\n")}) {
    record_messages();
    ASSERT_NE(read("solid a\n" + body_a + between + body_b + "endsolid b\n"), nullptr) << between;
    ASSERT_EQ(count(), 2) << between;
    VLgeometry *a = list->geometry, *b = list->next->geometry;
    EXPECT_STREQ(a->name, "a");
    EXPECT_STREQ(b->name, "b");
    std::vector<VLpoly *> pa = polygons(a);
    ASSERT_EQ(pa.size(), 3u);
    EXPECT_EQ(pa[0]->colour, VLmtable_findcolor(a->mtable, 255, 255, 255));
    EXPECT_EQ(pa[1]->colour, VLmtable_findcolor(a->mtable, 255, 0, 0));
    EXPECT_EQ(pa[2]->colour, VLmtable_findcolor(a->mtable, 127, 127, 127));
    EXPECT_EQ(pa[2]->ncorners, 4);
    EXPECT_EQ(pa[2]->vertices->vertex->normal, nullptr);  /* no normal given */
    /* A new solid starts white again. */
    EXPECT_EQ(b->polys->colour, VLmtable_findcolor(b->mtable, 255, 255, 255));
    /* One normal for a facet of four: every vertex gets it. */
    for (VLvertexref *r = b->polys->vertices; r; r = r->next) {
      ASSERT_NE(r->vertex->normal, nullptr);
      EXPECT_EQ(r->vertex->normal[2], -1.0f);
    }
    EXPECT_EQ(fired_count(VLM_SLP_NO_NAME), 1);
  }
}

TEST_F(SlpTest, TheScaleMultipliesEveryCoordinate) {
  std::string s = "solid part\n" + facet({}, {"0.1 0.2 0.3", "1 0 0", "0 1 0"}) + "endsolid\n";
  ASSERT_NE(read(s, 2.0f), nullptr);
  VLvertex *v = first()->polys->vertices->vertex;
  EXPECT_FLOAT_EQ(v->position[0], 0.2f);
  EXPECT_FLOAT_EQ(v->position[2], 0.6f);
  ASSERT_NE(read(s, 1.0f), nullptr);
  v = first()->polys->vertices->vertex;
  EXPECT_EQ(v->position[1], 0.2f);
}

TEST_F(SlpTest, FacetsKeepTenVerticesAndNormals) {
  /* Twelve corners of a convex polygon and twelve normals: the first ten
   * of each are kept. */
  std::vector<std::string> normals(12, "0 0 1"), circle;
  const char *pts[] = {"10 0 0", "8 6 0", "6 8 0", "0 10 0", "-6 8 0", "-8 6 0",
                       "-10 0 0", "-8 -6 0", "-6 -8 0", "0 -10 0", "6 -8 0", "8 -6 0"};
  for (const char *p : pts) circle.push_back(p);
  ASSERT_NE(read("solid big\n" + facet(normals, circle) + "endsolid\n"), nullptr);
  EXPECT_EQ(first()->polys->ncorners, 10);
  EXPECT_EQ(fired_count(VLM_SLP_FACET_LIMIT), 1);
}

TEST_F(SlpTest, EveryMessageFires) {
  struct Case {
    const char *what;
    std::string file;
    VLmsgid id;
    int solids;
  } cases[] = {
      {"empty", "// only a comment\n\n", VLM_SLP_NO_DATA, 0},
      {"not solid", "facet\n", VLM_SLP_NO_SOLID, 0},
      {"no name", "solid\n" + facet({}, kTriangle), VLM_SLP_NO_NAME, 0},
      {"unknown", "solid a\n" + facet({}, kTriangle) + "endsolid\nsolid b\nbogus\n",
       VLM_SLP_UNKNOWN, 1},
      {"colour", "solid a\n" + facet({}, kTriangle) + "endsolid\nsolid b\ncolor 1 x 0\n",
       VLM_TOK_FLOAT_INVALID, 1},
      {"colour missing", "solid a\ncolor 1\n", VLM_TOK_MISSING, 0},
      {"vertex", "solid a\n" + facet({}, {"0 0 0", "1 0 0", "0 1 0", "1 1 ,"}) + "endsolid\n",
       VLM_TOK_FLOAT_INVALID, 1},
      {"two corners", "solid a\n" + facet({}, {"0 0 0", "1 0 0"}) + "endsolid\n",
       VLM_GEOM_TOO_FEW, 0},
  };
  for (const Case &c : cases) {
    record_messages();
    read(c.file);
    EXPECT_EQ(count(), c.solids) << c.what;
    EXPECT_EQ(fired_count(c.id), 1) << c.what;
  }
}

TEST_F(SlpTest, FilesCutOrFlippedNeverBreakTheReader) {
  std::string good = "solid a\n" + facet({"0 0 1", "0 0 1", "0 0 1"}, kTriangle) +
                     "color 0.2 0.4 0.6\n" + facet({"0 0 1"}, kQuad) + "endsolid a\nsolid b\n" +
                     facet({}, kTriangle) + "endsolid b\n";
  for (size_t cut = 0; cut <= good.size(); ++cut) read(good.substr(0, cut));
  std::mt19937 rng(5);
  for (int round = 0; round < 600; ++round) {
    std::string bad = good;
    int flips = 1 + int(rng() % 4);
    for (int k = 0; k < flips; ++k) bad[rng() % bad.size()] = char(rng() & 0xff);
    read(bad, round % 2 ? 1.0f : 3.0f);
  }
  SUCCEED();
}

TEST_F(SlpTest, SceneAndUniverseLoading) {
  std::string s = "solid a\n" + facet({}, kTriangle) + "endsolid\nsolid b\n" +
                  facet({}, kQuad) + "endsolid\n";
  ASSERT_TRUE(write_file(dir + "/two.slp", s));
  setenv("VLMODELS", dir.c_str(), 1);
  VLnode *group = VLgroupnode_new(VLuniverse_getrootnode());
  VLnode *n = VLnode_load(group, "two.slp", 1.0f);
  ASSERT_NE(n, nullptr);
  EXPECT_STREQ(VLnode_getname(n), "a");
  EXPECT_EQ(VLnode_numchildren(group), 2);
  VLbounds b;
  ASSERT_TRUE(VLuniverse_load("two.slp", &b, 2.0f));
  int made = 0;
  for (VLobject *o = VLuniverse_getobjects(); o; o = o->next) {
    ++made;
    EXPECT_EQ(o->geometry->npolys, 1);
  }
  EXPECT_EQ(made, 2);
  int holders = 0;
  for (VLobjectholder *h = VLuniverse_current()->holders; h; h = h->next) ++holders;
  EXPECT_EQ(holders, 2);
  /* The object list of the reader itself: reverse file order. */
  VLuniverse_clear();
  FILE *f = fopen((dir + "/two.slp").c_str(), "rb");
  VLobjectcell *objects = VLslp_read_objects(f, "two.slp", 1.0f, 0, 0);
  fclose(f);
  ASSERT_NE(objects, nullptr);
  ASSERT_NE(objects->next, nullptr);
  EXPECT_EQ(objects->next->next, nullptr);
  EXPECT_EQ(objects->object->geometry->npolys, 1);
  EXPECT_EQ(objects->object->geometry->polys->ncorners, 4);
  while (objects) {
    VLobjectcell *next = objects->next;
    free(objects);
    objects = next;
  }
}

/* --- vlxinfo --- */

long report_value(const std::string &out, const std::string &label) {
  size_t at = out.find("\n" + label + ": ");
  if (at == std::string::npos) return -1;
  return strtol(out.c_str() + at + label.size() + 3, nullptr, 10);
}

TEST_F(SlpTest, VlxinfoCountsWhatTheFixtureHolds) {
  struct Facet {
    std::vector<std::string> vertices;
    const char *colour;
  };
  const std::vector<std::vector<Facet>> solids = {
      {{kTriangle, nullptr}, {kQuad, "1 0 0"}, {kTriangle, nullptr}},
      {{kQuad, "0 1 0"}, {{"0 0 5", "1 0 5", "2 1 5", "1 2 5", "0 1 5"}, nullptr}},
  };
  std::string s;
  long vertices = 0, polygons = 0, triangles = 0;
  for (size_t i = 0; i < solids.size(); ++i) {
    s += "solid s" + std::to_string(i) + "\n";
    for (const Facet &f : solids[i]) {
      if (f.colour) s += std::string("color ") + f.colour + "\n";
      s += facet({}, f.vertices);
      vertices += long(f.vertices.size());
      polygons += 1;
      triangles += long(f.vertices.size()) - 2;
    }
    s += "endsolid\n";
  }
  std::string path = dir + "/model.slp";
  ASSERT_TRUE(write_file(path, s));
  ProgramRun run = run_command(std::string(VLX_BIN_DIR) + "/vlxinfo '" + path + "' 2>/dev/null");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find(": SLP\n"), std::string::npos) << run.out;
  EXPECT_EQ(report_value(run.out, "geometries"), 2) << run.out;
  EXPECT_EQ(report_value(run.out, "vertices"), vertices) << run.out;
  EXPECT_EQ(report_value(run.out, "polygons"), polygons) << run.out;
  EXPECT_EQ(report_value(run.out, "triangles"), triangles) << run.out;
  EXPECT_EQ(report_value(run.out, "bounds"), 0) << run.out;
}

}  // namespace
