/* Results as data and frame snapshots. With VLXRESULTS naming a file, every
 * report is also appended to it as one JSON object per line (program,
 * device, window, scene, settings, the report's figures as numbers, a UTC
 * time stamp); each line goes out in one write() on a file opened for
 * appending, so runs that share a file never interleave their lines. With
 * VLXSNAPSHOTS naming a folder, the last frame of every measurement is
 * saved there as a PNG named after the measurement's scene and settings.
 * Both are checked once at start-up: a file or folder that cannot be used
 * gives one warning and the run goes on without it. Unset, neither
 * changes anything the benchmark prints. */
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "bench.h"
#include "core/messages.h"
#include "vlx/vlx.h"

namespace {

struct Outputs {
  int results = -1;          /* the results file, or -1 */
  std::string snapshots;     /* the snapshot folder, or empty */
};

Outputs &outputs(void) {
  static Outputs o;
  return o;
}

/* Opens the results file for appending without blocking (a FIFO without a
 * reader is refused at once), then makes it blocking again. Directories
 * are refused. -1 with errno set on failure. */
int open_results(const char *name) {
  int fd = open(name, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    errno = EISDIR;
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

/* A usable snapshot folder: a directory we may write into. */
bool usable_folder(const char *name) {
  struct stat st;
  if (stat(name, &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  return access(name, W_OK | X_OK) == 0;
}

/* ---------- JSON text ---------- */

void add(std::string &s, const char *text) { s += text; }

void add_string(std::string &s, const char *text) {
  s += '"';
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text ? text : ""); *p; ++p) {
    if (*p == '"' || *p == '\\') {
      s += '\\';
      s += char(*p);
    } else if (*p < 0x20) {
      char buf[8];
      snprintf(buf, sizeof buf, "\\u%04x", *p);
      s += buf;
    } else {
      s += char(*p);
    }
  }
  s += '"';
}

void key(std::string &s, const char *name) {
  if (!s.empty() && s.back() != '{') s += ',';
  add_string(s, name);
  s += ':';
}

void field(std::string &s, const char *name, const char *text) {
  key(s, name);
  add_string(s, text);
}

void field(std::string &s, const char *name, long long n) {
  key(s, name);
  s += std::to_string(n);
}

void field_bool(std::string &s, const char *name, bool on) {
  key(s, name);
  add(s, on ? "true" : "false");
}

/* The exact value of the 32-bit figure the report printed: 17 significant
 * digits of its double give back the same number when read. */
void field_float(std::string &s, const char *name, float f) {
  char buf[40];
  snprintf(buf, sizeof buf, "%.17g", double(f));
  key(s, name);
  s += buf;
}

void open_object(std::string &s, const char *name) {
  key(s, name);
  s += '{';
}

const char *texturemode_name(int mode) {
  static const char *const names[3] = {"POINT", "BILINEAR", "MIPMAP"};
  return mode >= 0 && mode <= 2 ? names[mode] : "";
}

void add_device(std::string &s) {
  VLdevicedesc d = {"", "", "", false};
  VLrenderer_device(&d);
  open_object(s, "device");
  field(s, "vendor", d.vendor);
  field(s, "renderer", d.renderer);
  field(s, "version", d.version);
  field(s, "kind", d.hardware ? "hardware" : "software");
  s += '}';
}

void add_scene(std::string &s) {
  const Bench &b = bench();
  open_object(s, "scene");
  if (b.terrain || b.ripple) {
    field(s, "kind", b.terrain ? "terrain" : "ripple");
  } else if (b.overwrite) {
    field(s, "kind", "overwrite");
    field(s, "overwrite_count", b.overwritecount < 0 ? -(long long)b.overwritecount
                                                     : (long long)b.overwritecount);
    field(s, "order", b.overwritecount < 0 ? "front-to-back" : "back-to-front");
  } else {
    field(s, "kind", "grid");
    field(s, "grid_size", b.gridsize);
    field(s, "grid_cells", 10LL * b.gridsize);
    field(s, "multiplier", b.multiplier);
    field(s, "faces", b.quads ? "quads" : "triangles");
  }
  s += '}';
}

/* The settings the report printed, in its order. */
void add_settings(std::string &s, bool vertexline) {
  const Bench &b = bench();
  open_object(s, "settings");
  if (vertexline) {
    field_bool(s, "vertex_normals", b.vertexflags & 2);
    field_bool(s, "vertex_colors", b.vertexflags & 1);
  }
  field_bool(s, "prebuild", b.prebuild);
  field_bool(s, "wireframe", b.rendering & 128);
  if (!(b.rendering & 128)) {
    field_bool(s, "lighting", b.rendering & 4);
    field_bool(s, "smooth_shading", b.rendering & 8);
    field_bool(s, "texturing", b.rendering & 1);
    field_bool(s, "perspective_texturing", b.rendering & 32);
    field(s, "texture_mode", texturemode_name(b.texturemode));
  }
  s += '}';
}

void add_figures(std::string &s, const BenchFigures &f) {
  open_object(s, "figures");
  field_float(s, "elapsed_s", f.elapsed);
  field(s, "frames", f.frames);
  field_float(s, "frame_rate", f.framerate);
  if (f.reportb) {
    field(s, "polygons_drawn", f.polygons);
    field_float(s, "polygons_per_frame", f.perframe);
    field_float(s, "polygons_per_s", f.polyrate);
  } else {
    field(s, "polygons", f.polygons);
    field(s, "pixels_per_window", f.pixels);
    field_float(s, "pixels_per_polygon", f.pixelsperpoly);
    if (f.hasrate) field_float(s, "polygons_per_s", f.polyrate);
    field_float(s, "megapixels_per_s", f.megapixels);
  }
  if (f.hastexmemory) field(s, "texture_memory", f.texmemory);
  field(s, "polygons_last_frame", f.lastframe);
  field_bool(s, "high_frame_rate_warning", f.warning);
  s += '}';
}

void add_timestamp(std::string &s) {
  time_t now = time(nullptr);
  struct tm t;
  char buf[32] = "";
  if (gmtime_r(&now, &t)) strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &t);
  field(s, "timestamp", buf);
}

std::string json_line(const BenchFigures &f) {
  const Bench &b = bench();
  std::string s = "{";
  field(s, "program", b.windowed ? "rendertestw" : "rendertest");
  field(s, "version", "6");
  field(s, "report", f.reportb ? "B" : "A");
  field(s, "measurement", bench_measurement_name(f.width, f.height).c_str());
  add_device(s);
  open_object(s, "window");
  field(s, "width", f.width);
  field(s, "height", f.height);
  s += '}';
  add_scene(s);
  add_settings(s, !f.reportb);
  add_figures(s, f);
  add_timestamp(s);
  s += "}\n";
  return s;
}

void write_line(const std::string &line) {
  int fd = outputs().results;
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += size_t(n);
  }
}

}  // namespace

void bench_outputs_open(void) {
  Outputs &o = outputs();
  if (o.results >= 0) close(o.results);
  o.results = -1;
  o.snapshots.clear();
  const char *r = getenv("VLXRESULTS");
  if (r && *r) {
    o.results = open_results(r);
    if (o.results < 0) VLMSG(RESULTS_UNWRITABLE, r, strerror(errno));
  }
  const char *f = getenv("VLXSNAPSHOTS");
  if (f && *f) {
    if (usable_folder(f))
      o.snapshots = f;
    else
      VLMSG(SNAPSHOTS_NOFOLDER, f, strerror(errno));
  }
}

std::string bench_measurement_name(int width, int height) {
  const Bench &b = bench();
  char buf[160];
  int n;
  if (b.terrain || b.ripple)
    n = snprintf(buf, sizeof buf, "%s", b.terrain ? "terrain" : "ripple");
  else if (b.overwrite)
    n = snprintf(buf, sizeof buf, "overwrite%d-%s",
                 b.overwritecount < 0 ? -b.overwritecount : b.overwritecount,
                 b.overwritecount < 0 ? "frontback" : "backfront");
  else
    n = snprintf(buf, sizeof buf, "grid%dx%d-%s-m%d", 10 * b.gridsize, 10 * b.gridsize,
                 b.quads ? "quads" : "triangles", b.multiplier);
  std::string s(buf, size_t(n > 0 ? n : 0));
  snprintf(buf, sizeof buf, "_%dx%d", width, height);
  s += buf;
  if (!(b.terrain || b.ripple)) {
    snprintf(buf, sizeof buf, "_n%dc%d", (b.vertexflags & 2) ? 1 : 0, (b.vertexflags & 1) ? 1 : 0);
    s += buf;
  }
  s += b.prebuild ? "_pb1" : "_pb0";
  if (b.rendering & 128) return s + "_wire";
  snprintf(buf, sizeof buf, "_l%ds%dt%dp%d_%s", (b.rendering & 4) ? 1 : 0, (b.rendering & 8) ? 1 : 0,
           (b.rendering & 1) ? 1 : 0, (b.rendering & 32) ? 1 : 0,
           b.texturemode == 0 ? "point" : b.texturemode == 1 ? "bilinear" : "mipmap");
  return s + buf;
}

void bench_outputs_report(const BenchFigures &f) {
  Outputs &o = outputs();
  if (o.results >= 0) write_line(json_line(f));
  if (!o.snapshots.empty()) {
    std::string file = o.snapshots + "/" + bench_measurement_name(f.width, f.height) + ".png";
    if (!VLrenderer_savepng(bench().window, file.c_str())) VLMSG(SNAPSHOT_FAILED, file.c_str());
  }
}
