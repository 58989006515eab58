/* The scene family's state record, its walk stacks and box cells. The
 * record is zero at program start; the orphan holder and the name table are
 * set up on first use. Walk stacks grow by 64 entries, or by half their size
 * once larger, so that very deep scenes stay linear. */
#include "scene/state.h"

#include <stdlib.h>
#include <string.h>

#include "scene/scene_internal.h"
#include "vlx/diag.h"

namespace {
VLscenestate g_scene;

void setup(VLscenestate &s) {
  _VLnames_forgetall();
  VLsceneevents events = s.events;
  memset(&s, 0, sizeof s);
  s.events = events;
  s.orphans.type = VLNODE_ROOT;
  s.orphans.flags = VLNODEFLAG_ORPHANHOLDER;
  s.orphans.culling = VLCULL_DEFAULT;
  s.ready = true;
}
}  // namespace

VLscenestate &_VLscene(void) {
  if (!g_scene.ready) setup(g_scene);
  return g_scene;
}

void _VLscene_reset(void) { setup(g_scene); }

VLsceneevents &_VLscene_events(void) { return _VLscene().events; }

VLwalkstack *_VLwalk_take(void) {
  VLscenestate &st = _VLscene();
  VLwalkstack *s = st.freestacks;
  if (s) {
    st.freestacks = s->next;
  } else {
    s = static_cast<VLwalkstack *>(VLmalloc(sizeof *s));
    s->capacity = VLWALK_INITIAL;
    s->items = static_cast<VLnodebase **>(VLmalloc(sizeof(VLnodebase *) * VLWALK_INITIAL));
  }
  s->count = 0;
  s->next = nullptr;
  return s;
}

void _VLwalk_give(VLwalkstack *s) {
  VLscenestate &st = _VLscene();
  s->next = st.freestacks;
  st.freestacks = s;
}

void _VLwalk_grow(VLwalkstack *s) {
  int more = s->capacity / 2 > VLWALK_GROW ? s->capacity / 2 : VLWALK_GROW;
  s->capacity += more;
  s->items = static_cast<VLnodebase **>(
      VLrealloc(s->items, sizeof(VLnodebase *) * static_cast<size_t>(s->capacity)));
}

VLboxcell *_VLboxcell_take(void) {
  VLscenestate &st = _VLscene();
  VLboxcell *c = st.freeboxes;
  if (c) {
    st.freeboxes = c->next;
  } else {
    c = static_cast<VLboxcell *>(VLmalloc(sizeof *c));
  }
  memset(c, 0, sizeof *c);
  return c;
}

void _VLboxcell_give(VLboxcell *c) {
  if (!c) return;
  VLscenestate &st = _VLscene();
  c->next = st.freeboxes;
  st.freeboxes = c;
}

void _VLscene_freecaches(void) {
  VLscenestate &st = _VLscene();
  while (st.freestacks) {
    VLwalkstack *next = st.freestacks->next;
    free(st.freestacks->items);
    free(st.freestacks);
    st.freestacks = next;
  }
  while (st.freeboxes) {
    VLboxcell *next = st.freeboxes->next;
    free(st.freeboxes);
    st.freeboxes = next;
  }
}
