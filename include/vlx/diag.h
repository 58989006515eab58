/* Diagnostics and memory: the four message levels, the fatal path, the
 * allocation wrappers that never return null, and small string helpers.
 *
 * Levels and destinations (fixed):
 *   fatal   VLmsg_fatal    no prefix        standard error (and a message box
 *                                           titled "VLX-ERROR" when on screen);
 *                                           deletes the universe, exits with -1
 *   warning VLmsg_warning  "VLX Warning: "  standard output
 *   message VLmsg_info     no prefix        standard output
 *   debug   VLmsg_debug    -                discarded
 * A composed message (prefix included) is cut at 511 characters. Format
 * strings carry their own "\n" where a line break is wanted. */
#ifndef VLX_DIAG_H
#define VLX_DIAG_H

#include <stddef.h>

#if defined(__GNUC__)
#define VLX_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define VLX_PRINTF(f, a)
#endif


/* Message levels, in their fixed order. */
enum { VLMSG_FATAL = 1, VLMSG_WARNING = 2, VLMSG_INFO = 3, VLMSG_DEBUG = 4 };

/* Longest composed message, prefix included; longer texts are cut. */
#define VLMSG_MAXLEN 511

/* Fatal error: does not return (returns at once while a fatal error is
 * already being handled, so a teardown that fails again goes on). */
void VLmsg_fatal(const char *format, ...) VLX_PRINTF(1, 2);
/* Recoverable problem: "VLX Warning: " + text on standard output. */
void VLmsg_warning(const char *format, ...) VLX_PRINTF(1, 2);
/* Informational text on standard output (the benchmark's reports). */
void VLmsg_info(const char *format, ...) VLX_PRINTF(1, 2);
/* Tracing: produces nothing and returns before formatting. */
void VLmsg_debug(const char *format, ...) VLX_PRINTF(1, 2);

/* Never returns null: exhaustion is fatal "OUT OF MEMORY!". Release with free(). */
void *VLmalloc(size_t size);
/* Never returns null: exhaustion is fatal "OUT OF MEMORY!". */
void *VLrealloc(void *p, size_t size);
/* Copy from VLmalloc, owned by the caller; null for null. */
char *VLstrdup(const char *s);
/* Lower-cases in place and returns s; null and "" come back unchanged. */
char *VLstrlower(char *s);

/* Wait cursor: null shows the system's wait cursor, (void *)1 ends the wait
 * (restores the cursor it replaced), any other value is a cursor handle made
 * current. Does nothing without a display. */
#define VLCURSOR_WAIT ((void *)0)
#define VLCURSOR_RESTORE ((void *)1)
void VLcursor_wait(void *cursor);

/* --- the frame clock --- */
/* Seconds since the previous call: -1.0 on the first call, 0.004 when
 * called again within the same millisecond. */
double VLclock_elapsed(void);
/* The process clock in milliseconds times 0.001. */
double VLclock_seconds(void);

/* --- program flavour --- */
/* The two programs differ in banner date, renderer version line and a few
 * defaults; a program states which it is before VLuniverse_new. */
enum { VLPROGRAM_CONSOLE = 0, VLPROGRAM_WINDOWED = 1 };
void VLtoolkit_setprogram(int program);
int VLtoolkit_program(void);

#endif
