/* The benchmark state and the operations shared by the batch interpreter
 * and the windowed front end. Scene building and measurement are placeholders
 * that keep the requested settings until the scenes exist. */
#include "bench.h"
#include "vlx/universe.h"

namespace {
Bench g_bench;
}

Bench &bench(void) { return g_bench; }

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

void bench_setvertexflags(uint8_t flags) { bench().vertexflags = flags; }

void bench_settexturemode(int mode) { bench().texturemode = static_cast<uint8_t>(mode); }

void bench_setprebuild(bool on) { bench().prebuild = on; }

void bench_gridscene(int size) { bench().gridsize = size; }

void bench_overwritescene(int count) { bench().overwritecount = count; }

void bench_ripplescene(void) {}

void bench_terrainscene(void) {}

void bench_measure(void) {}

void bench_idle(void) {
  Bench &b = bench();
  if (b.batchmode && !b.measuring) batch_next();
}
