// The channel list file (name;frequency;polarity;serviceid;ca per line) and the
// 868-byte channel records the host hands to the plug-in.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {

bool LoadChannels(const std::string& path, std::vector<Channel>& out, std::string& error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open channel list " + path;
    return false;
  }
  char buf[1024];
  int lineNo = 0;
  bool ok = true;
  while (ok && std::fgets(buf, sizeof buf, f)) {
    ++lineNo;
    if (IsChannelComment(buf)) continue;
    Channel ch;
    ok = ParseChannelLine(buf, ch);
    if (ok) out.push_back(ch);
    else error = path + ":" + std::to_string(lineNo) +
                 ": expected name;frequency;polarity;serviceid;ca (name under 92 bytes)";
  }
  std::fclose(f);
  return ok;
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

host::TProgram82 MakeRecord(const Channel& ch) {
  host::TProgram82 rec;
  // The host's own fields the plug-in must not rely on: a recognisable pattern.
  for (size_t i = 0; i < sizeof rec.bytes; ++i) rec.bytes[i] = static_cast<uint8_t>(0xA5 ^ (i * 7));
  std::memset(rec.bytes, 0, host::kNameField);
  std::memcpy(rec.bytes + host::kNameOffset, ch.name.data(),
              ch.name.size() < host::kNameField ? ch.name.size() : host::kNameField - 1);
  const uint32_t f = ch.frequency;
  for (int i = 0; i < 4; ++i) rec.bytes[host::kFrequencyOffset + i] = static_cast<uint8_t>(f >> (8 * i));
  rec.bytes[host::kPolarityOffset] = ch.polarity;
  rec.bytes[host::kServiceIdOffset] = static_cast<uint8_t>(ch.serviceId & 0xFF);
  rec.bytes[host::kServiceIdOffset + 1] = static_cast<uint8_t>(ch.serviceId >> 8);
  rec.bytes[host::kCaSystemOffset] = ch.caSystem;
  return rec;
}

}  // namespace mdhost
