/* rendertest: the console rendering benchmark. Parses "-b<file>", creates
 * the universe, shows the default scene and lives inside the simulation
 * loop; a batch file drives everything from the action function. */
#include <stdio.h>

#include "bench.h"
#include "core/messages.h"
#include "vlx/vlx.h"

namespace {

/* "-b<file>" or "-B<file>": the file name follows the letter directly.
 * Returns false when the named batch file cannot be opened. */
bool parse_arguments(int argc, char **argv) {
  for (int i = 1; i < argc; ++i)
    if (bench_batchoption(argv[i]) < 0) return false;
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (!parse_arguments(argc, argv)) {
    VLMSG(BAD_BATCH);
    return 1;
  }
  bench_initstate();
  VLtoolkit_setprogram(VLPROGRAM_CONSOLE);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) return 1;
  bench_startup();
  VLuniverse_setbgcolor(0, 0, 0);
  VLuniverse_setactions(bench_idle);
  VLuniverse_ready();
  VLuniverse_go();
  return 0;
}
