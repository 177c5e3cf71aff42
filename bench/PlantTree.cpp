// Writes the plant tree `make bench` scans and rebuilds: FOLDERS folders of
// TRENDS trends of FILES version 6 data files each, every master written
// once, and one trend of LARGEST files in a folder of its own.
//
//   plant_tree ROOT [FOLDERS TRENDS FILES LARGEST]   (default 20 100 5 32767)
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "samples/SampleTrends.h"
#include "trends/Rebuild.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 6) {
    std::fprintf(stderr, "usage: plant_tree ROOT [FOLDERS TRENDS FILES LARGEST]\n");
    return 2;
  }
  // Absolute, as qmr records and compares paths.
  const std::filesystem::path root = std::filesystem::absolute(argv[1]);
  const int folders = argc == 6 ? std::atoi(argv[2]) : 20;
  const int trends = argc == 6 ? std::atoi(argv[3]) : 100;
  const int files = argc == 6 ? std::atoi(argv[4]) : 5;
  const int largest = argc == 6 ? std::atoi(argv[5]) : 32767;
  try {
    qmr::RebuildEvents silent;
    for (int folder = 0; folder < folders; ++folder) {
      char name[32];
      std::snprintf(name, sizeof name, "unit%02d", folder);
      const std::filesystem::path where = root / name;
      std::filesystem::create_directories(where);
      for (int trend = 0; trend < trends; ++trend) {
        const std::string tag = "TAG" + std::to_string(trend);
        qmr::samples::WriteTrend(where.string(), tag, qmr::samples::RisingTrend(6, tag, files));
        qmr::RebuildTrend((where / (tag + ".000")).string(), silent);
      }
    }
    if (largest > 0) {
      const std::filesystem::path where = root / "archive";
      std::filesystem::create_directories(where);
      qmr::samples::WriteTrend(where.string(), "BIG", qmr::samples::RisingTrend(6, "Largest trend", largest));
      qmr::RebuildTrend((where / "BIG.000").string(), silent);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "plant_tree: %s\n", error.what());
    return 1;
  }
  return 0;
}
