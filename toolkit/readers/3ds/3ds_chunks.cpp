/* The 3D Studio chunk walk: a chunk is a 2-byte tag, a 4-byte length that
 * counts its 6 header bytes, its own data and its sub-chunks. The file is
 * one M3DMAGIC chunk; its mesh-data chunk holds the objects, materials and
 * scene settings (3ds_scene.cpp, 3ds_material.cpp, 3ds_mesh.cpp). Keyframe
 * data and every other unknown chunk are skipped by their lengths. A
 * length past the end of the parent refuses the file before anything in
 * it is read. */
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/3ds/3ds_internal.h"
#include "readers/bytes/fetch.h"

namespace {

/* Smallest chunk: its header. */
const size_t kHeader = 6;
/* Deepest nesting followed (a real file nests five or six deep). */
const int kMaxDepth = 32;

unsigned long offset_of(const VL3dsparse &p, const VLbytecursor &c) {
  return (unsigned long)(c.data() + c.pos() - p.base);
}

bool fail(VL3dsparse &p) {
  p.failed = true;
  return false;
}

const VL3dshandler *find_handler(const VL3dshandler *table, size_t n, uint16_t tag) {
  for (size_t i = 0; i < n; ++i)
    if (table[i].tag == tag) return &table[i];
  return nullptr;
}

/* One chunk header of body: tag, and the body of the chunk (checked to
 * lie inside body). */
bool next_chunk(VL3dsparse &p, VLbytecursor &body, uint16_t *tag, VLbytecursor *chunk) {
  unsigned long at = offset_of(p, body);
  if (body.left() < 2) {
    VLMSG(TDS_READ_TAG, p.depth, at);
    return fail(p);
  }
  *tag = body.le16();
  if (body.left() < 4) {
    VLMSG(TDS_READ_LENGTH, p.depth, at);
    return fail(p);
  }
  uint32_t length = _VL3ds_le32(body);
  if (length < kHeader || length - kHeader > body.left()) {
    if (length < kHeader) {
      VLMSG(TDS_READ_LENGTH, p.depth, at);
    } else {
      VLMSG(TDS_CHUNK_PAST_PARENT, p.path, unsigned(*tag), at, (unsigned long)length,
            (unsigned long)(at + body.left() + kHeader));
    }
    return fail(p);
  }
  *chunk = body.sub(length - kHeader);
  return true;
}

/* The file chunk: only its mesh data is read. */
bool magic(VL3dsparse &p, VLbytecursor &body) {
  static const VL3dshandler kFile[] = {{TDS_MDATA, _VL3ds_mdata}};
  return _VL3ds_children(p, body, kFile);
}

}  // namespace

bool _VL3ds_children(VL3dsparse &p, VLbytecursor &body, const VL3dshandler *table, size_t n) {
  if (p.depth >= kMaxDepth) return true;  /* deeper chunks are skipped whole */
  ++p.depth;
  bool ok = true;
  while (ok && body.left() > 0) {
    uint16_t tag = 0;
    VLbytecursor chunk(nullptr, 0);
    ok = next_chunk(p, body, &tag, &chunk);
    if (!ok) break;
    const VL3dshandler *h = find_handler(table, n, tag);
    if (h) ok = h->fn(p, chunk) && !p.failed;
  }
  --p.depth;
  return ok;
}

bool _VL3ds_readerror(VL3dsparse &p, const VLbytecursor &c, uint16_t tag) {
  VLMSG(TDS_READ_ERROR, int(tag), long(offset_of(p, c)));
  return fail(p);
}

bool _VL3ds_countfits(VL3dsparse &p, const VLbytecursor &c, uint16_t tag, size_t count,
                      size_t size) {
  if (count <= c.left() / size) return true;
  VLMSG(TDS_COUNT_PAST_CHUNK, p.path, unsigned(tag), offset_of(p, c), (unsigned long)count,
        (unsigned long)c.left());
  return fail(p);
}

bool _VL3ds_string(VL3dsparse &p, VLbytecursor &c, uint16_t tag, std::string &out) {
  const uint8_t *start = c.data() + c.pos();
  const void *end = memchr(start, 0, c.left());
  if (!end) return _VL3ds_readerror(p, c, tag);
  size_t n = size_t(static_cast<const uint8_t *>(end) - start);
  out.assign(reinterpret_cast<const char *>(start), n);
  c.skip(n + 1);
  return true;
}

uint32_t _VL3ds_le32(VLbytecursor &c) {
  uint32_t lo = c.le16();
  uint32_t hi = c.le16();
  return lo | hi << 16;
}

float _VL3ds_float(VLbytecursor &c) {
  uint32_t bits = _VL3ds_le32(c);
  float f;
  memcpy(&f, &bits, sizeof f);
  return f;
}

int _VL3ds_readbytes(const char *path, const uint8_t *data, size_t size, VL3dsdb **db) {
  if (!db) return VL3DS_BADCHUNK;
  *db = nullptr;
  VL3dsdb *made = new VL3dsdb;
  made->materials.emplace_back();  /* the default material */
  made->materials[0].hasambient = made->materials[0].hasdiffuse = true;
  made->materials[0].hasspecular = made->materials[0].hasshininess = true;
  VL3dsparse p;
  p.path = path ? path : "";
  p.base = data;
  p.db = made;
  VLbytecursor file(data, data ? size : 0);
  if (file.left() >= 2 && (file.data()[0] | file.data()[1] << 8) != TDS_M3DMAGIC) {
    VLMSG(TDS_NO_MAGIC);
    delete made;
    return VL3DS_BADCHUNK;
  }
  uint16_t tag = 0;
  VLbytecursor top(nullptr, 0);
  bool ok = next_chunk(p, file, &tag, &top) && magic(p, top);
  if (!ok) {
    VLMSG(TDS_CANT_INTERPRET);
    delete made;
    return VL3DS_BADCHUNK;
  }
  *db = made;
  return VL3DS_OK;
}

int _VL3ds_read(FILE *stream, VL3dsdb **db) {
  if (db) *db = nullptr;
  char *bytes = nullptr;
  size_t size = 0;
  if (!stream || !_VLfetch_warned("", stream, &bytes, &size)) return VL3DS_BADCHUNK;
  int code = _VL3ds_readbytes("", reinterpret_cast<const uint8_t *>(bytes), size, db);
  free(bytes);
  return code;
}

void _VL3ds_free(VL3dsdb *db) { delete db; }
