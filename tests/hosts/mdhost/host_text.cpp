// Scenario words and the units delivered from a stream: the parts of the
// simulator that need no Windows and are tested natively.
#include "tests/hosts/mdhost/host_text.h"

#include <cstdio>

namespace mdhost {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

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

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + got);
  std::fclose(f);
  return true;
}

std::vector<uint8_t> DeliveredUnits(const std::vector<uint8_t>& ts, hostkit::UnitStats& stats) {
  return hostkit::Concatenate(hostkit::PidUnits(ts, hostkit::kEitPid, &stats));
}

}  // namespace mdhost
