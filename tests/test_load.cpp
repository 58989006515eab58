/* Scene loading: file types from the first bytes, the model search along
 * VLMODELS (two directories, ".nff" appended only without an extension),
 * VLnode_load's scale check and dispatch (geometry nodes per mesh, refused
 * and unknown types, readers not built yet), VLgeometry_load's type check,
 * universe loading, and the vlxinfo program. Fixtures are written here. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/messages.h"
#include "support/nff_writer.h"
#include "support/process.h"
#include "geometry/state.h"
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

/* A scratch directory with files, and VLMODELS restored afterwards. */
class Scratch {
 public:
  Scratch() {
    char tmpl[] = "/tmp/vlx_load_XXXXXX";
    dir = mkdtemp(tmpl);
    const char *old = getenv("VLMODELS");
    hadmodels = old != nullptr;
    if (old) oldmodels = old;
  }
  ~Scratch() {
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
    if (hadmodels) setenv("VLMODELS", oldmodels.c_str(), 1);
    else unsetenv("VLMODELS");
  }
  std::string put(const std::string &name, const std::string &bytes) {
    std::string path = dir + "/" + name;
    size_t slash = name.rfind('/');
    if (slash != std::string::npos) mkdir((dir + "/" + name.substr(0, slash)).c_str(), 0755);
    EXPECT_TRUE(write_file(path, bytes)) << path;
    return path;
  }
  std::string dir;

 private:
  bool hadmodels = false;
  std::string oldmodels;
};

/* One triangle mesh per name, in the text form. */
std::string meshes(const std::vector<std::string> &names) {
  std::string out = "nff\n";
  for (const std::string &n : names)
    out += n + "\n3\n0 0 0\n1 0 0\n0 1 0\n1\n3 0 1 2\n";
  return out;
}

class LoadTest : public UniverseTest {
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
    UniverseTest::TearDown();
  }
  Scratch scratch;
};

TEST(FileType, EachPrefixInItsOrder) {
  struct Case {
    std::string head;
    int type;
  } cases[] = {
      {"//lights\n", VLFILE_LIGHTS}, {"2424", VLFILE_OLDBIN1}, {"2323", VLFILE_OLDBIN2},
      {"  0\nSECTION", VLFILE_DXF},  {"0\nSECTION", VLFILE_DXF}, {"999\ncomment", VLFILE_DXF},
      {"3DG1\n", VLFILE_3DG1},       {"nff\n", VLFILE_NFF},     {"vy 1\n", VLFILE_NFF},
      {"bnff\0\0\0\0", VLFILE_BNFF}, {"mat\n", VLFILE_MAT},
      {std::string("\0\1\0\0", 4), VLFILE_FLT}, {"MM\0\0", VLFILE_3DS}, {"==", VLFILE_3DS},
      {"solid\r\n", VLFILE_SLP},     {"so\r\rlid x", VLFILE_SLP}, {"#VRML V1.0 ascii\n", VLFILE_VRML},
      {"v 0 0 0\n", VLFILE_OBJ},     {"", VLFILE_OBJ},          {"//light", VLFILE_OBJ},
  };
  Scratch s;
  int i = 0;
  for (const Case &c : cases) {
    std::string path = s.put("f" + std::to_string(i++) + ".txt", c.head);
    EXPECT_EQ(VLfile_type(path.c_str()), c.type) << c.head;
  }
  EXPECT_EQ(VLfile_type((s.dir + "/missing").c_str()), VLFILE_NONE);
  EXPECT_EQ(VLfile_type(s.dir.c_str()), VLFILE_NONE);
}

TEST(FileSearch, TwoDirectoriesInOrderAndTheNffExtension) {
  Scratch s;
  s.put("a/other", "x");
  s.put("b/cube.nff", "nff\n");
  s.put("b/ball.obj", "v\n");
  s.put("a/both", "a");
  s.put("b/both", "b");
  std::string list = s.dir + "/a;" + s.dir + "/b";
  setenv("VLMODELS", list.c_str(), 1);
  const char *found = VLfile_search("cube.nff", "VLMODELS");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(std::string(found), s.dir + "/b/cube.nff");
  EXPECT_EQ(std::string(VLfile_findmodel("both")), s.dir + "/a/both");
  EXPECT_EQ(std::string(VLfile_findmodel("cube")), s.dir + "/b/cube.nff");
  EXPECT_EQ(VLfile_findmodel("ball"), nullptr) << "only .nff is appended";
  EXPECT_EQ(VLfile_findmodel("cube.obj"), nullptr) << "a name with an extension stays";
  EXPECT_EQ(VLfile_findmodel(""), nullptr);
  EXPECT_EQ(VLfile_findmodel(nullptr), nullptr);
  EXPECT_EQ(VLfile_search("cube.nff", "VLX_NO_SUCH_VARIABLE"), nullptr);
  /* A name that opens as given is returned as is. */
  std::string direct = s.dir + "/b/ball.obj";
  EXPECT_EQ(std::string(VLfile_findmodel(direct.c_str())), direct);
}

TEST_F(LoadTest, ScaleFactorsBelowTheLimitAreRefused) {
  scratch.put("tri.nff", meshes({"tri"}));
  setenv("VLMODELS", scratch.dir.c_str(), 1);
  for (float scale : {0.0f, -1.0f, 1e-21f, float(NAN)}) {
    record_messages();
    EXPECT_EQ(VLnode_load(nullptr, "tri.nff", scale), nullptr) << scale;
    EXPECT_EQ(fired_count(VLM_BAD_SCALE), 1) << scale;
  }
  record_messages();
  VLnode *n = VLnode_load(nullptr, "tri.nff", 1e-19f);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(fired_count(VLM_BAD_SCALE), 0);
  VLgeometry *g = static_cast<VLgeometrynode *>(n)->geometry;
  EXPECT_FLOAT_EQ(g->vertices->next->position[0] + g->vertices->position[0] +
                      g->vertices->next->next->position[0], 1e-19f);
}

TEST_F(LoadTest, MultiMeshFileUnderAGroupGivesOneNamedNodePerMesh) {
  /* "distinct" keeps the meshes apart in one file. */
  std::string text = meshes({"hull", "mast", "sail"});
  text.insert(4, "distinct\n");
  scratch.put("boat.nff", text);
  setenv("VLMODELS", scratch.dir.c_str(), 1);
  VLnode *group = VLgroupnode_new(VLuniverse_getrootnode());
  VLnode *first = VLnode_load(group, "boat", 1.0f);
  ASSERT_EQ(VLnode_numchildren(group), 3);
  EXPECT_EQ(first, VLnode_getchild(group, 0));
  const char *names[] = {"hull", "mast", "sail"};
  for (int i = 0; i < 3; ++i) {
    VLnode *c = VLnode_getchild(group, i);
    EXPECT_EQ(VLnode_gettype(c), VLNODE_GEOMETRY);
    EXPECT_STREQ(VLnode_getname(c), names[i]);
    EXPECT_STREQ(static_cast<VLgeometrynode *>(c)->geometry->name, names[i]);
  }
  /* Without "distinct" the meshes are merged into the first. */
  scratch.put("merged.nff", meshes({"hull", "mast"}));
  VLnode *merged = VLnode_load(group, "merged.nff", 1.0f);
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(VLnode_numchildren(group), 4);
  EXPECT_EQ(static_cast<VLgeometrynode *>(merged)->geometry->npolys, 2);
}

/* The material tables in the universe's list. */
int table_count(void) {
  int n = 0;
  for (VLmtable *t = _VLgeom().tables; t; t = t->next) ++n;
  return n;
}

TEST_F(LoadTest, LoadedTablesGoWithTheirLastGeometry) {
  /* Three meshes kept apart share the file's one table. */
  std::string text = meshes({"hull", "mast", "sail"});
  text.insert(4, "distinct\n");
  scratch.put("boat.nff", text);
  setenv("VLMODELS", scratch.dir.c_str(), 1);
  VLnode *group = VLgroupnode_new(VLuniverse_getrootnode());
  int before = table_count();
  for (int round = 0; round < 20; ++round) {
    ASSERT_NE(VLnode_load(group, "boat", 1.0f), nullptr);
    ASSERT_EQ(VLnode_numchildren(group), 3);
    /* The table stays while any of its geometries does. */
    VLmtable *t = static_cast<VLgeometrynode *>(VLnode_getchild(group, 0))->geometry->mtable;
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(VLnode_deletechild(group, 0));
    ASSERT_TRUE(VLnode_deletechild(group, 0));
    EXPECT_EQ(static_cast<VLgeometrynode *>(VLnode_getchild(group, 0))->geometry->mtable, t);
    EXPECT_STREQ(VLmtable_find(t->name)->name, t->name);
    ASSERT_TRUE(VLnode_deletechild(group, 0));
    EXPECT_EQ(table_count(), before) << "round " << round;
  }
  /* A table made by hand is the caller's: it outlives its geometries. */
  VLmtable *mine = VLmtable_new(VLAMBIENTDIFFUSE, 4, "mine");
  VLgeometry *g = VLgeometry_newblock(1, 1, 1, false);
  ASSERT_NE(g, nullptr);
  VLmtable_attach(g, mine);
  VLgeometry_delete(g);
  EXPECT_EQ(VLmtable_find("mine"), mine);
}

TEST_F(LoadTest, TypesComeFromTheBytesNotTheName) {
  struct Case {
    const char *name;
    std::string bytes;
    VLmsgid warning;
  } cases[] = {
      {"world.txt", "#VRML V1.0 ascii\n", VLM_VRML_FIRST_NODE},
      {"part.nff", "solid x\r\nendsolid\r\n", VLM_SLP_NO_NAME},
      {"table.nff", "mat\nvalid 2\n", VLM_LOAD_UNKNOWN_TYPE},
      {"old.nff", "2424xxxx", VLM_OLD_BINARY},
      {"old2.nff", "2323xxxx", VLM_OLD_BINARY},
      {"flight.nff", std::string("\0\1\0\0", 4), VLM_FLT_BAD_HEADER},
      {"box.obj", "v 0 0 0\n", VLM_GEOM_TOO_FEW},  /* read as OBJ: no faces */
      {"http://127.0.0.1:1/w.wrl", "", VLM_VRML_CANT_OPEN},
  };
  setenv("VLMODELS", scratch.dir.c_str(), 1);
  for (const Case &c : cases) {
    if (!c.bytes.empty() || strncmp(c.name, "http", 4) != 0) scratch.put(c.name, c.bytes);
    record_messages();
    EXPECT_EQ(VLnode_load(nullptr, c.name, 1.0f), nullptr) << c.name;
    EXPECT_EQ(fired_count(c.warning), 1) << c.name;
  }
  record_messages();
  EXPECT_EQ(VLnode_load(nullptr, "nowhere.nff", 1.0f), nullptr);
  EXPECT_EQ(fired_count(VLM_LOAD_NOT_FOUND), 1);
}

TEST_F(LoadTest, ParentsMustBeGroupingNodes) {
  scratch.put("tri.nff", meshes({"tri"}));
  setenv("VLMODELS", scratch.dir.c_str(), 1);
  VLnode *leaf = VLxformnode_new(nullptr);
  EXPECT_EQ(VLnode_load(leaf, "tri.nff", 1.0f), nullptr);
  VLnode *orphan = VLnode_load(nullptr, "tri.nff", 1.0f);
  ASSERT_NE(orphan, nullptr);
  EXPECT_EQ(VLnode_numparents(orphan), 0);
}

TEST_F(LoadTest, LightFilesReturnTheFirstLightAppended) {
  scratch.put("lamp.lgt", "//lights\npoint 0 1 0\ndirected 0 -1 0\n");
  setenv("VLMODELS", scratch.dir.c_str(), 1);
  VLnode *group = VLgroupnode_new(VLuniverse_getrootnode());
  VLgroupnode_new(group);
  VLnode *first = VLnode_load(group, "lamp.lgt", 1.0f);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, VLnode_getchild(group, 1));
  EXPECT_EQ(VLnode_gettype(first), VLNODE_LIGHT);
}

TEST_F(LoadTest, GeometryLoadChecksTheTypeAndResetsTheParameters) {
  std::string path = scratch.put("tri.nff", meshes({"tri"}));
  float params[VLLOAD_NPARAMS] = {5, 5, 5, 5, 5, 5, 5};
  for (int type : {0, 3, 6, 8, 10, 13, 14}) {
    record_messages();
    EXPECT_EQ(VLgeometry_load(fopen(path.c_str(), "rb"), path.c_str(), type, params, 1, 0),
              nullptr);
    EXPECT_EQ(fired_count(VLM_LOAD_UNKNOWN_TYPECODE), 1) << type;
  }
  for (int i = 0; i < 6; ++i) EXPECT_EQ(params[i], 0.0f);
  EXPECT_EQ(params[6], 1.0f);
  VLgeomcell *list = VLgeometry_load(fopen(path.c_str(), "rb"), path.c_str(), VLFILE_NFF,
                                     params, 2.0f, 0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->next, nullptr);
  EXPECT_FLOAT_EQ(list->geometry->halfextents[0], 1.0f);
  VLgeometry_delete(list->geometry);
  free(list);
  EXPECT_EQ(VLgeometry_load(nullptr, path.c_str(), VLFILE_NFF, params, 1, 0), nullptr);
}

TEST_F(LoadTest, UniverseLoadingMakesObjectsAndPortals) {
  scratch.put("room.nff",
              "nff\nroom\n4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n1\n4 0 1 2 3 0xfff -hall.nff\n");
  setenv("VLMODELS", scratch.dir.c_str(), 1);
  VLbounds b;
  EXPECT_FALSE(VLuniverse_load("room.nff", &b, 0.0f));
  EXPECT_EQ(fired_count(VLM_BAD_SCALE), 1);
  EXPECT_FALSE(VLuniverse_load("nothing.nff", &b, 1.0f));
  ASSERT_TRUE(VLuniverse_load("room", &b, 1.0f));
  EXPECT_EQ(b.scale, 1.0f);
  VLuniverse *u = VLuniverse_current();
  ASSERT_NE(u->objects, nullptr);
  EXPECT_EQ(u->objects->next, nullptr);
  ASSERT_NE(u->holders, nullptr);
  ASSERT_NE(u->portals, nullptr);
  EXPECT_STREQ(u->portals->target, "hall.nff");
  /* Loading again replaces the content. */
  ASSERT_TRUE(VLuniverse_load("room", &b, 1.0f));
  EXPECT_EQ(u->objects->next, nullptr);
  EXPECT_EQ(u->portals->next, nullptr);
  scratch.put("t.mat", "mat\n");
  EXPECT_FALSE(VLuniverse_load("t.mat", &b, 1.0f));
  EXPECT_EQ(fired_count(VLM_UNKNOWN_FILETYPE), 1);
}

/* --- vlxinfo --- */

struct ProcessResult {
  int status;
  std::string out, err;
};

/* vlxinfo with its arguments: status, standard output and standard error. */
ProcessResult run_vlxinfo(const std::string &args, const Scratch &s) {
  std::string errfile = s.dir + "/stderr.txt";
  ProgramRun run = run_command(std::string(VLX_BIN_DIR) + "/vlxinfo " + args + " 2>" + errfile);
  std::string err;
  if (FILE *f = fopen(errfile.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) err.append(buf, n);
    fclose(f);
  }
  return {run.status, run.out, err};
}

TEST(VlxInfo, PrintsTheTreeAndTotals) {
  Scratch s;
  NffModel m;
  NffGeometry g;
  g.name = "quad";
  for (int i = 0; i < 5; ++i) {
    NffVertex v;
    v.p[0] = float(i % 2) * 2;
    v.p[1] = float(i / 2) * 2;
    v.p[2] = i == 4 ? 4.0f : 0.0f;
    v.hasrgb = true;
    v.rgb[0] = uint8_t(i * 40);
    g.vertices.push_back(v);
  }
  NffPolygon quad;
  quad.indices = {0, 1, 3, 2};
  NffPolygon tri;
  tri.indices = {0, 1, 4};
  g.polygons = {quad, tri};
  m.geometries.push_back(g);
  std::string path = s.put("quad.nff", nff_text(m));
  ProcessResult r = run_vlxinfo(path, s);
  EXPECT_EQ(r.status, 0) << r.err;
  const char *expected[] = {"quad.nff: neutral file format (text)", "Geometry quad",
                            "nodes: 1",  "geometries: 1", "vertices: 5",
                            "polygons: 2", "triangles: 3", "material tables: 1, entries: 5",
                            "textures: 0", "bounds: 0 0 0 to 2 4 4"};
  for (const char *line : expected)
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  EXPECT_EQ(r.out.find("VLX Warning"), std::string::npos);
}

TEST(VlxInfo, AMissingFileWarnsOnStandardErrorAndFails) {
  Scratch s;
  ProcessResult r = run_vlxinfo("/nonexistent/model.nff", s);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("VLX Warning: Couldn't find file /nonexistent/model.nff"), std::string::npos)
      << r.err;
  EXPECT_EQ(r.out.find("VLX Warning"), std::string::npos) << r.out;
}

}  // namespace
