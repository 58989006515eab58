/* Start-up of the benchmark once the universe exists: the fly-through path
 * linked to the viewpoint, lighting and smooth shading, the default texture
 * filter, a directed light, the model switch (an empty Separator, the world
 * model "final.wrl" or a placeholder, the ripple surface), the window's projection and
 * the default grid of size 2. */
#include "bench.h"
#include "vlx/vlx.h"

namespace {

/* The world model "final.wrl", found along VLMODELS; its textures are
 * named after its directory. Null when it cannot be loaded: the terrain
 * scene then shows the path over an empty model. */
VLnode *load_world(VLnode *parent) {
  const char *found = VLfile_findmodel("final.wrl");
  if (!found) return nullptr;
  std::string path(found);
  size_t slash = path.rfind('/');
  bench().worlddir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return VLnode_load(parent, path.c_str(), 1.0f);
}

void window_setup(void) {
  VLwindow_setprojection(bench().window, 3);
  VLwindow_setfrustum(bench().window, 0, -1.0f, 1.0f, -1.0f, 1.0f, 1.0f, 3000.0f);
}

void build_ripple(void) {
  Bench &b = bench();
  b.buildingripple = true;
  b.ripplegeometry = bench_patch(false, false, RIPPLE_SIDE, RIPPLE_SIDE, false);
  b.buildingripple = false;
  if (!b.ripplegeometry) return;
  float mid[3], ext[3];
  VLgeometry_getmidpoint(b.ripplegeometry, mid);
  VLgeometry_getextents(b.ripplegeometry, ext);
  for (int a = 0; a < 3; ++a) {
    b.texbox[0][a] = mid[a] - ext[a] / 2;
    b.texbox[1][a] = mid[a] + ext[a] / 2;
  }
  struct Map {
    static float u(const float p[3]) {
      return (p[0] - bench().texbox[0][0]) / (bench().texbox[1][0] - bench().texbox[0][0]);
    }
    static float v(const float p[3]) {
      return (p[1] - bench().texbox[0][1]) / (bench().texbox[1][1] - bench().texbox[0][1]);
    }
  };
  VLgeometry_settexturemap(b.ripplegeometry, "vy.tga", Map::u, Map::v, true, false);
  VLgeometrynode_new(b.modelswitch, b.ripplegeometry);
}

}  // namespace

void bench_startup(void) {
  Bench &b = bench();
  bench_outputs_open();
  b.viewpoint = VLuniverse_getviewpoints();
  b.window = VLuniverse_getwindows();
  b.path = VLpath_load("fly.pth", nullptr);
  if (b.path) VLmotionlink_new(b.path, b.viewpoint, 1, 0);
  b.rendering = 12;
  VLuniverse_setrendering(12);
  VLtexture_setfilter(nullptr, 1, 1);
  b.root = VLuniverse_getrootnode();
  VLdirlightnode_new(b.root);
  b.modelswitch = VLswitchnode_new(b.root);
  VLsepnode_new(b.modelswitch);
  if (!load_world(b.modelswitch)) VLsepnode_new(b.modelswitch);
  build_ripple();
  window_setup();
  b.sensor = nullptr;   /* a new universe holds no sensor */
  b.terrain = b.ripple = b.measuring = false;
  VLswitchnode_setwhich(b.modelswitch, -1);
  VLuniverse_setactions(bench_idle);
  bench_gridscene(2);
  bench_prebuildwalk(b.root, false);
  window_setup();
}
