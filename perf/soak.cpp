/* Soak run of the benchmark's scenes on the 3D device (Mesa's software
 * device on a machine without a GPU): every scene, size, face type,
 * multiplier, drawing order and render setting in turn, each for a few
 * frames, with a measurement now and then, until the time is up. Every
 * minute it prints the resident set size and the number of live heap
 * allocations (counted by the allocation functions below); after the first
 * minute neither should grow. The reports of the measurements go to
 * standard output, the soak lines to standard error:
 *   perf_soak [minutes, default 1] ["line;line;..."] >/dev/null
 * (from the source folder); the optional second argument replaces the cycle
 * with these batch lines, to find which scene or setting grows. */
#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iterator>
#include <string>
#include <vector>

#include "alloc_count.h"
#include "bench.h"
#include "vlx/vlx.h"

namespace {

/* One cycle: each line runs, then a few frames. */
const char *const kCycle[] = {
    "mg 2", "mg 5", "tf t", "mg 10", "tf q", "mg 20", "mm 2", "mm 4", "mm 1", "mg 50",
    "tf t", "mg 90", "tf q", "mg 90", "c", "mg 20", "rl off", "rs off", "rt on", "rp on",
    "xp", "xb", "xm", "vc off", "vn off", "vc on", "vn on", "tp on", "mg 10", "tp off",
    "rw on", "c", "rw off", "rl on", "rs on", "rt off", "rp off", "mo front 16", "c",
    "mo back 16", "mo front 100", "mr", "c", "mt", "rt on", "mt", "rt off", "mg 2"};

void run_line(const char *text, int frames) {
  char line[80];
  snprintf(line, sizeof line, "%s", text);
  batch_line(line);
  for (int i = 0; i < frames; ++i) VLuniverse_go1();
  /* A measurement runs to its end. */
  for (int i = 0; i < 2000 && bench().measuring; ++i) VLuniverse_go1();
}

}  // namespace

int main(int argc, char **argv) {
  double minutes = argc > 1 ? atof(argv[1]) : 1.0;
  if (!(minutes > 0.0)) minutes = 1.0;
  if (!getenv("VLXOFFSCREEN")) setenv("VLXOFFSCREEN", "1", 1);
  /* The terrain scene's path and textures: the shipped data, run from the
   * source folder. */
  if (!getenv("VLMODELS")) setenv("VLMODELS", "bench/data", 1);
  if (!getenv("VLIMAGES")) setenv("VLIMAGES", "bench/data", 1);
  VLuniverse_new(1, 0);
  if (!VLuniverse_current()) return 1;
  bench_initstate();
  bench_startup();
  using clock = std::chrono::steady_clock;
  const clock::time_point start = clock::now();
  const auto total = std::chrono::duration<double, std::ratio<60>>(minutes);
  std::vector<std::string> lines(std::begin(kCycle), std::end(kCycle));
  if (argc > 2) {
    lines.clear();
    std::string all = argv[2];
    for (size_t at = 0; at <= all.size();) {
      size_t end = all.find(';', at);
      if (end == std::string::npos) end = all.size();
      if (end > at) lines.push_back(all.substr(at, end - at));
      at = end + 1;
    }
  }
  int minute = 0;
  long cycles = 0;
  fprintf(stderr, "minute   cycles   rss(KiB)   live allocations\n");
  while (clock::now() - start < total) {
    for (const std::string &line : lines) run_line(line.c_str(), 5);
    if (++cycles == 1) fprintf(stderr, "first  %8ld %10ld %18ld\n", cycles, rss_kib(), g_live.load());
    int now = int(std::chrono::duration<double, std::ratio<60>>(clock::now() - start).count());
    if (now > minute) {
      minute = now;
      fprintf(stderr, "%6d %8ld %10ld %18ld\n", minute, cycles, rss_kib(), g_live.load());
    }
  }
  fprintf(stderr, "end    %8ld %10ld %18ld\n", cycles, rss_kib(), g_live.load());
  VLuniverse_delete();
  return 0;
}
