/* The 3D Studio reader: a textured cube with two materials (colours,
 * transparency, two-sidedness, texture coordinates, the axis convention
 * and the old3ds setting), several objects (names, merging, the node
 * loader, scene and universe loading), smoothing groups, material
 * percentages and their clamping, lights, cameras and keyframes read but
 * not converted, every message on a crafted file, files cut at every
 * offset or with flipped bytes, and the counts vlxinfo prints. Fixtures
 * are written by the tests. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "readers/3ds/3ds_internal.h"
#include "support/image_fixtures.h"
#include "support/messages.h"
#include "support/nff_writer.h"
#include "support/process.h"
#include "support/tds_writer.h"
#include "vlx/3ds.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/texture.h"
#include "vlx/universe.h"
#include "vlx/window.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

/* The unit cube: vertex i at (i & 1, i >> 1 & 1, i >> 2 & 1); two
 * triangles per side, counter-clockwise from outside; side k holds faces
 * 2k and 2k + 1 (-z, +z, -y, +y, -x, +x). */
const uint16_t kCubeFaces[] = {0, 2, 3, 0, 3, 1, 4, 5, 7, 4, 7, 6, 0, 1, 5, 0, 5, 4,
                               2, 6, 7, 2, 7, 3, 0, 4, 6, 0, 6, 2, 1, 3, 7, 1, 7, 5};

TdsMesh cube(const std::string &name, float offset = 0.0f) {
  TdsMesh m;
  m.name = name;
  for (int i = 0; i < 8; ++i) {
    m.points.insert(m.points.end(), {float(i & 1) + offset, float(i >> 1 & 1), float(i >> 2 & 1)});
    m.uv.insert(m.uv.end(), {0.25f * float(i & 1), 0.5f * float(i >> 1 & 1)});
  }
  m.faces.assign(kCubeFaces, kCubeFaces + 36);
  return m;
}

/* The cube of two materials: "red" (two-sided, textured "wood.gif", so
 * found as wood.tga) on its first six faces, "blue" (24-bit colour, half
 * transparent) on the other six. */
TdsModel two_material_cube(void) {
  TdsModel model;
  TdsMaterial red, blue;
  red.name = "red";
  red.diffuse[1] = red.diffuse[2] = 0.0f;
  red.twosided = true;
  red.texture = "wood.gif";
  red.shininess = 50;
  red.strength = 40;
  blue.name = "blue";
  blue.diffuse[0] = blue.diffuse[1] = 0.0f;
  blue.colour24 = true;
  blue.transparency = 50;
  model.materials = {red, blue};
  TdsMesh m = cube("box");
  m.groups = {{"red", {0, 1, 2, 3, 4, 5}}, {"blue", {6, 7, 8, 9, 10, 11}}};
  m.matrix = true;
  model.meshes = {m};
  return model;
}

class TdsTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    char tmpl[] = "/tmp/vlx_3ds_XXXXXX";
    dir = mkdtemp(tmpl);
    save_env("VLIMAGES", oldimages, hadimages);
    save_env("VLMODELS", oldmodels, hadmodels);
    setenv("VLIMAGES", dir.c_str(), 1);
    Bytes tga = tga_solid(4, 4, 200, 100, 50);
    write_file(dir + "/wood.tga", std::string(tga.begin(), tga.end()));
    CaptureStdout();
    record_messages();
  }
  void TearDown() override {
    stop_recording();
    std::string out = GetCapturedStdout();
    if (HasFailure()) fputs(out.c_str(), stderr);
    free_list();
    restore_env("VLIMAGES", oldimages, hadimages);
    restore_env("VLMODELS", oldmodels, hadmodels);
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
    UniverseTest::TearDown();
  }
  static void save_env(const char *name, std::string &value, bool &had) {
    const char *v = getenv(name);
    had = v != nullptr;
    if (v) value = v;
  }
  static void restore_env(const char *name, const std::string &value, bool had) {
    if (had) setenv(name, value.c_str(), 1);
    else unsetenv(name);
  }
  VLgeomcell *read(const std::string &bytes, bool merge = false, float scale = 1.0f) {
    free_list();
    list = VL3ds_readbytes("t.3ds", reinterpret_cast<const uint8_t *>(bytes.data()),
                           bytes.size(), scale, merge);
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
  std::string dir, oldimages, oldmodels;
  bool hadimages = false, hadmodels = false;
};

int vertex_count(const VLgeometry *g) {
  int n = 0;
  for (VLvertex *v = g->vertices; v; v = v->next) ++n;
  return n;
}

/* Polygons in the order the faces were made (the list is newest first). */
std::vector<VLpoly *> polygons(const VLgeometry *g) {
  std::vector<VLpoly *> out;
  for (VLpoly *p = g->polys; p; p = p->next) out.insert(out.begin(), p);
  return out;
}

float dot(const float *a, const float *b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

TEST_F(TdsTest, TexturedCubeWithTwoMaterials) {
  ASSERT_NE(read(tds_file(two_material_cube())), nullptr);
  ASSERT_EQ(count(), 1);
  VLgeometry *g = first();
  EXPECT_STREQ(g->name, "box");
  EXPECT_EQ(vertex_count(g), 8);
  ASSERT_EQ(g->npolys, 12);
  /* The file's (x, y, z) is the toolkit's (x, -z, y). */
  EXPECT_FLOAT_EQ(g->centre[0], 0.5f);
  EXPECT_FLOAT_EQ(g->centre[1], -0.5f);
  EXPECT_FLOAT_EQ(g->centre[2], 0.5f);
  /* One table: the default material, red, blue. */
  VLmtable *t = g->mtable;
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->nentries, 3);
  EXPECT_EQ(VLmtable_getmask(t), uint32_t(VLAMBIENT | VLDIFFUSE | VLSPECULAR | VLSHININESS |
                                          VLOPACITY));
  EXPECT_EQ(VLmtable_findentryname(t, "red"), 1);
  EXPECT_EQ(VLmtable_findentryname(t, "blue"), 2);
  float v[3];
  ASSERT_TRUE(VLmtable_getvalue(t, 0, v, VLDIFFUSE));
  EXPECT_FLOAT_EQ(v[0], 0.6f);
  ASSERT_TRUE(VLmtable_getvalue(t, 2, v, VLDIFFUSE));
  EXPECT_FLOAT_EQ(v[2], 1.0f);
  EXPECT_FLOAT_EQ(v[0], 0.0f);
  ASSERT_TRUE(VLmtable_getvalue(t, 2, v, VLOPACITY));
  EXPECT_FLOAT_EQ(v[0], 0.5f);
  ASSERT_TRUE(VLmtable_getvalue(t, 1, v, VLSPECULAR));
  EXPECT_FLOAT_EQ(v[0], 0.4f);  /* specular x strength */
  ASSERT_TRUE(VLmtable_getvalue(t, 1, v, VLSHININESS));
  EXPECT_FLOAT_EQ(v[0], 64.0f);
  std::vector<VLpoly *> polys = polygons(g);
  for (int f = 0; f < 12; ++f) {
    VLpoly *p = polys[size_t(f)];
    bool red = f < 6;
    EXPECT_EQ(p->colour, red ? 1 : 2) << f;
    EXPECT_EQ((p->flags & VLPOLY_TWOSIDED) != 0, red) << f;
    auto *tex = static_cast<VLpolytexture *>(p->attributes);
    ASSERT_EQ(tex != nullptr, red) << f;
    /* Outward normals: the faces keep their file order of corners. */
    float centroid[3] = {0, 0, 0};
    for (VLvertexref *r = p->vertices; r; r = r->next)
      for (int i = 0; i < 3; ++i) centroid[i] += r->vertex->position[i] / 3.0f;
    float out[3] = {centroid[0] - 0.5f, centroid[1] + 0.5f, centroid[2] - 0.5f};
    EXPECT_GT(dot(p->normal, out), 0.0f) << f;
    if (!tex) continue;
    EXPECT_NE(strstr(tex->name, "wood.tga"), nullptr) << tex->name;
    EXPECT_EQ(tex->explicitcoords, 1);
    EXPECT_EQ(tex->shaded, 1);
    EXPECT_EQ(tex->transparent, 0);
    EXPECT_EQ(p->flags & VLPOLY_TINT, 0);
    ASSERT_EQ(tex->ncorners, 3);
    int k = 0;
    for (VLvertexref *r = p->vertices; r; r = r->next, ++k) {
      /* Toolkit (x, -z, y) is file (x, y, z) = (x, pos[2], -pos[1]). */
      float x = r->vertex->position[0], y = r->vertex->position[2];
      EXPECT_FLOAT_EQ(tex->uv[2 * k], 0.25f * x);
      EXPECT_FLOAT_EQ(tex->uv[2 * k + 1], 0.5f * y);
    }
  }
  EXPECT_EQ(VLtexture_find("wood.gif"), nullptr);
}

TEST_F(TdsTest, TheOld3dsSettingKeepsTheAxesAndFlipsV) {
  VLuniverse_current()->settings->old3ds = 1;
  ASSERT_NE(read(tds_file(two_material_cube())), nullptr);
  VLgeometry *g = first();
  EXPECT_FLOAT_EQ(g->centre[1], 0.5f);
  VLpoly *p = polygons(g)[0];
  auto *tex = static_cast<VLpolytexture *>(p->attributes);
  ASSERT_NE(tex, nullptr);
  int k = 0;
  for (VLvertexref *r = p->vertices; r; r = r->next, ++k)
    EXPECT_FLOAT_EQ(tex->uv[2 * k + 1], 1.0f - 0.5f * r->vertex->position[1]);
}

TEST_F(TdsTest, ObjectsBecomeGeometriesMergedOrNot) {
  TdsModel model = two_material_cube();
  model.meshes.push_back(cube("right box", 3.0f));
  model.meshes.push_back(cube("top", 6.0f));
  std::string file = tds_file(model);
  ASSERT_NE(read(file), nullptr);
  ASSERT_EQ(count(), 3);
  EXPECT_STREQ(list->geometry->name, "box");
  EXPECT_STREQ(list->next->geometry->name, "right_box");
  EXPECT_STREQ(list->next->next->geometry->name, "top");
  /* One table for the whole file. */
  EXPECT_EQ(list->geometry->mtable, list->next->geometry->mtable);
  EXPECT_EQ(polygons(list->next->geometry)[0]->colour, 0);  /* default material */
  ASSERT_NE(read(file, true, 2.0f), nullptr);
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(first()->npolys, 36);
  EXPECT_EQ(vertex_count(first()), 24);
  EXPECT_FLOAT_EQ(first()->halfextents[0], 7.0f);
  /* The node loader: one Geometry node per object, in reverse order. */
  free_list();
  std::string path = dir + "/three.3ds";
  ASSERT_TRUE(write_file(path, file));
  FILE *f = fopen(path.c_str(), "rb");
  VLnodecell *nodes = VL3ds_load(f, path.c_str(), 1.0f, false, 0);
  fclose(f);
  std::vector<std::string> names;
  while (nodes) {
    VLnodecell *next = nodes->next;
    names.push_back(VLnode_getname(nodes->node));
    VLnode_delete(nodes->node);
    free(nodes);
    nodes = next;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"top", "right_box", "box"}));
  /* Scene loading: a Geometry node per object under the parent. */
  setenv("VLMODELS", dir.c_str(), 1);
  VLnode *group = VLgroupnode_new(VLuniverse_getrootnode());
  VLnode *n = VLnode_load(group, "three.3ds", 1.0f);
  ASSERT_NE(n, nullptr);
  EXPECT_STREQ(VLnode_getname(n), "box");
  EXPECT_EQ(VLnode_numchildren(group), 3);
  /* Universe loading: an object per geometry. */
  VLbounds b;
  ASSERT_TRUE(VLuniverse_load("three.3ds", &b, 1.0f));
  int objects = 0;
  for (VLobject *o = VLuniverse_getobjects(); o; o = o->next) ++objects;
  EXPECT_EQ(objects, 3);
  EXPECT_NE(VLuniverse_current()->holders, nullptr);
  EXPECT_EQ(_VL3ds_read_geometries(nullptr, "x", 1.0f, false), nullptr);
  EXPECT_EQ(fired_count(VLM_TDS_NULL_STREAM), 1);
}

/* Output vertices a cube of these side masks splits into, counted from
 * the fixture: per vertex, the distinct masks of the sides around it when
 * no two sides share a bit; one vertex when all sides share one. */
TEST_F(TdsTest, SmoothingGroupsSplitVerticesAlongTheirBorders) {
  struct Case {
    uint32_t masks[6];
    int vertices;
  } cases[] = {
      {{1, 2, 4, 8, 16, 32}, 24},
      {{1, 1, 1, 1, 1, 1}, 8},
      {{3, 1, 1, 1, 1, 1}, 8},          /* shares bit 1 with every side */
      {{1, 1, 1, 1, 2, 2}, 16},         /* -x and +x apart from the rest */
      {{0, 0, 0, 0, 0, 0}, 36},         /* no group: every face flat */
  };
  for (const Case &c : cases) {
    TdsModel model;
    TdsMesh m = cube("box");
    for (int f = 0; f < 12; ++f) m.smooth.push_back(c.masks[f / 2]);
    model.meshes = {m};
    ASSERT_NE(read(tds_file(model)), nullptr);
    VLgeometry *g = first();
    EXPECT_EQ(vertex_count(g), c.vertices) << c.masks[0] << c.masks[4];
    /* Every corner's normal leans out of its polygon's side. */
    for (VLpoly *p = g->polys; p; p = p->next)
      for (VLvertexref *r = p->vertices; r; r = r->next) {
        ASSERT_NE(r->vertex->normal, nullptr);
        EXPECT_GT(dot(r->vertex->normal, p->normal), 0.4f);
        EXPECT_NEAR(dot(r->vertex->normal, r->vertex->normal), 1.0f, 1e-5f);
      }
  }
  /* Six separate sides: each normal is its side's normal. */
  TdsModel model;
  TdsMesh m = cube("box");
  for (int f = 0; f < 12; ++f) m.smooth.push_back(1u << (f / 2));
  model.meshes = {m};
  ASSERT_NE(read(tds_file(model)), nullptr);
  for (VLpoly *p = first()->polys; p; p = p->next)
    for (VLvertexref *r = p->vertices; r; r = r->next)
      EXPECT_NEAR(dot(r->vertex->normal, p->normal), 1.0f, 1e-5f);
  /* Without smoothing groups nothing has a normal. */
  model.meshes[0].smooth.clear();
  ASSERT_NE(read(tds_file(model)), nullptr);
  for (VLvertex *v = first()->vertices; v; v = v->next) EXPECT_EQ(v->normal, nullptr);
}

TEST_F(TdsTest, MaterialPercentagesAreClamped) {
  TdsModel model;
  TdsMaterial shiny;
  shiny.name = "shiny";
  shiny.shininess = 150;
  shiny.strength = 150;
  shiny.transparency = 150;
  model.materials = {shiny};
  TdsMesh m = cube("box");
  m.groups = {{"shiny", {0}}};
  model.meshes = {m};
  std::string bytes = tds_file(model);
  VL3dsdb *db = nullptr;
  ASSERT_EQ(_VL3ds_readbytes("t.3ds", reinterpret_cast<const uint8_t *>(bytes.data()),
                             bytes.size(), &db),
            VL3DS_OK);
  ASSERT_EQ(db->materials.size(), 2u);
  const VL3dsmaterial &d = db->materials[0], &s = db->materials[1];
  EXPECT_FLOAT_EQ(d.ambient[0], 0.2f);
  EXPECT_FLOAT_EQ(d.diffuse[0], 0.6f);
  EXPECT_FLOAT_EQ(d.specular[0], 0.2f);
  EXPECT_FLOAT_EQ(d.shininess, 10.0f);
  EXPECT_EQ(s.name, "shiny");
  EXPECT_FLOAT_EQ(s.shininess, 128.0f);
  EXPECT_FLOAT_EQ(s.strength, 1.0f);
  EXPECT_FLOAT_EQ(s.transparency, 1.0f);
  EXPECT_TRUE(db->meshes[0].hasmatrix == false);
  _VL3ds_free(db);
  EXPECT_EQ(fired_count(VLM_TDS_SHININESS_CLAMPED), 1);
  EXPECT_EQ(fired_count(VLM_TDS_STRENGTH_CLAMPED), 1);
  EXPECT_EQ(fired_count(VLM_TDS_TRANSPARENCY_CLAMPED), 1);
}

TEST_F(TdsTest, LightsCamerasAndKeyframesAreReadNotConverted) {
  TdsModel model = two_material_cube();
  model.extras = true;
  std::string bytes = tds_file(model);
  VL3dsdb *db = nullptr;
  ASSERT_EQ(_VL3ds_readbytes("t.3ds", reinterpret_cast<const uint8_t *>(bytes.data()),
                             bytes.size(), &db),
            VL3DS_OK);
  ASSERT_EQ(db->lights.size(), 1u);
  EXPECT_EQ(db->lights[0].name, "lamp");
  EXPECT_FLOAT_EQ(db->lights[0].position[2], 3.0f);
  EXPECT_FLOAT_EQ(db->lights[0].colour[1], 0.5f);
  EXPECT_TRUE(db->lights[0].spot);
  EXPECT_FLOAT_EQ(db->lights[0].falloff, 45.0f);
  ASSERT_EQ(db->cameras.size(), 1u);
  EXPECT_FLOAT_EQ(db->cameras[0].lens, 7.0f);
  EXPECT_FLOAT_EQ(db->ambient[0], 0.2f);
  EXPECT_EQ(db->meshversion, 3u);
  ASSERT_EQ(db->meshes.size(), 1u);
  EXPECT_TRUE(db->meshes[0].hasmatrix);
  _VL3ds_free(db);
  ASSERT_NE(read(bytes), nullptr);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(first()->npolys, 12);
}

/* One small object, with the chunk bytes to patch in some cases. */
std::string one_triangle(const std::string &faces_tail = "", int v2 = 2) {
  std::string points = tds_le16(3);
  for (float f : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f}) points += tds_float(f);
  std::string faces = tds_le16(1) + tds_le16(0) + tds_le16(1) + tds_le16(uint16_t(v2)) +
                      tds_le16(0) + faces_tail;
  std::string mesh = tds_chunk(0x4110, points) + tds_chunk(0x4120, faces);
  return tds_chunk(0x4000, tds_cstr("tri") + tds_chunk(0x4100, mesh));
}

std::string file_of(const std::string &mdata) {
  return tds_chunk(0x4D4D, tds_chunk(0x3D3D, mdata));
}

TEST_F(TdsTest, EveryMessageFires) {
  std::string good = file_of(one_triangle());
  std::string past = good;
  past[6 + 6 + 2] = char(0x7f);  /* the object's length, past the mesh data */
  std::string points_only =
      tds_chunk(0x4000, tds_cstr("p") + tds_chunk(0x4100, tds_chunk(0x4110, tds_le16(0))));
  std::string no_points = tds_chunk(
      0x4000, tds_cstr("np") +
                  tds_chunk(0x4100, tds_chunk(0x4120, tds_le16(1) + std::string(8, '\0'))));
  struct Case {
    const char *what;
    std::string file;
    VLmsgid id;
    bool read;
  } cases[] = {
      {"not M3DMAGIC", tds_chunk(0x3D3D, ""), VLM_TDS_NO_MAGIC, false},
      {"cut", good.substr(0, good.size() - 1), VLM_TDS_CHUNK_PAST_PARENT, false},
      {"cut", good.substr(0, good.size() - 1), VLM_TDS_CANT_INTERPRET, false},
      {"cut", good.substr(0, good.size() - 1), VLM_TDS_CANT_PARSE, false},
      {"past parent", past, VLM_TDS_CHUNK_PAST_PARENT, false},
      /* The debug messages are discarded; the interpretation fails. */
      {"header cut", file_of("\x10"), VLM_TDS_CANT_INTERPRET, false},
      {"length cut", file_of(std::string("\x10\x00\x01", 3)), VLM_TDS_CANT_INTERPRET, false},
      {"count", file_of(tds_chunk(0x4000, tds_cstr("c") +
                                              tds_chunk(0x4100, tds_chunk(0x4110, tds_le16(9))))),
       VLM_TDS_COUNT_PAST_CHUNK, false},
      {"string", file_of(tds_chunk(0x4000, "abc")), VLM_TDS_CANT_INTERPRET, false},
      {"face index", file_of(one_triangle("", 3) + one_triangle()), VLM_TDS_FACE_INDEX, true},
      {"no faces", file_of(points_only + one_triangle()), VLM_TDS_NO_FACES, true},
      {"no vertices", file_of(no_points + one_triangle()), VLM_TDS_NO_VERTICES, true},
      {"nothing", file_of(points_only), VLM_TDS_NO_GEOMETRIES, false},
      {"group", file_of(one_triangle(tds_chunk(0x4130, tds_cstr("none") + tds_le16(1) +
                                                            tds_le16(0)))),
       VLM_TDS_MAT_GROUP, true},
      {"box map",
       file_of(tds_chunk(0x4000, tds_cstr("b") +
                                     tds_chunk(0x4100, tds_chunk(0x4190, std::string(60, 'a'))))),
       VLM_TDS_BOX_MAP, false},
  };
  for (const Case &c : cases) {
    record_messages();
    EXPECT_EQ(read(c.file) != nullptr, c.read) << c.what;
    EXPECT_EQ(fired_count(c.id), 1) << c.what;
  }
  /* Texture vertices that do not match the vertices: no texture. */
  TdsModel model = two_material_cube();
  model.meshes[0].uv.resize(14);
  record_messages();
  ASSERT_NE(read(tds_file(model)), nullptr);
  EXPECT_EQ(fired_count(VLM_TDS_TEXVERT_COUNT), 1);
  for (VLpoly *p = first()->polys; p; p = p->next) EXPECT_EQ(p->attributes, nullptr);
  /* A face past the vertex count is refused, the other kept. */
  std::string faces2 = tds_le16(2) + tds_le16(0) + tds_le16(1) + tds_le16(2) + tds_le16(0) +
                       tds_le16(0) + tds_le16(1) + tds_le16(700) + tds_le16(0);
  std::string points = tds_le16(3);
  for (float f : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f}) points += tds_float(f);
  record_messages();
  ASSERT_NE(read(file_of(tds_chunk(
                0x4000, tds_cstr("t") + tds_chunk(0x4100, tds_chunk(0x4110, points) +
                                                             tds_chunk(0x4120, faces2))))),
            nullptr);
  EXPECT_EQ(first()->npolys, 1);
  EXPECT_EQ(fired_count(VLM_TDS_FACE_INDEX), 1);
}

TEST_F(TdsTest, FilesCutOrFlippedNeverBreakTheReader) {
  TdsModel model = two_material_cube();
  model.meshes.push_back(cube("second", 2.0f));
  model.meshes[1].smooth.assign(12, 1);
  model.extras = true;
  std::string good = tds_file(model);
  for (size_t cut = 0; cut < good.size(); ++cut) {
    EXPECT_EQ(read(good.substr(0, cut)), nullptr) << cut;
  }
  std::mt19937 rng(3);
  for (int round = 0; round < 600; ++round) {
    std::string bad = good;
    int flips = 1 + int(rng() % 4);
    for (int k = 0; k < flips; ++k) bad[rng() % bad.size()] = char(rng() & 0xff);
    read(bad, round % 2 == 0);
  }
  SUCCEED();
}

/* --- vlxinfo --- */

/* The value after "label: " in vlxinfo's report, or -1. */
long report_value(const std::string &out, const std::string &label) {
  size_t at = out.find("\n" + label + ": ");
  if (at == std::string::npos) return -1;
  return strtol(out.c_str() + at + label.size() + 3, nullptr, 10);
}

TEST_F(TdsTest, VlxinfoCountsWhatTheFixtureHolds) {
  TdsModel model = two_material_cube();
  model.meshes.push_back(cube("smooth", 2.0f));
  for (int f = 0; f < 12; ++f) model.meshes[1].smooth.push_back(1u << (f / 2));
  model.meshes.push_back(cube("plain", 4.0f));
  model.meshes[2].faces.resize(18);  /* half of it */
  std::string path = dir + "/model.3ds";
  ASSERT_TRUE(write_file(path, tds_file(model)));
  /* Independent count: a vertex per point, one more per further distinct
   * (single-bit) smoothing mask around it; a triangle per face. */
  long vertices = 0, faces = 0;
  for (const TdsMesh &m : model.meshes) {
    size_t n = m.points.size() / 3;
    faces += long(m.faces.size() / 3);
    if (m.smooth.empty()) {
      vertices += long(n);
      continue;
    }
    std::vector<std::set<uint32_t>> masks(n);
    for (size_t f = 0; f < m.faces.size() / 3; ++f)
      for (int k = 0; k < 3; ++k) masks[m.faces[f * 3 + size_t(k)]].insert(m.smooth[f]);
    for (const auto &s : masks) vertices += long(s.empty() ? 1 : s.size());
  }
  ProgramRun run = run_command("VLIMAGES='" + dir + "' " + std::string(VLX_BIN_DIR) +
                               "/vlxinfo '" + path + "' 2>/dev/null");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find(": 3D Studio\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Geometry smooth"), std::string::npos) << run.out;
  EXPECT_EQ(report_value(run.out, "geometries"), 3) << run.out;
  EXPECT_EQ(report_value(run.out, "vertices"), vertices) << run.out;
  EXPECT_EQ(report_value(run.out, "polygons"), faces) << run.out;
  EXPECT_EQ(report_value(run.out, "triangles"), faces) << run.out;
  EXPECT_EQ(report_value(run.out, "textures"), 1) << run.out;
  EXPECT_NE(run.out.find("material tables: 1, entries: 3"), std::string::npos) << run.out;
}

}  // namespace
