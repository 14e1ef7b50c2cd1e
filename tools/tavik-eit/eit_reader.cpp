// The EIT reader's decoding: the plug-in's unit picking and line building,
// with one set of buffers and bits per service instead of one tuned service.
#include "tools/tavik-eit/eit_reader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "guide/delivery_reader.h"
#include "guide/eit_section.h"

namespace tavik_eit {
namespace {

constexpr size_t kPosLoopLength = 25;  // descriptors_loop_length of the first event
constexpr size_t kPosDescriptors = 27;
constexpr uint8_t kTagShortEvent = 0x4D;

std::string Bytes(const uint8_t* p, size_t n) {
  return p == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(p), n);
}

const char* TagName(uint8_t tag) {
  switch (tag) {
    case 0x4D:
      return "short event";
    case 0x4E:
      return "extended event";
    case 0x4F:
      return "time shifted event";
    case 0x50:
      return "component";
    case 0x54:
      return "content";
    case 0x55:
      return "parental rating";
    case 0x69:
      return "PDC";
    default:
      return "other";
  }
}

void Append(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Append(std::string* out, const char* format, ...) {
  char buf[4096];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  *out += buf;
}

// Line breaks of converted text shown as " | " on one terminal line.
std::string OneLine(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n')
      out += " | ";
    else
      out.push_back(c);
  }
  return out;
}

void FormatLine(std::string* out, const char* label, const ServiceLine& l, bool unicode) {
  if (!l.built) {
    Append(out, "  %-5s (no %s section decoded)\n", label,
           std::strcmp(label, "now") == 0 ? "present" : "following");
    return;
  }
  if (unicode)
    Append(out, "  %-5s \"%s\"\n", label, l.unicodeLine.c_str());
  else
    Append(out, "  %-5s \"%s\"\n", label, dvbread::EscapeBytes(l.line).c_str());
  const bool firstRead = l.firstTag == 0x4D || l.firstTag == 0x4E || l.firstTag == 0x69;
  if (!l.complete)
    Append(out,
           "        first descriptor 0x%02X (%s) is not one the plug-in reads, and no short "
           "event follows it: the line stays incomplete and the banner shows no programme "
           "lines\n",
           l.firstTag, TagName(l.firstTag));
  else if (!firstRead)
    Append(out, "        first descriptor 0x%02X (%s); the line is the short event's after it\n",
           l.firstTag, TagName(l.firstTag));
  if (l.hasShortEvent) {
    Append(out, "        starts %s; name [%s]: %s\n", l.startTime.c_str(), l.name.table.c_str(),
           OneLine(l.name.utf8).c_str());
    if (!l.text.utf8.empty())
      Append(out, "        text [%s]: %s\n", l.text.table.c_str(), OneLine(l.text.utf8).c_str());
  } else {
    Append(out, "        starts %s; no short event descriptor in the event\n", l.startTime.c_str());
  }
}

}  // namespace

ServiceReport::ServiceReport() {
  std::memset(lineBuf, 0, sizeof lineBuf);
  std::memset(nameBuf, 0, sizeof nameBuf);
  std::memset(nowText, 0, sizeof nowText);
  std::memset(nextText, 0, sizeof nextText);
  std::memset(timeText, 0, sizeof timeText);
  std::memset(unicodeBuf, 0, sizeof unicodeBuf);
  std::memset(unicodeNowText, 0, sizeof unicodeNowText);
}

bool FindShortEvent(const uint8_t* delivery, size_t length, size_t offset, std::string* name,
                    std::string* text) {
  guide::UnitReader unit(delivery, length, offset);
  uint8_t hi, lo;
  if (!unit.Byte(kPosLoopLength, &hi) || !unit.Byte(kPosLoopLength + 1, &lo)) return false;
  size_t loopEnd = kPosDescriptors + ((hi & 0x0F) << 8 | lo);
  size_t d = kPosDescriptors;
  uint8_t tag, len;
  while (d + 2 <= loopEnd && unit.Byte(d, &tag) && unit.Byte(d + 1, &len)) {
    if (tag == kTagShortEvent && len >= 5) {
      uint8_t n, t;
      const uint8_t* body = unit.Span(d + 2, len);
      if (body == nullptr) return false;
      n = body[3];
      if (4u + n >= len) return false;
      t = body[4 + n];
      if (5u + n + t > len) return false;
      *name = Bytes(body + 4, n);
      *text = Bytes(body + 5 + n, t);
      return true;
    }
    d += 2u + len;
  }
  return false;
}

bool EitReader::Deliver(const uint8_t* delivery, size_t length, const bool* starts) {
  const int pack = guide::DeliveryUnits(length > static_cast<size_t>(guide::kMaxDelivery)
                                            ? guide::kMaxDelivery + 1
                                            : static_cast<int>(length));
  if (pack == 0) return false;
  ++deliveries_;
  for (size_t w = 0; w < static_cast<size_t>(pack); ++w)
    DecodeUnit(delivery, length, w * guide::kUnitSize, starts != nullptr && !starts[w]);
  return true;
}

void EitReader::DecodeUnit(const uint8_t* delivery, size_t length, size_t offset,
                           bool continuation) {
  ++units_;
  guide::UnitReader unit(delivery, length, offset);
  const guide::UnitHeader h = guide::ReadUnitHeader(unit);
  if (!guide::IsPresentFollowing(h)) return;
  ServiceReport& s = services_[h.eitsid];
  s.serviceId = h.eitsid;
  ++s.sections;
  if (continuation) ++s.continuations;
  guide::PickedEvent picked;
  if (!guide::PickEvent(unit, h.eitsid, &picked)) {
    ++s.passedOver;
    return;
  }
  const bool now = h.nownxt == 0;
  ServiceLine& l = now ? s.now : s.next;
  // The banner keeps a complete line until a section of another event gives
  // a complete one (the programme changed while the channel stayed tuned).
  if (l.complete && (l.eventId == h.eventId || !picked.strings.recognised)) return;
  const bool programmeChanged = now && l.complete;
  guide::LineBuffers out = {s.lineBuf, s.nameBuf, now ? s.nowText : s.nextText, s.timeText};
  if (unicode_) {
    out.unicodeLine = s.unicodeBuf;
    if (now) out.unicodeText = s.unicodeNowText;
  }
  guide::BuildLine(now ? guide::LineKind::kNow : guide::LineKind::kNext, picked.strings,
                   guide::StartTime{h.mjd, h.orax, h.min}, settings_, s.nowText, out,
                   s.unicodeNowText);
  l.unicodeLine = s.unicodeBuf;
  l.built = true;
  l.complete = picked.strings.recognised;
  l.firstTag = h.evdesc;
  l.eventId = h.eventId;
  l.line = s.lineBuf;
  // With epgtext 2 the second line is the present description: a new
  // present event brings its own, as on the banner.
  if (programmeChanged && settings_.epgtext == 2 && s.next.complete) {
    guide::FormatPresentTextLine8(s.nowText, s.lineBuf);
    s.next.line = s.lineBuf;
    if (unicode_) {
      guide::FormatPresentTextLine(s.unicodeNowText, s.unicodeBuf);
      s.next.unicodeLine = s.unicodeBuf;
    }
  }
  char start[8];
  std::snprintf(start, sizeof start, "%02X:%02X", h.orax, h.min);
  l.startTime = start;
  std::string name, text;
  l.hasShortEvent = FindShortEvent(delivery, length, offset, &name, &text);
  if (l.hasShortEvent) {
    l.name = dvbread::DvbToUtf8(reinterpret_cast<const uint8_t*>(name.data()), name.size());
    l.text = dvbread::DvbToUtf8(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
}

std::string FormatReport(const EitReader& reader, bool onlyService, uint16_t serviceId) {
  std::string out;
  int shown = 0;
  for (const auto& entry : reader.Services()) {
    const ServiceReport& s = entry.second;
    if (onlyService && s.serviceId != serviceId) continue;
    ++shown;
    const bool banner = s.now.complete && s.next.complete;
    const bool phantom = s.continuations == s.sections;
    Append(&out, "service 0x%04X (%u): %d present/following sections%s\n", s.serviceId, s.serviceId,
           s.sections,
           banner || phantom ? "" : "; the banner shows no programme lines (a line is missing)");
    if (phantom)
      out +=
          "        not a real service: only bytes inside other sections look like its "
          "header (the plug-in reads them too, for a channel with this id)\n";
    else if (s.continuations > 0)
      Append(&out, "        %d of them from units inside another section\n", s.continuations);
    if (s.passedOver > 0)
      Append(&out, "        %d of them passed over: a name or text ran past the delivery\n",
             s.passedOver);
    FormatLine(&out, "now", s.now, reader.Unicode());
    FormatLine(&out, "next", s.next, reader.Unicode());
  }
  if (shown == 0)
    out += onlyService ? "no present/following section of that service in the input\n"
                       : "no present/following section (table 0x4E) in the input\n";
  return out;
}

}  // namespace tavik_eit
