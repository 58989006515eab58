/* Message levels and the fatal path. Warnings and messages go to standard
 * output (flushed per message, so progress is visible in pipes); the fatal
 * text goes to standard error and, when the platform layer installed one,
 * to an on-screen message box. A tool may send warnings and messages to
 * another stream (_VLmsg_setstream). The image readers' format errors go to
 * standard error without a prefix. Catalogue messages (VLMSG) take their
 * level from the catalogue. Composition is limited to 511 characters. */
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

void emit(FILE *stream, int id, int level, const char *prefix, const char *format, va_list ap) {
  char buf[VLMSG_MAXLEN + 1];
  compose(buf, prefix, format, ap);
  /* Standard output first, so that the two streams keep their order when
   * they reach the same terminal or file. */
  fflush(stdout);
  fputs(buf, stream);
  fflush(stream);
  if (_VLcore().capture) _VLcore().capture(id, level, format, buf);
}

void fatal(int id, const char *format, va_list ap);

FILE *warnings(void) {
  FILE *f = _VLcore().warningstream;
  return f ? f : stdout;
}

FILE *infos(void) {
  FILE *f = _VLcore().infostream;
  return f ? f : stdout;
}

}  // namespace

/* The catalogue's table, from the X-macro list. */
const VLmsgdef g_vlmessages[VLM_COUNT] = {
#define VLX_MESSAGE_DEF(name, level, text) {#name, VLMSG_##level, VLTXT_##name},
    VLX_MESSAGES(VLX_MESSAGE_DEF)
#undef VLX_MESSAGE_DEF
};

void VLmsg_warning(const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  emit(warnings(), -1, VLMSG_WARNING, "VLX Warning: ", format, ap);
  va_end(ap);
}

void VLmsg_info(const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  emit(infos(), -1, VLMSG_INFO, "", format, ap);
  va_end(ap);
}

void VLmsg_debug(const char *, ...) {}

void VLmsg_fatal(const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  fatal(-1, format, ap);
  va_end(ap);
}

void _VLmsg_say(VLmsgid id, const char *format, ...) {
  if (id < 0 || id >= VLM_COUNT) return;
  const VLmsgdef &m = g_vlmessages[id];
  va_list ap;
  va_start(ap, format);
  switch (m.level) {
    case VLMSG_FATAL: fatal(id, format, ap); break;
    case VLMSG_WARNING: emit(warnings(), id, VLMSG_WARNING, "VLX Warning: ", format, ap); break;
    case VLMSG_INFO: emit(infos(), id, VLMSG_INFO, "", format, ap); break;
    case VLMSG_ERROR: emit(stderr, id, VLMSG_ERROR, "", format, ap); break;
    default: break;
  }
  va_end(ap);
}

namespace {

void fatal(int id, const char *format, va_list ap) {
  VLcorestate &core = _VLcore();
  if (core.infatal) return;
  char buf[VLMSG_MAXLEN + 1];
  compose(buf, "", format, ap);
  fflush(stdout);
  fprintf(stderr, "%s: %s\n", VLTXT_FATAL_TITLE, buf);
  fflush(stderr);
  if (core.capture) core.capture(id, VLMSG_FATAL, format, buf);
  if (core.box) core.box(VLTXT_FATAL_TITLE, buf);
  core.infatal = true;
  if (core.teardown) core.teardown();
  exit(-1);
}

}  // namespace

void _VLmsg_setcapture(VLmsg_capturefn fn) { _VLcore().capture = fn; }
void _VLmsg_setstream(int level, FILE *stream) {
  if (level == VLMSG_WARNING) _VLcore().warningstream = stream;
  if (level == VLMSG_INFO) _VLcore().infostream = stream;
}
void _VLmsg_setbox(VLmsg_boxfn fn) { _VLcore().box = fn; }
bool _VLmsg_infatal(void) { return _VLcore().infatal; }
void _VLmsg_setteardown(void (*fn)(void)) { _VLcore().teardown = fn; }
