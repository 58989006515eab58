/* The task list: one singly linked list kept in ascending priority order;
 * new tasks carry a pending mark until the next run takes them in. */
#include "universe/tasks.h"

#include <stdlib.h>

#include "core/state.h"
#include "universe/universe_state.h"
#include "vlx/diag.h"

VLtask *_VLtask_new(VLtaskfn fn, void *arg, int priority, void *key) {
  /* From now on a freed node or sequence marks the tasks it keys. */
  _VLowner_setfreedhandler(_VLtasks_markdeleted);
  VLtask *t = static_cast<VLtask *>(VLmalloc(sizeof(VLtask)));
  *t = VLtask{fn, arg, key, priority, false, false, true, nullptr};
  /* Insert after every task of lower or equal priority. */
  VLtask **at = &_VLuniverses().tasks;
  while (*at && (*at)->priority <= priority) at = &(*at)->next;
  t->next = *at;
  *at = t;
  return t;
}

void _VLtasks_markdeleted(void *key) {
  for (VLtask *t = _VLuniverses().tasks; t; t = t->next)
    if (t->key == key) t->deleted = true;
}

void _VLtasks_run(void) {
  VLtask **at = &_VLuniverses().tasks;
  while (*at) {
    VLtask *t = *at;
    if (t->deleted) {
      *at = t->next;
      free(t);
      continue;
    }
    t->pending = false;
    at = &t->next;
  }
  for (VLtask *t = _VLuniverses().tasks; t; t = t->next)
    if (!t->pending && !t->suspended && !t->deleted) t->fn(t->arg);
}

void _VLtasks_clear(void) {
  VLtask *t = _VLuniverses().tasks;
  while (t) {
    VLtask *next = t->next;
    free(t);
    t = next;
  }
  _VLuniverses().tasks = nullptr;
}
