/* The VRML keyword table: 152 words (DEF, USE, 37 node types, 69 field
 * names, 44 enumeration values), each with its token code and index,
 * looked up in a 256-bucket hash keyed on the length and the first, middle
 * and last characters. The table is built on first use. */
#include <string.h>

#include "readers/vrml/vrml_internal.h"

namespace {

const char *const kNodes[VLN_COUNT] = {
    "AsciiText", "Cone", "Coordinate3", "Cube", "Cylinder", "DirectionalLight", "FontStyle",
    "Group", "IndexedFaceSet", "IndexedLineSet", "Info", "LevelOfDetail", "LOD", "Material",
    "MaterialBinding", "MatrixTransform", "Normal", "NormalBinding", "OrthographicCamera",
    "PerspectiveCamera", "PointLight", "PointSet", "Rotation", "Scale", "Separator",
    "ShapeHints", "Sphere", "SpotLight", "Switch", "Texture2", "Texture2Transform",
    "TextureCoordinate2", "Transform", "TransformSeparator", "Translation", "WWWAnchor",
    "WWWInline"};

const char *const kFields[VLF_COUNT] = {
    "string", "spacing", "justification", "width", "parts", "bottomRadius", "height", "point",
    "depth", "radius", "on", "intensity", "color", "direction", "size", "family", "style",
    "coordIndex", "materialIndex", "normalIndex", "textureCoordIndex", "screenArea", "range",
    "center", "ambientColor", "diffuseColor", "specularColor", "emissiveColor", "shininess",
    "transparency", "value", "matrix", "vector", "position", "orientation", "focalDistance",
    "nearDistance", "farDistance", "heightAngle", "aspectRatio", "viewportMapping", "location",
    "startIndex", "numPoints", "rotation", "scaleFactor", "renderCulling", "vertexOrdering",
    "shapeType", "faceType", "creaseAngle", "dropOffRate", "cutOffAngle", "whichChild",
    "filename", "image", "wrapS", "wrapT", "model", "blendColor", "translation",
    "scaleOrientation", "name", "description", "map", "bboxSize", "bboxCenter", "isA", "fields"};

const char *const kEnums[VLE_COUNT] = {
    "FALSE", "TRUE", "LEFT", "CENTER", "RIGHT", "SIDES", "BOTTOM", "ALL", "TOP", "SERIF",
    "SANS", "TYPEWRITER", "NONE", "BOLD", "ITALIC", "DEFAULT", "OVERALL", "PER_PART",
    "PER_PART_INDEXED", "PER_FACE", "PER_FACE_INDEXED", "PER_VERTEX", "PER_VERTEX_INDEXED",
    "CROP_VIEWPORT_FILL_FRAME", "CROP_VIEWPORT_LINE_FRAME", "CROP_VIEWPORT_NO_FRAME",
    "ADJUST_CAMERA", "LEAVE_ALONE", "OFF", "ON", "AUTO", "UNKNOWN_ORDERING", "CLOCKWISE",
    "COUNTERCLOCKWISE", "UNKNOWN_SHAPE_TYPE", "SOLID", "UNKNOWN_FACE_TYPE", "CONVEX", "REPEAT",
    "CLAMP", "MODULATE", "BLEND", "DECAL", "POINT"};

enum { kBuckets = 256, kWords = 2 + VLN_COUNT + VLF_COUNT + VLE_COUNT };
static_assert(kWords == 152, "the keyword table holds 152 words");

struct Keyword {
  const char *text;
  unsigned char len;
  unsigned char token;
  unsigned char index;
  short next;  /* next word of the bucket, -1 none */
};

struct Table {
  Keyword words[kWords];
  short buckets[kBuckets];
};

unsigned hash(const char *s, size_t n) {
  unsigned char f = s[0], m = s[n / 2], l = s[n - 1];
  return (unsigned(n) * 31u + f * 7u + m * 13u + l * 3u) & (kBuckets - 1);
}

void add(Table &t, int &at, const char *text, int token, int index) {
  Keyword &k = t.words[at];
  k.text = text;
  k.len = (unsigned char)strlen(text);
  k.token = (unsigned char)token;
  k.index = (unsigned char)index;
  unsigned h = hash(text, k.len);
  k.next = t.buckets[h];
  t.buckets[h] = short(at++);
}

const Table &table(void) {
  static Table *t = nullptr;
  if (t) return *t;
  t = new Table;
  for (short &b : t->buckets) b = -1;
  int at = 0;
  add(*t, at, "DEF", VLT_DEF, 0);
  add(*t, at, "USE", VLT_USE, 0);
  for (int i = 0; i < VLN_COUNT; ++i) add(*t, at, kNodes[i], VLT_NODETYPE, i);
  for (int i = 0; i < VLF_COUNT; ++i) add(*t, at, kFields[i], VLT_FIELD, i);
  for (int i = 0; i < VLE_COUNT; ++i) add(*t, at, kEnums[i], VLT_ENUM, i);
  return *t;
}

}  // namespace

int _VLvrml_keyword(const char *text, size_t len, int *index) {
  if (len == 0 || len > 255) return VLT_NAME;
  const Table &t = table();
  for (short i = t.buckets[hash(text, len)]; i >= 0; i = t.words[i].next) {
    const Keyword &k = t.words[i];
    if (k.len == len && memcmp(k.text, text, len) == 0) {
      *index = k.index;
      return k.token;
    }
  }
  return VLT_NAME;
}

const char *_VLvrml_nodename(int node) {
  return node >= 0 && node < VLN_COUNT ? kNodes[node] : "";
}
