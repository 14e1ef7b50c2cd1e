// The real captures and their units, for the native tests.
#include "tests/hostkit/ts_capture.h"

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <iterator>

namespace tscap {

bool ReadPidUnits(const std::string& path, uint16_t pid, std::vector<Unit>* units,
                  int* continuityErrors) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  hostkit::UnitStats stats;
  const std::vector<Unit> read = hostkit::PidUnits(data, pid, &stats);
  units->insert(units->end(), read.begin(), read.end());
  if (continuityErrors != nullptr) *continuityErrors = stats.continuityErrors;
  return true;
}

std::string CaptureDir() { return std::string(TAVIK_SOURCE_DIR) + "/../shared/data/eit"; }

std::vector<std::string> CaptureFiles() {
  std::vector<std::string> files;
  DIR* dir = opendir(CaptureDir().c_str());
  if (dir == nullptr) return files;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".ts") == 0)
      files.push_back(CaptureDir() + "/" + name);
  }
  closedir(dir);
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace tscap
