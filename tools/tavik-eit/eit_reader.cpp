// The EIT reader's decoding: the plug-in's unit picking and line building,
// with one set of buffers and bits per service instead of one tuned service.
#include "tools/tavik-eit/eit_reader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "guide/broadcast_time.h"
#include "guide/delivery_reader.h"
#include "guide/eit_decoder.h"
#include "guide/eit_section.h"

namespace tavik_eit {
namespace {

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

// A line whose start is undefined shows it as --:--, not as the bytes the
// banner turns it into.
std::string WithShownStart(const std::string& line, const ServiceLine& l) {
  const std::string banner = "(" + l.shownTime + ")";
  if (l.startDefined || line.compare(0, banner.size(), banner) != 0) return line;
  return "(--:--)" + line.substr(banner.size());
}

void FormatLine(std::string* out, const char* label, const ServiceLine& l, bool unicode) {
  if (!l.built) {
    Append(out, "  %-5s (no %s section decoded)\n", label,
           std::strcmp(label, "now") == 0 ? "present" : "following");
    return;
  }
  if (unicode)
    Append(out, "  %-5s \"%s\"\n", label, WithShownStart(l.unicodeLine, l).c_str());
  else
    Append(out, "  %-5s \"%s\"\n", label,
           dvbread::EscapeBytes(WithShownStart(l.line, l)).c_str());
  if (!l.startDefined)
    Append(out, "        start undefined (the banner shows it as \"%s\")\n",
           dvbread::EscapeBytes(l.shownTime).c_str());
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

namespace {

// The unit's first event's short event, found by the section decoder over
// the event's descriptor loop (not only the first descriptor, as the
// plug-in's unit reader does); false when there is none inside the delivery.
bool FindUnitShortEvent(const guide::UnitReader& unit, guide::ShortEventView* out) {
  const size_t room = unit.Room(guide::kPosEventId);
  guide::EitEvent event;
  return guide::ReadEitEvent(guide::ByteView{unit.Span(guide::kPosEventId, room), room}, &event) &&
         guide::FindShortEvent(event.descriptors, out);
}

}  // namespace

bool EitReader::Deliver(const uint8_t* delivery, size_t length, const bool* starts) {
  const int pack = guide::DeliveryUnits(length > static_cast<size_t>(guide::kMaxDelivery)
                                            ? guide::kMaxDelivery + 1
                                            : static_cast<int>(length));
  if (pack == 0) return false;
  ++deliveries_;
  for (size_t w = 0; w < static_cast<size_t>(pack); ++w) {
    DecodeUnit(delivery, length, w * guide::kUnitSize, starts != nullptr && !starts[w]);
    assembler_.Feed(delivery + w * guide::kUnitSize, &EitReader::TakeSection, this);
  }
  return true;
}

void EitReader::TakeSection(void* context, const uint8_t* section, size_t size) {
  EitReader* r = static_cast<EitReader*>(context);
  guide::EitHeader h;
  guide::ByteView events;
  guide::EitEvent event;
  if (!guide::ReadEitSection(section, size, &h, &events)) return;
  if (h.tableId == guide::kTablePresentFollowing) {
    const uint16_t eventId = guide::ReadEitEvent(events, &event) ? event.eventId : 0;
    r->wholeSections_.insert(SectionKey(h.serviceId, h.sectionNumber, h.version, eventId));
    r->census_.services.insert(h.serviceId);
  } else if (h.tableId >= 0x50 && h.tableId <= 0x5F) {
    ++r->census_.schedule;
  } else if (h.tableId == 0x4F || (h.tableId >= 0x60 && h.tableId <= 0x6F)) {
    ++r->census_.otherStream;
  }
}

bool EitReader::RealService(const ServiceReport& s) const {
  return s.continuations < s.sections && census_.services.count(s.serviceId) > 0;
}

SectionCensus EitReader::Census() const {
  SectionCensus c = census_;
  c.presentFollowing = static_cast<long>(wholeSections_.size());
  c.insideUnit = 0;
  for (const SectionKey& k : wholeSections_)
    if (unitStarts_.count(k) == 0) ++c.insideUnit;
  c.refused = static_cast<long>(assembler_.counts().refused);
  return c;
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
  if (continuation)
    ++s.continuations;
  else  // a section of no event has no event id: its CRC stands there
    unitStarts_.insert(SectionKey(h.eitsid, unit.At(guide::kPosSectionNumber),
                                  (unit.At(guide::kPosSectionNumber - 1) >> 1) & 0x1F,
                                  h.tleng > guide::kMinSectionLength ? h.eventId : 0));
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
  int64_t startUtc = 0;
  l.startDefined = guide::StartUtcSeconds(h.mjd, h.orax, h.min, h.sec, &startUtc);
  l.shownTime = s.timeText;
  char start[8];
  std::snprintf(start, sizeof start, "%02X:%02X", h.orax, h.min);
  l.startTime = l.startDefined ? start : "--:--";
  guide::ShortEventView shortEvent;
  l.hasShortEvent = FindUnitShortEvent(unit, &shortEvent);
  if (l.hasShortEvent) {
    l.name = dvbread::DvbToUtf8(shortEvent.name.data, shortEvent.name.size);
    l.text = dvbread::DvbToUtf8(shortEvent.text.data, shortEvent.text.size);
  }
}

namespace {

// "1 section", "2 sections".
std::string Count(long n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// What the input holds, on one line after the services.
void FormatCensus(std::string* out, const SectionCensus& c) {
  Append(out, "the input holds %s (table 0x4E) of %s whose CRC held",
         Count(c.presentFollowing, "present/following section").c_str(),
         Count(static_cast<long>(c.services.size()), "service").c_str());
  if (c.insideUnit > 0)
    Append(out, ", %ld of them starting inside a unit (the banner reads those only with the "
                "schedule on, line 22 of tavik.ini)",
           c.insideUnit);
  if (c.schedule > 0)
    Append(out, "; %s (--schedule lists their events)",
           Count(c.schedule, "schedule section").c_str());
  else
    *out += "; no schedule section";
  if (c.otherStream > 0)
    Append(out, "; %s of another stream's tables, which the plug-in passes over",
           Count(c.otherStream, "section").c_str());
  if (c.refused > 0) Append(out, "; %s came damaged, refused", Count(c.refused, "section").c_str());
  *out += "\n";
}

}  // namespace

std::string FormatReport(const EitReader& reader, bool onlyService, uint16_t serviceId,
                         bool all) {
  std::string out;
  int shown = 0;
  std::vector<uint16_t> leftOut;
  for (const auto& entry : reader.Services()) {
    const ServiceReport& s = entry.second;
    if (onlyService && s.serviceId != serviceId) continue;
    const bool real = reader.RealService(s);
    if (!real && !all) {
      leftOut.push_back(s.serviceId);
      continue;
    }
    ++shown;
    const bool banner = s.now.complete && s.next.complete;
    Append(&out, "service 0x%04X (%u): %d present/following sections%s\n", s.serviceId, s.serviceId,
           s.sections,
           banner || !real ? "" : "; the banner shows no programme lines (a line is missing)");
    if (!real)
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
  if (!leftOut.empty()) {
    Append(&out, "%s left out, not a real service: only bytes inside other sections look like "
                 "a header of it (--all lists them):",
           Count(static_cast<long>(leftOut.size()), "service id").c_str());
    for (size_t i = 0; i < leftOut.size() && i < 8; ++i) Append(&out, " 0x%04X", leftOut[i]);
    out += leftOut.size() > 8 ? " ...\n" : "\n";
  }
  const SectionCensus census = reader.Census();
  if (shown == 0 && leftOut.empty()) {
    if (onlyService)
      out += "no present/following section of that service in the input\n";
    else if (census.presentFollowing > 0)
      out += "no present/following section starts at the beginning of a unit, where the "
             "banner's reader looks with the schedule off\n";
    else
      out += "no present/following section (table 0x4E) in the input\n";
  }
  FormatCensus(&out, census);
  return out;
}

}  // namespace tavik_eit
