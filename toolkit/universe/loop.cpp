/* The simulation loop. One frame, in this fixed order: portal crossing,
 * window messages, sensors, frame rate, the four events in the universe's
 * event order (action, motion links and sequences, tasks, paths), the
 * shared-world poll, object updates, the frame-ready hook, rendering, and
 * the end-of-frame bookkeeping. Nothing here allocates except portal
 * loading. */
#include <stdlib.h>

#include "devices/loop.h"
#include "display/loop.h"
#include "motion/loop.h"
#include "object/loop.h"
#include "core/messages.h"
#include "core/state.h"
#include "universe/tasks.h"
#include "universe/universe_internal.h"
#include "universe/universe_state.h"
#include "platform/platform.h"
#include "vlx/diag.h"
#include "vlx/render.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

/* Step 3: load the universe behind the first active portal crossed. */
void step_portals(VLuniverse *u) {
  if (!u->portalsenabled || !u->portals) return;
  const char *target = _VLportal_crossed(u);
  if (!target) return;
  char *name = VLstrdup(target);
  VLbounds bounds;
  VLcursor_wait(VLCURSOR_WAIT);
  bool loaded = VLuniverse_load(name, &bounds, 1.0f);
  VLcursor_wait(VLCURSOR_RESTORE);
  if (!loaded) {
    VLMSG(PORTAL_FAILED, name);
  } else {
    if (_VLuniverse_hasobjects(u)) _VLuniverse_prepare();
    if (VLtoolkit_program() == VLPROGRAM_CONSOLE) VLclock_elapsed();
    u->unchanged = 0;
  }
  free(name);
}

/* Step 6: frames per second over the last 30 frames; a zero interval keeps
 * the previous rate. */
void step_framerate(VLuniverse *u) {
  VLcorestate &core = _VLcore();
  int64_t now = _VLclock_ms();
  int64_t d = now - core.ring[core.ringindex];
  if (d == 0) return;
  u->framerate = static_cast<float>(30000.0 / static_cast<double>(d));
  core.ring[core.ringindex] = now;
  core.ringindex = (core.ringindex + 1) % VLCLOCK_RING;
}

/* Event 2: lights, viewpoints, sequences, then object and node targets. */
void event_motion(VLuniverse *u) {
  _VLmotionlinks_apply(u, 0);
  _VLmotionlinks_apply(u, 1);
  _VLsequences_update(u);
  _VLmotionlinks_apply(u, 2);
}

/* Step 8: the events in the universe's event order. */
void step_events(VLuniverse *u) {
  for (int i = 0; i < 4; ++i) {
    switch (u->events[i]) {
      case VLEVENT_ACTION: u->action(); break;
      case VLEVENT_MOTION: event_motion(u); break;
      case VLEVENT_TASKS: _VLtasks_run(); break;
      case VLEVENT_PATHS: _VLpaths_step(u); break;
      default: break;
    }
  }
}

/* Step 11: tell the renderer once when the scene stood still. */
void step_frameready(VLuniverse *u) {
  VLuniversestate &us = _VLuniverses();
  if (u->unchanged && !u->renderchanged) {
    if (!us.hookcalled) {
      _VLrenderer_frameready(1);
      us.hookcalled = true;
    }
  } else if (us.hookcalled) {
    _VLrenderer_frameready(0);
    us.hookcalled = false;
  }
}

void run_frame(VLuniverse *u) {
  step_portals(u);
  if (u->settings->pumpmessages && _VLplatform_pump()) VLuniverse_stop();
  _VLsensors_update(u);
  step_framerate(u);
  u->framecount += 1;
  step_events(u);
  /* Step 9, the shared-world exchange: no connection is ever opened. */
  _VLobjects_noteviewpoint(u);
  _VLobjects_compare(u);
  _VLobjects_flags(u);
  step_frameready(u);
  VLrenderer_frame();
  u->unchanged = 1;
  u->prevrenderchanged = u->renderchanged;
  u->renderchanged = 0;
  u->renderchanged_aux = 0;
  _VLobjects_endframe(u);
}

}  // namespace

void VLuniverse_go(void) {
  VLuniversestate &us = _VLuniverses();
  VLuniverse *u = us.universe;
  if (!u) return;
  if (u->running) {
    VLMSG(GO_REENTRANT);
    return;
  }
  if (us.firstgo) {
    us.firstgo = false;
    u->unchanged = 0;
    us.hookcalled = false;
  }
  u->running = 1;
  do {
    run_frame(u);
    /* The universe may have been deleted inside the frame (fatal path). */
    u = us.universe;
    if (!u) return;
    if (us.oneframe) u->running = 0;
  } while (u->running);
}

void VLuniverse_go1(void) {
  VLuniversestate &us = _VLuniverses();
  VLuniverse *u = us.universe;
  if (!u) return;
  if (us.oneframe || u->running) {
    VLMSG(GO1_REENTRANT);
    return;
  }
  us.oneframe = true;
  VLuniverse_go();
  us.oneframe = false;
}

void VLuniverse_stop(void) {
  VLuniverse *u = _VLuniverses().universe;
  if (u) u->running = 0;
}

void VLuniverse_ready(void) {
  VLuniverse *u = _VLuniverses().universe;
  if (!u || !_VLuniverse_hasobjects(u)) return;
  _VLuniverse_prepare();
}

void _VLuniverse_prepare(void) {
  VLuniverse *u = _VLuniverses().universe;
  _VLobjects_takenodes(u);
  _VLobjects_noteviewpoint(u);
  _VLobjects_compare(u);
  _VLobjects_flags(u);
  _VLobjects_deleteflagged(u);
  u->holder = u->holders;
  VLclock_elapsed();
  u->renderchanged_aux = 0;
  VLscene_prepare();
}
