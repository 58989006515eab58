/* The batch interpreter: one line per call, read through an 80-character
 * buffer (longer lines arrive in pieces, each executed as a line). Commands
 * are dispatched on the first letter of their word, case-insensitively, and
 * most look at the second letter too. At the end of the file the run ends
 * with "Batch run complete" and exit status 1; an unknown command ends it
 * with status 1 as well. The last command is not repeated at the end. */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bench.h"
#include "core/messages.h"
#include "vlx/diag.h"

namespace {

const char *const kDelims = " \n\t";

/* The next argument token, or "" when the line has no more. */
const char *next_arg(void) {
  const char *t = strtok(nullptr, kDelims);
  return t ? t : "";
}

/* A decimal number as atoi reads it (leading blanks, a sign, digits; 0
 * when there are none), but in a range wide enough that no command's
 * argument overflows: values beyond it saturate and are refused by the
 * range checks of the scenes. */
long long arg_number(const char *arg) { return strtoll(arg, nullptr, 10); }

/* "on" is recognised by its second character alone. */
bool arg_on(const char *arg) { return arg[0] && tolower(static_cast<unsigned char>(arg[1])) == 'n'; }

/* Puts the bit into the opposite of the requested state, then toggles. */
void set_rendering(int code, uint8_t bit, bool on) {
  Bench &b = bench();
  if (code == TOGGLE_WIREFRAME) {
    if (on) { b.rendering |= 128; b.wireframe = false; }
    else { b.rendering &= 127; b.wireframe = true; }
  } else if (on) {
    b.rendering &= static_cast<uint8_t>(~bit);
  } else {
    b.rendering |= bit;
  }
  bench_togglerendering(code);
}

void set_vertexflag(uint8_t bit, bool on) {
  uint8_t flags = bench().vertexflags;
  flags = on ? static_cast<uint8_t>(flags & ~bit) : static_cast<uint8_t>(flags | bit);
  bench_setvertexflags(static_cast<uint8_t>(flags ^ bit));
}

void cmd_m(char second) {
  switch (second) {
    case 'g': {
      long long n = arg_number(next_arg()) / 10;
      if (bench_checkgrid(n)) bench_gridscene(int(n));
      break;
    }
    case 'm': {
      long long m = arg_number(next_arg());
      if (bench_checkmultiplier(m)) bench_setmultiplier(int(m));
      break;
    }
    case 'o': {
      const char *w = next_arg();
      long long n = arg_number(next_arg());
      if (!bench_checklayers(n)) break;
      bench_overwritescene(tolower(static_cast<unsigned char>(w[0])) == 'f' ? int(n) : -int(n));
      break;
    }
    case 'r': bench_ripplescene(); break;
    case 't': bench_terrainscene(); break;
    default: break;
  }
}

void cmd_r(char second) {
  bool on = arg_on(next_arg());
  switch (second) {
    case 'l': set_rendering(TOGGLE_LIGHTING, 4, on); break;
    case 'p': set_rendering(TOGGLE_PERSPECTIVE, 32, on); break;
    case 's': set_rendering(TOGGLE_SMOOTH, 8, on); break;
    case 't': set_rendering(TOGGLE_TEXTURE, 1, on); break;
    case 'w': set_rendering(TOGGLE_WIREFRAME, 128, on); break;
    default: break;
  }
}

void cmd_t(char second) {
  const char *arg = next_arg();
  if (second == 'f') {
    char kind = static_cast<char>(tolower(static_cast<unsigned char>(arg[0])));
    if (kind != 'q' && kind != 't') return;
    bench().quads = kind == 'q';
    bench_gridscene(bench().gridsize);
  } else if (second == 'p') {
    bench_setprebuild(arg_on(arg));
  }
}

void cmd_v(char second) {
  bool on = arg_on(next_arg());
  if (second == 'c') set_vertexflag(1, on);
  else if (second == 'n') set_vertexflag(2, on);
}

void cmd_x(char second) {
  if (second == 'b') bench_settexturemode(1);
  else if (second == 'm') bench_settexturemode(2);
  else if (second == 'p') bench_settexturemode(0);
}

void end_run(void) {
  Bench &b = bench();
  if (b.batch) fclose(b.batch);
  b.batch = nullptr;
  exit(1);
}

}  // namespace

bool batch_line(char *line) {
  if (line[0] == ';') {
    VLMSG(COMMENT, line);
    return true;
  }
  char *word = strtok(line, kDelims);
  if (!word) return true;
  char first = static_cast<char>(tolower(static_cast<unsigned char>(word[0])));
  char second = static_cast<char>(tolower(static_cast<unsigned char>(word[1])));
  switch (first) {
    case 'c': bench_measure(); return true;
    case 'm': cmd_m(second); return true;
    case 'r': cmd_r(second); return true;
    case 't': cmd_t(second); return true;
    case 'v': cmd_v(second); return true;
    case 'x': cmd_x(second); return true;
    default:
      VLMSG(UNKNOWN_COMMAND, word);
      return false;
  }
}

void batch_next(void) {
  Bench &b = bench();
  char line[80];
  if (!b.batch || !fgets(line, sizeof line, b.batch)) {
    b.batcheof = true;
    VLMSG(BATCH_DONE);
    end_run();
  }
  if (!batch_line(line)) end_run();
}
