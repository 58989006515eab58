/* Drawing: the render traversal (selection, culling, separators, disabled
 * nodes), the batching of draw-list playback through the device
 * statistics, and what reaches the pixels on the software device. */
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <vector>

#include "display/device/device.h"
#include "display/device/execute.h"
#include "scene/scene_internal.h"
#include "render/execute_batch.h"
#include "render/render_state.h"
#include "render/traverse.h"
#include "support/messages.h"
#include "vlx/geometry.h"
#include "vlx/light.h"
#include "vlx/texture.h"
#include "vlx/mtable.h"
#include "vlx/node.h"
#include "vlx/render.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"
#include "vlx/window.h"

namespace {

/* The camera at (0, 0, z) looking along the given z direction. */
void camera(float z, float dir) {
  VLviewpoint *vp = VLuniverse_getviewpoint();
  VLp3 pos = {0, 0, z}, d = {0, 0, dir};
  VLviewpoint_setposition(vp, &pos);
  VLviewpoint_setdirection(vp, &d);
}

/* A 2 x 2 square at z, facing -z, in one colour. */
VLgeometry *square(float z, uint8_t r, uint8_t g, uint8_t b, bool twosided = false) {
  VLgeometry *geo = VLgeometry_newrectangle(2.0f, 2.0f, twosided);
  float off[3] = {0, 0, z};
  if (z != 0.0f) VLgeometry_translate(geo, off);
  VLpoly_setrgb(geo->polys, r, g, b);
  return geo;
}

/* n separate small triangles facing -z, spread over the view. */
VLgeometry *triangles(int n) {
  VLgeometry *g = VLgeometry_begin();
  for (int i = 0; i < n; ++i) {
    float x = -1.0f + 2.0f * float(i % 40) / 40.0f, y = -1.0f + 2.0f * float(i / 40) / 40.0f;
    float pts[9] = {x, y, 0, x, y + 0.02f, 0, x + 0.02f, y, 0};
    VLpoly_frompoints(g, pts, 3, false);
  }
  VLgeometry_close(g);
  return g;
}

int polys_drawn(void) { return VLwindow_numpolys(VLuniverse_getwindows()); }

std::vector<uint8_t> frame(void) {
  VLwindow *w = VLuniverse_getwindows();
  std::vector<uint8_t> img(size_t(w->context->width) * w->context->height * 4);
  VLrenderer_readpixels(w, img.data(), w->context->width, w->context->height);
  return img;
}

const uint8_t *at(const std::vector<uint8_t> &img, int x, int y) {
  return &img[(size_t(y) * 640 + x) * 4];
}

}  // namespace

/* ---------- traversal: selection, culling, state ---------- */

class RenderScene : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    root = VLuniverse_getrootnode();
    ASSERT_NE(root, nullptr);
    camera(-5.0f, 1.0f);
  }
  VLnode *root = nullptr;
};

TEST_F(RenderScene, SwitchSelectsChildren) {
  VLnode *sw = VLswitchnode_new(root);
  for (int i = 0; i < 3; ++i) VLgeometrynode_new(sw, square(0, 255, 0, 0));
  struct Case { int which; int polys; };
  for (const Case &c : {Case{VLSWITCH_ALL, 3}, Case{VLSWITCH_NONE, 0}, Case{1, 1}, Case{5, 0}}) {
    VLswitchnode_setwhich(sw, c.which);
    VLuniverse_go1();
    EXPECT_EQ(polys_drawn(), c.polys) << "which " << c.which;
  }
}

TEST_F(RenderScene, LodPicksChildrenByDistance) {
  VLnode *lod = VLlodnode_new(root);
  VLgeometrynode_new(lod, square(0, 255, 0, 0));                   /* 1 polygon */
  VLgeometrynode_new(lod, VLgeometry_newblock(1, 1, 1, true));     /* 6, two-sided */
  VLgeometrynode_new(lod, VLgeometry_newsphere(1, 4, 8, true, false));
  float ranges[2] = {10.0f, 20.0f};
  ASSERT_TRUE(VLlodnode_setranges(lod, ranges, 2));
  struct Case { float z; int child; };
  int counts[3];
  for (const Case &c : {Case{-5, 0}, Case{-10, 0}, Case{-15, 1}, Case{-30, 2}}) {
    camera(c.z, 1.0f);
    VLuniverse_go1();
    counts[c.child] = polys_drawn();
    EXPECT_GT(polys_drawn(), 0) << c.z;
  }
  EXPECT_EQ(counts[0], 1);
  EXPECT_GT(counts[1], 1);
  EXPECT_GT(counts[2], counts[1]);
  /* With only two children nothing is drawn beyond 20. */
  VLnode_deletechild(lod, 2);
  VLuniverse_go1();
  EXPECT_EQ(polys_drawn(), 0);
  /* Without ranges, child 0 always. */
  VLlodnode_setranges(lod, nullptr, 0);
  VLuniverse_go1();
  EXPECT_EQ(polys_drawn(), 1);
}

TEST_F(RenderScene, SeparatorsAreCulledByTheirSpheres) {
  struct Case { float x, z; bool drawn; };
  const Case cases[] = {
      {0, 0, true},        /* in front */
      {0, -10, false},     /* behind the eye */
      {0, 70000, false},   /* beyond the far distance */
      {50, 0, false},      /* outside a side plane */
  };
  for (const Case &c : cases) {
    VLnode *sep = VLsepnode_new(root);
    VLnode *fog = _VLnode_new(VLNODE_FOG, sep);
    static_cast<VLfognode *>(fog)->mode = 1;
    VLgeometry *g = square(c.z, 255, 0, 0);
    float off[3] = {c.x, 0, 0};
    VLgeometry_translate(g, off);
    VLgeometrynode_new(sep, g);
    VLuniverse_go1();
    EXPECT_EQ(polys_drawn(), c.drawn ? 1 : 0) << c.x << " " << c.z;
    VLtraversal *t = VLuniverse_getwindows()->renderstate->traversal;
    bool fogentry = false;
    for (const VLdrawentry &e : t->lists[0]) fogentry |= (e.word & 255) == VLDRAW_FOG;
    EXPECT_EQ(fogentry, c.drawn);
    /* Culling mode 1: the Separator is always walked (its fog entry shows). */
    static_cast<VLsepnode *>(sep)->culling = VLCULL_NEVER;
    VLuniverse_go1();
    fogentry = false;
    for (const VLdrawentry &e : t->lists[0]) fogentry |= (e.word & 255) == VLDRAW_FOG;
    EXPECT_TRUE(fogentry);
    VLnode_delete(sep);
  }
}

TEST_F(RenderScene, DisabledNodesAndEmptyGeometriesAddNothing) {
  VLnode *group = VLgroupnode_new(root);
  VLnode *n = VLgeometrynode_new(group, square(0, 255, 0, 0));
  VLuniverse_go1();
  EXPECT_EQ(polys_drawn(), 1);
  group->flags &= uint8_t(~VLNODEFLAG_ENABLED);
  VLuniverse_go1();
  EXPECT_EQ(polys_drawn(), 0);
  group->flags |= VLNODEFLAG_ENABLED;
  n->flags &= uint8_t(~VLNODEFLAG_ENABLED);
  VLuniverse_go1();
  EXPECT_EQ(polys_drawn(), 0);
}

TEST_F(RenderScene, TransformsLeakOutOfGroupsNotSeparators) {
  /* An Xform inside an earlier Group moves the later square out of view;
   * inside a Separator it does not. */
  for (int kind : {VLNODE_GROUP, VLNODE_SEPARATOR}) {
    VLnode *holder = kind == VLNODE_GROUP ? VLgroupnode_new(root) : VLsepnode_new(root);
    VLnode *x = VLxformnode_new(holder);
    float t[3] = {100, 0, 0};
    VLxformnode_settranslation(x, t);
    VLnode *later = VLgeometrynode_new(root, square(0, 255, 0, 0));
    VLuniverse_go1();
    EXPECT_EQ(polys_drawn(), kind == VLNODE_GROUP ? 0 : 1);
    VLnode_delete(holder);
    VLnode_delete(later);
  }
}

/* ---------- batching, through the device statistics ---------- */

TEST_F(RenderScene, ThousandTrianglesGoOutInBlocksOf1024Vertices) {
  VLgeometrynode_new(root, triangles(1000));
  VLuniverse_go1();
  const VLdevstats &s = _VLdevice()->stats;
  EXPECT_EQ(s.triangles, 1000u);
  EXPECT_EQ(s.executions, 3u);       /* 341, 341 and 318 */
  EXPECT_EQ(s.maxtriangles, 341u);
  EXPECT_EQ(polys_drawn(), 1000);
}

TEST_F(RenderScene, TwelveCornersMakeOneFanOfTen) {
  VLgeometry *g = VLgeometry_begin();
  float pts[36];
  for (int i = 0; i < 12; ++i) {
    float a = -6.2831853f * float(i) / 12.0f;  /* clockwise seen from -z */
    pts[3 * i] = cosf(a);
    pts[3 * i + 1] = sinf(a);
    pts[3 * i + 2] = 0;
  }
  ASSERT_NE(VLpoly_frompoints(g, pts, 12, true), nullptr);
  VLgeometry_close(g);
  VLgeometrynode_new(root, g);
  VLuniverse_go1();
  EXPECT_EQ(_VLdevice()->stats.triangles, 10u);
  EXPECT_EQ(_VLdevice()->stats.executions, 1u);
}

/* A fan goes into the open block as consecutive triangle items: front
 * faces as (k + 1, k, base), back faces as (base, k, k + 1). */
TEST_F(RenderScene, FansKeepTheCornerOrderOfTheirSide) {
  VLuniverse_go1();
  _VLbatch_open(VLBLOCK_TRIANGLES);
  ASSERT_EQ(_VLbatch().kind, int(VLBLOCK_TRIANGLES));
  uint32_t at = _VLbatch().instr, prims = _VLbatch().prims;
  _VLbatch_fan(0, 4, true);
  _VLbatch_fan(4, 3, false);
  _VLbatch_fan(7, 2, true);   /* not a polygon: nothing */
  EXPECT_EQ(_VLbatch().prims - prims, 3u);
  EXPECT_EQ(_VLbatch().instr - at, 3 * sizeof(VLtriangleitem));
  VLtriangleitem t[3];
  memcpy(t, _VLbatch().buffer + at, sizeof t);
  const uint16_t want[3][3] = {{2, 1, 0}, {3, 2, 0}, {4, 5, 6}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(t[i].v1, want[i][0]) << i;
    EXPECT_EQ(t[i].v2, want[i][1]) << i;
    EXPECT_EQ(t[i].v3, want[i][2]) << i;
  }
  _VLbatch_beginframe(0);   /* drop the block unexecuted */
}

TEST_F(RenderScene, ColourChangeWithLightingOffClosesTheBlock) {
  VLuniverse_setrendering(0);   /* no lighting */
  VLgeometry *g = VLgeometry_begin();
  float a[9] = {-1, 0, 0, -1, 1, 0, 0, 0, 0}, b[9] = {0, 0, 0, 0, 1, 0, 1, 0, 0};
  VLpoly *p = VLpoly_frompoints(g, a, 3, true), *q = VLpoly_frompoints(g, b, 3, true);
  VLgeometry_close(g);
  /* A table of two properties: no colour material, so colours close blocks. */
  VLmtable *t = VLmtable_new(VLAMBIENT | VLDIFFUSE, 4, nullptr);
  VLgeometry_setmtable(g, t);
  VLpoly_setrgb(p, 255, 0, 0);
  VLpoly_setrgb(q, 0, 255, 0);
  VLgeometrynode_new(root, g);
  VLuniverse_go1();
  EXPECT_EQ(_VLdevice()->stats.triangles, 2u);
  EXPECT_EQ(_VLdevice()->stats.executions, 2u);
  /* One colour for both: one block. */
  VLpoly_setrgb(q, 255, 0, 0);
  VLuniverse_go1();
  EXPECT_EQ(_VLdevice()->stats.executions, 1u);
}

/* Without a current render context (its window deleted) drawing calls do
 * nothing: no block opens and nothing is written anywhere. */
TEST_F(RenderScene, DrawingWithoutAContextDoesNothing) {
  VLgeometry *g = square(0, 255, 0, 0);
  VLgeometrynode_new(root, g);
  VLuniverse_go1();
  VLrendercontext *was = _VLrender().current;
  _VLrender().current = nullptr;
  const float a[3] = {0, 0, 0}, b[3] = {1, 1, 0};
  VLrender_polygon(g->polys);
  VLrender_line(a, b);
  VLrender_point(a);
  EXPECT_EQ(_VLbatch().kind, int(VLBLOCK_NONE));
  _VLrender().current = was;
  VLuniverse_go1();
  EXPECT_EQ(_VLdevice()->stats.triangles, 2u);
  EXPECT_EQ(_VLdevice()->stats.lines + _VLdevice()->stats.points, 0u);
}

TEST_F(RenderScene, InstancesShareBlocksAcrossPlacements) {
  /* 81 placed copies of one geometry go out together: placements change
   * inside a block, not between blocks. */
  VLgeometry *g = VLgeometry_newrectangle(0.1f, 0.1f, false);
  VLnode *group = VLgroupnode_new(root);
  VLnode *tmpl = VLmovablegeometrynode_new(nullptr, g);
  for (int i = 0; i < 81; ++i) {
    VLnode *inst = VLmovablenode_instance(group, tmpl);
    float t[3] = {float(i % 9) * 0.2f - 0.8f, float(i / 9) * 0.2f - 0.8f, 0};
    VLmovablenode_settranslation(inst, t);
  }
  VLuniverse_go1();
  EXPECT_EQ(polys_drawn(), 81);
  EXPECT_EQ(_VLdevice()->stats.executions, 1u);
  VLnode_delete(tmpl);
}

/* ---------- pixels on the software device ---------- */

class RenderPixels : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    root = VLuniverse_getrootnode();
    camera(-5.0f, 1.0f);
    VLuniverse_setbgcolor(0, 0, 0);
  }
  VLnode *root = nullptr;
};

TEST_F(RenderPixels, LitRedSquareCoversItsPixels) {
  VLgeometrynode_new(root, square(0, 255, 0, 0));
  VLuniverse_go1();
  std::vector<uint8_t> img = frame();
  /* 2 units at distance 5 with a 40-degree half angle: 152 pixels wide. */
  const uint8_t *c = at(img, 320, 240);
  EXPECT_GT(c[0], 60);
  EXPECT_EQ(c[1], 0);
  EXPECT_EQ(c[2], 0);
  EXPECT_GT(at(img, 320 + 70, 240 + 70)[0], 60);
  EXPECT_EQ(at(img, 320 + 82, 240)[0], 0);
  EXPECT_EQ(at(img, 320, 240 - 82)[0], 0);
  EXPECT_EQ(polys_drawn(), 1);
}

TEST_F(RenderPixels, BackFacesDrawOnlyWhenTwoSided) {
  camera(5.0f, -1.0f);   /* behind the squares, which face -z */
  VLnode *one = VLgeometrynode_new(root, square(0, 255, 0, 0, false));
  VLuniverse_go1();
  EXPECT_EQ(polys_drawn(), 0);
  EXPECT_EQ(at(frame(), 320, 240)[0], 0);
  VLnode_delete(one);
  VLgeometrynode_new(root, square(0, 255, 0, 0, true));
  VLuniverse_go1();
  EXPECT_EQ(polys_drawn(), 1);
  EXPECT_GT(at(frame(), 320, 240)[0], 60);
}

TEST_F(RenderPixels, WireframeDrawsOnlyOutlines) {
  VLgeometrynode_new(root, square(0, 255, 255, 255));
  VLuniverse_setrendering(128);
  VLuniverse_go1();
  std::vector<uint8_t> img = frame();
  EXPECT_EQ(at(img, 320, 240)[0], 0);          /* inside: background */
  int lit = 0;                                  /* the left edge, about x = 244 */
  for (int x = 236; x <= 252; ++x) lit += at(img, x, 240)[0] > 128;
  EXPECT_GE(lit, 1);
}

TEST_F(RenderPixels, InstancedCheckerboardKeepsItsColours) {
  /* Alternating colours of one geometry placed twice: every polygon keeps
   * its own colour although they share blocks. */
  VLgeometry *g = VLgeometry_begin();
  for (int i = 0; i < 4; ++i) {
    float x = -1.0f + 0.5f * float(i);
    float pts[12] = {x, -0.5f, 0, x, 0.5f, 0, x + 0.5f, 0.5f, 0, x + 0.5f, -0.5f, 0};
    VLpoly *p = VLpoly_frompoints(g, pts, 4, true);
    VLpoly_setrgb(p, i % 2 ? 0 : 255, i % 2 ? 255 : 0, 0);
  }
  VLgeometry_close(g);
  VLnode *top = VLmovablegeometrynode_new(root, g);
  float up[3] = {0, 0.6f, 0};
  VLmovablenode_settranslation(top, up);
  VLnode *bottom = VLmovablenode_instance(root, top);
  float down[3] = {0, -0.6f, 0};
  VLmovablenode_settranslation(bottom, down);
  VLuniverse_go1();
  std::vector<uint8_t> img = frame();
  EXPECT_EQ(polys_drawn(), 8);
  for (int row : {240 - 46, 240 + 46}) {
    const uint8_t *red = at(img, 320 - 57, row), *green = at(img, 320 - 19, row);
    EXPECT_GT(red[0], 60) << row;
    EXPECT_EQ(red[1], 0) << row;
    EXPECT_GT(green[1], 60) << row;
    EXPECT_EQ(green[0], 0) << row;
  }
}

TEST_F(RenderPixels, TexturedSquareShowsItsTexels) {
  /* A 2 x 2 texture: red, green (bottom row), blue, white (top row). */
  const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
  ASSERT_NE(VLtexture_newfrompixels("quad.tga", texels, 2, 2), nullptr);
  VLtexture_setfilter("quad.tga", 0, 0);   /* point sampling: crisp texels */
  VLgeometry *g = square(0, 255, 255, 255);
  /* Corners from the rectangle's vertex order, mapped from position. */
  struct Map {
    static float u(const float p[3]) { return (p[0] + 1.0f) / 2.0f; }
    static float v(const float p[3]) { return (p[1] + 1.0f) / 2.0f; }
  };
  ASSERT_TRUE(VLgeometry_settexturemap(g, "quad.tga", Map::u, Map::v, false, false));
  VLgeometrynode_new(root, g);
  VLuniverse_setrendering(1);   /* texturing, no lighting: the texels as they are */
  VLuniverse_go1();
  VLuniverse_go1();
  std::vector<uint8_t> img = frame();
  /* Eye coordinates keep +x to the right and +y up; rows are bottom first. */
  const uint8_t *bl = at(img, 320 - 40, 240 - 40), *br = at(img, 320 + 40, 240 - 40);
  const uint8_t *tl = at(img, 320 - 40, 240 + 40), *tr = at(img, 320 + 40, 240 + 40);
  EXPECT_GT(bl[0], 200);
  EXPECT_LT(bl[1], 50);
  EXPECT_GT(br[1], 200);
  EXPECT_LT(br[0], 50);
  EXPECT_GT(tl[2], 200);
  EXPECT_LT(tl[0], 50);
  EXPECT_GT(tr[0], 200);
  EXPECT_GT(tr[1], 200);
}

TEST_F(RenderPixels, LightsGoOffAtTheirSeparatorsEnd) {
  /* Two grey squares side by side; the light shining onto them (along +z,
   * onto faces looking at -z... the camera side) is switched on inside the
   * Separator that holds the left square only. */
  VLnode *sep = VLsepnode_new(root);
  VLnode *light = VLdirlightnode_new(sep);
  ASSERT_NE(light, nullptr);
  const float dir[3] = {0, 0, 1};
  VLlightnode_setdirection(light, dir);
  VLgeometry *left = square(0, 255, 255, 255), *right = square(0, 255, 255, 255);
  float l[3] = {-1.2f, 0, 0}, r[3] = {1.2f, 0, 0};
  VLgeometry_translate(left, l);
  VLgeometry_translate(right, r);
  VLgeometrynode_new(sep, left);
  VLgeometrynode_new(root, right);
  VLuniverse_setrendering(4);   /* lighting, flat */
  VLuniverse_go1();
  std::vector<uint8_t> img = frame();
  int lit = at(img, 320 - 91, 240)[0], unlit = at(img, 320 + 91, 240)[0];
  EXPECT_GT(lit, unlit + 60) << lit << " vs " << unlit;
  EXPECT_GT(unlit, 0);   /* the ambient light still reaches it */
}

TEST_F(RenderPixels, LitTexturesIgnorePolygonColoursAcrossPlacements) {
  /* Black polygons, textured and lit, placed twice: the textured material
   * (white) is what every vertex range takes, not the polygons' colours. */
  const uint8_t white[16] = {255, 255, 255, 255, 255, 255, 255, 255,
                             255, 255, 255, 255, 255, 255, 255, 255};
  VLtexture_newfrompixels("white.tga", white, 2, 2);
  VLgeometry *g = VLgeometry_newrectangle(0.8f, 0.8f, false);
  VLpoly_setrgb(g->polys, 0, 0, 0);
  VLgeometry_settexture(g, "white.tga", true, false);
  VLnode *a = VLmovablegeometrynode_new(root, g);
  float left[3] = {-0.5f, 0, 0}, right[3] = {0.5f, 0, 0};
  VLmovablenode_settranslation(a, left);
  VLnode *b = VLmovablenode_instance(root, a);
  VLmovablenode_settranslation(b, right);
  VLnode *light = VLdirlightnode_new(root);
  const float dir[3] = {0, 0, 1};
  VLlightnode_setdirection(light, dir);
  VLuniverse_setrendering(1 | 4);
  VLuniverse_go1();
  VLuniverse_go1();
  std::vector<uint8_t> img = frame();
  EXPECT_GT(at(img, 320 - 38, 240)[0], 150);
  EXPECT_GT(at(img, 320 + 38, 240)[0], 150);
}

TEST_F(RenderPixels, PointLightLightsTheNearSideBrighter) {
  /* A light applies to the siblings after it. */
  VLnode *light = VLpointlightnode_new(root);
  ASSERT_NE(light, nullptr);
  const float pos[3] = {-1.5f, 0, -0.5f};
  VLlightnode_setposition(light, pos);
  VLgeometry *g = VLgeometry_newrectangle(2.0f, 4.0f, false);
  VLpoly_setrgb(g->polys, 255, 255, 255);
  VLgeometrynode_new(root, g);
  VLuniverse_setrendering(4 | 8);   /* lighting, smooth */
  VLuniverse_go1();
  std::vector<uint8_t> img = frame();
  int near = at(img, 320 - 110, 240)[0], far = at(img, 320 + 110, 240)[0];
  EXPECT_GT(near, far + 30) << near << " vs " << far;
}
