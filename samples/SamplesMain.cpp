// qmr-samples FOLDER: writes a folder of generated demo trends and prints the
// name of each trend's first data file, one per line.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "samples/SampleTrends.h"
#include "texts/ErrorWords.h"
#include "tools/Errors.h"

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::printf(
        "usage: qmr-samples FOLDER\nWrites generated demo trends into FOLDER (made when missing) and prints\n"
        "the first data file of each, one per line.\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  // An option is never taken for a folder to create.
  if (argc != 2 || (first.size() > 1 && first[0] == '-')) {
    std::fprintf(stderr, "usage: qmr-samples FOLDER\n");
    return 2;
  }
  try {
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const std::string& name : qmr::samples::WriteDemoFolder(folder)) std::printf("%s\n", name.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const qmr::Error& error) {
    std::fprintf(stderr, "qmr-samples: %s\n", qmr::ErrorWords(error).c_str());
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "qmr-samples: %s\n", error.what());
    return 1;
  }
}
