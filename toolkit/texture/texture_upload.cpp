/* Per-frame uploads of the texture list to the open device, called by the
 * renderer before each window's frame. Every window pass uploads what is
 * pending and not yet uploaded this round (one device serves every window);
 * the main display's pass then ends the round: deletions are carried out,
 * flags cleared, pixels freed unless kept, and the upload list emptied
 * (except for textures uploaded every frame). Without a device nothing is
 * uploaded and the list waits. */
#include <stdlib.h>
#include <string.h>

#include "texture/loop.h"
#include "display/device/device.h"
#include "texture/texture_internal.h"
#include "texture/texture_state.h"
#include "vlx/diag.h"
#include "vlx/texture.h"

namespace {

/* The device texture gets the current pixels (a new handle replaces the
 * old one). */
void upload(VLdevice *dev, VLtexture *t) {
  if (!t->pixels) {
    size_t bytes = size_t(t->width) * t->height * 4;
    t->pixels = static_cast<uint8_t *>(VLmalloc(bytes));
    memset(t->pixels, 0, bytes);
    t->flags &= uint8_t(~VLTEX_NOTOWNED);
  }
  if (t->handle) dev->deletetexture(t->handle);
  t->handle = dev->newtexture(t->width, t->height, t->pixels);
  t->uploaded = 1;
}

/* One texture of the upload list; true when it stays on the list. */
bool process(VLdevice *dev, VLtexture *t, bool maindisplay) {
  if (t->flags & VLTEX_DELETEPENDING) {
    if (dev && t->handle) dev->deletetexture(t->handle);
    t->handle = 0;
    if (!maindisplay) return true;
    _VLtexture_remove(t);
    return false;
  }
  if (!dev) return true;
  if ((t->flags & VLTEX_EVERYFRAME) ||
      ((t->flags & VLTEX_UPLOADPENDING) && !t->uploaded && t->pixels))
    upload(dev, t);
  if (!maindisplay) return true;
  t->uploaded = 0;
  t->flags &= VLTEX_NOTOWNED | VLTEX_KEEPPIXELS | VLTEX_EVERYFRAME;
  if (!(t->flags & (VLTEX_NOTOWNED | VLTEX_KEEPPIXELS | VLTEX_EVERYFRAME))) {
    free(t->pixels);
    t->pixels = nullptr;
  }
  if (!(t->flags & VLTEX_EVERYFRAME)) return false;
  t->flags |= VLTEX_KEEPPENDING;
  return true;
}

}  // namespace

void VLtexture_uploadpending(bool maindisplay) {
  VLtexturestate &s = _VLtextures();
  VLdevice *dev = _VLdevice();
  VLtexture *kept = nullptr, **tail = &kept;
  VLtexture *t = s.pending;
  s.pending = nullptr;
  while (t) {
    VLtexture *next = t->nextpending;
    t->nextpending = nullptr;
    if (process(dev, t, maindisplay)) {
      *tail = t;
      tail = &t->nextpending;
    }
    t = next;
  }
  /* Textures queued while the list was walked (none today) go first. */
  *tail = s.pending;
  s.pending = kept;
}

void _VLtextures_upload(bool maindisplay) { VLtexture_uploadpending(maindisplay); }
