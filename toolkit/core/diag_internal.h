/* Internal parts of the diagnostics module: the plain error stream of the
 * readers, and hooks for the platform layer and tests. */
#ifndef VLX_CORE_DIAG_INTERNAL_H
#define VLX_CORE_DIAG_INTERNAL_H

#include <stdio.h>

#include "vlx/diag.h"

/* The level of the readers' format errors (the text as it is, no prefix,
 * on standard error), after the four public ones. */
enum { VLMSG_ERROR = 5 };

/* Called for every message that is printed (levels 1 to 3 and VLMSG_ERROR)
 * with its catalogue identifier (-1 for a text not from the catalogue, as
 * an application's own VLmsg_warning), its level, its format and the
 * composed text (prefix included). */
typedef void (*VLmsg_capturefn)(int id, int level, const char *format, const char *text);
void _VLmsg_setcapture(VLmsg_capturefn fn);

/* The on-screen message box of the fatal path; the platform layer installs
 * it when a display is in use. Without one the fatal text goes only to
 * standard error. */
typedef void (*VLmsg_boxfn)(const char *title, const char *text);
void _VLmsg_setbox(VLmsg_boxfn fn);

/* Where warnings and messages (VLMSG_WARNING, VLMSG_INFO) are printed; a
 * null stream restores standard output. A command-line tool that prints its
 * own report on standard output sends the toolkit's diagnostics to standard
 * error this way. Other levels keep their streams. */
void _VLmsg_setstream(int level, FILE *stream);

/* Whether a fatal error is being handled (the re-entry guard). */
bool _VLmsg_infatal(void);

#endif
