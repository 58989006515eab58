/* Process-wide state of the core family in one record, with one accessor
 * and a reset for tests. Everything here is plain data with constant
 * initial values: no global constructor runs code. */
#ifndef VLX_CORE_STATE_H
#define VLX_CORE_STATE_H

#include <stdint.h>
#include <stdio.h>

#include "core/diag_internal.h"

#define VLCLOCK_RING 30

struct VLcorestate {
  int program = 0;                      /* VLPROGRAM_CONSOLE / _WINDOWED */

  /* diagnostics */
  bool infatal = false;
  VLmsg_capturefn capture = nullptr;
  VLmsg_boxfn box = nullptr;
  void (*teardown)(void) = nullptr;     /* what a fatal error tears down first */
  void (*ownerfreed)(void *key) = nullptr;  /* the task list's handler */
  FILE *warningstream = nullptr;        /* null: standard output */
  FILE *infostream = nullptr;           /* null: standard output */

  /* wait cursor: the window system's cursor calls, set when it starts */
  void *(*waitcursorfn)(void) = nullptr;
  void *(*setcursorfn)(void *cursor) = nullptr;
  void *waitcursor = nullptr;           /* the hourglass, once loaded */
  void *replacedcursor = nullptr;       /* the cursor a wait replaced */
  bool havereplaced = false;

  /* frame clock */
  int64_t (*clocksource)(void) = nullptr;  /* tests: a fake millisecond clock */
  int64_t ring[VLCLOCK_RING] = {};
  int ringindex = 0;
  int64_t lastelapsed = 0;              /* previous VLclock_elapsed reading */
  bool haslastelapsed = false;
};

VLcorestate &_VLcore(void);
/* Tests: deletes nothing, forgets everything (call after VLuniverse_delete). */
void _VLcore_reset(void);

/* The millisecond clock every timing of the toolkit reads. */
int64_t _VLclock_ms(void);
/* Tests: replace the millisecond clock (null restores the real one). */
void _VLclock_setsource(int64_t (*fn)(void));

/* What a fatal error tears down before the process exits (the universe
 * registers its deletion when it is created; null: nothing). */
void _VLmsg_setteardown(void (*fn)(void));
/* A record that may key tasks (a node, a sequence) is freed: the task
 * list, once it holds a task, registers the handler that marks them deleted. */
void _VLowner_setfreedhandler(void (*fn)(void *key));
void _VLowner_freed(void *key);
/* The window system's cursor calls, registered when it starts; without them
 * VLcursor_wait does nothing. */
void _VLcursor_setcalls(void *(*waitcursor)(void), void *(*setcursor)(void *cursor));

#endif
