/* 3D Studio mesh objects (N_TRI_OBJECT): the vertex positions, the faces
 * with their material groups and smoothing groups, the texture vertices,
 * the local matrix, and the box-mapping chunk (warned about, not used).
 * Counts are 16 bits; each is checked against the bytes its chunk holds
 * before anything is stored. Indexes are checked when the geometry is
 * made. */
#include "core/messages.h"
#include "readers/3ds/3ds_internal.h"

namespace {

const size_t kPointBytes = 12, kFaceBytes = 8, kUvBytes = 8, kMaskBytes = 4, kIndexBytes = 2;

bool point_array(VL3dsparse &p, VLbytecursor &body) {
  size_t n = body.le16();
  if (body.failed()) return _VL3ds_readerror(p, body, TDS_POINT_ARRAY);
  if (!_VL3ds_countfits(p, body, TDS_POINT_ARRAY, n, kPointBytes)) return false;
  std::vector<float> &pts = p.mesh->points;
  pts.resize(n * 3);
  for (float &f : pts) f = _VL3ds_float(body);
  return true;
}

bool material_group(VL3dsparse &p, VLbytecursor &body) {
  VL3dsmatgroup g;
  if (!_VL3ds_string(p, body, TDS_MSH_MAT_GROUP, g.material)) return false;
  size_t n = body.le16();
  if (body.failed()) return _VL3ds_readerror(p, body, TDS_MSH_MAT_GROUP);
  if (!_VL3ds_countfits(p, body, TDS_MSH_MAT_GROUP, n, kIndexBytes)) return false;
  g.faces.resize(n);
  for (uint16_t &f : g.faces) f = body.le16();
  p.mesh->groups.push_back(std::move(g));
  return true;
}

/* One mask per face (the faces read before it). */
bool smooth_group(VL3dsparse &p, VLbytecursor &body) {
  size_t n = p.mesh->faces.size();
  if (!_VL3ds_countfits(p, body, TDS_SMOOTH_GROUP, n, kMaskBytes)) return false;
  p.mesh->smooth.resize(n);
  for (uint32_t &m : p.mesh->smooth) m = _VL3ds_le32(body);
  p.mesh->hassmooth = true;
  return true;
}

bool face_array(VL3dsparse &p, VLbytecursor &body) {
  static const VL3dshandler kFaces[] = {{TDS_MSH_MAT_GROUP, material_group},
                                        {TDS_SMOOTH_GROUP, smooth_group}};
  size_t n = body.le16();
  if (body.failed()) return _VL3ds_readerror(p, body, TDS_FACE_ARRAY);
  if (!_VL3ds_countfits(p, body, TDS_FACE_ARRAY, n, kFaceBytes)) return false;
  std::vector<VL3dsface> &faces = p.mesh->faces;
  faces.resize(n);
  for (VL3dsface &f : faces) {
    for (uint16_t &v : f.v) v = body.le16();
    f.flags = body.le16();
  }
  return _VL3ds_children(p, body, kFaces);
}

bool tex_verts(VL3dsparse &p, VLbytecursor &body) {
  size_t n = body.le16();
  if (body.failed()) return _VL3ds_readerror(p, body, TDS_TEX_VERTS);
  if (!_VL3ds_countfits(p, body, TDS_TEX_VERTS, n, kUvBytes)) return false;
  p.mesh->uv.resize(n * 2);
  for (float &f : p.mesh->uv) f = _VL3ds_float(body);
  p.mesh->nuv = n;
  p.mesh->hasuv = true;
  return true;
}

bool mesh_matrix(VL3dsparse &p, VLbytecursor &body) {
  for (float &f : p.mesh->matrix) f = _VL3ds_float(body);
  if (body.failed()) return _VL3ds_readerror(p, body, TDS_MESH_MATRIX);
  p.mesh->hasmatrix = true;
  return true;
}

bool box_map(VL3dsparse &p, VLbytecursor &) {
  if (!p.mesh->boxmap) VLMSG(TDS_BOX_MAP);
  p.mesh->boxmap = true;
  return true;
}

}  // namespace

bool _VL3ds_trimesh(VL3dsparse &p, VLbytecursor &body) {
  static const VL3dshandler kMesh[] = {
      {TDS_POINT_ARRAY, point_array}, {TDS_FACE_ARRAY, face_array},
      {TDS_TEX_VERTS, tex_verts},     {TDS_MESH_MATRIX, mesh_matrix},
      {TDS_MSH_BOXMAP, box_map},
  };
  p.db->meshes.emplace_back();
  p.mesh = &p.db->meshes.back();
  p.mesh->name = p.objectname;
  bool ok = _VL3ds_children(p, body, kMesh);
  p.mesh = nullptr;
  return ok;
}
