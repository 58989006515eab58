/* The first pass of the OpenFlight reader: every record in turn, over a
 * bounds-checked cursor. A record length below 4 or past the end of the
 * data stops the walk with a warning (what was read so far is kept). The
 * header gives the units and scale; palettes are read where they stand;
 * records that make something become beads in a tree that follows the
 * push/pop nesting (an explicit stack, at most VLFLT_MAXDEPTH deep);
 * matrix, replicate and long ID records attach to the bead they follow. */
#include <string.h>

#include "core/messages.h"
#include "readers/flt/flt_internal.h"

namespace {

/* Unit codes and their size in metres. */
struct Unit {
  int code;
  double metres;
};
const Unit kUnits[] = {{0, 1.0}, {1, 1000.0}, {4, 0.3048}, {5, 0.0254}, {8, 1852.0}};
/* Offsets in the header record. */
const size_t kHeaderRevision = 12, kHeaderScale = 60;
/* Colour palette: brightest colours from this offset, 4 bytes each. */
const size_t kColoursAt = 132, kMaxColours = 1024;
/* Texture palette: file name field size. */
const size_t kTextureName = 200;

/* What a walk keeps between records. */
struct Walk {
  std::vector<int> stack{0};  /* beads whose children are being read */
  int last = 0;               /* the bead an ancillary record belongs to, -1 none */
  int skipping = 0;           /* pushes open inside a skipped part */
};

bool is_bead(int op) {
  switch (op) {
    case FLT_GROUP: case FLT_OLDLOD: case FLT_OBJECT: case FLT_FACE: case FLT_INSTREF:
    case FLT_INSTDEF: case FLT_EXTREF: case FLT_VERTEXLIST: case FLT_LOD: case FLT_SWITCH:
      return true;
    default:
      return false;
  }
}

/* Records that say something about the bead before them. */
bool is_ancillary(int op) {
  return op == FLT_COMMENT || op == FLT_LONGID || op == FLT_MATRIX || op == FLT_REPLICATE ||
         (op >= 40 && op <= 48) || (op >= 76 && op <= 82) || op == 94 || op == 50 ||
         op == 51 || op == 52 || op == 53;
}

void read_units(FltFile &f, size_t at, size_t length) {
  VLbytecursor c = _VLflt_record(f, at, length);
  c.seek(kHeaderRevision);
  f.revision = int32_t(c.be32());
  c.seek(kHeaderScale);
  int16_t scale = int16_t(c.be16());
  int code = c.u8();
  double metres = 0.0;
  for (const Unit &u : kUnits)
    if (u.code == code) metres = u.metres;
  if (metres == 0.0) {
    VLMSG(FLT_UNKNOWN_UNITS, code, f.path.c_str());
    metres = 1.0;
  }
  /* Metres are the target unit. A scale of 0 leaves the units alone. */
  f.unitscale = metres;
  if (scale > 0) f.unitscale *= scale;
  if (scale < 0) f.unitscale /= -double(scale);
}

void read_colours(FltFile &f, size_t at, size_t length) {
  f.colours.clear();
  if (length <= kColoursAt) return;
  size_t n = (length - kColoursAt) / 4;
  if (n > kMaxColours) n = kMaxColours;
  VLbytecursor c = _VLflt_record(f, at, length);
  c.seek(kColoursAt);
  for (size_t i = 0; i < n; ++i) f.colours.push_back(c.be32());
}

void read_texture(FltFile &f, size_t at, size_t length) {
  VLbytecursor c = _VLflt_record(f, at, length);
  char name[kTextureName + 1];
  c.bytes(reinterpret_cast<uint8_t *>(name), kTextureName);
  name[kTextureName] = 0;
  FltTexture t;
  t.file = name;  /* up to the first zero */
  t.pattern = int32_t(c.be32());
  f.textures.push_back(std::move(t));
}

void read_vertex_palette(FltFile &f, size_t at, size_t length) {
  VLbytecursor c = _VLflt_record(f, at, length);
  uint32_t total = c.be32();
  f.palette = at;
  f.paletteend = total > f.size - at ? f.size : at + total;
}

/* A palette or the header; false when op is none of them. */
bool read_palette(FltFile &f, int op, size_t at, size_t length) {
  switch (op) {
    case FLT_COLOURS: read_colours(f, at, length); return true;
    case FLT_TEXTURE: read_texture(f, at, length); return true;
    case FLT_MATERIALS: f.materials = at; return true;
    case FLT_VERTICES: read_vertex_palette(f, at, length); return true;
    case FLT_VERTEXC: case FLT_VERTEXCN: case FLT_VERTEXCNT: case FLT_VERTEXCT: return true;
    default: return false;
  }
}

void add_bead(FltFile &f, Walk &w, int op, size_t at, size_t length) {
  FltBead b;
  b.opcode = uint16_t(op);
  b.at = at;
  b.length = length;
  b.parent = w.stack.back();
  int index = int(f.beads.size());
  FltBead &p = f.beads[size_t(b.parent)];
  if (p.last >= 0) f.beads[size_t(p.last)].next = index;
  else p.first = index;
  p.last = index;
  f.beads.push_back(b);
  w.last = index;
}

void attach_ancillary(FltFile &f, Walk &w, int op, size_t at) {
  if (w.last < 0) return;  /* standing alone: skipped */
  FltBead &b = f.beads[size_t(w.last)];
  if (op == FLT_MATRIX) b.matrix = at;
  if (op == FLT_REPLICATE) b.replicate = at;
  if (op == FLT_LONGID) b.longid = at;
}

/* A push opens the children of the bead before it; a subface push those
 * of the face whose children are being read (it follows a vertex list). */
void push(FltFile &f, Walk &w, size_t at, bool subfaces) {
  if (w.skipping || w.stack.size() > VLFLT_MAXDEPTH) {
    if (!w.skipping) VLMSG(FLT_NESTING, f.path.c_str(), int(VLFLT_MAXDEPTH), at);
    ++w.skipping;
    return;
  }
  w.stack.push_back(w.last >= 0 && !subfaces ? w.last : w.stack.back());
  w.last = -1;
}

void pop(Walk &w) {
  if (w.skipping) --w.skipping;
  else if (w.stack.size() > 1) w.stack.pop_back();
  w.last = -1;
}

/* One record at f.data + at; false when the walk stops. */
bool step(FltFile &f, Walk &w, size_t at, size_t *length) {
  size_t left = f.size - at;
  int op = left >= 2 ? (f.data[at] << 8 | f.data[at + 1]) : 0;
  int n = left >= 4 ? (f.data[at + 2] << 8 | f.data[at + 3]) : 0;
  if (left < 4 || size_t(n) > left) {
    VLMSG(FLT_RECORD_PAST_END, f.path.c_str(), op, _VLflt_opname(op), at, n, left);
    return false;
  }
  if (n < 4) {
    VLMSG(FLT_SHORT_RECORD, f.path.c_str(), op, _VLflt_opname(op), at, n);
    return false;
  }
  *length = size_t(n);
  if (op == FLT_PUSH || op == FLT_PUSHSUBFACE) push(f, w, at, op == FLT_PUSHSUBFACE);
  else if (op == FLT_POP || op == FLT_POPSUBFACE) pop(w);
  else if (w.skipping) return true;
  else if (is_bead(op)) add_bead(f, w, op, at, *length);
  else if (is_ancillary(op)) attach_ancillary(f, w, op, at);
  else if (!read_palette(f, op, at, *length)) {
    if (op != FLT_HEADER) VLMSG(FLT_UNSUPPORTED, op, _VLflt_opname(op));
    w.last = -1;
  }
  return true;
}

}  // namespace

bool _VLflt_scan(FltFile &f) {
  size_t first = f.size >= 4 ? size_t(f.data[2] << 8 | f.data[3]) : 0;
  if (f.size < 4 || f.data[0] != 0 || f.data[1] != FLT_HEADER || first < 4 || first > f.size) {
    VLMSG(FLT_BAD_HEADER, f.path.c_str());
    return false;
  }
  FltBead header;
  header.opcode = FLT_HEADER;
  header.at = 0;
  header.length = first;
  f.beads.reserve(f.size / 64);  /* a face with its vertex list takes about 100 bytes */
  f.beads.push_back(header);
  read_units(f, 0, first);
  Walk w;
  size_t at = first;
  while (at < f.size) {
    size_t length = 0;
    if (!step(f, w, at, &length)) break;
    at += length;
  }
  return true;
}

VLbytecursor _VLflt_record(const FltFile &f, size_t at, size_t length) {
  VLbytecursor whole(f.data, f.size);
  whole.seek(at);
  VLbytecursor c = whole.sub(length);
  c.skip(4);
  return c;
}

double _VLflt_f64(VLbytecursor &c) {
  uint64_t hi = c.be32();
  uint64_t u = hi << 32 | c.be32();
  double d;
  memcpy(&d, &u, sizeof d);
  return d;
}

float _VLflt_f32(VLbytecursor &c) {
  uint32_t u = c.be32();
  float x;
  memcpy(&x, &u, sizeof x);
  return x;
}

std::string _VLflt_id(const FltFile &f, const FltBead &b) {
  size_t at = b.at, length = b.length, cap = 8;
  if (f.session->options.longids && b.longid) {
    at = b.longid;  /* its length was checked by the scan */
    length = size_t(f.data[at + 2] << 8 | f.data[at + 3]);
    cap = length - 4;
  }
  VLbytecursor c = _VLflt_record(f, at, length);
  std::string s;
  for (size_t i = 0; i < cap && c.left(); ++i) {
    char ch = char(c.u8());
    if (!ch) break;
    s += ch;
  }
  return s;
}
