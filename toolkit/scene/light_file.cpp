/* Light files: "//lights" on the first line, then definitions read with
 * the tokenizer ("//" comments). A definition starts with a line's first
 * token, whose first letter (either case) names the type: P point, S spot,
 * D directed, A ambient. Keywords of that type follow until the next line
 * that starts with such a letter and is not a keyword of the type. A value
 * that does not read abandons its definition: nothing is made for it. Spot
 * angles and exponents out of range are reported and left out. */
#include <ctype.h>
#include <string.h>

#include <string>

#include "core/messages.h"
#include "readers/bytes/modelpath.h"
#include "readers/text/tokenizer.h"
#include "scene/light_internal.h"
#include "scene/scene_internal.h"
#include "vlx/diag.h"

namespace {

enum Kind { NOKIND = -1, DIRECTED = VLLIGHTTYPE_DIRECTED, POINT = VLLIGHTTYPE_POINT,
            SPOT = VLLIGHTTYPE_SPOT, AMBIENT = 3 };
enum Attr { POS, DIR, INT, ATT, ANGLE, ANGLERAD, EXP, RGB, AMB, DIFF, SPECULAR, NATTRS };

constexpr unsigned D = 1u << DIRECTED, P = 1u << POINT, S = 1u << SPOT, A = 1u << AMBIENT;

struct Keyword {
  const char *word;
  Attr attr;
  unsigned kinds;
};

const Keyword kKeywords[] = {
    {"pos", POS, P | S},     {"dir", DIR, D | S},          {"int", INT, D | P | S | A},
    {"att", ATT, P | S},     {"angle", ANGLE, S},          {"anglerad", ANGLERAD, S},
    {"exp", EXP, S},         {"rgb", RGB, D | P | S | A},  {"amb", AMB, D | P | S | A},
    {"diff", DIFF, D | P | S}, {"spec", SPECULAR, D | P | S},
};

constexpr float kDegree = 0.017453292f;
constexpr float kByte = 0.003921569f;
constexpr float kMaxAngleRad = 1.57f;

/* One definition as read: which attributes were given and their values. */
struct Definition {
  int kind = NOKIND;
  bool given[NATTRS] = {};
  float pos[3], dir[3], att[3], rgb[3], amb[3], diff[3], specular[3];
  float intensity = 1.0f, angle = VLLIGHT_FILEANGLE, exponent = 0.0f;
};

int kind_of(const char *token) {
  switch (toupper(static_cast<unsigned char>(token[0]))) {
    case 'P': return POINT;
    case 'S': return SPOT;
    case 'D': return DIRECTED;
    case 'A': return AMBIENT;
    default: return NOKIND;
  }
}

const Keyword *keyword(const char *token, int kind) {
  if (kind == NOKIND) return nullptr;
  for (const Keyword &k : kKeywords)
    if ((k.kinds & (1u << kind)) && strcmp(k.word, token) == 0) return &k;
  return nullptr;
}

/* The first token of a line that starts another definition. */
bool starts_definition(VLtokenizer *t, const char *token, int kind) {
  return VLtok_index(t) == 1 && !keyword(token, kind) && kind_of(token) != NOKIND;
}

/* Tokens up to the next definition (its first token, or null at the end). */
const char *skip_definition(VLtokenizer *t, int kind) {
  while (const char *token = VLtok_nextany(t))
    if (starts_definition(t, token, kind)) return token;
  return nullptr;
}

bool read_hexcolor(VLtokenizer *t, float out[3], const char *name) {
  uint8_t c[3];
  if (!VLtok_hexcolor(t, &c[0], &c[1], &c[2], name)) return false;
  for (int i = 0; i < 3; ++i) out[i] = c[i] * kByte;
  return true;
}

/* A spot angle in range is kept (in radians); out of range it is reported
 * at the value and left out. */
void keep_angle(VLtokenizer *t, Definition *d, float value, bool degrees) {
  float limit = degrees ? 90.0f : kMaxAngleRad;
  if (!(value >= 0.0f && value <= limit)) {
    VLtok_showpos(t, 0, nullptr);
    if (degrees)
      VLMSG(LIGHT_ANGLE_RANGE);
    else
      VLMSG(LIGHT_ANGLERAD_RANGE);
    return;
  }
  d->angle = degrees ? value * kDegree : value;
  d->given[ANGLE] = true;
}

void keep_exponent(VLtokenizer *t, Definition *d, float value) {
  if (!(value == 0.0f || (value >= 1.0f && value <= VLLIGHT_MAXEXPONENT))) {
    VLtok_showpos(t, 0, nullptr);
    VLMSG(LIGHT_EXPONENT_RANGE);
    return;
  }
  d->exponent = value;
  d->given[EXP] = true;
}

/* The value of one keyword; false when it does not read. */
bool read_value(VLtokenizer *t, Attr attr, Definition *d) {
  float v;
  switch (attr) {
    case POS: return (d->given[POS] = VLtok_float3(t, d->pos, "light position"));
    case DIR: return (d->given[DIR] = VLtok_float3(t, d->dir, "light direction"));
    case INT: return (d->given[INT] = VLtok_float(t, &d->intensity, "light intensity"));
    case ATT: return (d->given[ATT] = VLtok_float3(t, d->att, "light attenuation"));
    case ANGLE:
    case ANGLERAD:
      if (!VLtok_float(t, &v, "light angle")) return false;
      keep_angle(t, d, v, attr == ANGLE);
      return true;
    case EXP:
      if (!VLtok_float(t, &v, "light exponent")) return false;
      keep_exponent(t, d, v);
      return true;
    case RGB: return (d->given[RGB] = read_hexcolor(t, d->rgb, "light color"));
    case AMB:
      return (d->given[AMB] = VLtok_float3(
                  t, d->amb, d->kind == AMBIENT ? "light color" : "light color - ambient"));
    case DIFF: return (d->given[DIFF] = VLtok_float3(t, d->diff, "light color - diffuse"));
    case SPECULAR: return (d->given[SPECULAR] = VLtok_float3(t, d->specular, "light color - specular"));
    default: return false;
  }
}

/* Reads the attributes after a definition's first token. Returns the first
 * token of the next definition (or null); *ok is false when a value did
 * not read. */
const char *read_definition(VLtokenizer *t, Definition *d, bool *ok) {
  *ok = true;
  while (const char *token = VLtok_nextany(t)) {
    if (const Keyword *k = keyword(token, d->kind)) {
      if (read_value(t, k->attr, d)) continue;
      *ok = false;
      return skip_definition(t, d->kind);
    }
    if (starts_definition(t, token, d->kind)) return token;
    VLtok_showpos(t, 0, nullptr);
    VLMSG(LIGHT_UNKNOWN_ATTRIBUTE);
  }
  return nullptr;
}

void make_ambient(const Definition &d, VLnode *parent) {
  VLnode *n = VLambientnode_new(parent);
  if (!n) return;
  if (d.given[INT]) VLlightnode_setintensity(n, d.intensity);
  const float *c = d.given[RGB] ? d.rgb : d.given[AMB] ? d.amb : nullptr;
  if (c) VLlightnode_setcolor(n, c[0], c[1], c[2]);
}

void make_light(const Definition &d, VLnode *parent) {
  float angle = d.kind == SPOT ? VLLIGHT_FILEANGLE : 0.0f;
  VLlight *l = VLlight_new(nullptr, nullptr, 1.0f, 0.0f, angle, d.kind);
  if (!l) return;
  VLlightnode_new(l, parent);
  if (d.given[POS]) VLlight_setposition(l, d.pos);
  if (d.given[DIR]) VLlight_setdirection(l, d.dir);
  if (d.given[INT]) VLlight_setintensity(l, d.intensity);
  if (d.given[ATT]) VLlight_setattenuation(l, d.att[0], d.att[1], d.att[2]);
  if (d.given[EXP]) VLlight_setexponent(l, d.exponent);
  if (d.given[ANGLE]) VLlight_setangle(l, d.angle);
  if (d.given[RGB]) {
    VLlight_setdiffuse(l, d.rgb[0], d.rgb[1], d.rgb[2]);
    return;
  }
  if (d.given[AMB]) VLlight_setambient(l, d.amb[0], d.amb[1], d.amb[2]);
  if (d.given[DIFF]) VLlight_setdiffuse(l, d.diff[0], d.diff[1], d.diff[2]);
  if (d.given[SPECULAR]) VLlight_setspecular(l, d.specular[0], d.specular[1], d.specular[2]);
}

/* Every definition to the end of the data. A parent that is not a grouping
 * node makes the definitions produce nothing. */
void read_all(VLtokenizer *t, VLnode *parent) {
  bool usable = _VLnode_resolveparent(&parent);
  const char *token = VLtok_nextany(t);
  while (token) {
    Definition d;
    d.kind = kind_of(token);
    if (d.kind == NOKIND) {
      VLtok_showpos(t, 0, nullptr);
      VLMSG(LIGHT_UNKNOWN_TYPE);
      token = skip_definition(t, NOKIND);
      continue;
    }
    bool ok;
    token = read_definition(t, &d, &ok);
    if (!ok || !usable) continue;
    if (d.kind == AMBIENT) make_ambient(d, parent);
    else make_light(d, parent);
  }
}

}  // namespace

bool VLlights_read(VLnode *parent, const char *name, const char *data, size_t size) {
  VLtokenizer *t = VLtok_openbytes(name, data, size, "//");
  read_all(t, parent);
  VLtok_close(t);
  return true;
}

bool VLlights_load(VLnode *parent, const char *name) {
  if (!name) return false;
  std::string found;
  VLtokenizer *t = VLtok_open(_VLmodelpath_find(name, &found) ? found.c_str() : name, nullptr,
                              "//");
  if (!t) return false;
  read_all(t, parent);
  VLtok_close(t);
  return true;
}
