/* The task list run in event 3 of every frame: functions with an argument,
 * called in ascending priority order. Insertions and removals made during a
 * frame wait until the next run. Nothing in the toolkit creates a task yet;
 * sequences mark the tasks keyed by themselves as deleted. */
#ifndef VLX_UNIVERSE_TASKS_H
#define VLX_UNIVERSE_TASKS_H

typedef void (*VLtaskfn)(void *arg);

struct VLtask {
  VLtaskfn fn;
  void *arg;
  void *key;          /* owner, for marking by owner */
  int priority;
  bool suspended;
  bool deleted;
  bool pending;       /* inserted, not yet in the running order */
  VLtask *next;
};

/* Queues a task; it runs from the next event 3 on. */
VLtask *_VLtask_new(VLtaskfn fn, void *arg, int priority, void *key);
/* Marks every task with this key as deleted (removed at the next run). */
void _VLtasks_markdeleted(void *key);
/* Event 3: apply pending insertions and removals, then run the tasks. */
void _VLtasks_run(void);
/* Frees every task. */
void _VLtasks_clear(void);

#endif
