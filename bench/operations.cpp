/* The benchmark state and the operations shared by the batch interpreter
 * and the windowed front end: rendering toggles, vertex flags, texture
 * mode, the prebuild walk, and the idle actions. */
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "bench.h"
#include "readers/bytes/fetch.h"
#include "vlx/vlx.h"

namespace {
Bench g_bench;
}

Bench &bench(void) { return g_bench; }

void bench_initstate(void) {
  Bench &b = bench();
  b.quads = true;
  b.multiplier = 1;
  b.prebuild = false;
  b.vertexflags = 3;
  b.texturemode = 2;
}

namespace {

/* Opens a regular file for reading, or gives null. The file is opened
 * without blocking (a FIFO without a writer would wait forever) and
 * checked before anything is read: directories, FIFOs and devices such as
 * /dev/zero are not batch files. */
FILE *open_regular(const char *name) {
  int fd = _VLfetch_openregular(name, nullptr);
  if (fd < 0) return nullptr;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE *f = fdopen(fd, "r");
  if (!f) close(fd);
  return f;
}

}  // namespace

int bench_batchoption(const char *a) {
  Bench &b = bench();
  if (a[0] != '-' || (a[1] != 'b' && a[1] != 'B')) return 0;
  if (b.batch) fclose(b.batch);
  b.batchname = a + 2;
  b.batch = open_regular(b.batchname);
  if (!b.batch) return -1;
  b.batchmode = true;
  return 1;
}

void bench_togglerendering(int code) {
  Bench &b = bench();
  switch (code) {
    case TOGGLE_TEXTURE: b.rendering ^= 1; break;
    case TOGGLE_LIGHTING: b.rendering ^= 4; break;
    case TOGGLE_SMOOTH: b.rendering ^= 8; break;
    case TOGGLE_PERSPECTIVE: b.rendering ^= 32; break;
    case TOGGLE_WIREFRAME:
      VLuniverse_setrendering(b.wireframe ? b.rendering : 128);
      b.wireframe = !b.wireframe;
      return;
    default: break;
  }
  VLuniverse_setrendering(b.rendering);
}

void bench_setvertexflags(uint8_t flags) {
  Bench &b = bench();
  b.vertexflags = flags;
  if (b.scenenode) VLswitchnode_setwhich(b.scenenode, flags);
}

/* (kind, level): point (0, 0), bilinear (1, 1), mipmap (1, 7). */
void bench_settexturemode(int mode) {
  static const int kind[3] = {0, 1, 1}, level[3] = {0, 1, 7};
  if (mode < 0 || mode > 2) return;
  /* The world's textures carry the directory it was found in. */
  const std::string &dir = bench().worlddir;
  for (const std::string &name : {dir + "terrain.tga", dir + "dome.tga", std::string("vy.tga")})
    VLtexture_setfilter(name.c_str(), kind[mode], level[mode]);
  bench().texturemode = uint8_t(mode);
}

/* Every Geometry node under node: its prebuilt form released and, when on,
 * made again (the toolkit keeps none, so this only walks). */
void bench_prebuildwalk(VLnode *node, bool on) {
  if (!node) return;
  std::vector<VLnode *> stack{node};
  while (!stack.empty()) {
    VLnode *n = stack.back();
    stack.pop_back();
    if (n->type == VLNODE_GEOMETRY) {
      VLgeometry *g = static_cast<VLgeometrynode *>(n)->geometry;
      VLgeometry_unprebuild(g);
      if (on) VLgeometry_prebuild(g);
    }
    int count = VLnode_numchildren(n);
    for (int i = count - 1; i >= 0; --i)
      if (VLnode *c = VLnode_getchild(n, i)) stack.push_back(c);
  }
}

void bench_setprebuild(bool on) {
  bench().prebuild = on;
  bench_prebuildwalk(bench().root, on);
}

void bench_idle(void) {
  Bench &b = bench();
  if (b.batchmode && !b.measuring) batch_next();
}

void bench_rippleidle(void) {
  bench_ripplestep();
  Bench &b = bench();
  if (b.batchmode && !b.measuring) batch_next();
}
