/* The DXF scanner: the input is pairs of lines, a decimal group code and
 * a value. Carriage returns are removed from every line; a line longer
 * than 512 characters is reported and cut. The group code decides how the
 * value converts (text, floating point, integer); group 0 and group 2
 * values that are keywords get their keyword token. Comments (group 999)
 * are skipped. The scanner works over a byte buffer, line by line. */
#include <float.h>
#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "core/messages.h"
#include "readers/dxf/dxf_internal.h"

namespace {

const int kComment = 999;

struct Keyword {
  const char *word;
  int key;
};

/* Group 0 values. */
const Keyword kGroup0[] = {
    {"SECTION", VLDXF_SECTION},   {"ENDSEC", VLDXF_ENDSEC},       {"TABLE", VLDXF_TABLE},
    {"ENDTAB", VLDXF_ENDTAB},     {"BLOCK", VLDXF_BLOCK},         {"ENDBLK", VLDXF_ENDBLK},
    {"EOF", VLDXF_EOF},           {"LINE", VLDXF_LINE},           {"3DLINE", VLDXF_3DLINE},
    {"POINT", VLDXF_POINT},       {"CIRCLE", VLDXF_CIRCLE},       {"ARC", VLDXF_ARC},
    {"TRACE", VLDXF_TRACE},       {"SOLID", VLDXF_SOLID},         {"3DFACE", VLDXF_3DFACE},
    {"TEXT", VLDXF_TEXT},         {"SHAPE", VLDXF_SHAPE},         {"INSERT", VLDXF_INSERT},
    {"DIMENSION", VLDXF_DIMENSION}, {"POLYLINE", VLDXF_POLYLINE}, {"VERTEX", VLDXF_VERTEX},
    {"SEQEND", VLDXF_SEQEND},     {"ATTRIB", VLDXF_ATTRIB},       {"ATTDEF", VLDXF_ATTDEF},
    {"VIEWPORT", VLDXF_VIEWPORT}, {"LTYPE", VLDXF_LTYPE},         {"LAYER", VLDXF_LAYER},
    {"STYLE", VLDXF_STYLE},       {"VIEW", VLDXF_VIEW},           {"VPORT", VLDXF_VPORT},
    {"UCS", VLDXF_UCS},           {"DIMSTYLE", VLDXF_DIMSTYLE},   {"DWGMGR", VLDXF_DWGMGR},
    {"APPID", VLDXF_APPID},       {"BLOCK_RECORD", VLDXF_BLOCK_RECORD},
};

/* Group 2 values: section names, table names and two more words. */
const Keyword kGroup2[] = {
    {"HEADER", VLDXF_HEADER},   {"CLASSES", VLDXF_CLASSES}, {"TABLES", VLDXF_TABLES},
    {"BLOCKS", VLDXF_BLOCKS},   {"ENTITIES", VLDXF_ENTITIES}, {"LTYPE", VLDXF_LTYPE},
    {"LAYER", VLDXF_LAYER},     {"STYLE", VLDXF_STYLE},     {"VIEW", VLDXF_VIEW},
    {"VPORT", VLDXF_VPORT},     {"UCS", VLDXF_UCS},         {"DIMSTYLE", VLDXF_DIMSTYLE},
    {"DWGMGR", VLDXF_DWGMGR},   {"APPID", VLDXF_APPID},     {"BLOCK_RECORD", VLDXF_BLOCK_RECORD},
    {"*ACTIVE", VLDXF_ACTIVE},  {"AME_SOL", VLDXF_AME_SOL},
};

template <size_t N>
int lookup(const Keyword (&table)[N], const char *word, size_t n) {
  for (const Keyword &k : table)
    if (strlen(k.word) == n && memcmp(k.word, word, n) == 0) return k.key;
  return VLDXF_NONE;
}

/* The value without surrounding blanks: [*b, *e). */
void trim(const std::string &s, size_t *b, size_t *e) {
  *b = 0;
  *e = s.size();
  while (*b < *e && (s[*b] == ' ' || s[*b] == '\t')) ++*b;
  while (*e > *b && (s[*e - 1] == ' ' || s[*e - 1] == '\t')) --*e;
}

/* A whole trimmed line as a finite number that a float can hold. */
bool to_double(const std::string &s, double *out) {
  size_t b, e;
  trim(s, &b, &e);
  if (b == e) return false;
  std::string t = s.substr(b, e - b);
  char *end = nullptr;
  double v = strtod(t.c_str(), &end);
  if (*end != '\0' || !(fabs(v) <= FLT_MAX)) return false;
  *out = v;
  return true;
}

/* A whole trimmed line as an integer (a number with a fraction is cut). */
bool to_long(const std::string &s, long *out) {
  size_t b, e;
  trim(s, &b, &e);
  if (b == e) return false;
  std::string t = s.substr(b, e - b);
  char *end = nullptr;
  long v = strtol(t.c_str(), &end, 10);
  if (*end == '\0') {
    *out = v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v;
    return true;
  }
  double d;
  if (!to_double(s, &d)) return false;
  *out = d < INT_MIN ? INT_MIN : d > INT_MAX ? INT_MAX : long(d);
  return true;
}

/* A group code: decimal digits only, 0 to 9999. */
bool to_code(const std::string &s, int *out) {
  size_t b, e;
  trim(s, &b, &e);
  if (b == e || e - b > 4) return false;
  int v = 0;
  for (size_t k = b; k < e; ++k) {
    if (s[k] < '0' || s[k] > '9') return false;
    v = v * 10 + (s[k] - '0');
  }
  *out = v;
  return true;
}

}  // namespace

int _VLdxf_kind(int code) {
  if ((code >= 10 && code <= 59) || (code >= 110 && code <= 149) ||
      (code >= 210 && code <= 239) || (code >= 460 && code <= 469) ||
      (code >= 1010 && code <= 1059))
    return VLDXF_FLOATVALUE;
  if ((code >= 60 && code <= 99) || (code >= 170 && code <= 179) ||
      (code >= 270 && code <= 289) || (code >= 370 && code <= 389) ||
      (code >= 400 && code <= 409) || (code >= 420 && code <= 429) ||
      (code >= 440 && code <= 459) || (code >= 1060 && code <= 1071))
    return VLDXF_INTVALUE;
  return VLDXF_TEXTVALUE;
}

int _VLdxf_keyword(int code, const std::string &value) {
  if (code != 0 && code != 2) return VLDXF_NONE;
  size_t b, e;
  trim(value, &b, &e);
  return code == 0 ? lookup(kGroup0, value.data() + b, e - b)
                   : lookup(kGroup2, value.data() + b, e - b);
}

bool VLdxfscanner::line(std::string &out) {
  out.clear();
  if (pos_ >= size_) return false;
  const char *start = data_ + pos_;
  const char *nl = static_cast<const char *>(memchr(start, '\n', size_ - pos_));
  size_t n = nl ? size_t(nl - start) : size_ - pos_;
  pos_ += nl ? n + 1 : n;
  ++lineno_;
  for (size_t k = 0; k < n; ++k)
    if (start[k] != '\r') out.push_back(start[k]);
  if (out.size() > VLDXF_LINEMAX) {
    VLMSG(DXF_LINE_TOO_LONG, int(VLDXF_LINEMAX));
    out.resize(VLDXF_LINEMAX);
  }
  return true;
}

bool VLdxfscanner::convert(VLdxfpair &p) {
  p.kind = _VLdxf_kind(p.code);
  p.key = _VLdxf_keyword(p.code, p.text);
  p.f = 0.0;
  p.i = 0;
  if (p.kind == VLDXF_FLOATVALUE) return to_double(p.text, &p.f);
  if (p.kind == VLDXF_INTVALUE) return to_long(p.text, &p.i);
  return true;
}

bool VLdxfscanner::next(VLdxfpair &p) {
  if (bad_) return false;
  for (;;) {
    std::string code;
    if (!line(code)) {
      p = VLdxfpair();
      p.line = lineno_;
      return false;
    }
    int c = -1;
    bool ok = to_code(code, &c);
    bool hasvalue = line(p.text);
    p.line = lineno_;
    p.code = ok ? c : -1;
    if (!ok || !hasvalue || !convert(p)) {
      if (!ok) p.text = code;
      bad_ = true;
      return false;
    }
    if (p.code != kComment) return true;
  }
}
