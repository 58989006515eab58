/* The texture list: lookup, loading from image files, textures from a
 * caller's pixels, filter bytes, deletion, the memory estimate, and the
 * family state with its release at universe deletion. A texture deleted
 * while polygons still refer to it leaves the list and its device texture
 * at once, and its record lives on (no pixels, handle 0) until the last
 * polygon lets go. */
#include <stdlib.h>
#include <string.h>

#include "texture/loop.h"
#include "core/messages.h"
#include "display/device/device.h"
#include "texture/texture_internal.h"
#include "texture/texture_state.h"
#include "vlx/diag.h"
#include "vlx/texture.h"

namespace {

VLtexturestate g_textures;

uint8_t filter_byte(int v, int max) { return uint8_t(v < 0 ? 0 : v > max ? max : v); }

void free_record(VLtexture *t) {
  if (!(t->flags & VLTEX_NOTOWNED)) free(t->pixels);
  free(t->name);
  free(t);
}

void unlink_record(VLtexture *t) {
  VLtexturestate &s = _VLtextures();
  if (t->prev) t->prev->next = t->next;
  else s.head = t->next;
  if (t->next) t->next->prev = t->prev;
  else s.tail = t->prev;
  t->next = t->prev = nullptr;
}

bool detached(const VLtexture *t) { return !t->prev && _VLtextures().head != t; }

}  // namespace

VLtexturestate &_VLtextures(void) { return g_textures; }

void _VLtextures_reset(void) {
  for (int i = 0; i < g_textures.nrecent; ++i) free(g_textures.recent[i]);
  g_textures = VLtexturestate();
}

void _VLtexture_releasetables(void) {
  VLtexture_deleteall();
  _VLtextures_reset();
}

/* Leaves the list (and the device): freed now, or when its last polygon
 * lets go. Not called for records on the upload list being walked. */
void _VLtexture_remove(VLtexture *t) {
  VLdevice *dev = _VLdevice();
  if (dev && t->handle) dev->deletetexture(t->handle);
  t->handle = 0;
  unlink_record(t);
  t->nextpending = nullptr;
  if (t->usecount > 0) {
    if (!(t->flags & VLTEX_NOTOWNED)) free(t->pixels);
    t->pixels = nullptr;
    t->flags = VLTEX_DELETEPENDING;
    return;
  }
  free_record(t);
}

void _VLtexture_unuse(VLtexture *t) {
  if (--t->usecount > 0) return;
  if ((t->flags & VLTEX_DELETEPENDING) && detached(t)) free_record(t);
}

void _VLtexture_queue(VLtexture *t) {
  t->uploaded = 0;
  if (t->flags & VLTEX_KEEPPENDING) return;
  t->flags |= VLTEX_KEEPPENDING;
  t->nextpending = _VLtextures().pending;
  _VLtextures().pending = t;
}

VLtexture *_VLtexture_newrecord(const char *name, uint8_t *pixels, int w, int h, int mode,
                                int level, uint8_t flags) {
  VLtexturestate &s = _VLtextures();
  VLtexture *t = static_cast<VLtexture *>(VLmalloc(sizeof(VLtexture)));
  memset(t, 0, sizeof *t);
  t->name = VLstrdup(name);
  t->pixels = pixels;
  t->width = uint16_t(w);
  t->height = uint16_t(h);
  t->spare0 = -1;
  t->filtermode = filter_byte(mode, VLTEX_MAXFILTERMODE);
  t->filterlevel = filter_byte(level, 255);
  t->flags = uint8_t(flags & ~VLTEX_KEEPPENDING);
  t->next = s.head;
  if (s.head) s.head->prev = t;
  else s.tail = t;
  s.head = t;
  _VLtexture_queue(t);
  return t;
}

VLtexture *VLtexture_find(const char *name) {
  if (!name) return nullptr;
  for (VLtexture *t = _VLtextures().head; t; t = t->next)
    if (!(t->flags & VLTEX_DELETEPENDING) && strcmp(t->name, name) == 0) return t;
  return nullptr;
}

VLtexture *VLtexture_load(const char *name, int filtermode, int filterlevel) {
  VLtexturestate &s = _VLtextures();
  if (!name) return nullptr;
  if (VLtexture *t = VLtexture_find(name)) {
    s.errorcode = VLTEXERR_SILENT;
    return t;
  }
  s.errorcode = VLTEXERR_NOTFOUND;
  int w = 0, h = 0;
  uint8_t *pixels = VLimage_read(name, &w, &h);
  if (!pixels) return nullptr;
  pixels = _VLtexture_fit(pixels, &w, &h);
  s.errorcode = VLTEXERR_SILENT;
  return _VLtexture_newrecord(name, pixels, w, h, filtermode, filterlevel,
                              VLTEX_UPLOADPENDING | VLTEX_KEEPPENDING);
}

VLtexture *VLtexture_newfrompixels(const char *name, const uint8_t *pixels, int width,
                                   int height) {
  if (!name || !pixels || width <= 0 || height <= 0) return nullptr;
  if (width > VLIMAGE_MAXSIDE || height > VLIMAGE_MAXSIDE) {
    VLMSG(IMG_TOO_LARGE, name);
    return nullptr;
  }
  size_t bytes = size_t(width) * size_t(height) * 4;
  uint8_t *copy = static_cast<uint8_t *>(VLmalloc(bytes));
  memcpy(copy, pixels, bytes);
  copy = _VLtexture_fit(copy, &width, &height);
  const uint8_t flags = VLTEX_UPLOADPENDING | VLTEX_KEEPPENDING | VLTEX_KEEPPIXELS;
  VLtexture *t = VLtexture_find(name);
  if (!t) {
    const VLtexturestate &s = _VLtextures();
    int mode = s.defaultmode >= 4 ? 1 : s.defaultmode;
    return _VLtexture_newrecord(name, copy, width, height, mode, s.defaultlevel, flags);
  }
  if (!(t->flags & VLTEX_NOTOWNED)) free(t->pixels);
  t->pixels = copy;
  t->width = uint16_t(width);
  t->height = uint16_t(height);
  uint8_t onlist = t->flags & VLTEX_KEEPPENDING;  // already queued: stays once
  t->flags = uint8_t((flags & ~VLTEX_KEEPPENDING) | onlist);
  _VLtexture_queue(t);
  return t;
}

bool VLtexture_setfilter(const char *name, int mode, int level) {
  if (mode < 0 || mode > VLTEX_MAXFILTERMODE || level < 0) return false;
  VLtexturestate &s = _VLtextures();
  if (!name) {
    s.defaultmode = mode;
    s.defaultlevel = level > 255 ? 255 : level;
    return true;
  }
  VLtexture *t = VLtexture_find(name);
  if (!t) return VLtexture_load(name, mode, level) != nullptr;
  t->filtermode = filter_byte(mode, VLTEX_MAXFILTERMODE);
  t->filterlevel = filter_byte(level, 255);
  return true;
}

bool VLtexture_delete(VLtexture *t) {
  if (!t || (t->flags & VLTEX_DELETEPENDING)) return false;
  t->flags |= VLTEX_DELETEPENDING;
  _VLtexture_queue(t);
  return true;
}

void VLtexture_deleteall(void) {
  VLtexturestate &s = _VLtextures();
  s.pending = nullptr;
  while (s.head) _VLtexture_remove(s.head);
}

size_t VLtexture_memory(void) {
  size_t total = 0;
  for (const VLtexture *t = _VLtextures().head; t; t = t->next) {
    if (t->flags & VLTEX_DELETEPENDING) continue;
    size_t n = size_t(t->width) * t->height;
    if (t->filterlevel >= 4) n = (4 * n + 2) / 3;
    total += n * 4;
  }
  return total;
}

VLtexture *VLtexture_get(const char *name) { return name ? _VLtexture_get(name) : nullptr; }

VLtexture *_VLtexture_get(const char *name) {
  if (VLtexture *t = VLtexture_find(name)) return t;
  const VLtexturestate &s = _VLtextures();
  VLtexture *t = VLtexture_load(name, s.defaultmode, s.defaultlevel);
  if (!t) VLtexture_reporterror(name);
  return t;
}
