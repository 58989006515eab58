/* Process-wide state of the core family in one record, with one accessor
 * and a reset for tests. Everything here is plain data with constant
 * initial values: no global constructor runs code. */
#ifndef VLX_CORE_STATE_H
#define VLX_CORE_STATE_H

#include <stdint.h>

#include "core/diag_internal.h"

struct VLuniverse;
struct VLtask;
struct VLunloadentry;

#define VLCLOCK_RING 30

struct VLcorestate {
  VLuniverse *universe = nullptr;       /* the current universe */
  int program = 0;                      /* VLPROGRAM_CONSOLE / _WINDOWED */

  /* diagnostics */
  bool infatal = false;
  VLmsg_capturefn capture = nullptr;
  VLmsg_boxfn box = nullptr;

  /* wait cursor */
  void *waitcursor = nullptr;           /* the hourglass, once loaded */
  void *replacedcursor = nullptr;       /* the cursor a wait replaced */
  bool havereplaced = false;

  /* loop flags (not members of the universe) */
  bool firstgo = true;
  bool oneframe = false;
  bool hookcalled = false;

  /* frame clock */
  int64_t (*clocksource)(void) = nullptr;  /* tests: a fake millisecond clock */
  int64_t ring[VLCLOCK_RING] = {};
  int ringindex = 0;
  int64_t lastelapsed = 0;              /* previous VLclock_elapsed reading */
  bool haslastelapsed = false;

  /* task list (event 3) */
  VLtask *tasks = nullptr;

  /* registries emptied by universe deletion */
  VLunloadentry *unloads = nullptr;     /* per-universe-name unload functions */
  void (*globalunload)(void) = nullptr;
  VLunloadentry *loadedmodels = nullptr;
};

VLcorestate &_VLcore(void);
/* Tests: deletes nothing, forgets everything (call after VLuniverse_delete). */
void _VLcore_reset(void);

/* The millisecond clock every timing of the toolkit reads. */
int64_t _VLclock_ms(void);
/* Tests: replace the millisecond clock (null restores the real one). */
void _VLclock_setsource(int64_t (*fn)(void));

#endif
