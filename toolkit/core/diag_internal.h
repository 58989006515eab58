/* Internal hooks of the diagnostics module, for the platform layer and tests. */
#ifndef VLX_CORE_DIAG_INTERNAL_H
#define VLX_CORE_DIAG_INTERNAL_H

/* Called for every message that is printed (levels 1 to 3) with its level,
 * its format (a catalogue macro) and the composed text (prefix included). */
typedef void (*VLmsg_capturefn)(int level, const char *format, const char *text);
void _VLmsg_setcapture(VLmsg_capturefn fn);

/* The on-screen message box of the fatal path; the platform layer installs
 * it when a display is in use. Without one the fatal text goes only to
 * standard error. */
typedef void (*VLmsg_boxfn)(const char *title, const char *text);
void _VLmsg_setbox(VLmsg_boxfn fn);

/* Whether a fatal error is being handled (the re-entry guard). */
bool _VLmsg_infatal(void);

#endif
