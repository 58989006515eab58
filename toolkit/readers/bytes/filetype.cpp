/* File-type detection: the first 8 bytes of a file, carriage returns
 * dropped, against the known prefixes in a fixed order; the first match
 * wins and anything unrecognised is taken for Wavefront OBJ. The type comes
 * from the bytes only, never from the name's extension. */
#include <string.h>

#include "readers/bytes/fetch.h"
#include "vlx/file.h"

namespace {

/* Bytes looked at. */
const int kHeadBytes = 8;

struct Prefix {
  const char *bytes;
  int length;
  int type;
};

/* In the order of comparison. */
const Prefix kPrefixes[] = {
    {"//lights", 8, VLFILE_LIGHTS}, {"2424", 4, VLFILE_OLDBIN1},
    {"2323", 4, VLFILE_OLDBIN2},    {"  0\n", 4, VLFILE_DXF},
    {"0\n", 2, VLFILE_DXF},         {"999\n", 4, VLFILE_DXF},
    {"3DG1", 4, VLFILE_3DG1},       {"nff", 3, VLFILE_NFF},
    {"vy", 2, VLFILE_NFF},          {"bnff", 4, VLFILE_BNFF},
    {"mat", 3, VLFILE_MAT},         {"\0\1", 2, VLFILE_FLT},
    {"MM", 2, VLFILE_3DS},          {"==", 2, VLFILE_3DS},
    {"solid", 5, VLFILE_SLP},       {"#VRML", 5, VLFILE_VRML},
};

}  // namespace

int VLfile_typeofbytes(const void *head, int n) {
  const unsigned char *in = static_cast<const unsigned char *>(head);
  char b[kHeadBytes];
  int kept = 0;
  for (int i = 0; i < n && i < kHeadBytes; ++i)
    if (in[i] != '\r') b[kept++] = char(in[i]);
  for (const Prefix &p : kPrefixes)
    if (kept >= p.length && memcmp(b, p.bytes, size_t(p.length)) == 0) return p.type;
  return VLFILE_OBJ;
}

int VLfile_type(const char *path) {
  unsigned char head[kHeadBytes];
  size_t n = 0;
  if (_VLfetch_head(path, head, sizeof head, &n) != VLFETCH_OK) return VLFILE_NONE;
  return VLfile_typeofbytes(head, int(n));
}

const char *VLfile_typename(int type) {
  switch (type) {
    case VLFILE_DXF: return "DXF";
    case VLFILE_NFF: return "neutral file format (text)";
    case VLFILE_OBJ: return "Wavefront OBJ";
    case VLFILE_3DG1: return "3DG1 polygon list";
    case VLFILE_OLDBIN1:
    case VLFILE_OLDBIN2: return "old binary format";
    case VLFILE_FLT: return "OpenFlight";
    case VLFILE_3DS: return "3D Studio";
    case VLFILE_BNFF: return "neutral file format (binary)";
    case VLFILE_SLP: return "SLP";
    case VLFILE_MAT: return "material table file";
    case VLFILE_VRML: return "VRML 1.0";
    case VLFILE_LIGHTS: return "light file";
    default: return "none";
  }
}
