/* Replays a fuzz harness over files and folders of inputs without the
 * fuzzing engine: each file is read and handed to LLVMFuzzerTestOneInput
 * once. The ordinary test run uses it to replay every committed corpus and
 * past finding, so a regression is caught without clang. A folder that does
 * not exist holds no inputs. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

int main(int argc, char **argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
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
  fprintf(stderr, "replayed %d inputs\n", count);
  return 0;
}
