/* Batch files through the benchmark's interpreter, on the null device:
 * the input is cut into lines as the program reads them (at most 79
 * characters a piece) and each line runs, followed by one frame, until a
 * line is refused. Scene sizes above 20 are skipped so that one input stays
 * well inside the time limit; the size limits themselves are covered by the
 * ordinary tests. */
#include <ctype.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "bench.h"
#include "support.h"

namespace {

bool too_costly(const char *line) {
  while (*line == ' ' || *line == '\t') ++line;
  if (tolower(static_cast<unsigned char>(line[0])) != 'm') return false;
  const char *p = line;
  while (*p && !isdigit(static_cast<unsigned char>(*p)) && *p != '-') ++p;
  return *p && labs(strtol(p, nullptr, 10)) > 20;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool started = false;
  if (!started) {
    fuzz_universe();
    bench_initstate();
    bench_startup();
    started = true;
  }
  size_t pos = 0;
  char line[80];
  while (pos < size) {
    size_t n = 0;
    while (pos < size && n < sizeof line - 1) {
      char c = static_cast<char>(data[pos++]);
      line[n++] = c;
      if (c == '\n') break;
    }
    line[n] = '\0';
    if (too_costly(line)) continue;
    if (!batch_line(line)) break;
    VLuniverse_go1();
  }
  return 0;
}
