/* VRML 1.0: the input stage and its header check, the lexer's tokens,
 * field values and syntax errors (which remove everything the file
 * built), node conversions (glom, materials and bindings, DEF/USE, normals
 * that split vertices, crease angles, vertex order, primitives, groups,
 * transforms, lights, cameras, textures), inlines and texture URLs served
 * by the caller, the nesting limit, and files cut at every offset or with
 * flipped bytes. Fixtures are written by the tests. */
#include <gtest/gtest.h>

#include <dirent.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "readers/vrml/vrml_internal.h"
#include "support/http_server.h"
#include "support/image_fixtures.h"
#include "support/messages.h"
#include "support/nff_writer.h"
#include "support/process.h"
#include "vlx/geometry.h"
#include "vlx/light.h"
#include "vlx/mtable.h"
#include "vlx/node.h"
#include "vlx/texture.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"
#include "vlx/vrml.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const char kHeader[] = "#VRML V1.0 ascii\n";

/* Nodes of a subtree by type, each counted once. */
std::vector<VLnode *> collect(VLnode *top, int type) {
  std::vector<VLnode *> out, stack{top}, seen;
  while (!stack.empty()) {
    VLnode *n = stack.back();
    stack.pop_back();
    if (!n || std::find(seen.begin(), seen.end(), n) != seen.end()) continue;
    seen.push_back(n);
    if (n->type == type) out.push_back(n);
    for (int i = VLnode_numchildren(n) - 1; i >= 0; --i) stack.push_back(VLnode_getchild(n, i));
  }
  return out;
}

VLgeometry *geometry_of(VLnode *n) {
  return n && n->type == VLNODE_GEOMETRY ? static_cast<VLgeometrynode *>(n)->geometry : nullptr;
}

int count_vertices(const VLgeometry *g) {
  int n = 0;
  for (const VLvertex *v = g->vertices; v; v = v->next) ++n;
  return n;
}

int count_tables(void) {
  int n = 0;
  for (VLmtable *t = VLmtable_first(); t; t = t->next) ++n;
  return n;
}

/* Files in the scratch directory that TMPDIR names. */
int count_files(const std::string &dir) {
  DIR *d = opendir(dir.c_str());
  int n = 0;
  while (struct dirent *e = d ? readdir(d) : nullptr)
    if (e->d_name[0] != '.') ++n;
  if (d) closedir(d);
  return n;
}

/* Files and URLs served from memory to the reader. */
struct Served {
  std::map<std::string, std::string> files;
  std::vector<std::string> asked;
  static bool fetch(const char *url, char **data, size_t *size, void *user) {
    Served *s = static_cast<Served *>(user);
    s->asked.push_back(url);
    auto it = s->files.find(url);
    if (it == s->files.end()) return false;
    *data = static_cast<char *>(malloc(it->second.size() + 1));
    memcpy(*data, it->second.data(), it->second.size());
    *size = it->second.size();
    return true;
  }
};

class VrmlTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    parent = VLgroupnode_new(nullptr);
    CaptureStdout();
    record_messages();
  }
  void TearDown() override {
    stop_recording();
    std::string out = GetCapturedStdout();
    if (HasFailure()) fputs(out.c_str(), stderr);
    UniverseTest::TearDown();
  }
  /* The body after the header, read under parent (a fresh Group). */
  VLnode *load(const std::string &body, const VLvrmloptions *options = nullptr) {
    std::string file = kHeader + body;
    return VLvrml_readbytes(parent, "models/w.wrl", file.data(), file.size(), options);
  }
  VLnode *served(const std::string &body) {
    VLvrmloptions o{Served::fetch, &files, false, 0};
    return load(body, &o);
  }
  VLnode *parent = nullptr;
  Served files;
};

/* --- input stage and lexer --- */

struct Token {
  int code;
  std::string text;
  double value;
};

std::vector<Token> lex_all(const std::string &text) {
  VLvrmlstate &c = _VLvrml();
  c.in.mem = text.data();
  c.in.memsize = text.size();
  c.in.mempos = 0;
  std::vector<Token> out;
  if (!_VLvrml_open(c)) return out;
  for (int guard = 0; guard < 100; ++guard) {
    int t = _VLvrml_lex(c);
    out.push_back({t, c.lex.text, t == VLT_INT || t == VLT_FLOAT ? c.lex.fval : c.lex.keyword});
    if (t == VLT_EOF) break;
  }
  _VLvrml_close(c);
  return out;
}

TEST(VrmlInput, TheHeaderDecidesWhatIsVrml) {
  struct Case {
    std::string bytes;
    bool vrml;
  } cases[] = {
      {"#VRML V1.0 ascii\n", true},
      {"#VRML 1.0\n# x\n", true},
      {"#VRMLxV1.0 ascii\n", false},
      {"#VRML V", false},  /* 7 bytes */
      {"<HTML><body>#VRML V1.0</body>", false},
      {"solid\n", false},
      {"HTTP/1.0 200 OK\r\nContent-Type: x-world/x-vrml\r\n\r\n#VRML V1.0 ascii\n", true},
      {"HTTP/1.0 404 Not Found\r\n\r\n<HTML>gone</HTML>", false},
      {"HTTP/1.0 200 OK\r\n" + std::string(70000, 'x'), false},
  };
  for (const Case &c : cases) {
    std::vector<Token> t = lex_all(c.bytes);
    EXPECT_EQ(!t.empty(), c.vrml) << c.bytes.substr(0, 40);
    if (c.vrml) {
      EXPECT_EQ(t[0].code, VLT_EOF);
    }
  }
}

TEST(VrmlInput, TokensOfEveryKind) {
  std::vector<Token> t = lex_all(std::string(kHeader) +
                                 "( ) [ ] { } , ~ | 12 -3 0x1F .5 1e+5 1.5E-3 1e5\n"
                                 "DEF USE \"a \\\"b\\\" c\nd\" Foo_1 12abc Separator point ON\n"
                                 "0 007 +.25 @rest of line\n"
                                 "x 4294967295 99999999999999999999 2.5e-400 1e+400\n");
  const int codes[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  11, 11, 11, 12, 12, 12, 0,  13, 14,
                       15, 16, 16, 17, 18, 19, 11, 11, 12, 0,  0,  16, 11, 11, 12, 12, 10};
  ASSERT_EQ(t.size(), sizeof codes / sizeof codes[0]);
  for (size_t i = 0; i < t.size(); ++i) EXPECT_EQ(t[i].code, codes[i]) << i << " " << t[i].text;
  EXPECT_EQ(t[9].value, 12);
  EXPECT_EQ(t[10].value, -3);
  EXPECT_EQ(t[11].value, 31);
  EXPECT_DOUBLE_EQ(t[12].value, 0.5);
  EXPECT_DOUBLE_EQ(t[13].value, 1e5);
  EXPECT_DOUBLE_EQ(t[14].value, 1.5e-3);
  EXPECT_EQ(t[15].text, "1e5");
  EXPECT_EQ(t[18].text, "a \"b\" cd");
  EXPECT_EQ(t[20].text, "12abc");
  EXPECT_EQ(t[21].value, VLN_SEPARATOR);
  EXPECT_EQ(t[22].value, VLF_POINT);
  EXPECT_EQ(t[23].value, VLE_ON);
  EXPECT_EQ(t[25].value, 7);
  EXPECT_DOUBLE_EQ(t[26].value, 0.25);
  EXPECT_EQ(t[27].text, "@");
  EXPECT_EQ(t[28].text, "rest of line");
  EXPECT_EQ(t[30].value, 4294967295.0);
  EXPECT_GT(t[31].value, 1e19);
  EXPECT_EQ(t[32].value, 0);
  EXPECT_TRUE(std::isinf(t[33].value));
}

TEST(VrmlInput, LinesAreCountedAndHighBytesEndTheInputOutsideStrings) {
  VLvrmlstate &c = _VLvrml();
  std::string text = std::string(kHeader) + "a\n\n\"x\ny\" b # c\n  d \xC3\xA9";
  c.in.mem = text.data();
  c.in.memsize = text.size();
  ASSERT_EQ(_VLvrml_open(c), 1);
  EXPECT_EQ(_VLvrml_lex(c), VLT_NAME);
  EXPECT_EQ(c.lex.tokline, 2);
  EXPECT_EQ(_VLvrml_lex(c), VLT_STRING);
  EXPECT_EQ(c.lex.tokline, 4);
  EXPECT_EQ(_VLvrml_lex(c), VLT_NAME);
  EXPECT_EQ(c.lex.tokline, 5);
  EXPECT_EQ(_VLvrml_lex(c), VLT_NAME);
  EXPECT_EQ(c.lex.tokline, 6);
  EXPECT_EQ(_VLvrml_lex(c), VLT_EOF);
  EXPECT_EQ(_VLvrml_lex(c), VLT_EOF);
  _VLvrml_close(c);
  /* Every block read is copied to the copy stream as it is read. */
  std::string blocks = std::string(kHeader) + std::string(10000, ' ') + "x";
  FILE *copy = tmpfile();
  ASSERT_NE(copy, nullptr);
  c.in.mem = blocks.data();
  c.in.memsize = blocks.size();
  c.in.copy = copy;
  ASSERT_EQ(_VLvrml_open(c), 1);
  EXPECT_EQ(_VLvrml_lex(c), VLT_NAME);
  EXPECT_EQ(_VLvrml_lex(c), VLT_EOF);
  _VLvrml_close(c);
  c.in.copy = nullptr;
  EXPECT_EQ(ftell(copy), long(blocks.size()));
  fclose(copy);
  /* A string holds bytes above 127; a token longer than the first buffer grows it. */
  std::string big(5000, 'q');
  std::vector<Token> t = lex_all(std::string(kHeader) + "\"\xC3\xA9t\xC3\xA9\" " + big);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].text, "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(t[1].text, big);
}

/* --- grammar and syntax errors --- */

TEST_F(VrmlTest, ListsTakeCommasAndTildes) {
  ASSERT_NE(load("Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, ] }"
                 " IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }"), nullptr);
  struct Case {
    const char *body;
    bool ok;
  } cases[] = {
      {"Coordinate3 { point [ 0 0 0 1 0 0 ] }", false},
      {"Coordinate3 { point 1 2 3 }", true},
      {"Coordinate3 { point [ ] }", true},
      {"Coordinate3 { point ~ }", true},
      {"Coordinate3 { point [ 1 2 3 ] ~ }", true},
      {"Material { diffuseColor [ 1 0 0, 0 1 0 ] }", true},
      {"Cube { width 1e5 }", false},
      {"Cube { width 1e+5 }", true},
      {"Cube { width 2 height 3 depth .5 }", true},
      {"Cube { size 2 }", false},
      {"Switch { whichChild 1.5 }", false},
      {"DirectionalLight { on 2 }", false},
      {"DirectionalLight { on FALSE }", true},
      {"Cylinder { parts ( SIDES | TOP ) }", true},
      {"Cylinder { parts ( SIDES | POINT ) }", false},
      {"ShapeHints { vertexOrdering CLOCKWISE shapeType SOLID }", true},
      {"ShapeHints { vertexOrdering SOLID }", false},
      {"MaterialBinding { value PER_FACE_INDEXED }", true},
      {"Texture2 { image 1 1 5 0 }", false},
      {"Texture2 { image -1 1 1 }", false},
      {"Info { string Moveable }", true},
      {"Separator { fields [ SFFloat x ] }", true},
      {"Separator { Foo { bar 1 { nested } } Cube { } }", true},
      {"Separator { Foo bar }", false},
      {"Separator { 12 }", false},
      {"Separator { Cube { } ", false},
      {"Separator { USE nothing }", true},
  };
  for (const Case &c : cases) {
    record_messages();
    std::string body = std::string("Separator { ") + c.body + " Cube { } }";
    VLnode *n = load(body);
    EXPECT_EQ(n != nullptr, c.ok) << c.body;
    EXPECT_EQ(fired_count(VLM_VRML_SYNTAX) > 0, !c.ok) << c.body;
  }
  record_messages();
  load("Separator { Foo { } Cube { } }");
  EXPECT_EQ(fired_count(VLM_VRML_TOSSING), 1);
  record_messages();
  load("Separator { USE nothing }");
  EXPECT_EQ(fired_count(VLM_VRML_USE_NOT_FOUND), 1);
}

TEST_F(VrmlTest, ASyntaxErrorRemovesEverythingTheFileBuilt) {
  int tables = count_tables();
  VLviewpoint *vp = VLuniverse_getviewpoint();
  VLnode *n = load(
      "Separator { PerspectiveCamera { position 0 0 5 } Material { diffuseColor 1 0 0 }"
      " DirectionalLight { } Separator { Cube { } Sphere { } }"
      " WWWInline { name \"never.wrl\" } Coordinate3 { point [ 0 0 0 1 0 0 ] } }");
  EXPECT_EQ(n, nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_SYNTAX), 1);
  EXPECT_EQ(VLnode_numchildren(parent), 0);
  EXPECT_EQ(count_tables(), tables);
  EXPECT_EQ(VLuniverse_getviewpoint(), vp);
  EXPECT_EQ(fired_count(VLM_VRML_INLINE), 0);
  record_messages();
  EXPECT_EQ(load(""), nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_FIRST_NODE), 1);
  record_messages();
  EXPECT_EQ(load("Foo { }"), nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_FIRST_NODE), 1);
  record_messages();
  std::string bad = "not vrml at all";
  EXPECT_EQ(VLvrml_readbytes(parent, "x.wrl", bad.data(), bad.size(), nullptr), nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_INVALID), 1);
  record_messages();
  EXPECT_EQ(VLvrml_load(parent, "/nonexistent/x.wrl", nullptr, nullptr), nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_CANT_OPEN), 1);
  EXPECT_EQ(VLvrml_load(parent, "/dev/zero", nullptr, nullptr), nullptr);
  EXPECT_EQ(VLnode_numchildren(parent), 0);
}

TEST_F(VrmlTest, DeepNestingIsRefusedNotOverflowed) {
  std::string deep;
  const int n = 100000;
  deep.reserve(size_t(n) * 14);
  for (int i = 0; i < n; ++i) deep += "Separator {\n";
  deep += "Cube { }";
  for (int i = 0; i < n; ++i) deep += "}";
  EXPECT_EQ(load(deep), nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_TOO_DEEP), 1);
  EXPECT_EQ(VLnode_numchildren(parent), 0);
  /* Just within the limit: built. */
  std::string ok;
  for (int i = 0; i < VLVRML_MAXDEPTH - 1; ++i) ok += "Group { ";
  ok += "Cube { }";
  for (int i = 0; i < VLVRML_MAXDEPTH - 1; ++i) ok += "}";
  VLnode *top = load(ok);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->type, VLNODE_GEOMETRY);  /* every one-child Group gives way */
}

/* --- conversions --- */

TEST_F(VrmlTest, GlomSeparatorGivesItsShapeToTheParent) {
  VLnode *n = load("Separator { Separator { Info { string \"a glom name tree here\" }"
                   " Material { diffuseColor 0 1 0 } Cube { } } Cube { } }");
  ASSERT_NE(n, nullptr);
  ASSERT_EQ(VLnode_numchildren(n), 2);
  VLnode *g = VLnode_getchild(n, 0);
  ASSERT_EQ(g->type, VLNODE_GEOMETRY);
  EXPECT_STREQ(VLnode_getname(g), "tree");
  EXPECT_STREQ(geometry_of(g)->name, "tree");
  /* Without " glom " the Separator stays. */
  VLnode *m = load("Separator { Separator { Info { string \"no gloms\" } Cube { } } Cube { } }");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(VLnode_getchild(m, 0)->type, VLNODE_SEPARATOR);
  /* A Separator whose only child is a Separator gives way to it. */
  VLnode *s = load("Separator { Separator { Cube { } Sphere { } } }");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(VLnode_numchildren(s), 2);
  EXPECT_EQ(VLnode_getchild(parent, 2), s);
}

TEST_F(VrmlTest, MaterialsBecomeTablesAndBindingsChooseEntries) {
  VLnode *n = load("Separator { Material { diffuseColor [ 1 0 0, 0 1 0 ] }"
                   " MaterialBinding { value PER_FACE }"
                   " Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }"
                   " IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 0, 2, 3, -1 ] } }");
  ASSERT_NE(n, nullptr);
  VLgeometry *g = geometry_of(collect(n, VLNODE_GEOMETRY).at(0));
  ASSERT_NE(g->mtable, nullptr);
  EXPECT_EQ(g->mtable->nentries, 2);
  EXPECT_EQ(g->mtable->mask, uint32_t(VLAMBIENT | VLDIFFUSE));
  std::vector<int> colours;
  for (VLpoly *p = g->polys; p; p = p->next) colours.push_back(p->colour);
  std::sort(colours.begin(), colours.end());
  EXPECT_EQ(colours, (std::vector<int>{0, 1}));
  float d[3];
  ASSERT_TRUE(VLmtable_getvalue(g->mtable, 1, d, VLDIFFUSE));
  EXPECT_EQ(d[1], 1.0f);
  EXPECT_TRUE(collect(n, VLNODE_MTABLE).empty());  /* the temporary nodes are gone */

  struct Case {
    const char *material;
    uint32_t mask;
    int entries;
  } cases[] = {
      {"ambientColor 0.5 0.5 0.5 diffuseColor 0.5 0.5 0.5", VLAMBIENTDIFFUSE, 1},
      {"", VLAMBIENT | VLDIFFUSE, 1},
      {"specularColor 1 1 1 shininess 0.5", VLAMBIENT | VLDIFFUSE | VLSPECULAR | VLSHININESS, 1},
      {"shininess 0.5", VLAMBIENT | VLDIFFUSE, 1},
      {"emissiveColor [ 0 0 0, 0 0 0 ] transparency 0.25",
       VLAMBIENT | VLDIFFUSE | VLOPACITY, 1},
      {"ambientColor [ 1 0 0, 0 1 0, 0 0 1 ] diffuseColor [ 1 0 0, 0 1 0, 0 0 1 ]",
       VLAMBIENTDIFFUSE, 3},
  };
  for (const Case &c : cases) {
    VLnode *m = load(std::string("Separator { Material { ") + c.material + " } Cube { } }");
    ASSERT_NE(m, nullptr) << c.material;
    VLgeometry *cg = geometry_of(collect(m, VLNODE_GEOMETRY).at(0));
    EXPECT_EQ(cg->mtable->mask, c.mask) << c.material;
    EXPECT_EQ(cg->mtable->nentries, c.entries) << c.material;
  }
  VLnode *t = load("Separator { Material { specularColor 1 1 1 shininess 0.5 transparency 0.25 }"
                   " Cube { } }");
  VLmtable *tt = geometry_of(collect(t, VLNODE_GEOMETRY).at(0))->mtable;
  float v = 0;
  ASSERT_TRUE(VLmtable_getvalue(tt, 0, &v, VLSHININESS));
  EXPECT_FLOAT_EQ(v, 64.0f);
  ASSERT_TRUE(VLmtable_getvalue(tt, 0, &v, VLOPACITY));
  EXPECT_FLOAT_EQ(v, 0.75f);
}

TEST_F(VrmlTest, DefUseSharesANodeOrCopiesItForAnotherMaterial) {
  VLnode *n = load("Separator { DEF box Cube { } USE box USE box }");
  ASSERT_NE(n, nullptr);
  VLnode *box = VLnode_getchild(n, 0);
  EXPECT_EQ(VLnode_numparents(box), 3);
  EXPECT_STREQ(VLnode_getname(box), "box");
  EXPECT_STREQ(geometry_of(box)->name, "box");
  /* Under another material the USE is a copy with that table. */
  record_messages();
  VLnode *m = load("Separator { Material { diffuseColor 1 0 0 } DEF s Separator { Cube { } Sphere { } }"
                   " Material { diffuseColor 0 0 1 } USE s DEF red Material { diffuseColor 1 0 0 }"
                   " DEF pic Texture2 { image 1 1 1 0xFF } USE s }");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_COPYING), 2);
  std::vector<VLnode *> geoms = collect(m, VLNODE_GEOMETRY);
  ASSERT_EQ(geoms.size(), 6u);
  EXPECT_NE(geometry_of(geoms[0])->mtable, geometry_of(geoms[2])->mtable);
  /* USE of a material and a texture makes them current again. */
  VLnode *u = load("Separator { DEF red Material { diffuseColor 1 0 0 } DEF pic Texture2 { image 1 1 1 0xFF }"
                   " Separator { Material { diffuseColor 0 0 1 } Texture2 { } USE red USE pic Cube { } } }");
  ASSERT_NE(u, nullptr);
  VLgeometry *ug = geometry_of(collect(u, VLNODE_GEOMETRY).at(0));
  float d[3];
  ASSERT_TRUE(VLmtable_getvalue(ug->mtable, 0, d, VLDIFFUSE));
  EXPECT_EQ(d[0], 1.0f);
  ASSERT_NE(ug->polys->attributes, nullptr);
}

/* Each level USEs the one before twice under a new material, so the
 * copies double: a few hundred bytes would make millions of vertices.
 * What copies make is limited (nodes, vertices and polygons, not nodes
 * alone: a Sphere copies hundreds of records); below it the copies are
 * made. */
std::string doubling(int levels) {
  std::string s = "Separator { DEF l0 Separator { Sphere { } }\n";
  for (int i = 1; i <= levels; ++i)
    s += " Material { diffuseColor 0." + std::to_string(i % 10) + " 0 0 } DEF l" +
         std::to_string(i) + " Separator { USE l" + std::to_string(i - 1) + " USE l" +
         std::to_string(i - 1) + " }\n";
  return s + "}";
}

TEST_F(VrmlTest, DoublingCopiesStopAtTheLimit) {
  VLnode *small = load(doubling(4));
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(collect(small, VLNODE_GEOMETRY).size(), 1u + 2 + 4 + 8 + 16);
  record_messages();
  EXPECT_EQ(load(doubling(16)), nullptr);   /* 65 536 spheres */
  EXPECT_EQ(fired_count(VLM_VRML_COPY_LIMIT), 1);
  EXPECT_EQ(VLnode_numchildren(parent), 1);   /* the small world only */
  /* A caller's lower limit. */
  record_messages();
  VLvrmloptions low{nullptr, nullptr, true, 100};
  EXPECT_EQ(load(doubling(4), &low), nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_COPY_LIMIT), 1);
}

TEST_F(VrmlTest, ACoordinateWithTwoNormalsGivesTwoVertices) {
  VLnode *n = load("Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 0 -1 0 ] }"
                   " Normal { vector [ 0 0 1, 0 0 -1 ] } NormalBinding { value PER_VERTEX_INDEXED }"
                   " IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 0, 3, 1, -1 ]"
                   " normalIndex [ 0, 0, 0, -1, 1, 1, 1, -1 ] } }");
  ASSERT_NE(n, nullptr);
  VLgeometry *g = geometry_of(collect(n, VLNODE_GEOMETRY).at(0));
  EXPECT_EQ(count_vertices(g), 6);
  int atorigin = 0;
  for (VLvertex *v = g->vertices; v; v = v->next)
    if (v->position[0] == 0 && v->position[1] == 0) {
      ++atorigin;
      ASSERT_NE(v->normal, nullptr);
    }
  EXPECT_EQ(atorigin, 2);
  /* Materials per vertex split the same way. */
  VLnode *m = load("Separator { Material { diffuseColor [ 1 0 0, 0 1 0 ] }"
                   " MaterialBinding { value PER_VERTEX_INDEXED }"
                   " Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 0 -1 0 ] }"
                   " IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 0, 3, 1, -1 ]"
                   " materialIndex [ 0, 0, 0, -1, 1, 0, 0, -1 ] } }");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(count_vertices(geometry_of(collect(m, VLNODE_GEOMETRY).at(0))), 5);
}

TEST_F(VrmlTest, CreaseAngleDecidesWhichEdgesStayHard) {
  /* Two triangles folded 90 degrees along the edge from point 0 to point 1. */
  const std::string fold =
      " Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 0 0 1 ] }"
      " IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 1, 0, 3, -1 ] } }";
  struct Case {
    const char *hints;
    int vertices;
  } cases[] = {{"", 6}, {"ShapeHints { creaseAngle 2 }", 4}, {"ShapeHints { creaseAngle 0 }", 6}};
  for (const Case &c : cases) {
    VLnode *n = load(std::string("Separator { ") + c.hints + fold);
    ASSERT_NE(n, nullptr);
    VLgeometry *g = geometry_of(collect(n, VLNODE_GEOMETRY).at(0));
    EXPECT_EQ(count_vertices(g), c.vertices) << c.hints;
    for (VLvertex *v = g->vertices; v; v = v->next) ASSERT_NE(v->normal, nullptr);
  }
}

TEST_F(VrmlTest, VertexOrderFollowsTheShapeHints) {
  const std::string tri =
      " Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] } IndexedFaceSet { coordIndex [ 0, 1, 2 ] } }";
  VLnode *cw = load("Separator { ShapeHints { vertexOrdering CLOCKWISE shapeType SOLID }" + tri);
  VLnode *ccw = load("Separator { ShapeHints { vertexOrdering COUNTERCLOCKWISE }" + tri);
  ASSERT_NE(cw, nullptr);
  ASSERT_NE(ccw, nullptr);
  VLpoly *a = geometry_of(collect(cw, VLNODE_GEOMETRY).at(0))->polys;
  VLpoly *b = geometry_of(collect(ccw, VLNODE_GEOMETRY).at(0))->polys;
  /* Clockwise keeps the file's order, anything else reverses it. */
  EXPECT_EQ(a->vertices->vertex->position[1], 0.0f);
  EXPECT_EQ(a->vertices->next->vertex->position[0], 1.0f);
  EXPECT_EQ(b->vertices->vertex->position[1], 1.0f);
  EXPECT_FLOAT_EQ(a->normal[2], -b->normal[2]);
  EXPECT_FALSE(a->flags & VLPOLY_TWOSIDED);
  EXPECT_TRUE(b->flags & VLPOLY_TWOSIDED);
  record_messages();
  load("Separator { ShapeHints { vertexOrdering CLOCKWISE }"
       " Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] } IndexedFaceSet { coordIndex [ 0, 1, -1, 0, 1, 2 ] } }");
  EXPECT_EQ(fired_count(VLM_VRML_FEW_VERTICES), 1);
  /* A face naming a coordinate that does not exist is dropped. */
  VLnode *bad = load("Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }"
                     " IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 0, 1, 7, -1, 0, -5, 2 ] } }");
  ASSERT_NE(bad, nullptr);
  EXPECT_EQ(geometry_of(collect(bad, VLNODE_GEOMETRY).at(0))->npolys, 1);
}

TEST_F(VrmlTest, PrimitiveShapesHaveTheirVerticesAndPolygons) {
  VLgeometry *ref = VLgeometry_newsphere(1, 6, 12, false, true);
  ASSERT_NE(ref, nullptr);
  struct Case {
    const char *shape;
    int vertices, polygons;
  } cases[] = {
      {"Cube { }", 8, 6},
      {"Sphere { radius 2 }", count_vertices(ref), ref->npolys},
      {"Cone { }", 16, 9},
      {"Cone { parts SIDES }", 16, 8},
      {"Cone { parts BOTTOM }", 8, 1},
      {"Cone { height 0 }", -1, 0},
      {"Cylinder { }", 32, 10},
      {"Cylinder { parts SIDES }", 16, 8},
      {"Cylinder { parts ( TOP | BOTTOM ) }", 16, 2},
  };
  VLgeometry_delete(ref);
  for (const Case &c : cases) {
    VLnode *n = load(std::string("Separator { ") + c.shape + " Cube { } }");
    ASSERT_NE(n, nullptr) << c.shape;
    std::vector<VLnode *> g = collect(n, VLNODE_GEOMETRY);
    if (c.vertices < 0) {
      EXPECT_EQ(g.size(), 1u) << c.shape;
      continue;
    }
    ASSERT_EQ(g.size(), 2u) << c.shape;
    EXPECT_EQ(count_vertices(geometry_of(g[0])), c.vertices) << c.shape;
    EXPECT_EQ(geometry_of(g[0])->npolys, c.polygons) << c.shape;
  }
  /* Every polygon of the cone and cylinder faces outwards. */
  VLnode *n = load("Separator { Cone { } Cylinder { } }");
  for (VLnode *gn : collect(n, VLNODE_GEOMETRY))
    for (VLpoly *p = geometry_of(gn)->polys; p; p = p->next) {
      float c[3] = {0, 0, 0};
      int k = 0;
      for (VLvertexref *r = p->vertices; r; r = r->next, ++k)
        for (int i = 0; i < 3; ++i) c[i] += r->vertex->position[i];
      EXPECT_GT(p->normal[0] * c[0] + p->normal[1] * c[1] + p->normal[2] * c[2], 0)
          << geometry_of(gn)->name;
    }
}

TEST_F(VrmlTest, GroupsTransformsLightsAndCameras) {
  VLviewpoint *before = VLuniverse_getviewpoint();
  VLnode *n = load(
      "Separator { renderCulling OFF\n"
      " Transform { translation 1 2 3 scaleFactor 2 2 2 }\n"
      " Translation { translation 0 0 5 } Rotation { rotation 0 0 1 1.5707963 }\n"
      " Scale { scaleFactor 1 2 3 }\n"
      " MatrixTransform { matrix 1 0 0 0 0 1 0 0 0 0 1 0 7 8 9 1 }\n"
      " Switch { whichChild 1 Cube { } Sphere { } }\n"
      " LOD { range [ 10, 20 ] center 1 0 0 Cube { } Sphere { } Cone { } }\n"
      " TransformSeparator { Cube { } Cube { } }\n"
      " WWWAnchor { name \"next.wrl\" Cube { } }\n"
      " WWWAnchor { name \"http://x/y.wrl\" Cube { } }\n"
      " DirectionalLight { direction 0 -1 0 color 1 0 0 }\n"
      " PointLight { on FALSE location 1 1 1 }\n"
      " SpotLight { location 0 5 0 direction 0 -1 0 cutOffAngle 0.5 }\n"
      " PerspectiveCamera { position 1 2 3 heightAngle 0.6 }\n"
      " OrthographicCamera { } AsciiText { string [ \"a\", \"b\" ] } FontStyle { style ( BOLD | ITALIC ) }\n"
      " PointSet { numPoints 3 } IndexedLineSet { coordIndex [ 0, 1 ] }\n"
      "}");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(static_cast<VLsepnode *>(n)->culling, VLCULL_NEVER);
  std::vector<VLnode *> x = collect(n, VLNODE_XFORM);
  ASSERT_EQ(x.size(), 5u);
  VLm4 m;
  ASSERT_TRUE(VLxformnode_getmatrix(x[0], &m));
  EXPECT_FLOAT_EQ(m.m[0], 2);
  EXPECT_FLOAT_EQ(m.m[12], 1);
  EXPECT_FLOAT_EQ(m.m[13], 2);
  EXPECT_FLOAT_EQ(m.m[14], 3);
  ASSERT_TRUE(VLxformnode_getmatrix(x[2], &m));
  /* A quarter turn about z takes x to y: the first row is (0, 1, 0). */
  EXPECT_NEAR(m.m[0], 0, 1e-6);
  EXPECT_NEAR(m.m[1], 1, 1e-6);
  ASSERT_TRUE(VLxformnode_getmatrix(x[4], &m));
  EXPECT_FLOAT_EQ(m.m[12], 7);
  std::vector<VLnode *> sw = collect(n, VLNODE_SWITCH);
  ASSERT_EQ(sw.size(), 1u);
  EXPECT_EQ(static_cast<VLswitchnode *>(sw[0])->which, 1);
  std::vector<VLnode *> lod = collect(n, VLNODE_LOD);
  ASSERT_EQ(lod.size(), 1u);
  float r[2];
  ASSERT_TRUE(VLlodnode_getranges(lod[0], r, 2));
  EXPECT_FLOAT_EQ(r[1], 20);
  EXPECT_EQ(collect(n, VLNODE_XFORMSEP).size(), 1u);
  std::vector<VLnode *> a = collect(n, VLNODE_ANCHOR);
  ASSERT_EQ(a.size(), 2u);
  EXPECT_STREQ(static_cast<VLanchornode *>(a[0])->url, "models/next.wrl");
  EXPECT_STREQ(static_cast<VLanchornode *>(a[1])->url, "http://x/y.wrl");
  std::vector<VLnode *> lights = collect(n, VLNODE_LIGHT);
  ASSERT_EQ(lights.size(), 3u);
  EXPECT_FALSE(VLlight_ison(VLlightnode_getlight(lights[1])));
  EXPECT_NE(VLuniverse_getviewpoint(), before);
  EXPECT_FLOAT_EQ(VLuniverse_getviewpoint()->position.z, 3);
}

TEST_F(VrmlTest, InlineImagesAndTextureFilesBecomeTextures) {
  VLnode *n = load("Separator { Texture2 { image 2 1 3 0xFF0000 0x00FF00 } Cube { } }");
  ASSERT_NE(n, nullptr);
  VLpoly *p = geometry_of(collect(n, VLNODE_GEOMETRY).at(0))->polys;
  ASSERT_NE(p->attributes, nullptr);
  VLtexture *t = static_cast<VLpolytexture *>(p->attributes)->texture;
  EXPECT_EQ(strncmp(t->name, "SFImage", 7), 0) << t->name;
  EXPECT_EQ(t->width, 2);
  EXPECT_TRUE(p->flags & VLPOLY_TINT);
  /* A file name: its ".tga" form along the image path comes first. */
  ImageDir images;
  images.write("bark.tga", tga_solid(4, 4, 10, 100, 50));
  std::string world = kHeader + std::string(
      "Separator { Texture2 { filename \"bark.jpg\" } Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }"
      " TextureCoordinate2 { point [ 0 0, 1 0, 0 1 ] } Texture2Transform { scaleFactor 2 2 }"
      " IndexedFaceSet { coordIndex [ 0, 1, 2 ] } }");
  VLnode *b = VLvrml_readbytes(parent, "bark.wrl", world.data(), world.size(), nullptr);
  ASSERT_NE(b, nullptr);
  VLpoly *bp = geometry_of(collect(b, VLNODE_GEOMETRY).at(0))->polys;
  ASSERT_NE(bp->attributes, nullptr);
  VLpolytexture *pt = static_cast<VLpolytexture *>(bp->attributes);
  EXPECT_STREQ(pt->texture->name, "bark.tga");
  float umax = 0;
  for (int i = 0; i < pt->ncorners; ++i) umax = std::max(umax, pt->uv[2 * i]);
  EXPECT_FLOAT_EQ(umax, 2.0f);
}

/* --- inlines and texture URLs served by the caller --- */

TEST_F(VrmlTest, InlinesLoadAfterTheirFileAndAFailedOneStaysEmpty) {
  files.files["models/a.wrl"] = std::string(kHeader) + "Separator { Cube { } WWWInline { name \"c.wrl\" } }";
  files.files["models/c.wrl"] = std::string(kHeader) + "Sphere { }";
  files.files["models/bad.wrl"] = std::string(kHeader) + "Separator { Cube { width }";
  VLnode *n = served("Separator { WWWInline { name \"a.wrl\" } WWWInline { name \"missing.wrl\" }"
                     " WWWInline { name \"bad.wrl\" } Cube { } }");
  ASSERT_NE(n, nullptr);
  std::vector<VLnode *> in = collect(n, VLNODE_INLINE);
  ASSERT_EQ(in.size(), 4u);
  EXPECT_STREQ(static_cast<VLinlinenode *>(in[0])->file, "models/a.wrl");
  EXPECT_EQ(VLnode_numchildren(in[0]), 1);
  EXPECT_EQ(collect(in[0], VLNODE_GEOMETRY).size(), 2u);
  EXPECT_EQ(VLnode_numchildren(in[2]), 0);  /* missing */
  EXPECT_EQ(VLnode_numchildren(in[3]), 0);  /* syntax error */
  EXPECT_EQ(fired_count(VLM_VRML_INLINE), 4);
  EXPECT_EQ(fired_count(VLM_VRML_CANT_OPEN), 1);
  EXPECT_EQ(fired_count(VLM_VRML_SYNTAX), 1);
  /* Files come in order: the world, then its inlines, then theirs. */
  ASSERT_EQ(files.asked.size(), 4u);
  EXPECT_EQ(files.asked[0], "models/a.wrl");
  EXPECT_EQ(files.asked.back(), "models/c.wrl");
  /* A world that includes itself stops at the inline depth limit. */
  files.files["models/self.wrl"] = std::string(kHeader) + "Separator { WWWInline { name \"self.wrl\" } }";
  record_messages();
  ASSERT_NE(served("WWWInline { name \"self.wrl\" }"), nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_INLINE_TOO_DEEP), 1);
  EXPECT_EQ(fired_count(VLM_VRML_INLINE), VLVRML_MAXINLINEDEPTH);
}

TEST_F(VrmlTest, TextureUrlsAreFetchedIntoATemporaryFileThatIsRemoved) {
  char tmpl[] = "/tmp/vlx_vrmltmp_XXXXXX";
  std::string tmp = mkdtemp(tmpl);
  std::string oldtmp = getenv("TMPDIR") ? getenv("TMPDIR") : "";
  setenv("TMPDIR", tmp.c_str(), 1);
  std::vector<uint8_t> rgb(8 * 8 * 3, 200);
  Bytes jpeg = jpeg_encode(rgb, 8, 8, 3, false);
  Bytes tga = tga_solid(8, 8, 1, 2, 3);
  files.files["http://h/t.jpg"] = "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n" +
                                  std::string(jpeg.begin(), jpeg.end());
  files.files["http://h/t.tga"] = std::string(tga.begin(), tga.end());
  files.files["http://h/gone.gif"] = "HTTP/1.0 404 Not Found\r\n\r\n<HTML>gone</HTML>";
  files.files["http://h/short.gif"] = "GIF8";
  VLnode *n = served("Separator { Separator { Texture2 { filename \"http://h/t.jpg\" } Cube { } }"
                     " Separator { Texture2 { filename \"http://h/t.tga\" } Cube { } }"
                     " Separator { Texture2 { filename \"http://h/gone.gif\" } Cube { } }"
                     " Separator { Texture2 { filename \"http://h/short.gif\" } Cube { } }"
                     " Separator { Texture2 { filename \"http://h/absent.png\" } Cube { } } }");
  ASSERT_NE(n, nullptr);
  std::vector<VLnode *> g = collect(n, VLNODE_GEOMETRY);
  ASSERT_EQ(g.size(), 5u);
  EXPECT_NE(geometry_of(g[0])->polys->attributes, nullptr);
  EXPECT_NE(geometry_of(g[1])->polys->attributes, nullptr);
  EXPECT_EQ(geometry_of(g[2])->polys->attributes, nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_CANT_RETRIEVE), 3);
  EXPECT_EQ(count_files(tmp), 0);
  if (oldtmp.empty()) unsetenv("TMPDIR");
  else setenv("TMPDIR", oldtmp.c_str(), 1);
  rmdir(tmp.c_str());
}

TEST_F(VrmlTest, VrmlFilesLoadThroughSceneLoading) {
  char tmpl[] = "/tmp/vlx_vrmlload_XXXXXX";
  std::string dir = mkdtemp(tmpl);
  write_file(dir + "/world.txt", std::string(kHeader) + "Separator { Cube { } Sphere { } }");
  setenv("VLMODELS", dir.c_str(), 1);
  VLnode *n = VLnode_load(parent, "world.txt", 1.0f);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->type, VLNODE_SEPARATOR);
  EXPECT_EQ(VLnode_getchild(parent, 0), n);
  record_messages();
  EXPECT_EQ(VLnode_load(parent, "http://127.0.0.1:1/none.wrl", 1.0f), nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_CANT_OPEN), 1);
  unsetenv("VLMODELS");
  unlink((dir + "/world.txt").c_str());
  rmdir(dir.c_str());
}

/* --- over HTTP, from a loopback server --- */

/* An environment variable set while it lives. */
class EnvVar {
 public:
  EnvVar(const char *name, const std::string &value) : name_(name) {
    const char *old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~EnvVar() {
    if (had_) setenv(name_.c_str(), old_.c_str(), 1);
    else unsetenv(name_.c_str());
  }

 private:
  std::string name_, old_;
  bool had_ = false;
};

/* A private TMPDIR for the fetched texture files. */
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/vlx_vrmlnet_XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() {
    std::string cmd = "rm -rf '" + path + "'";
    if (system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
  }
  std::string path;
};

std::string bytes(const Bytes &b) { return std::string(b.begin(), b.end()); }

/* 4 x 4 images of one colour in the three fetched formats. */
std::string gif_of(uint8_t r, uint8_t g, uint8_t b) {
  return bytes(gif_encode(std::vector<uint8_t>(16, 1), 4, 4, {0, 0, 0, r, g, b}));
}
std::string png_of(int r, int g, int b) {
  std::vector<int> s;
  for (int i = 0; i < 16; ++i) s.insert(s.end(), {r, g, b});
  PngFields f;
  return bytes(png_encode(s, 4, 4, f));
}
std::string jpeg_of(uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> px;
  for (int i = 0; i < 64; ++i) px.insert(px.end(), {r, g, b});
  return bytes(jpeg_encode(px, 8, 8, 3, false));
}

/* The texture of the first polygon of the i-th geometry under n. */
VLtexture *texture_of(VLnode *n, size_t i) {
  std::vector<VLnode *> g = collect(n, VLNODE_GEOMETRY);
  if (i >= g.size() || !geometry_of(g[i])->polys) return nullptr;
  auto *pt = static_cast<VLpolytexture *>(geometry_of(g[i])->polys->attributes);
  return pt ? pt->texture : nullptr;
}

TEST_F(VrmlTest, AWorldWithInlinesAndImageTexturesLoadsOverHttp) {
  HttpServer server;
  ASSERT_TRUE(server.ok());
  TempDir tmp;
  EnvVar tmpdir("TMPDIR", tmp.path);
  EnvVar timeout("VLXNETTIMEOUT", "5");
  server.serve("/w/world.wrl",
               std::string(kHeader) +
                   "Separator { WWWInline { name \"parts/a.wrl\" } WWWInline { name \"b.wrl\" }\n"
                   " Separator { Texture2 { filename \"img/sky.gif\" } Cube { } } }");
  server.serve("/w/parts/a.wrl", std::string(kHeader) +
                                     "Separator { Texture2 { filename \"rock.jpg\" } Sphere { } }");
  server.serve("/w/b.wrl", std::string(kHeader) +
                               "Separator { Texture2 { filename \"http://" + server.authority() +
                               "/w/img/grass.png\" } Cone { } }");
  server.serve("/w/img/sky.gif", gif_of(0, 0, 255));
  server.serve("/w/parts/rock.jpg", jpeg_of(128, 128, 128));
  server.serve("/w/img/grass.png", png_of(0, 255, 0));
  std::string url = server.url("/w/world.wrl");
  VLnode *n = VLnode_load(parent, url.c_str(), 1.0f);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(fired_count(VLM_VRML_INLINE), 2);
  EXPECT_EQ(fired_count(VLM_VRML_CANT_RETRIEVE), 0);
  EXPECT_EQ(fired_count(VLM_VRML_CANT_OPEN), 0);
  std::vector<VLnode *> in = collect(n, VLNODE_INLINE);
  ASSERT_EQ(in.size(), 2u);
  EXPECT_EQ(static_cast<VLinlinenode *>(in[0])->file, server.url("/w/parts/a.wrl"));
  VLtexture *sky = texture_of(n, 2), *rock = texture_of(in[0], 0), *grass = texture_of(in[1], 0);
  ASSERT_NE(sky, nullptr);
  ASSERT_NE(rock, nullptr);
  ASSERT_NE(grass, nullptr);
  EXPECT_EQ(rgba_at(sky->pixels, sky->width, 0, 0), (std::vector<int>{0, 0, 255, 255}));
  EXPECT_EQ(rgba_at(grass->pixels, grass->width, 0, 0), (std::vector<int>{0, 255, 0, 255}));
  EXPECT_NEAR(rgba_at(rock->pixels, rock->width, 0, 0)[0], 128, 4);
  EXPECT_EQ(count_files(tmp.path), 0);
  /* The requests: the world, then its texture, then the inlines and theirs. */
  std::vector<HttpRequest> r = server.requests();
  ASSERT_EQ(r.size(), 6u);
  EXPECT_EQ(r[0].line, "GET /w/world.wrl HTTP/1.0");
  EXPECT_EQ(r[1].line, "GET /w/img/sky.gif HTTP/1.0");
  EXPECT_EQ(r[2].line, "GET /w/parts/a.wrl HTTP/1.0");
  /* Through a proxy the request names the whole URL. */
  HttpServer proxy;
  ASSERT_TRUE(proxy.ok());
  proxy.serve(url, std::string(kHeader) + "Cube { }");
  EnvVar via("VLXPROXY", proxy.authority());
  ASSERT_NE(VLnode_load(parent, url.c_str(), 1.0f), nullptr);
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0].line, "GET " + url + " HTTP/1.0");
}

TEST_F(VrmlTest, AHostileServerCostsAtMostItsTimeoutAndLeavesNoFile) {
  HttpServer server;
  ASSERT_TRUE(server.ok());
  TempDir tmp;
  EnvVar tmpdir("TMPDIR", tmp.path);
  EnvVar timeout("VLXNETTIMEOUT", "0.5");
  server.set_huge_size(uint64_t(8) << 20);
  const HttpMode modes[] = {HttpMode::Silent, HttpMode::Trickle, HttpMode::CloseMidway,
                            HttpMode::Huge, HttpMode::Garbage};
  const std::string world = std::string(kHeader) + "Separator { Cube { } Sphere { } }";
  for (HttpMode mode : modes) {
    SCOPED_TRACE(int(mode));
    server.serve("/w.wrl", world);
    server.serve("/t.gif", gif_of(1, 2, 3));
    server.serve_hostile("/w.wrl", mode);
    record_messages();
    VLnode *n = VLnode_load(parent, server.url("/w.wrl").c_str(), 1.0f);
    /* The whole reply or a syntax error; never a partial world. */
    EXPECT_TRUE(n == nullptr || collect(n, VLNODE_GEOMETRY).size() == 2u);
    /* A texture from the same server, answered the same way. */
    server.serve("/w.wrl", world);
    server.serve_hostile("/t.gif", mode);
    std::string tex = std::string(kHeader) + "Separator { Texture2 { filename \"" +
                      server.url("/t.gif") + "\" } Cube { } }";
    VLnode *t = VLvrml_readbytes(parent, "t.wrl", tex.data(), tex.size(), nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(count_files(tmp.path), 0);
  }
}

/* --- hostile input --- */

const char kEverything[] =
    "DEF top Separator {\n"
    " Info { string \"a glom name x \" } ShapeHints { vertexOrdering CLOCKWISE creaseAngle 1 }\n"
    " DEF m Material { diffuseColor [ 1 0 0, 0 1 0 ] transparency 0.5 }\n"
    " MaterialBinding { value PER_FACE_INDEXED } NormalBinding { value PER_VERTEX }\n"
    " Texture2 { image 2 2 4 0xFF0000FF 0x00FF0080 0x0000FFFF 0xFFFFFF00 }\n"
    " Texture2Transform { rotation 0.5 center 0.5 0.5 }\n"
    " Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] } Normal { vector 0 0 1 }\n"
    " TextureCoordinate2 { point [ 0 0, 1 0, 1 1 ] }\n"
    " DEF f IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 0, 2, 3 ] materialIndex [ 1, 0 ] }\n"
    " Transform { rotation 0 1 0 0.5 center 1 1 1 } USE f USE m\n"
    " Switch { whichChild -3 Cone { } Cylinder { parts ALL } }\n"
    " LOD { range [ 1 ] Sphere { } Cube { } } Foo { x { } }\n"
    " WWWAnchor { name \"a.wrl\" DEF c Cube { } } WWWInline { name \"i.wrl\" }\n"
    " SpotLight { } PerspectiveCamera { nearDistance 0.5 farDistance 100 }\n"
    "}\n";

int count_viewpoints(void) {
  int n = 0;
  for (VLviewpoint *v = VLuniverse_getviewpoints(); v; v = v->next) ++n;
  return n;
}

/* Many names, cameras, lights and images in one file: names are found by
 * hash, and the things that hold device memory or sit in universe lists
 * are limited per file. */
TEST_F(VrmlTest, ManyNamesCamerasLightsAndImagesStayBounded) {
  std::string many = "Separator {\n";
  for (int i = 0; i < 50000; ++i)
    many += "DEF n" + std::to_string(i) + " Group { } USE n" + std::to_string(i / 2) + "\n";
  VLnode *n = load(many + "}");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(VLnode_numchildren(n), 100000);
  int before = count_viewpoints();
  std::string things = "Separator {\n";
  for (int i = 0; i < 300; ++i)
    things += "PerspectiveCamera { } PointLight { on FALSE } "
              "Separator { Texture2 { image 1 1 1 0x80 } Cube { } }\n";
  for (int i = 0; i < 800; ++i) things += "Separator { Texture2 { image 1 1 1 0x40 } Cube { } }\n";
  ASSERT_NE(load(things + "}"), nullptr);
  EXPECT_EQ(count_viewpoints() - before, 256);
  EXPECT_EQ(fired_count(VLM_VRML_TOO_MANY), 3);
}

TEST_F(VrmlTest, FilesCutAtEveryOffsetOrWithFlippedBytesNeverBreakTheReader) {
  const std::string good = std::string(kHeader) + kEverything;
  VLvrmloptions o{Served::fetch, &files, false, 0};
  ASSERT_NE(VLvrml_readbytes(parent, "w.wrl", good.data(), good.size(), &o), nullptr);
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    VLvrml_readbytes(parent, "w.wrl", good.data(), cut, &o);
    VLscene_deleteall(0);
    parent = VLgroupnode_new(nullptr);
  }
  std::mt19937 rng(99);
  for (int round = 0; round < 1500; ++round) {
    std::string bad = good;
    int flips = 1 + int(rng() % 4);
    for (int k = 0; k < flips; ++k)
      bad[size_t(17 + rng() % (bad.size() - 17))] = char(rng() & 0xff);
    VLvrml_readbytes(parent, "w.wrl", bad.data(), bad.size(), &o);
    if (round % 50 == 0) {
      VLscene_deleteall(0);
      parent = VLgroupnode_new(nullptr);
    }
  }
  SUCCEED();
}

TEST(VlxInfoVrml, TheBenchmarkWorldPrintsItsTreeAndTotals) {
  std::string data = std::string(VLX_SOURCE_DIR) + "/bench/data";
  ProgramRun r = run_command("cd '" + data + "' && VLXOFFSCREEN=1 VLIMAGES=. '" +
                             std::string(VLX_BIN_DIR) + "/vlxinfo' final.wrl 2>/dev/null");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("VRML"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Geometry"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("geometries: 2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("terrain.tga 256x256"), std::string::npos) << r.out;
  size_t at = r.out.find("polygons: ");
  ASSERT_NE(at, std::string::npos);
  EXPECT_GT(atoi(r.out.c_str() + at + 10), 8000);
}

}  // namespace
