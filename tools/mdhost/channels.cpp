// The channel list file (name;frequency;polarity;serviceid;ca per line) and the
// 868-byte channel records the host hands to the plug-in.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/mdhost/mdhost.h"

namespace mdhost {
namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return s.substr(b, e - b);
}

// Decimal or 0x-hex, the whole field, within max.
bool ParseNumber(const std::string& field, unsigned long max, unsigned long& out) {
  const std::string f = Trim(field);
  if (f.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long v = std::strtoul(f.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || f[0] == '-' || v > max) return false;
  out = v;
  return true;
}

bool ParsePolarity(const std::string& field, uint8_t& out) {
  const std::string f = Trim(field);
  if (f == "V" || f == "v") { out = 1; return true; }
  if (f == "H" || f == "h") { out = 0; return true; }
  unsigned long v = 0;
  if (!ParseNumber(f, 255, v)) return false;
  out = static_cast<uint8_t>(v);
  return true;
}

}  // namespace

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
    const std::string line = Trim(buf);
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
      const size_t sep = line.find(';', start);
      fields.push_back(line.substr(start, sep == std::string::npos ? std::string::npos : sep - start));
      if (sep == std::string::npos) break;
      start = sep + 1;
    }
    Channel ch;
    unsigned long freq = 0, sid = 0, ca = 0;
    ok = fields.size() == 5 && ParseNumber(fields[1], 0xFFFFFFFFul, freq) &&
         ParsePolarity(fields[2], ch.polarity) && ParseNumber(fields[3], 0xFFFF, sid) &&
         ParseNumber(fields[4], 255, ca);
    ch.name = fields.empty() ? "" : fields[0];  // kept as written: blanks are part of a name
    if (ch.name.size() >= host::kNameField) ok = false;
    if (!ok) {
      error = path + ":" + std::to_string(lineNo) +
              ": expected name;frequency;polarity;serviceid;ca (name under 92 bytes)";
      break;
    }
    ch.frequency = static_cast<uint32_t>(freq);
    ch.serviceId = static_cast<uint16_t>(sid);
    ch.caSystem = static_cast<uint8_t>(ca);
    out.push_back(ch);
  }
  std::fclose(f);
  return ok;
}

int FindChannel(const std::vector<Channel>& list, const std::string& key) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].name == key) return static_cast<int>(i);
  unsigned long n = 0;
  if (ParseNumber(key, 100000, n) && n >= 1 && n <= list.size()) return static_cast<int>(n - 1);
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
