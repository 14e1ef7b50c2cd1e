// Channel list lines to channels (the rule is stated in channel_list.h).
#include "tools/hostkit/channel_list.h"

#include <cerrno>
#include <cstdlib>

namespace hostkit {
namespace {

constexpr size_t kNameField = 92;  // the record's name field, its NUL included
constexpr int kFields = 5;

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && Blank(s[b])) ++b;
  while (e > b && Blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool ParseNumber(const std::string& field, unsigned long max, unsigned long& out) {
  const std::string f = Trim(field);
  if (f.empty() || f[0] == '-' || f[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long v = std::strtoul(f.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || v > max) return false;
  out = v;
  return true;
}

std::string NotANumber(const char* what, const std::string& field, const char* range) {
  return std::string("the ") + what + " \"" + Trim(field) + "\" is not a number from " + range +
         " (decimal or 0x-hex)";
}

}  // namespace

bool IsChannelComment(const std::string& line) {
  const std::string t = Trim(line);
  return t.empty() || t[0] == '#';
}

bool ParseChannelLine(const std::string& raw, Channel& out, std::string* why) {
  std::string ignored;
  std::string& error = why != nullptr ? *why : ignored;
  error.clear();
  if (IsChannelComment(raw)) return false;
  std::string line = raw;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t sep = line.find(';', start);
    const size_t count = sep == std::string::npos ? std::string::npos : sep - start;
    fields.push_back(line.substr(start, count));
    if (sep == std::string::npos) break;
    start = sep + 1;
  }
  if (fields.size() != kFields) {
    error = "expected name;frequency;polarity;serviceid;ca, found " +
            std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields");
    return false;
  }
  Channel ch;
  ch.name = fields[0];
  if (ch.name.empty()) {
    error = "the name is empty";
    return false;
  }
  if (ch.name.size() >= kNameField) {
    error = "the name has " + std::to_string(ch.name.size()) + " bytes; a channel record holds " +
            std::to_string(kNameField - 1);
    return false;
  }
  unsigned long freq = 0, pol = 0, sid = 0, ca = 0;
  const std::string p = Trim(fields[2]);
  if (p == "V" || p == "v") {
    pol = 1;
  } else if (p == "H" || p == "h") {
    pol = 0;
  } else if (!ParseNumber(p, 255, pol)) {
    error = "the polarity \"" + p + "\" is not V, H or a number from 0 to 255";
    return false;
  }
  if (!ParseNumber(fields[1], 0xFFFFFFFFul, freq))
    error = NotANumber("frequency", fields[1], "0 to 4294967295");
  else if (!ParseNumber(fields[3], 0xFFFF, sid))
    error = NotANumber("service id", fields[3], "0 to 0xFFFF");
  else if (!ParseNumber(fields[4], 255, ca))
    error = NotANumber("CA system", fields[4], "0 to 255");
  if (!error.empty()) return false;
  ch.frequency = static_cast<uint32_t>(freq);
  ch.polarity = static_cast<uint8_t>(pol);
  ch.serviceId = static_cast<uint16_t>(sid);
  ch.caSystem = static_cast<uint8_t>(ca);
  out = ch;
  return true;
}

bool ParseChannelList(const std::string& text, std::vector<Channel>& out, std::string& error) {
  size_t start = 0;
  int lineNo = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (IsChannelComment(line)) continue;
    Channel ch;
    std::string why;
    if (!ParseChannelLine(line, ch, &why)) {
      error = "line " + std::to_string(lineNo) + ": " + why;
      return false;
    }
    out.push_back(ch);
  }
  return true;
}

}  // namespace hostkit
