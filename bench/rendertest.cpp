/* rendertest: the console rendering benchmark. Parses "-b<file>", creates
 * the universe, shows the default scene and lives inside the simulation
 * loop; a batch file drives everything from the action function. */
#include <stdio.h>

#include "bench.h"
#include "messages.h"
#include "vlx/vlx.h"

namespace {

/* "-b<file>" or "-B<file>": the file name follows the letter directly.
 * Returns false when the named batch file cannot be opened. */
bool parse_arguments(int argc, char **argv) {
  Bench &b = bench();
  for (int i = 1; i < argc; ++i) {
    const char *a = argv[i];
    if (a[0] != '-' || (a[1] != 'b' && a[1] != 'B')) continue;
    if (b.batch) fclose(b.batch);
    b.batchname = a + 2;
    b.batch = fopen(b.batchname, "r");
    if (!b.batch) return false;
    b.batchmode = true;
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (!parse_arguments(argc, argv)) {
    VLmsg_info(BTXT_BAD_BATCH);
    return 1;
  }
  Bench &b = bench();
  b.quads = true;
  b.multiplier = 1;
  b.prebuild = false;
  b.vertexflags = 3;
  b.texturemode = 2;
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
