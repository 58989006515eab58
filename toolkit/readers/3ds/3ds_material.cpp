/* 3D Studio materials (MAT_ENTRY): name, ambient, diffuse and specular
 * colours, shininess and its strength, transparency, self-illumination,
 * two-sidedness, shading, the texture map (file name and strength) and
 * whether an opacity map is given. A material starts with the default
 * material's values. Percentages are clamped with a warning: shininess at
 * 128 (it is the percentage times 128), strength and transparency at 1. */
#include "core/messages.h"
#include "readers/3ds/3ds_internal.h"

namespace {

const float kMaxShininess = 128.0f;

bool name(VL3dsparse &p, VLbytecursor &body) {
  return _VL3ds_string(p, body, TDS_MAT_NAME, p.material->name);
}

bool ambient(VL3dsparse &p, VLbytecursor &body) {
  if (_VL3ds_readcolour(p, body, p.material->ambient)) p.material->hasambient = true;
  return !p.failed;
}

bool diffuse(VL3dsparse &p, VLbytecursor &body) {
  if (_VL3ds_readcolour(p, body, p.material->diffuse)) p.material->hasdiffuse = true;
  return !p.failed;
}

bool specular(VL3dsparse &p, VLbytecursor &body) {
  if (_VL3ds_readcolour(p, body, p.material->specular)) p.material->hasspecular = true;
  return !p.failed;
}

bool shininess(VL3dsparse &p, VLbytecursor &body) {
  float pct;
  if (!_VL3ds_readpercent(p, body, &pct)) return !p.failed;
  float s = pct * kMaxShininess;
  if (s > kMaxShininess) {
    VLMSG(TDS_SHININESS_CLAMPED);
    s = kMaxShininess;
  }
  p.material->shininess = s;
  p.material->hasshininess = true;
  return true;
}

bool strength(VL3dsparse &p, VLbytecursor &body) {
  float pct;
  if (!_VL3ds_readpercent(p, body, &pct)) return !p.failed;
  if (pct > 1.0f) {
    VLMSG(TDS_STRENGTH_CLAMPED);
    pct = 1.0f;
  }
  p.material->strength = pct;
  return true;
}

bool transparency(VL3dsparse &p, VLbytecursor &body) {
  float pct;
  if (!_VL3ds_readpercent(p, body, &pct)) return !p.failed;
  if (pct > 1.0f) {
    VLMSG(TDS_TRANSPARENCY_CLAMPED);
    pct = 1.0f;
  }
  p.material->transparency = pct;
  return true;
}

bool self_illum(VL3dsparse &p, VLbytecursor &) {
  p.material->selfillum = true;
  return true;
}

bool self_illum_pct(VL3dsparse &p, VLbytecursor &body) {
  _VL3ds_readpercent(p, body, &p.material->selfillumpct);
  return !p.failed;
}

bool two_sided(VL3dsparse &p, VLbytecursor &) {
  p.material->twosided = true;
  return true;
}

bool shading(VL3dsparse &p, VLbytecursor &body) {
  p.material->shading = body.le16();
  return body.failed() ? _VL3ds_readerror(p, body, TDS_MAT_SHADING) : true;
}

bool map_name(VL3dsparse &p, VLbytecursor &body) {
  return _VL3ds_string(p, body, TDS_MAT_MAPNAME, p.material->texture);
}

/* The texture map: its strength, then its file name. */
bool texture_map(VL3dsparse &p, VLbytecursor &body) {
  static const VL3dshandler kMap[] = {{TDS_MAT_MAPNAME, map_name}};
  VLbytecursor again = body;
  _VL3ds_readpercent(p, again, &p.material->texstrength);
  if (p.failed) return false;
  return _VL3ds_children(p, body, kMap);
}

bool opacity_map(VL3dsparse &p, VLbytecursor &) {
  p.material->opacitymap = true;
  return true;
}

}  // namespace

bool _VL3ds_material(VL3dsparse &p, VLbytecursor &body) {
  static const VL3dshandler kMaterial[] = {
      {TDS_MAT_NAME, name},
      {TDS_MAT_AMBIENT, ambient},
      {TDS_MAT_DIFFUSE, diffuse},
      {TDS_MAT_SPECULAR, specular},
      {TDS_MAT_SHININESS, shininess},
      {TDS_MAT_SHIN2PCT, strength},
      {TDS_MAT_TRANSPARENCY, transparency},
      {TDS_MAT_SELF_ILLUM, self_illum},
      {TDS_MAT_SELF_ILPCT, self_illum_pct},
      {TDS_MAT_TWO_SIDE, two_sided},
      {TDS_MAT_SHADING, shading},
      {TDS_MAT_TEXMAP, texture_map},
      {TDS_MAT_OPACMAP, opacity_map},
  };
  p.db->materials.emplace_back();
  p.material = &p.db->materials.back();
  bool ok = _VL3ds_children(p, body, kMaterial);
  p.material = nullptr;
  return ok;
}
