/* Measurements: start and cancel, the measuring action, the settings
 * printout and the two reports. A grid or overwrite measurement covers 10
 * frames; a ripple measurement three ripples; a terrain measurement one
 * pass of the fly-through path. Rates are computed in 32-bit floats; a rate
 * over zero time, or an average over zero frames or polygons, prints as 0
 * (never "inf" or "nan"). A measurement within one tick of the 1 ms clock
 * still gets the high frame rate warning. */
#include "bench.h"
#include "core/messages.h"
#include "vlx/vlx.h"

namespace {

void timestamp(int32_t *s, int32_t *us) {
  int64_t t = int64_t(VLclock_seconds() * 1000.0 + 0.5);
  *s = int32_t(t / 1000);
  *us = int32_t(float(t % 1000) * 0.001f * 1000000.0f);
}

float elapsed(void) {
  const Bench &b = bench();
  return float(b.stop_s - b.start_s) + float(b.stop_us - b.start_us) * 0.000001f;
}

/* a / b, or 0 when b is 0. */
float ratio(float a, float b) { return b != 0.0f ? a / b : 0.0f; }

/* Above 10 frames per second, or any frames in zero time. */
bool high_rate(float frames, float T) { return T > 0.0f ? frames / T > 10.0f : frames > 0.0f; }

const char *onoff(bool on) { return on ? "On" : "Off"; }

void install_idle(void) {
  VLuniverse_setactions(bench().ripple ? bench_rippleidle : bench_idle);
}

void stop_path(void) {
  if (bench().path) {
    VLpath_stop(bench().path);
    VLpath_rewind(bench().path);
  }
}

void print_warning(bool reportb) {
  VLMSG(WARN1);
  if (reportb)
    VLMSG(WARN2_B);
  else
    VLMSG(WARN2);
  VLMSG(RULE);
}

void print_texmemory(const BenchFigures &f) {
  if (f.hastexmemory) VLMSG(TEXMEM, int(f.texmemory));
}

/* What both reports share: the window, texture memory, the last frame. */
BenchFigures common_figures(bool reportb) {
  const Bench &b = bench();
  BenchFigures f;
  f.reportb = reportb;
  VLwindow_getposition(b.window, nullptr, nullptr, &f.width, &f.height);
  f.hastexmemory = b.rendering & 1;
  if (f.hastexmemory) f.texmemory = (long long)VLtexture_memory();
  f.lastframe = VLwindow_numpolys(b.window);
  return f;
}

void print_model_a(int P) {
  const Bench &b = bench();
  VLMSG(RULE_START);
  VLMSG(MODEL);
  if (b.overwrite) {
    VLMSG(OVERWRITE);
    if (b.overwritecount < 0) VLMSG(FRONTBACK, P);
    else VLMSG(BACKFRONT, b.overwritecount);
  } else {
    VLMSG(GRID, b.gridsize, b.gridsize);
    if (b.quads)
      VLMSG(QUADS);
    else
      VLMSG(TRIANGLES);
  }
}

BenchFigures figures_a(float T) {
  const Bench &b = bench();
  BenchFigures f = common_figures(false);
  int X = f.width * f.height, P;
  if (b.overwrite) P = b.overwritecount < 0 ? -b.overwritecount : b.overwritecount;
  else P = (b.quads ? 100 : 200) * b.gridsize * b.gridsize;
  f.elapsed = T;
  f.frames = 10;
  f.pixels = X;
  f.polygons = P;
  f.framerate = ratio(10.0f, T);
  f.hasrate = !b.overwrite;
  f.polyrate = ratio(10.0f * float(P), T);
  f.megapixels = ratio(10.0f * float(X), T) * 0.000001f;
  if (b.overwrite) f.megapixels = f.megapixels * float(P);
  f.pixelsperpoly = b.overwrite ? float(X) : ratio(float(X), float(P));
  f.warning = high_rate(10.0f, T);
  return f;
}

void report_a(float T) {
  const Bench &b = bench();
  BenchFigures f = figures_a(T);
  print_model_a(f.polygons);
  VLMSG(ELAPSED, double(f.elapsed));
  VLMSG(AREA, f.height, f.width);
  VLMSG(PIXELS, f.pixels);
  VLMSG(NPOLYS, f.polygons);
  if (b.overwrite) VLMSG(PIXPOLY_INT, f.pixels);
  else VLMSG(PIXPOLY, double(f.pixelsperpoly));
  VLMSG(FRAMERATE, double(f.framerate));
  if (f.hasrate) VLMSG(POLYRATE, double(f.polyrate));
  if (f.megapixels > 1.0f)
    VLMSG(MPIX, double(f.megapixels));
  else
    VLMSG(MPIX_SMALL, double(f.megapixels));
  print_texmemory(f);
  if (b.windowed)
    VLMSG(LASTFRAME_W, f.lastframe);
  else
    VLMSG(LASTFRAME, f.lastframe);
  bench_printsettings(true);
  VLMSG(RULE);
  if (f.warning) print_warning(false);
  VLMSG(STARS);
  bench_outputs_report(f);
}

BenchFigures figures_b(float T) {
  const Bench &b = bench();
  BenchFigures f = common_figures(true);
  f.elapsed = T;
  f.frames = b.frames;
  f.polygons = b.polygons;
  f.perframe = ratio(float(b.polygons), float(b.frames));
  f.polyrate = ratio(float(b.polygons), T);
  f.hasrate = true;
  f.framerate = ratio(float(b.frames), T);
  f.warning = high_rate(float(b.frames), T);
  return f;
}

void report_b(float T) {
  const Bench &b = bench();
  BenchFigures f = figures_b(T);
  if (b.terrain)
    VLMSG(TERRAIN);
  else
    VLMSG(RIPPLE);
  VLMSG(ELAPSED, double(f.elapsed));
  VLMSG(TOTALPOLYS, f.polygons);
  VLMSG(AVGFRAME, double(f.perframe));
  VLMSG(AVGSEC, double(f.polyrate));
  VLMSG(TOTALFRAMES, f.frames);
  VLMSG(FRAMERATE, double(f.framerate));
  print_texmemory(f);
  bench_printsettings(false);
  VLMSG(LASTFRAME, f.lastframe);
  VLMSG(RULE);
  if (f.warning) print_warning(true);
  VLMSG(STARS);
  bench_outputs_report(f);
}

bool complete(void) {
  const Bench &b = bench();
  if (b.terrain) return !b.path || !VLpath_isplaying(b.path);
  if (b.ripple) return b.ripplecount > 2;
  return b.frames >= 10;
}

void finish_measurement(void) {
  Bench &b = bench();
  timestamp(&b.stop_s, &b.stop_us);
  b.measuring = false;
  VLuniverse_setactions(bench_idle);
  float T = elapsed();
  if (b.terrain || b.ripple) report_b(T);
  else report_a(T);
  stop_path();
  install_idle();
  if (b.onmeasured) b.onmeasured();
}

/* The surface flat again and the ripple state at its start. */
void reset_ripple(void) {
  Bench &b = bench();
  VLgeometry *g = b.ripplegeometry;
  if (g && b.ripplevertices[0]) {
    VLgeometry_beginedit(g);
    for (VLvertex *v : b.ripplevertices) {
      float p[3];
      VLvertex_getposition(g, v, p);
      p[2] = 0.0f;
      VLvertex_setposition(g, v, p);
    }
    VLgeometry_endedit(g);
  }
  b.ripplecount = 0;
  b.ripplecolumn = b.ripplerow = 15;
  b.ripplephase = 0.0f;
}

}  // namespace

void bench_printsettings(bool vertexline) {
  const Bench &b = bench();
  if (vertexline) {
    VLMSG(VERTEX);
    VLMSG(NORMALS, onoff(b.vertexflags & 2));
    VLMSG(COLORS, onoff(b.vertexflags & 1));
  }
  VLMSG(PREBUILD, onoff(b.prebuild));
  if (b.rendering & 128) {
    VLMSG(WIREFRAME);
    return;
  }
  VLMSG(SOLID);
  VLMSG(LIGHTING, onoff(b.rendering & 4));
  VLMSG(SMOOTH, onoff(b.rendering & 8));
  VLMSG(TEXTURING, onoff(b.rendering & 1));
  VLMSG(PERSPECTIVE, onoff(b.rendering & 32));
  VLMSG(TEXMODE);
  if (b.texturemode == 0) VLMSG(POINT);
  else if (b.texturemode == 1) VLMSG(BILINEAR);
  else if (b.texturemode == 2) VLMSG(MIPMAP);
}

void bench_measure(void) {
  Bench &b = bench();
  if (b.measuring) {
    install_idle();
    stop_path();
    b.measuring = false;
  } else {
    VLuniverse_setactions(bench_measuring);
    timestamp(&b.start_s, &b.start_us);
    b.frames = 0;
    b.polygons = 0;
    if (b.terrain && b.path) VLpath_play(b.path);
    if (b.ripple) reset_ripple();
    b.measuring = true;
  }
  if (b.onmeasured) b.onmeasured();
}

void bench_measuring(void) {
  Bench &b = bench();
  if (b.measuring && complete()) finish_measurement();
  if (!b.measuring) {
    if (b.path) VLpath_stop(b.path);
    install_idle();
  }
  if (b.terrain || b.ripple) b.polygons += VLwindow_numpolys(b.window);
  if (b.ripple) {
    bench_ripplestep();
    if (b.batchmode && !b.measuring && !b.resetting) batch_next();
  }
  b.frames += 1;
}
