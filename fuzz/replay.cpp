/* Replays a fuzz harness over files and folders of inputs without the
 * fuzzing engine: each file is read and handed to LLVMFuzzerTestOneInput
 * once. The ordinary test run uses it to replay every committed corpus and
 * past finding, so a regression is caught without clang. A folder that does
 * not exist holds no inputs.
 * With --twice (first argument) the inputs are replayed a second time and
 * the live heap allocations after each pass compared: a harness or reader
 * that keeps something per input grows a long fuzzing run until it runs
 * out of memory. The count needs the program's own allocator, so builds
 * with the address sanitizer replay once. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if !defined(__SANITIZE_ADDRESS__)
#include "../perf/alloc_count.h"
#define VLX_REPLAY_COUNTS 1
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

int replay(const std::filesystem::path &file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  /* An exact-size heap copy, so that a read past the end is caught. */
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
  return 1;
}

}  // namespace

int replay_all(int argc, char **argv, int first) {
  int count = 0;
  for (int i = first; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_regular_file(p, ec)) {
      count += replay(p);
      continue;
    }
    if (!std::filesystem::is_directory(p, ec)) continue;
    std::vector<std::filesystem::path> files;
    for (const auto &e : std::filesystem::directory_iterator(p, ec))
      if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto &f : files) count += replay(f);
  }
  return count;
}

int main(int argc, char **argv) {
  bool twice = argc > 1 && strcmp(argv[1], "--twice") == 0;
  int first = twice ? 2 : 1;
  int count = replay_all(argc, argv, first);
  fprintf(stderr, "replayed %d inputs\n", count);
#ifdef VLX_REPLAY_COUNTS
  if (twice) {
    long after1 = g_live.load();
    replay_all(argc, argv, first);
    long after2 = g_live.load();
    fprintf(stderr, "live allocations after the first pass %ld, after the second %ld\n", after1,
            after2);
    if (after2 > after1) {
      fprintf(stderr, "the second pass over the same inputs left %ld more allocations\n",
              after2 - after1);
      return 1;
    }
  }
#endif
  return 0;
}
