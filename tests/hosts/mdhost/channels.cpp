// The channel list file (name;frequency;polarity;serviceid;ca per line, read
// by the host kit's rule) and finding a channel in it by name or number.
#include <cstdlib>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {

bool LoadChannels(const std::string& path, std::vector<Channel>& out, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, bytes)) {
    error = "cannot open channel list " + path;
    return false;
  }
  if (!hostkit::ParseChannelList(std::string(bytes.begin(), bytes.end()), out, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

int FindChannel(const std::vector<Channel>& list, const std::string& key) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].name == key) return static_cast<int>(i);
  char* end = nullptr;
  const long n = std::strtol(key.c_str(), &end, 10);
  if (!key.empty() && *end == '\0' && n >= 1 && static_cast<size_t>(n) <= list.size())
    return static_cast<int>(n - 1);
  return -1;
}

}  // namespace mdhost
