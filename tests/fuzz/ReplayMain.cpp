// Replays a fuzz target's corpus without libFuzzer: every file of the folder
// given as argument is fed once to LLVMFuzzerTestOneInput. A target reports
// a broken invariant by aborting, so reaching the end means the whole corpus
// still passes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <vector>

#include "tools/FileReading.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " CORPUS_FOLDER\n";
    return 2;
  }
  // Absolute, as a target may change the working folder.
  std::vector<std::filesystem::path> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::absolute(argv[1])))
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  if (inputs.empty()) {
    std::cerr << "no inputs in " << argv[1] << "\n";
    return 1;
  }
  for (const auto& path : inputs) {
    const std::vector<unsigned char> bytes = qmr::ReadWholeFile(path.string());
    // An empty vector's data() may be null; libFuzzer never passes null.
    static const std::uint8_t empty = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &empty : bytes.data(), bytes.size());
  }
  std::cout << inputs.size() << " inputs replayed from " << argv[1] << "\n";
  return 0;
}
