/* Textures: the power-of-two rule and resampling with the alpha rule, the
 * maximum edge and square rule, loading and the texture list, filters, the
 * memory estimate, polygon texture records (explicit and fitted), their
 * edits, re-fitting after loading, the failure reports, and the per-frame
 * uploads (null device, and the software device for device handles). */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/messages.h"
#include "texture/texture_internal.h"
#include "texture/texture_state.h"
#include "support/image_fixtures.h"
#include "support/messages.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/node.h"
#include "vlx/renderer.h"
#include "vlx/texture.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

typedef std::vector<int> Px;

std::vector<uint8_t> solid(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  std::vector<uint8_t> px;
  for (int i = 0; i < w * h; ++i) px.insert(px.end(), {r, g, b, a});
  return px;
}

VLtexture *from_pixels(const char *name, int w, int h) {
  std::vector<uint8_t> px = solid(w, h, 90, 120, 150);
  return VLtexture_newfrompixels(name, px.data(), w, h);
}

VLpolytexture *record_of(const VLpoly *p) { return static_cast<VLpolytexture *>(p->attributes); }

std::vector<float> uv_of(const VLpoly *p) {
  const VLpolytexture *pt = record_of(p);
  return std::vector<float>(pt->uv, pt->uv + 2 * pt->ncorners);
}

/* A closed geometry with one polygon over the points (counter-clockwise
 * seen from the side its normal points to). */
VLgeometry *polygon_of(const std::vector<float> &points) {
  VLgeometry *g = VLgeometry_begin();
  VLpoly_frompoints(g, points.data(), int(points.size() / 3), false);
  VLgeometry_close(g);
  return g;
}

class TextureTest : public UniverseTest {};
class TextureDevice : public DeviceTest {};

/* ---------- sizes ---------- */

TEST(TextureSize, PowerOfTwoRule) {
  const int cases[][2] = {{1, 1},    {2, 2},    {3, 4},     {5, 8},     {64, 64},  {70, 64},
                          {79, 64},  {80, 128}, {100, 128}, {128, 128}, {129, 128}, {159, 128},
                          {160, 256}, {1000, 1024}};
  for (const auto &c : cases) EXPECT_EQ(_VLtexture_pow2(c[0]), c[1]) << c[0];
}

TEST(TextureSize, ResampleWeighsColoursByAlpha) {
  /* Red opaque | transparent, doubled: the second pixel keeps full red
   * (filtered alpha 191 >= 102), the third drops out (64 < 102). */
  uint8_t src[] = {255, 0, 0, 255, 0, 0, 0, 0};
  uint8_t *out = _VLtexture_resample(src, 2, 1, 4, 1);
  EXPECT_EQ(rgba_at(out, 4, 0, 0), (Px{255, 0, 0, 255}));
  EXPECT_EQ(rgba_at(out, 4, 1, 0), (Px{255, 0, 0, 255}));
  EXPECT_EQ(rgba_at(out, 4, 2, 0), (Px{0, 0, 0, 0}));
  EXPECT_EQ(rgba_at(out, 4, 3, 0), (Px{0, 0, 0, 0}));
  free(out);

  /* The 102 threshold on uniform alphas, colour kept exactly. */
  struct Case {
    uint8_t alpha;
    Px want;
  } cases[] = {{255, {50, 60, 70, 255}}, {102, {50, 60, 70, 255}}, {101, {0, 0, 0, 0}}};
  for (const Case &c : cases) {
    std::vector<uint8_t> in = solid(3, 3, 50, 60, 70, c.alpha);
    out = _VLtexture_resample(in.data(), 3, 3, 4, 4);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(rgba_at(out, 4, i % 4, i / 4), c.want) << int(c.alpha);
    free(out);
  }

  /* Bilinear between texel centres. */
  uint8_t ramp[] = {0, 0, 0, 255, 100, 100, 100, 255};
  out = _VLtexture_resample(ramp, 2, 1, 4, 1);
  EXPECT_EQ(rgba_at(out, 4, 0, 0)[0], 0);
  EXPECT_EQ(rgba_at(out, 4, 1, 0)[0], 25);
  EXPECT_EQ(rgba_at(out, 4, 2, 0)[0], 75);
  EXPECT_EQ(rgba_at(out, 4, 3, 0)[0], 100);
  free(out);
}

TEST(TextureSize, BoxFilterOpacityByMajority) {
  /* 6 x 2 into 3 x 1: blocks of 2 x 2. Block 0 all opaque, block 1 half
   * opaque, block 2 one opaque pixel of four. */
  const uint8_t O = 255, T = 0;
  uint8_t src[] = {10, 20, 30, O, 30, 40, 50, O, 100, 0, 0, O, 0, 0, 0, T, 9, 9, 9, O, 0, 0, 0, T,
                   10, 20, 30, O, 30, 40, 50, O, 0, 0, 0, T, 200, 0, 0, O, 0, 0, 0, T, 0, 0, 0, T};
  uint8_t *out = _VLtexture_boxfilter(src, 6, 2, 3, 1);
  EXPECT_EQ(rgba_at(out, 3, 0, 0), (Px{20, 30, 40, 255}));
  EXPECT_EQ(rgba_at(out, 3, 1, 0), (Px{150, 0, 0, 255}));
  EXPECT_EQ(rgba_at(out, 3, 2, 0)[3], 0);
  free(out);
}

TEST_F(TextureTest, MaximumEdgeAndSquareRule) {
  VLrenderersettings *s = VLrenderer_settings();
  ASSERT_NE(s, nullptr);
  struct Case {
    int maxtex, square, w, h, wantw, wanth;
  } cases[] = {
      {1024, 0, 256, 64, 256, 64},  {1024, 1, 256, 64, 64, 64}, {64, 0, 128, 32, 64, 32},
      {64, 0, 256, 512, 64, 64},    {64, 1, 32, 32, 32, 32},    {64, 1, 512, 256, 64, 64},
      {1024, 0, 100, 70, 128, 64},
  };
  int n = 0;
  for (const Case &c : cases) {
    s->maxtexsize = c.maxtex;
    s->sqrtex = uint8_t(c.square);
    std::string name = "t" + std::to_string(n++);
    VLtexture *t = from_pixels(name.c_str(), c.w, c.h);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, c.wantw) << name;
    EXPECT_EQ(t->height, c.wanth) << name;
    EXPECT_EQ(rgba_at(t->pixels, t->width, t->width - 1, t->height - 1), (Px{90, 120, 150, 255}));
  }
}

/* ---------- loading and the list ---------- */

TEST_F(TextureTest, LoadRoundsSidesAndRefusesLargeFiles) {
  ImageDir dir;
  dir.write("a.tga", tga_solid(100, 100, 1, 2, 3));
  dir.write("b.tga", tga_solid(70, 70, 1, 2, 3));
  dir.write("huge.tga", tga_solid(2048, 2048, 1, 2, 3));
  VLtexture *a = VLtexture_load("a.tga", 1, 2);
  VLtexture *b = VLtexture_load("b.tga", 3, 0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->width, 128);
  EXPECT_EQ(a->height, 128);
  EXPECT_EQ(b->width, 64);
  EXPECT_EQ(b->height, 64);
  EXPECT_EQ(a->filtermode, 1);
  EXPECT_EQ(a->filterlevel, 2);
  EXPECT_EQ(b->filtermode, 3);
  EXPECT_EQ(a->flags, VLTEX_UPLOADPENDING | VLTEX_KEEPPENDING);
  EXPECT_EQ(a->handle, 0u);
  EXPECT_EQ(rgba_at(a->pixels, 128, 64, 64), (Px{1, 2, 3, 255}));
  /* Newest first, in the list and on the upload list. */
  EXPECT_EQ(_VLtextures().head, b);
  EXPECT_EQ(b->next, a);
  EXPECT_EQ(a->prev, b);
  EXPECT_EQ(_VLtextures().pending, b);
  EXPECT_EQ(b->nextpending, a);
  EXPECT_EQ(VLtexture_load("a.tga", 0, 0), a);  // loaded once

  EXPECT_EQ(VLtexture_load("huge.tga", 1, 1), nullptr);
  EXPECT_EQ(fired_count(VLM_IMG_TOO_LARGE), 1);
  EXPECT_EQ(VLtexture_find("huge.tga"), nullptr);
}

TEST_F(TextureTest, LoadsGifAndPng) {
  ImageDir dir;
  std::vector<uint8_t> indices(4 * 4, 1);
  indices[0] = 3;  // the top left pixel transparent
  GifFields gf;
  gf.transparent = 3;
  dir.write("leaf.gif", gif_encode(indices, 4, 4, {0, 0, 0, 20, 200, 40, 0, 0, 0, 9, 9, 9}, gf));
  std::vector<int> samples;
  for (int i = 0; i < 8 * 8; ++i) samples.insert(samples.end(), {10, 20, 30});
  PngFields pf;
  pf.interlace = true;
  Bytes png = png_encode(samples, 8, 8, pf);
  dir.write("sky.png", png);
  dir.write("torn.png", Bytes(png.begin(), png.begin() + long(png.size() / 2)));

  VLtexture *g = VLtexture_load("leaf.gif", 1, 0);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->width, 4);
  EXPECT_EQ(g->height, 4);
  EXPECT_EQ(rgba_at(g->pixels, 4, 1, 1), (Px{20, 200, 40, 255}));
  EXPECT_EQ(rgba_at(g->pixels, 4, 0, 3), (Px{0, 0, 0, 0}));
  VLtexture *p = VLtexture_load("sky.png", 1, 0);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->width, 8);
  EXPECT_EQ(rgba_at(p->pixels, 8, 7, 7), (Px{10, 20, 30, 255}));

  EXPECT_EQ(VLtexture_load("torn.png", 1, 0), nullptr);
  EXPECT_EQ(fired_count(VLM_PNG_UNREADABLE), 1);
  EXPECT_EQ(VLtexture_find("torn.png"), nullptr);
}

TEST_F(TextureTest, NewFromPixelsReplacesPixelsKeepingTheRecord) {
  _VLtextures().defaultmode = 2;
  _VLtextures().defaultlevel = 6;
  VLtexture *t = from_pixels("made", 16, 16);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->flags, VLTEX_UPLOADPENDING | VLTEX_KEEPPENDING | VLTEX_KEEPPIXELS);
  EXPECT_EQ(t->filtermode, 2);
  EXPECT_EQ(t->filterlevel, 6);
  VLtexture_uploadpending(true);
  uint32_t handle = t->handle;
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(t->flags, VLTEX_KEEPPIXELS);

  std::vector<uint8_t> px = solid(8, 8, 1, 2, 3);
  EXPECT_EQ(VLtexture_newfrompixels("made", px.data(), 8, 8), t);
  EXPECT_EQ(t->width, 8);
  EXPECT_EQ(rgba_at(t->pixels, 8, 7, 7), (Px{1, 2, 3, 255}));
  EXPECT_EQ(t->flags, VLTEX_UPLOADPENDING | VLTEX_KEEPPENDING | VLTEX_KEEPPIXELS);
  EXPECT_EQ(_VLtextures().pending, t);
  EXPECT_EQ(t->nextpending, nullptr);
  EXPECT_EQ(VLtexture_newfrompixels("made", px.data(), 8, 8), t);  // queued once
  EXPECT_EQ(t->nextpending, nullptr);
  EXPECT_EQ(t->handle, handle);

  _VLtextures().defaultmode = 5;  // a default beyond the modes gives bilinear
  EXPECT_EQ(from_pixels("other", 4, 4)->filtermode, 1);
  EXPECT_EQ(VLtexture_newfrompixels(nullptr, px.data(), 8, 8), nullptr);
  EXPECT_EQ(VLtexture_newfrompixels("x", nullptr, 8, 8), nullptr);
  EXPECT_EQ(VLtexture_newfrompixels("x", px.data(), 0, 8), nullptr);
}

TEST_F(TextureTest, FiltersPerNameAndDefault) {
  ImageDir dir;
  dir.write("a.tga", tga_solid(4, 4, 1, 2, 3));
  dir.write("b.tga", tga_solid(4, 4, 1, 2, 3));
  EXPECT_TRUE(VLtexture_setfilter(nullptr, 2, 5));
  VLgeometry *g = VLgeometry_newrectangle(1, 1, false);
  ASSERT_TRUE(VLpoly_applytexture(g->polys, "a.tga", false, false));
  VLtexture *a = VLtexture_find("a.tga");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->filtermode, 2);
  EXPECT_EQ(a->filterlevel, 5);

  EXPECT_TRUE(VLtexture_setfilter("a.tga", 3, 1));
  EXPECT_EQ(a->filtermode, 3);
  EXPECT_EQ(a->filterlevel, 1);
  EXPECT_TRUE(VLtexture_setfilter("b.tga", 0, 7));  // not loaded yet: loaded with these
  VLtexture *b = VLtexture_find("b.tga");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->filtermode, 0);
  EXPECT_EQ(b->filterlevel, 7);
  EXPECT_FALSE(VLtexture_setfilter("missing.tga", 1, 1));

  const int bad[][2] = {{4, 0}, {-1, 0}, {0, -1}};
  for (const auto &c : bad) {
    EXPECT_FALSE(VLtexture_setfilter(nullptr, c[0], c[1]));
    EXPECT_FALSE(VLtexture_setfilter("a.tga", c[0], c[1]));
  }
  EXPECT_EQ(_VLtextures().defaultmode, 2);
  EXPECT_EQ(_VLtextures().defaultlevel, 5);
  EXPECT_EQ(a->filtermode, 3);
  VLgeometry_delete(g);
}

TEST_F(TextureTest, MemoryEstimate) {
  EXPECT_EQ(VLtexture_memory(), 0u);
  VLtexture *a = from_pixels("a", 64, 64);
  VLtexture *b = from_pixels("b", 32, 32);
  VLtexture_setfilter("b", 1, 4);  // mip-mapped: 4/3 as (4n + 2) / 3
  EXPECT_EQ(VLtexture_memory(), 64u * 64 * 4 + (4u * 1024 + 2) / 3 * 4);
  EXPECT_TRUE(VLtexture_delete(a));
  EXPECT_EQ(VLtexture_memory(), (4u * 1024 + 2) / 3 * 4);
  EXPECT_FALSE(VLtexture_delete(a));
  EXPECT_EQ(VLtexture_find("a"), nullptr);
  EXPECT_EQ(VLtexture_find("b"), b);
}

/* ---------- polygon records ---------- */

TEST_F(TextureTest, FittedCoordinatesOnRectangle) {
  from_pixels("wall", 64, 32);
  VLgeometry *g = VLgeometry_newrectangle(2, 4, false);  // faces -z
  VLuniverse_current()->unchanged = 1;
  ASSERT_TRUE(VLgeometry_settexture(g, "wall", true, false));
  EXPECT_EQ(VLuniverse_current()->unchanged, 0);
  const VLpolytexture *pt = record_of(g->polys);
  ASSERT_NE(pt, nullptr);
  EXPECT_STREQ(pt->name, "S_wall");
  EXPECT_EQ(pt->shaded, 1);
  EXPECT_EQ(pt->transparent, 0);
  EXPECT_EQ(pt->explicitcoords, 0);
  EXPECT_EQ(pt->scale, 1.0f);
  EXPECT_EQ(pt->texture->usecount, 1);
  ASSERT_EQ(pt->ncorners, 4);
  /* Seen from its front (-z) the texture is upright: u grows to the viewer's
   * right (-x), v = 1 at the top; extents onto [0, 63/64] x [1/32, 1]. */
  int i = 0;
  for (const VLvertexref *r = g->polys->vertices; r; r = r->next, ++i) {
    const float *p = r->vertex->position;
    EXPECT_NEAR(pt->uv[2 * i], p[0] > 0 ? 0.0f : 63.0f / 64, 1e-5) << i;
    EXPECT_NEAR(pt->uv[2 * i + 1], p[1] > 0 ? 1.0f : 1.0f / 32, 1e-5) << i;
  }
  VLgeometry_delete(g);
}

TEST_F(TextureTest, FittedCoordinatesFollowThePlane) {
  from_pixels("tile", 16, 16);
  /* Facing +z: u grows with x, v with y. */
  VLgeometry *g = polygon_of({0, 0, 0, 2, 0, 0, 2, 1, 0, 0, 1, 0});
  ASSERT_TRUE(VLpoly_applytexture(g->polys, "tile", false, false));
  std::vector<float> uv = uv_of(g->polys);
  std::vector<float> want = {0, 1.0f / 16, 15.0f / 16, 1.0f / 16, 15.0f / 16, 1, 0, 1};
  for (size_t k = 0; k < want.size(); ++k) EXPECT_NEAR(uv[k], want[k], 1e-5) << k;
  VLgeometry_delete(g);

  /* A tilted triangle still spans the whole texture in u and v. */
  g = polygon_of({0, 0, 0, 1, 0, 0.5f, 0.3f, 1, 2});
  ASSERT_TRUE(VLpoly_applytexture(g->polys, "tile", false, true));
  uv = uv_of(g->polys);
  float umin = 9, umax = -9, vmin = 9, vmax = -9;
  for (size_t k = 0; k < 3; ++k) {
    umin = fminf(umin, uv[2 * k]), umax = fmaxf(umax, uv[2 * k]);
    vmin = fminf(vmin, uv[2 * k + 1]), vmax = fmaxf(vmax, uv[2 * k + 1]);
  }
  EXPECT_NEAR(umin, 0, 1e-5);
  EXPECT_NEAR(umax, 15.0f / 16, 1e-5);
  EXPECT_NEAR(vmin, 1.0f / 16, 1e-5);
  EXPECT_NEAR(vmax, 1, 1e-5);
  EXPECT_STREQ(record_of(g->polys)->name, "T_tile");
  VLgeometry_delete(g);
}

float coord_x(const float p[3]) { return p[0]; }
float coord_y(const float p[3]) { return p[1]; }

TEST_F(TextureTest, ExplicitCoordinates) {
  from_pixels("Brick.TGA", 8, 8);
  VLgeometry *g = VLgeometry_newrectangle(2, 4, false);
  const float u[4] = {0.1f, 0.2f, 0.3f, 0.4f}, v[4] = {0.5f, 0.6f, 0.7f, 0.8f};
  ASSERT_TRUE(VLpoly_settexture(g->polys, "Brick.TGA", u, v, false, true));
  const VLpolytexture *pt = record_of(g->polys);
  EXPECT_STREQ(pt->name, "T_brick.tga");
  EXPECT_EQ(pt->explicitcoords, 1);
  EXPECT_EQ(uv_of(g->polys), (std::vector<float>{0.1f, 0.5f, 0.2f, 0.6f, 0.3f, 0.7f, 0.4f, 0.8f}));

  ASSERT_TRUE(VLgeometry_settexturemap(g, "Brick.TGA", coord_x, coord_y, true, false));
  pt = record_of(g->polys);
  EXPECT_STREQ(pt->name, "S_brick.tga");
  EXPECT_EQ(pt->texture->usecount, 1);  // the old record let go
  int i = 0;
  for (const VLvertexref *r = g->polys->vertices; r; r = r->next, ++i) {
    EXPECT_EQ(pt->uv[2 * i], r->vertex->position[0]);
    EXPECT_EQ(pt->uv[2 * i + 1], r->vertex->position[1]);
  }
  VLgeometry_delete(g);
}

TEST_F(TextureTest, RefusedForMissingFrozenOrUntextured) {
  from_pixels("ok", 8, 8);
  VLgeometry *g = VLgeometry_newblock(1, 1, 1, false);
  const float u[4] = {}, v[4] = {};
  EXPECT_FALSE(VLgeometry_settexture(nullptr, "ok", false, false));
  EXPECT_FALSE(VLgeometry_settexture(g, nullptr, false, false));
  EXPECT_FALSE(VLgeometry_settexturemap(g, "ok", nullptr, coord_y, false, false));
  EXPECT_FALSE(VLpoly_settexture(g->polys, "ok", nullptr, v, false, false));
  EXPECT_FALSE(VLpoly_applytexture(nullptr, "ok", false, false));

  /* A missing texture stops at the first polygon. */
  EXPECT_FALSE(VLgeometry_settexture(g, "missing", false, false));
  EXPECT_FALSE(VLgeometry_settexturemap(g, "missing", coord_x, coord_y, false, false));
  for (VLpoly *p = g->polys; p; p = p->next) EXPECT_EQ(p->attributes, nullptr);
  EXPECT_EQ(fired_count(VLM_TEX_NOT_FOUND), 1);

  EXPECT_FALSE(VLpoly_removetexture(g->polys));  // nothing to remove
  EXPECT_FALSE(VLpoly_mirrortexture(g->polys));
  ASSERT_TRUE(VLgeometry_settexture(g, "ok", false, false));
  g->frozen = 1;
  EXPECT_FALSE(VLgeometry_settexture(g, "ok", false, false));
  EXPECT_FALSE(VLpoly_applytexture(g->polys, "ok", false, false));
  EXPECT_FALSE(VLpoly_settexture(g->polys, "ok", u, v, false, false));
  EXPECT_FALSE(VLpoly_rotatetexture(g->polys, 1));
  EXPECT_FALSE(VLpoly_scaletexture(g->polys, 2));
  EXPECT_FALSE(VLpoly_translatetexture(g->polys, 1, 1));
  EXPECT_FALSE(VLpoly_mirrortexture(g->polys));
  EXPECT_FALSE(VLpoly_removetexture(g->polys));
  g->frozen = 0;
  EXPECT_TRUE(VLpoly_removetexture(g->polys));
  EXPECT_EQ(g->polys->attributes, nullptr);
  VLgeometry_delete(g);
}

TEST_F(TextureTest, CoordinateEdits) {
  from_pixels("wall", 64, 32);
  VLgeometry *g = VLgeometry_newrectangle(2, 4, false);
  VLpoly *p = g->polys;
  const float u0[4] = {1, 0.5f, 0, 0.25f}, v0[4] = {0.5f, 1, 0.5f, 0};
  auto reset = [&] { ASSERT_TRUE(VLpoly_settexture(p, "wall", u0, v0, false, false)); };
  auto expect_uv = [&](std::vector<float> want) {
    std::vector<float> got = uv_of(p);
    for (size_t k = 0; k < want.size(); ++k) EXPECT_NEAR(got[k], want[k], 1e-5) << k;
  };

  reset();
  ASSERT_TRUE(VLpoly_rotatetexture(p, float(M_PI / 2)));  // (u, v) -> (v, 1 - u)
  expect_uv({0.5f, 0, 1, 0.5f, 0.5f, 1, 0, 0.75f});
  ASSERT_TRUE(VLpoly_rotatetexture(p, 0.25f));
  EXPECT_NEAR(record_of(p)->rotation, M_PI / 2 + 0.25, 1e-5);

  reset();
  VLuniverse_current()->settings->byte1 = 1;  // the window option turns it the other way
  ASSERT_TRUE(VLpoly_rotatetexture(p, float(M_PI / 2)));  // (u, v) -> (1 - v, u)
  expect_uv({0.5f, 1, 0, 0.5f, 0.5f, 0, 1, 0.25f});
  VLuniverse_current()->settings->byte1 = 0;

  reset();  // about the mean (0.4375, 0.5)
  ASSERT_TRUE(VLpoly_scaletexture(p, 2));
  ASSERT_TRUE(VLpoly_scaletexture(p, 0.5f));
  ASSERT_TRUE(VLpoly_scaletexture(p, 2));
  expect_uv({1.5625f, 0.5f, 0.5625f, 1.5f, -0.4375f, 0.5f, 0.0625f, -0.5f});
  EXPECT_FLOAT_EQ(record_of(p)->scale, 2);

  reset();
  ASSERT_TRUE(VLpoly_translatetexture(p, 16, 8));  // texels of 64 x 32
  expect_uv({1.25f, 0.75f, 0.75f, 1.25f, 0.25f, 0.75f, 0.5f, 0.25f});
  EXPECT_FLOAT_EQ(record_of(p)->offsetu, 0.25f);
  EXPECT_FLOAT_EQ(record_of(p)->offsetv, 0.25f);

  reset();
  ASSERT_TRUE(VLpoly_mirrortexture(p));
  expect_uv({0, 0.5f, 0.5f, 1, 1, 0.5f, 0.75f, 0});
  EXPECT_EQ(record_of(p)->mirrored, 1);
  ASSERT_TRUE(VLpoly_mirrortexture(p));
  expect_uv({1, 0.5f, 0.5f, 1, 0, 0.5f, 0.25f, 0});
  EXPECT_EQ(record_of(p)->mirrored, 0);
  VLgeometry_delete(g);
}

TEST_F(TextureTest, RecordsAreCopiedAndReleasedWithPolygons) {
  VLtexture *t = from_pixels("shared", 8, 8);
  VLgeometry *g = VLgeometry_newrectangle(1, 1, false);
  ASSERT_TRUE(VLgeometry_settexture(g, "shared", false, false));
  VLgeometry *copy = VLgeometry_copy(g);
  ASSERT_NE(copy, nullptr);
  const VLpolytexture *a = record_of(g->polys), *b = record_of(copy->polys);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_NE(a->uv, b->uv);
  EXPECT_STREQ(a->name, b->name);
  EXPECT_EQ(uv_of(g->polys), uv_of(copy->polys));
  EXPECT_EQ(t->usecount, 2);
  VLgeometry_delete(copy);
  EXPECT_EQ(t->usecount, 1);

  /* Deleted while referenced: out of the list and the device at once, the
   * record lives on until its polygon lets go. */
  VLtexture_uploadpending(true);
  EXPECT_NE(t->handle, 0u);
  EXPECT_TRUE(VLtexture_delete(t));
  VLtexture_uploadpending(true);
  EXPECT_EQ(VLtexture_find("shared"), nullptr);
  EXPECT_EQ(_VLtextures().head, nullptr);
  EXPECT_EQ(record_of(g->polys)->texture, t);
  EXPECT_EQ(t->handle, 0u);
  EXPECT_EQ(t->pixels, nullptr);
  VLgeometry_delete(g);  // frees the record (ASan checks)

  /* The same through deleting every texture. */
  t = from_pixels("again", 8, 8);
  g = VLgeometry_newrectangle(1, 1, false);
  ASSERT_TRUE(VLgeometry_settexture(g, "again", false, false));
  VLtexture_deleteall();
  EXPECT_EQ(_VLtextures().head, nullptr);
  EXPECT_EQ(_VLtextures().pending, nullptr);
  EXPECT_EQ(VLtexture_memory(), 0u);
  VLgeometry_delete(g);
}

/* ---------- re-fitting named textures ---------- */

/* A record with a name and no texture, as a model reader leaves it. */
void name_texture(VLpoly *p, const char *name) {
  VLpolytexture *pt = static_cast<VLpolytexture *>(VLmalloc(sizeof(VLpolytexture)));
  memset(pt, 0, sizeof *pt);
  pt->name = VLstrdup(name);
  pt->scale = 1;
  pt->ncorners = p->ncorners;
  pt->uv = static_cast<float *>(VLmalloc(sizeof(float) * 2 * p->ncorners));
  memset(pt->uv, 0, sizeof(float) * 2 * p->ncorners);
  p->attributes = pt;
}

TEST_F(TextureTest, ReapplyFitsNamedTextures) {
  from_pixels("wall", 64, 32);
  VLnode *root = VLuniverse_getrootnode();
  ASSERT_NE(root, nullptr);
  VLgeometry *fitted = VLgeometry_newrectangle(2, 4, false);
  VLgeometry *missing = VLgeometry_newrectangle(2, 4, false);
  VLgeometry *given = VLgeometry_newrectangle(2, 4, false);
  ASSERT_NE(VLgeometrynode_new(root, fitted), nullptr);
  ASSERT_NE(VLgeometrynode_new(root, missing), nullptr);
  ASSERT_NE(VLgeometrynode_new(root, given), nullptr);
  ASSERT_TRUE(VLpoly_applytexture(fitted->polys, "wall", false, false));
  std::vector<float> want = uv_of(fitted->polys);
  VLpoly_removetexture(fitted->polys);
  name_texture(fitted->polys, "S_wall");
  name_texture(missing->polys, "V_nothere");
  const float u[4] = {5, 5, 5, 5};
  ASSERT_TRUE(VLpoly_settexture(given->polys, "wall", u, u, false, false));

  VLtexture_reapply();
  const VLpolytexture *pt = record_of(fitted->polys);
  ASSERT_NE(pt, nullptr);
  EXPECT_EQ(pt->shaded, 1);
  EXPECT_EQ(pt->texture, VLtexture_find("wall"));
  EXPECT_EQ(uv_of(fitted->polys), want);
  EXPECT_EQ(missing->polys->attributes, nullptr);
  EXPECT_EQ(uv_of(given->polys)[0], 5);  // explicit coordinates stay
  EXPECT_EQ(fired_count(VLM_TEX_NOT_FOUND), 1);
}

TEST_F(TextureTest, ReapplyStopsAtAnInvalidName) {
  VLgeometry *g = VLgeometry_newrectangle(1, 1, false);
  ASSERT_NE(VLgeometrynode_new(VLuniverse_getrootnode(), g), nullptr);
  name_texture(g->polys, "X_wall");
  EXPECT_EXIT(VLtexture_reapply(), testing::ExitedWithCode(255), "Invalid texture name: X_wall");
}

/* ---------- failure reports ---------- */

TEST_F(TextureTest, ReportByErrorCode) {
  struct Case {
    int code;
    const char *message;
  } cases[] = {{2, VLTXT_TEX_NO_MEMORY}, {3, VLTXT_TEX_BAD_FORMAT}, {4, VLTXT_TEX_IO_ERROR},
               {5, VLTXT_TEX_TOO_LARGE}, {6, VLTXT_TEX_NOT_SQUARE}, {7, VLTXT_TEX_BAD_SIZE},
               {9, VLTXT_TEX_COLORMAP},  {1, VLTXT_TEX_NOT_FOUND},  {0, VLTXT_TEX_NOT_FOUND},
               {8, nullptr}};
  for (const Case &c : cases) {
    record_messages();
    _VLtextures().errorcode = c.code;
    VLtexture_reporterror(("name" + std::to_string(c.code)).c_str());
    EXPECT_EQ(_VLtextures().errorcode, 1);
    if (c.message) {
      EXPECT_EQ(fired_count(c.message), 1) << c.code;
      EXPECT_EQ(fired().size(), 1u);
    } else {
      EXPECT_EQ(fired().size(), 0u);
    }
  }
}

TEST_F(TextureTest, ReportRemembersTheLastSevenNames) {
  const char *names[] = {"a", "b", "c", "d", "e", "f", "g"};
  for (const char *n : names) VLtexture_reporterror(n);
  EXPECT_EQ(fired_count(VLM_TEX_NOT_FOUND), 7);
  VLtexture_reporterror("a");  // remembered: silent, and now the most recent
  EXPECT_EQ(fired_count(VLM_TEX_NOT_FOUND), 7);
  VLtexture_reporterror("h");  // drops the oldest, "b"
  VLtexture_reporterror("a");
  EXPECT_EQ(fired_count(VLM_TEX_NOT_FOUND), 8);
  VLtexture_reporterror("b");
  EXPECT_EQ(fired_count(VLM_TEX_NOT_FOUND), 9);
  EXPECT_EQ(fired().back().text, "VLX Warning: Texture b not found\n");
}

TEST_F(TextureTest, MissingTextureReportedOnce) {
  ImageDir dir;
  VLgeometry *g = VLgeometry_newrectangle(1, 1, false);
  EXPECT_FALSE(VLpoly_applytexture(g->polys, "stone", false, false));
  EXPECT_FALSE(VLpoly_applytexture(g->polys, "stone", false, false));
  EXPECT_EQ(fired_count(VLM_IMG_NOT_FOUND), 2);
  EXPECT_EQ(fired_count(VLM_TEX_NOT_FOUND), 1);

  /* Found as stone.rgb after stone and stone.tga were not. */
  dir.write("stone.rgb", sgi_verbatim(2, 2, Planes(3, std::vector<uint8_t>(4, 60))));
  EXPECT_TRUE(VLpoly_applytexture(g->polys, "stone", false, false));
  VLtexture *t = VLtexture_find("stone");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(rgba_at(t->pixels, 2, 1, 1), (Px{60, 60, 60, 255}));
  VLgeometry_delete(g);
}

/* ---------- uploads ---------- */

TEST_F(TextureTest, UploadPassesOnTheNullDevice) {
  ImageDir dir;
  dir.write("file.tga", tga_solid(4, 4, 1, 2, 3));
  VLtexture *made = from_pixels("made", 4, 4);
  VLtexture *loaded = VLtexture_load("file.tga", 1, 1);
  ASSERT_NE(loaded, nullptr);

  VLtexture_uploadpending(false);  // another window first: uploads, keeps the list
  uint32_t h1 = made->handle, h2 = loaded->handle;
  EXPECT_NE(h1, 0u);
  EXPECT_NE(h2, 0u);
  EXPECT_EQ(_VLtextures().pending, loaded);
  VLtexture_uploadpending(true);  // the main display ends the round without uploading again
  EXPECT_EQ(made->handle, h1);
  EXPECT_EQ(loaded->handle, h2);
  EXPECT_EQ(_VLtextures().pending, nullptr);
  EXPECT_EQ(made->flags, VLTEX_KEEPPIXELS);
  EXPECT_NE(made->pixels, nullptr);
  EXPECT_EQ(loaded->flags, 0);
  EXPECT_EQ(loaded->pixels, nullptr);

  made->flags |= VLTEX_EVERYFRAME;  // uploaded on every main pass
  _VLtexture_queue(made);
  for (int i = 0; i < 2; ++i) {
    uint32_t before = made->handle;
    VLtexture_uploadpending(true);
    EXPECT_NE(made->handle, before);
    EXPECT_EQ(_VLtextures().pending, made);
  }
}

TEST_F(TextureDevice, TextureGetsAHandleAndReleasesIt) {
  VLtexture *t = from_pixels("first", 16, 16);
  EXPECT_EQ(t->handle, 0u);
  VLuniverse_go1();
  uint32_t handle = t->handle;
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(_VLtextures().pending, nullptr);

  ASSERT_TRUE(VLtexture_delete(t));
  VLuniverse_go1();
  EXPECT_EQ(VLtexture_find("first"), nullptr);
  /* The device slot was released: the next texture takes it again. */
  VLtexture *next = from_pixels("second", 8, 8);
  VLuniverse_go1();
  EXPECT_EQ(next->handle, handle);
}

}  // namespace
