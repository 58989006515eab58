/* Sequences: show one node of a list at a time, stepping at a fixed
 * interval of the toolkit clock, forward or backward, once, repeating or
 * reversing at the ends. Updated in the motion event of every frame; stop
 * and delete requests take effect at the next updates. A node is shown or
 * hidden through its enabled flag. */
#include <stdlib.h>
#include <string.h>

#include "object/loop.h"
#include "scene/events.h"
#include "core/state.h"
#include "object/object_internal.h"
#include "vlx/diag.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/universe.h"

namespace {

void show(VLnode *n, bool on) {
  if (!n) return;
  if (on) n->flags |= VLNODEFLAG_ENABLED;
  else n->flags &= static_cast<uint8_t>(~VLNODEFLAG_ENABLED);
  VLnode_markchanged(n);
  if (VLuniverse *u = VLuniverse_current()) u->unchanged = 0;
}

void show_current(VLsequence *s, bool on) {
  if (s->current >= 0 && s->current < s->count) show(s->nodes[s->current], on);
}

/* The index after current in the direction, or one past either end. */
int following(const VLsequence *s) {
  return s->direction == VLSEQ_FORWARD ? s->current + 1 : s->current - 1;
}

/* Where the next index goes when it left the list. */
void at_end(VLsequence *s) {
  if (!(s->mode & VLSEQ_REPEAT)) {
    s->state |= VLSEQ_FINISHED;
  } else if (!(s->mode & VLSEQ_REVERSE)) {
    s->nextindex = s->nextindex < 0 ? s->count - 1 : 0;
  } else {
    s->direction = s->direction == VLSEQ_FORWARD ? VLSEQ_BACKWARD : VLSEQ_FORWARD;
    s->nextindex = following(s);
    /* A one-node list has nowhere to turn to. */
    if (s->nextindex < 0 || s->nextindex >= s->count) s->nextindex = s->current;
  }
}

void step(VLsequence *s, double now) {
  s->laststep = now;
  show_current(s, false);
  show(s->nodes[s->nextindex], true);
  s->current = s->nextindex;
  s->nextindex = following(s);
  if (s->nextindex < 0 || s->nextindex >= s->count) at_end(s);
}

void unlink(VLuniverse *u, VLsequence *s) {
  for (VLsequence **at = &u->sequences; *at; at = &(*at)->next)
    if (*at == s) {
      *at = s->next;
      return;
    }
}

}  // namespace

VLsequence *VLsequence_new(VLnode *const *nodes, int count, double interval, uint32_t mode) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !nodes || count < 1 || !(interval >= 0.0)) return nullptr;
  for (int i = 0; i < count; ++i)
    if (!nodes[i]) return nullptr;
  _VLobjects_registerevents();
  VLsequence *s = static_cast<VLsequence *>(VLmalloc(sizeof(VLsequence)));
  memset(s, 0, sizeof *s);
  s->nodes = static_cast<VLnode **>(VLmalloc(sizeof(VLnode *) * count));
  memcpy(s->nodes, nodes, sizeof(VLnode *) * count);
  s->count = count;
  s->interval = interval;
  s->current = -1;
  s->direction = VLSEQ_FORWARD;
  s->mode = mode & (VLSEQ_REPEAT | VLSEQ_REVERSE);
  /* The first update steps at once. */
  s->laststep = -interval;
  s->saved = static_cast<uint8_t *>(VLmalloc(count));
  for (int i = 0; i < count; ++i) {
    s->saved[i] = nodes[i]->flags & VLNODEFLAG_ENABLED;
    show(nodes[i], false);
  }
  VLsequence **at = &u->sequences;
  while (*at) at = &(*at)->next;
  *at = s;
  return s;
}

void VLsequence_stop(VLsequence *s) {
  if (s) s->state |= VLSEQ_STOPREQUEST;
}

void VLsequence_delete(VLsequence *s) {
  if (!s) return;
  s->state |= VLSEQ_DELETEREQUEST;
  _VLowner_freed(s);
}

/* The sequence's nodes go back to the scene as they were before it took them. */
void _VLsequence_free(VLsequence *s) {
  for (int i = 0; i < s->count; ++i) show(s->nodes[i], s->saved[i] != 0);
  _VLowner_freed(s);
  free(s->nodes);
  free(s->saved);
  free(s);
}

void _VLsequences_update(VLuniverse *u) {
  double now = VLclock_seconds();
  VLsequence *s = u->sequences;
  while (s) {
    VLsequence *next = s->next;
    if ((s->state & VLSEQ_STOPPED) && (s->state & VLSEQ_DELETEREQUEST)) {
      unlink(u, s);
      _VLsequence_free(s);
    } else if (s->state & (VLSEQ_STOPREQUEST | VLSEQ_DELETEREQUEST)) {
      s->state |= VLSEQ_STOPPED;
      show_current(s, false);
    } else if (!(s->state & VLSEQ_FINISHED) && now - s->laststep >= s->interval) {
      step(s, now);
    }
    s = next;
  }
}

void _VLsequences_forgetnode(VLnode *node) {
  VLuniverse *u = VLuniverse_current();
  if (!u || !node) return;
  for (VLsequence *s = u->sequences; s; s = s->next)
    for (int i = 0; i < s->count; ++i)
      if (s->nodes[i] == node) s->nodes[i] = nullptr;
}
