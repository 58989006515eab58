/* Loading a VRML file: the source is opened (a regular file, an "http://"
 * URL, or bytes from the caller), checked, parsed and built under the
 * parent; a syntax error removes everything built from the file (nodes,
 * viewpoints, material tables) and gives null. The inlines that a file
 * names are loaded after it, each under its Inline node, their own inlines
 * joining the same queue; a failed inline leaves its node empty. Chains of
 * inlines deeper than VLVRML_MAXINLINEDEPTH (a world that includes
 * itself) and more than VLVRML_MAXINLINES inlines are not loaded. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>

#include "core/messages.h"
#include "readers/bytes/fetch.h"
#include "readers/vrml/vrml_internal.h"
#include "vlx/mtable.h"
#include "vlx/net.h"
#include "vlx/node.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"

namespace {

bool is_url(const char *path) { return strncmp(path, "http://", 7) == 0; }

/* Bytes the caller serves (freed when the file is done). */
struct Served {
  char *data = nullptr;
  ~Served() { free(data); }
};

/* Opens the source of path (data when given); false after "Could not open". */
bool open_source(VLvrmlstate &c, const char *path, const char *data, size_t size,
                 Served &served) {
  VLvrmlinput &in = c.in;
  if (data) {
    in.mem = data;
    in.memsize = size;
    in.mempos = 0;
    return true;
  }
  if (c.options && c.options->fetch) {
    size_t size = 0;
    if (c.options->fetch(path, &served.data, &size, c.options->user)) {
      in.mem = served.data ? served.data : "";
      in.memsize = served.data ? size : 0;
      in.mempos = 0;
      return true;
    }
  } else if (is_url(path)) {
    in.sock = VLurl_open(path);
    if (in.sock >= 0) return true;
  } else {
    int fd = _VLfetch_openregular(path, nullptr);
    if (fd >= 0) in.stream = fdopen(fd, "rb");
    if (in.stream) return true;
    if (fd >= 0) close(fd);
  }
  VLMSG(VRML_CANT_OPEN, path);
  return false;
}

void free_defs(VLvrmlstate &c) {
  for (VLvrmldef *d : c.defs) delete d;
  c.defs.clear();
  c.defindex.clear();
}

/* Deletes the tables made by this file that no geometry holds. */
void drop_tables(VLvrmlstate &c) {
  for (VLmtable *t : c.tables)
    if (!t->users) VLmtable_delete(t);
  c.tables.clear();
}

/* Everything the abandoned file built. */
void remove_built(VLvrmlstate &c, size_t pendingmark) {
  std::vector<VLnode *> top = c.topnodes;
  std::sort(top.begin(), top.end());
  top.erase(std::unique(top.begin(), top.end()), top.end());
  for (VLnode *n : top) VLnode_delete(n);
  c.topnodes.clear();
  for (VLviewpoint *vp : c.viewpoints) VLviewpoint_delete(vp);
  if (!c.viewpoints.empty()) VLuniverse_setviewpoint(c.oldviewpoint);
  c.pending.resize(std::min(c.pending.size(), pendingmark));
  drop_tables(c);
}

void reset(VLvrmlstate &c, VLnode *parent, const char *path, const char *base,
           VLnode *material) {
  c.path = path;
  c.base = base ? base : path;
  c.fileparent = parent;
  c.topnodes.clear();
  c.tables.clear();
  c.viewpoints.clear();
  c.oldviewpoint = VLuniverse_current() ? VLuniverse_getviewpoint() : nullptr;
  free_defs(c);
  c.levels.assign(1, VLvrmllevel());
  if (material && material->type == VLNODE_MTABLE) {
    c.levels[0].material = material;
    c.levels[0].mtable = static_cast<VLmtablenode *>(material)->table;
  }
  c.depth = 0;
  c.copied = 0;
  for (int &n : c.made) n = 0;
}

/* One file: parse and build, or remove what it built. */
VLnode *load_file(VLvrmlstate &c, VLnode *parent, const char *path, const char *base,
                  VLnode *material, int inlinedepth, const char *data = nullptr,
                  size_t size = 0) {
  reset(c, parent, path, base, material);
  c.inlinedepth = inlinedepth;
  Served served;
  if (!open_source(c, path, data, size, served)) return nullptr;
  if (!_VLvrml_open(c)) {
    VLMSG(VRML_INVALID, path);
    _VLvrml_close(c);
    return nullptr;
  }
  size_t pendingmark = c.pending.size();
  VLnode *top = nullptr;
  try {
    top = _VLvrml_file(c, parent);
  } catch (const VLvrmlabort &) {
    _VLvrml_close(c);
    remove_built(c, pendingmark);
    free_defs(c);
    return nullptr;
  }
  _VLvrml_close(c);
  for (VLnode *n : c.topnodes) _VLvrml_postpass(c, n);
  c.topnodes.clear();
  free_defs(c);
  drop_tables(c);
  return top;
}

/* The queue of inlines, first in first out. */
void load_inlines(VLvrmlstate &c) {
  int loaded = 0;
  for (size_t i = 0; i < c.pending.size(); ++i) {
    VLvrmlpending p = c.pending[i];
    if (p.depth > VLVRML_MAXINLINEDEPTH) {
      VLMSG(VRML_INLINE_TOO_DEEP, p.url.c_str(), int(VLVRML_MAXINLINEDEPTH));
      continue;
    }
    if (++loaded > VLVRML_MAXINLINES) {
      VLMSG(VRML_TOO_MANY_INLINES, int(VLVRML_MAXINLINES), p.url.c_str());
      continue;
    }
    VLMSG(VRML_INLINE, p.url.c_str());
    load_file(c, p.inlinenode, p.url.c_str(), p.url.c_str(), nullptr, p.depth);
  }
  c.pending.clear();
}

VLnode *load_world(VLnode *parent, const char *path, const char *base, VLnode *material,
                   const char *data, size_t size, const VLvrmloptions *options) {
  VLvrmlstate &c = _VLvrml();
  c.pending.clear();
  c.imagecounter = 0;
  c.options = options && options->fetch ? options : nullptr;
  c.maxcopies = options && options->maxcopies > 0 ? options->maxcopies : long(VLVRML_MAXCOPIES);
  VLnode *top = load_file(c, parent, path, base, material, 0, data, size);
  if (!(options && options->noinlines)) load_inlines(c);
  c.pending.clear();
  c.options = nullptr;
  return top;
}

}  // namespace

VLnode *VLvrml_load(VLnode *parent, const char *path, const char *base, VLnode *material) {
  if (!path) return nullptr;
  return load_world(parent, path, base, material, nullptr, 0, nullptr);
}

VLnode *VLvrml_readbytes(VLnode *parent, const char *name, const char *data, size_t size,
                         const VLvrmloptions *options) {
  if (!data) return nullptr;
  if (!name) name = "";
  return load_world(parent, name, name, nullptr, data, size, options);
}
