/* Type-specific operations of grouping nodes: Switch selection, Lod ranges
 * (stored squared so that selection needs no square root) and centre,
 * Anchor URLs and Inline file names (owned copies). Movable nodes resolve
 * to their content. Changes mark the ancestors changed. */
#include <math.h>
#include <stdlib.h>

#include "scene/scene_internal.h"
#include "vlx/diag.h"

namespace {

template <typename T>
T *content_of(VLnode *node, int type) {
  if (!node) return nullptr;
  VLnode *n = _VLnode_content(node);
  return n->type == type ? static_cast<T *>(n) : nullptr;
}

/* Copies before freeing, so the node's own text may be passed back in. */
bool replace_text(char *&slot, const char *text) {
  char *copy = VLstrdup(text);
  free(slot);
  slot = copy;
  return true;
}

}  // namespace

bool VLswitchnode_setwhich(VLnode *node, int which) {
  VLswitchnode *s = content_of<VLswitchnode>(node, VLNODE_SWITCH);
  if (!s || (which < 0 && which != VLSWITCH_NONE && which != VLSWITCH_ALL)) return false;
  s->which = which;
  _VLnode_markancestors(s);
  return true;
}

bool VLlodnode_setranges(VLnode *node, const float *distances, int count) {
  VLlodnode *lod = content_of<VLlodnode>(node, VLNODE_LOD);
  if (!lod || count < 0) return false;
  free(lod->ranges);
  lod->ranges = nullptr;
  lod->nranges = 0;
  if (count > 0 && distances) {
    lod->ranges = static_cast<float *>(VLmalloc(sizeof(float) * static_cast<size_t>(count)));
    for (int i = 0; i < count; ++i) lod->ranges[i] = distances[i] * distances[i];
    lod->nranges = count;
  }
  _VLnode_markancestors(lod);
  return true;
}

bool VLlodnode_getranges(VLnode *node, float *out, int capacity) {
  VLlodnode *lod = content_of<VLlodnode>(node, VLNODE_LOD);
  if (!lod || capacity < lod->nranges || (!out && lod->nranges > 0)) return false;
  for (int i = 0; i < lod->nranges; ++i) out[i] = sqrtf(lod->ranges[i]);
  return true;
}

bool VLlodnode_setcenter(VLnode *node, const float centre[3]) {
  VLlodnode *lod = content_of<VLlodnode>(node, VLNODE_LOD);
  if (!lod || !centre) return false;
  for (int i = 0; i < 3; ++i) lod->lodcentre[i] = centre[i];
  _VLnode_markancestors(lod);
  return true;
}

bool VLanchornode_seturl(VLnode *node, const char *url) {
  VLanchornode *a = content_of<VLanchornode>(node, VLNODE_ANCHOR);
  return a && replace_text(a->url, url);
}

bool VLinlinenode_setfile(VLnode *node, const char *file) {
  VLinlinenode *i = content_of<VLinlinenode>(node, VLNODE_INLINE);
  return i && replace_text(i->file, file);
}
