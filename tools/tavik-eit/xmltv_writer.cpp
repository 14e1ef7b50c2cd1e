// --xmltv: the schedule as an XMLTV document, the common format of TV
// listings: a channel per service, a programme per event with its title,
// description and category in UTF-8.
#include <cstdio>
#include <string>

#include "common/version.h"
#include "text/dvb_text.h"
#include "tools/tavik-eit/schedule_report.h"

namespace tavik_eit {
namespace {

// The category of a content descriptor's first nibble; null for the nibbles
// that name no genre (special characteristics, reserved, user defined).
const char* Category(uint8_t nibble) {
  static const char* const kNames[16] = {
      nullptr,
      "Movie / Drama",
      "News / Current affairs",
      "Show / Game show",
      "Sports",
      "Children's / Youth programmes",
      "Music / Ballet / Dance",
      "Arts / Culture (without music)",
      "Social / Political issues / Economics",
      "Education / Science / Factual topics",
      "Leisure hobbies",
      nullptr, nullptr, nullptr, nullptr, nullptr};
  return kNames[nibble & 0x0F];
}

// UTF-8 text as XML character data: the five markup characters escaped,
// control characters XML does not allow (and C1 controls) dropped.
std::string Escape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) < 0xA0) {
      ++i;  // U+0080 to U+009F
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (c >= 0x20 || c == '\n' || c == '\t') out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

bool Blank(const std::string& s) { return s.find_first_not_of(" \t\n") == std::string::npos; }

std::string Converted(const uint8_t* bytes, size_t length, dvbtext::Breaks breaks) {
  char buffer[800];
  dvbtext::ToUtf8(bytes, length, breaks, buffer, sizeof buffer);
  return Escape(buffer);
}

// The lang attribute: the short event's ISO 639 code when it is three letters.
std::string Lang(const char* language) {
  std::string code;
  for (int i = 0; i < 3; ++i) {
    const char c = language[i];
    if (c >= 'A' && c <= 'Z') code.push_back(static_cast<char>(c - 'A' + 'a'));
    else if (c >= 'a' && c <= 'z') code.push_back(c);
    else return "";
  }
  return " lang=\"" + code + "\"";
}

std::string Stamp(int64_t utc) {
  const guide::CivilTime t = guide::CivilOfSeconds(utc);
  char b[40];
  std::snprintf(b, sizeof b, "%04d%02d%02d%02d%02d%02d +0000", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return b;
}

}  // namespace

std::string FormatXmltv(const ScheduleReader& reader, const std::vector<dvbread::ServiceName>& names,
                        bool onlyService, uint16_t serviceId, int* programmes, int* untitled) {
  *programmes = 0;
  *untitled = 0;
  std::string channels, listing;
  for (uint16_t sid : reader.Services()) {
    if (onlyService && sid != serviceId) continue;
    uint16_t tsid = 0, onid = 0;
    reader.Store().StreamIds(sid, &tsid, &onid);
    // An id of dot-separated words, the same for the service wherever it is read.
    const std::string id = std::to_string(sid) + "." + std::to_string(tsid) + "." +
                           std::to_string(onid) + ".dvb";
    int written = 0;
    for (const guide::StoredEvent& e : reader.Events(sid)) {
      const std::string title = Converted(e.name, e.nameLength, dvbtext::Breaks::kBlank);
      if (Blank(title)) {
        ++*untitled;
        continue;
      }
      const std::string lang = Lang(e.language);
      listing += "  <programme start=\"" + Stamp(e.key.startUtc) + "\"";
      if (e.key.duration > 0) listing += " stop=\"" + Stamp(e.key.startUtc + e.key.duration) + "\"";
      listing += " channel=\"" + id + "\">\n";
      listing += "    <title" + lang + ">" + title + "</title>\n";
      const std::string desc = Converted(e.text, e.textLength, dvbtext::Breaks::kNewline);
      if (!Blank(desc)) listing += "    <desc" + lang + ">" + desc + "</desc>\n";
      if (e.hasContent && Category(e.content >> 4) != nullptr)
        listing += "    <category lang=\"en\">" + Escape(Category(e.content >> 4)) + "</category>\n";
      listing += "  </programme>\n";
      ++written;
    }
    if (written == 0) continue;  // a channel without programmes is left out
    *programmes += written;
    channels += "  <channel id=\"" + id + "\">\n    <display-name>" +
                Escape(ServiceTitle(names, sid)) + "</display-name>\n  </channel>\n";
  }
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
                     "<tv generator-info-name=\"tavik-eit ") +
         TAVIK_VERSION + "\">\n" + channels + listing + "</tv>\n";
}

}  // namespace tavik_eit
