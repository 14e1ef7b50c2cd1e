// Scenario words, channel list lines and transport-stream payload units: the
// parts of the simulator that need no Windows and are tested natively.
#include "tests/hosts/mdhost/host_text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace mdhost {
namespace {

constexpr size_t kPacket = 188;
constexpr size_t kUnit = 184;
constexpr unsigned kEitPid = 0x0012;
constexpr size_t kNameField = 92;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

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

}  // namespace

bool Tokenize(const std::string& line, std::vector<std::string>& out) {
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && Blank(line[i])) ++i;
    if (i >= line.size() || line[i] == '#') break;
    std::string w;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          const char e = line[i++];
          if (e == 'x' && i + 1 < line.size() && HexDigit(line[i]) >= 0 && HexDigit(line[i + 1]) >= 0) {
            w += static_cast<char>(HexDigit(line[i]) * 16 + HexDigit(line[i + 1]));
            i += 2;
          } else if (e == 'n') {
            w += '\n';
          } else if (e == 'r') {
            w += '\r';
          } else if (e == 't') {
            w += '\t';
          } else {
            w += e;
          }
        } else {
          w += c;
        }
      }
      if (!closed) return false;
    } else {
      while (i < line.size() && !Blank(line[i])) w += line[i++];
    }
    out.push_back(w);
  }
  return true;
}

bool HeaderWords(const std::string& line, std::vector<std::string>& out) {
  if (line.compare(0, 2, "#!") != 0) return false;
  out.clear();
  return Tokenize(line.substr(2), out) && !out.empty();
}

std::string FileLines(const std::vector<std::string>& lines, size_t from) {
  std::string text;
  for (size_t i = from; i < lines.size(); ++i) text += lines[i] + "\r\n";
  return text;
}

std::string Escaped(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c == '"' || c == '\\') (out += '\\') += ch;
    else if (c < 0x20 || c >= 0x7F) ((out += "\\x") += kHex[c >> 4]) += kHex[c & 15];
    else out += ch;
  }
  return out;
}

bool IsChannelComment(const std::string& line) {
  const std::string t = Trim(line);
  return t.empty() || t[0] == '#';
}

bool ParseChannelLine(const std::string& raw, Channel& out) {
  std::string line = raw;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t sep = line.find(';', start);
    fields.push_back(line.substr(start, sep == std::string::npos ? std::string::npos : sep - start));
    if (sep == std::string::npos) break;
    start = sep + 1;
  }
  if (fields.size() != 5) return false;
  Channel ch;
  ch.name = fields[0];
  if (ch.name.empty() || ch.name.size() >= kNameField) return false;
  unsigned long freq = 0, pol = 0, sid = 0, ca = 0;
  const std::string p = Trim(fields[2]);
  if (p == "V" || p == "v") pol = 1;
  else if (p == "H" || p == "h") pol = 0;
  else if (!ParseNumber(p, 255, pol)) return false;
  if (!ParseNumber(fields[1], 0xFFFFFFFFul, freq) || !ParseNumber(fields[3], 0xFFFF, sid) ||
      !ParseNumber(fields[4], 255, ca))
    return false;
  ch.frequency = static_cast<uint32_t>(freq);
  ch.polarity = static_cast<uint8_t>(pol);
  ch.serviceId = static_cast<uint16_t>(sid);
  ch.caSystem = static_cast<uint8_t>(ca);
  out = ch;
  return true;
}

void ExtractEitUnits(const uint8_t* ts, size_t size, std::vector<uint8_t>& units, UnitStats& stats) {
  size_t i = 0;
  while (i + kPacket <= size) {
    const uint8_t* p = ts + i;
    // A sync byte counts when the next packet starts where it should (or the
    // stream ends before a whole next packet).
    const bool nextOk = i + 2 * kPacket > size || ts[i + kPacket] == 0x47;
    if (p[0] != 0x47 || !nextOk) {
      ++i;
      ++stats.resyncBytes;
      continue;
    }
    i += kPacket;
    ++stats.packets;
    const unsigned pid = ((p[1] & 0x1Fu) << 8) | p[2];
    if (pid != kEitPid) continue;
    const unsigned afc = (p[3] >> 4) & 3u;
    if ((p[1] & 0x80) || afc == 0 || afc == 2) {
      ++stats.skipped;
      continue;
    }
    size_t start = 4;
    if (afc == 3) {
      start = 5 + static_cast<size_t>(p[4]);
      ++stats.withAdaptation;
      if (start >= kPacket) {
        ++stats.skipped;
        continue;
      }
    }
    const size_t at = units.size();
    units.resize(at + kUnit, 0xFF);
    std::memcpy(units.data() + at, p + start, kPacket - start);
  }
}

}  // namespace mdhost
