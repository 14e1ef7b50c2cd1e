// Broadcast text to UTF-8 through the plug-in's converter, with table names.
#include "tools/dvbread/dvb_text.h"

#include <cstdio>
#include <vector>

#include "text/dvb_text.h"

namespace dvbread {
namespace {

std::string Hex(uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

std::string TableName(const dvbtext::Table& t, const uint8_t* p) {
  using dvbtext::TableKind;
  switch (t.kind) {
    case TableKind::kDefault: return "default table";
    case TableKind::kIso8859:
      return "ISO 8859-" + std::to_string(t.part) + " (" + Hex(t.first) + ")";
    case TableKind::kIso8859Long:
      return "ISO 8859-" + std::to_string(t.part) + " (0x10 0x00 " + Hex(p[2]) + ")";
    case TableKind::kUcs2: return "ISO 10646 two-byte (0x11)";
    case TableKind::kKsx1001: return "KS X 1001 (0x12)";
    case TableKind::kGb2312: return "GB 2312 (0x13)";
    case TableKind::kBig5Subset: return "ISO 10646 two-byte, Big5 subset (0x14)";
    case TableKind::kUtf8: return "UTF-8 (0x15)";
    case TableKind::kUnknownPart: return "unknown ISO 8859 part (0x10)";
    default:
      break;
  }
  return t.first == 0x1F ? "encoding type (0x1F), not supported"
                         : "reserved table byte " + Hex(t.first) + ", not supported";
}

}  // namespace

DvbText DvbToUtf8(const uint8_t* p, size_t n) {
  DvbText r;
  if (p == nullptr || n == 0) {
    r.table = "default table";
    return r;
  }
  std::vector<char> buf(3 * n + 1);
  dvbtext::Table t;
  const size_t len = dvbtext::ToUtf8(p, n, dvbtext::Breaks::kNewline, buf.data(), buf.size(), &t);
  r.table = TableName(t, p);
  r.supported = t.kind != dvbtext::TableKind::kUnsupported &&
                t.kind != dvbtext::TableKind::kUnknownPart;
  r.utf8 = r.supported ? std::string(buf.data(), len)
                       : EscapeBytes(std::string(reinterpret_cast<const char*>(p), n));
  return r;
}

std::string EscapeBytes(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

}  // namespace dvbread
