/* OpenFlight: units and scale, groups with matrices, levels of detail,
 * instances, external references (in a sub-folder, and ones that lead back
 * to a file being read), textures with attribute files, colours and
 * materials, subfaces, replication and switches, record lengths that stop
 * the walk, deep nesting, files cut at every offset or with flipped bytes,
 * VLnode_load and what vlxinfo prints. Fixtures are written by the tests. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/flt_writer.h"
#include "support/image_fixtures.h"
#include "support/messages.h"
#include "support/nff_writer.h"
#include "support/process.h"
#include "vlx/file.h"
#include "vlx/flt.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/node.h"
#include "vlx/texture.h"
#include "vlx/universe.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

/* The vertex palette of a unit square at height z, and one face over it
 * inside an object: the usual body of a fixture. */
struct Square {
  std::vector<int> corners;
};

Square square_palette(FltWriter &w, double z, bool uv = false) {
  Square s;
  const double xy[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  float n[3] = {0, 0, 1};
  w.begin_vertices();
  for (auto &p : xy) {
    float t[2] = {float(p[0]), float(p[1])};
    s.corners.push_back(w.vertex(p[0], p[1], z, n, uv ? t : nullptr));
  }
  w.end_vertices();
  return s;
}

void square_object(FltWriter &w, const char *object, const Square &s,
                   const FltFaceFields &fields = FltFaceFields()) {
  w.object(object);
  w.push();
  w.face("f1", fields);
  w.push();
  w.vertex_list(s.corners);
  w.pop();
  w.pop();
}

/* A file with one group (and its matrix when asked) over one square. */
std::string group_file(int units, int16_t scale, bool withmatrix) {
  FltWriter w;
  w.header("db", units, scale);
  Square s = square_palette(w, 2.0);
  w.push();
  w.group("g1");
  if (withmatrix) w.translation(10, 20, 30);
  w.push();
  square_object(w, "o1", s);
  w.pop();
  w.pop();
  return w.bytes;
}

/* "Type name" per node, indented two blanks per level. */
void dump(VLnode *n, int depth, std::string &out) {
  static const char *const kTypes[] = {"?", "Xform", "Lod", "?", "Switch", "?", "Geometry",
                                       "?", "Group", "Separator"};
  int t = n->type;
  out += std::string(size_t(depth) * 2, ' ') + (t < 10 ? kTypes[t] : "?");
  if (n->name) out += std::string(" ") + n->name;
  out += "\n";
  for (int i = 0; i < VLnode_numchildren(n); ++i) dump(VLnode_getchild(n, i), depth + 1, out);
}

std::string tree(VLnode *n) {
  std::string out;
  if (n) dump(n, 0, out);
  return out;
}

VLgeometry *geometry_of(VLnode *n) {
  if (!n) return nullptr;
  if (n->type == VLNODE_GEOMETRY) return static_cast<VLgeometrynode *>(n)->geometry;
  for (int i = 0; i < VLnode_numchildren(n); ++i)
    if (VLgeometry *g = geometry_of(VLnode_getchild(n, i))) return g;
  return nullptr;
}

/* Files served from memory to the reader. */
bool serve(void *user, const char *path, char **data, size_t *size) {
  auto *files = static_cast<std::map<std::string, std::string> *>(user);
  auto f = files->find(path);
  if (f == files->end()) return false;
  *data = static_cast<char *>(malloc(f->second.size() + 1));
  memcpy(*data, f->second.data(), f->second.size());
  *size = f->second.size();
  return true;
}

class FltTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    char tmpl[] = "/tmp/vlx_flt_XXXXXX";
    dir = mkdtemp(tmpl);
    for (const char *v : {"VLIMAGES", "VLMODELS"}) {
      const char *old = getenv(v);
      saved[v] = old ? old : "";
      had[v] = old != nullptr;
      unsetenv(v);
    }
    CaptureStdout();
    record_messages();
  }
  void TearDown() override {
    stop_recording();
    std::string out = GetCapturedStdout();
    if (HasFailure()) fputs(out.c_str(), stderr);
    for (VLnode *n : made) VLnode_delete(n);
    for (auto &v : had)
      if (v.second) setenv(v.first.c_str(), saved[v.first].c_str(), 1);
      else unsetenv(v.first.c_str());
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
    UniverseTest::TearDown();
  }
  std::string put(const std::string &name, const std::string &bytes) {
    std::string path = dir + "/" + name;
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
      mkdir((dir + "/" + name.substr(0, slash)).c_str(), 0755);
    EXPECT_TRUE(write_file(path, bytes)) << path;
    return path;
  }
  VLnode *keep(VLnode *n) {
    if (n) made.push_back(n);
    return n;
  }
  VLnode *read(const std::string &bytes, const VLfltoptions *o = nullptr,
               const char *path = "t.flt") {
    return keep(VLflt_readbytes(path, reinterpret_cast<const unsigned char *>(bytes.data()),
                                bytes.size(), o));
  }
  VLnode *load(const std::string &path) { return keep(VLflt_load(path.c_str())); }
  std::string dir;
  std::map<std::string, std::string> saved;
  std::map<std::string, bool> had;
  std::vector<VLnode *> made;
};

TEST_F(FltTest, UnitsAndScaleGiveMetres) {
  struct Case {
    int units;
    int16_t scale;
    double factor;
    bool warns;
  } cases[] = {{0, 0, 1.0, false},  {1, 0, 1000.0, false}, {4, 0, 0.3048, false},
               {5, 0, 0.0254, false}, {8, 0, 1852.0, false}, {4, 2, 0.6096, false},
               {4, -2, 0.1524, false}, {3, 0, 1.0, true}};
  for (const Case &c : cases) {
    record_messages();
    VLgeometry *g = geometry_of(read(group_file(c.units, c.scale, false)));
    ASSERT_NE(g, nullptr) << c.units;
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (VLvertex *v = g->vertices; v; v = v->next)
      for (int i = 0; i < 3; ++i) lo[i] = fminf(lo[i], v->position[i]), hi[i] = fmaxf(hi[i], v->position[i]);
    EXPECT_FLOAT_EQ(hi[0], float(c.factor)) << c.units << " " << c.scale;
    EXPECT_FLOAT_EQ(lo[2], float(2.0 * c.factor)) << c.units << " " << c.scale;
    EXPECT_EQ(fired_count(VLM_FLT_UNKNOWN_UNITS), c.warns ? 1 : 0);
  }
}

TEST_F(FltTest, AGroupWithAMatrixIsASeparatorWithATransformFirst) {
  VLnode *root = read(group_file(4, 0, true));
  EXPECT_EQ(tree(root),
            "Separator db\n"
            "  Xform\n"
            "  Separator g1\n"
            "    Xform Transform for g1\n"
            "    Geometry geom under g1\n");
  /* The axis change: (x, y, z) becomes (x, -z, y). */
  VLm4 axis, m;
  ASSERT_TRUE(VLxformnode_getmatrix(VLnode_getchild(root, 0), &axis));
  const float expect[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(axis.m[i], expect[i]) << i;
  /* The group's translation is in feet, held in metres. */
  ASSERT_TRUE(VLxformnode_getmatrix(VLnode_getchild(VLnode_getchild(root, 1), 0), &m));
  EXPECT_FLOAT_EQ(m.m[12], 3.048f);
  EXPECT_FLOAT_EQ(m.m[13], 6.096f);
  EXPECT_FLOAT_EQ(m.m[14], 9.144f);
  EXPECT_EQ(fired().size(), 0u);
}

TEST_F(FltTest, ALevelOfDetailHasItsRangesSmallerFirstAndItsCentre) {
  FltWriter w;
  w.header("db", 4, 0);
  Square s = square_palette(w, 0);
  w.push();
  w.lod("near", 100.0, 10.0, 1, 2, 3);
  w.push();
  square_object(w, "o1", s);
  w.pop();
  w.pop();
  VLnode *root = read(w.bytes);
  EXPECT_EQ(tree(root), "Separator db\n  Xform\n  Lod near\n    Geometry geom under near\n");
  auto *lod = static_cast<VLlodnode *>(VLnode_getchild(root, 1));
  float ranges[2];
  ASSERT_TRUE(VLlodnode_getranges(lod, ranges, 2));
  EXPECT_FLOAT_EQ(ranges[0], 3.048f);
  EXPECT_FLOAT_EQ(ranges[1], 30.48f);
  EXPECT_FLOAT_EQ(lod->lodcentre[0], 0.3048f);
  EXPECT_FLOAT_EQ(lod->lodcentre[2], 0.9144f);
}

TEST_F(FltTest, AnInstanceRefToAnUndefinedInstanceOnlyWarns) {
  FltWriter w;
  w.header("db", 0, 0);
  w.push();
  w.group("g1");
  w.push();
  w.instance_ref(7);
  w.pop();
  w.pop();
  VLnode *root = read(w.bytes);
  EXPECT_EQ(tree(root), "Separator db\n  Xform\n  Separator g1\n");
  EXPECT_EQ(fired_count(VLM_FLT_INSTANCE_MISSING), 1);
  ASSERT_EQ(fired().size(), 1u);
  EXPECT_EQ(fired()[0].text, "VLX Warning: Multigen:  could not find instance ref 7\n");
}

TEST_F(FltTest, InstancesAreSharedAndOneInsideItsOwnDefinitionIsRefused) {
  FltWriter w;
  w.header("db", 0, 0);
  Square s = square_palette(w, 0);
  w.push();
  w.instance_ref(3);    /* before the definition: attached after the walk */
  w.instance_def(3);
  w.push();
  w.group("shared");
  w.push();
  square_object(w, "o1", s);
  w.instance_ref(3);    /* inside its own definition */
  w.pop();
  w.pop();
  w.group("g2");
  w.push();
  w.instance_ref(3);
  w.pop();
  w.instance_def(3);    /* not above the highest: becomes 4, used by nobody */
  w.push();
  w.group("unused");
  w.pop();
  w.pop();
  VLnode *root = read(w.bytes);
  EXPECT_EQ(fired_count(VLM_FLT_INSTANCE_CYCLE), 1);
  EXPECT_EQ(fired_count(VLM_FLT_INSTANCE_MISSING), 0);
  ASSERT_EQ(VLnode_numchildren(root), 3);
  VLnode *g2 = VLnode_getchild(root, 1);
  VLnode *def = VLnode_getchild(root, 2);
  EXPECT_EQ(VLnode_getchild(g2, 0), def);
  EXPECT_EQ(VLnode_numparents(def), 2);
  EXPECT_EQ(tree(def), "Group\n  Separator shared\n    Geometry geom under shared\n");
}

TEST_F(FltTest, AnExternalReferenceInASubFolderIsReadRelativeToTheFile) {
  FltWriter part;
  part.header("part", 0, 0);
  Square s = square_palette(part, 5);
  part.push();
  part.group("inner");
  part.push();
  square_object(part, "o1", s);
  part.pop();
  part.pop();
  put("models/sub/part.flt", part.bytes);
  FltWriter w;
  w.header("db", 0, 0);
  w.push();
  w.external_ref("sub\\part.flt<inner>");
  w.pop();
  std::string path = put("models/main.flt", w.bytes);
  VLnode *root = load(path);
  EXPECT_EQ(tree(root),
            "Separator db\n"
            "  Xform\n"
            "  Group ext_ref_group\n"
            "    Separator part\n"
            "      Separator inner\n"
            "        Geometry geom under inner\n");
  EXPECT_EQ(fired().size(), 0u);
  /* A name that is not there leaves the group empty. */
  FltWriter bad;
  bad.header("db", 0, 0);
  bad.external_ref("nothere.flt");
  EXPECT_EQ(tree(load(put("models/bad.flt", bad.bytes))),
            "Separator db\n  Xform\n  Group ext_ref_group\n");
  EXPECT_EQ(fired_count(VLM_FLT_EXTREF_FAILED), 1);
}

TEST_F(FltTest, ReferencesBackToAFileBeingReadAreRefused) {
  FltWriter self;
  self.header("self", 0, 0);
  self.external_ref("self.flt");
  VLnode *root = load(put("self.flt", self.bytes));
  EXPECT_EQ(tree(root), "Separator self\n  Xform\n  Group ext_ref_group\n");
  EXPECT_EQ(fired_count(VLM_FLT_EXTREF_CYCLE), 1);
  /* a -> b -> a: b is read once, its reference back to a is refused. */
  FltWriter a, b;
  a.header("a", 0, 0);
  a.external_ref("b.flt");
  b.header("b", 0, 0);
  b.external_ref("./a.flt");
  put("b.flt", b.bytes);
  record_messages();
  root = load(put("a.flt", a.bytes));
  EXPECT_EQ(tree(root),
            "Separator a\n  Xform\n  Group ext_ref_group\n    Separator b\n"
            "      Group ext_ref_group\n");
  EXPECT_EQ(fired_count(VLM_FLT_EXTREF_CYCLE), 1);
  /* From memory: every name gives the same bytes, so every reference is a
   * new file; the chain ends at the depth limit. */
  std::map<std::string, std::string> files;
  FltWriter chain;
  chain.header("c", 0, 0);
  chain.external_ref("x/c.flt");
  files["t.flt"] = chain.bytes;
  for (std::string p = "x/c.flt"; p.size() < 200; p = "x/" + p) files[p] = chain.bytes;
  VLfltoptions o{serve, &files, false};
  record_messages();
  read(chain.bytes, &o);
  EXPECT_EQ(fired_count(VLM_FLT_EXTREF_DEPTH), 1);
}

TEST_F(FltTest, ATextureWithItsAttributeFile) {
  setenv("VLIMAGES", dir.c_str(), 1);
  Bytes tga = tga_solid(4, 4, 200, 100, 50);
  put("wood.tga", std::string(tga.begin(), tga.end()));
  put("wood.tga.attr", flt_attr(0));   /* point filtering */
  put("stone.tga", std::string(tga.begin(), tga.end()));
  FltWriter w;
  w.header("db", 0, 0);
  w.texture_palette("c:\\textures\\wood.tga", 0);
  w.texture_palette("stone.tga", 1);
  Square s = square_palette(w, 0, true);
  w.push();
  FltFaceFields wood;
  wood.texture = 0;
  square_object(w, "o1", s, wood);
  FltFaceFields stone;
  stone.texture = 1;
  square_object(w, "o2", s, stone);
  FltFaceFields missing;
  missing.texture = 9;
  square_object(w, "o3", s, missing);
  square_object(w, "o4", s, missing);
  w.pop();
  VLnode *root = read(w.bytes, nullptr, (dir + "/t.flt").c_str());
  ASSERT_EQ(VLnode_numchildren(root), 5);
  auto *g = static_cast<VLgeometrynode *>(VLnode_getchild(root, 1))->geometry;
  auto *pt = static_cast<VLpolytexture *>(g->polys->attributes);
  ASSERT_NE(pt, nullptr);
  EXPECT_EQ(pt->explicitcoords, 1);
  EXPECT_FLOAT_EQ(pt->uv[2], 1.0f);   /* corner (1, 0) */
  EXPECT_FLOAT_EQ(pt->uv[5], 1.0f);   /* corner (1, 1) */
  ASSERT_NE(pt->texture, nullptr);
  EXPECT_EQ(pt->texture->filtermode, 0);
  EXPECT_EQ(pt->texture->filterlevel, 0);
  /* stone has no attribute file: defaults, and the message naming it. */
  EXPECT_EQ(fired_count(VLM_FLT_NO_ATTR), 1);
  g = static_cast<VLgeometrynode *>(VLnode_getchild(root, 2))->geometry;
  EXPECT_NE(g->polys->attributes, nullptr);
  /* A face naming a pattern the palette lacks: reported once, untextured. */
  EXPECT_EQ(fired_count(VLM_FLT_TEXTURE_MISSING), 1);
  g = static_cast<VLgeometrynode *>(VLnode_getchild(root, 3))->geometry;
  EXPECT_EQ(g->polys->attributes, nullptr);
}

TEST_F(FltTest, ColoursAndMaterialsBecomeTableEntries) {
  FltWriter w;
  w.header("db", 0, 0);
  w.colour_palette({0x000000ffu, 0x00ff0000u});   /* red, blue (a, b, g, r) */
  FltMaterialSpec m{{0.2f, 0.2f, 0.2f}, {0.5f, 0.5f, 0.5f}, {1, 1, 1}, {0, 0, 0}, 32, 0.5f};
  w.material_palette({m});
  Square s = square_palette(w, 0);
  w.push();
  struct Case {
    FltFaceFields fields;
    float diffuse[3];
    float alpha;
  } cases[4];
  cases[0].fields.colour = 0 * 128 + 127;             /* red, full */
  cases[0] = {cases[0].fields, {1, 0, 0}, 1};
  cases[1].fields.colour = 1 * 128 + 127;             /* blue */
  cases[1] = {cases[1].fields, {0, 0, 1}, 1};
  cases[2].fields.flags = 0x10000000u;                /* packed green */
  cases[2].fields.packed = 0x0000ff00u;
  cases[2] = {cases[2].fields, {0, 1, 0}, 1};
  cases[3].fields.colour = 127;                       /* red times material 0 */
  cases[3].fields.material = 0;
  cases[3] = {cases[3].fields, {0.5f, 0, 0}, 0.5f};
  for (Case &c : cases) square_object(w, "o", s, c.fields);
  w.pop();
  VLnode *root = read(w.bytes);
  ASSERT_EQ(VLnode_numchildren(root), 5);
  for (int i = 0; i < 4; ++i) {
    VLgeometry *g = static_cast<VLgeometrynode *>(VLnode_getchild(root, i + 1))->geometry;
    float d[4], a;
    ASSERT_TRUE(VLmtable_getvalue(g->mtable, g->polys->colour, d, VLDIFFUSE));
    ASSERT_TRUE(VLmtable_getvalue(g->mtable, g->polys->colour, &a, VLOPACITY));
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(d[k], cases[i].diffuse[k]) << i;
    EXPECT_FLOAT_EQ(a, cases[i].alpha) << i;
  }
  /* One table for the file: 64 materials, then the colours. */
  VLgeometry *g = static_cast<VLgeometrynode *>(VLnode_getchild(root, 1))->geometry;
  EXPECT_EQ(static_cast<VLgeometrynode *>(VLnode_getchild(root, 4))->geometry->mtable, g->mtable);
  EXPECT_EQ(g->mtable->nentries, 64 + 4);
  EXPECT_EQ(fired().size(), 0u);
}

TEST_F(FltTest, SubfacesAreLayeredAndUnexpectedRecordsReported) {
  FltWriter w;
  w.header("db", 0, 0);
  Square s = square_palette(w, 0);
  w.push();
  w.object("o1");
  w.push();
  FltFaceFields two;
  two.drawtype = 1;
  w.face("super", two);
  w.push();
  w.vertex_list(s.corners);
  w.group("odd");               /* not expected under a face */
  w.push_subface();
  w.face("sub");
  w.push();
  w.vertex_list({s.corners[0], s.corners[1], s.corners[2]});
  w.pop();
  w.face("empty");
  w.pop_subface();
  w.pop();
  FltFaceFields light;
  light.drawtype = 8;
  w.face("lights", light);
  w.push();
  w.vertex_list(s.corners);
  w.group("bead");
  w.pop();
  w.face("none");
  w.pop();
  w.pop();
  VLgeometry *g = geometry_of(read(w.bytes));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->npolys, 2);
  /* The subface (newest first) stands off the superface along its normal. */
  VLpoly *sub = g->polys, *super = sub->next;
  EXPECT_EQ(sub->ncorners, 3);
  EXPECT_TRUE(super->flags & VLPOLY_TWOSIDED);
  EXPECT_GT(sub->vertices->vertex->position[2], 0.0f);
  EXPECT_EQ(super->vertices->vertex->position[2], 0.0f);
  EXPECT_EQ(fired_count(VLM_FLT_ADDPOLY_UNEXPECTED), 1);
  EXPECT_EQ(fired_count(VLM_FLT_LAYER_NO_SUBFACE_VERTICES), 1);
  EXPECT_EQ(fired_count(VLM_FLT_LIGHTPOINT_BEAD), 1);
  EXPECT_EQ(fired_count(VLM_FLT_ADDPOLY_NO_VERTICES), 1);
}

TEST_F(FltTest, ReplicationAndSwitches) {
  FltWriter w;
  w.header("db", 0, 0);
  Square s = square_palette(w, 0);
  w.push();
  w.group("row");
  w.translation(2, 0, 0);
  w.replicate(2);
  w.push();
  square_object(w, "o", s);
  w.pop();
  w.switch_node("sw", 1, {0x7u, 0x2u});
  w.push();
  w.group("a");
  w.group("b");
  w.group("c");
  w.pop();
  w.pop();
  VLnode *root = read(w.bytes);
  EXPECT_EQ(tree(root),
            "Separator db\n  Xform\n"
            "  Separator Replicate group row\n"
            "    Separator row\n      Xform Transform for row\n      Geometry geom under row\n"
            "    Separator\n      Xform\n      Separator row\n"
            "        Xform Transform for row\n        Geometry geom under row\n"
            "    Separator\n      Xform\n      Separator row\n"
            "        Xform Transform for row\n        Geometry geom under row\n"
            "  Switch sw\n    Separator a\n    Separator b\n    Separator c\n");
  VLm4 m;
  VLnode *copy2 = VLnode_getchild(VLnode_getchild(root, 1), 2);
  ASSERT_TRUE(VLxformnode_getmatrix(VLnode_getchild(copy2, 0), &m));
  EXPECT_FLOAT_EQ(m.m[12], 4.0f);
  EXPECT_EQ(static_cast<VLswitchnode *>(VLnode_getchild(root, 2))->which, 1);
}

TEST_F(FltTest, ReplicationStopsAtItsLimitForOneFile) {
  FltWriter w;
  w.header("db", 0, 0);
  for (int i = 0; i < 4; ++i) {
    w.group("many");
    w.replicate(32767);
  }
  VLnode *root = read(w.bytes);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(fired_count(VLM_FLT_REPLICATE_LIMIT), 1);
  int copies = 0;
  for (int i = 1; i < VLnode_numchildren(root); ++i)
    copies += VLnode_numchildren(VLnode_getchild(root, i)) - 1;
  EXPECT_EQ(copies, int(100000));
}

TEST_F(FltTest, BadRecordLengthsStopTheWalkAndKeepWhatCameBefore) {
  FltWriter w;
  w.header("db", 0, 0);
  w.group("kept");
  std::string good = w.bytes;
  const std::string tails[] = {flt_be16(2) + flt_be16(3), flt_be16(2) + flt_be16(0),
                               flt_be16(2) + flt_be16(40) + "abc", std::string("\0\2", 2)};
  const VLmsgid messages[] = {VLM_FLT_SHORT_RECORD, VLM_FLT_SHORT_RECORD,
                              VLM_FLT_RECORD_PAST_END, VLM_FLT_RECORD_PAST_END};
  for (int i = 0; i < 4; ++i) {
    record_messages();
    VLnode *root = read(good + tails[i]);
    EXPECT_EQ(tree(root), "Separator db\n  Xform\n  Separator kept\n");
    EXPECT_EQ(fired_count(messages[i]), 1) << i;
    EXPECT_EQ(fired().size(), 1u) << i;
  }
  /* Not a database at all, and an empty one. */
  record_messages();
  EXPECT_EQ(read("nff\n"), nullptr);
  EXPECT_EQ(fired_count(VLM_FLT_BAD_HEADER), 1);
  EXPECT_EQ(read(""), nullptr);
}

TEST_F(FltTest, DeepNestingIsCutAtItsLimit) {
  FltWriter w;
  w.header("db", 0, 0);
  for (int i = 0; i < 3000; ++i) {
    w.group("g");
    w.push();
  }
  for (int i = 0; i < 3000; ++i) w.pop();
  w.group("after");
  VLnode *root = read(w.bytes);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(fired_count(VLM_FLT_NESTING), 1);
  /* The group after the pops is back at the top. */
  VLnode *last = VLnode_getchild(root, VLnode_numchildren(root) - 1);
  EXPECT_STREQ(VLnode_getname(last), "after");
}

TEST_F(FltTest, FilesCutOrFlippedNeverBreakTheReader) {
  std::string good = flt_sample();
  std::map<std::string, std::string> files;
  files["ext.flt"] = group_file(0, 0, true);
  VLfltoptions o{serve, &files, false};
  VLnode *whole = read(good, &o);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(fired_count(VLM_FLT_INSTANCE_MISSING), 1);
  for (size_t cut = 0; cut <= good.size(); ++cut) VLnode_delete(VLflt_readbytes(
      "t.flt", reinterpret_cast<const unsigned char *>(good.data()), cut, &o));
  std::mt19937 rng(4321);
  for (int round = 0; round < 600; ++round) {
    std::string bad = good;
    int flips = 1 + int(rng() % 6);
    for (int k = 0; k < flips; ++k) bad[rng() % bad.size()] = char(rng() & 0xff);
    files["ext.flt"] = round % 3 ? group_file(0, 0, true) : bad;
    VLnode_delete(VLflt_readbytes("t.flt", reinterpret_cast<const unsigned char *>(bad.data()),
                                  bad.size(), &o));
  }
  SUCCEED();
}

TEST_F(FltTest, VLnodeLoadAttachesTheSubtreeAtItsOwnSize) {
  std::string path = put("scene.flt", group_file(0, 0, false));
  VLnode *parent = keep(VLgroupnode_new(nullptr));
  VLnode *n = VLnode_load(parent, path.c_str(), 5.0f);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(VLnode_getchild(parent, 0), n);
  EXPECT_FLOAT_EQ(geometry_of(n)->radius, sqrtf(0.5f));
  /* A missing file: both warnings. */
  EXPECT_EQ(VLflt_load((dir + "/none.flt").c_str()), nullptr);
  EXPECT_EQ(fired_count(VLM_FLT_CANT_OPEN), 1);
  EXPECT_EQ(fired_count(VLM_FLT_CANT_LOAD), 1);
  /* Found by its last name along VLMODELS. */
  setenv("VLMODELS", dir.c_str(), 1);
  EXPECT_NE(load("/elsewhere/scene.flt"), nullptr);
}

/* --- vlxinfo over the fixtures --- */

TEST_F(FltTest, VlxinfoPrintsTheTreeAndCounts) {
  std::string feet = put("feet.flt", group_file(4, 0, true));
  FltWriter part;
  part.header("part", 0, 0);
  Square s = square_palette(part, 5);
  part.push();
  square_object(part, "o1", s);
  part.pop();
  put("sub/part.flt", part.bytes);
  FltWriter w;
  w.header("main", 0, 0);
  w.push();
  w.external_ref("sub/part.flt");
  w.instance_ref(4);
  w.pop();
  std::string main = put("main.flt", w.bytes);
  ProgramRun r = run_command(std::string(VLX_BIN_DIR) + "/vlxinfo '" + feet + "' '" + main +
                             "' 2>" + dir + "/err.txt");
  EXPECT_EQ(r.status, 0) << r.out;
  const char *expected[] = {
      "feet.flt: OpenFlight\n"
      "  Separator db\n"
      "    Xform \n"
      "    Separator g1\n"
      "      Xform Transform for g1\n"
      "      Geometry geom under g1\n"
      "nodes: 5\ngeometries: 1\nvertices: 4\npolygons: 1\ntriangles: 2\n"
      "material tables: 1, entries: 1\ntextures: 0\n"
      "bounds: 0 0 0.6096 to 0.3048 0.3048 0.6096\n",
      "main.flt: OpenFlight\n"
      "  Separator main\n"
      "    Xform \n"
      "    Group ext_ref_group\n"
      "      Separator part\n"
      "        Geometry geom under part\n"
      "nodes: 5\ngeometries: 1\nvertices: 4\npolygons: 1\ntriangles: 2\n"
      "material tables: 1, entries: 1\ntextures: 0\n"
      "bounds: 0 0 5 to 1 1 5\n"};
  for (const char *block : expected)
    EXPECT_NE(r.out.find(block), std::string::npos) << block << "\n---\n" << r.out;
}

}  // namespace
