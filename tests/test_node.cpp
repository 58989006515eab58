/* Scene graph family: construction, edges and instance chains, the orphan
 * holder, names, reported types, movable nodes, transforms, lazy bounds,
 * deletion of shared subtrees, whole-scene teardown, corrupt-link guards,
 * and scenes far deeper and wider than a recursive walk would survive. */
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "core/messages.h"
#include "universe/tasks.h"
#include "scene/scene_internal.h"
#include "scene/state.h"
#include "support/messages.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/light.h"
#include "vlx/node.h"
#include "vlx/universe.h"

namespace {

int g_geometries_deleted = 0;
void count_geometry_delete(VLgeometry *) { ++g_geometries_deleted; }

/* A block of the given full size centred on centre. */
VLgeometry *block(float sx, float sy, float sz, float cx = 0, float cy = 0, float cz = 0) {
  VLgeometry *g = VLgeometry_newblock(sx, sy, sz, false);
  EXPECT_NE(g, nullptr);
  float offset[3] = {cx, cy, cz};
  VLgeometry_translate(g, offset);
  g->deletefn = count_geometry_delete;
  return g;
}

VLnode *translated_xform(VLnode *parent, float x, float y, float z) {
  VLnode *n = VLxformnode_new(parent);
  float t[3] = {x, y, z};
  EXPECT_TRUE(VLxformnode_settranslation(n, t));
  return n;
}

VLnode *orphans(void) { return _VLscene_orphans(); }

/* The instance chain of n agrees with its parent count and its parents'
 * child lists. */
void expect_chain_consistent(VLnode *n) {
  int real = 0, total = 0;
  VLnodelink *last = nullptr;
  for (VLnodelink *l = n->firstlink; l; l = l->nextinstance) {
    EXPECT_EQ(l->type, VLNODE_LINK);
    EXPECT_EQ(l->child, n);
    if (l != n->firstlink) {
      EXPECT_EQ(l->tailorprev, last);
    }
    bool listed = false;
    for (VLnodelink *s = _VLnode_group(l->parent)->firstchild; s; s = s->nextsibling)
      listed |= s == l;
    EXPECT_TRUE(listed);
    real += l->parent != orphans();
    ++total;
    last = l;
  }
  EXPECT_EQ(real, n->nparents);
  if (n->firstlink) {
    EXPECT_EQ(n->firstlink->tailorprev, total > 1 ? last : nullptr);
  }
}

class NodeTest : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    g_geometries_deleted = 0;
    root = VLuniverse_getrootnode();   /* the Root the universe made */
    ASSERT_NE(root, nullptr);
  }
  void TearDown() override {
    UniverseTest::TearDown();
    /* Universe teardown left nothing behind in the scene family. */
    EXPECT_EQ(_VLscene().orphans.firstchild, nullptr);
    for (VLnamecell *bucket : _VLscene().names) EXPECT_EQ(bucket, nullptr);
    _VLscene_reset();
  }
  VLnode *root = nullptr;
};

using NodeConstruction = NodeTest;
using NodeEdges = NodeTest;
using NodeNames = NodeTest;
using NodeMovable = NodeTest;
using NodeXform = NodeTest;
using NodeBounds = NodeTest;
using NodeDelete = NodeTest;
using NodeScale = NodeTest;
using NodeLinksDeathTest = NodeTest;

}  // namespace

/* ---------- construction and reported types ---------- */

TEST_F(NodeConstruction, EveryConstructorMakesItsTypeWithInitialValues) {
  struct Case {
    VLnode *(*make)(VLnode *);
    int type;
    int flags;
  };
  const Case cases[] = {
      {VLgroupnode_new, VLNODE_GROUP, 5},     {VLsepnode_new, VLNODE_SEPARATOR, 5},
      {VLswitchnode_new, VLNODE_SWITCH, 5},   {VLlodnode_new, VLNODE_LOD, 5},
      {VLxformsepnode_new, VLNODE_XFORMSEP, 5}, {VLanchornode_new, VLNODE_ANCHOR, 5},
      {VLinlinenode_new, VLNODE_INLINE, 5},   {VLxformnode_new, VLNODE_XFORM, 1},
      {VLambientnode_new, VLNODE_AMBIENT, 1}, {VLmtablenode_new, VLNODE_MTABLE, 1},
  };
  for (const Case &c : cases) {
    VLnode *n = c.make(root);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->type, c.type);
    EXPECT_EQ(n->flags, c.flags);
    EXPECT_EQ(n->nparents, 1);
    EXPECT_EQ(n->user, nullptr);
    EXPECT_EQ(VLnode_getchild(root, VLnode_numchildren(root) - 1), n) << c.type;
    /* No constructor accepts a leaf as the parent. */
    EXPECT_EQ(c.make(VLxformnode_new(nullptr)), nullptr);
  }
  VLnode *sw = VLnode_getchild(root, 2);
  EXPECT_EQ(static_cast<VLswitchnode *>(sw)->which, VLSWITCH_NONE);
  EXPECT_EQ(static_cast<VLsepnode *>(VLnode_getchild(root, 1))->culling, VLCULL_DEFAULT);
  const float *m = static_cast<VLxformnode *>(VLnode_getchild(root, 7))->matrix.m;
  EXPECT_EQ(m[0] + m[5] + m[10] + m[15], 4.0f);
  EXPECT_EQ(static_cast<VLxformnode *>(VLnode_getchild(root, 7))->kind, 0u);
  VLambientnode *amb = static_cast<VLambientnode *>(VLnode_getchild(root, 8));
  EXPECT_FLOAT_EQ(amb->intensity, 0.4f);
  EXPECT_EQ(amb->colour[0] + amb->colour[1] + amb->colour[2], 3.0f);

  EXPECT_EQ(VLnode_gettype(amb), VLNODE_LIGHT);
  EXPECT_EQ(VLnode_gettype(root), VLNODE_ROOT);
  EXPECT_EQ(VLnode_gettype(nullptr), 0);
  EXPECT_STREQ(_VLnode_typename(VLNODE_MSEPARATOR), "MSeparator");
  EXPECT_STREQ(_VLnode_typename(VLNODE_ROOT), "Root      ");
  EXPECT_STREQ(_VLnode_typename(0), "");
}

TEST_F(NodeConstruction, RootsJoinTheUniverseListAndOrphansTheHolder) {
  VLnode *second = VLrootnode_new();
  VLrootcell *cells = VLuniverse_current()->roots;
  ASSERT_NE(cells, nullptr);
  EXPECT_EQ(cells->node, root);
  ASSERT_NE(cells->next, nullptr);
  EXPECT_EQ(cells->next->node, second);
  EXPECT_EQ(second->flags, 5);
  EXPECT_EQ(second->firstlink, nullptr);
  EXPECT_EQ(static_cast<VLsepnode *>(second)->culling, VLCULL_DEFAULT);

  VLnode *loose = VLgroupnode_new(nullptr);
  ASSERT_NE(loose, nullptr);
  EXPECT_EQ(loose->nparents, 0);
  EXPECT_EQ(loose->firstlink->parent, orphans());
  EXPECT_EQ(orphans()->type, VLNODE_ROOT);
  EXPECT_TRUE(orphans()->flags & VLNODEFLAG_ORPHANHOLDER);
}

TEST_F(NodeConstruction, LightRecordsGetANodeAndABackPointer) {
  const float pos[3] = {0, 0, 0}, dir[3] = {0, 0, 1};
  VLlight *light = VLlight_new(pos, dir, 1.0f, 0.0f, 0.5f, 0);
  ASSERT_NE(light, nullptr);
  VLnode *n = VLlightnode_new(light, root);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(VLlightnode_getlight(n), light);
  EXPECT_EQ(static_cast<VLlightnode *>(n)->on, 1);
  EXPECT_EQ(VLnode_gettype(n), VLNODE_LIGHT);
  EXPECT_EQ(VLlightnode_new(light, root), nullptr);   /* one node per light */
  EXPECT_TRUE(VLnode_delete(n));                       /* the light goes with it */
}

TEST_F(NodeConstruction, GeometryNodesOwnTheirGeometry) {
  EXPECT_EQ(VLgeometrynode_new(root, nullptr), nullptr);
  VLgeometry *g = block(1, 1, 1);
  VLnode *n = VLgeometrynode_new(root, g);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(g->node, n);
  EXPECT_EQ(n->flags, 1);
  EXPECT_EQ(VLgeometrynode_new(root, g), nullptr);   /* already has a node */
  EXPECT_TRUE(VLnode_deletechild(root, 0));
  EXPECT_EQ(g_geometries_deleted, 1);

  /* Deleting the geometry deletes its node, and only once. */
  VLgeometry *h = block(1, 1, 1);
  VLgeometrynode_new(root, h);
  EXPECT_EQ(VLgeometry_delete(h), 0);
  EXPECT_EQ(g_geometries_deleted, 2);
  EXPECT_EQ(VLnode_numchildren(root), 0);
}

/* ---------- edges, instancing and the orphan holder ---------- */

TEST_F(NodeEdges, InstancingCountsAndOrphanLinkReuse) {
  VLnode *a = VLgroupnode_new(root), *b = VLgroupnode_new(root);
  VLnode *shared = VLsepnode_new(a);
  ASSERT_TRUE(VLnode_addchild(b, shared));
  ASSERT_TRUE(VLnode_addchild(b, shared));   /* twice under the same parent */
  EXPECT_EQ(VLnode_numparents(shared), 3);
  expect_chain_consistent(shared);

  EXPECT_TRUE(VLnode_removechild(a, 0));   /* the first link goes: chain re-heads */
  EXPECT_EQ(VLnode_numparents(shared), 2);
  EXPECT_EQ(shared->firstlink->parent, b);
  expect_chain_consistent(shared);
  EXPECT_TRUE(VLnode_removechild(b, 1));
  EXPECT_TRUE(VLnode_removechild(b, 0));
  EXPECT_EQ(VLnode_numparents(shared), 0);
  VLnodelink *kept = shared->firstlink;
  EXPECT_EQ(kept->parent, orphans());
  expect_chain_consistent(shared);

  ASSERT_TRUE(VLnode_addchild(a, shared));
  EXPECT_EQ(shared->firstlink, kept);   /* the orphan link is reused */
  EXPECT_EQ(kept->parent, a);
  EXPECT_EQ(VLnode_numparents(shared), 1);
  EXPECT_EQ(_VLscene().orphans.firstchild, nullptr);
  expect_chain_consistent(shared);
  EXPECT_FALSE(VLnode_removechild(a, 1));
  EXPECT_FALSE(VLnode_removechild(a, -1));
}

TEST_F(NodeEdges, CyclesRootsAndLeafParentsAreRefused) {
  VLnode *top = VLgroupnode_new(root);
  VLnode *mid = VLsepnode_new(top);
  VLnode *low = VLgroupnode_new(mid);
  VLnode *other = VLgroupnode_new(root);
  ASSERT_TRUE(VLnode_addchild(other, low));   /* low also reachable another way */
  VLnode *leaf = VLxformnode_new(low);
  struct Case {
    VLnode *parent, *child;
  };
  const Case refused[] = {{low, top}, {low, mid}, {low, low}, {top, root}, {leaf, top},
                          {nullptr, top}, {top, nullptr}};
  for (const Case &c : refused) EXPECT_FALSE(VLnode_addchild(c.parent, c.child));
  EXPECT_EQ(VLnode_numchildren(low), 1);
  EXPECT_EQ(VLnode_numchildren(other), 1);
  EXPECT_EQ(VLnode_numparents(top), 1);
  EXPECT_TRUE(VLnode_addchild(other, mid));   /* a second path, no cycle */

  struct Desc {
    VLnode *node, *candidate;
    bool expected;
  };
  const Desc desc[] = {{leaf, top, true},   {leaf, other, true}, {low, low, true},
                       {top, low, false},   {other, top, false}, {mid, other, true},
                       {root, top, false}};
  for (const Desc &d : desc)
    EXPECT_EQ(VLnode_isdescendant(d.node, d.candidate), d.expected);
}

TEST_F(NodeEdges, InsertAtIndexAndDetach) {
  VLnode *g = VLgroupnode_new(root);
  VLnode *a = VLxformnode_new(g), *b = VLxformnode_new(g);
  VLnode *c = VLxformnode_new(nullptr), *d = VLxformnode_new(nullptr);
  EXPECT_FALSE(VLnode_insertchild(g, c, 3));   /* count + 1 */
  EXPECT_FALSE(VLnode_insertchild(g, c, -1));
  EXPECT_TRUE(VLnode_insertchild(g, c, 2));    /* count: appends */
  EXPECT_TRUE(VLnode_insertchild(g, d, 0));
  VLnode *want[] = {d, a, b, c};
  ASSERT_EQ(VLnode_numchildren(g), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(VLnode_getchild(g, i), want[i]);
  EXPECT_EQ(_VLnode_group(g)->lastchild->child, c);
  EXPECT_EQ(_VLnode_group(g)->firstchild->prevsibling, nullptr);

  /* Detach removes every edge; the node lands under the orphan holder. */
  VLnode *h = VLgroupnode_new(root);
  ASSERT_TRUE(VLnode_addchild(h, a));
  ASSERT_TRUE(VLnode_insertchild(root, a, 0));
  EXPECT_EQ(VLnode_numparents(a), 3);
  EXPECT_TRUE(VLnode_detach(a));
  EXPECT_EQ(VLnode_numparents(a), 0);
  EXPECT_EQ(a->firstlink->parent, orphans());
  EXPECT_EQ(VLnode_numchildren(g), 3);
  EXPECT_EQ(VLnode_numchildren(h), 0);
  EXPECT_EQ(VLnode_getchild(root, 0), g);
  expect_chain_consistent(a);
  EXPECT_TRUE(VLnode_detach(a));              /* already an orphan: nothing to do */
  EXPECT_FALSE(VLnode_detach(root));
}

TEST_F(NodeEdges, SwitchAcceptsOnlyItsSelections) {
  VLnode *sw = VLswitchnode_new(root);
  struct Case {
    int which;
    bool ok;
  };
  const Case cases[] = {{-2, false}, {-4, false}, {-1, true}, {-3, true}, {0, true}, {7, true}};
  for (const Case &c : cases) {
    static_cast<VLswitchnode *>(sw)->which = 42;
    EXPECT_EQ(VLswitchnode_setwhich(sw, c.which), c.ok) << c.which;
    EXPECT_EQ(static_cast<VLswitchnode *>(sw)->which, c.ok ? c.which : 42);
  }
  EXPECT_FALSE(VLswitchnode_setwhich(VLgroupnode_new(root), 0));
}

TEST_F(NodeEdges, LodRangesRoundTripSquared) {
  VLnode *lod = VLlodnode_new(root);
  const float distances[] = {10.0f, 20.5f, 300.25f};
  ASSERT_TRUE(VLlodnode_setranges(lod, distances, 3));
  VLlodnode *l = static_cast<VLlodnode *>(lod);
  EXPECT_EQ(l->nranges, 3);
  EXPECT_FLOAT_EQ(l->ranges[0], 100.0f);
  float back[3] = {};
  EXPECT_FALSE(VLlodnode_getranges(lod, back, 2));
  ASSERT_TRUE(VLlodnode_getranges(lod, back, 3));
  for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(back[i], distances[i]);
  EXPECT_FALSE(VLlodnode_setranges(lod, distances, -1));
  EXPECT_EQ(l->nranges, 3);
  EXPECT_TRUE(VLlodnode_setranges(lod, nullptr, 3));   /* a null array clears */
  EXPECT_EQ(l->nranges, 0);
  EXPECT_EQ(l->ranges, nullptr);
  const float centre[3] = {1, 2, 3};
  EXPECT_TRUE(VLlodnode_setcenter(lod, centre));
  EXPECT_EQ(l->lodcentre[2], 3.0f);
  EXPECT_FALSE(VLlodnode_setranges(VLgroupnode_new(root), distances, 1));

  VLnode *anchor = VLanchornode_new(root);
  EXPECT_TRUE(VLanchornode_seturl(anchor, "http://x/y.wrl"));
  VLanchornode *a = static_cast<VLanchornode *>(anchor);
  EXPECT_TRUE(VLanchornode_seturl(anchor, a->url));   /* its own text back */
  EXPECT_STREQ(a->url, "http://x/y.wrl");
  EXPECT_TRUE(VLanchornode_seturl(anchor, nullptr));
  EXPECT_EQ(a->url, nullptr);
  EXPECT_FALSE(VLinlinenode_setfile(anchor, "f.wrl"));
}

/* ---------- names ---------- */

TEST_F(NodeNames, BucketHashUsesSignedBytes) {
  struct Case {
    const char *name;
    int bucket;
  };
  const Case cases[] = {{"a", 36},       {"ab", 39}, {"abc", 41}, {"Root", 57},
                        {"VLMarker", 2}, {"\xff\xff", 63}, {"", 0}};
  for (const Case &c : cases) EXPECT_EQ(_VLnames_bucket(c.name), c.bucket) << c.name;
}

TEST_F(NodeNames, DuplicatesRenamesAndAMissingName) {
  VLnode *a = VLgroupnode_new(root), *b = VLxformnode_new(root);
  ASSERT_TRUE(VLnode_setname(a, "Wheel"));
  ASSERT_TRUE(VLnode_setname(b, "Wheel"));
  EXPECT_STREQ(VLnode_getname(a), "Wheel");
  EXPECT_EQ(_VLnames_find("Wheel"), b);   /* newest cell in front */
  ASSERT_TRUE(VLnode_setname(b, VLnode_getname(b)));
  ASSERT_TRUE(VLnode_setname(b, "Axle"));
  EXPECT_EQ(_VLnames_find("Wheel"), a);
  EXPECT_EQ(_VLnames_find("Axle"), b);
  ASSERT_TRUE(VLnode_setname(a, nullptr));
  EXPECT_EQ(VLnode_getname(a), nullptr);
  EXPECT_EQ(_VLnames_find("Wheel"), nullptr);
  EXPECT_TRUE(fired().empty());

  /* A name set behind the table's back: warned about, replaced anyway. */
  a->name = VLstrdup("Ghost");
  testing::internal::CaptureStdout();
  ASSERT_TRUE(VLnode_setname(a, "Real"));
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(fired_count(VLM_NODE_NAME_NOT_FOUND), 1);
  EXPECT_EQ(fired()[0].text, "VLX Warning: Could not find node name Ghost\n");
  EXPECT_STREQ(VLnode_getname(a), "Real");
  EXPECT_EQ(_VLnames_find("Real"), a);
  EXPECT_FALSE(VLnode_setname(nullptr, "x"));
}

/* ---------- movable nodes ---------- */

TEST_F(NodeMovable, WrapperInstancesAndReportedTypes) {
  VLgeometry *g = block(2, 2, 2);
  VLnode *m = VLmovablegeometrynode_new(root, g);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->type, VLNODE_SEPARATOR);
  EXPECT_EQ(m->flags, 5 | VLNODEFLAG_MOVABLE);
  EXPECT_EQ(VLnode_gettype(m), VLNODE_MGEOMETRY);
  EXPECT_EQ(VLnode_ismovable(m), 1);
  EXPECT_EQ(_VLnode_group(m)->firstchild->child->type, VLNODE_XFORM);
  VLnode *content = g->node;
  EXPECT_EQ(_VLnode_group(m)->lastchild->child, content);
  EXPECT_EQ(VLmovablegeometrynode_new(root, g), nullptr);   /* geometry taken */
  EXPECT_EQ(VLnode_numchildren(root), 1);

  VLnode *inst = VLmovablenode_instance(root, m);
  ASSERT_NE(inst, nullptr);
  EXPECT_EQ(VLnode_gettype(inst), VLNODE_MGEOMETRY);
  EXPECT_EQ(VLnode_numparents(content), 2);
  EXPECT_NE(_VLnode_group(inst)->firstchild->child, _VLnode_group(m)->firstchild->child);

  /* Translation goes to each instance's own Xform. */
  const float t[3] = {5, 0, 0};
  EXPECT_TRUE(VLmovablenode_settranslation(inst, t));
  VLm4 mm, mi;
  VLxformnode_getmatrix(m, &mm);
  VLxformnode_getmatrix(inst, &mi);
  EXPECT_EQ(mm.m[12], 0.0f);
  EXPECT_EQ(mi.m[12], 5.0f);

  /* A movable Separator reports 10; a movable light 13 cannot be instanced.
   * (Built the way readers build them, with the unchecked core.) */
  VLnode *msep = VLsepnode_new(root);
  msep->flags |= VLNODEFLAG_MOVABLE;
  _VLnode_new(VLNODE_XFORM, msep);
  VLnode *inner = _VLnode_new(VLNODE_SEPARATOR, msep);
  EXPECT_EQ(VLnode_gettype(msep), VLNODE_MSEPARATOR);
  EXPECT_EQ(VLnode_getchild(msep, 0), nullptr);   /* children of the content */
  EXPECT_NE(VLmovablenode_instance(nullptr, msep), nullptr);
  VLnode *mlight = VLsepnode_new(root);
  mlight->flags |= VLNODEFLAG_MOVABLE;
  _VLnode_new(VLNODE_XFORM, mlight);
  _VLnode_new(VLNODE_LIGHT, mlight);
  EXPECT_EQ(VLnode_gettype(mlight), VLNODE_MLIGHT);
  EXPECT_EQ(VLmovablenode_instance(root, mlight), nullptr);
  EXPECT_EQ(VLmovablenode_instance(root, VLgroupnode_new(root)), nullptr);
  /* Instancing under the shared content itself would close a cycle. */
  EXPECT_EQ(VLmovablenode_instance(inner, msep), nullptr);

  /* Deep content: the real content is its first child, the movable node's
   * children follow it. */
  inner->flags |= VLNODEFLAG_DEEPCONTENT;
  VLnode *real = VLgroupnode_new(inner);
  VLnode *kid = VLxformnode_new(inner);
  EXPECT_EQ(_VLnode_content(msep), real);
  EXPECT_EQ(VLmovablenode_numchildren(msep), 1);
  EXPECT_EQ(VLmovablenode_getchild(msep, 0), kid);
  EXPECT_EQ(VLmovablenode_getchild(msep, 1), nullptr);
  EXPECT_EQ(VLmovablenode_numchildren(m), 0);
  EXPECT_EQ(VLnode_gettype(msep), VLNODE_GROUP + 1);

  /* Deleting one instance leaves the shared geometry to the other. */
  EXPECT_TRUE(VLnode_delete(m));
  EXPECT_EQ(g_geometries_deleted, 0);
  EXPECT_EQ(VLnode_numparents(content), 1);
  EXPECT_TRUE(VLnode_delete(inst));
  EXPECT_EQ(g_geometries_deleted, 1);
}

/* ---------- transforms ---------- */

TEST_F(NodeXform, KindWordFollowsTheMatrix) {
  VLnode *x = VLxformnode_new(root);
  VLxformnode *xf = static_cast<VLxformnode *>(x);
  struct Case {
    float t[3];
    uint32_t kind;
  };
  const Case cases[] = {{{0, -0.0f, 0}, 0}, {{1, 0, 0}, 2}, {{-0.0f, -0.0f, -0.0f}, 0}};
  for (const Case &c : cases) {
    ASSERT_TRUE(VLxformnode_settranslation(x, c.t));
    EXPECT_EQ(xf->kind, c.kind);
  }
  VLq quarter = {0, 0, sinf(VLPI / 4), cosf(VLPI / 4)};
  ASSERT_TRUE(VLxformnode_setorientation(x, &quarter));
  EXPECT_EQ(xf->kind, 1u);
  VLq back;
  ASSERT_TRUE(VLxformnode_getorientation(x, &back));
  EXPECT_NEAR(fabsf(back.z * quarter.z + back.w * quarter.w), 1.0f, 1e-5);
  /* Frame 0 moves along the node's own axes, frame 3 as given. */
  const float step[3] = {1, 0, 0};
  ASSERT_TRUE(VLxformnode_translate(x, step, VLXFORM_FRAMELOCAL));
  VLp3 turned, unit = {1, 0, 0};
  VLq_rotate(&unit, &quarter, &turned);
  EXPECT_NEAR(xf->matrix.m[13], turned.y, 1e-6);
  EXPECT_NEAR(fabsf(turned.y), 1.0f, 1e-6);
  EXPECT_EQ(xf->kind, 3u);
  ASSERT_TRUE(VLxformnode_translate(x, step, VLXFORM_FRAMEPARENT));
  EXPECT_NEAR(xf->matrix.m[12], 1.0f, 1e-6);
  EXPECT_FALSE(VLxformnode_translate(x, step, 1));

  /* setmatrix copies three columns and recomputes the kind. */
  VLm4 in;
  VLm4_identity(&in);
  in.m[3] = 9.0f;   /* fourth column: ignored */
  ASSERT_TRUE(VLxformnode_setmatrix(x, &in));
  EXPECT_EQ(xf->kind, 0u);
  EXPECT_EQ(xf->matrix.m[3], 0.0f);
  in.m[13] = 4.0f;
  ASSERT_TRUE(VLxformnode_setmatrix(x, &in));
  EXPECT_EQ(xf->kind, 2u);
  EXPECT_FALSE(VLxformnode_setmatrix(VLgroupnode_new(root), &in));
}

TEST_F(NodeXform, AccumulationLeaksFromGroupsAndFollowsSwitches) {
  /* root: T1, Group{T2}, Sep{T3}, Switch{Ta, Tb}, target Xform */
  translated_xform(root, 1, 0, 0);
  translated_xform(VLgroupnode_new(root), 0, 10, 0);
  translated_xform(VLsepnode_new(root), 0, 0, 100);
  VLnode *sw = VLswitchnode_new(root);
  translated_xform(sw, 1000, 0, 0);
  translated_xform(sw, 0, 1000, 0);
  VLnode *target = translated_xform(root, 0, 0, 5);
  VLnodelink *path[] = {target->firstlink};

  struct Case {
    int which;
    float x, y;
  };
  const Case cases[] = {{-1, 1, 10}, {1, 1, 1010}, {-3, 1001, 1010}, {9, 1, 10}};
  for (const Case &c : cases) {
    ASSERT_TRUE(VLswitchnode_setwhich(sw, c.which));
    VLm4 m;
    ASSERT_TRUE(VLnodepath_gettransform(path, 1, &m));
    EXPECT_FLOAT_EQ(m.m[12], c.x) << c.which;
    EXPECT_FLOAT_EQ(m.m[13], c.y) << c.which;
    EXPECT_FLOAT_EQ(m.m[14], 5.0f) << c.which;
    VLm4 all;
    EXPECT_EQ(VLnode_gettransform(_VLnode_group(root)->firstchild, &all), VLTRANSFORM_TRANSLATION);
    EXPECT_FLOAT_EQ(all.m[14], 5.0f);
  }

  /* A rotation ahead of a translation turns it: p . T(0,1,0) . R, and R
   * takes y to x (row vectors: p . R(q)). */
  VLnode *g = VLgroupnode_new(root);
  VLnode *rot = VLxformnode_new(g);
  VLq quarter = {0, 0, sinf(VLPI / 4), cosf(VLPI / 4)};
  VLxformnode_setorientation(rot, &quarter);
  VLnode *inner = VLgroupnode_new(g);
  VLnode *leaf = translated_xform(inner, 0, 1, 0);
  VLnodelink *deep[] = {g->firstlink, inner->firstlink, leaf->firstlink};
  VLm4 m;
  ASSERT_TRUE(VLnodepath_gettransform(deep + 1, 2, &m));
  EXPECT_NEAR(m.m[12], 1.0f, 1e-5);
  EXPECT_NEAR(m.m[13], 0.0f, 1e-5);
  EXPECT_EQ(VLnode_gettransform(_VLnode_group(g)->firstchild, &m), VLTRANSFORM_GENERAL);
  EXPECT_NEAR(m.m[12], 1.0f, 1e-5);

  /* A link that is not where the path says fails. */
  VLnode *elsewhere = VLgroupnode_new(nullptr);
  VLnodelink stale = *leaf->firstlink;
  stale.parent = elsewhere;
  VLnodelink *bad[] = {&stale};
  EXPECT_FALSE(VLnodepath_gettransform(bad, 1, &m));
  EXPECT_FALSE(VLnodepath_gettransform(deep, 0, &m));
}

/* ---------- bounds ---------- */

TEST_F(NodeBounds, GroupsLeakTransformsSeparatorsConfineThem) {
  struct Case {
    VLnode *(*holder)(VLnode *);
    float x;
  };
  const Case cases[] = {{VLgroupnode_new, 10.0f}, {VLsepnode_new, 0.0f},
                        {VLxformsepnode_new, 0.0f}, {VLanchornode_new, 10.0f}};
  for (const Case &c : cases) {
    VLnode *scene = VLsepnode_new(root);
    translated_xform(c.holder(scene), 10, 0, 0);
    VLgeometrynode_new(scene, block(2, 2, 2));
    float mid[3];
    ASSERT_TRUE(VLnode_getmidpoint(scene, mid));
    EXPECT_FLOAT_EQ(mid[0], c.x);
    EXPECT_FLOAT_EQ(VLnode_getradius(scene), sqrtf(3.0f));
    VLnode_delete(scene);
  }
  /* Nothing drawable: no bounds. */
  VLnode *empty = VLgroupnode_new(root);
  VLxformnode_new(empty);
  float mid[3];
  EXPECT_FALSE(VLnode_getmidpoint(empty, mid));
  EXPECT_EQ(VLnode_getradius(empty), -1.0f);
  EXPECT_EQ(VLnode_getradius(VLxformnode_new(root)), -1.0f);
}

TEST_F(NodeBounds, BoxesFollowRotationAndMerge) {
  VLnode *sep = VLsepnode_new(root);
  VLnode *rot = VLxformnode_new(sep);
  VLq quarter = {0, 0, sinf(VLPI / 4), cosf(VLPI / 4)};
  VLxformnode_setorientation(rot, &quarter);
  VLgeometrynode_new(sep, block(4, 2, 2, 3, 0, 0));   /* x 1..5 turns to y -5..-1 */
  VLgeometrynode_new(root, block(2, 2, 2, 0, -5, 0));  /* y -6..-4 */
  VLgroupnode *g = _VLnode_group(sep);
  float mid[3];
  ASSERT_TRUE(VLnode_getmidpoint(sep, mid));
  EXPECT_NEAR(mid[1], -3.0f, 1e-5);
  EXPECT_NEAR(g->halfextents[0], 1.0f, 1e-5);
  EXPECT_NEAR(g->halfextents[1], 2.0f, 1e-5);
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));   /* y -6..-1 */
  EXPECT_NEAR(mid[1], -3.5f, 1e-5);
  EXPECT_NEAR(_VLnode_group(root)->halfextents[1], 2.5f, 1e-5);
  /* The geometry node's own bounds are its geometry's, unplaced. */
  ASSERT_TRUE(VLnode_getmidpoint(VLnode_getchild(sep, 1), mid));
  EXPECT_FLOAT_EQ(mid[0], 3.0f);
}

TEST_F(NodeBounds, EditsMarkAncestorsAndUpdatesClearThem) {
  VLnode *a = VLgroupnode_new(root), *b = VLgroupnode_new(root);
  VLnode *shared = VLsepnode_new(a);
  VLnode_addchild(b, shared);
  VLgeometry *geo = block(2, 2, 2);
  VLnode *gn = VLgeometrynode_new(shared, geo);
  float mid[3];
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));
  for (VLnode *n : {root, a, b, shared, gn}) EXPECT_FALSE(n->flags & VLNODEFLAG_CHANGED);
  for (VLnodelink *l : {shared->firstlink, shared->firstlink->nextinstance, gn->firstlink})
    EXPECT_FALSE(l->flags & VLLINKFLAG_CHANGED);

  /* Moving the geometry marks every path up to the Root. */
  const float up[3] = {0, 7, 0};
  VLgeometry_translate(geo, up);
  for (VLnode *n : {root, a, b, shared, gn}) EXPECT_TRUE(n->flags & VLNODEFLAG_CHANGED);
  for (VLnodelink *l : {shared->firstlink, shared->firstlink->nextinstance, gn->firstlink})
    EXPECT_TRUE(l->flags & VLLINKFLAG_CHANGED);
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));
  EXPECT_FLOAT_EQ(mid[1], 7.0f);

  /* Updating a subtree alone leaves the marks above it for the Root. */
  VLgeometry_translate(geo, up);
  ASSERT_TRUE(VLnode_getmidpoint(shared, mid));
  EXPECT_TRUE(a->flags & VLNODEFLAG_CHANGED);
  EXPECT_TRUE(shared->firstlink->flags & VLLINKFLAG_CHANGED);
  VLgeometry_translate(geo, up);
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));
  EXPECT_FLOAT_EQ(mid[1], 21.0f);

  /* Xform edits, Switch selections and edge changes mark too. */
  VLnode *x = VLxformnode_new(a);
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));
  translated_xform(root, 0, 0, 0);
  EXPECT_TRUE(root->flags & VLNODEFLAG_CHANGED);
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));
  const float side[3] = {100, 0, 0};
  VLxformnode_settranslation(x, side);   /* inside a, before nothing: no effect */
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));
  EXPECT_FLOAT_EQ(mid[1], 21.0f);
  ASSERT_TRUE(VLnode_insertchild(a, x, 0));   /* now ahead of the Separator */
  ASSERT_TRUE(VLnode_getmidpoint(a, mid));
  EXPECT_FLOAT_EQ(mid[0], 100.0f);
  VLnode_markchanged(a);   /* ignored: not a geometry or object node */
  EXPECT_FALSE(a->flags & VLNODEFLAG_CHANGED);
}

/* ---------- deletion ---------- */

TEST_F(NodeDelete, SharedSubtreesSurviveAndRootsStay) {
  VLnode *a = VLgroupnode_new(root), *b = VLgroupnode_new(root);
  VLnode *shared = VLsepnode_new(a);
  VLnode *inside = VLgroupnode_new(shared);
  VLgeometrynode_new(inside, block(1, 1, 1));
  VLnode_addchild(b, shared);
  VLnode *own = VLgroupnode_new(a);
  VLgeometrynode_new(own, block(1, 1, 1));
  VLnode_setname(own, "own");
  VLnode_setname(shared, "shared");
  VLtask *task = _VLtask_new([](void *) {}, nullptr, 0, own);

  EXPECT_FALSE(VLnode_delete(root));
  EXPECT_FALSE(VLnode_delete(nullptr));
  ASSERT_TRUE(VLnode_delete(a));
  EXPECT_TRUE(task->deleted);
  EXPECT_EQ(g_geometries_deleted, 1);
  EXPECT_EQ(_VLnames_find("own"), nullptr);
  EXPECT_EQ(_VLnames_find("shared"), shared);
  EXPECT_EQ(VLnode_numparents(shared), 1);
  EXPECT_EQ(shared->firstlink->parent, b);
  expect_chain_consistent(shared);
  EXPECT_EQ(VLnode_getchild(shared, 0), inside);
  EXPECT_EQ(VLnode_numchildren(root), 1);

  /* deletechild destroys only at the last parent. */
  VLnode_addchild(root, shared);
  ASSERT_TRUE(VLnode_deletechild(b, 0));
  EXPECT_EQ(g_geometries_deleted, 1);
  ASSERT_TRUE(VLnode_deletechild(root, 1));
  EXPECT_EQ(g_geometries_deleted, 2);
  EXPECT_FALSE(VLnode_deletechild(root, 1));

  /* An orphan is deleted from the holder. */
  VLnode *loose = VLgroupnode_new(nullptr);
  VLgeometrynode_new(loose, block(1, 1, 1));
  ASSERT_TRUE(VLnode_delete(loose));
  EXPECT_EQ(g_geometries_deleted, 3);
  EXPECT_EQ(_VLscene().orphans.firstchild, nullptr);
}

TEST_F(NodeDelete, DeleteAllEmptiesRootsAndOrphansThenFreesRoots) {
  VLnode *second = VLrootnode_new();
  VLnode *shared = VLgroupnode_new(root);
  VLgeometrynode_new(shared, block(1, 1, 1));
  VLnode_addchild(second, shared);
  VLnode *loose = VLsepnode_new(nullptr);
  VLnode_addchild(loose, shared);
  VLgeometrynode_new(loose, block(1, 1, 1));
  VLnode_setname(root, "scene");

  VLscene_deleteall(0);
  EXPECT_EQ(g_geometries_deleted, 2);
  EXPECT_EQ(VLnode_numchildren(root), 0);
  EXPECT_EQ(VLnode_numchildren(second), 0);
  EXPECT_EQ(_VLscene().orphans.firstchild, nullptr);
  EXPECT_EQ(VLuniverse_getrootnode(), root);
  EXPECT_EQ(_VLnames_find("scene"), root);
  float mid[3];
  EXPECT_FALSE(VLnode_getmidpoint(root, mid));

  VLgroupnode_new(second);
  VLscene_deleteall(1);
  EXPECT_EQ(VLuniverse_current()->roots, nullptr);
  EXPECT_EQ(_VLnames_find("scene"), nullptr);
  EXPECT_EQ(_VLscene().freestacks, nullptr);
}

TEST_F(NodeDelete, EveryNodeTypeIsReleased) {
  /* One of everything, named, under a Root and under the orphan holder;
   * the sanitizer run checks that nothing leaks. */
  for (VLnode *parent : {root, static_cast<VLnode *>(nullptr)}) {
    VLnode *top = VLsepnode_new(parent);
    VLnode *holders[] = {VLgroupnode_new(top), VLswitchnode_new(top), VLlodnode_new(top),
                         VLxformsepnode_new(top), VLanchornode_new(top), VLinlinenode_new(top)};
    for (VLnode *h : holders) {
      VLxformnode_new(h);
      VLambientnode_new(h);
      VLmtablenode_new(h);
      VLgeometrynode_new(h, block(1, 1, 1));
      VLmovablegeometrynode_new(h, block(1, 1, 1));
      VLnode_setname(h, "holder");
    }
    const float d[2] = {1, 2};
    VLlodnode_setranges(holders[2], d, 2);
    VLanchornode_seturl(holders[4], "u");
    VLinlinenode_setfile(holders[5], "f");
    VLnode *fog = _VLnode_new(VLNODE_FOG, top);
    VLnode *material = _VLnode_new(VLNODE_MATERIAL, top);
    EXPECT_EQ(fog->flags, 1);
    EXPECT_EQ(material->flags, 1);
    VLmovablenode_instance(top, VLnode_getchild(holders[0], 4));
  }
  float mid[3];
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));
  ASSERT_TRUE(VLnode_delete(VLnode_getchild(root, 0)));
  EXPECT_EQ(g_geometries_deleted, 12);
  /* The orphaned copy goes with the universe (checked in TearDown). */
}

/* ---------- corrupt structures ---------- */

TEST_F(NodeLinksDeathTest, CorruptLinksEndTheProcess) {
  VLnode *a = VLgroupnode_new(root);
  VLnode *b = VLgroupnode_new(a);
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);   /* the text goes to standard output */
        a->firstlink->type = 0;
        VLnode_addchild(a, VLxformnode_new(nullptr));
      },
      testing::ExitedWithCode(1), "FATAL ERROR IN PARENT LINKS");
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        a->firstlink = nullptr;   /* a parent without links that is no Root */
        VLxformnode_new(b);
      },
      testing::ExitedWithCode(1), "FATAL ERROR: node root is wrong type");
  EXPECT_EXIT(
      {
        VLambientnode_new(b)->type = 0;
        float mid[3];
        VLnode_getmidpoint(root, mid);
      },
      testing::ExitedWithCode(255), "Node type \\(0\\) not updated");
}

/* ---------- scale: no recursion anywhere ---------- */

TEST_F(NodeScale, HundredThousandNestedGroups) {
  const int depth = 100000;
  VLnode *top = VLgroupnode_new(root);
  VLnode *g = top;
  for (int i = 0; i < depth; ++i) {
    translated_xform(g, 1, 0, 0);
    g = VLgroupnode_new(g);
  }
  VLgeometrynode_new(g, block(2, 2, 2));
  float mid[3];
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));
  EXPECT_EQ(mid[0], static_cast<float>(depth));
  VLm4 m;
  EXPECT_EQ(VLnode_gettransform(_VLnode_group(root)->firstchild, &m), VLTRANSFORM_TRANSLATION);
  EXPECT_EQ(m.m[12], static_cast<float>(depth));
  EXPECT_TRUE(VLnode_isdescendant(g, top));
  EXPECT_FALSE(VLnode_addchild(g, top));
  /* An edit at the bottom marks all the way up, then updates again. */
  const float up[3] = {0, 1, 0};
  VLgeometry_translate(static_cast<VLgeometrynode *>(VLnode_getchild(g, 0))->geometry, up);
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));
  EXPECT_EQ(mid[1], 1.0f);
  ASSERT_TRUE(VLnode_delete(top));
  EXPECT_EQ(g_geometries_deleted, 1);
  EXPECT_EQ(VLnode_numchildren(root), 0);
}

TEST_F(NodeScale, MillionChildGroup) {
  const int width = 1000000;
  VLnode *wide = VLgroupnode_new(root);
  for (int i = 0; i < width; ++i) translated_xform(wide, 1, 0, 0);
  VLgeometrynode_new(wide, block(2, 2, 2));
  float mid[3];
  ASSERT_TRUE(VLnode_getmidpoint(root, mid));
  EXPECT_EQ(mid[0], static_cast<float>(width));
  ASSERT_TRUE(VLnode_delete(wide));
  EXPECT_EQ(g_geometries_deleted, 1);
}
