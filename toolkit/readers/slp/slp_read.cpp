/* SLP files: "solid" name, then facets ("facet" ... "endfacet": "normal"
 * x y z lines, then "outer loop", "vertex" x y z lines, "endloop") and
 * "color" r g b lines that colour the facets after them, up to
 * "endsolid" and the token after it; the next solid's name follows on
 * that line ("endsolid" alone on its line, then "solid" name), or, when
 * "endsolid" carried the old name, the next line reads "solid" name. Each
 * solid is one geometry; each facet one polygon of up to 10 vertices,
 * vertex i with the facet's normal i (the last normal given when it has
 * fewer). Read through the tokenizer with "//" comments. */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/text/tokenizer.h"
#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/slp.h"

namespace {

const char kComment[] = "//";
const float kColourScale = 255.99f;

struct Facet {
  float position[VLSLP_MAXFACETVERTICES][3];
  float normal[VLSLP_MAXFACETVERTICES][3];
  int nvertices = 0, nnormals = 0;
  bool overflow = false;
};

/* How a solid ended. */
enum SolidEnd {
  kEndOfInput,     /* complete; the data ended */
  kEndSolid,       /* complete; the token after "endsolid" was "solid" or none */
  kEndSolidNamed,  /* complete; "endsolid" carried a name */
  kFailed          /* deleted; reading stops */
};

bool is(const char *token, const char *word) { return strcmp(token, word) == 0; }

uint8_t colour_byte(float c) {
  float v = floorf(c * kColourScale);
  if (!(v > 0.0f)) return 0;
  return v >= 255.0f ? 255 : uint8_t(v);
}

/* "vertex" lines up to "endloop" (other tokens ignored). */
void read_loop(VLtokenizer *t, float scale, Facet &f) {
  while (const char *tok = VLtok_nextany(t)) {
    if (is(tok, "endloop")) return;
    if (!is(tok, "vertex")) continue;
    float p[3];
    if (!VLtok_float3(t, p, "Vertex coordinate")) continue;
    if (f.nvertices == VLSLP_MAXFACETVERTICES) {
      f.overflow = true;
      continue;
    }
    for (int i = 0; i < 3; ++i) f.position[f.nvertices][i] = scale != 1.0f ? p[i] * scale : p[i];
    ++f.nvertices;
  }
}

void read_facet(VLtokenizer *t, float scale, Facet &f) {
  while (const char *tok = VLtok_nextany(t)) {
    if (is(tok, "endfacet")) break;
    if (is(tok, "normal")) {
      float n[3];
      if (!VLtok_float3(t, n, "Vertex normal")) continue;
      if (f.nnormals == VLSLP_MAXFACETVERTICES) {
        f.overflow = true;
        continue;
      }
      memcpy(f.normal[f.nnormals++], n, sizeof n);
    } else if (is(tok, "outer")) {
      VLtok_nextany(t);  /* "loop" */
      read_loop(t, scale, f);
    }
  }
  if (f.overflow) VLMSG(SLP_FACET_LIMIT, int(VLSLP_MAXFACETVERTICES));
}

/* The facet's polygon in the current colour (not made when it cannot be
 * closed). */
void make_polygon(VLgeometry *g, const Facet &f, const uint8_t rgb[3]) {
  VLpoly *p = VLpoly_new(g);
  VLvertex *made[VLSLP_MAXFACETVERTICES];
  int nmade = 0;
  for (int i = 0; i < f.nvertices; ++i) {
    VLvertex *v = VLgeometry_newvertex(g, f.position[i]);
    if (!v) continue;
    int n = i < f.nnormals ? i : f.nnormals - 1;
    if (n >= 0) VLvertex_setnormal(g, v, f.normal[n]);
    VLpoly_addvertexptr(p, v);
    made[nmade++] = v;
  }
  if (!VLpoly_close(p)) {
    /* Its vertices are no one else's: the geometry's close removes them. */
    for (int i = 0; i < nmade; ++i) made[i]->flags &= uint8_t(~VLVERTEX_USED);
    VLpoly_delete(p);
    return;
  }
  VLpoly_setrgb(p, rgb[0], rgb[1], rgb[2]);
}

void discard(VLgeometry *g) {
  if (VLgeometry_close(g)) VLgeometry_delete(g);
}

/* The body of one solid into g. */
SolidEnd read_solid(VLtokenizer *t, float scale, VLgeometry *g) {
  uint8_t rgb[3] = {255, 255, 255};
  while (const char *tok = VLtok_nextany(t)) {
    if (is(tok, "color")) {
      float c[3];
      if (!VLtok_float3(t, c, "Color")) {
        discard(g);
        return kFailed;
      }
      for (int i = 0; i < 3; ++i) rgb[i] = colour_byte(c[i]);
      VLMSG(SLP_COLOR, double(c[0]), double(c[1]), double(c[2]), rgb[0], rgb[1], rgb[2]);
    } else if (is(tok, "facet")) {
      Facet f;
      read_facet(t, scale, f);
      make_polygon(g, f, rgb);
    } else if (is(tok, "endsolid")) {
      const char *after = VLtok_nextany(t);
      return after && !is(after, "solid") ? kEndSolidNamed : kEndSolid;
    } else {
      VLMSG(SLP_UNKNOWN, tok);
      discard(g);
      return kFailed;
    }
  }
  return kEndOfInput;
}

/* The next solid's name: the next token of the line; after an
 * "endsolid" that carried a name, the name on the next line that reads
 * "solid" name. Null when there is none. */
const char *next_name(VLtokenizer *t, bool afternamed) {
  const char *name = VLtok_next(t);
  if (name || !afternamed) return name;
  const char *tok = VLtok_nextany(t);
  return tok && is(tok, "solid") ? VLtok_next(t) : nullptr;
}

void append(VLgeomcell **&tail, VLgeometry *g) {
  VLgeomcell *c = static_cast<VLgeomcell *>(VLmalloc(sizeof(VLgeomcell)));
  c->geometry = g;
  c->next = nullptr;
  *tail = c;
  tail = &c->next;
}

/* Every solid after the opening "solid". */
VLgeomcell *read_solids(VLtokenizer *t, float scale) {
  VLgeomcell *head = nullptr, **tail = &head;
  int count = 0;
  bool afternamed = false;
  for (;;) {
    VLMSG(SLP_SCAN);
    const char *name = next_name(t, afternamed);
    if (!name) {
      VLMSG(SLP_NO_NAME);
      break;
    }
    VLgeometry *g = VLgeometry_begin();
    if (!g) break;
    free(g->name);
    g->name = VLstrdup(name);
    SolidEnd end = read_solid(t, scale, g);
    if (end == kFailed) break;
    if (VLgeometry_close(g)) {
      append(tail, g);
      ++count;
    }
    afternamed = end == kEndSolidNamed;
  }
  VLMSG(SLP_COUNT, count);
  return head;
}

VLgeomcell *read_tokens(VLtokenizer *t, const char *path, float scale) {
  const char *first = VLtok_nextany(t);
  if (!first) {
    VLMSG(SLP_NO_DATA, path);
    return nullptr;
  }
  if (!is(first, "solid")) {
    VLMSG(SLP_NO_SOLID);
    return nullptr;
  }
  return read_solids(t, scale);
}

}  // namespace

VLgeomcell *VLslp_readbytes(const char *path, const char *data, size_t size, float scale) {
  if (!path) path = "";
  VLMSG(SLP_READ, path);
  VLtokenizer *t = VLtok_openbytes(path, data, size, kComment);
  VLgeomcell *list = read_tokens(t, path, scale);
  VLtok_close(t);
  return list;
}

VLgeomcell *VLslp_read_geometries(FILE *stream, const char *path, float scale, int arg) {
  (void)arg;
  if (!path) path = "";
  VLMSG(SLP_READ, path);
  VLtokenizer *t = VLtok_open(path, stream, kComment);
  if (!t) return nullptr;
  VLgeomcell *list = read_tokens(t, path, scale);
  VLtok_close(t);
  return list;
}

VLobjectcell *VLslp_read_objects(FILE *stream, const char *path, float scale, int arg,
                                 int flag) {
  VLgeomcell *list = VLslp_read_geometries(stream, path, scale, arg);
  VLobjectcell *objects = nullptr;
  while (list) {
    VLgeomcell *next = list->next;
    VLgeometry *g = list->geometry;
    VLnode *n = VLgeometrynode_new(nullptr, g);
    if (n) VLnode_setname(n, g->name);
    VLobject *o = n ? VLobject_newfromnode(n, flag) : nullptr;
    if (o) {
      VLobjectcell *c = static_cast<VLobjectcell *>(VLmalloc(sizeof(VLobjectcell)));
      c->object = o;
      c->next = objects;
      objects = c;
    } else if (n) {
      VLnode_delete(n);
    } else {
      VLgeometry_delete(g);
    }
    free(list);
    list = next;
  }
  return objects;
}
