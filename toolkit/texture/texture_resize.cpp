/* Bringing images to the sizes the device takes: each side to the nearer
 * power of two (bilinear resampling with the alpha rule), then the maximum
 * edge (VLXMAXTEXSIZE) and, with VLXSQRTEX, square textures (box filter). */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "texture/texture_internal.h"
#include "vlx/diag.h"
#include "vlx/renderer.h"

namespace {

/* A resampled pixel is opaque when its filtered alpha reaches this. */
const float kOpaqueAlpha = 102.0f;

uint8_t clamp_byte(float v) { return v >= 255.0f ? 255 : v <= 0.0f ? 0 : uint8_t(v + 0.5f); }

/* Source position and weight of target index i along one axis. */
void sample_axis(int i, int src, int dst, int *i0, int *i1, float *f) {
  float s = (float(i) + 0.5f) * float(src) / float(dst) - 0.5f;
  if (s < 0.0f) s = 0.0f;
  if (s > float(src - 1)) s = float(src - 1);
  *i0 = int(s);
  *i1 = *i0 + 1 < src ? *i0 + 1 : *i0;
  *f = s - float(*i0);
}

}  // namespace

int _VLtexture_pow2(int n) {
  if (n <= 1 || (n & (n - 1)) == 0) return n < 1 ? 1 : n;
  int k = 0;
  while ((2L << k) <= n) ++k;  // k = floor(log2 n)
  ++k;                         // 2^k < n for a side that is not a power of two
  if (5 * (1L << k) > 8L * n) --k;
  return 1 << k;
}

uint8_t *_VLtexture_resample(const uint8_t *src, int sw, int sh, int dw, int dh) {
  uint8_t *dst = static_cast<uint8_t *>(VLmalloc(size_t(dw) * size_t(dh) * 4));
  for (int y = 0; y < dh; ++y) {
    int y0, y1;
    float fy;
    sample_axis(y, sh, dh, &y0, &y1, &fy);
    for (int x = 0; x < dw; ++x) {
      int x0, x1;
      float fx;
      sample_axis(x, sw, dw, &x0, &x1, &fx);
      const int xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
      const float ws[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
      /* Colours weighted by their alpha, so transparent texels add nothing. */
      float c[3] = {0, 0, 0}, a = 0;
      for (int k = 0; k < 4; ++k) {
        const uint8_t *p = src + (size_t(ys[k]) * size_t(sw) + size_t(xs[k])) * 4;
        float wa = ws[k] * p[3];
        for (int j = 0; j < 3; ++j) c[j] += wa * p[j] / 255.0f;
        a += wa;
      }
      uint8_t *d = dst + (size_t(y) * size_t(dw) + size_t(x)) * 4;
      if (a >= kOpaqueAlpha) {
        for (int j = 0; j < 3; ++j) d[j] = clamp_byte(c[j] / (a / 255.0f));
        d[3] = 255;
      } else {
        memset(d, 0, 4);
      }
    }
  }
  return dst;
}

/* Each target pixel covers a block of (sw / dw) x (sh / dh) source pixels:
 * opaque when at least half of them are fully opaque, coloured by the mean
 * of the opaque ones. */
uint8_t *_VLtexture_boxfilter(const uint8_t *src, int sw, int sh, int dw, int dh) {
  int bx = sw / dw, by = sh / dh;
  uint8_t *dst = static_cast<uint8_t *>(VLmalloc(size_t(dw) * size_t(dh) * 4));
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) {
      unsigned sum[3] = {0, 0, 0}, opaque = 0;
      for (int j = 0; j < by; ++j)
        for (int i = 0; i < bx; ++i) {
          const uint8_t *p =
              src + (size_t(y * by + j) * size_t(sw) + size_t(x * bx + i)) * 4;
          if (p[3] != 255) continue;
          ++opaque;
          for (int k = 0; k < 3; ++k) sum[k] += p[k];
        }
      uint8_t *d = dst + (size_t(y) * size_t(dw) + size_t(x)) * 4;
      unsigned n = opaque ? opaque : 1;
      for (int k = 0; k < 3; ++k) d[k] = uint8_t(sum[k] / n);
      d[3] = 2 * opaque >= unsigned(bx * by) ? 255 : 0;
    }
  return dst;
}

uint8_t *_VLtexture_fit(uint8_t *pixels, int *w, int *h) {
  int nw = _VLtexture_pow2(*w), nh = _VLtexture_pow2(*h);
  if (nw != *w || nh != *h) {
    uint8_t *r = _VLtexture_resample(pixels, *w, *h, nw, nh);
    free(pixels);
    pixels = r;
    *w = nw;
    *h = nh;
  }
  const VLrenderersettings *s = VLrenderer_settings();
  int m = s && s->maxtexsize > 0 ? s->maxtexsize : 1024;
  bool square = s && s->sqrtex;
  if (nw <= m && nh <= m && (nw == nh || !square)) return pixels;
  int tw = nw, th = nh;
  if (square) tw = th = nw < nh ? nw : nh;
  if (tw > m) tw = m;
  if (th > m) th = m;
  uint8_t *r = _VLtexture_boxfilter(pixels, nw, nh, tw, th);
  free(pixels);
  *w = tw;
  *h = th;
  return r;
}
