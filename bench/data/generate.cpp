/* benchdata: writes the benchmark's shipped data files into a directory.
 *   vy.tga       256 x 256 test pattern (orientation, filtering, aliasing)
 *   terrain.tga  256 x 256 terrain texture, coloured from the height field
 *   dome.tga     256 x 256 sky texture (blue gradient with soft clouds)
 *   final.wrl    VRML 1.0 world: textured 65 x 65 height field and sky dome
 *   fly.pth      a closed flight of 600 records over that height field
 * Standard library only, deterministic to the byte: noise is integer
 * hashing, the world is written from integers, and the few sines come from
 * our own polynomial instead of the C library, so any machine writes the
 * same files. Usage: benchdata <output directory> */
#include <math.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

/* --- deterministic arithmetic --- */

constexpr double kPi = 3.14159265358979323846;

/* sin(x) by range reduction and a Taylor polynomial: only +, -, *, / and
 * floor, so the result is the same wherever IEEE doubles are. */
double det_sin(double x) {
  double k = floor(x / (2 * kPi) + 0.5);
  double r = x - k * (2 * kPi);
  if (r > kPi / 2) r = kPi - r;
  if (r < -kPi / 2) r = -kPi - r;
  double term = r, sum = r, r2 = r * r;
  for (int n = 1; n <= 12; ++n) {
    term *= -r2 / double((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

double det_cos(double x) { return det_sin(x + kPi / 2); }

int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

/* Integer hash of a lattice point (a fixed mixing function, no seed state). */
uint32_t hash3(uint32_t x, uint32_t y, uint32_t salt) {
  uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ salt * 0xcb1ab31fu;
  h ^= h >> 16;
  h *= 0x7feb352du;
  h ^= h >> 15;
  h *= 0x846ca68bu;
  h ^= h >> 16;
  return h;
}

/* Smoothstep of t in [0, 65536], same scale. */
int64_t smooth16(int64_t t) { return t * t * (3 * 65536 - 2 * t) >> 32; }

int64_t lerp16(int64_t a, int64_t b, int64_t t) { return a + ((b - a) * t >> 16); }

/* Value noise in [0, 65535] at (x, y) >= 0 on a lattice of 2^shift units;
 * wrapx > 0 makes the lattice repeat every wrapx units along x. */
int64_t value_noise(int x, int y, int shift, uint32_t salt, int wrapx) {
  int cx = x >> shift, cy = y >> shift;
  int cells = wrapx > 0 ? wrapx >> shift : 0;
  int cx1 = cells > 0 ? (cx + 1) % cells : cx + 1;
  if (cells > 0) cx %= cells;
  int64_t tx = smooth16(int64_t(x & ((1 << shift) - 1)) << (16 - shift));
  int64_t ty = smooth16(int64_t(y & ((1 << shift) - 1)) << (16 - shift));
  int64_t a = hash3(cx, cy, salt) & 0xffff, b = hash3(cx1, cy, salt) & 0xffff;
  int64_t c = hash3(cx, cy + 1, salt) & 0xffff, d = hash3(cx1, cy + 1, salt) & 0xffff;
  return lerp16(lerp16(a, b, tx), lerp16(c, d, tx), ty);
}

/* Sum of octaves from 2^top down to 2^bottom units, amplitude halving each
 * octave, normalised back to [0, 65535]. */
int64_t fractal_noise(int x, int y, int top, int bottom, uint32_t salt, int wrapx) {
  int64_t sum = 0, weights = 0;
  for (int s = top, w = 1 << (top - bottom); s >= bottom; --s, w >>= 1) {
    sum += value_noise(x, y, s, salt + uint32_t(s), wrapx) * w;
    weights += w;
  }
  return sum / weights;
}

/* --- the height field --- */

/* The terrain is one function of a lattice 512 units across ("half texels":
 * the 256-texel texture has its texel centres at odd positions, the 65 x 65
 * mesh its vertices at multiples of 8). Heights are in hundredths of a world
 * unit: rolling hills, flat meadows where the noise runs low, and mountains
 * rising towards the rim so the world has a horizon of its own. */
constexpr int kField = 512;
constexpr int kGrid = 65;        /* mesh vertices per side */
constexpr int kCell = 16;        /* world units per mesh cell */
constexpr int kHalfWorld = 512;  /* the mesh spans -512 .. 512 in x and z */

int height_cm(int hx, int hy) {
  hx = clampi(hx, 0, kField);
  hy = clampi(hy, 0, kField);
  int64_t n = fractal_noise(hx, hy, 8, 2, 17, 0);
  int64_t hills = n > 25500 ? (n - 25500) * 13000 / 20000 : 0;
  int64_t dx = hx - kField / 2, dy = hy - kField / 2;
  int64_t r = int64_t(sqrt(double(dx * dx + dy * dy)));
  int64_t rim = r > 190 ? (r - 190) * (r - 190) * 81 / 100 : 0;
  return int(hills + rim);
}

/* Height of mesh vertex (i, j), hundredths of a unit. */
int vertex_cm(int i, int j) { return height_cm(8 * i, 8 * j); }

/* --- output helpers --- */

void append(std::string &out, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
void append(std::string &out, const char *fmt, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  out.append(buf, size_t(n < 0 ? 0 : n < int(sizeof buf) ? n : int(sizeof buf) - 1));
}

/* v / 10^digits written exactly, without trailing zeros ("12.5", "-3", "0.015625"). */
std::string fixed(int64_t v, int digits) {
  int64_t scale = 1;
  for (int d = 0; d < digits; ++d) scale *= 10;
  std::string s = v < 0 ? "-" : "";
  uint64_t a = uint64_t(v < 0 ? -v : v);
  s += std::to_string(a / uint64_t(scale));
  uint64_t frac = a % uint64_t(scale);
  if (frac) {
    std::string f = std::to_string(frac);
    f.insert(0, size_t(digits) - f.size(), '0');
    while (f.back() == '0') f.pop_back();
    s += "." + f;
  }
  return s;
}

bool write_file(const std::filesystem::path &path, const std::string &bytes) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) {
    perror(path.c_str());
    return false;
  }
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = fclose(f) == 0 && ok;
  if (!ok) fprintf(stderr, "benchdata: could not write %s\n", path.c_str());
  else printf("wrote %s (%zu bytes)\n", path.c_str(), bytes.size());
  return ok;
}

/* --- images --- */

struct Rgb {
  int r, g, b;
};

Rgb mix(Rgb a, Rgb b, int t256) {
  t256 = clampi(t256, 0, 256);
  return {a.r + (b.r - a.r) * t256 / 256, a.g + (b.g - a.g) * t256 / 256,
          a.b + (b.b - a.b) * t256 / 256};
}

Rgb scale(Rgb c, int s256) {
  return {clampi(c.r * s256 / 256, 0, 255), clampi(c.g * s256 / 256, 0, 255),
          clampi(c.b * s256 / 256, 0, 255)};
}

/* An uncompressed 24-bit Targa (type 2), bottom row first (descriptor 0);
 * pixel(x, y) gives the colour with y counted upwards. */
template <class Pixel>
std::string targa(int w, int h, Pixel pixel) {
  std::string out(18, '\0');
  out[2] = 2;
  out[12] = char(w & 255);
  out[13] = char(w >> 8);
  out[14] = char(h & 255);
  out[15] = char(h >> 8);
  out[16] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Rgb c = pixel(x, y);
      out += char(clampi(c.b, 0, 255));
      out += char(clampi(c.g, 0, 255));
      out += char(clampi(c.r, 0, 255));
    }
  return out;
}

/* vy.tga, with y upwards: red, green, blue and yellow corner squares (lower
 * left, lower right, upper left, upper right); 1-pixel black and white lines
 * along every edge; a 32-pixel checkerboard; a big "F" on the left and an
 * arrow pointing up and to the right, so any mirroring or rotation shows;
 * a zone plate at the lower right whose rings alias under point sampling. */
Rgb pattern_pixel(int x, int y) {
  const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, yellow{255, 255, 0};
  const Rgb black{0, 0, 0}, white{255, 255, 255};
  bool left = x < 24, right = x >= 232, bottom = y < 24, top = y >= 232;
  if (left && bottom) return red;
  if (right && bottom) return green;
  if (left && top) return blue;
  if (right && top) return yellow;
  if (y < 8 || y >= 248) return (y & 1) ? white : black;
  if (x < 8 || x >= 248) return (x & 1) ? white : black;
  bool stem = x >= 40 && x < 64 && y >= 48 && y < 208;
  bool topbar = x >= 40 && x < 136 && y >= 184 && y < 208;
  bool midbar = x >= 40 && x < 112 && y >= 120 && y < 144;
  if (stem || topbar || midbar) return {16, 16, 16};
  bool shaft = x - y <= 5 && y - x <= 5 && x + y >= 300 && x + y < 400;
  bool head = x <= 224 && y <= 224 && x + y >= 392;
  if (shaft || head) return {230, 90, 0};
  int dx = x - 184, dy = y - 72;
  if (dx >= -48 && dx < 48 && dy >= -48 && dy < 48)
    return ((dx * dx + dy * dy) >> 7) & 1 ? white : black;
  return ((x >> 5) + (y >> 5)) & 1 ? Rgb{224, 224, 224} : Rgb{160, 160, 160};
}

/* terrain.tga: lakes where the field is flat at zero, then shore, meadow,
 * grass, earth, rock and snow by height, rock on steep slopes, shaded by the
 * slope as if lit from one side, with patches and speckle for detail. */
Rgb terrain_pixel(int x, int y) {
  int hx = 2 * x + 1, hy = 2 * y + 1;
  int h = height_cm(hx, hy);
  int gx = height_cm(hx + 2, hy) - height_cm(hx - 2, hy);
  int gy = height_cm(hx, hy + 2) - height_cm(hx, hy - 2);
  int slope = (gx < 0 ? -gx : gx) + (gy < 0 ? -gy : gy); /* cm per 8 world units */
  int patches = int(fractal_noise(hx, hy, 5, 1, 77, 0) - 32768) / 400;
  int speckle = int(hash3(uint32_t(x), uint32_t(y), 99) % 25) - 12;
  if (h == 0) {
    Rgb water = mix(Rgb{40, 84, 110}, Rgb{58, 110, 132}, 128 + patches * 2);
    return {water.r + speckle / 4, water.g + speckle / 4, water.b + speckle / 4};
  }
  const Rgb shore{176, 164, 112}, meadow{132, 150, 72}, grass{58, 106, 40};
  const Rgb earth{118, 90, 56}, rock{124, 120, 114}, snow{240, 242, 246};
  Rgb c = mix(shore, meadow, h * 256 / 300);
  c = mix(c, grass, (h - 500) * 256 / 1500 + patches);
  c = mix(c, earth, (h - 8000) * 256 / 3000 + patches);
  c = mix(c, rock, (h - 13000) * 256 / 4000);
  c = mix(c, rock, (slope - 1000) * 256 / 900);
  c = mix(c, snow, (h - 20000) * 256 / 2500 + patches * 2);
  int shade = 256 + (gy - gx) * 256 / 2000 + patches;
  c = scale(c, clampi(shade, 140, 340));
  return {c.r + speckle, c.g + speckle, c.b + speckle};
}

/* dome.tga: u runs around the horizon (the clouds wrap at the seam), v from
 * 15 degrees below the horizon (row 0) to the zenith (row 255). */
constexpr int kHorizonRow = 256 * 15 / 105;

Rgb sky_pixel(int x, int y) {
  const Rgb haze{206, 214, 224}, horizon{178, 208, 238}, zenith{34, 78, 176};
  if (y < kHorizonRow) return mix(haze, horizon, y * 256 / kHorizonRow);
  int t = (y - kHorizonRow) * 256 / (255 - kHorizonRow); /* 0 horizon .. 256 zenith */
  Rgb sky = mix(horizon, zenith, 512 * t / (256 + t));
  int64_t n = fractal_noise(x * 2, y * 4, 6, 1, 5, 512);
  int cover = int(n - 30000) * 256 / 14000;
  int fade = clampi(t * 8, 0, 256) * clampi((256 - t) * 3, 0, 256) / 256;
  int cloud = clampi(cover, 0, 256) * fade / 256;
  Rgb white = mix(Rgb{250, 250, 252}, Rgb{196, 200, 212}, clampi(cover - 128, 0, 128));
  return mix(sky, white, cloud);
}

/* --- the world --- */

/* Sky dome: radius 1000 about the origin, 32 sectors, rings every 15
 * degrees from 15 below the horizon to 75 above, and the zenith. */
constexpr int kSectors = 32, kRings = 7, kDomeCm = 100000;

void world_terrain(std::string &out) {
  out += "  Separator {\n"
         "    ShapeHints { vertexOrdering COUNTERCLOCKWISE }\n"
         "    Material { ambientColor 1 1 1 diffuseColor 1 1 1 }\n"
         "    Texture2 { filename \"terrain.tga\" }\n"
         "    Coordinate3 { point [\n";
  for (int j = 0; j < kGrid; ++j)
    for (int i = 0; i < kGrid; ++i)
      append(out, "      %d %s %d,\n", -kHalfWorld + kCell * i, fixed(vertex_cm(i, j), 2).c_str(),
             -kHalfWorld + kCell * j);
  out += "    ] }\n    TextureCoordinate2 { point [\n";
  for (int j = 0; j < kGrid; ++j)
    for (int i = 0; i < kGrid; ++i)
      append(out, "      %s %s,\n", fixed(i * 15625, 6).c_str(), fixed(j * 15625, 6).c_str());
  /* Two triangles per cell, counter-clockwise seen from above. */
  std::string faces;
  for (int j = 0; j + 1 < kGrid; ++j)
    for (int i = 0; i + 1 < kGrid; ++i) {
      int k = j * kGrid + i;
      append(faces, "      %d, %d, %d, -1, %d, %d, %d, -1,\n", k, k + kGrid, k + 1, k + 1, k + kGrid,
             k + kGrid + 1);
    }
  out += "    ] }\n    IndexedFaceSet {\n      coordIndex [\n" + faces;
  out += "      ]\n      textureCoordIndex [\n" + faces + "      ]\n    }\n  }\n";
}

void dome_points(std::string &out) {
  out += "    Coordinate3 { point [\n";
  for (int k = 0; k < kRings; ++k) {
    double e = (k - 1) * kPi / 12;
    for (int s = 0; s < kSectors; ++s) {
      double a = s * 2 * kPi / kSectors;
      int64_t x = llround(kDomeCm * det_cos(e) * det_cos(a));
      int64_t y = llround(kDomeCm * det_sin(e));
      int64_t z = llround(kDomeCm * det_cos(e) * det_sin(a));
      append(out, "      %s %s %s,\n", fixed(x, 2).c_str(), fixed(y, 2).c_str(), fixed(z, 2).c_str());
    }
  }
  append(out, "      0 %d 0,\n    ] }\n", kDomeCm / 100);
  /* (kSectors + 1) x kRings grid (the seam repeated at u = 1), then one
   * zenith point per sector, in the middle of its sector. */
  out += "    TextureCoordinate2 { point [\n";
  for (int k = 0; k < kRings; ++k)
    for (int s = 0; s <= kSectors; ++s)
      append(out, "      %s %s,\n", fixed(s * 1000000 / kSectors, 6).c_str(),
             fixed((k * 1000000 + kRings / 2) / kRings, 6).c_str());
  for (int s = 0; s < kSectors; ++s)
    append(out, "      %s 1,\n", fixed((2 * s + 1) * 1000000 / (2 * kSectors), 6).c_str());
  out += "    ] }\n";
}

/* Quads between rings and triangles to the zenith, counter-clockwise seen
 * from inside. */
void dome_faces(std::string &out) {
  std::string coords, uvs;
  int apex = kRings * kSectors;
  for (int k = 0; k < kRings; ++k)
    for (int s = 0; s < kSectors; ++s) {
      int s1 = (s + 1) % kSectors;
      int t = k * (kSectors + 1) + s;
      if (k + 1 < kRings) {
        append(coords, "      %d, %d, %d, %d, -1,\n", k * kSectors + s, k * kSectors + s1,
               (k + 1) * kSectors + s1, (k + 1) * kSectors + s);
        append(uvs, "      %d, %d, %d, %d, -1,\n", t, t + 1, t + kSectors + 2, t + kSectors + 1);
      } else {
        append(coords, "      %d, %d, %d, -1,\n", k * kSectors + s, k * kSectors + s1, apex);
        append(uvs, "      %d, %d, %d, -1,\n", t, t + 1, kRings * (kSectors + 1) + s);
      }
    }
  out += "    IndexedFaceSet {\n      coordIndex [\n" + coords;
  out += "      ]\n      textureCoordIndex [\n" + uvs + "      ]\n    }\n";
}

std::string world(void) {
  std::string out =
      "#VRML V1.0 ascii\n"
      "# The benchmark's terrain world, written by benchdata: a 65 x 65 height\n"
      "# field (8192 triangles) textured with terrain.tga, and a sky dome\n"
      "# textured with dome.tga. Faces are counter-clockwise seen from where\n"
      "# they are viewed; shapes are not SOLID, so they are drawn two-sided.\n"
      "Separator {\n";
  world_terrain(out);
  out += "  Separator {\n"
         "    ShapeHints { vertexOrdering COUNTERCLOCKWISE }\n"
         "    Material { ambientColor 1 1 1 diffuseColor 1 1 1 }\n"
         "    Texture2 { filename \"dome.tga\" }\n";
  dome_points(out);
  dome_faces(out);
  out += "  }\n}\n";
  return out;
}

/* --- the flight --- */

constexpr int kRecords = 600;

struct Vec {
  double x, y, z;
};

/* Highest mesh vertex of the cells around (x, z), in world units: the flat
 * triangles never rise above their corners. */
double ground_below(double x, double z) {
  int ci = int(floor((x + kHalfWorld) / kCell)), cj = int(floor((z + kHalfWorld) / kCell));
  int best = 0;
  for (int j = cj - 1; j <= cj + 2; ++j)
    for (int i = ci - 1; i <= ci + 2; ++i) {
      int h = vertex_cm(clampi(i, 0, kGrid - 1), clampi(j, 0, kGrid - 1));
      best = h > best ? h : best;
    }
  return best / 100.0;
}

/* A closed loop over the inner valleys and the foothills. The altitude is
 * the highest ground within 40 records either way plus 28 units, smoothed
 * by three box filters of +-10 records: the averages reach only 30 records,
 * so the altitude never falls below ground + 28 at its own record. */
std::vector<Vec> flight_positions(void) {
  std::vector<Vec> p(kRecords);
  std::vector<double> ground(kRecords), alt(kRecords);
  for (int i = 0; i < kRecords; ++i) {
    double t = 2 * kPi * i / kRecords;
    p[i].x = 340 * det_cos(t) + 70 * det_cos(2 * t);
    p[i].z = 300 * det_sin(t) - 60 * det_sin(2 * t);
    ground[i] = ground_below(p[i].x, p[i].z);
  }
  for (int i = 0; i < kRecords; ++i) {
    double m = 0;
    for (int d = -40; d <= 40; ++d) m = fmax(m, ground[(i + d + kRecords) % kRecords]);
    alt[i] = m + 28;
  }
  for (int pass = 0; pass < 3; ++pass) {
    std::vector<double> next(kRecords);
    for (int i = 0; i < kRecords; ++i) {
      double sum = 0;
      for (int d = -10; d <= 10; ++d) sum += alt[(i + d + kRecords) % kRecords];
      next[i] = sum / 21;
    }
    alt = next;
  }
  for (int i = 0; i < kRecords; ++i) p[i].y = alt[i];
  return p;
}

/* Orientation looking along d with no roll: pitch about x first, then yaw
 * about y, q = Qx(pitch) * Qy(-heading) with heading = atan2(dx, dz); the
 * half-angle sines and cosines come straight from d. Row 2 of R(q) is then
 * (cos p sin h, sin p, cos p cos h) = d / |d|. */
void orientation(Vec d, double q[4]) {
  double flat = sqrt(d.x * d.x + d.z * d.z), len = sqrt(flat * flat + d.y * d.y);
  double ch = d.z / flat, cp = flat / len;
  double cb = sqrt((1 + ch) / 2), sb = (d.x < 0 ? 1 : -1) * sqrt((1 - ch) / 2);
  double ca = sqrt((1 + cp) / 2), sa = (d.y < 0 ? -1 : 1) * sqrt((1 - cp) / 2);
  q[0] = sa * cb;
  q[1] = ca * sb;
  q[2] = sa * sb;
  q[3] = ca * cb;
}

std::string flight(void) {
  std::vector<Vec> p = flight_positions();
  std::string out = "path record v.2\n";
  append(out, "%d\n", kRecords);
  double prev[4] = {0, 0, 0, 1};
  for (int i = 0; i < kRecords; ++i) {
    const Vec &a = p[(i + kRecords - 1) % kRecords], &b = p[(i + 1) % kRecords];
    double q[4];
    orientation(Vec{b.x - a.x, b.y - a.y, b.z - a.z}, q);
    if (q[0] * prev[0] + q[1] * prev[1] + q[2] * prev[2] + q[3] * prev[3] < 0)
      for (double &c : q) c = -c; /* keep neighbouring records in one hemisphere */
    for (int c = 0; c < 4; ++c) prev[c] = q[c];
    append(out, "Posi  %f %f %f\n", p[i].x, p[i].y, p[i].z);
    append(out, "Orie  %f %f %f %f\n", q[0], q[1], q[2], q[3]);
  }
  return out;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: benchdata <output directory>\n");
    return 2;
  }
  std::filesystem::path dir(argv[1]);
  std::error_code err;
  std::filesystem::create_directories(dir, err);
  if (err) {
    fprintf(stderr, "benchdata: cannot create %s: %s\n", argv[1], err.message().c_str());
    return 1;
  }
  bool ok = write_file(dir / "vy.tga", targa(256, 256, pattern_pixel));
  ok = write_file(dir / "terrain.tga", targa(256, 256, terrain_pixel)) && ok;
  ok = write_file(dir / "dome.tga", targa(256, 256, sky_pixel)) && ok;
  ok = write_file(dir / "final.wrl", world()) && ok;
  ok = write_file(dir / "fly.pth", flight()) && ok;
  return ok ? 0 : 1;
}
