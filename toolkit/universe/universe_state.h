/* Process-wide state of the universe family in one record: the current
 * universe, the loop's flags, the task list and the registries that
 * universe deletion empties. One accessor, and a reset for tests. */
#ifndef VLX_UNIVERSE_UNIVERSE_STATE_H
#define VLX_UNIVERSE_UNIVERSE_STATE_H

struct VLuniverse;
struct VLtask;
struct VLunloadentry;

struct VLuniversestate {
  VLuniverse *universe = nullptr;       /* the current universe */

  /* loop flags (not members of the universe) */
  bool firstgo = true;
  bool oneframe = false;
  bool hookcalled = false;

  /* task list (event 3) */
  VLtask *tasks = nullptr;

  /* registries emptied by universe deletion */
  VLunloadentry *unloads = nullptr;     /* per-universe-name unload functions */
  void (*globalunload)(void) = nullptr;
  VLunloadentry *loadedmodels = nullptr;
};

VLuniversestate &_VLuniverses(void);
/* Tests: deletes nothing, forgets everything (call after VLuniverse_delete). */
void _VLuniverses_reset(void);

#endif
