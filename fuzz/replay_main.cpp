// Runs the fuzz target over files and directories of inputs, so that the seed corpus and every
// past finding are checked by the ordinary test run, without the fuzzing engine.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "framework/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<fs::path> files;
    if (fs::is_directory(argv[i])) {
      for (const auto& entry : fs::directory_iterator(argv[i])) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
    } else {
      files.push_back(argv[i]);
    }
    for (const auto& file : files) {
      std::vector<std::uint8_t> data = ReadWholeFile(file.string());
      LLVMFuzzerTestOneInput(data.data(), data.size());
      ++count;
    }
  }
  std::printf("%d inputs replayed\n", count);
  return count > 0 ? 0 : 1;
}
