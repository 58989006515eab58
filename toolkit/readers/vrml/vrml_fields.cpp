/* The fields each VRML node type accepts, with their parsers, their
 * enumeration sets and their defaults, and which node types hold
 * children. A field name a node type does not list is a syntax error. */
#include "readers/vrml/vrml_internal.h"

namespace {

#define SET(name, ...)                                   \
  const VLvrmlenumval name##_values[] = {__VA_ARGS__};   \
  const VLvrmlenumset name = {name##_values, int(sizeof name##_values / sizeof name##_values[0])}

SET(kJustification, {VLE_LEFT, 0}, {VLE_CENTER, 1}, {VLE_RIGHT, 2});
SET(kConeParts, {VLE_SIDES, 1}, {VLE_BOTTOM, 2}, {VLE_ALL, 3});
SET(kCylinderParts, {VLE_SIDES, 1}, {VLE_TOP, 2}, {VLE_BOTTOM, 4}, {VLE_ALL, 7});
SET(kStyle, {VLE_NONE, 0}, {VLE_BOLD, 1}, {VLE_ITALIC, 2});
SET(kFamily, {VLE_SERIF, 0}, {VLE_SANS, 0}, {VLE_TYPEWRITER, 0});
SET(kOrdering, {VLE_UNKNOWN_ORDERING, 0}, {VLE_CLOCKWISE, 1}, {VLE_COUNTERCLOCKWISE, 2});
SET(kShapeType, {VLE_UNKNOWN_SHAPE_TYPE, 0}, {VLE_SOLID, 1});
SET(kFaceType, {VLE_UNKNOWN_FACE_TYPE, 0}, {VLE_CONVEX, 1});
SET(kCulling, {VLE_OFF, 0}, {VLE_ON, 1}, {VLE_AUTO, 2});
SET(kWrap, {VLE_REPEAT, 0}, {VLE_CLAMP, 1});
SET(kMap, {VLE_NONE, 0}, {VLE_POINT, 1});
SET(kBindings, {VLE_NONE, VLE_NONE}, {VLE_DEFAULT, VLE_DEFAULT}, {VLE_OVERALL, VLE_OVERALL},
    {VLE_PER_PART, VLE_PER_PART}, {VLE_PER_PART_INDEXED, VLE_PER_PART_INDEXED},
    {VLE_PER_FACE, VLE_PER_FACE}, {VLE_PER_FACE_INDEXED, VLE_PER_FACE_INDEXED},
    {VLE_PER_VERTEX, VLE_PER_VERTEX}, {VLE_PER_VERTEX_INDEXED, VLE_PER_VERTEX_INDEXED});

#define F(field, parser) {VLF_##field, VLP_##parser, nullptr, {0, 0, 0, 0}, 0}
#define FD(field, parser, ...) {VLF_##field, VLP_##parser, nullptr, {__VA_ARGS__}, 0}
#define FE(field, parser, set, idef) {VLF_##field, VLP_##parser, &set, {0, 0, 0, 0}, idef}
#define FI(field, parser, idef) {VLF_##field, VLP_##parser, nullptr, {0, 0, 0, 0}, idef}

const VLvrmlfielddef kAsciiText[] = {F(STRING, MFSTRING), FD(SPACING, SFFLOAT, 1),
                                     FE(JUSTIFICATION, ENUM, kJustification, 0),
                                     F(WIDTH, MFFLOAT)};
const VLvrmlfielddef kCone[] = {FE(PARTS, BITMASK, kConeParts, 3), FD(BOTTOMRADIUS, SFFLOAT, 1),
                                FD(HEIGHT, SFFLOAT, 2)};
const VLvrmlfielddef kCoordinate3[] = {F(POINT, MFVEC3F)};
const VLvrmlfielddef kCube[] = {FD(WIDTH, SFFLOAT, 2), FD(HEIGHT, SFFLOAT, 2),
                                FD(DEPTH, SFFLOAT, 2)};
const VLvrmlfielddef kCylinder[] = {FE(PARTS, BITMASK, kCylinderParts, 7),
                                    FD(RADIUS, SFFLOAT, 1), FD(HEIGHT, SFFLOAT, 2)};
const VLvrmlfielddef kDirectional[] = {FI(ON, SFBOOL, 1), FD(INTENSITY, SFFLOAT, 1),
                                       FD(COLOR, SFCOLOR, 1, 1, 1),
                                       FD(DIRECTION, SFVEC3F, 0, 0, -1)};
const VLvrmlfielddef kFontStyle[] = {FD(SIZE, SFFLOAT, 10), FE(FAMILY, ENUM, kFamily, 0),
                                     FE(STYLE, BITMASK, kStyle, 0)};
const VLvrmlfielddef kIndexed[] = {F(COORDINDEX, MFLONG), F(MATERIALINDEX, MFLONG),
                                   F(NORMALINDEX, MFLONG), F(TEXTURECOORDINDEX, MFLONG)};
const VLvrmlfielddef kInfo[] = {F(STRING, SFSTRING)};
const VLvrmlfielddef kLevelOfDetail[] = {F(SCREENAREA, MFFLOAT)};
const VLvrmlfielddef kLod[] = {F(RANGE, MFFLOAT), F(CENTER, SFVEC3F)};
const VLvrmlfielddef kMaterial[] = {F(AMBIENTCOLOR, MFVEC3F), F(DIFFUSECOLOR, MFVEC3F),
                                    F(SPECULARCOLOR, MFVEC3F), F(EMISSIVECOLOR, MFVEC3F),
                                    F(SHININESS, MFFLOAT), F(TRANSPARENCY, MFFLOAT)};
const VLvrmlfielddef kBinding[] = {FE(VALUE, BINDING, kBindings, 0)};
const VLvrmlfielddef kMatrixTransform[] = {F(MATRIX, SFMATRIX)};
const VLvrmlfielddef kNormal[] = {F(VECTOR, MFVEC3F)};
const VLvrmlfielddef kOrthographic[] = {FD(POSITION, SFVEC3F, 0, 0, 1),
                                        FD(ORIENTATION, SFROTATION, 0, 0, 1, 0),
                                        FD(FOCALDISTANCE, SFFLOAT, 5), F(NEARDISTANCE, SFFLOAT),
                                        F(FARDISTANCE, SFFLOAT), FD(HEIGHT, SFFLOAT, 2)};
const VLvrmlfielddef kPerspective[] = {FD(POSITION, SFVEC3F, 0, 0, 1),
                                       FD(ORIENTATION, SFROTATION, 0, 0, 1, 0),
                                       FD(FOCALDISTANCE, SFFLOAT, 5), F(NEARDISTANCE, SFFLOAT),
                                       F(FARDISTANCE, SFFLOAT),
                                       FD(HEIGHTANGLE, SFFLOAT, 0.785398f)};
const VLvrmlfielddef kPointLight[] = {FI(ON, SFBOOL, 1), FD(INTENSITY, SFFLOAT, 1),
                                      FD(COLOR, SFCOLOR, 1, 1, 1),
                                      FD(LOCATION, SFVEC3F, 0, 0, 1)};
const VLvrmlfielddef kPointSet[] = {FI(STARTINDEX, SFLONG, 0), FI(NUMPOINTS, SFLONG, -1)};
const VLvrmlfielddef kRotation[] = {FD(ROTATION, SFROTATION, 0, 0, 1, 0)};
const VLvrmlfielddef kScale[] = {FD(SCALEFACTOR, SFVEC3F, 1, 1, 1)};
const VLvrmlfielddef kSeparator[] = {FE(RENDERCULLING, ENUM, kCulling, 2)};
const VLvrmlfielddef kShapeHints[] = {FE(VERTEXORDERING, ENUM, kOrdering, 0),
                                      FE(SHAPETYPE, ENUM, kShapeType, 0),
                                      FE(FACETYPE, ENUM, kFaceType, 1),
                                      FD(CREASEANGLE, SFFLOAT, 0.5f)};
const VLvrmlfielddef kSphere[] = {FD(RADIUS, SFFLOAT, 1)};
const VLvrmlfielddef kSpotLight[] = {FI(ON, SFBOOL, 1), FD(INTENSITY, SFFLOAT, 1),
                                     FD(COLOR, SFCOLOR, 1, 1, 1), FD(LOCATION, SFVEC3F, 0, 0, 1),
                                     FD(DIRECTION, SFVEC3F, 0, 0, -1), F(DROPOFFRATE, SFFLOAT),
                                     FD(CUTOFFANGLE, SFFLOAT, 0.785398f)};
const VLvrmlfielddef kSwitch[] = {FI(WHICHCHILD, SFLONG, -1)};
const VLvrmlfielddef kTexture2[] = {F(FILENAME, SFSTRING), F(IMAGE, SFIMAGE),
                                    FE(WRAPS, ENUM, kWrap, 0), FE(WRAPT, ENUM, kWrap, 0)};
const VLvrmlfielddef kTexture2Transform[] = {F(TRANSLATION, SFVEC2F), F(ROTATION, SFFLOAT),
                                             FD(SCALEFACTOR, SFVEC2F, 1, 1), F(CENTER, SFVEC2F)};
const VLvrmlfielddef kTextureCoordinate2[] = {F(POINT, MFVEC2F)};
const VLvrmlfielddef kTransform[] = {F(TRANSLATION, SFVEC3F),
                                     FD(ROTATION, SFROTATION, 0, 0, 1, 0),
                                     FD(SCALEFACTOR, SFVEC3F, 1, 1, 1),
                                     FD(SCALEORIENTATION, SFROTATION, 0, 0, 1, 0),
                                     F(CENTER, SFVEC3F)};
const VLvrmlfielddef kTranslation[] = {F(TRANSLATION, SFVEC3F)};
const VLvrmlfielddef kAnchor[] = {F(NAME, SFSTRING), F(DESCRIPTION, SFSTRING),
                                  FE(MAP, ENUM, kMap, 0)};
const VLvrmlfielddef kInline[] = {F(NAME, SFSTRING), F(BBOXSIZE, SFVEC3F),
                                  F(BBOXCENTER, SFVEC3F)};

#define N(table, grouping) {table, int(sizeof table / sizeof table[0]), grouping}
const VLvrmlnodedef kNone = {nullptr, 0, false};
const VLvrmlnodedef kNoneGrouping = {nullptr, 0, true};

const VLvrmlnodedef kNodes[VLN_COUNT] = {
    N(kAsciiText, false), N(kCone, false), N(kCoordinate3, false), N(kCube, false),
    N(kCylinder, false), N(kDirectional, false), N(kFontStyle, false), kNoneGrouping,
    N(kIndexed, false), N(kIndexed, false), N(kInfo, false), N(kLevelOfDetail, true),
    N(kLod, true), N(kMaterial, false), N(kBinding, false), N(kMatrixTransform, false),
    N(kNormal, false), N(kBinding, false), N(kOrthographic, false), N(kPerspective, false),
    N(kPointLight, false), N(kPointSet, false), N(kRotation, false), N(kScale, false),
    N(kSeparator, true), N(kShapeHints, false), N(kSphere, false), N(kSpotLight, false),
    N(kSwitch, true), N(kTexture2, false), N(kTexture2Transform, false),
    N(kTextureCoordinate2, false), N(kTransform, false), kNoneGrouping,
    N(kTranslation, false), N(kAnchor, true), N(kInline, false)};

const VLvrmlvalue kAbsent{};

}  // namespace

const VLvrmlnodedef &_VLvrml_nodedef(int node) {
  return node >= 0 && node < VLN_COUNT ? kNodes[node] : kNone;
}

const VLvrmlvalue &VLvrmlrecord::get(int field) const {
  for (int i = 0; def && i < def->count; ++i)
    if (def->fields[i].field == field) return v[i];
  return kAbsent;
}
