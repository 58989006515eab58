/* Wavefront OBJ (with material and map libraries) and 3DG1: a textured
 * cube with two materials from a library beside the file, objects, groups
 * and smoothing groups, every corner form with negative indexes, refused
 * indexes, faces beyond 256 corners, every message, 3DG1 polygons with
 * palette colours, detail blocks and concave splits, files cut at every
 * byte or with flipped bytes, and the counts vlxinfo prints checked
 * against counts made here from the fixtures' own data. Fixtures are
 * written by the tests. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <array>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/image_fixtures.h"
#include "support/messages.h"
#include "support/nff_writer.h"
#include "support/process.h"
#include "vlx/file.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/node.h"
#include "vlx/obj.h"
#include "vlx/object.h"
#include "vlx/texture.h"
#include "vlx/universe.h"
#include "vlx/window.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

/* An environment variable unset for a test and restored after it. */
class Unset {
 public:
  explicit Unset(const char *name) : name_(name) {
    const char *old = getenv(name);
    had_ = old != nullptr;
    if (old) old_ = old;
    unsetenv(name);
  }
  ~Unset() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char *name_;
  bool had_ = false;
  std::string old_;
};

class ObjTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    char tmpl[] = "/tmp/vlx_obj_XXXXXX";
    dir = mkdtemp(tmpl);
    CaptureStdout();
    record_messages();
  }
  void TearDown() override {
    stop_recording();
    std::string out = GetCapturedStdout();
    if (HasFailure()) fputs(out.c_str(), stderr);
    drop();
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
    UniverseTest::TearDown();
  }
  std::string put(const std::string &name, const std::string &bytes) {
    std::string path = dir + "/" + name;
    EXPECT_TRUE(write_file(path, bytes)) << path;
    return path;
  }
  void drop(void) {
    if (g) VLgeometry_delete(g);
    g = nullptr;
  }
  /* An OBJ text read as the file name in the scratch folder. */
  VLgeometry *obj(const std::string &text, const std::string &name = "m.obj") {
    drop();
    g = VLobj_readbytes((dir + "/" + name).c_str(), text.data(), text.size(), 1.0f);
    return g;
  }
  VLgeometry *g3(const std::string &text, float scale = 1.0f) {
    drop();
    g = VL3dg1_readbytes("t.3dg1", text.data(), text.size(), scale);
    return g;
  }
  Unset models{"VLMODELS"}, images{"VLIMAGES"};
  std::string dir;
  VLgeometry *g = nullptr;
};

/* Polygons in the order they were read (the list is newest first). */
std::vector<VLpoly *> polys(VLgeometry *g) {
  std::vector<VLpoly *> out;
  for (VLpoly *p = g ? g->polys : nullptr; p; p = p->next) out.insert(out.begin(), p);
  return out;
}

int count_vertices(VLgeometry *g) {
  int n = 0;
  for (VLvertex *v = g->vertices; v; v = v->next) ++n;
  return n;
}

/* The corner positions of a polygon, "x y z" each. */
std::vector<std::string> corners(const VLpoly *p) {
  std::vector<std::string> out;
  for (const VLvertexref *r = p->vertices; r; r = r->next) {
    char s[64];
    snprintf(s, sizeof s, "%g %g %g", r->vertex->position[0], r->vertex->position[1],
             r->vertex->position[2]);
    out.push_back(s);
  }
  return out;
}

/* --- fixtures --- */

const char kCubeMtl[] =
    "# two materials\n"
    "newmtl red\n"
    "Ka 0.2 0 0\n"
    "Kd 1 0 0\n"
    "Ks 1 1 1\n"
    "Ns 20\n"
    "illum 2\n"
    "newmtl wood\n"
    "Kd 0 0 1\n"
    "d 0.5\n"
    "Ni 1.5\n"
    "map_Kd -s 1 1 1 -clamp on wood.tga\n";

/* A unit cube: 8 positions, 4 texture vertices, one normal per face; the
 * first two faces red, the others wood (textured). */
const char kCube[] =
    "# cube\n"
    "mtllib cube.mtl\n"
    "o cube\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
    "v 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 0.25\n"
    "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n"
    "g sides\n"
    "s 1\n"
    "usemtl red\n"
    "f 1/1/1 4/4/1 3/3/1 2/2/1\n"
    "f 5/1/2 6/2/2 7/3/2 8/4/2\n"
    "usemtl wood\n"
    "s off\n"
    "f 1/1/3 2/2/3 6/3/3 5/4/3\n"
    "f 4/1/4 8/2/4 7/3/4 3/4/4\n"
    "f -8/1/5 -4/2/5 -1/3/5 -5/4/5\n"
    "f 2/1/6 3/2/6 7/3/6 6/4/6\n";

/* Counts made from an OBJ text by themselves: vertices are the distinct
 * (position, normal) pairs the faces use, a face of n corners gives
 * n - 2 triangles and one polygon per 254 of them beyond the first. */
struct Counts {
  long vertices = 0, polygons = 0, triangles = 0;
};

Counts count_obj(const std::string &text) {
  Counts c;
  std::istringstream in(text);
  std::string line;
  long nv = 0, nn = 0;
  std::set<std::pair<long, long>> used;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string w;
    if (!(words >> w)) continue;
    if (w == "v") ++nv;
    if (w == "vn") ++nn;
    if (w != "f") continue;
    long n = 0;
    while (words >> w) {
      long p = atol(w.c_str()), normal = -1;
      size_t second = w.find('/', w.find('/') + 1);
      if (w.find('/') != std::string::npos && second != std::string::npos) {
        long k = atol(w.c_str() + second + 1);
        normal = k < 0 ? nn + k : k - 1;
      }
      used.insert({p < 0 ? nv + p : p - 1, normal});
      ++n;
    }
    c.triangles += n - 2;
    c.polygons += n <= 256 ? 1 : 1 + (n - 256 + 253) / 254;
  }
  c.vertices = long(used.size());
  return c;
}

/* A 3DG1 fixture: vertices in the z = 0 plane and polygons with colour
 * numbers; a negative colour is followed by a detail block. */
struct G1Poly {
  std::vector<int> indices;
  int colour;
};
struct G1File {
  std::vector<std::array<float, 3>> vertices;
  std::vector<G1Poly> polygons;
};

std::string g1_text(const G1File &f) {
  std::string s = "3DG1\n" + std::to_string(f.vertices.size()) + "\n";
  char line[96];
  for (const auto &v : f.vertices) {
    snprintf(line, sizeof line, "%g %g %g\n", v[0], v[1], v[2]);
    s += line;
  }
  for (const G1Poly &p : f.polygons) {
    s += std::to_string(p.indices.size());
    for (int i : p.indices) s += " " + std::to_string(i);
    s += " " + std::to_string(p.colour) + "\n";
    if (p.colour < 0) s += "2\n3 0 1 2 3\n1 7 8\n";
  }
  return s;
}

/* A polygon of 3 to 255 corners is kept; in the plane z = 0 a concave one
 * (its corners turning both ways) becomes n - 2 triangles. */
Counts count_g1(const G1File &f) {
  Counts c;
  std::set<int> used;
  for (const G1Poly &p : f.polygons) {
    size_t n = p.indices.size();
    if (n < 3 || n >= 256) continue;
    bool left = false, right = false;
    for (size_t i = 0; i < n; ++i) {
      const auto &a = f.vertices[size_t(p.indices[i])];
      const auto &b = f.vertices[size_t(p.indices[(i + 1) % n])];
      const auto &d = f.vertices[size_t(p.indices[(i + 2) % n])];
      float turn = (b[0] - a[0]) * (d[1] - b[1]) - (b[1] - a[1]) * (d[0] - b[0]);
      left = left || turn > 0;
      right = right || turn < 0;
    }
    c.polygons += left && right ? long(n) - 2 : 1;
    c.triangles += long(n) - 2;
    used.insert(p.indices.begin(), p.indices.end());
  }
  c.vertices = long(used.size());
  return c;
}

G1File sample_g1(void) {
  G1File f;
  f.vertices = {{{0, 0, 0}}, {{2, 0, 0}}, {{2, 2, 0}}, {{0, 2, 0}}, {{1, 0.5f, 0}},
                {{3, 0, 0}}, {{4, 0, 0}}, {{9, 9, 0}}};
  f.polygons = {
      {{0, 1, 2, 3}, 17},      /* palette 1: 0x008 */
      {{1, 6, 2}, -1},         /* palette 1, followed by a detail block */
      {{0, 1}, 3},             /* too few corners: skipped */
      {{0, 1, 2, 4}, 12},      /* concave (corner 4 dents in): two triangles */
      {{5, 6, 2}, 14},
  };
  return f;
}

/* --- OBJ --- */

TEST_F(ObjTest, TexturedCubeWithTwoMaterialsFromALibraryBesideTheFile) {
  put("cube.mtl", kCubeMtl);
  Bytes tga = tga_solid(4, 4, 200, 100, 50);
  put("wood.tga", std::string(tga.begin(), tga.end()));
  std::string path = put("cube.obj", kCube);
  VLnode *n = VLnode_load(nullptr, path.c_str(), 2.0f);
  ASSERT_NE(n, nullptr);
  VLgeometry *cube = static_cast<VLgeometrynode *>(n)->geometry;
  ASSERT_NE(cube, nullptr);
  /* Each position is used with three normals: 24 vertices. */
  EXPECT_EQ(count_vertices(cube), 24);
  std::vector<VLpoly *> p = polys(cube);
  ASSERT_EQ(p.size(), 6u);
  for (VLvertex *v = cube->vertices; v; v = v->next) {
    ASSERT_NE(v->normal, nullptr);
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(v->position[k] == 0 || v->position[k] == 2);
  }
  /* The -z face keeps its corners' normal and faces it. */
  EXPECT_EQ(corners(p[0]), (std::vector<std::string>{"0 0 0", "0 2 0", "2 2 0", "2 0 0"}));
  EXPECT_FLOAT_EQ(p[0]->normal[2], -1.0f);
  for (const VLvertexref *r = p[0]->vertices; r; r = r->next) EXPECT_FLOAT_EQ(r->vertex->normal[2], -1.0f);
  /* The -x face, with negative indexes. */
  EXPECT_EQ(corners(p[4]), (std::vector<std::string>{"0 0 0", "0 0 2", "0 2 2", "0 2 0"}));

  VLmtable *t = cube->mtable;
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->nentries, 2);
  int red = VLmtable_findentryname(t, "red"), wood = VLmtable_findentryname(t, "wood");
  ASSERT_GE(red, 0);
  ASSERT_GE(wood, 0);
  float v[3];
  ASSERT_TRUE(VLmtable_getvalue(t, red, v, VLDIFFUSE));
  EXPECT_EQ(v[0], 1.0f);
  ASSERT_TRUE(VLmtable_getvalue(t, red, v, VLAMBIENT));
  EXPECT_FLOAT_EQ(v[0], 0.2f);
  ASSERT_TRUE(VLmtable_getvalue(t, red, v, VLSHININESS));
  EXPECT_EQ(v[0], 20.0f);
  ASSERT_TRUE(VLmtable_getvalue(t, wood, v, VLOPACITY));
  EXPECT_EQ(v[0], 0.5f);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(p[size_t(i)]->colour, i < 2 ? red : wood) << i;

  /* Red faces have no texture; wood faces have the map beside the file
   * with their texture vertices (v turned to 1 - v), in corner order. */
  EXPECT_EQ(p[0]->attributes, nullptr);
  for (int i = 2; i < 6; ++i) {
    VLpolytexture *pt = static_cast<VLpolytexture *>(p[size_t(i)]->attributes);
    ASSERT_NE(pt, nullptr) << i;
    ASSERT_NE(pt->texture, nullptr);
    EXPECT_EQ(pt->explicitcoords, 1);
    ASSERT_EQ(pt->ncorners, 4);
    const float want[8] = {0, 1, 1, 1, 1, 0, 0, 0.75f};
    for (int k = 0; k < 8; ++k) EXPECT_FLOAT_EQ(pt->uv[k], want[k]) << i << " " << k;
  }
  EXPECT_EQ(fired_count(VLM_OBJ_MTL_KEYWORD), 0);
  EXPECT_EQ(fired_count(VLM_OBJ_MTL_FIRST_PASS), 0);
  VLnode_delete(n);
}

TEST_F(ObjTest, ObjectsGroupsSmoothingGroupsAndCurvesMakeOneGeometry) {
  const char text[] =
      "o first\n"
      "g a b\n"
      "s 1\n"
      "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
      "f 1 2 3\n"
      "o second\n"
      "g c\n"
      "s off\n"
      "cstype bezier\n"
      "deg 3\n"
      "curv 0 1 1 2 3 4\n"
      "parm u 0 1\n"
      "end\n"
      "l 1 2\n"
      "p 3\n"
      "v 5 5 5 1.0\n"
      "f 1 3 4 5\n"
      "mg 1 0.5\n"
      "fo 2 3 4\n";
  ASSERT_NE(obj(text), nullptr);
  EXPECT_EQ(g->npolys, 3);
  EXPECT_EQ(count_vertices(g), 5);
  EXPECT_EQ(fired().size(), 0u);
}

TEST_F(ObjTest, EveryCornerFormWithPositiveAndNegativeIndexes) {
  const char head[] = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\n";
  struct Case {
    const char *face;
    bool uv, normals;
  } cases[] = {
      {"f 1 2 3", false, false},          {"f -4 -3 -2", false, false},
      {"f 1/1 2/2 3/3", true, false},     {"f -4/-3 -3/-2 -2/-1", true, false},
      {"f 1//1 2//1 3//1", false, true},  {"f -4//-1 -3//-1 -2//-1", false, true},
      {"f 1/1/1 2/2/1 3/3/1", true, true}, {"f 1/-3/1 -3/2/-1 3/-1/1", true, true},
      {"f 1/ 2/ 3/", false, false},
  };
  put("t.tga", [] {
    Bytes b = tga_solid(2, 2, 1, 2, 3);
    return std::string(b.begin(), b.end());
  }());
  setenv("VLIMAGES", dir.c_str(), 1);
  VLuniverse_current()->settings->oldwfront = 1;
  for (const Case &c : cases) {
    record_messages();
    std::string text = std::string(head) + "usemap t.tga\n" + c.face + "\n";
    ASSERT_NE(obj(text), nullptr) << c.face;
    std::vector<VLpoly *> p = polys(g);
    ASSERT_EQ(p.size(), 1u) << c.face;
    EXPECT_EQ(corners(p[0]), (std::vector<std::string>{"0 0 0", "1 0 0", "1 1 0"})) << c.face;
    for (const VLvertexref *r = p[0]->vertices; r; r = r->next)
      EXPECT_EQ(r->vertex->normal != nullptr, c.normals) << c.face;
    VLpolytexture *pt = static_cast<VLpolytexture *>(p[0]->attributes);
    ASSERT_NE(pt, nullptr) << c.face;
    EXPECT_EQ(pt->explicitcoords, c.uv ? 1 : 0) << c.face;
    /* oldwfront keeps v as it is. */
    if (c.uv) {
      EXPECT_EQ(pt->uv[5], 1.0f) << c.face;
    }
    EXPECT_EQ(fired().size(), 0u) << c.face;
  }
}

TEST_F(ObjTest, PositionIndexZeroOrOutsideTheListFailsTheRead) {
  const char head[] = "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n";
  const char *faces[] = {"f 0 1 2",   "f 1 2 4",    "f -4 1 2", "f 1 2 x",    "f +1 2 3",
                         "f 1/x 2 3", "f 1//y 2 3", "f 1 2 3z", "f 99999999999 1 2",
                         "f 1/1/1/1 2 3"};
  for (const char *face : faces) {
    record_messages();
    EXPECT_EQ(obj(std::string(head) + face + "\nf 1 2 3\n"), nullptr) << face;
    EXPECT_EQ(fired_count(VLM_OBJ_INVALID_VERTEX), 1) << face;
    EXPECT_EQ(fired_count(VLM_TOK_LINE), 1) << face;
  }
}

TEST_F(ObjTest, TextureAndNormalIndexesOutsideTheirListsAreIgnoredWithAWarning) {
  record_messages();
  ASSERT_NE(obj("v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0 0\nvn 0 0 1\n"
                "f 1/0/1 2/2/0 3/1/-2\n"),
            nullptr);
  EXPECT_EQ(fired_count(VLM_OBJ_BAD_REFERENCES), 1);
  EXPECT_NE(fired()[0].text.find("4 texture vertex or normal"), std::string::npos);
  std::vector<VLpoly *> p = polys(g);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_NE(p[0]->vertices->vertex->normal, nullptr);
  EXPECT_EQ(p[0]->vertices->next->vertex->normal, nullptr);
}

TEST_F(ObjTest, APositionUsedWithTwoNormalsBecomesTwoVertices) {
  ASSERT_NE(obj("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nvn 1 0 0\n"
                "f 1//1 2//1 3//1\nf 1//2 3//2 4//2\nf 1 3 4\nf 1//1 3//1 4//1\n"),
            nullptr);
  /* 1, 3 and 4 with normal 1, normal 2 and none each; 2 once. */
  EXPECT_EQ(count_vertices(g), 10);
  std::vector<VLpoly *> p = polys(g);
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[0]->vertices->vertex, p[3]->vertices->vertex);
  EXPECT_NE(p[0]->vertices->vertex, p[1]->vertices->vertex);
  EXPECT_EQ(p[1]->vertices->vertex->normal[0], 1.0f);
  EXPECT_EQ(p[2]->vertices->vertex->normal, nullptr);
}

TEST_F(ObjTest, FacesBeyond256CornersBecomeAFanOfPolygons) {
  std::string text;
  const int n = 300;
  for (int i = 0; i < n; ++i) {
    char line[64];
    snprintf(line, sizeof line, "v %.6f %.6f 0\n", cos(2 * M_PI * i / n), sin(2 * M_PI * i / n));
    text += line;
  }
  text += "f";
  for (int i = 1; i <= n; ++i) text += " " + std::to_string(i);
  text += "\nf 1 2\n";
  ASSERT_NE(obj(text), nullptr);
  std::vector<VLpoly *> p = polys(g);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0]->ncorners, 256);
  EXPECT_EQ(p[1]->ncorners, 46);
  EXPECT_EQ(p[0]->vertices->vertex, p[1]->vertices->vertex);
  EXPECT_EQ(count_vertices(g), n);
  EXPECT_EQ(fired_count(VLM_NFF_IGNORED), 1);
  EXPECT_EQ(fired_count(VLM_POLY_CORNERS), 0);
  /* A long face line with an index past the list fails like any other. */
  record_messages();
  std::string bad = text.substr(0, text.find("\nf 1 2\n")) + " 301\n";
  EXPECT_EQ(obj(bad), nullptr);
  EXPECT_EQ(fired_count(VLM_OBJ_INVALID_VERTEX), 1);
}

TEST_F(ObjTest, EveryMessage) {
  put("empty.mtl", "# nothing\n");
  put("odd.mtl", "newmtl a\nKd 1 0 0\nTr 0.5\nKa spectral x.rfl\nKs xyz 0.5 0.5 0.5\n");
  put("odd.map", "newmap m\nKd -o 0.5 0.5 t.tga\nglow 1\n");
  struct Case {
    const char *text;
    VLmsgid id;
    bool loads;
  } cases[] = {
      {"v 0 0 0\nv 1 0 0\nv 1 1 0\nvx 1\nf 1 2 3\n", VLM_OBJ_UNKNOWN_KEYWORD, false},
      {"v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 0\n", VLM_OBJ_INVALID_VERTEX, false},
      {"mtllib nowhere.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", VLM_OBJ_MTL_FIRST_PASS, true},
      {"mtllib empty.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", VLM_OBJ_MTL_EMPTY, true},
      {"mtllib odd.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", VLM_OBJ_MTL_KEYWORD, true},
      {"maplib nowhere.map\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", VLM_OBJ_MAP_OPEN, true},
      {"maplib odd.map\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", VLM_OBJ_MAP_KEYWORD, true},
      {"v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\nf 1 2\nf\n", VLM_NFF_IGNORED, true},
      {"v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 9\nf 1/5 2 3\n", VLM_OBJ_BAD_REFERENCES, true},
      {"v 0 0 0\nv 1 0 0\nv 1 1 0\n", VLM_GEOM_TOO_FEW, false},
      {"v 0 0 0\nv 1 0 0\nv 1 1 0\nv 1 a 0\nvn 0 0\nvt 0 0\nf 1 2 4\n", VLM_TOK_FLOAT_INVALID, true},
      {"v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0\nf 1 2 3\n", VLM_TOK_MISSING, true},
  };
  for (const Case &c : cases) {
    record_messages();
    EXPECT_EQ(obj(c.text) != nullptr, c.loads) << c.text;
    EXPECT_EQ(fired_count(c.id), 1) << c.text;
  }
  /* Unknown library statements are reported where they stand. */
  record_messages();
  obj("mtllib odd.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n");
  EXPECT_EQ(fired_count(VLM_TOK_LINE), 1);
  EXPECT_NE(fired()[0].text.find("odd.mtl"), std::string::npos);
}

TEST_F(ObjTest, AMissingTextureIsLookedForOnce) {
  put("cube.mtl", kCubeMtl);  /* its wood.tga is not there */
  ASSERT_NE(obj(kCube, "cube.obj"), nullptr);
  EXPECT_EQ(fired_count(VLM_IMG_NOT_FOUND), 1);
  for (VLpoly *p : polys(g)) EXPECT_EQ(p->attributes, nullptr);
}

TEST_F(ObjTest, ABadCoordinateKeepsTheIndexesOfTheVerticesAfterIt) {
  ASSERT_NE(obj("v 0 0 0\nv 1 x 0\nv 1 1 0\nv 0 1 0\nf 1 3 4\n"), nullptr);
  EXPECT_EQ(corners(polys(g)[0]), (std::vector<std::string>{"0 0 0", "1 1 0", "0 1 0"}));
}

TEST_F(ObjTest, MaterialsMapsAndOffSelectWhatFacesGet) {
  Bytes tga = tga_solid(2, 2, 9, 9, 9);
  put("a.tga", std::string(tga.begin(), tga.end()));
  put("b.tga", std::string(tga.begin(), tga.end()));
  put("one.mtl", "newmtl plain\nKd 0 1 0\nnewmtl decal\nKd 1 1 1\nmap_Ka a.tga\n");
  put("two.mtl", "newmtl late\nKd 0.5 0.5 0.5\nKs 1 1 1\n");
  put("maps.map", "newmap bmap\nKd -s 2 2 -o 0.5 0 b.tga\n");
  const char text[] =
      "mtllib one.mtl\nmaplib maps.map\n"
      "v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n"
      "usemtl plain\nf 1 2 3\n"
      "usemtl decal\nf 1/1 2/2 3/3\n"
      "usemap bmap\nf 1/1 2/2 3/3\n"
      "usemap off\nusemtl nosuch\nf 1 2 3\n"
      "mtllib two.mtl\nusemtl late\nf 1 2 3\n"
      "usemtl plain\nf 1 2 3\n"
      "usemtl off\nf 1 2 3\n";
  ASSERT_NE(obj(text), nullptr);
  std::vector<VLpoly *> p = polys(g);
  ASSERT_EQ(p.size(), 7u);
  VLmtable *t = g->mtable;
  ASSERT_EQ(t->nentries, 3);
  int plain = VLmtable_findentryname(t, "plain"), decal = VLmtable_findentryname(t, "decal"),
      late = VLmtable_findentryname(t, "late");
  EXPECT_EQ(plain, 0);
  EXPECT_EQ(decal, 1);
  EXPECT_EQ(late, 2);
  float v[3];
  ASSERT_TRUE(VLmtable_getvalue(t, plain, v, VLDIFFUSE));
  EXPECT_EQ(v[1], 1.0f);
  const int colours[] = {plain, decal, decal, decal, late, plain, plain};
  for (size_t i = 0; i < p.size(); ++i) EXPECT_EQ(p[i]->colour, colours[i]) << i;
  auto texture = [&](size_t i) {
    VLpolytexture *pt = static_cast<VLpolytexture *>(p[i]->attributes);
    return pt && pt->texture ? std::string(pt->texture->name) : std::string();
  };
  EXPECT_EQ(texture(0), "");
  EXPECT_NE(texture(1).find("a.tga"), std::string::npos);
  EXPECT_NE(texture(2).find("b.tga"), std::string::npos);
  /* "usemap off" leaves the material's map; "nosuch" changes nothing. */
  EXPECT_NE(texture(3).find("a.tga"), std::string::npos);
  EXPECT_EQ(texture(4), "");
  /* The map's scale and offset: u = 2u + 0.5, v = 1 - 2v. */
  VLpolytexture *pt = static_cast<VLpolytexture *>(p[2]->attributes);
  EXPECT_FLOAT_EQ(pt->uv[2], 2.5f);
  EXPECT_FLOAT_EQ(pt->uv[5], -1.0f);
}

TEST_F(ObjTest, LibrariesAreFoundAlongTheModelPathFirst) {
  mkdir((dir + "/lib").c_str(), 0755);
  put("lib/c.mtl", "newmtl x\nKd 0 0 1\n");
  put("c.mtl", "newmtl y\nKd 1 0 0\n");
  setenv("VLMODELS", (dir + "/nowhere;" + dir + "/lib").c_str(), 1);
  ASSERT_NE(obj("mtllib c.mtl\nusemtl x\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n"), nullptr);
  EXPECT_EQ(VLmtable_findentryname(g->mtable, "x"), 0);
  unsetenv("VLMODELS");
  ASSERT_NE(obj("mtllib c.mtl\nusemtl x\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n"), nullptr);
  EXPECT_EQ(VLmtable_findentryname(g->mtable, "y"), 0);
}

TEST_F(ObjTest, LongFilesReadInBlocksKeepTheirLineNumbers) {
  /* More than one read block, with a continued line across the place a
   * block would end, and a fault near the end reported at its line. */
  std::string text;
  int lines = 0;
  while (text.size() < (size_t(3) << 20)) {
    text += "v 0.000000 0.000000 \\\n 0.000000 # " + std::string(40, 'x') + "\n";
    lines += 2;
  }
  text += "v 1 0 0\nv 1 1 0\nf -1 -2 -3\nbad\n";
  lines += 4;
  std::string path = put("long.obj", text);
  record_messages();
  FILE *f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(VLobj_read(f, path.c_str(), 1.0f), nullptr);
  fclose(f);
  ASSERT_EQ(fired_count(VLM_OBJ_UNKNOWN_KEYWORD), 1);
  EXPECT_NE(fired()[0].text.find("Line " + std::to_string(lines) + " in '" + path + "'.\n"),
            std::string::npos)
      << fired()[0].text;
  /* Without the fault the same file loads from its path alone. */
  text.resize(text.size() - 4);
  put("long.obj", text);
  VLgeometry *read = VLobj_read(nullptr, path.c_str(), 1.0f);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->npolys, 1);
  VLgeometry_delete(read);
}

TEST_F(ObjTest, UnrecognisedFilesAreReadAsObj) {
  std::string path = put("shape.txt", "# made by hand\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  EXPECT_EQ(VLfile_type(path.c_str()), VLFILE_OBJ);
  VLnode *n = VLnode_load(nullptr, path.c_str(), 1.0f);
  ASSERT_NE(n, nullptr);
  VLnode_delete(n);
  record_messages();
  path = put("junk.bin", std::string("\x7f\x45\x4c\x46\x02\x01\x01\0\0\0", 10));
  EXPECT_EQ(VLnode_load(nullptr, path.c_str(), 1.0f), nullptr);
  EXPECT_EQ(fired_count(VLM_OBJ_UNKNOWN_KEYWORD), 1);
}

TEST_F(ObjTest, UniverseLoadingMakesOneObjectOfEachFormat) {
  put("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  put("tri.3dg1", "3DG1 3\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2 9\n");
  setenv("VLMODELS", dir.c_str(), 1);
  VLuniverse *u = VLuniverse_current();
  for (const char *name : {"tri.obj", "tri.3dg1"}) {
    VLbounds b;
    ASSERT_TRUE(VLuniverse_load(name, &b, 3.0f)) << name;
    ASSERT_NE(u->objects, nullptr) << name;
    EXPECT_EQ(u->objects->next, nullptr) << name;
    EXPECT_NE(u->holders, nullptr) << name;
  }
  put("bad.obj", "v 0 0 0\nnonsense\n");
  VLbounds b;
  EXPECT_FALSE(VLuniverse_load("bad.obj", &b, 1.0f));
  unsetenv("VLMODELS");
}

/* --- 3DG1 --- */

TEST_F(ObjTest, G1PolygonsColoursDetailBlocksAndConcaveSplits) {
  G1File f = sample_g1();
  ASSERT_NE(g3(g1_text(f), 2.0f), nullptr);
  std::vector<VLpoly *> p = polys(g);
  ASSERT_EQ(p.size(), 5u);
  /* y negated, then scaled. */
  EXPECT_EQ(corners(p[0]), (std::vector<std::string>{"0 0 0", "4 0 0", "4 -4 0", "0 -4 0"}));
  float v[4];
  ASSERT_TRUE(VLmtable_getvalue(g->mtable, p[0]->colour, v, VLAMBIENTDIFFUSE));
  EXPECT_FLOAT_EQ(v[0], 0.0f);
  EXPECT_FLOAT_EQ(v[2], 8.0f / 15.0f);
  EXPECT_EQ(p[1]->colour, p[0]->colour);
  /* The concave quadrilateral: a two-sided fan from its first corner. */
  for (int i = 2; i < 4; ++i) {
    EXPECT_EQ(p[size_t(i)]->ncorners, 3);
    EXPECT_TRUE(p[size_t(i)]->flags & VLPOLY_TWOSIDED);
    ASSERT_TRUE(VLmtable_getvalue(g->mtable, p[size_t(i)]->colour, v, VLAMBIENTDIFFUSE));
    EXPECT_FLOAT_EQ(v[0], 1.0f);  /* 12: 0xF00 */
  }
  EXPECT_EQ(corners(p[2]), (std::vector<std::string>{"0 0 0", "4 0 0", "4 -4 0"}));
  EXPECT_EQ(corners(p[3]), (std::vector<std::string>{"0 0 0", "4 -4 0", "2 -1 0"}));
  EXPECT_FALSE(p[0]->flags & VLPOLY_TWOSIDED);
  EXPECT_EQ(count_vertices(g), 7);  /* vertex 7 is unused */
  EXPECT_EQ(fired().size(), 0u);
}

TEST_F(ObjTest, G1SkippedPolygonsAndMessages) {
  /* Polygons of 2 and 300 corners are skipped with their colour numbers. */
  std::string many = "3DG1 3\n0 0 0\n1 0 0\n0 1 0\n2 0 1 5\n300";
  for (int i = 0; i < 300; ++i) many += " " + std::to_string(i);
  many += " 7\n3 0 1 2 1\n";
  struct Case {
    const char *text;
    int id;  /* a VLM_ message, or -1 for none */
    int polygons;
  } cases[] = {
      {many.c_str(), -1, 1},
      {"3DG1 3\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3 1\n3 0 1 2 1\n", VLM_G1_BAD_INDEX, 1},
      {"3DG1 3\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2 1\n3 0 1\n", VLM_BNFF_TRUNCATED, 1},
      {"3DG1 3\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2 1\n3 0 1 two 1\n", VLM_G1_BAD_NUMBER, 1},
      {"3DG1 3\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2 -1\n-2\n3 0 1 2 1\n", VLM_G1_BAD_DETAIL, 1},
      {"3DG1 3\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2 -1\n1 2 1 2\n", VLM_BNFF_TRUNCATED, 1},
      {"3DG1 3\n0 0 0\n1 0 0\n0 1\n", VLM_BNFF_TRUNCATED, 0},
      {"3DG1 3\n0 0 0\n1 0 nan\n0 1 0\n3 0 1 2 1\n", VLM_G1_BAD_NUMBER, 0},
      {"3DG1 99\n0 0 0\n", VLM_G1_BAD_COUNT, 0},
      {"3DG1 -1\n", VLM_G1_BAD_COUNT, 0},
      {"3DG1 3\n0 0 0\n1 0 0\n0 1 0\n2 0 1 4\n", VLM_NFF_NO_VALID, 0},
      {"3DG2 3\n", VLM_NFF_MAGIC, 0},
  };
  for (const Case &c : cases) {
    record_messages();
    VLgeometry *read = g3(c.text);
    EXPECT_EQ(read ? read->npolys : 0, c.polygons) << c.text;
    if (c.id >= 0)
      EXPECT_EQ(fired_count(VLmsgid(c.id)), 1) << c.text;
    else
      EXPECT_EQ(fired().size(), 0u) << c.text;
  }
}

/* --- hostile input --- */

TEST_F(ObjTest, FilesCutAtEveryByteOrWithFlippedBytesNeverBreakTheReaders) {
  put("cube.mtl", kCubeMtl);
  put("maps.map", "newmap m\nKd -s 1 1 wood.tga\n");
  std::string cube = std::string("maplib maps.map\nusemap m\n") + kCube;
  std::string g1 = g1_text(sample_g1());
  for (size_t cut = 0; cut <= cube.size(); ++cut) obj(cube.substr(0, cut), "cube.obj");
  for (size_t cut = 0; cut <= g1.size(); ++cut) g3(g1.substr(0, cut));
  std::string mtl = kCubeMtl;
  for (size_t cut = 0; cut <= mtl.size(); cut += 2) {
    put("cube.mtl", mtl.substr(0, cut));
    obj(kCube, "cube.obj");
  }
  put("cube.mtl", kCubeMtl);
  std::mt19937 rng(77);
  for (int round = 0; round < 300; ++round) {
    std::string a = cube, b = g1;
    int flips = 1 + int(rng() % 4);
    for (int k = 0; k < flips; ++k) {
      a[rng() % a.size()] = char(rng() & 0xff);
      b[rng() % b.size()] = char(rng() & 0xff);
    }
    obj(a, "cube.obj");
    g3(b);
  }
  SUCCEED();
}

/* --- vlxinfo --- */

struct Report {
  int status;
  std::string out;
};

Report vlxinfo(const std::string &path) {
  ProgramRun run = run_command(std::string(VLX_BIN_DIR) + "/vlxinfo '" + path + "' 2>/dev/null");
  return {run.status, run.out};
}

long reported(const std::string &out, const std::string &label) {
  size_t at = out.find("\n" + label + ": ");
  return at == std::string::npos ? -1 : atol(out.c_str() + at + label.size() + 3);
}

TEST_F(ObjTest, VlxinfoCountsMatchCountsMadeFromTheFixtures) {
  put("cube.mtl", kCubeMtl);
  std::string big = "o ring\n";
  for (int i = 0; i < 270; ++i) {
    char line[64];
    snprintf(line, sizeof line, "v %.6f %.6f 1\nvn 0 0 1\n", cos(i * 0.0232), sin(i * 0.0232));
    big += line;
  }
  big += "g all\nf";
  for (int i = 1; i <= 270; ++i) big += " " + std::to_string(i) + "//" + std::to_string(i);
  big += "\ns 2\nf -1//1 -2//1 -3//1\nf 1 2 3 4\n";
  struct Fixture {
    std::string name, text;
    Counts counts;
  } fixtures[] = {
      {"cube.obj", kCube, count_obj(kCube)},
      {"ring.obj", big, count_obj(big)},
      {"shape.3dg1", g1_text(sample_g1()), count_g1(sample_g1())},
  };
  for (const Fixture &f : fixtures) {
    Report r = vlxinfo(put(f.name, f.text));
    ASSERT_EQ(r.status, 0) << f.name << "\n" << r.out;
    EXPECT_EQ(reported(r.out, "geometries"), 1) << r.out;
    EXPECT_EQ(reported(r.out, "vertices"), f.counts.vertices) << f.name << "\n" << r.out;
    EXPECT_EQ(reported(r.out, "polygons"), f.counts.polygons) << f.name << "\n" << r.out;
    EXPECT_EQ(reported(r.out, "triangles"), f.counts.triangles) << f.name << "\n" << r.out;
  }
  /* What the counts are for these fixtures, as a check on the counting. */
  EXPECT_EQ(fixtures[0].counts.vertices, 24);
  EXPECT_EQ(fixtures[1].counts.polygons, 4);
  EXPECT_EQ(fixtures[2].counts.polygons, 5);
}

}  // namespace
