/* The neutral file format: both forms read into the same geometry, the
 * header and view, vertex and polygon attributes, texture placement,
 * every message of both readers on a crafted file, and binary files cut at
 * every offset or with flipped bytes. Fixtures are written by the tests. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "support/image_fixtures.h"
#include "support/messages.h"
#include "support/nff_writer.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"
#include "vlx/nff.h"
#include "vlx/object.h"
#include "vlx/texture.h"
#include "vlx/universe.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class NffTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    char tmpl[] = "/tmp/vlx_nff_XXXXXX";
    dir = mkdtemp(tmpl);
    const char *old = getenv("VLIMAGES");
    if (old) oldimages = old, hadimages = true;
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
    if (hadimages) setenv("VLIMAGES", oldimages.c_str(), 1);
    else unsetenv("VLIMAGES");
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
    UniverseTest::TearDown();
  }
  VLgeomcell *text(const std::string &s, bool merge = true) {
    free_list();
    VLnffoptions o{&view, 1.0f, merge, nullptr};
    list = VLnff_readbytes("t.nff", s.data(), s.size(), &o);
    return list;
  }
  VLgeomcell *binary(const std::string &s, bool merge = true, VLportal **portals = nullptr) {
    free_list();
    VLnffoptions o{&view, 1.0f, merge, portals};
    list = VLbnff_readbytes("t.bnff", reinterpret_cast<const unsigned char *>(s.data()),
                            s.size(), &o);
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
  VLgeometry *first(void) { return list ? list->geometry : nullptr; }
  VLview view;
  VLgeomcell *list = nullptr;
  std::string dir, oldimages;
  bool hadimages = false;
};

/* A little model that uses every attribute both forms share. */
NffModel sample(void) {
  NffModel m;
  for (int k = 0; k < 2; ++k) {
    NffGeometry g;
    g.name = k ? "lid" : "box";
    for (int i = 0; i < 6; ++i) {
      NffVertex v;
      v.p[0] = float(i % 3) * 0.5f + float(k);
      v.p[1] = float(i / 3) * 1.25f;
      v.p[2] = 0.1f * float(i);
      v.hasnormal = i % 2 == 0;
      v.n[2] = 1.0f;
      v.hasuv = i != 5;
      v.uv[0] = 0.25f * float(i);
      v.uv[1] = 1.0f - 0.25f * float(i);
      v.hasrgb = i != 5;
      v.rgb[0] = uint8_t(30 * i);
      v.rgb[1] = uint8_t(k * 90);
      v.rgb[2] = 7;
      g.vertices.push_back(v);
    }
    NffPolygon a;
    a.indices = {0, 1, 4, 3};
    a.matid = 2;
    a.both = true;
    a.texture = "S_wood.tga";
    NffPolygon b;
    b.indices = {1, 2, 5};
    b.matid = 1;
    b.texture = "T_wood.tga";
    NffPolygon c;
    c.indices = {3, 4, 1};
    g.polygons = {a, b, c};
    m.geometries.push_back(g);
  }
  return m;
}

void expect_same(VLgeometry *a, VLgeometry *b) {
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_STREQ(a->name, b->name);
  VLvertex *u = a->vertices, *v = b->vertices;
  for (; u && v; u = u->next, v = v->next) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(u->position[i], v->position[i]);
    ASSERT_EQ(u->normal != nullptr, v->normal != nullptr);
    if (u->normal) {
      for (int i = 0; i < 3; ++i) EXPECT_EQ(u->normal[i], v->normal[i]);
    }
    EXPECT_EQ(u->colour, v->colour);
    EXPECT_EQ(u->flags, v->flags);
  }
  EXPECT_EQ(u, nullptr);
  EXPECT_EQ(v, nullptr);
  EXPECT_EQ(a->npolys, b->npolys);
  VLpoly *p = a->polys, *q = b->polys;
  for (; p && q; p = p->next, q = q->next) {
    EXPECT_EQ(p->colour, q->colour);
    EXPECT_EQ(p->flags, q->flags);
    EXPECT_EQ(p->ncorners, q->ncorners);
    VLvertexref *r = p->vertices, *s = q->vertices;
    for (; r && s; r = r->next, s = s->next)
      for (int i = 0; i < 3; ++i) EXPECT_EQ(r->vertex->position[i], s->vertex->position[i]);
    ASSERT_EQ(p->attributes != nullptr, q->attributes != nullptr);
    if (p->attributes) {
      auto *x = static_cast<VLpolytexture *>(p->attributes);
      auto *y = static_cast<VLpolytexture *>(q->attributes);
      EXPECT_STREQ(x->name, y->name);
      EXPECT_EQ(x->shaded, y->shaded);
      EXPECT_EQ(x->transparent, y->transparent);
      EXPECT_EQ(x->explicitcoords, y->explicitcoords);
      ASSERT_EQ(x->ncorners, y->ncorners);
      if (x->uv && y->uv) {
        for (int i = 0; i < 2 * x->ncorners; ++i) EXPECT_EQ(x->uv[i], y->uv[i]);
      }
    }
  }
}

TEST_F(NffTest, BothFormsReadTheSameGeometry) {
  NffModel m = sample();
  std::vector<VLgeometry *> fromtext, frombinary;
  for (VLgeomcell *c = text(nff_text(m), false); c; c = c->next) fromtext.push_back(c->geometry);
  VLgeomcell *keep = list;
  list = nullptr;
  for (VLgeomcell *c = binary(nff_binary(m), false); c; c = c->next)
    frombinary.push_back(c->geometry);
  ASSERT_EQ(fromtext.size(), 2u);
  ASSERT_EQ(frombinary.size(), 2u);
  for (size_t i = 0; i < 2; ++i) expect_same(fromtext[i], frombinary[i]);
  /* What was read: normals, colours, material indexes, sides, textures. */
  VLgeometry *g = fromtext[0];
  EXPECT_EQ(g->npolys, 3);
  EXPECT_EQ(g->mtable->nentries, 5);
  VLpoly *quad = nullptr;
  for (VLpoly *p = g->polys; p; p = p->next)
    if (p->ncorners == 4) quad = p;
  ASSERT_NE(quad, nullptr);
  EXPECT_EQ(quad->colour, 2);
  EXPECT_TRUE(quad->flags & VLPOLY_TWOSIDED);
  auto *tex = static_cast<VLpolytexture *>(quad->attributes);
  ASSERT_NE(tex, nullptr);
  EXPECT_TRUE(tex->shaded);
  EXPECT_FALSE(tex->transparent);
  EXPECT_EQ(tex->explicitcoords, 1);
  /* Corners in file order with their coordinates. */
  float expect_u[] = {0.0f, 0.25f, 1.0f, 0.75f};
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(tex->uv[2 * i], expect_u[i]);
  VLpoly *tri = quad->next ? quad->next : g->polys;
  (void)tri;
  free_list();
  list = keep;
}

TEST_F(NffTest, HeaderViewAndVersion) {
  ASSERT_EQ(text("nff\nversion 2.0\nviewpos 1 2 3\nviewdir 0 0 0\n"), nullptr);
  EXPECT_EQ(fired_count(VLM_NFF_NO_GEOMETRIES), 1);
  EXPECT_EQ(view.position[0], 1.0f);
  EXPECT_EQ(view.position[2], 3.0f);
  EXPECT_EQ(view.orientation[3], 1.0f) << "a zero direction keeps the default";
  text("vy\nviewdir 0 0 -5\ntri\n3\n0 0 0\n1 0 0\n0 1 0\n1\n3 0 1 2\n");
  ASSERT_NE(first(), nullptr);
  float len = 0;
  for (float q : view.orientation) len += q * q;
  EXPECT_NEAR(len, 1.0f, 1e-5f);
  /* Version 1.01: normals stand bare behind the coordinates. */
  text("nff\ntri\n3\n1 2 3 0 0 1\n1 0 0\n0 1 0\n1\n3 0 1 2\n");
  ASSERT_NE(first(), nullptr);
  VLvertex *v = first()->vertices;
  ASSERT_NE(v->normal, nullptr);
  EXPECT_EQ(v->normal[2], 1.0f);
}

TEST_F(NffTest, PolygonColourTokenAndBoth) {
  /* "both" right behind the indexes is read as a colour: the geometry goes. */
  EXPECT_EQ(text("nff\ntri\n3\n0 0 0\n1 0 0\n0 1 0\n1\n3 0 1 2 both\n"), nullptr);
  EXPECT_EQ(fired_count(VLM_TOK_INVALID), 1);
  text("nff\ntri\n3\n0 0 0\n1 0 0\n0 1 0\n1\n3 0 1 2 0xfff both\n");
  ASSERT_NE(first(), nullptr);
  VLpoly *p = first()->polys;
  EXPECT_TRUE(p->flags & VLPOLY_TWOSIDED);
  float white[3];
  ASSERT_TRUE(VLmtable_getvalue(first()->mtable, p->colour, white, VLAMBIENTDIFFUSE));
  EXPECT_FLOAT_EQ(white[0] + white[1] + white[2], 3.0f);
  /* Vertex colours: 8 characters are 24-bit, others 12-bit. */
  text("nff\ntri\n3\n0 0 0 rgb 0x102030\n1 0 0 rgb 0xf80\n0 1 0 rgb f80\n1\n3 0 1 2\n");
  ASSERT_NE(first(), nullptr);
  VLvertex *v = first()->vertices;
  float c[3];
  VLmtable_getvalue(first()->mtable, v->colour, c, VLAMBIENTDIFFUSE);
  EXPECT_NEAR(c[1], 0x20 / 255.0f, 1e-6f);
  VLmtable_getvalue(first()->mtable, v->next->colour, c, VLAMBIENTDIFFUSE);
  EXPECT_NEAR(c[1], 0x88 / 255.0f, 1e-6f);
  EXPECT_EQ(v->next->colour, v->next->next->colour);
}

TEST_F(NffTest, TexturesFollowThePlacementOrder) {
  /* Every corner has coordinates: they are used, "rot" is not. */
  text("nff\ntri\n3\n0 0 0 uv 0 0\n1 0 0 uv 1 0\n0 1 0 uv 0 1\n1\n3 0 1 2 0xfff _Sxwood.tga rot 1\n");
  ASSERT_NE(first(), nullptr);
  auto *t = static_cast<VLpolytexture *>(first()->polys->attributes);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->rotation, 0.0f);
  EXPECT_EQ(t->uv[2], 1.0f);
  EXPECT_TRUE(t->shaded);
  /* Default mapping, then rotation, scale and offset; tint after it. */
  text("nff\ntri\n3\n0 0 0\n1 0 0\n0 1 0\n1\n3 0 1 2 0xfff _uxwood.tga rot 0.5 scale 2 tint\n");
  ASSERT_NE(first(), nullptr);
  t = static_cast<VLpolytexture *>(first()->polys->attributes);
  ASSERT_NE(t, nullptr);
  EXPECT_FLOAT_EQ(t->rotation, 0.5f);
  EXPECT_FLOAT_EQ(t->scale, 2.0f);
  EXPECT_TRUE(t->shaded && t->transparent);
  EXPECT_TRUE(first()->polys->flags & VLPOLY_TINT);
}

TEST_F(NffTest, MaterialTablesAreSharedAndMerged) {
  std::string mats = dir + "/m.mat";
  write_file(mats, "mat\nvalid ambientdiffuse\nmatdef\nambientdiffuse 1 0 0\nmatdef\nambientdiffuse 0 1 0\n");
  const char *old = getenv("VLMODELS");
  std::string keep = old ? old : "";
  setenv("VLMODELS", dir.c_str(), 1);
  text("nff\na\n3\n0 0 0 rgb 0x00f\n1 0 0\n0 1 0\n1\n3 0 1 2 matid 0\n"
       "b\nmtable m.mat\n3\n0 0 1\n1 0 1\n0 1 1\n1\n3 0 1 2 matid 1\n");
  if (old) setenv("VLMODELS", keep.c_str(), 1);
  else unsetenv("VLMODELS");
  ASSERT_NE(first(), nullptr);
  EXPECT_EQ(list->next, nullptr) << "merged";
  VLgeometry *g = first();
  ASSERT_EQ(g->mtable->nentries, 3);
  /* b's matid 1 (green in its own table) comes after a's one entry. */
  int green = -1;
  for (VLpoly *p = g->polys; p; p = p->next)
    if (p->colour != 0) green = p->colour;
  ASSERT_EQ(green, 2);
  float c[3];
  VLmtable_getvalue(g->mtable, green, c, VLAMBIENTDIFFUSE);
  EXPECT_EQ(c[1], 1.0f);
}

TEST_F(NffTest, EveryTextMessageFires) {
  const std::string tri = "3\n0 0 0\n1 0 0\n0 1 0\n";
  struct Case {
    std::string file;
    VLmsgid id;
  } cases[] = {
      {"", VLM_NFF_NO_DATA},
      {"// nothing\n", VLM_NFF_NO_DATA},
      {"nfx\n", VLM_NFF_MAGIC},
      {"nff\ng bad\n" + tri + "1\n3 0 1 2\n", VLM_NFF_GEOM_ATTRIBUTE},
      {"nff\ng\nmtable nosuch\n" + tri + "1\n3 0 1 2\n", VLM_NFF_MTABLE},
      {"nff\ng\n3\n0 0 0 matid -2\n1 0 0\n0 1 0\n1\n3 0 1 2\n", VLM_NFF_NEGATIVE_MATID},
      {"nff\ng\n" + tri + "1\n3 0 1 2 matid -1\n", VLM_NFF_NEGATIVE_MATID},
      {"nff\ng\n" + tri + "1\n0\n", VLM_NFF_NO_POLY_VERTICES},
      {"nff\ng\n" + tri + "2\n2 0 1\n3 0 1 2\n", VLM_NFF_FEW_POLY_VERTICES},
      {"nff\ng\n" + tri + "2\n2 0 1\n3 0 1 2\n", VLM_NFF_IGNORED},
      {"nff\ng\n" + tri + "2\n300 0 1\n3 0 1 2\n", VLM_NFF_MANY_POLY_VERTICES},
      {"nff\ng\n" + tri + "1\n3 0 1 2 0xfff a=b=c\n", VLM_NFF_POLY_ATTRIBUTE},
      {"nff\ng\n" + tri + "1\n3 0 1 2 0xfff bogus\n", VLM_NFF_POLY_ATTRIBUTE},
      {"nff\ng\n" + tri + "1\n3 0 1 2 0xfff name=3\n", VLM_NFF_POLY_ASSIGNMENT},
      {"nff\ng\n" + tri + "1\n3 0 1 2 0xfff id=3x\n", VLM_NFF_BAD_ID},
      {"nff\ng\n" + tri + "1\n1 0\n", VLM_NFF_NO_VALID},
      {"nff\n", VLM_NFF_NO_GEOMETRIES},
      {"nff\ng\n3\n0 0\n", VLM_TOK_MISSING},
      {"nff\ng\n" + tri + "1\n3 0 1 9\n", VLM_NFF_NO_GEOMETRIES},
  };
  for (const Case &c : cases) {
    record_messages();
    text(c.file);
    EXPECT_GE(fired_count(c.id), 1) << c.file;
  }
  /* The identifier is kept; a good one discards nothing. */
  text("nff\ng\n" + tri + "1\n3 0 1 2 0xfff id=42\n");
  EXPECT_NE(first(), nullptr);
}

TEST_F(NffTest, ADiscardedGeometryKeepsTheOnesBefore) {
  text("nff\ndistinct\na\n3\n0 0 0\n1 0 0\n0 1 0\n1\n3 0 1 2\nb\n3\n0 0 0\n1 0 0\n0 1 0\n1\n3 0 1 7\n"
       "c\n3\n0 0 0\n1 0 0\n0 1 0\n1\n3 0 1 2\n");
  ASSERT_NE(first(), nullptr);
  EXPECT_STREQ(first()->name, "a");
  EXPECT_EQ(list->next, nullptr);
}

/* --- binary form --- */

std::string be(uint32_t v) {
  std::string s;
  for (int k = 24; k >= 0; k -= 8) s += char((v >> k) & 0xff);
  return s;
}

std::string bfloat(float f) {
  uint32_t u;
  memcpy(&u, &f, 4);
  return be(u);
}

/* A binary geometry with a given material part and body. */
std::string bgeom(const std::string &material, const std::string &body) {
  return std::string("\x03\x01g", 3) + material + body;
}

const std::string kTable("\x04\x08\x20\x09\x05", 5);

std::string btri(const std::string &polyextra = std::string(1, '\0'), int n = 3) {
  std::string s = be(3);
  for (int i = 0; i < 3; ++i) s += bfloat(float(i == 1)) + bfloat(float(i == 2)) + bfloat(0) + '\0';
  s += be(1) + be(uint32_t(n));
  for (int i = 0; i < n; ++i) s += be(uint32_t(i % 3));
  return s + be(0) + polyextra;
}

TEST_F(NffTest, BinaryHeaderMaterialsAndPolygons) {
  std::string head = std::string("bnff") + be(1) + '\x01' + bfloat(4) + bfloat(5) + bfloat(6) +
                     '\x07' + '\x02' + bfloat(0) + bfloat(0) + bfloat(0);
  std::string table = std::string("\x04\x08\x01\x02\x09\x00\x01", 7) + bfloat(1) + bfloat(0) +
                      bfloat(0) + '\x02' + bfloat(0) + bfloat(1) + bfloat(0) + '\x63' + '\x05';
  std::string extra = std::string("\x01\x04", 2) + bfloat(0.5f) + '\x07' +
                      std::string("\x03\x05hall1", 7) + '\x00';
  VLportal *portals = nullptr;
  binary(head + bgeom(table, btri(extra)), true, &portals);
  ASSERT_NE(first(), nullptr);
  EXPECT_EQ(view.position[1], 5.0f);
  EXPECT_EQ(view.orientation[3], 1.0f);
  EXPECT_EQ(first()->mtable->mask, uint32_t(VLAMBIENT | VLDIFFUSE));
  EXPECT_EQ(first()->mtable->nentries, 1);
  EXPECT_TRUE(first()->polys->flags & VLPOLY_TWOSIDED);
  ASSERT_NE(portals, nullptr);
  EXPECT_STREQ(portals->target, "hall1");
}

TEST_F(NffTest, EveryBinaryMessageFires) {
  const std::string head = std::string("bnff") + be(0);
  std::string longname = std::string("\x03\x51", 2) + std::string(81, 'x');
  struct Case {
    std::string file;
    VLmsgid id;
  } cases[] = {
      {"bnf", VLM_NFF_NO_DATA},
      {"xnffxxxx", VLM_NFF_MAGIC},
      {head, VLM_BNFF_TRUNCATED},
      {head + std::string("\x03\x01g\x07", 4), VLM_BNFF_NO_MATERIAL},
      {head + bgeom("\x04\x07", btri()), VLM_BNFF_NO_PROPLIST},
      {head + bgeom("\x04\x07", btri()), VLM_BNFF_MTABLE_NULL},
      {head + bgeom("\x04\x07", btri()), VLM_NFF_MTABLE},
      {head + bgeom(std::string("\x04\x08\x09\x05", 4), btri()), VLM_BNFF_NO_PROPERTIES},
      {head + bgeom(std::string("\x04\x08\x20", 3), ""), VLM_BNFF_TRUNCATED},
      {head + bgeom(kTable, be(5) + bfloat(0)), VLM_BNFF_VERTEX_NULL},
      {head + bgeom(kTable, be(1) + bfloat(0) + bfloat(0) + bfloat(0) + '\x01' + bfloat(0)),
       VLM_BNFF_VERTEX_NULL},
      {head + bgeom(kTable, btri().substr(0, 43)), VLM_BNFF_POLY_NULL},
      {head + bgeom(kTable, btri(std::string(1, '\0'), 2)), VLM_BNFF_POLY_PROBLEM},
      {head + bgeom(kTable, btri(std::string(1, '\0'), 2)), VLM_NFF_IGNORED},
      {head + bgeom(kTable, btri(std::string(1, '\0'), 2)), VLM_NFF_NO_VALID},
      {head + longname, VLM_BNFF_LONG_STRING},
      {head + bgeom(kTable, btri(std::string("\x02\x60", 2) + std::string(96, 's'))),
       VLM_BNFF_LONG_STRING},
      {head + "\x09", VLM_BNFF_TRUNCATED},
  };
  for (const Case &c : cases) {
    record_messages();
    binary(c.file);
    EXPECT_GE(fired_count(c.id), 1) << testing::PrintToString(c.file);
  }
  /* More than 256 indexes: refused, read past, counted ignored. */
  std::string many = be(300);
  for (int i = 0; i < 300; ++i) many += be(0);
  many += be(0) + '\0';
  std::string body = btri();
  body.replace(43, 4, be(2));
  record_messages();
  binary(head + bgeom(kTable, body + many));
  EXPECT_EQ(fired_count(VLM_NFF_MANY_POLY_VERTICES), 1);
  EXPECT_EQ(fired_count(VLM_NFF_IGNORED), 1);
  EXPECT_NE(first(), nullptr);
}

TEST_F(NffTest, BinaryFilesCutOrFlippedNeverBreakTheReader) {
  NffModel m = sample();
  m.geometries[0].polygons[2].portal = "next";
  std::string good = nff_binary(m);
  for (size_t cut = 0; cut <= good.size(); ++cut) binary(good.substr(0, cut));
  std::mt19937 rng(1234);
  for (int round = 0; round < 400; ++round) {
    std::string bad = good;
    int flips = 1 + int(rng() % 4);
    for (int k = 0; k < flips; ++k) bad[rng() % bad.size()] = char(rng() & 0xff);
    VLportal *portals = nullptr;
    binary(bad, round % 2 == 0, &portals);
  }
  std::string t = nff_text(m);
  for (size_t cut = 0; cut <= t.size(); cut += 3) text(t.substr(0, cut));
  SUCCEED();
}

}  // namespace
