/* The benchmark's scenes and measurements inside one process: polygon
 * counts of the scenes, the ripple's source sequence and phase rule, the
 * reports' lines under a controlled clock, and the scenes' pixels through
 * the device's general program and its variants. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

#include <string>
#include <vector>

#include "bench.h"
#include "core/state.h"
#include "geometry/state.h"
#include "core/messages.h"
#include "display/device/device.h"
#include "support/image_fixtures.h"
#include "support/messages.h"
#include "vlx/vlx.h"

namespace {

int64_t g_ms = 100000;
int64_t fake_clock(void) { return g_ms; }

/* The texts of the messages recorded since record_messages(), joined. */
std::string printed(void) {
  std::string s;
  for (const FiredMessage &m : fired()) s += m.text;
  return s;
}

class BenchScenes : public UniverseTest {
 protected:
  void SetUp() override {
    UniverseTest::SetUp();
    bench() = Bench();
    testing::internal::CaptureStdout();
    bench_startup();
    testing::internal::GetCapturedStdout();
  }
  void TearDown() override {
    _VLclock_setsource(nullptr);
    bench() = Bench();
    UniverseTest::TearDown();
  }
  int frame_polys(void) {
    VLuniverse_go1();
    return VLwindow_numpolys(bench().window);
  }
  /* Runs a measurement to completion with the clock advancing by total_ms
   * over it, and returns what it printed. */
  std::string measure(int64_t total_ms) {
    _VLclock_setsource(fake_clock);
    testing::internal::CaptureStdout();
    bench_measure();
    record_messages();
    for (int i = 0; i < 10; ++i) VLuniverse_go1();
    g_ms += total_ms;
    VLuniverse_go1();
    testing::internal::GetCapturedStdout();
    return printed();
  }
};

}  // namespace

TEST_F(BenchScenes, GridSizesGiveTheirPolygonCounts) {
  struct Case { int size; bool quads; int multiplier; int polys; };
  const Case cases[] = {{1, true, 1, 100}, {9, true, 1, 8100}, {1, false, 1, 200},
                        {2, true, 0, 0}, {2, true, 3, 1200}};
  for (const Case &c : cases) {
    bench().quads = c.quads;
    bench().multiplier = c.multiplier;
    bench_gridscene(c.size);
    EXPECT_EQ(frame_polys(), c.polys) << c.size << (c.quads ? " quads x" : " triangles x")
                                      << c.multiplier;
  }
}

/* Every geometry gets a material table of its own that the universe keeps
 * after the geometry is gone; a scene change deletes its scene's tables, so
 * a long run that changes scenes keeps a flat table list. */
TEST_F(BenchScenes, ChangingScenesKeepsTheMaterialTableListFlat) {
  auto tables = [] {
    int n = 0;
    for (VLmtable *t = _VLgeom().tables; t; t = t->next) ++n;
    return n;
  };
  bench_gridscene(3);
  const int after_grid = tables();
  for (int i = 0; i < 3; ++i) {
    bench_overwritescene(i % 2 ? 4 : -4);
    bench_setmultiplier(2);
    bench().quads = i % 2;
    bench_gridscene(3);
    bench_ripplescene();
    bench_gridscene(3);
    EXPECT_EQ(tables(), after_grid) << "round " << i;
  }
}

TEST_F(BenchScenes, VertexFlagsSelectTheGridVariant) {
  bench_gridscene(1);
  for (int flags = 0; flags < 4; ++flags) {
    bench_setvertexflags(uint8_t(flags));
    EXPECT_EQ(static_cast<VLswitchnode *>(bench().scenenode)->which, flags);
  }
}

TEST_F(BenchScenes, OverwriteLayersStandAtTheirDepthsInBothOrders) {
  for (int c : {2, -2, 16}) {
    bench_overwritescene(c);
    VLnode *sep = VLnode_getchild(bench().scenenode, 0);
    ASSERT_NE(sep, nullptr);
    int n = VLnode_numchildren(sep);
    ASSERT_EQ(n, c < 0 ? -c : c);
    for (int k = 0; k < n; ++k) {
      VLgeometry *g = static_cast<VLgeometrynode *>(VLnode_getchild(sep, k))->geometry;
      float expect = c > 0 ? float(k) : float(n - 1 - k);
      EXPECT_FLOAT_EQ(g->centre[2], expect) << c << " layer " << k;
    }
    EXPECT_EQ(VLuniverse_getwindows()->projection, VLPROJ_PARALLEL);
    EXPECT_EQ(frame_polys(), n);
  }
}

TEST_F(BenchScenes, RippleSourcesFollowTheirSequenceAndWrap) {
  bench_ripplescene();
  Bench &b = bench();
  std::vector<std::pair<int, int>> sources{{b.ripplecolumn, b.ripplerow}};
  float before = 0;
  while (sources.size() < 6) {
    int count = b.ripplecount;
    before = b.ripplephase;
    bench_ripplestep();
    if (b.ripplecount != count) {
      /* A new ripple starts only once the accumulated phase exceeds 6.0. */
      EXPECT_LE(before, 6.0f);
      EXPECT_GT(before + 0.1f, 6.0f);
      sources.emplace_back(b.ripplecolumn, b.ripplerow);
    }
  }
  const std::vector<std::pair<int, int>> expect{{15, 15}, {22, 12}, {0, 9},
                                                {7, 6},   {14, 3},  {21, 29}};
  EXPECT_EQ(sources, expect);
  /* The surface moved away from the plane. */
  float p[3], highest = 0;
  for (VLvertex *v : b.ripplevertices) {
    VLvertex_getposition(b.ripplegeometry, v, p);
    highest = fmaxf(highest, fabsf(p[2]));
  }
  EXPECT_GT(highest, 0.01f);
}

TEST_F(BenchScenes, ReportALinesForTrianglesAndExactRates) {
  bench().quads = false;
  bench_gridscene(3);
  /* 3.072 s: pixel rate exactly 1.0, printed with four decimals. */
  std::string out = measure(3072);
  EXPECT_NE(out.find("\n---------------------------------------\nModel: 30 by 30 grid of: triangles\n"),
            std::string::npos) << out;
  EXPECT_NE(out.find("Elapsed Time(sec): 3.07\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Render Area Height(pixels): 480 Width(pixels): 640\n"), std::string::npos);
  EXPECT_NE(out.find("Pixels/window: 307200\n# of Polygons: 1800\nPixels/Poly: 170.67\n\n"),
            std::string::npos) << out;
  EXPECT_NE(out.find("Megapixels/Sec: 1.0000\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Polygons in last frame: 1800\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Vertex: Normals On\tColors On\nPrebuild Off\n"), std::string::npos);
  EXPECT_EQ(out.find("Texture memory"), std::string::npos);   /* texturing off */
  EXPECT_EQ(out.find("WARNING"), std::string::npos);          /* 3.26 frames/s */
  EXPECT_NE(out.find("*******************************************\n"), std::string::npos);
}

TEST_F(BenchScenes, FrameRateOfTenGivesNoWarningAndZeroTimeDoesNotTrap) {
  bench_gridscene(1);
  std::string out = measure(1000);
  EXPECT_NE(out.find("Framerate(frames/sec): 10.00\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
  out = measure(0);
  EXPECT_NE(out.find("Elapsed Time(sec): 0.00\n"), std::string::npos) << out;
  EXPECT_NE(out.find("WARNING High Frame Rate"), std::string::npos) << out;
}

TEST_F(BenchScenes, OverwriteReportsAndSettingsVariants) {
  bench_overwritescene(-8);
  bench_togglerendering(TOGGLE_TEXTURE);
  std::string out = measure(500);
  EXPECT_NE(out.find("Model: Overiting\t8 polygons Front->Back\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Pixels/Poly: 307200\n\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("Polygons/Sec"), std::string::npos);
  EXPECT_NE(out.find("Texture memory(bytes): "), std::string::npos) << out;
  bench_overwritescene(8);
  char rw[] = "rw on\n";   /* the batch command puts bit 128 in the flags byte */
  batch_line(rw);
  out = measure(500);
  EXPECT_NE(out.find("8 polygons Back->Front\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Prebuild Off\nWireframe\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("Solid:"), std::string::npos) << out;
}

TEST_F(BenchScenes, CancelPrintsNothingAndSceneChangesEndMeasurements) {
  bench_gridscene(1);
  bench_measure();
  EXPECT_TRUE(bench().measuring);
  record_messages();
  bench_measure();   /* cancel */
  EXPECT_FALSE(bench().measuring);
  for (int i = 0; i < 12; ++i) VLuniverse_go1();
  EXPECT_EQ(printed().find("Model:"), std::string::npos);
  bench_measure();
  bench_gridscene(2);
  EXPECT_FALSE(bench().measuring);
}

TEST_F(BenchScenes, TerrainMakesAMouseSensorThatEverySceneChangeDeletes) {
  VLuniverse *u = VLuniverse_current();
  void (*const builders[])(void) = {[] { bench_gridscene(3); }, [] { bench_overwritescene(2); },
                                     bench_ripplescene, bench_terrainscene};
  for (void (*build)(void) : builders) {
    bench_terrainscene();
    VLsensor *s = bench().sensor;
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(u->sensors, s);
    EXPECT_EQ(s->next, nullptr);
    EXPECT_EQ(s->kind, VLSENSOR_POLLED);
    EXPECT_EQ(s->parameter, 1);
    EXPECT_EQ(s->update, VLmouse_update);
    /* The Root's radius is taken while the old scene still hangs under it. */
    EXPECT_GT(s->sensitivity, 0.0f);
    bool followed = false;
    for (VLmotionlink *l = u->motionlinks; l; l = l->next)
      followed |= l->source == s && l->target == bench().viewpoint && l->frame == 0;
    EXPECT_TRUE(followed);
    build();
    /* The old sensor is gone with its link; terrain again has a fresh one. */
    bool terrain = bench().terrain;
    EXPECT_EQ(u->sensors, terrain ? bench().sensor : nullptr);
    EXPECT_EQ(bench().sensor != nullptr, terrain);
    int links = 0;
    for (VLmotionlink *l = u->motionlinks; l; l = l->next)
      links += l->sourcekind == VLSOURCE_SENSOR;
    EXPECT_EQ(links, terrain ? 1 : 0);
  }
}

/* ---------- the same pixels through the general program and the variants ---------- */

namespace {

/* The benchmark's scenes on the software device, with its texture written
 * into a directory of the test's own. */
class BenchScenePixels : public DeviceTest {
 protected:
  void SetUp() override {
    char path[] = "/tmp/vlx-pixels-XXXXXX";
    dir_ = mkdtemp(path) ? path : "/tmp";
    std::vector<uint8_t> rgba(64 * 64 * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = uint8_t((i * 29) ^ (i >> 7));
    Bytes tga = tga_from_rgba(rgba, 64, 64);
    FILE *f = fopen((dir_ + "/vy.tga").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(tga.data(), 1, tga.size(), f);
    fclose(f);
    const char *old = getenv("VLIMAGES");
    hadimages_ = old != nullptr;
    if (old) oldimages_ = old;
    setenv("VLIMAGES", dir_.c_str(), 1);
    DeviceTest::SetUp();
    bench() = Bench();
    testing::internal::CaptureStdout();
    bench_startup();
    testing::internal::GetCapturedStdout();
  }
  void TearDown() override {
    if (VLdevice *d = _VLdevice()) d->generalshading(false);
    bench() = Bench();
    DeviceTest::TearDown();
    if (hadimages_) setenv("VLIMAGES", oldimages_.c_str(), 1);
    else unsetenv("VLIMAGES");
    remove((dir_ + "/vy.tga").c_str());
    rmdir(dir_.c_str());
  }
  /* The window's pixels of the current scene drawn again (no animation
   * step), through the general program or the variants. */
  std::vector<uint8_t> draw(bool general) {
    _VLdevice()->generalshading(general);
    VLrenderer_frame();
    VLwindow *w = VLuniverse_getwindows();
    std::vector<uint8_t> img(size_t(w->context->width) * w->context->height * 4);
    VLrenderer_readpixels(w, img.data(), w->context->width, w->context->height);
    return img;
  }
  std::string dir_, oldimages_;
  bool hadimages_ = false;
};

struct SceneCase {
  const char *name;
  void (*build)(void);
};

struct StateCase {
  bool lit, smooth, textured, wire;
  uint8_t vertexflags;
  int filter;
};

void set_rendering(const StateCase &s) {
  Bench &b = bench();
  if (bool(b.rendering & 128) != s.wire) bench_togglerendering(TOGGLE_WIREFRAME);
  if (bool(b.rendering & 4) != s.lit) bench_togglerendering(TOGGLE_LIGHTING);
  if (bool(b.rendering & 8) != s.smooth) bench_togglerendering(TOGGLE_SMOOTH);
  if (bool(b.rendering & 1) != s.textured) bench_togglerendering(TOGGLE_TEXTURE);
  bench_settexturemode(s.filter);
}

}  // namespace

TEST_F(BenchScenePixels, VariantsDrawWhatTheGeneralProgramDraws) {
  const SceneCase scenes[] = {
      {"mg 20 quads", [] { bench().quads = true; bench().multiplier = 1; bench_gridscene(2); }},
      {"mg 20 triangles", [] { bench().quads = false; bench().multiplier = 1; bench_gridscene(2); }},
      {"mg 90 quads", [] { bench().quads = true; bench().multiplier = 1; bench_gridscene(9); }},
      {"mg 20 attached 4 times", [] { bench().quads = true; bench().multiplier = 4; bench_gridscene(2); }},
      {"overwrite 16 nearest first", [] { bench_overwritescene(16); }},
      {"overwrite 16 farthest first", [] { bench_overwritescene(-16); }},
      {"ripple", [] { bench_ripplescene(); }},
  };
  const StateCase states[] = {
      {true, true, true, false, 3, 1},  {true, true, false, false, 3, 1},
      {false, true, true, false, 3, 1}, {false, true, false, false, 3, 1},
      {true, false, false, false, 3, 1}, {true, false, true, false, 0, 0},
      {true, true, false, false, 0, 2}, {true, true, false, false, 1, 1},
      {true, true, true, false, 2, 2},  {true, true, false, true, 3, 1},
  };
  for (const SceneCase &sc : scenes)
    for (const StateCase &st : states) {
      set_rendering(st);
      bench_setvertexflags(st.vertexflags);
      sc.build();
      VLuniverse_go1();   /* compiles, uploads the texture, animates once */
      std::vector<uint8_t> general = draw(true), variant = draw(false);
      ASSERT_EQ(general.size(), variant.size());
      size_t differing = 0, lit = 0;
      int worst = 0;
      for (size_t i = 0; i < general.size(); i += 4) {
        int d = 0;
        for (int k = 0; k < 4; ++k) d = std::max(d, abs(int(general[i + k]) - int(variant[i + k])));
        if (d) ++differing;
        if (general[i] | general[i + 1] | general[i + 2]) ++lit;
        worst = std::max(worst, d);
      }
      std::string what = std::string(sc.name) + (st.lit ? " lit" : " unlit") +
                         (st.smooth ? " smooth" : " flat") + (st.textured ? " textured" : "") +
                         (st.wire ? " wireframe" : "") + " vertex flags " +
                         std::to_string(st.vertexflags) + " filter " + std::to_string(st.filter);
      EXPECT_GT(lit, general.size() / 4 / 50) << what << ": the scene covers the window";
      EXPECT_LE(worst, 1) << what;
      EXPECT_LE(differing, general.size() / 4 / 1000) << what;
    }
}
