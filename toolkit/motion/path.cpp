/* Paths: records, the states (stopped, recording, playing, single step),
 * the per-frame recorder and player that the loop runs in event 4, and
 * applying a record to every target the path drives (else to the path's
 * object, else to the current viewpoint). The player advances the current
 * record by the speed before applying it; at an end it stops, jumps to the
 * other end (repeat) or turns round (repeat and reverse). */
#include <stdlib.h>
#include <string.h>

#include "motion/loop.h"
#include "core/messages.h"
#include "motion/motion_internal.h"
#include "vlx/diag.h"
#include "vlx/object.h"
#include "vlx/universe.h"
#include "vlx/viewpoint.h"

namespace {

uint16_t reversed(uint16_t direction) {
  return direction == VLPATH_BACKWARD ? VLPATH_FORWARD : VLPATH_BACKWARD;
}

/* The end of the path was reached before the speed was used up. */
void at_end(VLpath *path) {
  if (path->endmode & VLPATH_REPEAT) {
    if (path->endmode & VLPATH_REVERSE) path->direction = reversed(path->direction);
    else path->current = path->direction == VLPATH_BACKWARD ? path->last : path->first;
    return;
  }
  path->state = VLPATH_STOPPED;
  if (path->endmode & VLPATH_REVERSE) path->direction = reversed(path->direction);
}

void advance(VLpath *path) {
  int steps = path->speed > 0 ? path->speed : path->speed == 0 ? 1 : 0;
  for (int i = 0; i < steps; ++i) {
    VLpathrecord *c = path->current;
    VLpathrecord *n = path->direction == VLPATH_BACKWARD ? c->previous : c->next;
    if (!n) {
      at_end(path);
      return;
    }
    path->current = n;
  }
}

/* The default target of a path that drives no link. */
void apply_default(VLpath *path, const VLpathrecord *r) {
  if (path->object) {
    _VLtarget_setpose(VLTARGET_OBJECT, path->object, nullptr, &r->position, &r->orientation,
                      path->locks);
  } else if (VLviewpoint *vp = VLuniverse_getviewpoint()) {
    _VLtarget_setpose(VLTARGET_VIEWPOINT, vp, nullptr, &r->position, &r->orientation,
                      path->locks);
  }
}

void apply_record(VLuniverse *u, VLpath *path, const VLpathrecord *r) {
  bool applied = false;
  for (VLmotionlink *l = u->motionlinks; l; l = l->next) {
    if (l->sourcekind != VLSOURCE_PATH || l->source != path || !l->enabled) continue;
    _VLtarget_setpose(l->targetkind, l->target, l, &r->position, &r->orientation, path->locks);
    applied = true;
  }
  if (!applied) apply_default(path, r);
}

/* The placement the recorder samples: the recording link's target, else
 * the path's object, else the current viewpoint. */
bool sample(VLpath *path, VLp3 *pos, VLq *q) {
  if (VLmotionlink *l = path->recordlink)
    return _VLtarget_getpose(l->targetkind, l->target, l, pos, q);
  if (path->object) return _VLtarget_getpose(VLTARGET_OBJECT, path->object, nullptr, pos, q);
  VLviewpoint *vp = VLuniverse_getviewpoint();
  return vp && _VLtarget_getpose(VLTARGET_VIEWPOINT, vp, nullptr, pos, q);
}


void free_path(VLpath *path) {
  while (VLpathrecord *r = path->first) {
    path->first = r->next;
    _VLpath_dropmarker(r);
    free(r);
  }
  free(path);
}

}  // namespace

/* ---------- paths and records ---------- */

VLpath *VLpath_new(VLobject *marker) {
  VLuniverse *u = VLuniverse_current();
  if (!u) return nullptr;
  VLpath *p = static_cast<VLpath *>(VLmalloc(sizeof *p));
  memset(p, 0, sizeof *p);
  p->direction = VLPATH_FORWARD;
  p->speed = 1;
  p->interval = 1;
  p->markerobject = marker;
  p->next = u->paths;
  u->paths = p;
  return p;
}

VLpathrecord *VLpathrecord_new(const VLp3 *position, const VLq *orientation) {
  VLpathrecord *r = static_cast<VLpathrecord *>(VLmalloc(sizeof *r));
  memset(r, 0, sizeof *r);
  if (position) r->position = *position;
  r->orientation = orientation ? *orientation : VLq{0, 0, 0, 1};
  return r;
}

void VLpathrecord_delete(VLpathrecord *r) {
  if (!r) return;
  if (VLpath *p = r->path) {
    (r->previous ? r->previous->next : p->first) = r->next;
    (r->next ? r->next->previous : p->last) = r->previous;
    if (p->current == r) p->current = nullptr;
    p->count--;
  }
  _VLpath_dropmarker(r);
  free(r);
}

void VLpath_addrecord(VLpath *path, VLpathrecord *record) {
  if (!path) return;
  if (!record) {
    VLp3 pos;
    VLq q;
    if (!sample(path, &pos, &q)) return;
    record = VLpathrecord_new(&pos, &q);
  } else if (record->path) {
    return;
  }
  record->path = path;
  record->next = nullptr;
  record->previous = path->last;
  (path->last ? path->last->next : path->first) = record;
  path->last = record;
  path->count++;
  if (path->markersshown) _VLpath_makemarker(path, record);
}

void VLpath_delete(VLpath *path) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !path || !_VLlist_holds(u->paths, path)) return;
  for (VLpath **at = &u->paths; *at; at = &(*at)->next)
    if (*at == path) {
      *at = path->next;
      break;
    }
  VLmotionlink_deletesource(path);
  free_path(path);
}

/* ---------- states ---------- */

void VLpath_play(VLpath *path) {
  if (!path || path->state != VLPATH_STOPPED || !path->first) return;
  if (!path->current) path->current = path->first;
  path->state = VLPATH_PLAYING;
}

void VLpath_setplaying(VLpath *path) {
  if (!path || path->state != VLPATH_STOPPED || !path->first) return;
  if (!path->current) path->current = path->first;
  path->state = VLPATH_STEPPING;
}

void VLpath_record(VLpath *path, VLmotionlink *link) {
  if (!path || path->state != VLPATH_STOPPED) return;
  path->recordlink = link;
  path->countdown = 0;
  path->state = VLPATH_RECORDING;
}

void VLpath_stop(VLpath *path) {
  if (path) path->state = VLPATH_STOPPED;
}

void VLpath_rewind(VLpath *path) {
  if (path && path->state == VLPATH_STOPPED) path->current = path->first;
}

bool VLpath_isplaying(const VLpath *path) {
  return path && (path->state == VLPATH_PLAYING || path->state == VLPATH_STEPPING);
}

/* ---------- per frame ---------- */

void VLpath_recordframe(VLpath *path) {
  if (!path || path->state != VLPATH_RECORDING) return;
  if (--path->countdown >= 1) return;
  VLpath_addrecord(path, nullptr);
  path->countdown = path->interval;
}

void VLpath_playframe(VLpath *path) {
  VLuniverse *u = VLuniverse_current();
  if (!path) {
    VLMSG(PATH_INVALID);
    return;
  }
  if (!u || !path->first || !VLpath_isplaying(path)) return;
  if (!path->current) {
    VLMSG(PATH_CURRENT_INVALID);
    return;
  }
  advance(path);
  apply_record(u, path, path->current);
  if (path->state == VLPATH_STEPPING) path->state = VLPATH_STOPPED;
}

void _VLpaths_step(VLuniverse *u) {
  if (!u) return;
  for (VLpath *p = u->paths; p; p = p->next) {
    if (p->state == VLPATH_RECORDING) VLpath_recordframe(p);
    else if (VLpath_isplaying(p)) VLpath_playframe(p);
  }
}

void _VLpaths_deleteall(VLuniverse *u) {
  if (!u) return;
  while (VLpath *p = u->paths) {
    u->paths = p->next;
    free_path(p);
  }
  /* The links go with the paths that drive them, and the rest with the
   * universe: nothing else frees the link list. */
  _VLmotionlinks_freeall(u);
}
