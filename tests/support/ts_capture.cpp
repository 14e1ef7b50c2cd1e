// Transport-stream capture reader for tests, fuzz seeds and benchmarks.
#include "tests/support/ts_capture.h"

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <iterator>

namespace tscap {

namespace {
constexpr uint8_t kSync = 0x47;
}

bool ReadPidUnits(const std::string& path, uint16_t pid, std::vector<Unit>* units,
                  int* continuityErrors) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                            std::istreambuf_iterator<char>());
  size_t i = 0;
  int lastCounter = -1, gaps = 0;
  while (i + kPacketSize <= data.size()) {
    if (data[i] != kSync) {
      ++i;
      continue;
    }
    const uint8_t* p = &data[i];
    uint16_t packetPid = static_cast<uint16_t>((p[1] & 0x1F) << 8 | p[2]);
    int adaptation = (p[3] >> 4) & 3;  // 1 payload only, 3 both, 0 and 2 none
    if (packetPid == pid && (adaptation & 1) != 0) {
      Unit u;
      std::copy(p + 4, p + kPacketSize, u.bytes.begin());
      u.start = (p[1] & 0x40) != 0;
      units->push_back(u);
      int counter = p[3] & 0x0F;  // a repeated packet keeps its counter
      if (lastCounter >= 0 && counter != lastCounter && counter != ((lastCounter + 1) & 0x0F))
        ++gaps;
      lastCounter = counter;
    }
    i += kPacketSize;
  }
  if (continuityErrors != nullptr) *continuityErrors = gaps;
  return true;
}

std::vector<uint8_t> Concatenate(const std::vector<Unit>& units, size_t first,
                                 size_t count) {
  std::vector<uint8_t> out;
  for (size_t k = first; k < first + count && k < units.size(); ++k)
    out.insert(out.end(), units[k].bytes.begin(), units[k].bytes.end());
  return out;
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
