/* The 3D Studio mesh-data chunk: named objects (meshes, lights, cameras),
 * materials, and the scene settings kept in the database (master scale,
 * solid background, ambient light, fog switch); the other settings (view
 * layouts, shadows, gradient, distance cue) are skipped by their lengths.
 * Also the colour and percentage chunks that set the current value for
 * the chunk around them. Lights and cameras are kept, never converted. */
#include "readers/3ds/3ds_internal.h"

namespace {

bool read_floats(VL3dsparse &p, VLbytecursor &c, uint16_t tag, float *out, int n) {
  for (int i = 0; i < n; ++i) out[i] = _VL3ds_float(c);
  return c.failed() ? _VL3ds_readerror(p, c, tag) : true;
}

bool mesh_version(VL3dsparse &p, VLbytecursor &body) {
  p.db->meshversion = _VL3ds_le32(body);
  return body.failed() ? _VL3ds_readerror(p, body, TDS_MESH_VERSION) : true;
}

bool master_scale(VL3dsparse &p, VLbytecursor &body) {
  return read_floats(p, body, TDS_MASTER_SCALE, &p.db->masterscale, 1);
}

bool solid_background(VL3dsparse &p, VLbytecursor &body) {
  _VL3ds_readcolour(p, body, p.db->background);
  return !p.failed;
}

bool use_background(VL3dsparse &p, VLbytecursor &) {
  p.db->usebackground = true;
  return true;
}

bool ambient_light(VL3dsparse &p, VLbytecursor &body) {
  _VL3ds_readcolour(p, body, p.db->ambient);
  return !p.failed;
}

bool use_fog(VL3dsparse &p, VLbytecursor &) {
  p.db->usefog = true;
  return true;
}

/* A named object: its name, then the chunk that says what it is. */
bool named_object(VL3dsparse &p, VLbytecursor &body) {
  static const VL3dshandler kObject[] = {
      {TDS_N_TRI_OBJECT, _VL3ds_trimesh},
      {TDS_N_DIRECT_LIGHT, _VL3ds_light},
      {TDS_N_CAMERA, _VL3ds_camera},
  };
  if (!_VL3ds_string(p, body, TDS_NAMED_OBJECT, p.objectname)) return false;
  return _VL3ds_children(p, body, kObject);
}

bool spotlight(VL3dsparse &p, VLbytecursor &body) {
  VL3dslight *l = p.light;
  l->spot = true;
  return read_floats(p, body, TDS_DL_SPOTLIGHT, l->target, 3) &&
         read_floats(p, body, TDS_DL_SPOTLIGHT, &l->hotspot, 1) &&
         read_floats(p, body, TDS_DL_SPOTLIGHT, &l->falloff, 1);
}

bool light_off(VL3dsparse &p, VLbytecursor &) {
  p.light->off = true;
  return true;
}

bool colour_f(VL3dsparse &p, VLbytecursor &body) {
  if (!read_floats(p, body, TDS_COLOR_F, p.colour, 3)) return false;
  p.hascolour = true;
  return true;
}

bool colour_24(VL3dsparse &p, VLbytecursor &body) {
  uint8_t rgb[3];
  if (!body.bytes(rgb, 3)) return _VL3ds_readerror(p, body, TDS_COLOR_24);
  for (int i = 0; i < 3; ++i) p.colour[i] = float(rgb[i]) / 255.0f;
  p.hascolour = true;
  return true;
}

/* Percentages below zero (or not numbers) count as zero. */
void set_percent(VL3dsparse &p, float value) {
  p.percent = value > 0.0f ? value : 0.0f;
  p.haspercent = true;
}

bool int_percentage(VL3dsparse &p, VLbytecursor &body) {
  uint16_t v = body.le16();
  if (body.failed()) return _VL3ds_readerror(p, body, TDS_INT_PERCENTAGE);
  set_percent(p, float(v) * 0.01f);
  return true;
}

bool float_percentage(VL3dsparse &p, VLbytecursor &body) {
  float v = _VL3ds_float(body);
  if (body.failed()) return _VL3ds_readerror(p, body, TDS_FLOAT_PERCENTAGE);
  set_percent(p, v);
  return true;
}

const VL3dshandler kColour[] = {{TDS_COLOR_F, colour_f}, {TDS_COLOR_24, colour_24}};
const VL3dshandler kPercent[] = {{TDS_INT_PERCENTAGE, int_percentage},
                                 {TDS_FLOAT_PERCENTAGE, float_percentage}};

}  // namespace

bool _VL3ds_mdata(VL3dsparse &p, VLbytecursor &body) {
  static const VL3dshandler kMdata[] = {
      {TDS_MESH_VERSION, mesh_version}, {TDS_MASTER_SCALE, master_scale},
      {TDS_SOLID_BGND, solid_background}, {TDS_USE_SOLID_BGND, use_background},
      {TDS_AMBIENT_LIGHT, ambient_light}, {TDS_USE_FOG, use_fog},
      {TDS_NAMED_OBJECT, named_object}, {TDS_MAT_ENTRY, _VL3ds_material},
  };
  return _VL3ds_children(p, body, kMdata);
}

bool _VL3ds_light(VL3dsparse &p, VLbytecursor &body) {
  static const VL3dshandler kLight[] = {
      {TDS_COLOR_F, colour_f}, {TDS_COLOR_24, colour_24},
      {TDS_DL_SPOTLIGHT, spotlight}, {TDS_DL_OFF, light_off},
  };
  p.db->lights.emplace_back();
  VL3dslight *l = &p.db->lights.back();
  l->name = p.objectname;
  if (!read_floats(p, body, TDS_N_DIRECT_LIGHT, l->position, 3)) return false;
  p.light = l;
  p.hascolour = false;
  bool ok = _VL3ds_children(p, body, kLight);
  if (ok && p.hascolour)
    for (int i = 0; i < 3; ++i) l->colour[i] = p.colour[i];
  p.light = nullptr;
  return ok;
}

bool _VL3ds_camera(VL3dsparse &p, VLbytecursor &body) {
  p.db->cameras.emplace_back();
  VL3dscamera *c = &p.db->cameras.back();
  c->name = p.objectname;
  return read_floats(p, body, TDS_N_CAMERA, c->position, 3) &&
         read_floats(p, body, TDS_N_CAMERA, c->target, 3) &&
         read_floats(p, body, TDS_N_CAMERA, &c->bank, 1) &&
         read_floats(p, body, TDS_N_CAMERA, &c->lens, 1);
}

bool _VL3ds_readcolour(VL3dsparse &p, VLbytecursor &body, float out[3]) {
  p.hascolour = false;
  if (!_VL3ds_children(p, body, kColour) || !p.hascolour) return false;
  for (int i = 0; i < 3; ++i) out[i] = p.colour[i];
  return true;
}

bool _VL3ds_readpercent(VL3dsparse &p, VLbytecursor &body, float *out) {
  p.haspercent = false;
  if (!_VL3ds_children(p, body, kPercent) || !p.haspercent) return false;
  *out = p.percent;
  return true;
}
