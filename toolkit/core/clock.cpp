/* The millisecond clock (steady, counted from the first reading of the
 * process) and the two public readings built on it; the program kind. */
#include <chrono>

#include "core/state.h"
#include "vlx/diag.h"

namespace {
int64_t steady_ms(void) {
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  return duration_cast<milliseconds>(steady_clock::now() - start).count();
}
}  // namespace

int64_t _VLclock_ms(void) {
  VLcorestate &core = _VLcore();
  return core.clocksource ? core.clocksource() : steady_ms();
}

void _VLclock_setsource(int64_t (*fn)(void)) { _VLcore().clocksource = fn; }

double VLclock_elapsed(void) {
  VLcorestate &core = _VLcore();
  int64_t now = _VLclock_ms();
  if (core.haslastelapsed && now == core.lastelapsed) return 0.004;
  double result = core.haslastelapsed ? (now - core.lastelapsed) * 0.001 : -1.0;
  core.lastelapsed = now;
  core.haslastelapsed = true;
  return result;
}

double VLclock_seconds(void) { return _VLclock_ms() * 0.001; }

void VLtoolkit_setprogram(int program) { _VLcore().program = program; }
int VLtoolkit_program(void) { return _VLcore().program; }
