/* Message levels and the fatal path. Warnings and messages go to standard
 * output (flushed per message, so progress is visible in pipes); the fatal
 * text goes to standard error and, when the platform layer installed one,
 * to an on-screen message box. The image readers' format errors go to
 * standard error without a prefix. Composition is limited to 511
 * characters. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/diag_internal.h"
#include "core/messages.h"
#include "core/state.h"
#include "vlx/diag.h"

namespace {

/* Prefix, then the formatted text, cut at VLMSG_MAXLEN characters. */
void compose(char (&buf)[VLMSG_MAXLEN + 1], const char *prefix, const char *format,
             va_list ap) {
  size_t n = strlen(prefix);
  memcpy(buf, prefix, n + 1);
  vsnprintf(buf + n, sizeof buf - n, format, ap);
}

void emit(FILE *stream, int level, const char *prefix, const char *format, va_list ap) {
  char buf[VLMSG_MAXLEN + 1];
  compose(buf, prefix, format, ap);
  /* Standard output first, so that the two streams keep their order when
   * they reach the same terminal or file. */
  fflush(stdout);
  fputs(buf, stream);
  fflush(stream);
  if (_VLcore().capture) _VLcore().capture(level, format, buf);
}

}  // namespace

void VLmsg_warning(const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  emit(stdout, VLMSG_WARNING, "VLX Warning: ", format, ap);
  va_end(ap);
}

void VLmsg_info(const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  emit(stdout, VLMSG_INFO, "", format, ap);
  va_end(ap);
}

void VLmsg_debug(const char *, ...) {}

void _VLmsg_error(const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  emit(stderr, VLMSG_ERROR, "", format, ap);
  va_end(ap);
}

void VLmsg_fatal(const char *format, ...) {
  VLcorestate &core = _VLcore();
  if (core.infatal) return;
  char buf[VLMSG_MAXLEN + 1];
  va_list ap;
  va_start(ap, format);
  compose(buf, "", format, ap);
  va_end(ap);
  fflush(stdout);
  fprintf(stderr, "%s: %s\n", VLTXT_FATAL_TITLE, buf);
  fflush(stderr);
  if (core.capture) core.capture(VLMSG_FATAL, format, buf);
  if (core.box) core.box(VLTXT_FATAL_TITLE, buf);
  core.infatal = true;
  if (core.teardown) core.teardown();
  exit(-1);
}

void _VLmsg_setcapture(VLmsg_capturefn fn) { _VLcore().capture = fn; }
void _VLmsg_setbox(VLmsg_boxfn fn) { _VLcore().box = fn; }
bool _VLmsg_infatal(void) { return _VLcore().infatal; }
void _VLmsg_setteardown(void (*fn)(void)) { _VLcore().teardown = fn; }
