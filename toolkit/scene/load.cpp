/* Loading a model file into the scene graph: the file is found along
 * VLMODELS, its type comes from its first bytes, and one table maps each
 * type to its reader: geometry readers give lists of geometries that
 * become Geometry nodes under the parent, tree readers (VRML, OpenFlight)
 * give a subtree. A format whose reader is not built into the toolkit yet
 * gives a warning and nothing. Light files go to the light reader; the old
 * binary formats and material files are refused. */
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/messages.h"
#include "geometry/mtable_internal.h"
#include "scene/scene_internal.h"
#include "scene/state.h"
#include "vlx/diag.h"
#include "vlx/file.h"
#include "vlx/dxf.h"
#include "vlx/flt.h"
#include "vlx/geometry.h"
#include "vlx/light.h"
#include "vlx/3ds.h"
#include "vlx/nff.h"
#include "vlx/obj.h"
#include "vlx/node.h"
#include "vlx/slp.h"
#include "vlx/vrml.h"

namespace {

/* Smallest scale accepted. */
const float kMinScale = 1e-20f;
const char kUrlPrefix[] = "http://";

typedef VLgeomcell *(*VLgeomreader)(FILE *stream, const char *path, float scale);
typedef VLnode *(*VLtreereader)(VLnode *parent, const char *path);

struct VLreaderentry {
  int type;
  const char *format;       /* named in the "not built yet" warning */
  VLgeomreader geometry;    /* a geometry format, null when not built */
  VLtreereader tree;        /* a subtree format, null when not built */
  bool isgeometry;
};

/* Scene loading merges a file's geometries and collects no portals. */
VLgeomcell *read_nff(FILE *stream, const char *path, float scale) {
  return VLnff_read(stream, path, nullptr, scale, true, nullptr);
}

/* OpenFlight gives a subtree under the orphan holder; VLnode_load attaches
 * it. */
VLnode *read_flt(VLnode *parent, const char *path) {
  (void)parent;
  return VLflt_load(path);
}

VLgeomcell *read_bnff(FILE *stream, const char *path, float scale) {
  return VLbnff_read(stream, path, nullptr, scale, true, nullptr);
}

VLgeomcell *read_dxf(FILE *stream, const char *path, float scale) {
  return VLdxf_read(stream, path, nullptr, scale, true);
}

/* Each mesh object of a 3D Studio file keeps its own node (and name). */
VLgeomcell *read_3ds(FILE *stream, const char *path, float scale) {
  return _VL3ds_read_geometries(stream, path, scale, false);
}

VLgeomcell *read_slp(FILE *stream, const char *path, float scale) {
  return VLslp_read_geometries(stream, path, scale, 0);
}

/* A one-geometry reader's result as a list of one cell. */
VLgeomcell *one_cell(VLgeometry *g) {
  if (!g) return nullptr;
  VLgeomcell *c = static_cast<VLgeomcell *>(VLmalloc(sizeof(VLgeomcell)));
  c->geometry = g;
  c->next = nullptr;
  return c;
}

VLgeomcell *read_obj(FILE *stream, const char *path, float scale) {
  return one_cell(VLobj_read(stream, path, scale));
}

VLgeomcell *read_3dg1(FILE *stream, const char *path, float scale) {
  return one_cell(VL3dg1_read(stream, path, scale));
}

/* A VRML world resolves its relative names against its own path. */
VLnode *read_vrml(VLnode *parent, const char *path) {
  return VLvrml_load(parent, path, path, nullptr);
}

/* Every format a file type can name. */
const VLreaderentry kReaders[] = {
    {VLFILE_DXF, "DXF", read_dxf, nullptr, true},
    {VLFILE_NFF, "neutral file", read_nff, nullptr, true},
    {VLFILE_OBJ, "Wavefront OBJ", read_obj, nullptr, true},
    {VLFILE_3DG1, "3DG1", read_3dg1, nullptr, true},
    {VLFILE_3DS, "3D Studio", read_3ds, nullptr, true},
    {VLFILE_BNFF, "binary neutral file", read_bnff, nullptr, true},
    {VLFILE_SLP, "SLP", read_slp, nullptr, true},
    {VLFILE_FLT, "OpenFlight", nullptr, read_flt, false},
    {VLFILE_VRML, "VRML", nullptr, read_vrml, false},
};

const VLreaderentry *reader_of(int type) {
  for (const VLreaderentry &e : kReaders)
    if (e.type == type) return &e;
  return nullptr;
}

/* A subtree reader's result, or null after the "not built" warning. */
VLnode *read_tree(int type, VLnode *parent, const char *path) {
  const VLreaderentry *e = reader_of(type);
  if (!e->tree) {
    VLMSG(LOAD_NO_READER, e->format, path);
    return nullptr;
  }
  return e->tree(parent, path);
}

/* The light reader attaches to the parent (the orphan holder for none);
 * the first node it appended. */
VLnode *load_lights(VLnode *parent, const char *name) {
  VLgroupnode *holder = static_cast<VLgroupnode *>(parent ? parent : _VLscene_orphans());
  VLnodelink *before = holder->lastchild;
  if (!VLlights_load(parent, name)) return nullptr;
  VLnodelink *first = before ? before->nextsibling : holder->firstchild;
  return first ? first->child : nullptr;
}

/* One Geometry node per geometry, named after it; the first node. */
VLnode *attach_geometries(VLnode *parent, VLgeomcell *list) {
  VLnode *first = nullptr;
  while (list) {
    VLgeomcell *next = list->next;
    VLgeometry *g = list->geometry;
    if (g && !g->node) {
      VLnode *n = VLgeometrynode_new(parent, g);
      if (n) VLnode_setname(n, g->name);
      if (!n) VLgeometry_delete(g);
      if (!first) first = n;
    }
    free(list);
    list = next;
  }
  return first;
}

VLnode *load_geometry(VLnode *parent, const char *path, int type, float scale) {
  FILE *stream = fopen(path, "rb");
  if (!stream) return nullptr;
  VLgeomcell *list = VLgeometry_load(stream, path, type, _VLscene().loadparams, scale, 0);
  return list ? attach_geometries(parent, list) : nullptr;
}

bool is_geometry_type(int type) {
  const VLreaderentry *e = reader_of(type);
  return e && e->isgeometry;
}

}  // namespace

namespace {

VLnode *load_any(VLnode *parent, const char *name, float scale) {
  if (!name) return nullptr;
  if (!(scale >= kMinScale)) {
    VLMSG(BAD_SCALE);
    return nullptr;
  }
  if (!_VLnode_resolveparent(&parent)) return nullptr;
  if (strncmp(name, kUrlPrefix, sizeof kUrlPrefix - 1) == 0)
    return read_tree(VLFILE_VRML, parent, name);
  const char *found = VLfile_findmodel(name);
  if (!found) {
    VLMSG(LOAD_NOT_FOUND, name);
    return nullptr;
  }
  std::string path(found);  /* the search buffer is reused by the readers */
  int type = VLfile_type(path.c_str());
  if (type == VLFILE_VRML) return read_tree(type, parent, path.c_str());
  if (type == VLFILE_LIGHTS) return load_lights(parent, name);
  if (is_geometry_type(type)) return load_geometry(parent, path.c_str(), type, scale);
  if (type == VLFILE_OLDBIN1 || type == VLFILE_OLDBIN2) {
    VLMSG(OLD_BINARY);
    return nullptr;
  }
  if (type == VLFILE_FLT) {
    VLnode *n = read_tree(type, nullptr, path.c_str());
    if (n && parent) VLnode_addchild(parent, n);
    return n;
  }
  VLMSG(LOAD_UNKNOWN_TYPE, path.c_str());
  return nullptr;
}

}  // namespace

/* The material tables a load makes belong to its geometries: each is freed
 * with the last geometry that uses it. */
VLnode *VLnode_load(VLnode *parent, const char *name, float scale) {
  unsigned long before = _VLmtable_newest();
  VLnode *n = load_any(parent, name, scale);
  _VLmtable_ownbyusers(before);
  return n;
}

VLnodecell *_VLnode_fromgeometries(VLgeomcell *list, int flag) {
  VLnodecell *nodes = nullptr;
  while (list) {
    VLgeomcell *next = list->next;
    VLgeometry *g = list->geometry;
    VLnode *n = flag ? VLmovablegeometrynode_new(nullptr, g) : VLgeometrynode_new(nullptr, g);
    if (n) {
      VLnode_setname(n, g->name);
      VLnodecell *c = static_cast<VLnodecell *>(VLmalloc(sizeof(VLnodecell)));
      c->node = n;
      c->next = nodes;
      nodes = c;
    } else {
      VLgeometry_delete(g);
    }
    free(list);
    list = next;
  }
  return nodes;
}

VLgeomcell *VLgeometry_load(FILE *stream, const char *name, int type,
                            float params[VLLOAD_NPARAMS], float scale, int flag) {
  (void)flag;
  if (!stream || !name) return nullptr;
  if (params) {
    for (int i = 0; i < VLLOAD_NPARAMS - 1; ++i) params[i] = 0.0f;
    params[VLLOAD_NPARAMS - 1] = 1.0f;
  }
  if (!is_geometry_type(type)) {
    fclose(stream);
    VLMSG(LOAD_UNKNOWN_TYPECODE, type, name);
    return nullptr;
  }
  const VLreaderentry *e = reader_of(type);
  VLgeomcell *list = nullptr;
  if (e->geometry)
    list = e->geometry(stream, name, scale);
  else
    VLMSG(LOAD_NO_READER, e->format, name);
  fclose(stream);
  return list;
}
