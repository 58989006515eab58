/* Polygon lines of the text form: the corner count, the vertex indexes,
 * an optional material index or colour, then attributes (both, tint, rot,
 * scale, trans, mirror, the texture token "_", portals "-", id=). */
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/nff/nff_text.h"
#include "readers/text/tokenizer.h"
#include "vlx/geometry.h"

namespace {

/* A number that is not checked: text that is no number gives 0. */
float loose_float(VLtokenizer *t) {
  const char *tok = VLtok_next(t);
  return tok ? strtof(tok, nullptr) : 0.0f;
}

void skip_line(VLtokenizer *t) {
  while (VLtok_next(t)) {
  }
}

/* Position report, then the message. */
bool report(VLtokenizer *t, int extra, VLmsgid id) {
  VLtok_showpos(t, extra, nullptr);
  _VLmsg_say(id, "%s", g_vlmessages[id].text);
  return false;
}

/* "id=" and a decimal number; false discards the geometry. */
bool read_id(VLtokenizer *t, const char *tok, VLnffpoly &a) {
  char buf[VLTOK_LINEMAX + 1];
  strcpy(buf, tok);
  char *parts[3];
  if (VLtok_split(buf, parts, 3, "=") != 2) return report(t, 0, VLM_NFF_POLY_ATTRIBUTE);
  if (strcmp(parts[0], "id") != 0) {
    VLMSG(NFF_POLY_ASSIGNMENT);
    return false;
  }
  char *end = nullptr;
  long id = strtol(parts[1], &end, 10);
  if (end == parts[1] || *end) return report(t, int(end - buf), VLM_NFF_BAD_ID);
  a.id = int(id);
  return true;
}

void read_texture(const char *tok, VLnffpoly &a) {
  a.textured = true;
  a.mode = tok[1];
  a.texture = tok[1] && tok[2] ? tok + 3 : "";
}

/* One attribute token; false discards the geometry. */
bool read_attribute(VLtokenizer *t, const char *tok, VLnffpoly &a, bool portals) {
  if (strcmp(tok, "both") == 0) {
    a.both = true;
  } else if (strcmp(tok, "tint") == 0) {
    a.tint = true;
  } else if (strcmp(tok, "rot") == 0) {
    a.rotation = loose_float(t);
  } else if (strcmp(tok, "scale") == 0) {
    a.scale = loose_float(t);
  } else if (strcmp(tok, "trans") == 0) {
    a.offset[0] = loose_float(t);
    a.offset[1] = loose_float(t);
  } else if (strcmp(tok, "mirror") == 0) {
    a.mirror = true;
  } else if (tok[0] == '_') {
    read_texture(tok, a);
  } else if (tok[0] == '-') {
    if (portals) a.portals.push_back(tok + 1);
  } else {
    return read_id(t, tok, a);
  }
  return true;
}

/* The material index or colour behind the indexes, when any. */
bool read_colour(VLtokenizer *t, VLnffgeom &s, VLnffpoly &a) {
  const char *tok = VLtok_next(t);
  if (!tok) return true;
  if (strcmp(tok, "matid") == 0) {
    int k;
    if (!VLtok_int(t, &k, "Material index")) return false;
    if (k >= 0)
      a.colour = k;
    else
      VLMSG(NFF_NEGATIVE_MATID);
    return true;
  }
  VLtok_unget(t);
  uint8_t r, g, b;
  if (!VLtok_hexcolor(t, &r, &g, &b, "Polygon color")) return false;
  a.colour = _VLnff_colour(s, r, g, b);
  return true;
}

/* The indexes, colour and attributes; false discards the geometry. */
bool read_rest(VLnfftext &r, VLnffgeom &s, VLpoly *p, int *indices, int n, VLnffpoly &a) {
  for (int i = 0; i < n; ++i) {
    if (!VLtok_int(r.t, &indices[i], "Vertex index")) return false;
    if (indices[i] < 0 || size_t(indices[i]) >= s.vertices.size()) return false;
    VLpoly_addvertexptr(p, s.vertices[size_t(indices[i])]);
  }
  if (!read_colour(r.t, s, a)) return false;
  bool portals = r.f.options->portals != nullptr;
  while (const char *tok = VLtok_next(r.t))
    if (!read_attribute(r.t, tok, a, portals)) return false;
  return true;
}

}  // namespace

bool _VLnfftext_polygon(VLnfftext &r, VLnffgeom &s) {
  if (VLtok_nextany(r.t)) VLtok_unget(r.t);
  int n;
  if (!VLtok_int(r.t, &n, "Number of vertices")) return false;
  if (n < 1) return report(r.t, 0, VLM_NFF_NO_POLY_VERTICES);
  if (n < VLPOLY_MINCORNERS || n > VLNFF_MAXINDICES) {
    if (n < VLPOLY_MINCORNERS)
      report(r.t, 0, VLM_NFF_FEW_POLY_VERTICES);
    else
      VLMSG(NFF_MANY_POLY_VERTICES, n, int(VLNFF_MAXINDICES));
    ++s.ignored;
    skip_line(r.t);
    return true;
  }
  VLpoly *p = VLpoly_new(s.g);
  int indices[VLNFF_MAXINDICES];
  VLnffpoly a;
  if (!read_rest(r, s, p, indices, n, a)) {
    VLpoly_delete(p);
    return false;
  }
  if (!_VLnff_closepoly(s, p, indices, n, a)) report(r.t, 0, VLM_NFF_POLY_PROBLEM);
  return true;
}
