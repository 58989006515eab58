/* Material tables: layouts, the table sizes and growth, names, find-or-add,
 * values, users, merging, and ".mat" files (good, incomplete, truncated
 * and junk). */
#include <gtest/gtest.h>

#include "render/playback.h"

#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "core/messages.h"
#include "geometry/mtable_internal.h"
#include "geometry/state.h"
#include "support/messages.h"
#include "vlx/geometry.h"
#include "vlx/mtable.h"

namespace {

class MtableTest : public UniverseTest {
 protected:
  void TearDown() override {
    UniverseTest::TearDown();
    _VLgeometry_reset();
  }
};

int table_count(void) {
  int n = 0;
  for (VLmtable *t = VLmtable_first(); t; t = t->next) ++n;
  return n;
}

}  // namespace

/* ---------- layouts ---------- */

TEST_F(MtableTest, LayoutFollowsTheMask) {
  struct Case {
    uint32_t asked, mask, size;
    int ambient, diffuse, specular, shininess, emission, ad, opacity;
    int conflicts;
  };
  const Case cases[] = {
      /* opacity lives in the diffuse colour */
      {VLDIFFUSE | VLOPACITY, VLDIFFUSE | VLOPACITY, 4, -1, 0, -1, -1, -1, -1, 3, 0},
      /* opacity alone gets a diffuse slot and bit 2 */
      {VLOPACITY, VLDIFFUSE | VLOPACITY, 4, -1, 0, -1, -1, -1, -1, 3, 0},
      /* ambient-and-diffuse drops diffuse and ambient, with a warning */
      {VLAMBIENTDIFFUSE | VLDIFFUSE, VLAMBIENTDIFFUSE, 4, -1, -1, -1, -1, -1, 0, -1, 1},
      {VLAMBIENTDIFFUSE | VLAMBIENT | VLOPACITY, VLAMBIENTDIFFUSE | VLOPACITY, 4, -1, -1, -1, -1,
       -1, 0, 3, 1},
      /* slot order: specular, shininess, ambient, emission, (ad), diffuse */
      {127 & ~VLAMBIENTDIFFUSE, 127 & ~VLAMBIENTDIFFUSE, 14, 4, 10, 0, 3, 7, -1, 13, 0},
      {VLSHININESS | VLEMISSION, VLSHININESS | VLEMISSION, 4, -1, -1, -1, 0, 1, -1, -1, 0},
      {0, 0, 0, -1, -1, -1, -1, -1, -1, -1, 0},
      {0x180 | VLAMBIENT, VLAMBIENT, 3, 0, -1, -1, -1, -1, -1, -1, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.asked);
    record_messages();
    VLmtable *t = VLmtable_new(c.asked, 1, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(VLmtable_getmask(t), c.mask);
    EXPECT_EQ(t->entrysize, c.size);
    EXPECT_EQ(t->slotoffset[t->nslots], c.size);
    const int expected[VLMT_NPROPS] = {c.ambient, c.diffuse, c.specular, c.shininess,
                                       c.emission, c.ad, c.opacity};
    for (int p = 0; p < VLMT_NPROPS; ++p) EXPECT_EQ(t->propoffset[p], expected[p]) << p;
    EXPECT_EQ(fired_count(VLM_MT_AD_CONFLICT), c.conflicts);
    VLmtable_delete(t);
  }
}

TEST_F(MtableTest, NewEntriesHoldTheDefaults) {
  VLmtable *t = VLmtable_new(VLAMBIENT | VLDIFFUSE | VLSHININESS | VLOPACITY, 1, nullptr);
  int i = VLmtable_newentry(t);
  ASSERT_EQ(i, 0);
  float v[3];
  ASSERT_TRUE(VLmtable_getvalue(t, i, v, VLDIFFUSE));
  EXPECT_EQ(v[0], 0.0f);
  ASSERT_TRUE(VLmtable_getvalue(t, i, v, VLOPACITY));
  EXPECT_EQ(v[0], 1.0f);
  ASSERT_TRUE(VLmtable_getvalue(t, i, v, VLSHININESS));
  EXPECT_EQ(v[0], 0.0f);
  EXPECT_FALSE(VLmtable_getvalue(t, i, v, VLSPECULAR));
  EXPECT_EQ(VLmtable_newentry(nullptr), -1);
  EXPECT_EQ(fired_count(VLM_MT_NULL_TABLE), 1);
}

/* ---------- sizes, hash and growth ---------- */

TEST_F(MtableTest, CapacitiesComeFromTheSizeList) {
  const int cases[][2] = {{-5, 3}, {0, 3}, {1, 3}, {4, 5}, {10, 11}, {102, 503},
                          {19001, 19001}, {50000, 19001}};
  for (const auto &c : cases) {
    VLmtable *t = VLmtable_new(VLDIFFUSE, c[0], nullptr);
    EXPECT_EQ(t->capacity, c[1]) << c[0];
    VLmtable_delete(t);
  }
}

TEST_F(MtableTest, FindColorSharesEqualEntries) {
  VLmtable *t = VLmtable_new(VLAMBIENTDIFFUSE, 1, nullptr);
  int a = VLmtable_findcolor(t, 255, 0, 0);
  EXPECT_EQ(VLmtable_findcolor(t, 255, 0, 0), a);
  EXPECT_EQ(VLmtable_findcolor24(t, 0xFF0000), a);
  EXPECT_EQ(t->nentries, 1);
  float v[3];
  ASSERT_TRUE(VLmtable_getvalue(t, a, v, VLAMBIENTDIFFUSE));
  EXPECT_NEAR(v[0], 1.0f, 1e-6);
  EXPECT_EQ(v[1], 0.0f);
  int w = VLmtable_findcolor12(t, 0x0F0);
  EXPECT_NE(w, a);
  ASSERT_TRUE(VLmtable_getvalue(t, w, v, VLAMBIENTDIFFUSE));
  EXPECT_NEAR(v[1], 1.0f, 1e-6);
  /* the colour goes to diffuse, else ambient; without either: -1 */
  VLmtable *d = VLmtable_new(VLAMBIENT | VLDIFFUSE, 1, nullptr);
  int i = VLmtable_findcolor(d, 0, 0, 255);
  ASSERT_TRUE(VLmtable_getvalue(d, i, v, VLDIFFUSE));
  EXPECT_NEAR(v[2], 1.0f, 1e-6);
  ASSERT_TRUE(VLmtable_getvalue(d, i, v, VLAMBIENT));
  EXPECT_EQ(v[2], 0.0f);
  VLmtable *s = VLmtable_new(VLSPECULAR, 1, nullptr);
  EXPECT_EQ(VLmtable_findcolor(s, 1, 2, 3), -1);
  EXPECT_EQ(s->nentries, 0);
}

/* Fills t with distinct colours up to n entries; returns their indexes. */
static std::vector<int> fill(VLmtable *t, int n) {
  std::vector<int> idx;
  for (int i = 0; i < n; ++i) idx.push_back(VLmtable_findcolor24(t, static_cast<uint32_t>(i * 7919 + 1)));
  return idx;
}

TEST_F(MtableTest, GrowthKeepsIndexesStable) {
  const int cases[][3] = {{10, 11, 41}, {503, 503, 1009}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c[0]);
    VLmtable *t = VLmtable_new(VLDIFFUSE | VLSPECULAR, c[0], nullptr);
    ASSERT_EQ(t->capacity, c[1]);
    std::vector<int> idx = fill(t, c[1]);
    EXPECT_EQ(t->capacity, c[1]);
    int extra = VLmtable_findcolor24(t, 0xABCDEF);
    EXPECT_EQ(extra, c[1]);
    EXPECT_EQ(t->capacity, c[2]);
    std::vector<int> again = fill(t, c[1]);
    EXPECT_EQ(again, idx);
    for (int i = 0; i < c[1]; ++i) ASSERT_EQ(idx[i], i);
    EXPECT_EQ(t->nentries, c[1] + 1);
  }
}

TEST_F(MtableTest, TheLargestTableRefusesMoreEntries) {
  VLmtable *t = VLmtable_new(VLDIFFUSE, 15013, nullptr);
  fill(t, 15014);
  EXPECT_EQ(t->capacity, VLMTABLE_MAXCAPACITY);  /* 15013 + 7506 is beyond the list */
  fill(t, VLMTABLE_MAXCAPACITY);
  EXPECT_EQ(t->nentries, VLMTABLE_MAXCAPACITY);
  EXPECT_EQ(VLmtable_findcolor24(t, 0xFFFFFE), -1);
  EXPECT_EQ(fired_count(VLM_MT_FULL), 1);
  EXPECT_EQ(VLmtable_findcolor24(t, 1), 0);  /* lookups still work */
}

TEST_F(MtableTest, SetValueRehashesTheEntry) {
  VLmtable *t = VLmtable_new(VLDIFFUSE, 1, nullptr);
  int red = VLmtable_findcolor(t, 255, 0, 0);
  int blue = VLmtable_findcolor(t, 0, 0, 255);
  float green[3] = {0, 1, 0};
  ASSERT_TRUE(VLmtable_setvalue(t, red, green, VLDIFFUSE));
  EXPECT_EQ(VLmtable_findcolor(t, 0, 255, 0), red);
  EXPECT_EQ(VLmtable_findcolor(t, 0, 0, 255), blue);
  EXPECT_EQ(t->nentries, 2);
  float half = 0.5f;
  EXPECT_FALSE(VLmtable_setvalue(t, red, &half, VLOPACITY));
  EXPECT_FALSE(VLmtable_setvalue(t, 2, green, VLDIFFUSE));
  EXPECT_FALSE(VLmtable_setvalue(t, -1, green, VLDIFFUSE));
}

TEST_F(MtableTest, EntryNames) {
  VLmtable *t = VLmtable_new(VLDIFFUSE, 1, nullptr);
  EXPECT_EQ(VLmtable_findentryname(t, "red"), -1);
  int a = VLmtable_findcolor(t, 255, 0, 0);
  int b = VLmtable_findcolor(t, 0, 255, 0);
  fill(t, 20);  /* grows the name array too */
  EXPECT_TRUE(VLmtable_setentryname(t, b, "green"));
  EXPECT_TRUE(VLmtable_setentryname(t, a, "red"));
  EXPECT_TRUE(VLmtable_setentryname(t, 15, "red"));
  fill(t, 50);
  EXPECT_EQ(VLmtable_findentryname(t, "red"), a);
  EXPECT_EQ(VLmtable_findentryname(t, "green"), b);
  EXPECT_FALSE(VLmtable_setentryname(t, t->nentries, "x"));
  EXPECT_FALSE(VLmtable_setentryname(t, 0, nullptr));
}

/* ---------- names ---------- */

TEST_F(MtableTest, NamesAreCleanedAndChecked) {
  struct Case {
    const char *given;
    const char *stored;  /* null: refused */
    const char *warning;
    int count;
  };
  const Case cases[] = {
      {"mtable", "mtable", nullptr, 0},
      {"mt0", "mt0", nullptr, 0},
      {"mt12", nullptr, VLTXT_MT_RESERVED, 1},
      {"mt3x", nullptr, VLTXT_MT_RESERVED_NAME, 1},
      {"c:\\models\\wood.mat", "wood", VLTXT_MT_NAME_SHORTENED, 1},
      {"models/dir.v2/oak.mat", "oak", VLTXT_MT_NAME_DELIMITERS, 1},
      {"my wood", nullptr, VLTXT_MT_NAME_BLANK, 1},
      {"", nullptr, VLTXT_MT_NAME_BLANK, 1},
      {".mat", nullptr, VLTXT_MT_NAME_BLANK, 1},
      {nullptr, nullptr, VLTXT_MT_NULL_NAME, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.given ? c.given : "(null)");
    VLmtable *t = VLmtable_new(VLDIFFUSE, 1, "first");
    record_messages();
    bool ok = VLmtable_setname(t, c.given);
    EXPECT_EQ(ok, c.stored != nullptr);
    EXPECT_STREQ(t->name, c.stored ? c.stored : "first");
    if (c.warning) {
      EXPECT_EQ(fired_count(c.warning), c.count);
    } else {
      EXPECT_TRUE(fired().empty());
    }
    VLmtable_delete(t);
  }
}

TEST_F(MtableTest, NamesAreUnique) {
  VLmtable *a = VLmtable_new(VLDIFFUSE, 1, "wood");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(VLmtable_new(VLDIFFUSE, 1, "dir/wood.mat"), nullptr);
  EXPECT_EQ(fired_count(VLM_MT_NAME_EXISTS), 1);
  EXPECT_EQ(fired().back().text, "VLX Warning: A material table with name dir/wood.mat already exists\n");
  EXPECT_TRUE(VLmtable_setname(a, "wood"));
  EXPECT_EQ(table_count(), 1);
  EXPECT_EQ(VLmtable_find("wood"), a);
  std::string tooLong(300, 'x');
  EXPECT_FALSE(VLmtable_setname(a, tooLong.c_str()));
  EXPECT_STREQ(a->name, "wood");
}

TEST_F(MtableTest, GeneratedNamesFollowTheLargestNumber) {
  VLmtable *a = VLmtable_new(VLDIFFUSE, 1, nullptr);
  VLmtable *b = VLmtable_new(VLDIFFUSE, 1, nullptr);
  EXPECT_STREQ(a->name, "mt1");
  EXPECT_STREQ(b->name, "mt2");
  EXPECT_TRUE(VLmtable_setname(b, "named"));
  VLmtable *c = VLmtable_new(VLDIFFUSE, 1, nullptr);
  EXPECT_STREQ(c->name, "mt2");
  VLmtable_delete(a);
  VLmtable *d = VLmtable_new(VLDIFFUSE, 1, nullptr);
  EXPECT_STREQ(d->name, "mt3");
  /* a file may carry the name of the last number: then generation stops */
  const char text[] = "mat\nvalid diffuse\nmatdef\n";
  VLmtable *e = _VLmtable_read("x", "mt999999", text, sizeof text - 1);
  ASSERT_NE(e, nullptr);
  EXPECT_STREQ(e->name, "mt999999");
  int before = table_count();
  /* In a loop the warning comes once, until a name can be made again. */
  for (int i = 0; i < 5; ++i) EXPECT_EQ(VLmtable_new(VLDIFFUSE, 1, nullptr), nullptr);
  EXPECT_EQ(fired_count(VLM_MT_TOO_MANY_NAMES), 1);
  EXPECT_EQ(table_count(), before);
  EXPECT_TRUE(VLmtable_setname(e, "last"));
  EXPECT_NE(VLmtable_new(VLDIFFUSE, 1, nullptr), nullptr);
  ASSERT_NE(_VLmtable_read("x", "mt999999", text, sizeof text - 1), nullptr);  /* out again */
  EXPECT_EQ(VLmtable_new(VLDIFFUSE, 1, nullptr), nullptr);
  EXPECT_EQ(VLmtable_new(VLDIFFUSE, 1, nullptr), nullptr);
  EXPECT_EQ(fired_count(VLM_MT_TOO_MANY_NAMES), 2);
}

/* ---------- users ---------- */

TEST_F(MtableTest, EntryChangesDropTheUsersRenderCaches) {
  VLgeometry *g = VLgeometry_newblock(1, 1, 1, false);
  ASSERT_NE(g, nullptr);
  VLmtable *t = g->mtable;
  ASSERT_NE(t, nullptr);
  void *cache = _VLrender_compile(g);   /* a real render cache */
  EXPECT_EQ(VLmtable_findcolor12(t, 0xFFF), 0);  /* white exists: nothing changes */
  EXPECT_EQ(g->rendercache, cache);
  VLmtable_findcolor(t, 1, 2, 3);
  EXPECT_EQ(g->rendercache, nullptr);
  _VLrender_compile(g);
  float red[3] = {1, 0, 0};
  VLmtable_setvalue(t, 0, red, VLAMBIENTDIFFUSE);
  EXPECT_EQ(g->rendercache, nullptr);

  /* moving to another table moves the user; deleting a table clears it */
  VLmtable *other = VLmtable_new(VLDIFFUSE, 1, nullptr);
  VLmtable_attach(g, other);
  EXPECT_EQ(t->users, nullptr);
  ASSERT_NE(other->users, nullptr);
  EXPECT_EQ(other->users->geometry, g);
  VLmtable_delete(other);
  EXPECT_EQ(g->mtable, nullptr);
  VLgeometry_delete(g);
}

/* Geometries let go of a shared table first-made first, newest first and
 * from the middle: the user list keeps exactly the others, and a table a
 * load made goes with its last user. Letting go takes constant time (one
 * table shared by many geometries of a drawing). */
TEST_F(MtableTest, UsersLetGoInAnyOrder) {
  const int n = 6;
  const std::vector<std::vector<int>> orders = {
      {0, 1, 2, 3, 4, 5}, {5, 4, 3, 2, 1, 0}, {2, 3, 0, 5, 1, 4}};
  for (const auto &order : orders) {
    int tables = table_count();
    unsigned long before = _VLmtable_newest();
    VLmtable *t = VLmtable_new(VLDIFFUSE, 1, nullptr);
    ASSERT_NE(t, nullptr);
    std::vector<VLgeometry *> g(n);
    for (int i = 0; i < n; ++i) {
      g[i] = VLgeometry_newblock(1, 1, 1, false);
      ASSERT_NE(g[i], nullptr);
      VLmtable_attach(g[i], t);
    }
    _VLmtable_ownbyusers(before);   /* freed with its last user */
    std::vector<bool> gone(n, false);
    for (size_t k = 0; k < order.size(); ++k) {
      int i = order[size_t(k)];
      VLgeometry_delete(g[size_t(i)]);
      gone[size_t(i)] = true;
      if (k + 1 == order.size()) break;
      std::vector<bool> seen(n, false);
      const VLmtableuser *prev = nullptr;
      for (const VLmtableuser *u = t->users; u; prev = u, u = u->next) {
        EXPECT_EQ(u->prev, prev);
        for (int j = 0; j < n; ++j)
          if (u->geometry == g[size_t(j)]) seen[size_t(j)] = true;
        EXPECT_EQ(u->geometry->mtable, t);
      }
      for (int j = 0; j < n; ++j) EXPECT_EQ(seen[size_t(j)], !gone[size_t(j)]) << j;
    }
    EXPECT_EQ(table_count(), tables);   /* freed with the last, like the blocks' own */
  }
}

/* ---------- merging ---------- */

TEST_F(MtableTest, MergeConvertsLayoutsAndKeepsOrder) {
  VLmtable *a = VLmtable_new(VLAMBIENTDIFFUSE | VLOPACITY, 1, nullptr);
  VLmtable *b = VLmtable_new(VLDIFFUSE | VLSPECULAR, 1, nullptr);
  int red = VLmtable_findcolor(a, 255, 0, 0);
  float alpha = 0.25f;
  VLmtable_setvalue(a, red, &alpha, VLOPACITY);
  VLmtable_setentryname(a, red, "red");
  int blue = VLmtable_findcolor(b, 0, 0, 255);
  float specular[3] = {0.5f, 0.5f, 0.5f};
  VLmtable_setvalue(b, blue, specular, VLSPECULAR);

  EXPECT_EQ(VLmtable_merge(a, nullptr), a);
  EXPECT_EQ(VLmtable_merge(nullptr, b), b);
  EXPECT_EQ(VLmtable_merge(a, a), a);
  VLmtable *m = VLmtable_merge(a, b);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(VLmtable_getmask(m), uint32_t(VLAMBIENT | VLDIFFUSE | VLSPECULAR | VLOPACITY));
  ASSERT_EQ(m->nentries, 2);
  float v[3];
  VLmtable_getvalue(m, 0, v, VLAMBIENT);
  EXPECT_NEAR(v[0], 1.0f, 1e-6);
  VLmtable_getvalue(m, 0, v, VLDIFFUSE);
  EXPECT_NEAR(v[0], 1.0f, 1e-6);
  VLmtable_getvalue(m, 0, v, VLOPACITY);
  EXPECT_EQ(v[0], 0.25f);
  EXPECT_EQ(VLmtable_findentryname(m, "red"), 0);
  VLmtable_getvalue(m, 1, v, VLDIFFUSE);
  EXPECT_NEAR(v[2], 1.0f, 1e-6);
  VLmtable_getvalue(m, 1, v, VLSPECULAR);
  EXPECT_EQ(v[0], 0.5f);
  VLmtable_getvalue(m, 1, v, VLOPACITY);
  EXPECT_EQ(v[0], 1.0f);
  VLmtable_getvalue(m, 1, v, VLAMBIENT);
  EXPECT_EQ(v[2], 0.0f);

  /* copying an entry finds an equal one */
  EXPECT_EQ(VLmtable_copyentry(m, 0, m), 0);
  VLmtable *c = VLmtable_new(VLAMBIENTDIFFUSE, 1, nullptr);
  int i = VLmtable_copyentry(b, blue, c);
  VLmtable_getvalue(c, i, v, VLAMBIENTDIFFUSE);
  EXPECT_NEAR(v[2], 1.0f, 1e-6);
  EXPECT_EQ(VLmtable_copyentry(b, 5, c), -1);
}

TEST_F(MtableTest, MergingAGeometrysTableRepointsItsColours) {
  VLmtable *shared = VLmtable_new(VLAMBIENTDIFFUSE, 1, "shared");
  VLmtable_findcolor(shared, 1, 1, 1);
  VLmtable_findcolor(shared, 2, 2, 2);
  VLgeometry *g = VLgeometry_newblock(1, 1, 1, false);
  VLpoly_setrgb(g->polys, 0, 255, 0);
  int green = g->polys->colour;
  VLvertex_setcolorindex(g, g->vertices, green);
  VLmtable *old = g->mtable;
  float before[3];
  VLmtable_getvalue(old, green, before, VLAMBIENTDIFFUSE);

  VLmtable *m = VLmtable_mergegeometry(shared, g);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(g->mtable, m);
  EXPECT_EQ(old->users, nullptr);
  EXPECT_EQ(g->polys->colour, green + 2);
  EXPECT_EQ(g->vertices->colour, green + 2);
  EXPECT_EQ(g->polys->next->colour, 2);  /* white, now after shared's two */
  float after[3];
  VLmtable_getvalue(m, g->polys->colour, after, VLAMBIENTDIFFUSE);
  EXPECT_EQ(memcmp(before, after, sizeof before), 0);
  /* An index past every table (as a file may give) stays past them. */
  g->polys->colour = INT_MAX;
  ASSERT_NE(VLmtable_mergegeometry(shared, g), nullptr);
  EXPECT_EQ(g->polys->colour, INT_MAX);
  VLgeometry_delete(g);
}

/* ---------- ".mat" files ---------- */

namespace {

const char kGood[] =
    "mat\n"
    "version 1\n"
    "// a comment line\n"
    "valid ambient diffuse shininess opacity emission-not-a-keyword\n"
    "matdef red\n"
    "ambient 0.2 0 0\n"
    "diffuse 1 0 0 // trailing comment\n"
    "shininess 32\n"
    "opacity 0.5\n"
    "specular 1 1 1\n"
    "matdef\n"
    "alpha 0.75\r\n"
    "unknown tokens are ignored\n";

VLmtable *read_text(const std::string &text, const char *name = "c:\\dir\\good.mat") {
  return _VLmtable_read("test.mat", name, text.data(), text.size());
}

}  // namespace

TEST_F(MtableTest, ReadsAGoodFile) {
  VLmtable *t = read_text(kGood);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(fired().empty()) << fired()[0].text;
  EXPECT_STREQ(t->name, "good");
  EXPECT_EQ(VLmtable_getmask(t), uint32_t(VLAMBIENT | VLDIFFUSE | VLSHININESS | VLOPACITY));
  ASSERT_EQ(t->nentries, 2);
  EXPECT_EQ(VLmtable_findentryname(t, "red"), 0);
  float v[3];
  VLmtable_getvalue(t, 0, v, VLAMBIENT);
  EXPECT_EQ(v[0], 0.2f);
  VLmtable_getvalue(t, 0, v, VLDIFFUSE);
  EXPECT_EQ(v[0], 1.0f);
  VLmtable_getvalue(t, 0, v, VLSHININESS);
  EXPECT_EQ(v[0], 32.0f);
  VLmtable_getvalue(t, 0, v, VLOPACITY);
  EXPECT_EQ(v[0], 0.5f);
  VLmtable_getvalue(t, 1, v, VLOPACITY);
  EXPECT_EQ(v[0], 0.75f);
  VLmtable_getvalue(t, 1, v, VLDIFFUSE);
  EXPECT_EQ(v[0], 0.0f);
}

TEST_F(MtableTest, IncompleteFilesWarnAndMakeNoTable) {
  struct Case {
    const char *text;
    std::vector<VLmsgid> warnings;
  };
  const Case cases[] = {
      {"mat\nversion 2\nmatdef red\ndiffuse 1 0 0\n", {VLM_MAT_NO_VALID, VLM_MAT_NO_PROPERTIES}},
      {"mat\nvalid diffuse\ndiffuse 1 0 0\n", {VLM_MAT_PRECEDES, VLM_MAT_NO_MATDEF}},
      {"mat\nvalid\nmatdef\n", {VLM_MAT_NO_PROPERTIES}},  /* a table with no properties */
      {"mat\nversion x\n", {VLM_TOK_INVALID, VLM_TOK_LINE}},
      {"mat\nvalid diffuse\nmatdef\ndiffuse 1,5 0 0\n", {VLM_TOK_FLOAT_INVALID, VLM_TOK_LINE}},
      {"mat\nvalid diffuse\nmatdef\ndiffuse 1\n0 0\n", {VLM_TOK_MISSING, VLM_TOK_LINE}},
      {"mat\nvalid diffuse\nmatdef\nshininess nan\n", {VLM_TOK_FLOAT_INVALID}},
      {"no magic here\n", {VLM_MAT_NOT_MAT}},
      {"", {VLM_MAT_NO_DATA}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    record_messages();
    int before = table_count();
    VLmtable *t = read_text(c.text);
    if (strcmp(c.text, "mat\nvalid\nmatdef\n") == 0) {
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(VLmtable_getmask(t), 0u);
      EXPECT_EQ(t->nentries, 1);
      VLmtable_delete(t);
    } else {
      EXPECT_EQ(t, nullptr);
    }
    EXPECT_EQ(table_count(), before);
    for (VLmsgid w : c.warnings) EXPECT_GE(fired_count(w), 1) << g_vlmessages[w].name;
  }
  /* the precedes warning names each token before the first matdef */
  record_messages();
  read_text("mat\nvalid diffuse\nstray\nmatdef\n");
  ASSERT_EQ(fired_count(VLM_MAT_PRECEDES), 1);
  EXPECT_EQ(fired()[0].text, "VLX Warning: stray precedes expected 'matdef' token: it will be ignored.\n");
}

TEST_F(MtableTest, AWrongMagicTokenIsContent) {
  VLmtable *t = read_text("material\nvalid diffuse\nmatdef x\n");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(fired_count(VLM_MAT_MAGIC), 1);
  EXPECT_EQ(fired()[0].text, "VLX Warning: File test.mat. 'material' is not the magic string ('mat')\n");
}

TEST_F(MtableTest, AnUncleanableNameGetsAGeneratedOne) {
  VLmtable *t = read_text("mat\nvalid diffuse\nmatdef\n", "my wood");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(strncmp(t->name, "mt", 2), 0);
  EXPECT_EQ(fired_count(VLM_MT_NAME_BLANK), 1);
  EXPECT_EQ(fired_count(VLM_MAT_GENERATED_NAME), 1);
}

TEST_F(MtableTest, TruncatedAndJunkFilesAreSafe) {
  testing::internal::CaptureStdout();  /* a great many warnings */
  std::string good(kGood);
  for (size_t n = 0; n <= good.size(); ++n) {
    record_messages();
    VLmtable *t = read_text(good.substr(0, n));
    /* a cut either yields a table or a warning, never silence */
    EXPECT_TRUE(t != nullptr || !fired().empty()) << n;
    if (t) VLmtable_delete(t);
  }
  std::mt19937 rng(12345);
  const char pieces[][12] = {"mat", "valid", "matdef", "diffuse", "alpha", "ambient", "0.5",
                             "1e40", "//", "\n", " ", "\t", "\r", "x", "-", "\\"};
  for (int round = 0; round < 400; ++round) {
    std::string junk = "mat";
    int len = static_cast<int>(rng() % 200);
    for (int i = 0; i < len; ++i) {
      if (rng() % 3)
        junk += pieces[rng() % (sizeof pieces / sizeof pieces[0])];
      else
        junk += static_cast<char>(rng() % 256);
      if (rng() % 2) junk += ' ';
    }
    record_messages();
    VLmtable *t = read_text(junk);
    EXPECT_TRUE(t != nullptr || !fired().empty());
    if (t) VLmtable_delete(t);
  }
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(table_count(), 0);
}

TEST_F(MtableTest, LoadSearchesTheModelPath) {
  char dir[] = "/tmp/vlxmatXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string path = std::string(dir) + "/wood.mat";
  FILE *f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("mat\nvalid diffuse\nmatdef oak\ndiffuse 0.5 0.25 0\n", f);
  fclose(f);
  const char *old = getenv("VLMODELS");
  std::string saved = old ? old : "";
  setenv("VLMODELS", (std::string("/nonexistent;") + dir).c_str(), 1);

  VLmtable *t = VLmtable_load("wood");
  ASSERT_NE(t, nullptr);
  EXPECT_STREQ(t->name, "wood");
  EXPECT_EQ(VLmtable_findentryname(t, "oak"), 0);
  EXPECT_EQ(VLmtable_load("absent"), nullptr);
  EXPECT_EQ(fired_count(VLM_MAT_NOT_FOUND), 1);
  EXPECT_EQ(VLmtable_load(nullptr), nullptr);

  if (old)
    setenv("VLMODELS", saved.c_str(), 1);
  else
    unsetenv("VLMODELS");
  remove(path.c_str());
  rmdir(dir);
}
